#pragma once

#include "actiontable.h"
#include "deviceactivity.h"
#include "instruction.h"
#include "language.h"
#include "operandlimits.h"
#include "portbox.h"

#include <QMainWindow>
#include <QString>
#include <QVector>

#include <memory>

struct CompileResult;
class DeviceControls;
class ExchangeLogDock;
class SupplyCellsDock;
class EditorAids;
class ElidedLabel;
class LanguageMenu;
class ProgramDocument;
class ProgramRunDock;
class RegisterDock;
class QAction;
class QCloseEvent;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QSerialPort;
class QShowEvent;
class QSettings;
class QSpinBox;
class QTextEdit;
class UserDialogs;

namespace Ui {
class MainWindow;
}

// The one window: it composes the editor with its aids, the program file, the output pane and
// the device controls, and holds the slots behind every action.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Replaces how the window asks the user; tests install dialogs that answer by script.
    void setDialogs(std::unique_ptr<UserDialogs> dialogs);

    using PortEntry = PortBox::Entry;
    using PortSource = PortBox::Source;
    // Where the port list comes from; QSerialPortInfo::availablePorts() unless a test says
    // otherwise. The list is read again at once.
    void setPortSource(PortSource source);

    // Opens a program file exactly as "Открыть файл" does once a name has been chosen.
    void openProgramFile(const QString &path);

    // Read access for tests and tools.
    QTextEdit *editor() const;
    QPlainTextEdit *outputPane() const;
    QComboBox *portBox() const;
    QSpinBox *slaveIdBox() const;
    QComboBox *cellBox() const;
    QSerialPort *serialPort() const;
    const InstructionList &compiledInstructions() const { return instructions; }
    const QString &compiledProgramName() const { return programName; }
    int compileErrorFlag() const { return compileError; }
    const QString &currentFilePath() const;
    bool isTransferRunning() const { return deviceActivity->isRunning(); }
    // The port is open for the supply.
    bool isConnected() const;
    // No connect or transfer is under way or queued.
    bool isDeviceIdle() const;
    // What the bench tolerates: kept in the settings, edited in «Пределы операндов…».
    const OperandLimits &operandLimits() const { return limits; }

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
    // Every action from the table onto the menus and toolbars, with the device controls.
    void createActions();
    // The connection, and a transfer's progress beside «Прервать».
    void createStatusBar();
    // Tab goes from the toolbar controls to the editor, then to the report pane.
    void setFocusOrder();
    // Puts `text` into the editor as a new, unchanged program with an empty report.
    void startProgram(const QString &text);
    // «Вставить пример» of the language help: the example as a new document, after the question
    // about unsaved changes.
    void openExample();
    QAction *action(const char *id) const { return actions.action(id); }
    // Enables every action and control as the window's state (not connected, connected,
    // transfer running) allows.
    void applyState();
    // Puts a program read from the device into the editor, as a new unchanged document.
    void showReadProgram(const QString &text);
    void connectFinished(bool ok, const QString &failureText);
    // After a failed compile's report: how many errors and the first, with that line in sight.
    void reportCompileFailure(const CompileResult &result);
    void replacePane(const QString &heading);
    void appendPane(const QString &text);
    // Compiles the editor text; what a transfer sends, valid unless the compile failed.
    DeviceActivity::Program compiledProgram();
    // «Прогон»: the dock that runs the editor's program on its operands (mainwindowrun.cpp).
    void createProgramRunDock();
    // In mainwindowregisters.cpp.
    void createRegisterDock();
    void showProgramRun();
    // The operands' limits (mainwindowlimits.cpp): the settings' at start, the dialog that edits
    // them, and the check before a write sends anything.
    void restoreLimits();
    void openLimitsDialog();
    // «Найти приборы…» and the supply chosen there (mainwindowscan.cpp).
    void openScanDialog();
    void chooseSupply(const QString &portName, quint8 slaveId);
    // «Ячейки прибора», fed by the connect's survey and every transfer.
    void createCellsDock();
    void showCellsInCellBox();
    // The port box selects the chosen adapter again under a new name and says so.
    void followAdapter();
    void applyLimits(const OperandLimits &newLimits);
    // True when the compiled program keeps to the limits or the user writes it all the same;
    // otherwise the findings stay in the pane and nothing may be sent.
    bool limitsAllowWrite();
    // The window's layout kept between runs.
    void restoreLayout();
    void saveLayout();

    std::unique_ptr<Ui::MainWindow> ui;
    std::unique_ptr<UserDialogs> dialogs;
    std::unique_ptr<QSettings> settings;
    DeviceActivity *deviceActivity = nullptr;
    ExchangeLogDock *exchangeLog = nullptr;
    SupplyCellsDock *cellsDock = nullptr;
    ProgramDocument *document = nullptr;
    EditorAids *editorAids = nullptr;
    ProgramRunDock *runDock = nullptr;
    RegisterDock *registerDock = nullptr;
    LanguageMenu *languageMenu = nullptr;
    bool runDockSized = false;
    ActionTable actions;

    DeviceControls *controls = nullptr;

    Language::CodeTable operandCodes;
    Language::CodeTable compareCodes;
    // The compiled program.
    InstructionList instructions;
    QString programName;
    int compileError = 1;
    // The source line of each compiled record, for the words of a failed check.
    QVector<int> recordLines;
    OperandLimits limits;

    // The splitter's remembered heights wait for the window's restored size.
    bool splitterRestored = false;
};
