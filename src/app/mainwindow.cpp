#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "compiler.h"
#include "devicecontrols.h"
#include "devicesession.h"
#include "editoraids.h"
#include "elidedlabel.h"
#include "exchangelogdock.h"
#include "highlighter.h"
#include "languagehelp.h"
#include "languagemenu.h"
#include "programdocument.h"
#include "programrundock.h"
#include "registerdock.h"
#include "reportsplitter.h"
#include "supplycellsdock.h"
#include "settingskeys.h"
#include "userdialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSerialPort>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>

#include <utility>

namespace {

// The output pane's height at first start, and its most until the user drags the split; the
// splitter gives the rest to the editor.
constexpr int PaneStartHeight = 120;
constexpr int EditorStartHeight = 400;

} // namespace

// The icons live in this static library; referencing them keeps the linker from dropping them.
static void initResources()
{
    Q_INIT_RESOURCE(quorvel);
}

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    initResources();
    // Everything below may ask the user something, NewFile included.
    dialogs = std::make_unique<UserDialogs>();
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/quorvel.png")));
    ui->splitter->setStretchFactor(0, 1);
    ui->splitter->setStretchFactor(1, 0);
    ui->splitter->setSizes({EditorStartHeight, PaneStartHeight});
    ui->splitter->setPaneCap(PaneStartHeight);

    exchangeLog = new ExchangeLogDock(this);
    addDockWidget(Qt::BottomDockWidgetArea, exchangeLog);
    exchangeLog->hide();
    exchangeLog->setDialogs(dialogs.get());

    settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           SettingsKeys::Organization, SettingsKeys::Application);
    operandCodes = Language::operandCodes();
    compareCodes = Language::compareCodes();
    new Highlighter(ui->textEdit->document());
    document = new ProgramDocument(ui->textEdit, settings.get(), this);
    document->setDialogs(dialogs.get());

    controls = new DeviceControls(settings.get(), this);
    createActions();
    createStatusBar();
    editorAids =
        new EditorAids(ui->textEdit, ui->editorLayout, ui->plainTextEdit, statusBar(),
                       Compiler(Language::statementKinds(), operandCodes, compareCodes), this);
    editorAids->setDialogs(dialogs.get());
    deviceActivity->setEditorAids(editorAids);
    deviceActivity->setDialogs(dialogs.get());
    deviceActivity->setExchangeObserver(exchangeLog->observer());
    connect(deviceActivity, &DeviceActivity::stateChanged, this, &MainWindow::applyState);
    connect(deviceActivity, &DeviceActivity::connectFinished, this, &MainWindow::connectFinished);
    connect(deviceActivity, &DeviceActivity::programRead, this, &MainWindow::showReadProgram);
    // The transfer's question came first; the save question follows once it has stopped.
    connect(deviceActivity, &DeviceActivity::closeAllowed, this,
            [this]() { QTimer::singleShot(0, this, &QWidget::close); });
    createProgramRunDock();
    createCellsDock();
    createRegisterDock();
    // The bottom docks share the window's width as tabs: side by side at 450 px each would
    // clip its contents.
    tabifyDockWidget(exchangeLog, runDock);
    tabifyDockWidget(exchangeLog, cellsDock);
    tabifyDockWidget(exchangeLog, registerDock);
    restoreLimits();
    // A dragged split is kept at once, not only when the window closes.
    connect(ui->splitter, &QSplitter::splitterMoved, this, &MainWindow::saveLayout);

    connect(ui->textEdit->document(), &QTextDocument::modificationChanged, this,
            &QWidget::setWindowModified);
    connect(document, &ProgramDocument::saveOffered, action("saveAction"), &QAction::setEnabled);
    NewFile();
    applyState();

    connect(ui->textEdit, &QTextEdit::textChanged, this, &MainWindow::TextChanges);
    setFocusOrder();
    restoreLayout();
    followAdapter();
    controls->restore();
    action("verifyAction")
        ->setChecked(settings->value(SettingsKeys::VerifyAfterWrite, true).toBool());
}

MainWindow::~MainWindow() = default;

