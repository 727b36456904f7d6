#include "compiler.h"
#include "langtestutil.h"
#include "programrun.h"
#include "statementkind.h"

#include <QtTest>

using namespace LangTest;

// The run model over compiled programs: the trace, why and when the run stops, and the words for
// both.
class TestProgramRun : public QObject
{
    Q_OBJECT

private slots:
    void run_data();
    void run();
    void runRecordsOfASupply_data();
    void runRecordsOfASupply();
    void runStopsWithinItsBudget();
    void durationText_data();
    void durationText();
    void parseDuration_data();
    void parseDuration();
};

namespace {

// "time line operand=value" per row.
QStringList describeTrace(const RunTrace &trace)
{
    const Language::CodeTable codes = Language::operandCodes();
    QStringList out;
    for (const RunTraceRow &row : trace) {
        out << QStringLiteral("%1 %2 %3=%4")
                   .arg(row.timeMs)
                   .arg(row.line)
                   .arg(Language::nameOf(codes, row.operand))
                   .arg(row.value);
    }
    return out;
}

QString names(const QVector<int> &codes)
{
    const Language::CodeTable table = Language::operandCodes();
    QStringList out;
    for (const int code : codes)
        out << Language::nameOf(table, code);
    return out.join(QLatin1Char(' '));
}

} // namespace

void TestProgramRun::run_data()
{
    QTest::addColumn<QString>("program");
    // "Uo=5 Io=-2"
    QTest::addColumn<QString>("start");
    // 0: the default limit.
    QTest::addColumn<qint64>("limitMs");
    QTest::addColumn<QStringList>("trace");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<qint64>("finalTimeMs");
    // Operands read before the run assigned them.
    QTest::addColumn<QString>("reads");

    QTest::newRow("empty program ends at once")
        << QString() << QString() << qint64(0) << QStringList()
        << u8("программа завершилась за 0 мс") << qint64(0) << QString();

    QTest::newRow("assignments wrap and divide toward zero")
        << text({"prgName = \"Wrap\";", "M1 = 7;", "M1 += 2147483647;", "M1 -= 10;", "M1 *= 2;",
                 "M1 /= 3;", "M2 = M1;", "M3 = -2147483648;", "M3 /= -1;", "M4 = -7;", "M4 /= 2;"})
        << QString() << qint64(0)
        << lines({"0 2 M1=7", "0 3 M1=-2147483642", "0 4 M1=2147483644", "0 5 M1=-8", "0 6 M1=-2",
                  "0 7 M2=-2", "0 8 M3=-2147483648", "0 9 M3=-2147483648", "0 10 M4=-7",
                  "0 11 M4=-3"})
        << u8("программа завершилась за 0 мс") << qint64(0) << QString();

    QTest::newRow("nop, labels, jmp and both delays")
        << text({"nop;", "jmp #1;", "Us = 1;", "#1;", "delay_ms 250;", "Us = 2;", "delay_s 2;",
                 "Out = Us;"})
        << QString() << qint64(0) << lines({"250 6 Us=2", "2250 8 Out=2"})
        << u8("программа завершилась за 2,25 с") << qint64(2250) << QString();

    QTest::newRow("if taken, else taken, neither")
        << text({"Uo = 5;", "if Uo > 3 #1 else #2;", "M1 = 99;", "#1;", "M1 = 1;",
                 "if Uo < 3 #3 else #2;", "#3;", "M1 = 3;", "#2;", "M2 = 2;", "if Uo == 4 #3;",
                 "M3 = Blk;"})
        << QString() << qint64(0) << lines({"0 1 Uo=5", "0 5 M1=1", "0 10 M2=2", "0 12 M3=0"})
        << u8("программа завершилась за 0 мс") << qint64(0) << u8("Blk");

    QTest::newRow("counting down through >=, <= and !=")
        << text({"M1 = 3;", "#1;", "M1 -= 1;", "delay_ms 1;", "if M1 >= 1 #1;", "if M1 <= -1 #1;",
                 "if M1 != 0 #1;", "M2 = 7;"})
        << QString() << qint64(0)
        << lines({"0 1 M1=3", "0 3 M1=2", "1 3 M1=1", "2 3 M1=0", "3 8 M2=7"})
        << u8("программа завершилась за 3 мс") << qint64(3) << QString();

    QTest::newRow(">= decides alone, at equality and one below")
        << text({"M1 = 5;", "if M1 >= 5 #1;", "M2 = 1;", "#1;", "M1 = 4;", "if M1 >= 5 #2;",
                 "M3 = 1;", "#2;"})
        << QString() << qint64(0) << lines({"0 1 M1=5", "0 5 M1=4", "0 7 M3=1"})
        << u8("программа завершилась за 0 мс") << qint64(0) << QString();

    QTest::newRow("ramp of three steps")
        << text({"prgName = \"Ramp\";", "#1;", "Us += 100;", "delay_ms 500;", "if Us < 300 #1;"})
        << QString() << qint64(0) << lines({"0 3 Us=100", "500 3 Us=200", "1000 3 Us=300"})
        << u8("программа завершилась за 1,5 с") << qint64(1500) << u8("Us");

    QTest::newRow("starting values are read")
        << text({"M1 = Uo;", "M1 += Io;", "if Io < 0 #1;", "M2 = 1;", "#1;", "Io = 0;"})
        << u8("Uo=42 Io=-2") << qint64(0) << lines({"0 1 M1=42", "0 2 M1=40", "0 6 Io=0"})
        << u8("программа завершилась за 0 мс") << qint64(0) << u8("Uo Io");

    QTest::newRow("division by zero stops at its record")
        << text({"M1 = 10;", "delay_ms 5;", "M1 /= M2;", "M1 = 1;"}) << QString() << qint64(0)
        << lines({"0 1 M1=10"}) << u8("деление на ноль в строке 3, время программы 5 мс")
        << qint64(5) << u8("M2");

    QTest::newRow("loop without delay stalls")
        << text({"Us = 1;", "#1;", "nop;", "jmp #1;"}) << QString() << qint64(0)
        << lines({"0 1 Us=1"}) << u8("цикл без задержки в строках 2–4, время программы 0 мс")
        << qint64(0) << QString();

    QTest::newRow("stall counts from the last delay")
        << text({"delay_ms 10;", "", "#1;", "if Us == 0 #1 else #2;", "#2;"}) << QString()
        << qint64(0) << QStringList()
        << u8("цикл без задержки в строках 3–4, время программы 10 мс") << qint64(10) << u8("Us");

    QTest::newRow("time limit stops before the next record")
        << text({"#1;", "Us += 1;", "delay_ms 400;", "if Us < 100 #1;"}) << QString()
        << qint64(1000) << lines({"0 2 Us=1", "400 2 Us=2", "800 2 Us=3"})
        << u8("достигнут предел времени 1 с") << qint64(1000) << u8("Us");

    QTest::newRow("reaching the limit exactly goes on")
        << text({"#1;", "Us += 1;", "delay_ms 400;", "if Us < 100 #1;"}) << QString() << qint64(800)
        << lines({"0 2 Us=1", "400 2 Us=2", "800 2 Us=3"}) << u8("достигнут предел времени 800 мс")
        << qint64(800) << u8("Us");

    QTest::newRow("default limit of one hour, long delays do not overflow")
        << text({"delay_s 3600;", "Us = 1;", "delay_s 2147483647;", "Us = 2;"}) << QString()
        << qint64(0) << lines({"3600000 2 Us=1"}) << u8("достигнут предел времени 1 ч")
        << qint64(3600000) << QString();
}

