#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "compiler.h"
#include "devicelink.h"
#include "highlighter.h"
#include "portguard.h"
#include "reportpanelinks.h"
#include "userdialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSpinBox>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>

#include <utility>

namespace {

constexpr int ToolbarIconSize = 32;
constexpr int LabelMinimumWidth = 60;
constexpr int CellLabelMinimumWidth = 50;
constexpr int ControlHeight = 30;
constexpr int PortBoxWidth = 60;
constexpr int SlaveIdBoxWidth = 50;
constexpr int MaxSlaveId = 255;
constexpr int BoldWeight = 75;

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

    port = new QSerialPort(this);
    link = std::make_unique<DeviceLink>(port);
    // A pulled adapter or a vanished line end floods the port with errors: close it once.
    auto *guard = new PortGuard(port, this);
    connect(guard, &PortGuard::portLost, this, &MainWindow::onPortLost);

    portLabel = new QLabel(this);
    portComboBox = new QComboBox(this);
    programToolBar = new QToolBar(this);
    settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("Brisca"), QStringLiteral("KV2050RB1"));

    operandCodes = Language::operandCodes();
    compareCodes = Language::compareCodes();

    highlighter = new Highlighter(ui->textEdit->document());

    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        portComboBox->addItem(info.portName());
    // Pseudo-terminals and network bridges are not listed: the name may be typed as well.
    portComboBox->setEditable(true);
    portComboBox->setInsertPolicy(QComboBox::NoInsert);

    slaveIdLabel = new QLabel(this);
    slaveIdSpinBox = new QSpinBox(this);
    slaveIdSpinBox->setMaximum(MaxSlaveId);
    slaveIdSpinBox->setMinimum(0);
    cellLabel = new QLabel(this);
    cellComboBox = new QComboBox(this);
    cellComboBox->addItems(
        {QStringLiteral(" 1"), QStringLiteral(" 2"), QStringLiteral(" 3"), QStringLiteral(" 4")});

    QFont bold = portLabel->font();
    bold.setWeight(BoldWeight);
    const auto setUpLabel = [&bold](QLabel *label, const QString &text, int minimumWidth) {
        label->setText(text);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setFont(bold);
        label->setMinimumWidth(minimumWidth);
    };
    setUpLabel(portLabel, tr("  Номер\n  порта"), LabelMinimumWidth);
    setUpLabel(slaveIdLabel, tr(" Slave ID"), LabelMinimumWidth);
    setUpLabel(cellLabel, tr("Ячейка\nпамяти"), CellLabelMinimumWidth);
    portComboBox->setFixedWidth(PortBoxWidth);
    portComboBox->setFixedHeight(ControlHeight);
    slaveIdSpinBox->setFixedWidth(SlaveIdBoxWidth);
    slaveIdSpinBox->setFixedHeight(ControlHeight);
    cellComboBox->setFixedHeight(ControlHeight);

    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, programToolBar);

    createActions();
    setUpEditor();
    NewFile();
    writeAction->setEnabled(false);
    readAction->setEnabled(false);

    connect(ui->textEdit, &QTextEdit::textChanged, this, &MainWindow::TextChanges);
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
    connect(connectAction, &QAction::triggered, this, &MainWindow::OpenPort);
    disconnectAction = makeAction(QStringLiteral("disconnectAction"), tr("Отключить"),
                                  QStringLiteral("disconnect.png"), tr("Отключить прибор"));
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
    connect(saveAsAction, &QAction::triggered, this, &MainWindow::SaveAsFile);
    compileAction = makeAction(QStringLiteral("compileAction"), tr("Скомпилировать"),
                               QStringLiteral("root-terminal.png"), tr("Скомпилировать"));
    compileAction->setShortcut(QKeySequence(tr("F7")));
    connect(compileAction, &QAction::triggered, this, &MainWindow::checkText);
    writeAction = makeAction(QStringLiteral("writeAction"), tr("Записать в прибор"),
                             QStringLiteral("receive.png"), tr("Записать в прибор"));
    connect(writeAction, &QAction::triggered, this, &MainWindow::SaveLineToDevice);
    readAction = makeAction(QStringLiteral("readAction"), tr("Считать из прибора"),
                            QStringLiteral("outbox.png"), tr("Считать из прибора"));
    connect(readAction, &QAction::triggered, this, &MainWindow::ReadLineFromDevice);
    newAction = makeAction(QStringLiteral("newAction"), tr("Создать файл"),
                           QStringLiteral("Actions-document-new-icon.png"), tr("Создать файл"));
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

    connectAction->setEnabled(true);
    disconnectAction->setEnabled(false);
}

void MainWindow::setTransferActionsEnabled(bool enabled)
{
    readAction->setEnabled(enabled);
    writeAction->setEnabled(enabled);
    compileAction->setEnabled(enabled);
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
        tr("<h2>Quorvel 1.1</h2>Программа предначена для совместного функционирования\n"
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
    if (port->open(QIODevice::ReadWrite)) {
        DeviceLink::applyLineSettings(*port);
        connectAction->setEnabled(false);
        disconnectAction->setEnabled(true);
        portComboBox->setEnabled(false);
        writeAction->setEnabled(true);
        readAction->setEnabled(true);
    } else {
        port->close();
        dialogs->critical(this, tr("Error"), tr("Не удается открыть порт"));
    }
}

void MainWindow::ClosePort()
{
    if (port->isOpen())
        port->close();
    connectAction->setEnabled(true);
    disconnectAction->setEnabled(false);
    portComboBox->setEnabled(true);
    writeAction->setEnabled(false);
    readAction->setEnabled(false);
}

void MainWindow::onPortLost()
{
    // The guard has closed the port; a transfer under way fails on its next request at once.
    ClosePort();
}

void MainWindow::finishTransfer()
{
    setTransferActionsEnabled(true);
    // A port closed during the transfer (Disconnect, a lost line) left the Not connected
    // state: Write and Read must not stand enabled beside an enabled Connect.
    if (!port->isOpen()) {
        writeAction->setEnabled(false);
        readAction->setEnabled(false);
    }
    transferRunning = false;
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
    event->accept();
}
