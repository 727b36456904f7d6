#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "compiler.h"
#include "devicelink.h"
#include "highlighter.h"
#include "languagehelp.h"
#include "portguard.h"
#include "programtransfer.h"
#include "reportpanelinks.h"
#include "userdialogs.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QComboBox>
#include <QKeySequence>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <utility>

namespace {

constexpr int ToolbarIconSize = 32;
constexpr int LabelMinimumWidth = 60;
constexpr int CellLabelMinimumWidth = 50;
constexpr int ControlHeight = 30;
// The port box shows a name this long in full.
constexpr char LongPortName[] = "/dev/ttyUSB10";
constexpr int ProgressWidth = 160;
constexpr int SlaveIdBoxWidth = 50;
constexpr int MaxSlaveId = DeviceProtocol::MaxSlaveId;
// The output pane's height at first start; the splitter gives the rest to the editor.
constexpr int PaneStartHeight = 120;
constexpr int EditorStartHeight = 400;
constexpr int HelpWidth = 640;
constexpr int HelpHeight = 560;

// The window's layout between runs.
constexpr char GeometryKey[] = "geometry";
constexpr char WindowStateKey[] = "windowState";
constexpr char SplitterKey[] = "splitter";
// The device controls and the check after a write, between runs.
constexpr char PortKey[] = "device/port";
constexpr char SlaveIdKey[] = "device/slaveId";
constexpr char CellKey[] = "device/cell";
constexpr char VerifyKey[] = "device/verifyAfterWrite";

// The port box reads the port list again each time it opens.
class PortComboBox : public QComboBox
{
public:
    using QComboBox::QComboBox;
    std::function<void()> aboutToShowPopup;

    void showPopup() override
    {
        if (aboutToShowPopup)
            aboutToShowPopup();
        QComboBox::showPopup();
    }
};

QString portToolTip(const MainWindow::PortEntry &entry)
{
    const auto orDash = [](const QString &text) {
        return text.isEmpty() ? QStringLiteral("—") : text;
    };
    return MainWindow::tr("%1\nОписание: %2\nПроизводитель: %3\nСерийный номер: %4")
        .arg(entry.location, orDash(entry.description), orDash(entry.manufacturer),
             orDash(entry.serialNumber));
}

QList<MainWindow::PortEntry> systemPorts()
{
    QList<MainWindow::PortEntry> entries;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        entries.append({info.portName(), info.systemLocation(), info.description(),
                        info.manufacturer(), info.serialNumber()});
    }
    return entries;
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

    port = new QSerialPort(this);
    link = std::make_unique<DeviceLink>(port);
    // A pulled adapter or a vanished line end floods the port with errors: close it once.
    auto *guard = new PortGuard(port, this);
    connect(guard, &PortGuard::portLost, this, &MainWindow::onPortLost);

