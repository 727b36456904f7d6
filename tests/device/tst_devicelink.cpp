// The device link against the simulated supply through a real QSerialPort on its
// pseudo-terminal: request texts, retries, reply handling and traces.

#include "devicelink.h"
#include "devicesession.h"
#include "deviceprotocol.h"
#include "testrecord.h"
#include "instruction.h"
#include "linkfixture.h"
#include "programtransfer.h"
#include "scanwording.h"
#include "supplyscan.h"
#include "registercsv.h"
#include "registerlayout.h"
#include "registermap.h"
#include "registerpoll.h"

#include <QElapsedTimer>
#include <QMap>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <atomic>

#include <sys/resource.h>

Q_DECLARE_METATYPE(LinkResult)

namespace {

qint64 cpuMicroseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000 +
           usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
}

QStringList repeated(int times, const QString &text)
{
    QStringList list;
    for (int i = 0; i < times; ++i) {
        list << text;
    }
    return list;
}

using TestRecords::record;

} // namespace

class TestDeviceLink : public QObject
{
    Q_OBJECT
private slots:
    void requestFrame_data();
    void requestFrame();
    void cellClamped_data();
    void cellClamped();
    void memoryRoundTrip();
    void readPrgNameReplacesString_data();
    void readPrgNameReplacesString();
    void writeAttempts_data();
    void writeAttempts();
    void readRuns_data();
    void readRuns();
    void faultyReadReply_data();
    void faultyReadReply();
    void rejectedWriteNotRetried_data();
    void rejectedWriteNotRetried();
    void foreignAnswerNeverTaken_data();
    void foreignAnswerNeverTaken();
    void foreignLineDoesNotEndWait();
    void lateReplyNotTakenByNextRequest();
    void duplicateAnswerNotTakenByNextRequest_data();
    void duplicateAnswerNotTakenByNextRequest();
    void floodWhileIdleDropped();
    void retryAnswerNotTakenByNextRequest_data();
    void retryAnswerNotTakenByNextRequest();
    void repeatedAnswerNeverTrusted_data();
    void repeatedAnswerNeverTrusted();
    void ownEchoDropped_data();
    void ownEchoDropped();
    void splitReplyAssembled();
    void traceOfRead();
    void traceOfWrite();
    void traceOfSilentWrite();
    void closedPortGivesNoReplyAtOnce();
    void portClosedDuringWait();
    void secondRequestDuringWaitRefused();
    void sessionRunsJobsInTurn();
    void scanHearsOnlyTheAddressAsked_data();
    void scanHearsOnlyTheAddressAsked();
    void registers();
    void registerBlocks_data();
    void registerBlocks();
    void registerMapJson_data();
    void registerMapJson();
    void pollYieldsAndLogs();
    void waitingDoesNotSpin();
};

void TestDeviceLink::scanHearsOnlyTheAddressAsked_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("waitMs");
    // Slave IDs found among 0..7, a "d" after a duplicate.
    QTest::addColumn<QString>("found");
    // The first supply's cells as a scan shows them.
    QTest::addColumn<QString>("cells");
    const QString empty = ScanWording::emptyCell();
    const QString plain = QStringLiteral("\"Ramp\" (6)|%1|%1|%1").arg(empty);
    const QStringList slave2 = {QStringLiteral("--slave"), QStringLiteral("2")};
    const QStringList slow =
        slave2 + QStringList{QStringLiteral("--turnaround"), QStringLiteral("150")};
    const int wait = SupplyScan::DefaultWaitMs;
    QTest::newRow("three supplies, one cell unreadable")
        << QStringList{QStringLiteral("--slave"), QStringLiteral("1,3,6"),
                       QStringLiteral("--fault"), QStringLiteral("silent@cmd=B9,slave=1")}
        << wait << "1 3 6"
        << QStringLiteral("\"Ramp\" (6)|%1|%2|%2").arg(ScanWording::unreadCell(), empty);
    QTest::newRow("adapter echoes every request")
        << slave2 + QStringList{QStringLiteral("--echo")} << wait << "2" << plain;
    QTest::newRow("answers as another Slave ID")
        << slave2 + QStringList{QStringLiteral("--fault"), QStringLiteral("source@*")} << wait << ""
        << "";
    QTest::newRow("two supplies on Slave ID 3")
        << QStringList{QStringLiteral("--slave"), QStringLiteral("1,3"), QStringLiteral("--fault"),
                       QStringLiteral("twice@slave=3")}
        << wait << "1 3d" << plain;
    QTest::newRow("slow supply, default wait") << slow << wait << ""
                                               << "";
    QTest::newRow("slow supply, slow wait") << slow << int(SupplyScan::SlowWaitMs) << "2" << plain;
}

void TestDeviceLink::scanHearsOnlyTheAddressAsked()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, waitMs);
    QFETCH(QString, found);
    QFETCH(QString, cells);
    SimulatorProcess sim;
    QVERIFY2(sim.start(arguments), qPrintable(sim.errorString()));
    const QString first = arguments.at(1).section(QLatin1Char(','), 0, 0);
    QVERIFY(sim.setMemory(QStringLiteral("slave %1 cell 0 count 6 name 52616D7020").arg(first)));
    DeviceSession session;
    session.setTraceDevice(nullptr);
    session.open(sim.portPath());
    session.waitUntilIdle();
    QVERIFY(session.isOpen());
    SupplyScan scan(session);
    QSignalSpy progress(&scan, &SupplyScan::progress);
    scan.start(sim.portPath(), {0, 1, 2, 3, 4, 5, 6, 7}, waitMs);
    scan.waitForFinished();
    QStringList ids;
    for (const FoundSupply &supply : scan.outcome().found)
        ids << QString::number(supply.slaveId) + (supply.duplicate ? "d" : "");
    QCOMPARE(ids.join(QLatin1Char(' ')), found);
    QStringList shown;
    if (!scan.outcome().found.isEmpty()) {
        for (const FoundSupply::Cell &cell : scan.outcome().found.constFirst().cells)
            shown << ScanWording::cellText(cell);
    }
    QCOMPARE(shown.join(QLatin1Char('|')), cells);
    QCOMPARE(scan.outcome().probed, 8);
    QCOMPARE(progress.size(), 8);
    QCOMPARE(progress.constLast().at(0).toInt(), 8);
    // One probe per address; each surveyed supply adds a count and a name read per cell, and a
    // cell whose name read is silent its second run.
    const int surveyed = int(scan.outcome().found.size()) -
                         int(std::count(ids.cbegin(), ids.cend(), QStringLiteral("3d")));
    const int silentRuns = cells.contains(ScanWording::unreadCell()) ? 1 : 0;
    QCOMPARE(int(scan.outcome().requests), 8 + surveyed * 8 + silentRuns);
}

