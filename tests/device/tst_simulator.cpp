// The simulated supply: its fault rules, its memory and text form, and the tool itself on a
// pseudo-terminal (ignored frames, the cells file, pacing, control lines).

#include "devicelink.h"
#include "deviceprotocol.h"
#include "faultplan.h"
#include "instruction.h"
#include "linkfixture.h"
#include "simulatedsupply.h"
#include "supplybank.h"
#include "supplymemory.h"
#include "supplyprogram.h"
#include "compiler.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(LinkResult)
Q_DECLARE_METATYPE(SupplyMemory::Request)

class TestSimulator : public QObject
{
    Q_OBJECT
private slots:
    void faultRule_data();
    void faultRule();
    void faultMatch_data();
    void faultMatch();
    void classify_data();
    void classify();
    void memoryTextRoundTrip();
    void malformedMemoryLine_data();
    void malformedMemoryLine();
    void ignoredFramesGetNoAnswer_data();
    void ignoredFramesGetNoAnswer();
    void cellsSurviveRestart();
    void severalSuppliesOnOneLine();
    void controlLines_data();
    void controlLines();
    void programDrivesRegisters();
    void faultsChangeAtRunTime();
    void pacedExchangeTakesLineTime();
    void lateAnswerWithinTimeoutAccepted();
    void lateAnswerDoesNotHoldBackOthers();
};

void TestSimulator::faultRule_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ordinal") << "silent@3" << true;
    QTest::newRow("run of two") << "crc@3x2" << true;
    QTest::newRow("range") << "noise@3-5" << true;
    QTest::newRow("command") << "late@cmd=B5" << true;
    QTest::newRow("every request") << "hangup@*" << true;
    QTest::newRow("kind in capitals") << "Status1E@1" << true;
    QTest::newRow("no selector") << "silent" << false;
    QTest::newRow("unknown kind") << "bogus@1" << false;
    QTest::newRow("ordinal 0") << "silent@0" << false;
    QTest::newRow("empty run") << "silent@3x0" << false;
    QTest::newRow("backward range") << "silent@5-3" << false;
    QTest::newRow("command above FF") << "silent@cmd=1FF" << false;
    QTest::newRow("not a number") << "silent@three" << false;
    QTest::newRow("one supply") << "silent@slave=3" << true;
    QTest::newRow("one supply's ordinal") << "crc@2,slave=3" << true;
    QTest::newRow("supply above 255") << "silent@slave=256" << false;
    QTest::newRow("two ordinals") << "silent@2,3" << false;
}

void TestSimulator::faultRule()
{
    QFETCH(QString, rule);
    QFETCH(bool, valid);
    FaultPlan plan;
    QString error;
    QCOMPARE(plan.add(rule, &error), valid);
    QCOMPARE(error.isEmpty(), valid);
    QCOMPARE(plan.isEmpty(), !valid);
}

void TestSimulator::faultMatch_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<int>("ordinal");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("slave");
    QTest::addColumn<int>("slaveOrdinal");
    QTest::addColumn<bool>("applies");
    QTest::newRow("ordinal hit") << "silent@3" << 3 << 0xB4 << 0 << 1 << true;
    QTest::newRow("ordinal miss") << "silent@3" << 4 << 0xB4 << 0 << 1 << false;
    QTest::newRow("run start") << "silent@3x2" << 3 << 0xB4 << 0 << 1 << true;
    QTest::newRow("run end") << "silent@3x2" << 4 << 0xB4 << 0 << 1 << true;
    QTest::newRow("after run") << "silent@3x2" << 5 << 0xB4 << 0 << 1 << false;
    QTest::newRow("before range") << "silent@3-5" << 2 << 0xB4 << 0 << 1 << false;
    QTest::newRow("range end") << "silent@3-5" << 5 << 0xB4 << 0 << 1 << true;
    QTest::newRow("command hit") << "silent@cmd=B5" << 9 << 0xB5 << 0 << 1 << true;
    QTest::newRow("command miss") << "silent@cmd=B5" << 9 << 0xB4 << 0 << 1 << false;
    QTest::newRow("every request") << "silent@*" << 1234 << 0x01 << 0 << 1 << true;
    QTest::newRow("aimed supply") << "silent@slave=3" << 9 << 0xB4 << 3 << 4 << true;
    QTest::newRow("other supply") << "silent@slave=3" << 9 << 0xB4 << 4 << 4 << false;
    QTest::newRow("supply's own ordinal") << "silent@2,slave=3" << 7 << 0xB4 << 3 << 2 << true;
    QTest::newRow("line's ordinal is not the supply's")
        << "silent@2,slave=3" << 2 << 0xB4 << 3 << 1 << false;
    QTest::newRow("supply and command") << "silent@cmd=B5,slave=3" << 2 << 0xB5 << 3 << 1 << true;
}

