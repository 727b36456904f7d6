#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "compiler.h"
#include "devicecontrols.h"
#include "deviceconnection.h"
#include "transferwording.h"
#include "editoraids.h"
#include "elidedlabel.h"
#include "exchangelogdock.h"
#include "highlighter.h"
#include "languagehelp.h"
#include "languagemenu.h"
#include "programdocument.h"
#include "programrundock.h"
#include "programtransfer.h"
#include "reportsplitter.h"
#include "settingskeys.h"
#include "userdialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSerialPort>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <utility>

namespace {

constexpr int ToolbarIconSize = 32;
constexpr int ProgressWidth = 60;
// The output pane's height at first start, and its most until the user drags the split; the
// splitter gives the rest to the editor.
constexpr int PaneStartHeight = 120;
constexpr int EditorStartHeight = 400;

QList<QKeySequence> keys(const QString &text)
{
    return {QKeySequence(text)};
}

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

    connection = new DeviceConnection(this);
    connect(connection, &DeviceConnection::lineLost, this, &MainWindow::onPortLost);
    exchangeLog = new ExchangeLogDock(this);
    addDockWidget(Qt::BottomDockWidgetArea, exchangeLog);
    exchangeLog->hide();
    exchangeLog->setDialogs(dialogs.get());
    connection->link().setEventSink(exchangeLog->observer());

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
    createProgramRunDock();
    restoreLimits();
    // A dragged split is kept at once, not only when the window closes.
    connect(ui->splitter, &QSplitter::splitterMoved, this, &MainWindow::saveLayout);

    connect(ui->textEdit->document(), &QTextDocument::modificationChanged, this,
            &QWidget::setWindowModified);
    connect(document, &ProgramDocument::saveOffered, action("saveAction"), &QAction::setEnabled);
    NewFile();
    document->setFilePath(QString());
    applyState();

    connect(ui->textEdit, &QTextEdit::textChanged, this, &MainWindow::TextChanges);
    setFocusOrder();
    restoreLayout();
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

void MainWindow::createActions()
{
    auto *programToolBar = new QToolBar(this);
    // saveState() finds toolbars by name.
    programToolBar->setObjectName(QStringLiteral("programToolBar"));
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, programToolBar);
    ui->mainToolBar->setIconSize(QSize(ToolbarIconSize, ToolbarIconSize));
    programToolBar->setIconSize(QSize(ToolbarIconSize, ToolbarIconSize));

    auto *recentFilesMenu = new QMenu(tr("&Недавние файлы"), this);
    recentFilesMenu->setObjectName(QStringLiteral("menuRecentFiles"));

