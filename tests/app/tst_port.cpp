#include "mainwindow.h"
#include "scripteddialogs.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSerialPort>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

// One simulated power supply on a pseudo-terminal, started for one test and stopped with it.
class Simulator
{
public:
    Simulator() = default;
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;
    ~Simulator() { stop(); }

    // Starts quorvel-sim with the given options; false with a reason in `error`.
    bool start(const QStringList &options, QString *error)
    {
        const QString program = qEnvironmentVariable("QUORVEL_SIMULATOR");
        if (program.isEmpty()) {
            *error = QStringLiteral("QUORVEL_SIMULATOR is not set (run through ctest)");
            return false;
        }
        process.setProgram(program);
        process.setArguments(options);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
        if (!process.waitForStarted(StartMs)) {
            *error = process.errorString();
            return false;
        }
        const QStringList first = answer(1);
        if (first.isEmpty() || first.constFirst().isEmpty()) {
            *error = QStringLiteral("the simulator printed no port path");
            return false;
        }
        portPath = first.constFirst();
        return true;
    }

    // Sends one control line and returns its one-line answer.
    QString control(const QString &line)
    {
        process.write(line.toLocal8Bit() + '\n');
        const QStringList lines = answer(1);
        return lines.isEmpty() ? QString() : lines.constFirst();
    }

    void stop()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.write("quit\n");
        process.closeWriteChannel();
        if (!process.waitForFinished(StartMs)) {
            process.kill();
            process.waitForFinished(StartMs);
        }
    }

    QProcess process;
    QString portPath;

private:
    static constexpr int StartMs = 5000;

    QStringList answer(int count)
    {
        QStringList lines;
        while (lines.size() < count) {
            if (!process.canReadLine() && !process.waitForReadyRead(StartMs))
                break;
            while (process.canReadLine() && lines.size() < count)
                lines << QString::fromLocal8Bit(process.readLine()).trimmed();
        }
        return lines;
    }
};

} // namespace

// The port slots through the window: connect to a typed port path, disconnect, a port that
// cannot be opened, and a line whose other end goes away, idle or in the middle of a transfer.
class TestPort : public QObject
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

private:
    QAction *action(const char *name) const
    {
        return window->findChild<QAction *>(QLatin1String(name));
    }
    QStringList paneLines() const
    {
        return window->outputPane()->toPlainText().split(QLatin1Char('\n'));
    }
    // The enabled state of the device controls, in the order of the window's state table.
    QString states() const;
    // Starts a simulator that lives until the window is gone, so that no port lock outlives
    // its pseudo-terminal; nullptr when it does not start.
    Simulator *startSimulator(const QStringList &options);
    // Starts a simulator and connects the window to it by its typed path.
    Simulator *connectToSimulator(const QStringList &options);

    QTemporaryDir settingsDir;
    MainWindow *window = nullptr;
    ScriptedDialogs *dialogs = nullptr;
    std::vector<std::unique_ptr<Simulator>> sims;
};

namespace {

// Rows of the window's state table, as states() spells them.
const QString NotConnected =
    QStringLiteral("connect:on disconnect:off port:on compile:on write:off read:off");
const QString Connected =
    QStringLiteral("connect:off disconnect:on port:off compile:on write:on read:on");

// Fresh simulators tried before a test gives up connecting.
constexpr int OpenAttempts = 3;

// One wait for a reply; a transfer of a few requests that ends sooner has waited out none.
constexpr int ReplyTimeoutMs = 244;

} // namespace

QString TestPort::states() const
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

Simulator *TestPort::startSimulator(const QStringList &options)
{
    sims.push_back(std::make_unique<Simulator>());
    QString error;
    if (!sims.back()->start(options, &error)) {
        qWarning("simulator: %s", qPrintable(error));
        return nullptr;
    }
    return sims.back().get();
}

Simulator *TestPort::connectToSimulator(const QStringList &options)
{
    for (int attempt = 0; attempt < OpenAttempts; ++attempt) {
        Simulator *sim = startSimulator(options);
        if (!sim)
            return nullptr;
        window->portBox()->setEditText(sim->portPath);
        action("connectAction")->trigger();
        if (window->serialPort()->isOpen())
            return sim;
        // Another test process may still hold the lock of a pseudo-terminal number that its
        // simulator has just given back; a further simulator, started while this one still
        // holds its number, gets another.
        qWarning("cannot open %s: %s", qPrintable(sim->portPath),
                 qPrintable(window->serialPort()->errorString()));
        dialogs->calls.clear();
    }
    return nullptr;
}