void TestSimulator::faultMatch()
{
    QFETCH(QString, rule);
    QFETCH(int, ordinal);
    QFETCH(int, command);
    QFETCH(int, slave);
    QFETCH(int, slaveOrdinal);
    QFETCH(bool, applies);
    FaultPlan plan;
    QString error;
    QVERIFY(plan.add(rule, &error));
    const quint32 mask = plan.faultsFor(ordinal, quint8(command), quint8(slave), slaveOrdinal);
    QCOMPARE(FaultPlan::has(mask, FaultPlan::Kind::Silent), applies);
    QVERIFY(!FaultPlan::has(mask, FaultPlan::Kind::Crc));
}

void TestSimulator::classify_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("payloadLength");
    QTest::addColumn<SupplyMemory::Request>("request");
    using R = SupplyMemory::Request;
    QTest::newRow("line read B0 1 byte") << 0xB0 << 1 << R::Read;
    QTest::newRow("line write B3 15 bytes") << 0xB3 << 15 << R::Write;
    QTest::newRow("line B0 no payload") << 0xB0 << 0 << R::Unknown;
    QTest::newRow("count read B4") << 0xB4 << 0 << R::Read;
    QTest::newRow("count write B7") << 0xB7 << 1 << R::Write;
    QTest::newRow("name read B8") << 0xB8 << 0 << R::Read;
    QTest::newRow("name write BB") << 0xBB << 5 << R::Write;
    QTest::newRow("name B8 4 bytes") << 0xB8 << 4 << R::Unknown;
    QTest::newRow("register 01 read") << 0x01 << 0 << R::Read;
    QTest::newRow("register 01 not writable") << 0x01 << 2 << R::Unknown;
    QTest::newRow("register 03 write") << 0x03 << 4 << R::Write;
    QTest::newRow("register 07 write only") << 0x07 << 0 << R::Unknown;
    QTest::newRow("register 07 write") << 0x07 << 2 << R::Write;
    QTest::newRow("register A8 write") << 0xA8 << 22 << R::Write;
    QTest::newRow("register AB write") << 0xAB << 10 << R::Write;
    QTest::newRow("unknown command BC") << 0xBC << 0 << R::Unknown;
}

void TestSimulator::classify()
{
    QFETCH(int, command);
    QFETCH(int, payloadLength);
    QFETCH(SupplyMemory::Request, request);
    QCOMPARE(SupplyMemory::classify(quint8(command), payloadLength), request);
}

void TestSimulator::memoryTextRoundTrip()
{
    SupplyMemory memory;
    QByteArray reply;
    QCOMPARE(memory.serve(0xB6, 18, QByteArray(1, char(200)), reply), SupplyMemory::Request::Write);
    QCOMPARE(memory.serve(0xBA, 18, QByteArray("Ab c "), reply), SupplyMemory::Request::Write);
    const QByteArray line = QByteArray::fromHex("0102030405060708090A0B0C0D0E");
    QCOMPARE(memory.serve(0xB2, 18, line + char(255), reply), SupplyMemory::Request::Write);
    QCOMPARE(memory.serve(0xA8, 18, QByteArray(22, char(0x5A)), reply),
             SupplyMemory::Request::Write);
    QCOMPARE(memory.serve(0xB2, 2, QByteArray(1, char(255)), reply), SupplyMemory::Request::Read);
    QCOMPARE(reply, line);

    SupplyMemory copy;
    QString error;
    for (const QString &text : memory.toText()) {
        QVERIFY2(copy.applyLine(text, &error), qPrintable(error));
    }
    QCOMPARE(copy.toText(), memory.toText());
    QCOMPARE(copy.count(2), 200);
    QCOMPARE(copy.name(2), QByteArray("Ab c "));
    QCOMPARE(copy.line(2, 255), line);
    QCOMPARE(copy.line(2, 254), QByteArray(14, '\0'));

    // A file of one supply belongs to the first supply of a line; the others' lines say whose.
    SupplyBank bank({5, 7});
    for (const QString &text : memory.toText()) {
        QVERIFY2(bank.applyLine(text, &error), qPrintable(error));
    }
    QVERIFY2(bank.applyLine(QStringLiteral("slave 7 cell 1 count 2 name 4142434445"), &error),
             qPrintable(error));
    QCOMPARE(bank.memory(5)->toText(), memory.toText());
    QCOMPARE(bank.memory(7)->count(1), 2);
    QCOMPARE(bank.memory(7)->count(2), 0);
    // Read back on a line without supply 5, its cells are kept under its Slave ID.
    SupplyBank other({7});
    for (const QString &text : bank.toText()) {
        QVERIFY2(other.applyLine(text, &error), qPrintable(error));
    }
    QVERIFY(!other.answers(5));
    QCOMPARE(other.memory(5)->toText(), memory.toText());
    QCOMPARE(other.memory(7)->count(1), 2);
    QVERIFY(other.toText().contains(QStringLiteral("slave 5 cell 2 count 200 name 4162206320")));
    QVERIFY(other.toText().contains(QStringLiteral("slave 7 cell 1 count 2 name 4142434445")));
    QCOMPARE(other.toText().filter(QRegularExpression(QStringLiteral("^(cell|line|register)"))),
             QStringList());
}

