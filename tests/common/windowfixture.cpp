#include "windowfixture.h"

#include "deviceactivity.h"
#include "elidedlabel.h"
#include "limitsdialog.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSerialPort>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

const QString WindowFixture::NotConnected =
    QStringLiteral("connect:on disconnect:off port:on compile:on write:off read:off");
const QString WindowFixture::Connected =
    QStringLiteral("connect:off disconnect:on port:off compile:on write:on read:on");
const QString WindowFixture::TransferRunning =
    QStringLiteral("connect:off disconnect:on port:off compile:off write:off read:off");

WindowFixture::~WindowFixture()
{
    closeWindow();
}

bool WindowFixture::isolateSettings()
{
    if (!settingsDir.isValid())
        return false;
    QStandardPaths::setTestModeEnabled(true);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsDir.path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    return true;
}

std::unique_ptr<MainWindow> WindowFixture::makeWindow(ScriptedDialogs *&dialogs)
{
    auto window = std::make_unique<MainWindow>();
    window->setAttribute(Qt::WA_QuitOnClose, false);
    dialogs = new ScriptedDialogs;
    window->setDialogs(std::unique_ptr<UserDialogs>(dialogs));
    // The tests count requests and aim faults at them from the first one a transfer sends;
    // those about the connect probe turn it on.
    window->findChild<DeviceActivity *>()->setProbeOnConnect(false);
    return window;
}

void WindowFixture::openWindow()
{
    closeWindow();
    // Every test starts from the default port, Slave ID, cell and verify option, whatever an
    // earlier test chose and the window remembered.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brisca"),
              QStringLiteral("KV2050RB1"))
        .remove(QStringLiteral("device"));
    window = makeWindow(dialogs).release();
}

void WindowFixture::closeWindow()
{
    if (window) {
        // Nothing the tests typed is worth a question on the way out.
        window->editor()->document()->setModified(false);
        delete window;
    }
    window = nullptr;
    dialogs = nullptr;
    simulators.clear();
}

bool WindowFixture::setLimits(const QString &fileForm) const
{
    const ParsedLimits wanted = OperandLimits::parse(fileForm);
    if (!wanted.ok())
        return false;
    // A dialog closed earlier is deleted later; only the one opened here counts.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    action("limitsAction")->trigger();
    auto *dialog = window->findChild<LimitsDialog *>();
    if (!dialog || !dialog->isVisible())
        return false;
    dialog->setLimits(wanted.limits);
    dialog->accept();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window->operandLimits() == wanted.limits;
}

QAction *WindowFixture::action(const char *name) const
{
    return window->findChild<QAction *>(QLatin1String(name));
}

QAction *WindowFixture::action(const QString &name) const
{
    return window->findChild<QAction *>(name);
}

bool WindowFixture::showActive() const
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

QStringList WindowFixture::fitProblems() const
{
    QStringList out;
    if (window->minimumSizeHint().width() > 450 || window->minimumWidth() > 450)
        out << QStringLiteral("minimum width %1").arg(window->minimumSizeHint().width());
    if (window->width() != 450)
        out << QStringLiteral("width %1").arg(window->width());
    for (QToolBar *bar : window->findChildren<QToolBar *>()) {
        for (QAction *a : bar->actions()) {
            QWidget *shown = bar->widgetForAction(a);
            if (!a->isSeparator() && !(shown && shown->isVisible()))
                out << QStringLiteral("hidden: ") + a->objectName() + a->text();
        }
        auto *overflow = bar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
        if (overflow && overflow->isVisible())
            out << QStringLiteral("overflow of ") + bar->objectName();
    }
    // Labels that elide by design aside, every label's text fits its width.
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->isVisible() || qobject_cast<ElidedLabel *>(label) || label->wordWrap())
            continue;
        for (const QString &line : label->text().remove(QLatin1Char('&')).split('\n')) {
            if (label->fontMetrics().horizontalAdvance(line) > label->contentsRect().width())
                out << QStringLiteral("clipped: ") + line;
        }
    }
    for (auto *button : window->findChildren<QToolButton *>()) {
        if (button->isVisible() && button->width() < button->sizeHint().width())
            out << QStringLiteral("clipped button: ") + button->text();
    }
    return out;
}

QStringList WindowFixture::paneLines() const
{
    return window->outputPane()->toPlainText().split(QLatin1Char('\n'));
}

QString WindowFixture::states() const
{
    const auto onOff = [](bool enabled) {
        return enabled ? QStringLiteral("on") : QStringLiteral("off");
    };
    return QStringLiteral("connect:%1 disconnect:%2 port:%3 compile:%4 write:%5 read:%6")
        .arg(onOff(action("connectAction")->isEnabled()),
             onOff(action("disconnectAction")->isEnabled()), onOff(window->portBox()->isEnabled()),
             onOff(action("compileAction")->isEnabled()), onOff(action("writeAction")->isEnabled()),
             onOff(action("readAction")->isEnabled()));
}

SimulatorProcess *WindowFixture::startSimulator(const QStringList &options, QString *why)
{
    simulators.push_back(std::make_unique<SimulatorProcess>());
    SimulatorProcess *sim = simulators.back().get();
    if (sim->start(options))
        return sim;
    if (why)
        *why = QStringLiteral("simulator: ") + sim->errorString();
    return nullptr;
}

bool WindowFixture::runDeviceAction(const char *name, int timeoutMs)
{
    return runDeviceAction(QString::fromLatin1(name), timeoutMs);
}

bool WindowFixture::runDeviceAction(const QString &name, int timeoutMs)
{
    action(name)->trigger();
    return waitUntilDeviceIdle(timeoutMs);
}

bool WindowFixture::waitUntilDeviceIdle(int timeoutMs) const
{
    return QTest::qWaitFor([this]() { return window->isDeviceIdle(); }, timeoutMs);
}

bool WindowFixture::connectTo(const SimulatorProcess &sim, QString *why)
{
    window->portBox()->setEditText(sim.portPath());
    runDeviceAction("connectAction");
    if (window->isConnected() && states() == Connected)
        return true;
    if (why) {
        *why = QStringLiteral("%1 on %2 (%3), dialogs: %4")
                   .arg(states(), sim.portPath(), window->serialPort()->errorString(),
                        dialogs->kinds().join(QLatin1Char(' ')));
    }
    return false;
}

SimulatorProcess *WindowFixture::connectToSimulator(const QStringList &options, QString *why)
{
    QString reason;
    SimulatorProcess *sim = startSimulator(options, &reason);
    if (sim && connectTo(*sim, &reason))
        return sim;
    qWarning("%s", qPrintable(reason));
    if (why)
        *why = reason;
    return nullptr;
}