void TestDeviceLink::requestFrame_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("slave");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("reply");
    QTest::newRow("ReadSize slave 1 cell 0 #01C8B4028FA9") << "ReadSize" << 1 << "#01C8B4028FA9"
                                                           << "#C801B402001270";
    QTest::newRow("WriteSize 3 slave 1 cell 1 #01C8B51203CD47")
        << "WriteSize" << 1 << "#01C8B51203CD47"
        << "#C801B51F87B1";
    QTest::newRow("WritePrgName Prg1 #01C8B8125072673120A0D5")
        << "WritePrgName" << 1 << "#01C8B8125072673120A0D5"
        << "#C801B81FF1ED";
    QTest::newRow("ReadProgramLine 0 #01C8B0020015A7")
        << "ReadProgramLine" << 1 << "#01C8B0020015A7" << QString();
    QTest::newRow("slave 0 sent as 00") << "ReadSize" << 0 << "#00C8B402F91D" << QString();
    QTest::newRow("slave 255 sent as FF") << "ReadSize" << 255 << "#FFC8B402B2BE" << QString();
}

void TestDeviceLink::requestFrame()
{
    QFETCH(QString, request);
    QFETCH(int, slave);
    QFETCH(QString, frame);
    QFETCH(QString, reply);
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QString::number(slave));
    const quint8 dest = quint8(slave);
    LinkResult result = LinkResult::NoReply;
    if (request == QLatin1String("ReadSize")) {
        int count = -1;
        result = f.link.ReadSize(dest, 0, DeviceProtocol::AccessMemoryRead, count);
        QCOMPARE(count, 0);
    } else if (request == QLatin1String("WriteSize")) {
        result = f.link.WriteSize(dest, 3, 1, DeviceProtocol::AccessMemoryWrite);
        QCOMPARE(f.sim.cell(1).count, 3);
    } else if (request == QLatin1String("WritePrgName")) {
        result =
            f.link.WritePrgName(dest, QStringLiteral("Prg1"), 0, DeviceProtocol::AccessMemoryWrite);
        QCOMPARE(f.sim.cell(0).name, QByteArray("Prg1 "));
    } else {
        Instruction line = record(1, 1, 1, 1, 1, 1);
        result = f.link.ReadProgramLine(dest, line, 0, 0, DeviceProtocol::AccessMemoryRead);
        QCOMPARE(line, Instruction());
    }
    QCOMPARE(result, LinkResult::Success);
    QCOMPARE(f.sim.received(), QStringList{frame});
    if (!reply.isEmpty()) {
        QCOMPARE(f.sim.sent(), QStringList{reply});
    }
}

void TestDeviceLink::cellClamped_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("frame");
    QTest::newRow("cell -1 addresses cell 0") << -1 << "#01C8B4028FA9";
    QTest::newRow("cell 2 addresses cell 2") << 2 << "#01C8B602E9CB";
    QTest::newRow("cell 7 addresses cell 3") << 7 << "#01C8B702DAFA";
}

void TestDeviceLink::cellClamped()
{
    QFETCH(int, cell);
    QFETCH(QString, frame);
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"));
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, cell, DeviceProtocol::AccessMemoryRead, count),
             LinkResult::Success);
    QCOMPARE(f.sim.received(), QStringList{frame});
}

void TestDeviceLink::memoryRoundTrip()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("7"));
    const InstructionList program = {
        record(11, 0, 0, 0, 0, 0),
        record(1, 0x83, -1, 2147483647, -32768, 32767),
        record(4, 5, 1000, -70000, 12, -12),
    };
    for (int i = 0; i < program.size(); ++i) {
        QCOMPARE(f.link.WriteProgramLine(7, program.at(i), quint8(i), 2,
                                         DeviceProtocol::AccessMemoryWrite),
                 LinkResult::Success);
    }
    QCOMPARE(f.link.WriteSize(7, program.size(), 2, DeviceProtocol::AccessMemoryWrite),
             LinkResult::Success);
    QCOMPARE(f.link.WritePrgName(7, QStringLiteral("Ab\u00e9\u00ff"), 2,
                                 DeviceProtocol::AccessMemoryWrite),
             LinkResult::Success);

    const SimulatedCell stored = f.sim.cell(2);
    QCOMPARE(stored.count, 3);
    // U+00FF is the last character that travels as itself.
    QCOMPARE(stored.name, QByteArray("Ab\xE9\xFF "));
    for (int i = 0; i < program.size(); ++i) {
        QCOMPARE(stored.lines.at(i), program.at(i));
    }
    QCOMPARE(f.sim.cell(0).count, 0);

    int count = -1;
    QString name;
    QCOMPARE(f.link.ReadSize(7, 2, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    QCOMPARE(count, 3);
    QCOMPARE(f.link.ReadPrgName(7, name, 2, DeviceProtocol::AccessMemoryRead), LinkResult::Success);
    QCOMPARE(name, QStringLiteral("Ab\u00e9\u00ff "));
    for (int i = 0; i < program.size(); ++i) {
        Instruction line;
        QCOMPARE(f.link.ReadProgramLine(7, line, quint8(i), 2, DeviceProtocol::AccessMemoryRead),
                 LinkResult::Success);
        QCOMPARE(line, program.at(i));
    }
}

void TestDeviceLink::readPrgNameReplacesString_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("empty string") << QString();
    QTest::newRow("shorter string") << QStringLiteral("ab");
    QTest::newRow("longer string") << QStringLiteral("abcdefgh");
}

void TestDeviceLink::readPrgNameReplacesString()
{
    QFETCH(QString, before);
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"));
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 1 count 0 name 5072673120")));
    QString name = before;
    QCOMPARE(f.link.ReadPrgName(1, name, 1, DeviceProtocol::AccessMemoryRead), LinkResult::Success);
    QCOMPARE(name, QStringLiteral("Prg1 "));
}

void TestDeviceLink::writeAttempts_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<LinkResult>("result");
    QTest::addColumn<int>("sends");
    QTest::addColumn<int>("timeouts");
    QTest::addColumn<QString>("log");
    QTest::newRow("answered at once: one send")
        << "" << LinkResult::Success << 1 << 0 << "sent received";
    QTest::newRow("silent once: second attempt")
        << "silent@1" << LinkResult::Success << 2 << 1 << "sent timeout retry2/3 sent received";
    QTest::newRow("silent twice: third attempt")
        << "silent@1x2" << LinkResult::Success << 3 << 2
        << "sent timeout retry2/3 sent timeout retry3/3 sent received";
    QTest::newRow("silent thrice: NoReply after three")
        << "silent@1x3" << LinkResult::NoReply << 3 << 3
        << "sent timeout retry2/3 sent timeout retry3/3 sent timeout";
}