void TestSimulator::malformedMemoryLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("cell 4") << "cell 4 count 1 name 2020202020";
    QTest::newRow("count 256") << "cell 0 count 256 name 2020202020";
    QTest::newRow("short name") << "cell 0 count 1 name 20202020";
    QTest::newRow("line index 256") << "line 0 256 0102030405060708090A0B0C0D0E";
    QTest::newRow("short line") << "line 0 1 0102";
    QTest::newRow("not hex") << "line 0 1 0102030405060708090A0B0C0DZZ";
    QTest::newRow("unknown register") << "register 99 00";
    QTest::newRow("unknown word") << "cells 0";
    QTest::newRow("slave 256") << "slave 256 cell 0 count 1 name 2020202020";
    QTest::newRow("slave without item") << "slave 3";
    QTest::newRow("other supply's bad line") << "slave 3 cell 4 count 1 name 2020202020";
}

void TestSimulator::malformedMemoryLine()
{
    QFETCH(QString, line);
    SupplyBank memory({1, 3});
    const QStringList before = memory.toText();
    QString error;
    QVERIFY(!memory.applyLine(line, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(memory.toText(), before);
}

void TestSimulator::ignoredFramesGetNoAnswer_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("why");
    QTest::newRow("bad CRC") << QByteArray("#01C8B4028FAA\r") << "IGNORED bad crc";
    QTest::newRow("other slave") << QByteArray("#00C8B402F91D\r") << "IGNORED for slave 0";
    QTest::newRow("lowercase") << QByteArray("#01c8b4028fa9\r") << "IGNORED undecodable";
    QTest::newRow("too short") << QByteArray("#01C8\r") << "IGNORED undecodable";
    QTest::newRow("unknown command BC")
        << QByteArray("#01C8BC020600\r") << "IGNORED unknown request";
}

void TestSimulator::ignoredFramesGetNoAnswer()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, why);
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"));
    f.port.write("noise without start\r" + frame);
    // A sound request behind it: once it is answered, the frame before it has been dealt with.
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    const QStringList log = f.sim.log();
    QVERIFY2(log.contains(why), qPrintable(log.join(QLatin1Char('\n'))));
    QCOMPARE(f.sim.sent().size(), 1);
    QCOMPARE(f.sim.requestCount(), 1);
}