    // Where each row goes: the window itself holds actions whose shortcut works without a menu.
    QWidget *const bar = ui->mainToolBar;
    QWidget *const programBar = programToolBar;
    QWidget *const file = ui->menuFile;
    QWidget *const edit = ui->menuEdit;
    QWidget *const program = ui->menuProgram;
    QWidget *const device = ui->menuDevice;
    QWidget *const help = ui->menuHelp;
    QWidget *const window = this;
    QTextEdit *const editor = ui->textEdit;
    QMenuBar *const menus = menuBar();
    const auto standard = [](QKeySequence::StandardKey key) {
        return QKeySequence::keyBindings(key);
    };
    using Row = ActionTable::Row;
    // clang-format off
    actions.build(this, {
        Row("newAction", tr("Со&здать файл"), tr("Создать файл"), "Actions-document-new-icon.png",
            keys(tr("Ctrl+N")), [this] { NewFile(); }, {file, programBar}),
        Row("openAction", tr("&Открыть файл"), tr("Открыть файл"), "open.png",
            keys(tr("Ctrl+O")), [this] { OpenFile(); }, {file, programBar}),
        ActionTable::submenu(recentFilesMenu, {file}),
        ActionTable::separator({file}),
        Row("saveAction", tr("&Сохранить файл"), tr("Сохранить файл"), "save.png",
            keys(tr("Ctrl+S")), [this] { SaveFile(); }, {file, programBar}),
        Row("saveAsAction", tr("Сохранить &как ..."), tr("Сохранить как ..."), "SaveAs2.png",
            keys(tr("Ctrl+Shift+S")), [this] { SaveAsFile(); }, {file, programBar}),
        ActionTable::separator({file, programBar}),
        Row("quitAction", tr("&Выход"), tr("Закрыть программу"), nullptr,
            keys(tr("Ctrl+Q")), [this] { close(); }, {file}),

        // The editing commands act on the program editor; its own keys do the same.
        Row("undoAction", tr("&Отменить"), QString(), nullptr,
            standard(QKeySequence::Undo), [editor] { editor->undo(); }, {edit}),
        Row("redoAction", tr("&Повторить"), QString(), nullptr,
            standard(QKeySequence::Redo), [editor] { editor->redo(); }, {edit}),
        ActionTable::separator({edit}),
        Row("cutAction", tr("Вы&резать"), QString(), nullptr,
            standard(QKeySequence::Cut), [editor] { editor->cut(); }, {edit}),
        Row("copyAction", tr("&Копировать"), QString(), nullptr,
            standard(QKeySequence::Copy), [editor] { editor->copy(); }, {edit}),
        Row("pasteAction", tr("Вст&авить"), QString(), nullptr,
            standard(QKeySequence::Paste), [editor] { editor->paste(); }, {edit}),
        ActionTable::separator({edit}),
        Row("selectAllAction", tr("Выделить &все"), QString(), nullptr,
            standard(QKeySequence::SelectAll), [editor] { editor->selectAll(); }, {edit}),
        ActionTable::separator({edit}),
        Row("findAction", tr("&Найти..."), tr("Найти..."), nullptr,
            keys(tr("Ctrl+F")), [this] { editorAids->openFindBar(); }, {window, edit}),
        Row("goToLineAction", tr("Перейти к &строке..."), tr("Перейти к строке..."), nullptr,
            keys(tr("Ctrl+G")), [this] { editorAids->askGoToLine(); }, {window, edit}),

        Row("compileAction", tr("&Скомпилировать"), tr("Скомпилировать"), "root-terminal.png",
            keys(tr("F7")), [this] { checkText(); }, {program, programBar}),
        Row("runAction", tr("Про&гон программы"), tr("Выполнить программу на ее операндах и показать график"),
            nullptr, keys(tr("Ctrl+R")), [this] { showProgramRun(); }, {program}),
        ActionTable::separator({program}),
        Row("nextErrorAction", tr("Следующая о&шибка"), tr("Следующая ошибка"), nullptr,
            keys(tr("F8")), [this] { editorAids->goToDiagnostic(true); }, {window, program}),
        Row("previousErrorAction", tr("&Предыдущая ошибка"), tr("Предыдущая ошибка"), nullptr,
            keys(tr("Shift+F8")), [this] { editorAids->goToDiagnostic(false); }, {window, program}),

        Row("connectAction", tr("&Подключить"), tr("Подключить прибор"), "connect.png",
            keys(tr("F5")), [this] { OpenPort(); }, {device, bar}),
        Row("disconnectAction", tr("&Отключить"), tr("Отключить прибор"), "disconnect.png",
            keys(tr("Shift+F5")), [this] { ClosePort(); }, {device, bar}),
        ActionTable::separator({device, bar}),
        ActionTable::widget(controls->portLabel(), {bar}),
        ActionTable::widget(controls->portBox(), {bar}),
        ActionTable::separator({bar}),
        ActionTable::widget(controls->slaveIdLabel(), {bar}),
        ActionTable::widget(controls->slaveIdBox(), {bar}),
        Row("writeAction", tr("&Записать в прибор"), tr("Записать в прибор"), "receive.png",
            keys(tr("F6")), [this] { SaveLineToDevice(); }, {device, programBar}),
        Row("readAction", tr("С&читать из прибора"), tr("Считать из прибора"), "outbox.png",
            keys(tr("F9")), [this] { ReadLineFromDevice(); }, {device, programBar}),
        ActionTable::separator({programBar}),
        ActionTable::widget(controls->cellLabel(), {programBar}),
        ActionTable::widget(controls->cellBox(), {programBar}),
        Row("compareAction", tr("С&равнить с прибором"), tr("Сравнить программу в редакторе с ячейкой прибора"),
            "outbox.png", keys(tr("Shift+F9")), [this] { CompareWithDevice(); }, {device}),
        Row("verifyAction", tr("Про&верять после записи"), tr("После записи считать ячейку и сравнить с записанным"),
            nullptr, {}, nullptr, {device}).checkable(),
        Row("limitsAction", tr("Пре&делы операндов…"), tr("Что выдерживает стенд: пределы операндов для проверки перед записью"),
            nullptr, {}, [this] { openLimitsDialog(); }, {device}),
        Row("exchangeLogAction", tr("&Журнал обмена"), tr("Кадры и события обмена с прибором"), nullptr,
            keys(tr("Ctrl+L")), [this] { exchangeLog->toggle(); }, {window, device}),
        ActionTable::separator({device}),
        Row("cancelAction", tr("Пр&ервать"), tr("Прервать обмен с прибором после текущего запроса"), nullptr,
            {QKeySequence(Qt::Key_Escape)}, [this] { CancelTransfer(); }, {window, device}),

        // F10 opens the menu bar's first menu, from where the arrows reach every command.
        Row("menuBarAction", tr("Меню"), QString(), nullptr, keys(tr("F10")),
            [menus] { menus->setActiveAction(menus->actions().value(0)); }, {window}),

        Row("languageHelpAction", tr("&Язык программ"), tr("Операторы языка программ и пример"), nullptr,
            keys(tr("F1")), [this] { LanguageHelp::show(this, [this] { openExample(); }); }, {help}),
        Row("aboutAction", tr("&О программе"), tr("О программе"), "about.png",
            {}, [this] { About(); }, {help}),
    });
    // clang-format on
    document->setRecentFilesMenu(recentFilesMenu);
    languageMenu = new LanguageMenu(settings.get(), this);
    languageMenu->setDialogs(dialogs.get());
    ui->menuHelp->insertMenu(action("aboutAction"), languageMenu);