void TestPort::initTestCase()
{
    qRegisterMetaType<QSerialPort::SerialPortError>();
    QVERIFY(settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
}

void TestPort::init()
{
    window = new MainWindow;
    dialogs = new ScriptedDialogs;
    window->setDialogs(std::unique_ptr<UserDialogs>(dialogs));
}

void TestPort::cleanup()
{
    window->editor()->document()->setModified(false);
    delete window;
    window = nullptr;
    sims.clear();
}

void TestPort::connectAndDisconnect()
{
    QCOMPARE(states(), NotConnected);

    // The pseudo-terminal is not among the listed ports: its path is typed.
    Simulator *sim = connectToSimulator({});
    QVERIFY(sim);
    QVERIFY(dialogs->calls.isEmpty());
    QCOMPARE(states(), Connected);
    QSerialPort *port = window->serialPort();
    QVERIFY(port->isOpen());
    QCOMPARE(port->openMode(), QIODevice::ReadWrite);
    QCOMPARE(port->baudRate(QSerialPort::Input), 9600);
    QCOMPARE(port->baudRate(QSerialPort::Output), 9600);
    QCOMPARE(port->dataBits(), QSerialPort::Data8);
    QCOMPARE(port->parity(), QSerialPort::NoParity);
    QCOMPARE(port->stopBits(), QSerialPort::OneStop);

    // The typed port is the one opened: a read reaches the simulator and is answered.
    action("readAction")->trigger();
    QCOMPARE(paneLines(), QStringList({QStringLiteral("Чтение данных из устройства"),
                                       QStringLiteral("Нет записей для чтения")}));
    QCOMPARE(sim->control(QStringLiteral("count")), QStringLiteral("count 1"));
    QCOMPARE(states(), Connected);

    action("disconnectAction")->trigger();
    QCOMPARE(states(), NotConnected);
    QVERIFY(!port->isOpen());
    QVERIFY(dialogs->calls.isEmpty());

    // The same port opens again after a disconnect.
    action("connectAction")->trigger();
    QCOMPARE(states(), Connected);
    QVERIFY(dialogs->calls.isEmpty());
}

void TestPort::failedOpenShowsBox_data()
{
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("path");
    QTest::newRow("port held by another program") << true << QString();
    QTest::newRow("no such port") << false << QStringLiteral("/dev/pts/quorvel-no-such-port");
}

void TestPort::failedOpenShowsBox()
{
    QFETCH(bool, busy);
    QFETCH(QString, path);

    QSerialPort holder;
    if (busy) {
        const Simulator *sim = startSimulator({});
        QVERIFY(sim);
        path = sim->portPath;
        holder.setPortName(path);
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    }

    window->portBox()->setEditText(path);
    action("connectAction")->trigger();

    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("critical")});
    QCOMPARE(dialogs->calls.constFirst().title, QStringLiteral("Error"));
    QCOMPARE(dialogs->calls.constFirst().text, QStringLiteral("Не удается открыть порт"));
    QCOMPARE(states(), NotConnected);
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

    Simulator *sim = connectToSimulator({});
    QVERIFY(sim);
    QCOMPARE(states(), Connected);

    QSerialPort *port = window->serialPort();
    QSignalSpy errors(port, &QSerialPort::errorOccurred);
    QSignalSpy closes(port, &QIODevice::aboutToClose);
    if (kill)
        sim->process.kill();
    else
        QCOMPARE(sim->control(QStringLiteral("quit")), QStringLiteral("ok"));
    QVERIFY(sim->process.waitForFinished(5000));

    // The window notices by itself and goes back to Not connected.
    QTRY_COMPARE(states(), NotConnected);
    QVERIFY(!port->isOpen());
    QCOMPARE(closes.count(), 1);
    // The storm of read errors from a dead pseudo-terminal ends with the first one handled;
    // once closed, the port reports nothing more.
    QVERIFY2(errors.count() >= 1 && errors.count() <= 3,
             qPrintable(QStringLiteral("%1 error signals").arg(errors.count())));
    QVERIFY(dialogs->calls.isEmpty());

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
    QTest::newRow("write") << true
                           << QStringList{QStringLiteral("Запись данных в устройство"),
                                          QStringLiteral("Строка 0 записана"),
                                          QStringLiteral("Строка 1 записана"),
                                          QStringLiteral("Ошибка записи")};
    QTest::newRow("read") << false
                          << QStringList{QStringLiteral("Чтение данных из устройства"),
                                         QStringLiteral("Всего строк 2"),
                                         QStringLiteral("prgName = \"Old  \""),
                                         QStringLiteral("error: ошибка чтения строки")};
}

void TestPort::hangUpDuringTransfer()
{
    QFETCH(bool, write);
    QFETCH(QStringList, pane);

    Simulator *sim = connectToSimulator({QStringLiteral("--fault"), QStringLiteral("hangup@3")});
    QVERIFY(sim);
    // "Old  " with two nop records.
    QCOMPARE(sim->control(QStringLiteral("cell 0 count 2 name 4F6C642020")), QStringLiteral("ok"));
    const QString before = QStringLiteral("prgName = \"Prg1\";\nnop;\nnop;\nnop;");
    window->editor()->setPlainText(before);

    QSerialPort *port = window->serialPort();
    QSignalSpy closes(port, &QIODevice::aboutToClose);
    QElapsedTimer clock;
    clock.start();
    action(write ? "writeAction" : "readAction")->trigger();
    const qint64 elapsedMs = clock.elapsed();

    QCOMPARE(paneLines(), pane);
    // Every request after the loss fails at once on the closed port.
    QVERIFY2(elapsedMs < ReplyTimeoutMs, qPrintable(QStringLiteral("%1 ms").arg(elapsedMs)));
    QCOMPARE(closes.count(), 1);
    QVERIFY(!port->isOpen());
    QVERIFY(!window->isTransferRunning());
    // Back to Not connected: Write and Read do not stand enabled beside an enabled Connect.
    QCOMPARE(states(), NotConnected);
    QCOMPARE(window->editor()->toPlainText(), before);
    QVERIFY(dialogs->calls.isEmpty());
}

QTEST_MAIN(TestPort)
#include "tst_port.moc"
