#pragma once

#include "instruction.h"
#include "language.h"

#include <QMainWindow>
#include <QString>

#include <memory>

class DeviceLink;
class DiagnosticChecker;
class EditorMarks;
class FindBar;
class Highlighter;
class ReportPaneLinks;
class QAction;
class QCloseEvent;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
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

    // Opens a program file exactly as "Открыть файл" does once a name has been chosen.
    void openProgramFile(const QString &path);

    // The language help window's text, and the example program it shows.
    static QString languageHelpText();
    static QString languageHelpExample();

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
    // Called on every way out of a transfer.
    void finishTransfer();

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

    std::unique_ptr<UserDialogs> dialogs;
    bool transferRunning = false;
    // A close asked for during a transfer waits until the transfer has ended.
    bool closePending = false;
    // The splitter's remembered heights wait for the window's restored size.
    bool splitterRestored = false;
};
