#include "registerdock.h"
#include "transfertexts.h"
#include "windowfixture.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

// The port slots through the window: connect to a typed port path, disconnect, a port that
// cannot be opened, and a line whose other end goes away, idle or in the middle of a transfer.
class TestPort : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void connectAndDisconnect();
    void failedOpenShowsBox_data();
    void failedOpenShowsBox();
    void hangUpWhileIdle_data();
    void hangUpWhileIdle();
    void hangUpDuringTransfer_data();
    void hangUpDuringTransfer();
    void hangUpWhilePolling();
    void portListFollowsAdapters();
    void deviceSettingsRemembered();
};

namespace {

// One wait for a reply; a transfer of a few requests that ends sooner has waited out none.
constexpr int ReplyTimeoutMs = 244;
// The first request after connecting waits this long for a quiet line.
constexpr int QuietStartMs = 244;

} // namespace

void TestPort::initTestCase()
{
    qRegisterMetaType<QSerialPort::SerialPortError>();
    QVERIFY(isolateSettings());
}

void TestPort::init()
{
    openWindow();
}

void TestPort::cleanup()
{
    closeWindow();
}

void TestPort::connectAndDisconnect()
{
    QCOMPARE(states(), NotConnected);

    // The pseudo-terminal is not among the listed ports: its path is typed.
    SimulatorProcess *sim = connectToSimulator({});
    QVERIFY(sim);
    QVERIFY(dialogs->calls.isEmpty());
    QCOMPARE(states(), Connected);
    auto *connection = window->findChild<QLabel *>(QStringLiteral("connectionLabel"));
    QCOMPARE(connection->text(), QStringLiteral("Подключено: %1, 9600 8N1").arg(sim->portPath()));
    QSerialPort *port = window->serialPort();
    QVERIFY(port->isOpen());
    QCOMPARE(port->openMode(), QIODevice::ReadWrite);
    QCOMPARE(port->baudRate(QSerialPort::Input), 9600);
    QCOMPARE(port->baudRate(QSerialPort::Output), 9600);
    QCOMPARE(port->dataBits(), QSerialPort::Data8);
    QCOMPARE(port->parity(), QSerialPort::NoParity);
    QCOMPARE(port->stopBits(), QSerialPort::OneStop);

    // The typed port is the one opened: a read reaches the simulator and is answered.
    QVERIFY(runDeviceAction("readAction"));
    QCOMPARE(paneLines(),
             QStringList({TransferTexts::ReadHeading, QStringLiteral("Нет записей для чтения")}));
    QCOMPARE(sim->requestCount(), 1);
    QCOMPARE(states(), Connected);

    action("disconnectAction")->trigger();
    QCOMPARE(states(), NotConnected);
    QVERIFY(waitUntilDeviceIdle());
    QVERIFY(!port->isOpen());
    QVERIFY(dialogs->calls.isEmpty());

    // The same port opens again after a disconnect.
    QVERIFY(runDeviceAction("connectAction"));
    QCOMPARE(states(), Connected);
    QVERIFY(dialogs->calls.isEmpty());
}

void TestPort::failedOpenShowsBox_data()
{
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("path");
    // The cause in the user's words; the holder as its lock file names it (%app, %pid).
    QTest::addColumn<QString>("reason");
    // The window opens the held port through a symlink, as udev rules name ports.
    QTest::addColumn<bool>("throughLink");
    const QString busy =
        QStringLiteral("Порт занят другой программой (%app, PID %pid): закройте ее "
                       "и подключитесь снова");
    QTest::newRow("port held by another program") << true << QString() << busy << false;
    QTest::newRow("port held by another program, opened through a symlink")
        << true << QString() << busy << true;
    QTest::newRow("no such port")
        << false << QStringLiteral("/dev/pts/quorvel-no-such-port")
        << QStringLiteral("Такого порта нет: проверьте имя порта и подключение адаптера") << false;
}