void TestDeviceLink::writeAttempts()
{
    QFETCH(QString, fault);
    QFETCH(LinkResult, result);
    QFETCH(int, sends);
    QFETCH(int, timeouts);
    QFETCH(QString, log);
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"));
    if (!fault.isEmpty()) {
        QVERIFY(f.sim.addFault(fault));
    }
    QCOMPARE(f.link.WriteSize(1, 3, 1, DeviceProtocol::AccessMemoryWrite), result);
    QCOMPARE(f.sim.received(), repeated(sends, QStringLiteral("#01C8B51203CD47")));
    QCOMPARE(f.link.timedOutWaits(), timeouts);
    QCOMPARE(f.traced().count(QLatin1String("Call GetLine\n")), sends);

    // The exchange log: each frame as it travelled, each wait's end, in the order they happened.
    QCOMPARE(f.log.kinds(), log);
    qint64 previousMs = 0;
    for (const ExchangeEvent &event : f.log.events) {
        QVERIFY(event.atMs >= previousMs);
        previousMs = event.atMs;
        if (event.kind == ExchangeEvent::Kind::Sent) {
            QCOMPARE(event.frame, QByteArray("#01C8B51203CD47\r"));
        } else if (event.kind == ExchangeEvent::Kind::Received) {
            QCOMPARE(event.frame, QByteArray("#C801B51F87B1\r"));
        } else if (event.kind == ExchangeEvent::Kind::TimeOut) {
            QCOMPARE(event.value, qint64(DeviceLink::MemoryTimeoutMs));
        }
    }
    const QRegularExpression stamp(QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d{3} )"));
    QVERIFY(stamp.match(ExchangeLog::line(f.log.events.first())).hasMatch());
    QCOMPARE(ExchangeLog::line(f.log.events.first()).mid(13),
             QStringLiteral("> #01C8B51203CD47\\x0D  кому 01, от C8, команда B5, доступ 12"));
    if (timeouts > 0) {
        QCOMPARE(ExchangeLog::line(f.log.events.at(1)).mid(13),
                 QStringLiteral("! тайм-аут: нет ответа за 244 мс"));
        QCOMPARE(ExchangeLog::line(f.log.events.at(2)).mid(13),
                 QStringLiteral("! повтор: попытка 2 из 3"));
    }
    if (result == LinkResult::Success) {
        QCOMPARE(ExchangeLog::line(f.log.events.last()).mid(13),
                 QStringLiteral("< #C801B51F87B1\\x0D  кому C8, от 01, команда B5, статус 1F"));
    }
}

void TestDeviceLink::readRuns_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<LinkResult>("result");
    QTest::addColumn<int>("sends");
    QTest::addColumn<QString>("diagnostic");
    QTest::newRow("answered: one run") << "" << LinkResult::Success << 1 << QString();
    QTest::newRow("silent once: second run") << "silent@1" << LinkResult::Success << 2 << QString();
    QTest::newRow("silent twice: NoReply after two runs")
        << "silent@1x2" << LinkResult::NoReply << 2 << QString();
    QTest::newRow("bad CRC once: second run")
        << "crc@1" << LinkResult::Success << 2 << QStringLiteral("Error crc\n");
    QTest::newRow("other address once: dropped, second run")
        << "address@1" << LinkResult::Success << 2 << QStringLiteral("Dropped #0101B4");
    QTest::newRow("other command once: dropped, second run")
        << "command@1" << LinkResult::Success << 2 << QStringLiteral("Dropped #C801B0");
    QTest::newRow("other Slave ID once: dropped, second run")
        << "source@1" << LinkResult::Success << 2 << QStringLiteral("Dropped #C802B4");
    QTest::newRow("lowercase once: second run")
        << "lowercase@1" << LinkResult::Success << 2 << QStringLiteral("Error crc\n");
}

void TestDeviceLink::readRuns()
{
    QFETCH(QString, fault);
    QFETCH(LinkResult, result);
    QFETCH(int, sends);
    QFETCH(QString, diagnostic);
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"));
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 0 count 5 name 2020202020")));
    if (!fault.isEmpty()) {
        QVERIFY(f.sim.addFault(fault));
    }
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), result);
    QCOMPARE(count, result == LinkResult::Success ? 5 : -1);
    QCOMPARE(f.sim.received(), repeated(sends, QStringLiteral("#01C8B4028FA9")));
    if (!diagnostic.isEmpty()) {
        QVERIFY2(f.traced().contains(diagnostic), qPrintable(f.traced()));
    }
}

void TestDeviceLink::faultyReadReply_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<LinkResult>("result");
    QTest::addColumn<QString>("diagnostic");
    QTest::newRow("lowercase hex: Error crc")
        << "lowercase@*" << LinkResult::Failure << QStringLiteral("Error crc\n");
    QTest::newRow("bad CRC: Error crc") << "crc@*" << LinkResult::Failure << "Error crc\n";
    QTest::newRow("over-long line: Error crc")
        << "overlong@*" << LinkResult::Failure << QStringLiteral("Error crc\n");
    QTest::newRow("noise before #: accepted") << "noise@*" << LinkResult::Success << QString();
    QTest::newRow("status 1E ignored by reads") << "status1e@*" << LinkResult::Success << QString();
}

void TestDeviceLink::faultyReadReply()
{
    QFETCH(QString, fault);
    QFETCH(LinkResult, result);
    QFETCH(QString, diagnostic);
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--fault"),
                  fault);
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 3 count 9 name 2020202020")));
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 3, DeviceProtocol::AccessMemoryRead, count), result);
    const int runs = result == LinkResult::Success ? 1 : 2;
    QCOMPARE(f.sim.received().size(), runs);
    QCOMPARE(count, result == LinkResult::Success ? 9 : -1);
    if (!diagnostic.isEmpty()) {
        QCOMPARE(f.traced().count(diagnostic), runs);
    }
    // However long the line on the wire, the collected one stays bounded.
    for (const QString &line : f.traced().split(QLatin1Char('\n'))) {
        QVERIFY(line.size() <= DeviceLink::MaxLineChars + DeviceLink::PollChunkChars + 20);
    }
}

void TestDeviceLink::rejectedWriteNotRetried_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("status 1E") << "status1e@*";
    QTest::newRow("bad CRC") << "crc@*";
    QTest::newRow("lowercase hex") << "lowercase@*";
    QTest::newRow("over-long line") << "overlong@*";
}

void TestDeviceLink::rejectedWriteNotRetried()
{
    QFETCH(QString, fault);
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--fault"),
                  fault);
    QCOMPARE(f.link.WritePrgName(1, QStringLiteral("Prg1"), 0, DeviceProtocol::AccessMemoryWrite),
             LinkResult::Failure);
    QCOMPARE(f.sim.received().size(), 1);
    QCOMPARE(f.link.timedOutWaits(), 0);
}

void TestDeviceLink::foreignAnswerNeverTaken_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("write");
    QTest::newRow("read, to another station") << "address@*" << false;
    QTest::newRow("read, other command byte") << "command@*" << false;
    QTest::newRow("read, from another Slave ID") << "source@*" << false;
    QTest::newRow("write, to another station") << "address@*" << true;
    QTest::newRow("write, other command byte") << "command@*" << true;
    QTest::newRow("write, from another Slave ID") << "source@*" << true;
}