void TestProgramRun::run()
{
    QFETCH(QString, program);
    QFETCH(QString, start);
    QFETCH(qint64, limitMs);
    QFETCH(QStringList, trace);
    QFETCH(QString, stop);
    QFETCH(qint64, finalTimeMs);
    QFETCH(QString, reads);

    const CompileResult compiled = compileProgram(program);
    QVERIFY2(compiled.ok, qPrintable(compiled.report.join(QLatin1Char('\n'))));
    ProgramRun run(compiled.instructions, compiled.recordSourceLines);
    const Language::CodeTable codes = Language::operandCodes();
    for (const QString &pair : start.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList parts = pair.split(QLatin1Char('='));
        QVERIFY(codes.contains(parts.at(0)));
        run.setStartValue(codes.value(parts.at(0)), parts.at(1).toInt());
    }
    if (limitMs > 0)
        run.setTimeLimitMs(limitMs);

    const RunOutcome outcome = run.run();
    QCOMPARE(describeTrace(outcome.trace), trace);
    QCOMPARE(ProgramRun::stopText(outcome, run.timeLimitMs()), stop);
    QCOMPARE(outcome.finalTimeMs, finalTimeMs);
    QCOMPARE(names(outcome.readBeforeAssigned), reads);
    // Each assigned operand ends with its last traced value; each row names its record's line.
    QHash<int, qint32> last;
    for (const RunTraceRow &row : outcome.trace) {
        last.insert(row.operand, row.value);
        QCOMPARE(compiled.recordSourceLines.value(row.record), row.line);
    }
    for (auto it = last.cbegin(); it != last.cend(); ++it)
        QCOMPARE(outcome.finalValues[size_t(it.key())], it.value());
}

