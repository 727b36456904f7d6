#include "deviceactivity.h"
#include "portbox.h"
#include "supplyscandialog.h"
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
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
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
    void connectAsksTheSupply_data();
    void connectAsksTheSupply();
    void scanDialogChoosesSupply_data();
    void scanDialogChoosesSupply();
    void failedOpenShowsBox_data();
    void failedOpenShowsBox();
    void hangUpWhileIdle_data();
    void hangUpWhileIdle();
    void hangUpDuringTransfer_data();
    void hangUpDuringTransfer();
    void hangUpWhilePolling();
    void portListFollowsAdapters();
    void adapterFoundAgain_data();
    void adapterFoundAgain();
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

void TestPort::connectAsksTheSupply_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("slave");
    // %1: the port's short name.
    QTest::addColumn<QString>("status");
    // Requests the supply got after the connect, and after «Считать» on cell 2 in «Ячейки
    // прибора» followed.
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("requestsAfterRead");
    // «Ячейки прибора» after the connect: cells 1 and 2; and cell 2 after the read.
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("cellTwoRead");
    const QString empty = QStringLiteral("пусто");
    // The probe, then a count and a name read of each cell.
    QTest::newRow("supply answers")
        << QStringList{QStringLiteral("--slave"), QStringLiteral("5")} << 5
        << QStringLiteral("Подключено: %1, прибор 5 отвечает") << 9 << 10
        << QStringList{QStringLiteral("\"ABCDE\""), empty} << empty;
    // The read asks twice, in vain; nothing is known of the cells.
    QTest::newRow("wrong Slave ID")
        << QStringList{QStringLiteral("--slave"), QStringLiteral("5")} << 6
        << QStringLiteral("Порт открыт, прибор 6 не отвечает — Прибор → Найти приборы…") << 1 << 3
        << QStringList{QString(), QString()} << QString();
    // Not surveyed: every read may come from either supply. The read's answer comes twice, so
    // the read asks again and trusts neither.
    QTest::newRow("two supplies on one Slave ID")
        << QStringList{QStringLiteral("--fault"), QStringLiteral("twice@slave=0")} << 0
        << QStringLiteral("Подключено: %1, два прибора отвечают как Slave ID 0 — Прибор → Найти "
                          "приборы…")
        << 1 << 3 << QStringList{QString(), QString()} << QString();
}

void TestPort::connectAsksTheSupply()
{
    QFETCH(QStringList, options);
    QFETCH(int, slave);
    QFETCH(QString, status);
    QFETCH(int, requests);
    QFETCH(int, requestsAfterRead);
    QFETCH(QStringList, cells);
    QFETCH(QString, cellTwoRead);
    window->findChild<DeviceActivity *>()->setProbeOnConnect(true);
    window->slaveIdBox()->setValue(slave);
    SimulatorProcess *sim = startSimulator(options);
    QVERIFY(sim);
    QVERIFY(sim->setMemory(QStringLiteral("cell 0 count 3 name 4142434445")));
    QVERIFY(connectTo(*sim));
    QVERIFY(waitUntilDeviceIdle());
    QCOMPARE(states(), Connected);
    auto *connection = window->findChild<QLabel *>(QStringLiteral("connectionLabel"));
    QCOMPARE(connection->text(), status.arg(sim->portPath().mid(5)));
    QCOMPARE(sim->received().size(), requests);
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("cellsTable"));
    QVERIFY(table);
    QCOMPARE((QStringList{table->item(0, 0)->text(), table->item(1, 0)->text()}), cells);
    QCOMPARE(window->cellBox()->itemData(0, Qt::ToolTipRole).toString(),
             cells.at(0).isEmpty() ? QString() : cells.at(0) + QStringLiteral(" (3)"));
    // A row's «Считать» is «Считать из прибора» on that cell.
    action("cellsDockAction")->trigger();
    window->findChild<QToolButton *>(QStringLiteral("readCellButton2"))->click();
    QVERIFY(waitUntilDeviceIdle());
    QCOMPARE(window->cellBox()->currentIndex(), 1);
    QCOMPARE(sim->received().size(), requestsAfterRead);
    QCOMPARE(table->item(1, 0)->text(), cellTwoRead);
    QCOMPARE(states(), Connected);
    // A disconnect forgets what the supply said.
    action("disconnectAction")->trigger();
    QVERIFY(waitUntilDeviceIdle());
    QCOMPARE(connection->text(), QStringLiteral("Нет связи"));
    QCOMPARE(table->item(0, 0)->text(), QString());
}