void TestDeviceLink::foreignAnswerNeverTaken()
{
    QFETCH(QString, fault);
    QFETCH(bool, write);
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--fault"),
                  fault);
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 0 count 5 name 2020202020")));
    int count = -1;
    // Every answer is another request's or another station's: each wait runs to its time-out.
    const LinkResult result = write
                                  ? f.link.WriteSize(1, 3, 0, DeviceProtocol::AccessMemoryWrite)
                                  : f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count);
    QCOMPARE(result, LinkResult::NoReply);
    QCOMPARE(count, -1);
    const int sends = write ? DeviceLink::WriteAttempts : DeviceLink::MemoryReadRuns;
    QCOMPARE(f.sim.received().size(), sends);
    QCOMPARE(f.link.timedOutWaits(), sends);
    QCOMPARE(f.traced().count(QLatin1String("Dropped #")), sends);
}

void TestDeviceLink::foreignLineDoesNotEndWait()
{
    LinkFixture f;
    // The count's answer comes again 50 ms after it, while the name request waits for its own
    // answer, which the supply sends 100 ms after the request.
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--turnaround"),
                  QStringLiteral("100"), QStringLiteral("--late-delay"), QStringLiteral("50"),
                  QStringLiteral("--fault"), QStringLiteral("repeat@1"));
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 0 count 5 name 5072673120")));
    int count = -1;
    QString name;
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    QCOMPARE(f.link.ReadPrgName(1, name, 0, DeviceProtocol::AccessMemoryRead), LinkResult::Success);
    QCOMPARE(name, QStringLiteral("Prg1 "));
    QCOMPARE(f.sim.received().size(), 2);
    QCOMPARE(f.link.timedOutWaits(), 0);
    QVERIFY2(f.traced().contains(QLatin1String("Dropped #C801B4")), qPrintable(f.traced()));
}

void TestDeviceLink::lateReplyNotTakenByNextRequest()
{
    LinkFixture f;
    // Later than both runs of the first read (2 x 244 ms).
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--late-delay"),
                  QStringLiteral("700"), QStringLiteral("--fault"), QStringLiteral("late@1x2"));
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 0 count 5 name 2020202020")));
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 1 count 9 name 2020202020")));
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::NoReply);
    // Both answers for cell 0 arrive after the read has given up; then cell 1 is read.
    QTRY_COMPARE_WITH_TIMEOUT(f.sim.sent().size(), 2, 5000);
    QCOMPARE(f.port.bytesAvailable(), 0);
    QCOMPARE(f.link.ReadSize(1, 1, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    QCOMPARE(count, 9);
    // And when they arrive during the next read's wait, they are dropped there.
    QVERIFY(f.sim.addFault(QStringLiteral("late@4x2")));
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::NoReply);
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 1 count 7 name 2020202020")));
    QVERIFY(f.sim.addFault(QStringLiteral("silent@6")));
    QTest::qWait(100);
    QCOMPARE(f.link.ReadSize(1, 1, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    QCOMPARE(count, 7);
    QCOMPARE(f.sim.received().size(), 7);
    QVERIFY2(f.traced().contains(QLatin1String("Dropped #C801B4")), qPrintable(f.traced()));
}

void TestDeviceLink::duplicateAnswerNotTakenByNextRequest_data()
{
    QTest::addColumn<bool>("paced");
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("busyMs");
    QTest::newRow("read") << false << false << 0;
    QTest::newRow("write") << false << true << 0;
    QTest::newRow("read, paced line") << true << false << 0;
    QTest::newRow("write, paced line") << true << true << 0;
    QTest::newRow("read, paced line, caller busy in between") << true << false << 50;
    QTest::newRow("write, paced line, caller busy in between") << true << true << 50;
}

void TestDeviceLink::duplicateAnswerNotTakenByNextRequest()
{
    QFETCH(bool, paced);
    QFETCH(bool, write);
    QFETCH(int, busyMs);
    LinkFixture f;
    QStringList options{QStringLiteral("--slave"), QStringLiteral("1"),
                        QStringLiteral("--fault"), QStringLiteral("twice@1"),
                        QStringLiteral("--fault"), QStringLiteral("status1e@2")};
    if (paced)
        options << QStringLiteral("--pace");
    QString why;
    QVERIFY2(f.start(options, &why), qPrintable(why));
    const Instruction first = record(4, 0, 100);
    const Instruction second = record(5, 0, 2);
    QVERIFY(
        f.sim.setMemory(QStringLiteral("line 0 0 ") + QString::fromLatin1(first.pack().toHex())));
    QVERIFY(
        f.sim.setMemory(QStringLiteral("line 0 1 ") + QString::fromLatin1(second.pack().toHex())));
    // The second answer to the first request, same command byte, must not pass for the answer
    // to the second: a record read as a copy of the one before, or a refused write as accepted.
    // A caller busy between the two, without an event loop (a window painting), leaves the
    // second answer lying unread in the system's buffer meanwhile.
    if (write) {
        QCOMPARE(f.link.WriteProgramLine(1, first, 0, 0, DeviceProtocol::AccessMemoryWrite),
                 LinkResult::Success);
        QThread::msleep(ulong(busyMs));
        QCOMPARE(f.link.WriteProgramLine(1, second, 1, 0, DeviceProtocol::AccessMemoryWrite),
                 LinkResult::Failure);
    } else {
        Instruction line;
        QCOMPARE(f.link.ReadProgramLine(1, line, 0, 0, DeviceProtocol::AccessMemoryRead),
                 LinkResult::Success);
        QCOMPARE(line, first);
        QThread::msleep(ulong(busyMs));
        QCOMPARE(f.link.ReadProgramLine(1, line, 1, 0, DeviceProtocol::AccessMemoryRead),
                 LinkResult::Success);
        QCOMPARE(line, second);
    }
    QCOMPARE(f.sim.received().size(), 2);
    if (!paced) {
        // Both answers came in one piece; the second was still waiting when the next request went.
        QVERIFY2(f.traced().contains(QLatin1String("Discarded ")), qPrintable(f.traced()));
    }
}

void TestDeviceLink::floodWhileIdleDropped()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"));
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 2 count 4 name 2020202020")));
    // The flood holds a well-formed count answer for cell 2 of this supply (99 records).
    QCOMPARE(f.sim.command(QStringLiteral("flood 1000")), QStringList{QStringLiteral("ok")});
    qint64 most = 0;
    QElapsedTimer flood;
    flood.start();
    while (flood.elapsed() < 1200) {
        QTest::qWait(20);
        most = qMax(most, f.port.bytesAvailable());
    }
    // Read as it comes: never more than what one delivery of the port brings.
    QVERIFY2(most < 64 * 1024, qPrintable(QString::number(most)));
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 2, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    QCOMPARE(count, 4);
    QCOMPARE(f.sim.received().size(), 1);
}

void TestDeviceLink::retryAnswerNotTakenByNextRequest_data()
{
    QTest::addColumn<bool>("write");
    QTest::newRow("read") << false;
    QTest::newRow("write") << true;
}

void TestDeviceLink::retryAnswerNotTakenByNextRequest()
{
    QFETCH(bool, write);
    LinkFixture f;
    // The first request is answered just after its time-out, so the retry takes that answer and
    // the retry's own answer follows on a real line's timing. The device then ignores every later
    // request.
    START_FIXTURE(f, QStringLiteral("--pace"), QStringLiteral("--slave"), QStringLiteral("1"),
                  QStringLiteral("--late-delay"), QStringLiteral("300"), QStringLiteral("--fault"),
                  QStringLiteral("late@1"), QStringLiteral("--fault"),
                  QStringLiteral("silent@3-9"));
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 0 count 5 name 2020202020")));
    int count = -1;
    if (write) {
        QCOMPARE(f.link.WriteSize(1, 3, 0, DeviceProtocol::AccessMemoryWrite), LinkResult::Success);
        // Taking the leftover answer would count a write the device never answered as accepted.
        QCOMPARE(f.link.WriteSize(1, 4, 1, DeviceProtocol::AccessMemoryWrite), LinkResult::NoReply);
        QCOMPARE(f.sim.received().size(), 5);
    } else {
        QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count),
                 LinkResult::Success);
        QCOMPARE(count, 5);
        count = -1;
        // Taking the leftover answer would read cell 0's count as cell 1's.
        QCOMPARE(f.link.ReadSize(1, 1, DeviceProtocol::AccessMemoryRead, count),
                 LinkResult::NoReply);
        QCOMPARE(count, -1);
        QCOMPARE(f.sim.received().size(), 4);
    }
}