    portLabel = new QLabel(this);
    auto *portBox = new PortComboBox(this);
    portBox->aboutToShowPopup = [this] { refreshPorts(); };
    portComboBox = portBox;
    portComboBox->setObjectName(QStringLiteral("portComboBox"));
    programToolBar = new QToolBar(this);
    // saveState() finds toolbars by name.
    programToolBar->setObjectName(QStringLiteral("programToolBar"));
    settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("Brisca"), QStringLiteral("KV2050RB1"));

    operandCodes = Language::operandCodes();
    compareCodes = Language::compareCodes();

    highlighter = new Highlighter(ui->textEdit->document());

    // Pseudo-terminals and network bridges are not listed: the name may be typed as well.
    portComboBox->setEditable(true);
    portComboBox->setInsertPolicy(QComboBox::NoInsert);
    portSource = systemPorts;
    refreshPorts();
    portRefreshTimer = new QTimer(this);
    portRefreshTimer->setInterval(PortRefreshMs);
    connect(portRefreshTimer, &QTimer::timeout, this, &MainWindow::refreshPorts);

    slaveIdLabel = new QLabel(this);
    slaveIdSpinBox = new QSpinBox(this);
    slaveIdSpinBox->setMaximum(MaxSlaveId);
    slaveIdSpinBox->setMinimum(0);
    cellLabel = new QLabel(this);
    cellComboBox = new QComboBox(this);
    cellComboBox->addItems(
        {QStringLiteral(" 1"), QStringLiteral(" 2"), QStringLiteral(" 3"), QStringLiteral(" 4")});

    QFont bold = portLabel->font();
    bold.setWeight(QFont::Bold);
    const auto setUpLabel = [&bold](QLabel *label, const QString &text, int minimumWidth) {
        label->setText(text);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setFont(bold);
        label->setMinimumWidth(minimumWidth);
    };
    setUpLabel(portLabel, tr("  Номер\n  порта"), LabelMinimumWidth);
    setUpLabel(slaveIdLabel, tr(" Slave ID"), LabelMinimumWidth);
    setUpLabel(cellLabel, tr("Ячейка\nпамяти"), CellLabelMinimumWidth);
    portComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // The length is counted in the widest letter's width: enough of them to hold the long name,
    // and no more, so the Slave ID box still fits beside it.
    const QFontMetrics portMetrics(portComboBox->font());
    portComboBox->setMinimumContentsLength(
        (portMetrics.horizontalAdvance(QLatin1String(LongPortName)) +
         portMetrics.horizontalAdvance(QLatin1Char('X')) - 1) /
        portMetrics.horizontalAdvance(QLatin1Char('X')));
    portComboBox->setFixedHeight(ControlHeight);
    slaveIdSpinBox->setFixedWidth(SlaveIdBoxWidth);
    slaveIdSpinBox->setFixedHeight(ControlHeight);
    cellComboBox->setFixedHeight(ControlHeight);

    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, programToolBar);

    createActions();
    setUpEditor();
    createMenus();
    setUpProgramRun();
    connect(ui->textEdit->document(), &QTextDocument::modificationChanged, this,
            &QWidget::setWindowModified);
    NewFile();
    setCurrentFile(QString());
    applyState();

    connect(ui->textEdit, &QTextEdit::textChanged, this, &MainWindow::TextChanges);
    restoreLayout();
    restoreDeviceSettings();
}

MainWindow::~MainWindow() = default;

void MainWindow::setDialogs(std::unique_ptr<UserDialogs> replacement)
{
    dialogs = std::move(replacement);
}

QTextEdit *MainWindow::editor() const
{
    return ui->textEdit;
}

QPlainTextEdit *MainWindow::outputPane() const
{
    return ui->plainTextEdit;
}

QAction *MainWindow::makeAction(const QString &objectName, const QString &text, const QString &icon,
                                const QString &statusTip)
{
    auto *action = new QAction(QIcon(QStringLiteral(":/new/prefix1/rec/") + icon), text, this);
    action->setObjectName(objectName);
    action->setStatusTip(statusTip);
    return action;
}