    QAction *undo = action("undoAction");
    QAction *redo = action("redoAction");
    connect(editor, &QTextEdit::undoAvailable, undo, &QAction::setEnabled);
    connect(editor, &QTextEdit::redoAvailable, redo, &QAction::setEnabled);
    undo->setEnabled(editor->document()->isUndoAvailable());
    redo->setEnabled(editor->document()->isRedoAvailable());
    for (QAction *selectionAction : {action("cutAction"), action("copyAction")}) {
        connect(editor, &QTextEdit::copyAvailable, selectionAction, &QAction::setEnabled);
        selectionAction->setEnabled(editor->textCursor().hasSelection());
    }
    connect(action("verifyAction"), &QAction::toggled, this,
            [this](bool on) { settings->setValue(SettingsKeys::VerifyAfterWrite, on); });
}

void MainWindow::createStatusBar()
{
    // The window's edge resizes it; a grip would only take room from the texts.
    statusBar()->setSizeGripEnabled(false);
    // The connection and a transfer's progress, time left and «Прервать» share one area of fixed
    // width, so that neither a long port path nor a transfer widens the window: the connection
    // has all of it while no transfer runs, and what the transfer leaves while one does.
    auto *statusArea = new QWidget(this);
    statusArea->setObjectName(QStringLiteral("statusArea"));
    auto *layout = new QHBoxLayout(statusArea);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    // The port path is elided in the middle: its start and its end tell ports apart.
    connectionLabel = new ElidedLabel(Qt::ElideMiddle, statusArea);
    connectionLabel->setObjectName(QStringLiteral("connectionLabel"));
    // «Нет связи» stays whole; a long path gives way.
    connectionLabel->setShortestText(tr("Нет связи"));
    layout->addWidget(connectionLabel, 1);
    transferProgress = new QProgressBar(statusArea);
    transferProgress->setObjectName(QStringLiteral("transferProgress"));
    transferProgress->setFixedWidth(ProgressWidth);
    // Requests done of the total, short enough for the narrow bar.
    transferProgress->setFormat(tr("%v/%m"));
    timeLeftLabel = new ElidedLabel(Qt::ElideRight, statusArea);
    timeLeftLabel->setObjectName(QStringLiteral("transferTimeLeft"));
    timeLeftLabel->setFixedWidth(
        timeLeftLabel->fontMetrics().horizontalAdvance(tr("осталось %1 с").arg(59)) +
        timeLeftLabel->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    auto *cancel = new QToolButton(statusArea);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setDefaultAction(action("cancelAction"));
    cancel->setToolButtonStyle(Qt::ToolButtonTextOnly);
    cancelButton = cancel;
    for (QWidget *part : {static_cast<QWidget *>(transferProgress),
                          static_cast<QWidget *>(timeLeftLabel), cancelButton})
        layout->addWidget(part);
    // Measured with every part at its full size and the connection at its shortest.
    connectionLabel->setText(tr("Нет связи"));
    statusArea->setFixedWidth(statusArea->sizeHint().width());
    for (QWidget *part : {static_cast<QWidget *>(transferProgress),
                          static_cast<QWidget *>(timeLeftLabel), cancelButton})
        part->hide();
    statusBar()->addPermanentWidget(statusArea);
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
    const bool open = connection->isOpen();
    const bool idle = !transferRunning;
    action("connectAction")->setEnabled(!open);
    action("disconnectAction")->setEnabled(open);
    controls->portBox()->setEnabled(!open);
    action("compileAction")->setEnabled(idle);
    action("writeAction")->setEnabled(open && idle);
    action("readAction")->setEnabled(open && idle);
    action("compareAction")->setEnabled(open && idle);
    action("cancelAction")->setEnabled(!idle);
    connectionLabel->setText(
        open ? tr("Подключено: %1, 9600 8N1").arg(controls->portBox()->currentText())
             : tr("Нет связи"));
    // The full path even where the label shows it shortened.
    connectionLabel->setToolTip(open ? controls->portBox()->currentText() : QString());
    // The box is locked while open, so it names the connected port. The list is read again
    // only while the user may pick another port.
    controls->portBox()->setFollowing(!open);
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
    ui->textEdit->document()->setModified(false);
    document->markUnchangedByUser();
    ui->plainTextEdit->clear();
    instructions.clear();
}

void MainWindow::openExample()
{
    if (!document->maybeSave())
        return;
    startProgram(LanguageHelp::example());
    // A new document: Save asks for a name rather than write the example over the open file.
    document->setFilePath(QString());
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
    return connection->port();
}

void MainWindow::OpenPort()
{
    if (connection->open(controls->portBox()->currentText())) {
        controls->rememberPort();
    } else {
        dialogs->critical(this, tr("Error"), tr("Не удается открыть порт"),
                          connection->failure().text());
    }
    applyState();
}

void MainWindow::ClosePort()
{
    connection->close();
    applyState();
}

void MainWindow::onPortLost()
{
    // The guard has closed the port; a transfer under way fails on its next request at once
    // and says so after its last line.
    if (transferRunning)
        portLostInTransfer = true;
    else
        appendPane(TransferWording::lostLine());
    ClosePort();
}

void MainWindow::finishTransfer()
{
    // A port closed during the transfer (Disconnect, a lost line) ends it Not connected.
    transferRunning = false;
    activeTransfer = nullptr;
    portLostInTransfer = false;
    transferProgress->hide();
    timeLeftLabel->hide();
    cancelButton->hide();
    applyState();
    if (closePending) {
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A close put off until a transfer ended has had its answer already: ask only once.
    const bool confirmed = std::exchange(closePending, false);
    if (!confirmed && !document->maybeSave()) {
        event->ignore();
        return;
    }
    if (transferRunning) {
        // Closing at once would leave the cell half written without a word: ask, then stop the
        // transfer after the request on the line; it reports what the cell holds, then closes.
        event->ignore();
        if (dialogs->askStopTransfer(this, tr("Закрыть окно"),
                                     tr("Идёт обмен с прибором. Прервать и закрыть окно?"))) {
            closePending = true;
            CancelTransfer();
        }
        return;
    }
    saveLayout();
    event->accept();
}