// Records read from a supply hold what no text compiles to: an operand code past the table, a
// delay count with the top bit set.
void TestProgramRun::runRecordsOfASupply_data()
{
    QTest::addColumn<InstructionList>("records");
    QTest::addColumn<QStringList>("trace");
    QTest::addColumn<qint64>("finalTimeMs");

    const int m1 = Language::operandCodes().value(QStringLiteral("M1"));
    const int us = Language::operandCodes().value(QStringLiteral("Us"));
    Instruction fromUnknown;
    fromUnknown.func = Assign;
    fromUnknown.oper = quint8(m1 | Instruction::NamedOperandBit);
    fromUnknown.arg1 = 128;
    // Code 128 is no operand: it reads the spare slot, whose starting value is set below.
    QTest::newRow("named source code 128") << InstructionList{fromUnknown}
                                           << lines({"0 1 M1=77"}) << qint64(0);

    Instruction longDelay;
    longDelay.func = DelayMs;
    longDelay.arg1 = qint32(0x80000000u);
    Instruction setUs;
    setUs.func = Assign;
    setUs.oper = quint8(us);
    setUs.arg1 = 1;
    // 2^31 ms is about 24.9 days: the hour's limit comes first, nothing runs backwards.
    QTest::newRow("delay count of 2^31 ms") << InstructionList{longDelay, setUs} << QStringList()
                                            << qint64(3600000);
}

void TestProgramRun::runRecordsOfASupply()
{
    QFETCH(InstructionList, records);
    QFETCH(QStringList, trace);
    QFETCH(qint64, finalTimeMs);
    QVector<int> sourceLines;
    for (int i = 0; i < records.size(); ++i)
        sourceLines << i + 1;
    ProgramRun run(records, sourceLines);
    run.setStartValue(127, 77);
    const RunOutcome outcome = run.run();
    QCOMPARE(describeTrace(outcome.trace), trace);
    QCOMPARE(outcome.finalTimeMs, finalTimeMs);
}

// A program that changes operands every millisecond for hours must not fill memory: the run stops
// at its row budget with what it has, and says so.
void TestProgramRun::runStopsWithinItsBudget()
{
    const CompileResult compiled =
        compileProgram(text({"#1;", "Us += 1;", "Is += 1;", "delay_ms 1;", "jmp #1;"}));
    QVERIFY(compiled.ok);
    ProgramRun run(compiled.instructions, compiled.recordSourceLines);
    run.setMaxTraceRows(5);
    const RunOutcome outcome = run.run();
    QCOMPARE(describeTrace(outcome.trace),
             lines({"0 2 Us=1", "0 3 Is=1", "1 2 Us=2", "1 3 Is=2", "2 2 Us=3"}));
    QCOMPARE(outcome.stop, RunStop::Budget);
    QCOMPARE(outcome.finalTimeMs, qint64(2));
    QCOMPARE(ProgramRun::stopText(outcome, run.timeLimitMs()),
             u8("прогон остановлен после 12 записей и 5 изменений операндов, время программы 2 "
                "мс: уменьшите предел времени"));
}

void TestProgramRun::durationText_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("ms") << qint64(999) << u8("999 мс");
    QTest::newRow("whole seconds") << qint64(1000) << u8("1 с");
    QTest::newRow("seconds and ms") << qint64(59999) << u8("59,999 с");
    QTest::newRow("minute") << qint64(60000) << u8("1 мин");
    QTest::newRow("minutes and a half second") << qint64(127500) << u8("2 мин 7,5 с");
    QTest::newRow("hour and a half") << qint64(5400000) << u8("1 ч 30 мин");
    QTest::newRow("hour and a ms") << qint64(3600001) << u8("1 ч 0,001 с");
}

void TestProgramRun::durationText()
{
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(ProgramRun::durationText(ms), text);
}

void TestProgramRun::parseDuration_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("ms"); // -1: refused
    QTest::newRow("bare number is seconds") << u8("90") << qint64(90000);
    QTest::newRow("ms") << u8("250ms") << qint64(250);
    QTest::newRow("fraction of a second") << u8("1.5s") << qint64(1500);
    QTest::newRow("decimal comma, blank before the unit") << u8("1,5 m") << qint64(90000);
    QTest::newRow("hours") << u8("2h") << qint64(7200000);
    QTest::newRow("zero") << u8("0") << qint64(0);
    QTest::newRow("negative") << u8("-1s") << qint64(-1);
    QTest::newRow("unknown unit") << u8("1d") << qint64(-1);
    QTest::newRow("exponent") << u8("1e3") << qint64(-1);
    QTest::newRow("empty") << QString() << qint64(-1);
    QTest::newRow("too long to mean anything") << u8("999999999999h") << qint64(-1);
}

void TestProgramRun::parseDuration()
{
    QFETCH(QString, text);
    QFETCH(qint64, ms);
    const std::optional<qint64> parsed = ProgramRun::parseDuration(text);
    QCOMPARE(parsed.value_or(-1), ms);
}

QTEST_GUILESS_MAIN(TestProgramRun)
#include "tst_programrun.moc"