void TestPort::failedOpenShowsBox()
{
    QFETCH(bool, busy);
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QFETCH(bool, throughLink);

    QSerialPort holder;
    QTemporaryDir links;
    if (busy) {
        const SimulatorProcess *sim = startSimulator({});
        QVERIFY(sim);
        path = sim->portPath();
        holder.setPortName(path);
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    }
    if (throughLink) {
        QVERIFY(links.isValid());
        const QString link = links.filePath(QStringLiteral("ttyBrisca"));
        QVERIFY(QFile::link(path, link));
        path = link;
    }

    window->portBox()->setEditText(path);
    QVERIFY(runDeviceAction("connectAction"));

    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("critical")});
    QCOMPARE(dialogs->calls.constFirst().title, QStringLiteral("Error"));
    QCOMPARE(dialogs->calls.constFirst().text, QStringLiteral("Не удается открыть порт"));
    // The port's own reason below; the group hint only for a device file this user may not open.
    const QString detail = dialogs->calls.constFirst().detail;
    QVERIFY(!detail.isEmpty());
    QVERIFY2(!detail.contains(QStringLiteral("dialout")), qPrintable(detail));
    QCOMPARE(detail, QString(reason)
                         .replace(QStringLiteral("%app"), QCoreApplication::applicationName())
                         .replace(QStringLiteral("%pid"),
                                  QString::number(QCoreApplication::applicationPid())));
    QCOMPARE(states(), NotConnected);
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("connectionLabel"))->text(),
             QStringLiteral("Нет связи"));
    QVERIFY(!window->serialPort()->isOpen());
    // Closing the failed port must leave the other program's port alone.
    if (busy)
        QVERIFY(holder.isOpen());
}

void TestPort::hangUpWhileIdle_data()
{
    QTest::addColumn<bool>("kill");
    QTest::newRow("simulator quits") << false;
    QTest::newRow("simulator killed") << true;
}

void TestPort::hangUpWhileIdle()
{
    QFETCH(bool, kill);

    SimulatorProcess *sim = connectToSimulator({});
    QVERIFY(sim);
    QCOMPARE(states(), Connected);

    QSerialPort *port = window->serialPort();
    QSignalSpy errors(port, &QSerialPort::errorOccurred);
    QSignalSpy closes(port, &QIODevice::aboutToClose);
    if (kill)
        sim->kill();
    else
        QCOMPARE(sim->command(QStringLiteral("quit")), QStringList{QStringLiteral("ok")});
    QVERIFY(sim->waitForExit(5000));

    // The window notices by itself and goes back to Not connected.
    QTRY_COMPARE(states(), NotConnected);
    QVERIFY(!port->isOpen());
    QCOMPARE(closes.count(), 1);
    // The storm of read errors from a dead pseudo-terminal ends with the first one handled;
    // once closed, the port reports nothing more.
    QVERIFY2(errors.count() >= 1 && errors.count() <= 3,
             qPrintable(QStringLiteral("%1 error signals").arg(errors.count())));
    QVERIFY(dialogs->calls.isEmpty());
    // The pane says so, below what it showed before.
    QCOMPARE(paneLines().constLast(), QStringLiteral("Связь с прибором потеряна"));

    // A new line can be connected afterwards with the same port object.
    QVERIFY(connectToSimulator({}));
    QCOMPARE(states(), Connected);
    QVERIFY(dialogs->calls.isEmpty());
}

void TestPort::hangUpDuringTransfer_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<QStringList>("pane");

    // The third request hangs up the line: the write has sent two lines, the read the count
    // and the name of a two-record program.
    using namespace TransferTexts;
    QTest::newRow("write") << true
                           << (QStringList{WriteHeading} << writeReportBefore(2, 3, QString())
                                                         << WriteFailed << LineLost
                                                         << partWritten(1));
    QTest::newRow("read") << false
                          << (QStringList{ReadHeading}
                              << readReportBefore(2, 2, QStringLiteral("Old  ")) << LineReadFailed
                              << LineLost);
}

void TestPort::hangUpDuringTransfer()
{
    QFETCH(bool, write);
    QFETCH(QStringList, pane);

    SimulatorProcess *sim =
        connectToSimulator({QStringLiteral("--fault"), QStringLiteral("hangup@3")});
    QVERIFY(sim);
    // "Old  " with two nop records.
    QVERIFY(sim->setMemory(QStringLiteral("cell 0 count 2 name 4F6C642020")));
    const QString before = QStringLiteral("prgName = \"Prg1\";\nnop;\nnop;\nnop;");
    window->editor()->setPlainText(before);

    QSerialPort *port = window->serialPort();
    QSignalSpy closes(port, &QIODevice::aboutToClose);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(runDeviceAction(write ? "writeAction" : "readAction"));
    const qint64 elapsedMs = clock.elapsed();

    QCOMPARE(paneLines(), pane);
    // The loss ends the wait at once: a request that sat out its tries (three for a write, two
    // runs for a read) would take at least this long, whatever the machine's load.
    const int tries = write ? 3 : 2;
    QVERIFY2(elapsedMs < QuietStartMs + tries * ReplyTimeoutMs,
             qPrintable(QStringLiteral("%1 ms").arg(elapsedMs)));
    QCOMPARE(closes.count(), 1);
    QVERIFY(!port->isOpen());
    QVERIFY(!window->isTransferRunning());
    // Back to Not connected: Write and Read do not stand enabled beside an enabled Connect.
    QCOMPARE(states(), NotConnected);
    QCOMPARE(window->editor()->toPlainText(), before);
    QVERIFY(dialogs->calls.isEmpty());
}