void MainWindow::setDialogs(std::unique_ptr<UserDialogs> replacement)
{
    dialogs = std::move(replacement);
    document->setDialogs(dialogs.get());
    editorAids->setDialogs(dialogs.get());
    exchangeLog->setDialogs(dialogs.get());
    languageMenu->setDialogs(dialogs.get());
    deviceActivity->setDialogs(dialogs.get());
    registerDock->setDialogs(dialogs.get());
}

QTextEdit *MainWindow::editor() const
{
    return ui->textEdit;
}

QPlainTextEdit *MainWindow::outputPane() const
{
    return ui->plainTextEdit;
}

QComboBox *MainWindow::portBox() const
{
    return controls->portBox();
}

QSpinBox *MainWindow::slaveIdBox() const
{
    return controls->slaveIdBox();
}

QComboBox *MainWindow::cellBox() const
{
    return controls->cellBox();
}

const QString &MainWindow::currentFilePath() const
{
    return document->filePath();
}

void MainWindow::createStatusBar()
{
    // The window's edge resizes it; a grip would only take room from the texts.
    statusBar()->setSizeGripEnabled(false);
    deviceActivity = new DeviceActivity(this, ui->plainTextEdit, action("cancelAction"));
    statusBar()->addPermanentWidget(deviceActivity->statusArea());
}

void MainWindow::restoreLayout()
{
    restoreGeometry(settings->value(SettingsKeys::Geometry).toByteArray());
    restoreState(settings->value(SettingsKeys::WindowState).toByteArray());
}

void MainWindow::showEvent(QShowEvent *event)
{
    // Restored before the window had its size, the heights would be stretched to fit it.
    if (!std::exchange(splitterRestored, true))
        ui->splitter->restoreDraggedState(settings->value(SettingsKeys::Splitter).toByteArray());
    QMainWindow::showEvent(event);
}

void MainWindow::saveLayout()
{
    settings->setValue(SettingsKeys::Geometry, saveGeometry());
    settings->setValue(SettingsKeys::WindowState, saveState());
    // Kept only once dragged: until then the pane keeps its capped height.
    if (ui->splitter->wasDragged())
        settings->setValue(SettingsKeys::Splitter, ui->splitter->draggedState());
    settings->sync();
}

void MainWindow::applyState()
{
    // Not connected, Connected, or a transfer running: the port decides the device controls,
    // a running transfer holds back every action that would start another or change the program
    // it works from.
    const bool open = deviceActivity->isOpen();
    const bool opening = deviceActivity->isOpening();
    const bool idle = !deviceActivity->isRunning();
    action("connectAction")->setEnabled(!open && !opening);
    action("disconnectAction")->setEnabled(open);
    controls->portBox()->setEnabled(!open && !opening);
    action("compileAction")->setEnabled(idle);
    action("writeAction")->setEnabled(open && idle);
    action("readAction")->setEnabled(open && idle);
    action("compareAction")->setEnabled(open && idle);
    action("cancelAction")->setEnabled(!idle);
    deviceActivity->showConnection(controls->portBox()->currentText());
    // The box is locked while open, so it names the connected port. The list is read again
    // only while the user may pick another port.
    controls->portBox()->setFollowing(!open && !opening);
}

void MainWindow::setPortSource(PortSource source)
{
    controls->portBox()->setSource(std::move(source));
}

void MainWindow::replacePane(const QString &heading)
{
    ui->plainTextEdit->setPlainText(heading);
}

void MainWindow::appendPane(const QString &text)
{
    ui->plainTextEdit->appendPlainText(text);
}

void MainWindow::checkText()
{
    const CompileResult result = Compiler(Language::statementKinds(), operandCodes, compareCodes)
                                     .compile(ui->textEdit->toPlainText());
    instructions = result.instructions;
    programName = result.programName;
    recordLines = result.recordSourceLines;
    compileError = result.ok ? 0 : 1;

    replacePane(result.report.constFirst());
    if (result.report.size() > 1)
        appendPane(result.report.mid(1).join(QLatin1Char('\n')));
    editorAids->setReport(result.reportSourceLines, result.reportErrorLines);
    if (!result.ok)
        reportCompileFailure(result);
}

