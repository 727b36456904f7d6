#pragma once

#include "instruction.h"
#include "language.h"

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class DeviceLink;
class DiagnosticChecker;
class EditorMarks;
class ProgramRunDock;
class ProgramTransfer;
struct ProgramComparison;
class FindBar;
class Highlighter;
class ReportPaneLinks;
class QAction;
class QCloseEvent;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QTimer;
class QSerialPort;
class QShowEvent;
class QSettings;
class QSpinBox;
class QTextEdit;
class QToolBar;
class UserDialogs;

namespace Ui {
class MainWindow;
}

// The one window: editor, output pane, device controls, and the slots behind every action.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Replaces how the window asks the user; tests install dialogs that answer by script.
    void setDialogs(std::unique_ptr<UserDialogs> dialogs);

    // One entry of the port list, as the box shows it and its tooltip describes it.
    struct PortEntry
    {
        QString name;
        QString location;
        QString description;
        QString manufacturer;
        QString serialNumber;
    };
    // Where the port list comes from; QSerialPortInfo::availablePorts() unless a test says
    // otherwise. The list is read again at once.
    using PortSource = std::function<QList<PortEntry>()>;
    void setPortSource(PortSource source);
    // How often the port list is read again while not connected.
    static constexpr int PortRefreshMs = 2000;

    // Opens a program file exactly as "Открыть файл" does once a name has been chosen.
    void openProgramFile(const QString &path);

    // Read access for tests and tools.
    QTextEdit *editor() const;
    QPlainTextEdit *outputPane() const;
    QComboBox *portBox() const { return portComboBox; }
    QSpinBox *slaveIdBox() const { return slaveIdSpinBox; }
    QComboBox *cellBox() const { return cellComboBox; }
    QSerialPort *serialPort() const { return port; }
    const InstructionList &compiledInstructions() const { return instructions; }
    const QString &compiledProgramName() const { return programName; }
    int compileErrorFlag() const { return compileError; }
    const QString &currentFilePath() const { return currentFile; }
    bool isTransferRunning() const { return transferRunning; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    void checkText();
    void OpenPort();
    void ClosePort();
    void SaveAsFile();
    void SaveFile();
    void OpenFile();
    void NewFile();
    void SaveLineToDevice();
    void ReadLineFromDevice();
    void CompareWithDevice();
    void CancelTransfer();
    void TextChanges();
    void About();

private:
    void createActions();
    QAction *makeAction(const QString &objectName, const QString &text, const QString &icon,
                        const QString &statusTip);
    // Enables every action and control as the window's state (not connected, connected,
    // transfer running) allows.
    void applyState();
    bool decodeProgram(const QString &name, const InstructionList &records);
    void onPortLost();
    void replacePane(const QString &heading);
    void appendPane(const QString &text);
    // Marks a transfer as running and compiles the editor text; false (the transfer already
    // finished) when the compile fails.
    bool startCompiledTransfer();
    // Called on every way out of a transfer.
    void finishTransfer();
    // Shows the progress bar and the time left for `transfer`, which sends `total` requests
    // (0 while a read does not know its count yet), and lets «Прервать» reach it.
    void followTransfer(ProgramTransfer &transfer, bool writing, int total);
    void showProgress(bool writing, int done, int total);
    // The pane's words for a read-back against the program: verify and compare share them.
    // Reads the cell back silently and reports how it compares with the program (verify and
    // compare alike).
    void compareCell(quint8 slaveId, int cell, const InstructionList &program, const QString &name,
                     const QVector<int> &sourceLines);
    void reportComparison(const ProgramComparison &comparison, const QVector<int> &sourceLines);
    // After a transfer's last line: the lost line, if it was lost meanwhile.
    void reportLostLine();
    // Reads the port list again, keeping the typed text and the selection.
    void refreshPorts();
    void restoreDeviceSettings();

    // Editor aids (mainwindoweditor.cpp): gutter, live diagnostics, find bar, report links.
    void setUpEditor();
    void goToSourceLine(int line);
    void goToDiagnostic(bool forward);
    void askGoToLine();
    void showDiagnosticCount();

    // Program files.
    // Asks whether to save changed text; false when the user cancels or the save fails.
    bool maybeSave();
    // Saves to the current file, or asks for a name when askForName or there is none; true when
    // saved.
    bool saveProgram(bool askForName);
    // Replaces the file with the editor text only once it is completely written.
    bool writeProgramFile(const QString &path);
    // Where the file dialogs start: the remembered folder, else the working directory.
    QString programDirectory() const;
    void rememberDirectory(const QString &filePath);
    // Sets the file that Save writes and shows its name in the title; empty for none.
    void setCurrentFile(const QString &path);
    void openRecentFile(const QString &path);
    QStringList recentFiles() const;
    void storeRecentFiles(QStringList files);
    void addRecentFile(const QString &path);
    void removeRecentFile(const QString &path);
    void updateRecentFilesMenu();

    // «Прогон программы» and its dock (mainwindowrun.cpp).
    void setUpProgramRun();

    // Menus, the language help, and the window's layout kept between runs.
    void createMenus();
    void showLanguageHelp();
    void restoreLayout();
    void saveLayout();

    std::unique_ptr<Ui::MainWindow> ui;
    QLabel *portLabel = nullptr;
    QLabel *slaveIdLabel = nullptr;
    QLabel *cellLabel = nullptr;
    QComboBox *portComboBox = nullptr;
    QSpinBox *slaveIdSpinBox = nullptr;
    QAction *connectAction = nullptr;
    QAction *disconnectAction = nullptr;
    QAction *newAction = nullptr;
    QComboBox *cellComboBox = nullptr;
    QAction *openAction = nullptr;
    QAction *saveAction = nullptr;
    QAction *saveAsAction = nullptr;
    QAction *compileAction = nullptr;
    QAction *writeAction = nullptr;
    QAction *readAction = nullptr;
    QAction *compareAction = nullptr;
    QAction *verifyAction = nullptr;
    QAction *cancelAction = nullptr;
    QProgressBar *transferProgress = nullptr;
    QLabel *timeLeftLabel = nullptr;
    QWidget *cancelButton = nullptr;
    QLabel *connectionLabel = nullptr;
    QTimer *portRefreshTimer = nullptr;
    PortSource portSource;
    // The transfer «Прервать» stops; set only while one runs.
    ProgramTransfer *activeTransfer = nullptr;
    QElapsedTimer transferClock;
    bool portLostInTransfer = false;
    // The source line of each compiled record, for the words of a failed check.
    QVector<int> recordLines;
    QAction *aboutAction = nullptr;
    QAction *quitAction = nullptr;
    QAction *languageHelpAction = nullptr;
    QMenu *recentFilesMenu = nullptr;
    QSerialPort *port = nullptr;
    std::unique_ptr<DeviceLink> link;
    QToolBar *programToolBar = nullptr;
    std::unique_ptr<QSettings> settings;
    Language::CodeTable operandCodes;
    Language::CodeTable compareCodes;
    InstructionList instructions;
    QString currentFile;
    QString programName;
    Highlighter *highlighter = nullptr;
    int compileError = 1;

    QAction *nextErrorAction = nullptr;
    QAction *previousErrorAction = nullptr;
    QAction *goToLineAction = nullptr;
    QAction *findAction = nullptr;
    EditorMarks *marks = nullptr;
    DiagnosticChecker *checker = nullptr;
    FindBar *findBar = nullptr;
    ReportPaneLinks *reportLinks = nullptr;
    QLabel *diagnosticsLabel = nullptr;
    QAction *runAction = nullptr;
    ProgramRunDock *runDock = nullptr;

    std::unique_ptr<UserDialogs> dialogs;
    bool transferRunning = false;
    // A close asked for during a transfer waits until the transfer has ended.
    bool closePending = false;
    // The splitter's remembered heights wait for the window's restored size.
    bool splitterRestored = false;
};