void TestSimulator::cellsSurviveRestart()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString cells = dir.filePath(QStringLiteral("cells.txt"));
    Instruction record;
    record.func = 4;
    record.arg1 = -123456;
    record.arg4 = -2;
    {
        LinkFixture f;
        START_FIXTURE(f, QStringLiteral("--cells"), cells);
        QCOMPARE(f.link.WriteProgramLine(0, record, 9, 3, DeviceProtocol::AccessMemoryWrite),
                 LinkResult::Success);
        QCOMPARE(f.link.WriteSize(0, 10, 3, DeviceProtocol::AccessMemoryWrite),
                 LinkResult::Success);
        QCOMPARE(
            f.link.WritePrgName(0, QStringLiteral("keep"), 3, DeviceProtocol::AccessMemoryWrite),
            LinkResult::Success);
    }
    QVERIFY(QFile::exists(cells));
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--cells"), cells);
    int count = -1;
    QString name;
    Instruction back;
    QCOMPARE(f.link.ReadSize(0, 3, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    QCOMPARE(f.link.ReadPrgName(0, name, 3, DeviceProtocol::AccessMemoryRead), LinkResult::Success);
    QCOMPARE(f.link.ReadProgramLine(0, back, 9, 3, DeviceProtocol::AccessMemoryRead),
             LinkResult::Success);
    QCOMPARE(count, 10);
    QCOMPARE(name, QStringLiteral("keep "));
    QCOMPARE(back, record);
    QCOMPARE(f.sim.cell(3).lines.at(9), record);
}

void TestSimulator::severalSuppliesOnOneLine()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("3,1"));
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 0 count 4 name 2020202020")));
    QVERIFY(f.sim.setMemory(QStringLiteral("slave 1 cell 0 count 9 name 2020202020")));
    const auto countOf = [&f](quint8 slave) {
        int count = -1;
        return f.link.ReadSize(slave, 0, DeviceProtocol::AccessMemoryRead, count) ==
                       LinkResult::Success
                   ? count
                   : -1;
    };
    QCOMPARE(countOf(3), 4);
    QCOMPARE(countOf(1), 9);
    QCOMPARE(countOf(2), -1);
    QVERIFY(f.sim.log().contains(QStringLiteral("IGNORED for slave 2")));
    // A write reaches its own supply only.
    QCOMPARE(f.link.WriteSize(1, 7, 1, DeviceProtocol::AccessMemoryWrite), LinkResult::Success);
    const QStringList cells = f.sim.dump();
    QVERIFY(cells.contains(QStringLiteral("slave 1 cell 1 count 7 name 2020202020")));
    QVERIFY(cells.contains(QStringLiteral("slave 3 cell 1 count 0 name 2020202020")));
    // A fault aimed at one supply leaves the other one answering.
    QVERIFY(f.sim.addFault(QStringLiteral("silent@slave=1")));
    QCOMPARE(countOf(1), -1);
    QCOMPARE(countOf(3), 4);
}

void TestSimulator::controlLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("answer");
    QTest::newRow("fault") << "fault crc@2 silent@cmd=B5"
                           << "ok";
    QTest::newRow("bad fault") << "fault bogus@1"
                               << "error";
    QTest::newRow("fault without rule") << "fault"
                                        << "error";
    QTest::newRow("clear") << "clear"
                           << "ok";
    QTest::newRow("count") << "count"
                           << "count 0";
    QTest::newRow("memory line") << "cell 2 count 4 name 4142434445"
                                 << "ok";
    QTest::newRow("bad memory line") << "cell 9 count 4 name 4142434445"
                                     << "error";
    QTest::newRow("unknown") << "frobnicate"
                             << "error";
    // The cells start empty: nothing to run, and nothing runs to stop.
    QTest::newRow("run an empty cell") << "run 1"
                                       << "error cell 1 holds no program";
    QTest::newRow("run cell 5") << "run 5"
                                << "error cell must be 1 to 4";
    QTest::newRow("run on a supply not on the line") << "run 1 9"
                                                     << "error no supply with Slave ID 9";
    QTest::newRow("stop with nothing running") << "stop"
                                               << "error no program runs on Slave ID 0";
    QTest::newRow("run without a cell") << "run"
                                        << "error usage: run CELL [SLAVE]";
}

void TestSimulator::controlLines()
{
    QFETCH(QString, line);
    QFETCH(QString, answer);
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    const QStringList got = sim.command(line);
    QCOMPARE(got.size(), 1);
    QVERIFY2(got.at(0).startsWith(answer), qPrintable(got.at(0)));
    QCOMPARE(sim.command(QStringLiteral("path")), QStringList{sim.portPath()});
}

void TestSimulator::faultsChangeAtRunTime()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("0"));
    QVERIFY(f.sim.addFault(QStringLiteral("status1e@cmd=B4")));
    QCOMPARE(f.link.WriteSize(0, 1, 0, DeviceProtocol::AccessMemoryWrite), LinkResult::Failure);
    QCOMPARE(f.link.WriteSize(0, 1, 1, DeviceProtocol::AccessMemoryWrite), LinkResult::Success);
    QVERIFY(f.sim.clearFaults());
    QCOMPARE(f.link.WriteSize(0, 1, 0, DeviceProtocol::AccessMemoryWrite), LinkResult::Success);
    QCOMPARE(f.sim.requestCount(), 3);
}

