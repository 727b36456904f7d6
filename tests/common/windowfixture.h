#pragma once

#include "mainwindow.h"
#include "scripteddialogs.h"
#include "simulatorprocess.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class QAction;

// The real MainWindow driven offscreen, its dialogs answered by ScriptedDialogs, its settings in a
// temporary folder, and the simulated supplies it is connected to. A test class derives from
// QObject and from this, and calls:
//   initTestCase(): QVERIFY(isolateSettings());
//   init():         openWindow();          (or once in initTestCase for a whole run)
//   cleanup():      closeWindow();
// Test functions then use `window`, `dialogs`, action(), paneLines(), states() and
// connectToSimulator(). Tests that need several windows at once use makeWindow().
class WindowFixture
{
public:
    // Rows of the window's state table, as states() spells them.
    static const QString NotConnected;
    static const QString Connected;
    static const QString TransferRunning;

    // Longer than the slowest transfer of a test: every request of a small program sitting out
    // its tries.
    static constexpr int DeviceTimeoutMs = 120000;

    WindowFixture() = default;
    ~WindowFixture();
    WindowFixture(const WindowFixture &) = delete;
    WindowFixture &operator=(const WindowFixture &) = delete;

    // Points every settings store of this process (and of the processes it starts) at a
    // temporary folder; false when there is none.
    bool isolateSettings();
    QString settingsPath() const { return settingsDir.path(); }

    // A new window whose dialogs answer by script and whose close never quits the application.
    static std::unique_ptr<MainWindow> makeWindow(ScriptedDialogs *&dialogs);
    // Makes `window` and `dialogs`.
    void openWindow();
    // Deletes the window without a question about its text, then stops the simulators: the
    // port's lock file must be gone before the pseudo-terminal's number is handed out again.
    void closeWindow();

    // Gives the window these operand limits (the file form) through «Пределы операндов…» and
    // its OK, as a user does; false when the dialog did not open or did not take them.
    bool setLimits(const QString &fileForm) const;

    QAction *action(const char *name) const;
    QAction *action(const QString &name) const;
    QStringList paneLines() const;
    // Shows the window and waits until it is active.
    bool showActive() const;
    // What does not fit the default 450 x 600 in the window's present state: a minimum width
    // over 450, toolbar entries hidden or in an overflow menu, clipped labels and buttons.
    QStringList fitProblems() const;
    // The enabled state of the device controls:
    // "connect:on disconnect:off port:on compile:on write:off read:off".
    QString states() const;

    // Triggers a device action (connect, write, read, compare) and waits until the window's work
    // on the device has ended; false when it did not end within `timeoutMs`.
    bool runDeviceAction(const char *name, int timeoutMs = DeviceTimeoutMs);
    bool runDeviceAction(const QString &name, int timeoutMs = DeviceTimeoutMs);
    bool waitUntilDeviceIdle(int timeoutMs = DeviceTimeoutMs) const;

    // Starts a simulated supply with `options` that lives until closeWindow(); nullptr, with the
    // reason in `why`, when it does not start.
    SimulatorProcess *startSimulator(const QStringList &options, QString *why = nullptr);
    // Types the simulator's port path into the port box and connects; true when the window is
    // then Connected, else the reason in `why`.
    bool connectTo(const SimulatorProcess &sim, QString *why = nullptr);
    // Both: a started supply the window is connected to, or nullptr with the reason in `why`
    // (also printed as a warning).
    SimulatorProcess *connectToSimulator(const QStringList &options, QString *why = nullptr);

    MainWindow *window = nullptr;
    ScriptedDialogs *dialogs = nullptr;

private:
    QTemporaryDir settingsDir;
    std::vector<std::unique_ptr<SimulatorProcess>> simulators;
};