void TestPort::scanDialogChoosesSupply_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("byKey");
    QTest::newRow("not connected, Enter") << false << true;
    QTest::newRow("connected, double-click") << true << false;
}

void TestPort::scanDialogChoosesSupply()
{
    QFETCH(bool, connected);
    QFETCH(bool, byKey);
    const QStringList options = {QStringLiteral("--slave"), QStringLiteral("3,9")};
    SimulatorProcess *sim = connected ? connectToSimulator(options) : startSimulator(options);
    QVERIFY(sim);
    QVERIFY(sim->setMemory(QStringLiteral("slave 9 cell 1 count 2 name 4142434445")));
    window->portBox()->setEditText(sim->portPath());
    action("findSuppliesAction")->trigger();
    auto *dialog = window->findChild<SupplyScanDialog *>();
    QVERIFY(dialog && dialog->isVisible());
    // Only a few addresses: the whole range takes 20 s.
    dialog->stopScan();
    QTRY_VERIFY(!dialog->isScanning());
    dialog->findChild<QSpinBox *>(QStringLiteral("firstSlaveBox"))->setValue(2);
    dialog->findChild<QSpinBox *>(QStringLiteral("lastSlaveBox"))->setValue(10);
    dialog->startScan();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isScanning(), 10000);
    auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("resultTable"));
    QCOMPARE(table->rowCount(), 2);
    QStringList row;
    for (int column = 0; column < table->columnCount(); ++column)
        row << table->item(1, column)->text();
    QCOMPARE(row, (QStringList{sim->portPath(), QStringLiteral("9"), QStringLiteral("пусто"),
                               QStringLiteral("\"ABCDE\" (2)"), QStringLiteral("пусто"),
                               QStringLiteral("пусто")}));
    QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("summaryLabel"))
                ->text()
                .startsWith(QStringLiteral("Найдено приборов: 2 (проверено адресов: 9 за ")));
    // Not connected, the port was opened for the scan alone.
    QCOMPARE(states(), connected ? Connected : NotConnected);
    table->setCurrentCell(1, 1);
    if (byKey) {
        QTest::keyClick(table, Qt::Key_Return);
    } else {
        const QRect cell = table->visualItemRect(table->item(1, 1));
        // As a user's double-click comes: a press and release, then the second press.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QTRY_VERIFY(!dialog || !dialog->isVisible());
    QCOMPARE(window->slaveIdBox()->value(), 9);
    QVERIFY(waitUntilDeviceIdle());
    QCOMPARE(states(), Connected);
    QCOMPARE(window->portBox()->currentText(), sim->portPath());
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

void TestPort::adapterFoundAgain_data()
{
    QTest::addColumn<QString>("serialNumber");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("found");
    QTest::newRow("same adapter, new name") << "SIM-1" << QString() << true;
    QTest::newRow("another adapter") << "SIM-2" << QString() << false;
    QTest::newRow("another port typed meanwhile") << "SIM-1"
                                                  << "/dev/ttyS3" << false;
}

void TestPort::adapterFoundAgain()
{
    QFETCH(QString, serialNumber);
    QFETCH(QString, typed);
    QFETCH(bool, found);
    auto listed = std::make_shared<QList<MainWindow::PortEntry>>();
    window->setPortSource([listed] { return *listed; });
    const SimulatorProcess *sim = startSimulator({});
    QVERIFY(sim);
    *listed = {{sim->portPath(), sim->portPath(), QString(), QString(), QStringLiteral("SIM-1")}};
    auto *box = dynamic_cast<PortBox *>(window->portBox());
    QVERIFY(box);
    box->refresh();
    box->setCurrentIndex(0);
    QVERIFY(runDeviceAction("connectAction"));
    QCOMPARE(states(), Connected);
    action("disconnectAction")->trigger();
    QVERIFY(waitUntilDeviceIdle());
    // Unplugged, and back under another name.
    listed->clear();
    box->refresh();
    if (!typed.isEmpty())
        box->setEditText(typed);
    const QString renamed = QStringLiteral("/dev/ttyQV7");
    *listed = {{renamed, renamed, QString(), QString(), serialNumber}};
    box->refresh();
    const QString before = typed.isEmpty() ? sim->portPath() : typed;
    QCOMPARE(box->currentText(), found ? renamed : before);
    QCOMPARE(
        window->statusBar()->currentMessage(),
        found ? QStringLiteral("Адаптер порта %1 найден снова как %2").arg(sim->portPath(), renamed)
              : QString());
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