void TestSimulator::pacedExchangeTakesLineTime()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--pace"), QStringLiteral("--turnaround"),
                  QStringLiteral("20"));
    Instruction line;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(f.link.ReadProgramLine(0, line, 0, 0, DeviceProtocol::AccessMemoryRead),
             LinkResult::Success);
    // 16 characters in, 20 ms turnaround, 42 characters out, at 10 bits per character.
    const qint64 lineTimeMs = (16 + 42) * SimulatedSupply::CharTimeNs / 1000000 + 20;
    QVERIFY2(timer.elapsed() >= lineTimeMs,
             qPrintable(QStringLiteral("%1 ms < %2 ms").arg(timer.elapsed()).arg(lineTimeMs)));
}

void TestSimulator::lateAnswerWithinTimeoutAccepted()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--late-delay"), QStringLiteral("100"),
                  QStringLiteral("--fault"), QStringLiteral("late@*"));
    QElapsedTimer timer;
    timer.start();
    int count = -1;
    QCOMPARE(f.link.ReadSize(0, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    QVERIFY(timer.elapsed() >= 100);
    QCOMPARE(f.sim.received().size(), 1);
    QCOMPARE(f.link.timedOutWaits(), 0);
}

void TestSimulator::lateAnswerDoesNotHoldBackOthers()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--late-delay"), QStringLiteral("1000"),
                  QStringLiteral("--fault"), QStringLiteral("late@1"));
    QVERIFY(f.sim.setMemory(QStringLiteral("cell 0 count 5 name 2020202020")));
    int count = -1;
    // The first run gives up on the late answer; the second is answered at once, not after it.
    QCOMPARE(f.link.ReadSize(0, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    QCOMPARE(count, 5);
    QCOMPARE(f.link.timedOutWaits(), 1);
    QCOMPARE(f.sim.received().size(), 2);
}

void TestSimulator::programDrivesRegisters()
{
    // Values beyond a field are held at its bounds; a delay holds the rest back.
    const CompileResult compiled = compileProgram(QStringLiteral(
        "prgName = \"Regs\";\nUo = 70000;\nIo = -40000;\nOut = 1;\nBlk = 300;\nT2 = 7;\n"
        "M1 = 1;\nM6 = -5;\nIs = 12;\ndelay_ms 200;\nUs = 1500;\n"));
    QVERIFY(compiled.ok);
    SupplyMemory memory;
    QByteArray reply;
    memory.serve(DeviceProtocol::CountCommandBase + 1, DeviceProtocol::AccessMemoryWrite,
                 QByteArray(1, char(compiled.instructions.size())), reply);
    for (int i = 0; i < compiled.instructions.size(); ++i)
        memory.serve(DeviceProtocol::LineCommandBase + 1, DeviceProtocol::AccessMemoryWrite,
                     compiled.instructions.at(i).pack() + char(i), reply);
    // Before the first run the registers are the stored ones; Us starts from register 03.
    memory.setRegisterPayload(0x03, QByteArray::fromHex("64000000"));

    SupplyProgram program(memory);
    QSignalSpy ended(&program, &SupplyProgram::ended);
    QString error;
    QVERIFY2(program.start(1, &error), qPrintable(error));
    QCOMPARE(memory.registerPayload(0x01).toHex().toUpper(), QByteArray("FFFF008001FF0007"));
    QCOMPARE(memory.registerPayload(0x10).toHex().toUpper(),
             QByteArray("010000000000000000000000"));
    QCOMPARE(memory.registerPayload(0x03).toHex().toUpper(), QByteArray("64000C00"));
    // A write of 07 sets Out at once, while the program runs.
    program.registerWritten(0x07, QByteArray::fromHex("0000"));
    QCOMPARE(memory.registerPayload(0x01).toHex().toUpper(), QByteArray("FFFF008000FF0007"));
    QVERIFY(program.isRunning());
    QVERIFY(ended.wait(5000));
    QVERIFY(!program.isRunning());
    QCOMPARE(memory.registerPayload(0x03).toHex().toUpper(), QByteArray("DC050C00"));
    QVERIFY2(program.endText().contains(QStringLiteral("200")), qPrintable(program.endText()));
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
