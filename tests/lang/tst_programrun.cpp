#include "compiler.h"
#include "langtestutil.h"
#include "limitcheck.h"
#include "operandlimits.h"
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
    void limitsFile_data();
    void limitsFile();
    void limitCheck_data();
    void limitCheck();
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

    // Watched instead of traced, the run hands over the same rows and ends the same way.
    RunTrace watched;
    const RunOutcome untraced = run.runWatched([&](const RunTraceRow &row) { watched << row; });
    QCOMPARE(watched, outcome.trace);
    QVERIFY(untraced.trace.isEmpty());
    QCOMPARE(untraced.stop, outcome.stop);
    QCOMPARE(untraced.finalTimeMs, outcome.finalTimeMs);
    QCOMPARE(untraced.executedRecords, outcome.executedRecords);
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

void TestProgramRun::limitsFile_data()
{
    QTest::addColumn<QString>("file");
    // What the limits keep, in the file form.
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("three forms, blank lines, comments and CRLF")
        << u8("\xEF\xBB\xBF// bench A\r\nM1 -100..\r\n\r\n  Is ..500\r\nUs 0..3000\n   // end")
        << u8("Us 0..3000\nIs ..500\nM1 -100..\n") << QStringList();
    QTest::newRow("bounds at the ends of 32 bits, one value only")
        << u8("Blk -2147483648..2147483647\nT4 7..7")
        << u8("T4 7..7\nBlk -2147483648..2147483647\n") << QStringList();
    QTest::newRow("every fault named at its line, the good rules kept")
        << text({"Xs 0..1", "Us 0..99999999999", "Is 5..1", "Us 0..10", "", "Us 1..2", "M1 ..",
                 "M2 = 5", "us 0..1", "Io -2147483649.."})
        << u8("Us 0..10\n")
        << lines({"limits.txt:1: error: нет операнда «Xs» (операнды: Us, Uo, Is, Io, Out, Ro, M1, "
                  "M2, M3, M4, M5, M6, M7, M8, T1, T2, T3, T4, Blk)",
                  "limits.txt:2: error: число 99999999999 не помещается в 32 бита (от -2147483648 "
                  "до 2147483647)",
                  "limits.txt:3: error: минимум 5 больше максимума 1",
                  "limits.txt:6: error: второе правило для Us (первое в строке 4)",
                  "limits.txt:7: error: у правила для M1 нет ни минимума, ни максимума",
                  "limits.txt:8: error: правило «M2 = 5» не вида «ОПЕРАНД МИН..МАКС», например «Us "
                  "0..3000»",
                  "limits.txt:9: error: нет операнда «us» (операнды: Us, Uo, Is, Io, Out, Ro, M1, "
                  "M2, M3, M4, M5, M6, M7, M8, T1, T2, T3, T4, Blk)",
                  "limits.txt:10: error: число -2147483649 не помещается в 32 бита (от "
                  "-2147483648 до 2147483647)"});
}

void TestProgramRun::limitsFile()
{
    QFETCH(QString, file);
    QFETCH(QString, rules);
    QFETCH(QStringList, errors);

    const ParsedLimits parsed = OperandLimits::parse(file);
    QCOMPARE(parsed.errorLines(QStringLiteral("limits.txt")), errors);
    QCOMPARE(parsed.limits.toText(), rules);
    // The file form reads back as the same limits.
    const ParsedLimits again = OperandLimits::parse(parsed.limits.toText());
    QVERIFY(again.ok());
    QVERIFY(again.limits == parsed.limits);
}