void MainWindow::reportCompileFailure(const CompileResult &result)
{
    // The report's last line may be no error at all: one line says that the compile failed,
    // how often and where first, and leads there like the error lines.
    int errors = 0;
    const Diagnostic *first = nullptr;
    for (const Diagnostic &diagnostic : result.diagnostics) {
        if (diagnostic.severity != Diagnostic::Severity::Error)
            continue;
        ++errors;
        if (!first)
            first = &diagnostic;
    }
    if (first) {
        appendPane(tr("Ошибок: %1, первая в строке %2: %3")
                       .arg(errors)
                       .arg(first->line)
                       .arg(first->message));
        editorAids->linkReportLine(ui->plainTextEdit->document()->blockCount() - 1, first->line,
                                   true);
    }
    // The first error line in sight rather than the report's end.
    const int shown = result.reportErrorLines.isEmpty() ? ui->plainTextEdit->blockCount() - 1
                                                        : result.reportErrorLines.constFirst();
    QTextCursor cursor(ui->plainTextEdit->document()->findBlockByNumber(shown));
    ui->plainTextEdit->setTextCursor(cursor);
    ui->plainTextEdit->centerCursor();
}

void MainWindow::TextChanges()
{
    action("saveAction")->setEnabled(true);
}

void MainWindow::NewFile()
{
    if (!document->maybeSave())
        return;
    startProgram(QStringLiteral("prgName = \"Prg1\";\n"));
}

void MainWindow::startProgram(const QString &text)
{
    ui->textEdit->clear();
    // Inserted as plain text: append() would take text that looks like markup for rich text.
    QTextCursor(ui->textEdit->document()).insertText(text);
    // The start-up text is not the user's edit: Ctrl+Z must not take it away.
    ui->textEdit->document()->clearUndoRedoStacks();
    ui->textEdit->document()->setModified(false);
    document->markUnchangedByUser();
    ui->plainTextEdit->clear();
    instructions.clear();
    // A new document: Save asks for a name rather than write it over the file that was open.
    document->startUntitled();
}

void MainWindow::openExample()
{
    if (!document->maybeSave())
        return;
    startProgram(LanguageHelp::example());
    activateWindow();
    ui->textEdit->setFocus();
}

void MainWindow::setFocusOrder()
{
    // Toolbar controls, then the editor, then the report pane.
    QWidget *const order[] = {controls->portBox(), controls->slaveIdBox(), controls->cellBox(),
                              ui->textEdit, ui->plainTextEdit};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void MainWindow::OpenFile()
{
    document->open();
}

void MainWindow::openProgramFile(const QString &path)
{
    document->openFile(path);
}

void MainWindow::SaveFile()
{
    document->save(false);
}

void MainWindow::SaveAsFile()
{
    document->save(true);
}

void MainWindow::About()
{
    const QString text =
        tr("<h2>Quorvel 1.1</h2>Программа предназначена для совместного функционирования\n"
           "с источниками питания Brisca<p>Использование программы с другими приборами не "
           "допускается.<p>") +
        tr("© 2026 Команда разработчиков Quorvel. Программа поставляется «как есть», без "
           "каких-либо гарантий.<p>") +
        tr("Сайт программы: <a href=\"https://quorvel.example/\">quorvel.example</a>");
    dialogs->about(this, tr("О программе"), text);
}
QSerialPort *MainWindow::serialPort() const
{
    return deviceActivity->session().port();
}

bool MainWindow::isConnected() const
{
    return deviceActivity->isOpen();
}

bool MainWindow::isDeviceIdle() const
{
    return !deviceActivity->isRunning() && !deviceActivity->isOpening() &&
           deviceActivity->session().isIdle();
}

void MainWindow::OpenPort()
{
    deviceActivity->connectPort(controls->portBox()->currentText(), controls->slaveId());
}

void MainWindow::connectFinished(bool ok, const QString &failureText)
{
    if (ok)
        controls->rememberPort();
    else
        dialogs->critical(this, tr("Error"), tr("Не удается открыть порт"), failureText);
}

void MainWindow::ClosePort()
{
    deviceActivity->disconnectPort();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A running transfer is asked about first: «Прервать» stops it, and the close comes back
    // once it has reported what the cell holds.
    if (!deviceActivity->mayClose() || !document->maybeSave()) {
        event->ignore();
        return;
    }
    saveLayout();
    event->accept();
}