void MainWindow::createActions()
{
    connectAction = makeAction(QStringLiteral("connectAction"), tr("Подключить"),
                               QStringLiteral("connect.png"), tr("Подключить прибор"));
    connectAction->setShortcut(QKeySequence(tr("F5")));
    connect(connectAction, &QAction::triggered, this, &MainWindow::OpenPort);
    disconnectAction = makeAction(QStringLiteral("disconnectAction"), tr("Отключить"),
                                  QStringLiteral("disconnect.png"), tr("Отключить прибор"));
    disconnectAction->setShortcut(QKeySequence(tr("Shift+F5")));
    connect(disconnectAction, &QAction::triggered, this, &MainWindow::ClosePort);
    aboutAction = makeAction(QStringLiteral("aboutAction"), tr("О программе"),
                             QStringLiteral("about.png"), tr("О программе"));
    connect(aboutAction, &QAction::triggered, this, &MainWindow::About);

    ui->mainToolBar->addAction(connectAction);
    ui->mainToolBar->addAction(disconnectAction);
    ui->mainToolBar->addSeparator();
    ui->mainToolBar->addWidget(portLabel);
    ui->mainToolBar->addWidget(portComboBox);
    ui->mainToolBar->addSeparator();
    ui->mainToolBar->addWidget(slaveIdLabel);
    ui->mainToolBar->addWidget(slaveIdSpinBox);
    ui->mainToolBar->addSeparator();
    ui->mainToolBar->addSeparator();
    ui->mainToolBar->addAction(aboutAction);

    openAction = makeAction(QStringLiteral("openAction"), tr("Открыть файл"),
                            QStringLiteral("open.png"), tr("Открыть файл"));
    openAction->setShortcut(QKeySequence(tr("Ctrl+O")));
    connect(openAction, &QAction::triggered, this, &MainWindow::OpenFile);
    saveAction = makeAction(QStringLiteral("saveAction"), tr("Сохранить файл"),
                            QStringLiteral("save.png"), tr("Сохранить файл"));
    saveAction->setShortcut(QKeySequence(tr("Ctrl+S")));
    connect(saveAction, &QAction::triggered, this, &MainWindow::SaveFile);
    saveAsAction = makeAction(QStringLiteral("saveAsAction"), tr("Сохранить как ..."),
                              QStringLiteral("SaveAs2.png"), tr("Сохранить как ..."));
    saveAsAction->setShortcut(QKeySequence(tr("Ctrl+Shift+S")));
    connect(saveAsAction, &QAction::triggered, this, &MainWindow::SaveAsFile);
    compileAction = makeAction(QStringLiteral("compileAction"), tr("Скомпилировать"),
                               QStringLiteral("root-terminal.png"), tr("Скомпилировать"));
    compileAction->setShortcut(QKeySequence(tr("F7")));
    connect(compileAction, &QAction::triggered, this, &MainWindow::checkText);
    writeAction = makeAction(QStringLiteral("writeAction"), tr("Записать в прибор"),
                             QStringLiteral("receive.png"), tr("Записать в прибор"));
    writeAction->setShortcut(QKeySequence(tr("F6")));
    connect(writeAction, &QAction::triggered, this, &MainWindow::SaveLineToDevice);
    readAction = makeAction(QStringLiteral("readAction"), tr("Считать из прибора"),
                            QStringLiteral("outbox.png"), tr("Считать из прибора"));
    readAction->setShortcut(QKeySequence(tr("F9")));
    connect(readAction, &QAction::triggered, this, &MainWindow::ReadLineFromDevice);
    compareAction = makeAction(QStringLiteral("compareAction"), tr("Сравнить с прибором"),
                               QStringLiteral("outbox.png"),
                               tr("Сравнить программу в редакторе с ячейкой прибора"));
    compareAction->setShortcut(QKeySequence(tr("Shift+F9")));
    connect(compareAction, &QAction::triggered, this, &MainWindow::CompareWithDevice);
    verifyAction = new QAction(tr("Проверять после записи"), this);
    verifyAction->setObjectName(QStringLiteral("verifyAction"));
    verifyAction->setStatusTip(tr("После записи считать ячейку и сравнить с записанным"));
    verifyAction->setCheckable(true);
    connect(verifyAction, &QAction::toggled, this,
            [this](bool on) { settings->setValue(QLatin1String(VerifyKey), on); });
    cancelAction = new QAction(tr("Прервать"), this);
    cancelAction->setObjectName(QStringLiteral("cancelAction"));
    cancelAction->setStatusTip(tr("Прервать обмен с прибором после текущего запроса"));
    cancelAction->setShortcut(QKeySequence(Qt::Key_Escape));
    cancelAction->setShortcutContext(Qt::WindowShortcut);
    connect(cancelAction, &QAction::triggered, this, &MainWindow::CancelTransfer);
    // A window shortcut works only when the window holds the action.
    addAction(cancelAction);

    // The status bar: the connection on the left, a transfer's progress beside its cancel.
    connectionLabel = new QLabel(this);
    connectionLabel->setObjectName(QStringLiteral("connectionLabel"));
    statusBar()->addPermanentWidget(connectionLabel);
    transferProgress = new QProgressBar(this);
    transferProgress->setObjectName(QStringLiteral("transferProgress"));
    transferProgress->setFixedWidth(ProgressWidth);
    transferProgress->setFormat(tr("%v из %m"));
    timeLeftLabel = new QLabel(this);
    timeLeftLabel->setObjectName(QStringLiteral("transferTimeLeft"));
    auto *cancel = new QToolButton(this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setDefaultAction(cancelAction);
    cancel->setToolButtonStyle(Qt::ToolButtonTextOnly);
    cancelButton = cancel;
    statusBar()->addPermanentWidget(transferProgress);
    statusBar()->addPermanentWidget(timeLeftLabel);
    statusBar()->addPermanentWidget(cancelButton);
    transferProgress->hide();
    timeLeftLabel->hide();
    cancelButton->hide();

    newAction = makeAction(QStringLiteral("newAction"), tr("Создать файл"),
                           QStringLiteral("Actions-document-new-icon.png"), tr("Создать файл"));
    newAction->setShortcut(QKeySequence(tr("Ctrl+N")));
    connect(newAction, &QAction::triggered, this, &MainWindow::NewFile);

    programToolBar->addAction(newAction);
    programToolBar->addAction(openAction);
    programToolBar->addAction(saveAction);
    programToolBar->addAction(saveAsAction);
    programToolBar->addSeparator();
    programToolBar->addAction(compileAction);
    programToolBar->addAction(writeAction);
    programToolBar->addAction(readAction);
    programToolBar->addSeparator();
    programToolBar->addWidget(cellLabel);
    programToolBar->addWidget(cellComboBox);

    ui->mainToolBar->setIconSize(QSize(ToolbarIconSize, ToolbarIconSize));
    programToolBar->setIconSize(QSize(ToolbarIconSize, ToolbarIconSize));
}

void MainWindow::createMenus()
{
    // The menus hold the toolbar's own actions, so enabling one shows in both places. A further
    // command is one addAction() on the menu it belongs to.
    recentFilesMenu = new QMenu(tr("Недавние файлы"), this);
    recentFilesMenu->setObjectName(QStringLiteral("menuRecentFiles"));
    quitAction = new QAction(tr("Выход"), this);
    quitAction->setObjectName(QStringLiteral("quitAction"));
    quitAction->setShortcut(QKeySequence(tr("Ctrl+Q")));
    quitAction->setStatusTip(tr("Закрыть программу"));
    connect(quitAction, &QAction::triggered, this, &QWidget::close);

    ui->menuFile->addAction(newAction);
    ui->menuFile->addAction(openAction);
    ui->menuFile->addMenu(recentFilesMenu);
    ui->menuFile->addSeparator();
    ui->menuFile->addAction(saveAction);
    ui->menuFile->addAction(saveAsAction);
    ui->menuFile->addSeparator();
    ui->menuFile->addAction(quitAction);
    updateRecentFilesMenu();

    // The editing commands act on the program editor; its own keys do the same.
    QTextEdit *editor = ui->textEdit;
    const auto editAction = [this](const char *name, const QString &text,
                                   QKeySequence::StandardKey key) {
        auto *action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        // Every binding of the platform, e.g. both Ctrl+Shift+Z and Ctrl+Y for redo.
        action->setShortcuts(key);
        ui->menuEdit->addAction(action);
        return action;
    };
    QAction *undo = editAction("undoAction", tr("Отменить"), QKeySequence::Undo);
    QAction *redo = editAction("redoAction", tr("Повторить"), QKeySequence::Redo);
    ui->menuEdit->addSeparator();
    QAction *cut = editAction("cutAction", tr("Вырезать"), QKeySequence::Cut);
    QAction *copy = editAction("copyAction", tr("Копировать"), QKeySequence::Copy);
    QAction *paste = editAction("pasteAction", tr("Вставить"), QKeySequence::Paste);
    ui->menuEdit->addSeparator();
    QAction *selectAll = editAction("selectAllAction", tr("Выделить все"), QKeySequence::SelectAll);
    ui->menuEdit->addSeparator();
    ui->menuEdit->addAction(findAction);
    ui->menuEdit->addAction(goToLineAction);
    connect(undo, &QAction::triggered, editor, &QTextEdit::undo);
    connect(redo, &QAction::triggered, editor, &QTextEdit::redo);
    connect(cut, &QAction::triggered, editor, &QTextEdit::cut);
    connect(copy, &QAction::triggered, editor, &QTextEdit::copy);
    connect(paste, &QAction::triggered, editor, &QTextEdit::paste);
    connect(selectAll, &QAction::triggered, editor, &QTextEdit::selectAll);
    connect(editor, &QTextEdit::undoAvailable, undo, &QAction::setEnabled);
    connect(editor, &QTextEdit::redoAvailable, redo, &QAction::setEnabled);
    connect(editor, &QTextEdit::copyAvailable, cut, &QAction::setEnabled);
    connect(editor, &QTextEdit::copyAvailable, copy, &QAction::setEnabled);
    undo->setEnabled(editor->document()->isUndoAvailable());
    redo->setEnabled(editor->document()->isRedoAvailable());
    cut->setEnabled(editor->textCursor().hasSelection());
    copy->setEnabled(editor->textCursor().hasSelection());

    ui->menuProgram->addAction(compileAction);
    ui->menuProgram->addSeparator();
    ui->menuProgram->addAction(nextErrorAction);
    ui->menuProgram->addAction(previousErrorAction);

    ui->menuDevice->addAction(connectAction);
    ui->menuDevice->addAction(disconnectAction);
    ui->menuDevice->addSeparator();
    ui->menuDevice->addAction(writeAction);
    ui->menuDevice->addAction(readAction);
    ui->menuDevice->addAction(compareAction);
    ui->menuDevice->addAction(verifyAction);
    ui->menuDevice->addSeparator();
    ui->menuDevice->addAction(cancelAction);

    languageHelpAction = new QAction(tr("Язык программ"), this);
    languageHelpAction->setObjectName(QStringLiteral("languageHelpAction"));
    languageHelpAction->setShortcut(QKeySequence(tr("F1")));
    languageHelpAction->setStatusTip(tr("Операторы языка программ и пример"));
    connect(languageHelpAction, &QAction::triggered, this, &MainWindow::showLanguageHelp);
    ui->menuHelp->addAction(languageHelpAction);
    ui->menuHelp->addAction(aboutAction);
}

void MainWindow::showLanguageHelp()
{
    auto *help = findChild<QTextBrowser *>(QStringLiteral("languageHelp"));
    if (!help) {
        // A window of its own, not modal: the user writes the program while reading it.
        help = new QTextBrowser(this);
        help->setObjectName(QStringLiteral("languageHelp"));
        help->setWindowFlags(Qt::Window);
        help->setWindowTitle(tr("Язык программ — Quorvel"));
        help->resize(HelpWidth, HelpHeight);
        help->setHtml(LanguageHelp::html());
    }
    help->show();
    help->raise();
    help->activateWindow();
}

void MainWindow::restoreLayout()
{
    restoreGeometry(settings->value(QLatin1String(GeometryKey)).toByteArray());
    restoreState(settings->value(QLatin1String(WindowStateKey)).toByteArray());
}

void MainWindow::showEvent(QShowEvent *event)
{
    // Restored before the window had its size, the heights would be stretched to fit it.
    if (!std::exchange(splitterRestored, true))
        ui->splitter->restoreState(settings->value(QLatin1String(SplitterKey)).toByteArray());
    QMainWindow::showEvent(event);
}

void MainWindow::saveLayout()
{
    settings->setValue(QLatin1String(GeometryKey), saveGeometry());
    settings->setValue(QLatin1String(WindowStateKey), saveState());
    settings->setValue(QLatin1String(SplitterKey), ui->splitter->saveState());
    settings->sync();
}

void MainWindow::applyState()
{
    // Not connected, Connected, or a transfer running: the port decides the device controls,
    // a running transfer holds back every action that would start another or change the program
    // it works from.
    const bool open = port->isOpen();
    const bool idle = !transferRunning;
    connectAction->setEnabled(!open);
    disconnectAction->setEnabled(open);
    portComboBox->setEnabled(!open);
    compileAction->setEnabled(idle);
    writeAction->setEnabled(open && idle);
    readAction->setEnabled(open && idle);
    compareAction->setEnabled(open && idle);
    cancelAction->setEnabled(!idle);
    connectionLabel->setText(open ? tr("Подключено: %1, 9600 8N1").arg(portComboBox->currentText())
                                  : tr("Нет связи"));
    // The box is locked while open, so it names the connected port. The list is read again
    // only while the user may pick another port.
    if (open)
        portRefreshTimer->stop();
    else if (!portRefreshTimer->isActive())
        portRefreshTimer->start();
}

void MainWindow::setPortSource(PortSource source)
{
    portSource = std::move(source);
    refreshPorts();
}

void MainWindow::refreshPorts()
{
    if (port->isOpen() || !portSource)
        return;
    // The open list is read when it opens, not changed under the user's pointer.
    if (portComboBox->view()->isVisible())
        return;
    const QList<PortEntry> entries = portSource();
    QStringList names;
    QStringList tips;
    for (const PortEntry &entry : entries) {
        names << entry.name;
        tips << portToolTip(entry);
    }
    QStringList shownNames;
    QStringList shownTips;
    for (int i = 0; i < portComboBox->count(); ++i) {
        shownNames << portComboBox->itemText(i);
        shownTips << portComboBox->itemData(i, Qt::ToolTipRole).toString();
    }
    // An unchanged list leaves the box alone, so a path being typed is not disturbed.
    if (names == shownNames && tips == shownTips)
        return;

    QLineEdit *edit = portComboBox->lineEdit();
    const QString text = portComboBox->currentText();
    const int cursor = edit ? edit->cursorPosition() : 0;
    const QSignalBlocker blocker(portComboBox);
    portComboBox->clear();
    for (int i = 0; i < names.size(); ++i) {
        portComboBox->addItem(names.at(i));
        portComboBox->setItemData(i, tips.at(i), Qt::ToolTipRole);
    }
    const int index = portComboBox->findText(text);
    portComboBox->setCurrentIndex(index);
    if (index < 0)
        portComboBox->setEditText(text);
    if (edit)
        edit->setCursorPosition(cursor);
}

void MainWindow::restoreDeviceSettings()
{
    const QString savedPort = settings->value(QLatin1String(PortKey)).toString();
    if (!savedPort.isEmpty()) {
        const int index = portComboBox->findText(savedPort);
        portComboBox->setCurrentIndex(index);
        if (index < 0)
            portComboBox->setEditText(savedPort);
    }
    slaveIdSpinBox->setValue(settings->value(QLatin1String(SlaveIdKey), 0).toInt());
    const int cell = settings->value(QLatin1String(CellKey), 0).toInt();
    if (cell >= 0 && cell < cellComboBox->count())
        cellComboBox->setCurrentIndex(cell);
    verifyAction->setChecked(settings->value(QLatin1String(VerifyKey), false).toBool());
    // Remembered as they change: a crash or a killed session keeps them too.
    connect(slaveIdSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this](int value) { settings->setValue(QLatin1String(SlaveIdKey), value); });
    connect(cellComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { settings->setValue(QLatin1String(CellKey), index); });
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
    const CompileResult result = Compiler(highlighter->statementKinds(), operandCodes, compareCodes)
                                     .compile(ui->textEdit->toPlainText());
    instructions = result.instructions;
    programName = result.programName;
    recordLines = result.recordSourceLines;
    compileError = result.ok ? 0 : 1;

    replacePane(result.report.constFirst());
    if (result.report.size() > 1)
        appendPane(result.report.mid(1).join(QLatin1Char('\n')));
    reportLinks->setReport(result.reportSourceLines, result.reportErrorLines);
}