void TestProgramRun::limitCheck_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("limits");
    // "Uo=5 Io=-2"
    QTest::addColumn<QString>("start");
    // 0: the default limit.
    QTest::addColumn<qint64>("limitMs");
    // The report's lines; none when the program keeps to its limits.
    QTest::addColumn<QStringList>("found");
    // "LINE:COLUMN" of each violation.
    QTest::addColumn<QString>("places");
    QTest::addColumn<QString>("question");

    QTest::newRow("no limits, no finding")
        << text({"Us = 30000;", "Is = -5;"}) << QString() << QString() << qint64(0) << QStringList()
        << QString() << QString();

    QTest::newRow("constants above and below at their column, the model adds nothing")
        << text({"prgName = \"A\";", "Us = 30000;", "  M1 =  -200;", "Us = 3000;", "Is += 9999;",
                 "Us = 40000; // later", "Uo = 99999;", "M1 = Us;"})
        << u8("Us 0..3000\nM1 -100..\n") << QString() << qint64(0)
        << lines(
               {"строка 2: Us = 30000 выше предела 3000", "строка 3: M1 = -200 ниже предела -100"})
        << u8("2:6 3:9")
        << u8("Программа выходит за пределы: строка 2: Us = 30000 выше предела 3000; строка 3: M1 "
              "= -200 ниже предела -100. Записать всё равно?");

    QTest::newRow("a ramp found by the model, with its time and what was assumed")
        << text({"#1;", "  Us += 500;", "delay_ms 1500;", "if Us < 5000 #1;"}) << u8("Us ..3000")
        << QString() << qint64(0)
        << lines({"строка 2: Us = 3500 выше предела 3000 через 9 с",
                  "модель: начальные значения 0, за 1 ч"})
        << u8("2:3")
        << u8("Программа выходит за пределы: строка 2: Us = 3500 выше предела 3000 через 9 с "
              "(модель: начальные значения 0, за 1 ч). Записать всё равно?");

    QTest::newRow("starting values and the time limit are the model's")
        << text({"Is = Io;", "delay_s 2;", "Is *= 10;"}) << u8("Is 0..500") << u8("Io=60 Uo=0")
        << qint64(10000)
        << lines({"строка 3: Is = 600 выше предела 500 через 2 с",
                  "модель: начальные значения Io = 60, остальные 0, за 10 с"})
        << u8("3:1") << QString();

    QTest::newRow("past the time limit the model finds nothing")
        << text({"Is = Io;", "delay_s 2;", "Is *= 10;"}) << u8("Is 0..500") << u8("Io=60")
        << qint64(1999) << QStringList() << QString() << QString();

    QTest::newRow("the first moment of each operand, in time order")
        << text({"#1;", "M1 += 1;", "M2 -= 1;", "delay_ms 100;", "if M1 < 5 #1;", "M1 = 99;",
                 "M2 = -9;"})
        << u8("M1 ..2\nM2 -1..") << QString() << qint64(0)
        << lines({"строка 6: M1 = 99 выше предела 2", "строка 7: M2 = -9 ниже предела -1",
                  "строка 3: M2 = -2 ниже предела -1 через 100 мс",
                  "строка 2: M1 = 3 выше предела 2 через 200 мс",
                  "модель: начальные значения 0, за 1 ч"})
        << u8("6:6 7:6 3:1 2:1")
        << u8("Программа выходит за пределы: строка 6: M1 = 99 выше предела 2; строка 7: M2 = -9 "
              "ниже предела -1; строка 3: M2 = -2 ниже предела -1 через 100 мс и ещё 1 (модель: "
              "начальные значения 0, за 1 ч). Записать всё равно?");

    QTest::newRow("a model that stopped early says why")
        << text({"M1 = 10;", "delay_s 1;", "M1 *= 10;", "M1 /= M2;"}) << u8("M1 ..50") << QString()
        << qint64(0)
        << lines({"строка 3: M1 = 100 выше предела 50 через 1 с",
                  "модель: начальные значения 0, за 1 ч; прогон прерван: деление на ноль в строке "
                  "4, время программы 1 с"})
        << u8("3:1") << QString();

    QTest::newRow("a text that does not compile still shows its constants")
        << text({"Us = 30000;", "xyz;", "Us = 9;"}) << u8("Us 0..3000") << QString() << qint64(0)
        << lines({"строка 1: Us = 30000 выше предела 3000"}) << u8("1:6") << QString();
}

void TestProgramRun::limitCheck()
{
    QFETCH(QString, program);
    QFETCH(QString, limits);
    QFETCH(QString, start);
    QFETCH(qint64, limitMs);
    QFETCH(QStringList, found);
    QFETCH(QString, places);
    QFETCH(QString, question);

    const ParsedLimits parsed = OperandLimits::parse(limits);
    QVERIFY(parsed.ok());
    ModelAssumptions assumptions;
    const Language::CodeTable codes = Language::operandCodes();
    for (const QString &pair : start.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList parts = pair.split(QLatin1Char('='));
        assumptions.startValues.append({codes.value(parts.at(0)), parts.at(1).toInt()});
    }
    if (limitMs > 0)
        assumptions.timeLimitMs = limitMs;

    // Lines in error leave the records of the lines that compiled; the model runs on those.
    const CompileResult compiled = compileProgram(program);
    const LimitReport report = LimitCheck::check(
        program, compiled.instructions, compiled.recordSourceLines, parsed.limits, assumptions);
    QCOMPARE(LimitCheck::reportLines(report), found);
    QCOMPARE(report.clean(), found.isEmpty());
    QStringList at;
    for (const LimitViolation &violation : report.violations) {
        at << QStringLiteral("%1:%2").arg(violation.line).arg(violation.column);
        QVERIFY(!violation.limit.contains(violation.value));
        QCOMPARE(violation.limit, parsed.limits.range(violation.operand));
    }
    QCOMPARE(at.join(QLatin1Char(' ')), places);
    if (!question.isEmpty())
        QCOMPARE(LimitCheck::writeQuestion(report), question);
    // The static check alone is what the editor shows while typing.
    LimitViolations constants;
    for (const LimitViolation &violation : report.violations) {
        if (!violation.fromModel())
            constants.append(violation);
    }
    QCOMPARE(LimitCheck::staticViolations(program, parsed.limits), constants);
}

QTEST_GUILESS_MAIN(TestProgramRun)
#include "tst_programrun.moc"