namespace {

// Four records that differ from their neighbours, as a program is likely to; a repeat of one
// line's answer taken for the next then shows in the content.
const InstructionList RepeatProgram{record(10, 0, 1), record(1, 0, 500), record(4, 0, 250),
                                    record(3, 0, 0)};
const QString RepeatName = QStringLiteral("Rp");

QString cellLine(int index, const Instruction &r)
{
    return QStringLiteral("line 0 %1 ").arg(index) + QString::fromLatin1(r.pack().toHex());
}

} // namespace

void TestDeviceLink::repeatedAnswerNeverTrusted_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("gap");
    // "verified": the transfer succeeds and the cell (or the text read) is the program;
    // "mismatch": the write believed the repeat, and the read-back after it says so;
    // "twice": the transfer ends with its failure line and the reason.
    QTest::addColumn<QString>("outcome");

    // Request numbers: a write sends lines 0..3 (1..4), the count (5), the name (6); a read asks
    // for the count (1), the name (2), lines 0..3 (3..6).
    struct Target
    {
        const char *name;
        bool write;
        int repeated;
    };
    const Target targets[] = {
        {"line write", true, 1}, {"count write", true, 5}, {"line read", false, 3}};
    for (const Target &target : targets) {
        for (const int gap : {5, 20, 60}) {
            for (const bool missed : {false, true}) {
                QStringList faults{QStringLiteral("repeat@%1").arg(target.repeated)};
                if (missed)
                    faults << QStringLiteral("silent@%1").arg(target.repeated + 1);
                // Once the next line request has left the wire, a repeat taken for its answer is
                // one nothing can tell apart: only the read-back finds the line missing.
                const bool believed = target.write && target.repeated == 1 && missed && gap == 60;
                QTest::addRow("%s, repeat after %d ms%s", target.name, gap,
                              missed ? ", next request missed" : "")
                    << target.write << faults << gap
                    << QString::fromLatin1(believed ? "mismatch" : "verified");
            }
        }
    }
    QTest::newRow("write, every answer sent twice")
        << true << QStringList{QStringLiteral("twice@*")} << 0 << "twice";
    QTest::newRow("read, every answer sent twice")
        << false << QStringList{QStringLiteral("twice@*")} << 0 << "twice";
    // A copy that fails its CRC is noise, not a second answer: nothing is asked again.
    QTest::newRow("write, every answer followed by a copy with a bad CRC")
        << true << QStringList{QStringLiteral("twicecrc@*")} << 0 << "verified";
    QTest::newRow("read, every answer followed by a copy with a bad CRC")
        << false << QStringList{QStringLiteral("twicecrc@*")} << 0 << "verified";
}

void TestDeviceLink::repeatedAnswerNeverTrusted()
{
    QFETCH(bool, write);
    QFETCH(QStringList, faults);
    QFETCH(int, gap);
    QFETCH(QString, outcome);
    LinkFixture f;
    QStringList options{QStringLiteral("--pace"), QStringLiteral("--repeat-gap"),
                        QString::number(gap)};
    for (const QString &fault : faults)
        options << QStringLiteral("--fault") << fault;
    QString why;
    QVERIFY2(f.start(options, &why), qPrintable(why));
    // The simulator paces itself like a wire; the link then judges timing as on one.
    f.link.setReplyTiming(DeviceLink::ReplyTiming::Wire);
    if (!write) {
        QVERIFY(f.sim.setMemory(QStringLiteral("cell 0 count 4 name 5270202020")));
        for (int i = 0; i < RepeatProgram.size(); ++i)
            QVERIFY(f.sim.setMemory(cellLine(i, RepeatProgram.at(i))));
    }

    QStringList lines;
    ProgramTransfer transfer(f.link, 0, 0, [&lines](const QString &text) { lines << text; });
    bool succeeded = false;
    if (write) {
        succeeded =
            transfer.write(RepeatProgram, RepeatName) == ProgramTransfer::WriteResult::Written;
    } else {
        const ProgramTransfer::ReadResult read = transfer.read();
        succeeded = read.status == ProgramTransfer::ReadStatus::Read;
        if (succeeded)
            QCOMPARE(TestRecords::describe(read.records), TestRecords::describe(RepeatProgram));
    }
    const QString context = lines.join(QLatin1Char('|')) + QLatin1Char('\n') + f.traced();

    if (outcome == QLatin1String("twice")) {
        QVERIFY2(!succeeded, qPrintable(context));
        QVERIFY2(lines.constLast().startsWith(QStringLiteral("Прибор ответил дважды")),
                 qPrintable(context));
        // The failure line of the step in doubt: which one depends on when the second answer
        // is seen.
        const QString failure = lines.at(lines.size() - 2);
        QVERIFY2(failure.startsWith(write ? QStringLiteral("Ошибка записи")
                                          : QStringLiteral("error: ошибка чтения")),
                 qPrintable(context));
        QVERIFY(transfer.answeredTwice());
        // Two doubts in a row on one step end the transfer: that step was asked twice, not more.
        QMap<QString, int> sends;
        for (const QString &request : f.sim.received())
            ++sends[request];
        int most = 0;
        for (const int count : qAsConst(sends))
            most = qMax(most, count);
        QVERIFY2(most == 2, qPrintable(context));
        return;
    }
    QVERIFY2(succeeded, qPrintable(context));
    if (faults.constFirst().startsWith(QLatin1String("twicecrc")))
        QCOMPARE(f.sim.requestCount(), RepeatProgram.size() + 2);
    if (!write)
        return;
    // The write's read-back, as by default after every write.
    const ProgramTransfer::ReadResult back =
        ProgramTransfer(f.link, 0, 0, [](const QString &) {}).read();
    const SimulatedCell cell = f.sim.cell(0);
    const bool cellHoldsProgram = cell.count == RepeatProgram.size() &&
                                  cell.name == QByteArray("Rp   ") &&
                                  cell.lines.mid(0, RepeatProgram.size()) == RepeatProgram;
    const bool readBackEqual = back.status == ProgramTransfer::ReadStatus::Read &&
                               back.records == RepeatProgram &&
                               back.name == QStringLiteral("Rp   ");
    // Never a check passed over a cell that does not hold the program.
    QVERIFY2(!readBackEqual || cellHoldsProgram,
             qPrintable(TestRecords::describe(cell, RepeatProgram.size()).join(QLatin1Char('\n'))));
    QCOMPARE(readBackEqual, outcome == QLatin1String("verified"));
    QCOMPARE(cellHoldsProgram, outcome == QLatin1String("verified"));
}