void TestPort::hangUpWhilePolling()
{
    // The third poll's first request hangs the line up.
    SimulatorProcess *sim =
        connectToSimulator({QStringLiteral("--fault"), QStringLiteral("hangup@7")});
    QVERIFY(sim);
    action("registersAction")->trigger();
    auto *dock = window->findChild<RegisterDock *>(QStringLiteral("registerDock"));
    QVERIFY(dock);
    dock->findChild<QPushButton *>(QStringLiteral("pollButton"))->click();
    QVERIFY(dock->isPolling());
    QTRY_VERIFY_WITH_TIMEOUT(!dock->isPolling(), 10000);
    // Why it stopped is the loss's, not a close asked for.
    const QString status = dock->findChild<QLabel *>(QStringLiteral("registerStatus"))->text();
    QVERIFY2(status.startsWith(QStringLiteral("Опрос остановлен: ") + TransferTexts::LineLost +
                               QStringLiteral(": ")),
             qPrintable(status));
    QCOMPARE(states(), NotConnected);
    QVERIFY(!dock->findChild<QPushButton *>(QStringLiteral("pollButton"))->isEnabled());
}

void TestPort::portListFollowsAdapters()
{
    // The pseudo-terminal stands in for an adapter plugged in after start; the system's list
    // does not show pseudo-terminals, so the window is given the list.
    auto listed = std::make_shared<QList<MainWindow::PortEntry>>();
    window->setPortSource([listed] { return *listed; });
    QComboBox *box = window->portBox();
    QCOMPARE(box->count(), 0);
    box->setEditText(QStringLiteral("/dev/ttyS"));

    const SimulatorProcess *sim = startSimulator({});
    QVERIFY(sim);
    listed->append({sim->portPath(), sim->portPath(), QStringLiteral("Simulated supply"),
                    QStringLiteral("Quorvel"), QStringLiteral("SIM-1")});
    QTRY_COMPARE(box->count(), 1);
    // The path being typed stays as it was.
    QCOMPARE(box->currentText(), QStringLiteral("/dev/ttyS"));
    const QString tip = box->itemData(0, Qt::ToolTipRole).toString();
    QCOMPARE(tip, QStringLiteral("%1\nОписание: Simulated supply\nПроизводитель: Quorvel\n"
                                 "Серийный номер: SIM-1")
                      .arg(sim->portPath()));

    // Picked, it stays picked while the list changes around it.
    box->setCurrentIndex(0);
    const QString picked = box->currentText();
    const QString longName = QStringLiteral("/dev/ttyUSB10");
    listed->prepend({longName, longName, QString(), QString(), QString()});
    QTRY_COMPARE(box->count(), 2);
    QCOMPARE(box->currentText(), picked);
    // The box's text field takes the longest usual name whole.
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = true;
    option.rect = QRect(QPoint(), box->sizeHint());
    const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                     QStyle::SC_ComboBoxEditField, box);
    QVERIFY2(field.width() >= box->fontMetrics().horizontalAdvance(longName),
             qPrintable(QString::number(field.width())));

    // Gone from the list, it goes from the box.
    listed->clear();
    QTRY_COMPARE(box->count(), 0);
}

void TestPort::deviceSettingsRemembered()
{
    SimulatorProcess *sim = connectToSimulator({});
    QVERIFY(sim);
    const QString path = sim->portPath();
    window->slaveIdBox()->setValue(17);
    window->cellBox()->setCurrentIndex(2);
    // Checked after writing unless turned off, and the off is remembered.
    QVERIFY(action("verifyAction")->isChecked());
    action("verifyAction")->trigger();
    closeWindow();

    ScriptedDialogs *answers = nullptr;
    const std::unique_ptr<MainWindow> next = makeWindow(answers);
    QCOMPARE(next->portBox()->currentText(), path);
    QCOMPARE(next->slaveIdBox()->value(), 17);
    QCOMPARE(next->cellBox()->currentIndex(), 2);
    QVERIFY(!next->findChild<QAction *>(QStringLiteral("verifyAction"))->isChecked());
}

QTEST_MAIN(TestPort)
#include "tst_port.moc"