void MainWindow::TextChanges()
{
    saveAction->setEnabled(true);
}

void MainWindow::NewFile()
{
    if (!maybeSave())
        return;
    ui->textEdit->clear();
    // Inserted as plain text: append() would take text that looks like markup for rich text.
    QTextCursor(ui->textEdit->document()).insertText(QStringLiteral("prgName = \"Prg1\";\n"));
    ui->textEdit->document()->setModified(false);
    ui->plainTextEdit->clear();
    instructions.clear();
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

void MainWindow::OpenPort()
{
    port->setPortName(portComboBox->currentText());
    // A port left at another speed would look connected and garble every frame.
    const bool opened = port->open(QIODevice::ReadWrite);
    if (!opened || !DeviceLink::applyLineSettings(*port)) {
        const QSerialPort::SerialPortError error = port->error();
        QString reason = port->errorString();
        port->close();
        // The port reports a lock held by another program as a permission error too: the hint
        // is for a device file this user may not open.
        const QString name = port->portName();
        const QFileInfo device(name.startsWith(QLatin1Char('/')) ? name
                                                                 : QStringLiteral("/dev/") + name);
        if (error == QSerialPort::PermissionError && device.exists() &&
            !(device.isReadable() && device.isWritable())) {
            reason += QLatin1Char('\n') +
                      tr("В Linux доступ к порту дает членство в группе dialout: "
                         "sudo usermod -aG dialout $USER, затем войдите в систему заново.");
        }
        dialogs->critical(this, tr("Error"), tr("Не удается открыть порт"), reason);
    } else {
        settings->setValue(QLatin1String(PortKey), portComboBox->currentText());
    }
    applyState();
}

void MainWindow::ClosePort()
{
    if (port->isOpen())
        port->close();
    applyState();
}

void MainWindow::onPortLost()
{
    // The guard has closed the port; a transfer under way fails on its next request at once.
    if (transferRunning)
        portLostInTransfer = true;
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
    if (!confirmed && !maybeSave()) {
        event->ignore();
        return;
    }
    if (transferRunning) {
        // The transfer's wait runs inside this window's slot: end it first, close afterwards.
        closePending = true;
        ClosePort();
        event->ignore();
        return;
    }
    saveLayout();
    event->accept();
}