void TestDeviceLink::ownEchoDropped_data()
{
    QTest::addColumn<int>("slave");
    QTest::newRow("Slave ID 5") << 5;
    // Our own address: the echo of a request would pass every header check.
    QTest::newRow("Slave ID 200") << 200;
}

void TestDeviceLink::ownEchoDropped()
{
    QFETCH(int, slave);
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--echo"), QStringLiteral("--slave"), QString::number(slave));
    ProgramTransfer transfer(f.link, quint8(slave), 1, [](const QString &) {});
    QCOMPARE(transfer.write(RepeatProgram, RepeatName), ProgramTransfer::WriteResult::Written);
    const ProgramTransfer::ReadResult back = transfer.read();
    QCOMPARE(back.status, ProgramTransfer::ReadStatus::Read);
    QCOMPARE(back.records, RepeatProgram);
    const SimulatedCell cell = f.sim.cell(1);
    QCOMPARE(cell.count, RepeatProgram.size());
    QCOMPARE(cell.lines.mid(0, RepeatProgram.size()), RepeatProgram);
    // Each request sent once: no echo was taken for a refusal or a time-out.
    QCOMPARE(f.sim.received().size(), 2 * (RepeatProgram.size() + 2));
    QCOMPARE(f.traced().count(QLatin1String("Echo #")), 2 * (RepeatProgram.size() + 2));
}

void TestDeviceLink::splitReplyAssembled()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--fault"),
                  QStringLiteral("split@*"), QStringLiteral("--fault"), QStringLiteral("noise@*"));
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 0 count 0 name 5072673120")));
    QString name;
    QCOMPARE(f.link.ReadPrgName(1, name, 0, DeviceProtocol::AccessMemoryRead), LinkResult::Success);
    QCOMPARE(name, QStringLiteral("Prg1 "));
    QCOMPARE(f.sim.received().size(), 1);
    QVERIFY2(f.traced().contains(QLatin1String("line=#")), qPrintable(f.traced()));
    QVERIFY2(f.traced().contains(QLatin1String("line+")), qPrintable(f.traced()));
}

void TestDeviceLink::traceOfRead()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"));
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 0 count 5 name 2020202020")));
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    QCOMPARE(f.traced(), QStringLiteral("Call GetLine\n"
                                        "#C801B4020542D5\\x0D"
                                        "line=#C801B4020542D5\\x0D\n"
                                        "\n"
                                        "LineCode = #C801B4020542D5\\x0D\n"));
}

void TestDeviceLink::traceOfWrite()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"));
    QCOMPARE(f.link.WriteSize(1, 3, 1, DeviceProtocol::AccessMemoryWrite), LinkResult::Success);
    QCOMPARE(f.traced(), QStringLiteral("Call GetLine\n"
                                        "#C801B51F87B1\\x0D"
                                        "line=#C801B51F87B1\\x0D\n"
                                        "\n"
                                        "LineCode = #C801B51F87B1\\x0D\n"
                                        "#C801B51F87B1\\x0D"));
}

void TestDeviceLink::traceOfSilentWrite()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--fault"),
                  QStringLiteral("silent@*"));
    QCOMPARE(f.link.WriteSize(1, 3, 1, DeviceProtocol::AccessMemoryWrite), LinkResult::NoReply);
    QCOMPARE(f.traced(), QStringLiteral("Call GetLine\nCall GetLine\nCall GetLine\n"));
}

void TestDeviceLink::closedPortGivesNoReplyAtOnce()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"));
    f.port.close();
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::NoReply);
    QCOMPARE(f.link.WriteSize(1, 3, 0, DeviceProtocol::AccessMemoryWrite), LinkResult::NoReply);
    QCOMPARE(f.link.timedOutWaits(), 0);
    QCOMPARE(count, -1);
    QCOMPARE(f.sim.requestCount(), 0);
    QCOMPARE(f.traced().count(QLatin1String("Call GetLine\n")), 2 + 3);
}

void TestDeviceLink::portClosedDuringWait()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--fault"),
                  QStringLiteral("silent@*"));
    // After the quiet start, while the first request waits.
    QTimer::singleShot(DeviceLink::QuietStartMs + 50, &f.port, [&f]() { f.port.close(); });
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::NoReply);
    // Neither run waited out its time-out.
    QCOMPARE(f.link.timedOutWaits(), 0);
    QCOMPARE(f.sim.received().size(), 1);
}

void TestDeviceLink::secondRequestDuringWaitRefused()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--fault"),
                  QStringLiteral("silent@1"));
    LinkResult inner = LinkResult::Success;
    bool innerBusy = false;
    QTimer::singleShot(50, &f.port, [&]() {
        innerBusy = f.link.isBusy();
        inner = f.link.WriteSize(1, 3, 1, DeviceProtocol::AccessMemoryWrite);
    });
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    QVERIFY(innerBusy);
    QCOMPARE(inner, LinkResult::NoReply);
    QCOMPARE(f.sim.received(), repeated(2, QStringLiteral("#01C8B4028FA9")));
    QVERIFY(!f.link.isBusy());
}

// The session runs one job at a time in the order asked, a yielding job (a poll) after every other
// that waits; a close reaches the running job's wait at once, as a hang-up would.
void TestDeviceLink::sessionRunsJobsInTurn()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--fault"),
                        QStringLiteral("silent@*")}),
             qPrintable(sim.errorString()));
    DeviceSession session;
    session.setTraceDevice(nullptr);
    QSignalSpy opened(&session, &DeviceSession::opened);
    session.open(sim.portPath());
    QVERIFY(opened.wait(5000));
    QVERIFY(opened.at(0).at(0).toBool());
    QVERIFY(session.isOpen());

    QSemaphore release;
    QStringList order;
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    const auto job = [&](const QString &name, bool yields, bool holds) {
        DeviceSession::Job made;
        made.yields = yields;
        made.work = [&, holds](DeviceLink &, DeviceSession::Context &) {
            const int now = ++running;
            mostAtOnce = std::max(mostAtOnce.load(), now);
            if (holds)
                release.acquire();
            --running;
        };
        made.done = [&order, name]() { order << name; };
        return made;
    };
    session.submit(job(QStringLiteral("first"), false, true));
    session.submit(job(QStringLiteral("poll"), true, false));
    session.submit(job(QStringLiteral("write"), false, false));
    session.submit(job(QStringLiteral("read"), false, false));
    QVERIFY(!session.isIdle());
    release.release();
    session.waitUntilIdle();
    QCOMPARE(order, QStringList({QStringLiteral("first"), QStringLiteral("write"),
                                 QStringLiteral("read"), QStringLiteral("poll")}));
    QCOMPARE(mostAtOnce.load(), 1);

    LinkResult result = LinkResult::Success;
    int timeouts = -1;
    DeviceSession::Job waiting;
    waiting.work = [&](DeviceLink &link, DeviceSession::Context &) {
        int count = -1;
        result = link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count);
        timeouts = link.timedOutWaits();
    };
    session.submit(std::move(waiting));
    // After the quiet start, while the request waits for its answer.
    QTRY_VERIFY(sim.requestCount() >= 1);
    session.close();
    QVERIFY(!session.isOpen());
    session.waitUntilIdle();
    QCOMPARE(result, LinkResult::NoReply);
    QCOMPARE(timeouts, 0);
    QCOMPARE(sim.received().size(), 1);
}

void TestDeviceLink::registers()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"));
    QVERIFY(f.sim.setMemory(QStringLiteral("register 01 3412FEFF01020304")));
    quint16 first = 0;
    qint16 second = 0;
    std::array<quint8, 4> bytes{};
    QCOMPARE(f.link.ReadRegisters01(1, first, second, bytes), LinkResult::Success);
    QCOMPARE(first, quint16(0x1234));
    QCOMPARE(second, qint16(-2));
    QCOMPARE(bytes, (std::array<quint8, 4>{1, 2, 3, 4}));

    QVERIFY(f.sim.setMemory(QStringLiteral("register 10 010002000300040005000600")));
    std::array<quint16, DeviceLink::Register10Values> six{};
    QCOMPARE(f.link.ReadRegisters10(1, six), LinkResult::Success);
    QCOMPARE(six, (std::array<quint16, 6>{1, 2, 3, 4, 5, 6}));

    QCOMPARE(f.link.WriteRegisters03(1, 0xBEEF, 0xFFFB), LinkResult::Success);
    QCOMPARE(f.link.ReadRegisters03(1, first, second), LinkResult::Success);
    QCOMPARE(first, quint16(0xBEEF));
    QCOMPARE(second, qint16(-5));

    QCOMPARE(f.link.WriteRegister07(1, 0x1234), LinkResult::Success);
    QVERIFY(f.sim.dump().contains(QStringLiteral("register 07 3412")));

    const std::array<int, DeviceLink::RegisterA8Values> a8 = {65535, -1, 0,     32767, 1, -32768,
                                                              40000, 7,  12345, -300,  9};
    QCOMPARE(f.link.WriteRegistersA8(1, 18, a8), LinkResult::Success);
    std::array<int, DeviceLink::RegisterA8Values> a8Back{};
    QCOMPARE(f.link.ReadRegistersA8(1, 2, a8Back), LinkResult::Success);
    QCOMPARE(a8Back, a8);

    QVERIFY(f.sim.setMemory(QStringLiteral("register AB 07D20400000000000000")));
    const std::array<quint8, DeviceLink::RegisterABBytes> seven = {1, 2, 3, 4, 5, 6, 7};
    QCOMPARE(f.link.WriteRegistersAB(1, 18, 9, seven), LinkResult::Success);
    quint8 byte = 0;
    quint16 word = 0;
    std::array<quint8, DeviceLink::RegisterABBytes> sevenBack{};
    QCOMPARE(f.link.ReadRegistersABLong(1, 2, byte, word, sevenBack), LinkResult::Success);
    QCOMPARE(byte, quint8(9));
    QCOMPARE(word, quint16(0x04D2));
    QCOMPARE(sevenBack, seven);
    quint16 third = 0;
    QCOMPARE(f.link.ReadRegistersABShort(1, 1, word, byte, third), LinkResult::Success);
    QCOMPARE(word, quint16(0x04D2));
    QCOMPARE(byte, quint8(9));
    QCOMPARE(third, quint16(0x0201));

    const QStringList frames = f.sim.received();
    QCOMPARE(frames.first(), QStringLiteral("#01C801015E32"));
    QVERIFY(frames.contains(QStringLiteral("#01C8A802C9B7")));
    QVERIFY(frames.contains(QStringLiteral("#01C8AB01AC87")));
}

void TestDeviceLink::waitingDoesNotSpin()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--fault"),
                  QStringLiteral("silent@*"));
    QElapsedTimer wall;
    wall.start();
    const qint64 cpuBefore = cpuMicroseconds();
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::NoReply);
    const qint64 cpu = cpuMicroseconds() - cpuBefore;
    const qint64 wallUs = wall.nsecsElapsed() / 1000;
    QCOMPARE(f.link.timedOutWaits(), 2);
    const qint64 waitUs = 2 * DeviceLink::MemoryTimeoutMs * 1000;
    QVERIFY(wallUs >= waitUs);
    // A polling loop burns the whole wait, or most of its share of a loaded machine; sleeping
    // costs next to nothing. Against the waits' own length, not the wall time a loaded machine
    // stretches.
    QVERIFY2(cpu * 4 < waitUs,
             qPrintable(QStringLiteral("cpu %1 us of %2 us").arg(cpu).arg(wallUs)));
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"

void TestDeviceLink::registerBlocks_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<int>("access");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QVector<int>>("values");
    QTest::addColumn<QString>("types");

    QTest::newRow("01") << "01"
                        << "register 01 3412FEFF01020304" << 1 << "#01C801015E32"
                        << QVector<int>{0x1234, -2, 1, 2, 3, 4} << "u16 s16 u8 u8 u8 u8";
    QTest::newRow("10 last value 65535")
        << "10"
        << "register 10 01000200030004000500FFFF" << 1 << QString()
        << QVector<int>{1, 2, 3, 4, 5, 65535} << "u16 u16 u16 u16 u16 u16";
    QTest::newRow("03 signed second")
        << "03"
        << "register 03 EFBE0080" << 1 << QString() << QVector<int>{0xBEEF, -32768} << "u16 s16";
    QTest::newRow("A8 alternates, caller's access")
        << "A8"
        << "register A8 FFFFFFFF0000FF7F01000080409C07003930D4FE0900" << 2 << "#01C8A802C9B7"
        << QVector<int>{65535, -1, 0, 32767, 1, -32768, 40000, 7, 12345, -300, 9}
        << "u16 s16 u16 s16 u16 s16 u16 s16 u16 s16 u16";
    QTest::newRow("AB long form") << "AB"
                                  << "register AB 09D20401020304050607" << 2 << QString()
                                  << QVector<int>{9, 0x04D2, 1, 2, 3, 4, 5, 6, 7}
                                  << "u8 u16 u8 u8 u8 u8 u8 u8 u8";
    QTest::newRow("AB short form under access 1")
        << "ABs"
        << "register AB 09D20401020304050607" << 1 << "#01C8AB01AC87"
        << QVector<int>{0x04D2, 9, 0x0201} << "u16 u8 u16";
}

void TestDeviceLink::registerBlocks()
{
    QFETCH(QString, key);
    QFETCH(QString, payload);
    QFETCH(int, access);
    QFETCH(QString, request);
    QFETCH(QVector<int>, values);
    QFETCH(QString, types);

    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"));
    QVERIFY(f.sim.setMemory(payload));
    const RegisterLayout::Block *block = RegisterLayout::find(key.toLower());
    QVERIFY(block);
    QVector<int> read;
    QCOMPARE(RegisterLayout::read(f.link, 1, *block, quint8(access), read), LinkResult::Success);
    QCOMPARE(read, values);
    QStringList typeNames;
    QStringList names;
    for (int i = 0; i < block->fields.size(); ++i) {
        typeNames << RegisterLayout::typeName(block->fields.at(i));
        names << QStringLiteral("%1.%2").arg(key).arg(i);
    }
    QCOMPARE(typeNames.join(QLatin1Char(' ')), types);
    QCOMPARE(RegisterLayout::fieldNames({key}), names);
    if (!request.isEmpty())
        QCOMPARE(f.sim.received(), QStringList{request});
    // The line's bound counts both frames at 9600 8N1 and the quiet gap before the request.
    const int replyChars = 2 + 2 * (block->minLength + 3);
    QCOMPARE(RegisterLayout::pollLineUs({key}), (14 + replyChars) * 10000000LL / 9600 + 3000);
}

void TestDeviceLink::registerMapJson_data()
{
    QTest::addColumn<QByteArray>("json");
    // Empty: the map is taken, and written again gives the same map.
    QTest::addColumn<QString>("error");

    QTest::newRow("full entry") << QByteArray(R"({"fields": {"01.0": {"label": "Uout", "scale": )"
                                              R"(0.01, "unit": "V"}}})")
                                << QString();
    QTest::newRow("parts left out, short AB form")
        << QByteArray(R"({"fields": {"ABs.2": {"unit": "mA"}, "A8.10": {"label": "x, \"y\""}}})")
        << QString();
    QTest::newRow("no fields object") << QByteArray(R"({"01.0": {}})") << u8"нет объекта «fields»";
    QTest::newRow("field past the layout") << QByteArray(R"({"fields": {"01.6": {"label": "x"}}})")
                                           << u8"поля «01.6» нет ни в одном регистре";
    QTest::newRow("unknown block")
        << QByteArray(R"({"fields": {"07.0": {}}})") << u8"поля «07.0» нет ни в одном регистре";
    QTest::newRow("zero scale") << QByteArray(R"({"fields": {"03.0": {"scale": 0}}})")
                                << u8"поле 03.0: scale должен быть числом, не равным нулю";
    QTest::newRow("scale as text") << QByteArray(R"({"fields": {"03.0": {"scale": "0.1"}}})")
                                   << u8"поле 03.0: scale должен быть числом, не равным нулю";
    QTest::newRow("label a number") << QByteArray(R"({"fields": {"03.0": {"label": 5}}})")
                                    << u8"поле 03.0: label и unit должны быть строками";
}

void TestDeviceLink::registerMapJson()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    QString reason;
    const std::optional<RegisterMap> map = RegisterMap::fromJson(json, &reason);
    QCOMPARE(reason, error);
    QCOMPARE(map.has_value(), error.isEmpty());
    if (!map)
        return;
    QVERIFY(!map->entries().isEmpty());
    QString again;
    QCOMPARE(RegisterMap::fromJson(map->toJson(), &again), map);
}

void TestDeviceLink::pollYieldsAndLogs()
{
    // Slow answers: a poll of three blocks takes a while, and a job submitted meanwhile must not
    // wait for more than the poll on the line.
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--slave"), QStringLiteral("1"),
                        QStringLiteral("--turnaround"), QStringLiteral("40"),
                        QStringLiteral("--fault"), QStringLiteral("silent@cmd=10")}),
             qPrintable(sim.errorString()));
    QVERIFY(sim.setMemory(QStringLiteral("register 03 D2040600")));
    DeviceSession session;
    session.setTraceDevice(nullptr);
    QSignalSpy opened(&session, &DeviceSession::opened);
    session.open(sim.portPath());
    QVERIFY(opened.wait(5000));
    RegisterPoll poll(session);
    RegisterPoll::Settings settings;
    settings.slave = 1;
    settings.intervalMs = 10;
    poll.setSettings(settings);
    QCOMPARE(poll.settings().intervalMs, RegisterLayout::shortestIntervalMs(settings.keys));

    RegisterMap map;
    map.setEntry(QStringLiteral("03.0"), {QStringLiteral("Us, V"), 0.01, QStringLiteral("V")});
    RegisterCsv csv(RegisterLayout::fieldNames(settings.keys), map);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    QString error;
    QVERIFY2(csv.open(path, &error), qPrintable(error));
    QVector<RegisterSample> samples;
    connect(&poll, &RegisterPoll::sampled, this, [&](const RegisterSample &sample) {
        samples.append(sample);
        QVERIFY(csv.append(sample, &error));
    });
    QVERIFY(poll.start());
    QTRY_VERIFY_WITH_TIMEOUT(samples.size() >= 2, 10000);

    // Into the middle of a poll: the job runs once the poll's request on the line is answered.
    QTRY_VERIFY(poll.isPolling());
    QElapsedTimer waited;
    std::atomic<qint64> startedAfterMs{-1};
    DeviceSession::Job other;
    other.work = [&](DeviceLink &, DeviceSession::Context &) { startedAfterMs = waited.elapsed(); };
    waited.start();
    session.submit(std::move(other));
    QTRY_VERIFY(startedAfterMs >= 0);
    const qint64 onePollMs = 3 * (DeviceLink::RegisterTimeoutMs + 40);
    QVERIFY2(startedAfterMs < onePollMs, qPrintable(QString::number(startedAfterMs)));
    const int before = samples.size();
    QTRY_VERIFY_WITH_TIMEOUT(samples.size() >= before + 2, 10000);
    poll.stop();
    session.waitUntilIdle();
    csv.close();

    // Block 10 is silent every time: each poll failed, its fields stay empty in the CSV.
    QCOMPARE(poll.failedPolls(), poll.polls());
    const RegisterSample &last = samples.constLast();
    QCOMPARE(last.failedKeys(), QStringList{QStringLiteral("10")});
    QCOMPARE(last.value(QStringLiteral("03.0")), std::optional<int>(1234));
    QVERIFY(!last.value(QStringLiteral("10.0")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), samples.size() + 1);
    QCOMPARE(lines.first(), QStringLiteral("time,01.0,01.1,01.2,01.3,01.4,01.5,10.0,10.1,10.2,"
                                           "10.3,10.4,10.5,\"Us, V\",03.1"));
    QCOMPARE(lines.last(),
             RegisterSample::timeText(last.time) + QStringLiteral(",0,0,0,0,0,0,,,,,,,12.34,6"));
    QVERIFY(
        QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z,"))
            .match(lines.last())
            .hasMatch());
}
