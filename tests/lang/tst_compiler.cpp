#include "compiler.h"
#include "langtestutil.h"
#include "statementkind.h"

#include <QtTest>

#include <algorithm>

using namespace LangTest;

// Whole programs through the compiler: the pane lines, the records and the program name.
class TestCompiler : public QObject
{
    Q_OBJECT

private slots:
    void compile_data();
    void compile();
    void diagnostics_data();
    void diagnostics();
    void missingOperatorStops();
    void everyCompileStartsAfresh();
};

namespace {

// The heading that replaces the pane's content at the start of every compile.
const char *Heading = "Компиляция:";

} // namespace

void TestCompiler::compile_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("report");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<InstructionList>("records");
    // Null when the text sets no name.
    QTest::addColumn<QString>("name");

    QTest::newRow("empty text") << QString() << lines({Heading, "", "OK: 0/100"}) << true
                                << InstructionList{} << QString();

    QTest::newRow("worked example")
        << text({"prgName = \"Prg1\";", "#1;", "Us += 10;", "delay_ms 500;",
                 "if Us < 1000 #1 else #2;", "#2;", "Out = 0;"})
        << lines({Heading, "prgName = \"Prg1\";", "#1;", "Us += 10;", "delay_ms 500;",
                  "if Us < 1000 #1 else #2;", "#2;", "Out = 0;",
                  ">func:1 oper:4 arg1:0 arg3:0 arg3:0 arg4:0", "", "OK: 6/100"})
        << true << InstructionList{record(10, 0, 1),  record(6, 0, 10),
                                   record(4, 0, 500), record(2, 0, 1000, 2, 0, 4),
                                   record(10, 0, 2),  record(1, 4, 0)}
        << u8("Prg1");

    QTest::newRow("name then assignment")
        << text({"prgName = \"Prg1\";", "Us = 5;"})
        << lines({Heading, "prgName = \"Prg1\";", "Us = 5;",
                  ">func:1 oper:0 arg1:5 arg3:0 arg3:0 arg4:0", "", "OK: 1/100"})
        << true << InstructionList{record(1, 0, 5)} << u8("Prg1");

    QTest::newRow("debug line after every odd kind")
        << text({"M1 = Us;", "M2 -= -3;", "T4 *= Blk;", "delay_s 7;", "jmp #0;", "#0;", "M3 += 1;",
                 "M4 /= 2;", "nop;"})
        << lines({Heading, "M1 = Us;", ">func:1 oper:86 arg1:0 arg3:0 arg3:0 arg4:0", "M2 -= -3;",
                  ">func:7 oper:7 arg1:-3 arg3:0 arg3:0 arg4:0", "T4 *= Blk;",
                  ">func:9 oper:91 arg1:20 arg3:0 arg3:0 arg4:0", "delay_s 7;",
                  ">func:5 oper:0 arg1:7 arg3:0 arg3:0 arg4:0", "jmp #0;",
                  ">func:3 oper:0 arg1:0 arg3:0 arg3:0 arg4:0", "#0;", "M3 += 1;", "M4 /= 2;",
                  "nop;", "", "OK: 9/100"})
        << true << InstructionList{record(1, 0x86, 0), record(7, 7, -3), record(9, 0x91, 20),
                                   record(5, 0, 7),    record(3, 0, 5),  record(10, 0, 0),
                                   record(6, 8, 1),    record(8, 9, 2),  record(0)}
        << QString();

    QTest::newRow("if with a named right side and no else")
        << text({"if Us > Uo #1;", "#1;"})
        << lines({Heading, "if Us > Uo #1;", "#1;", "", "OK: 2/100"}) << true
        << InstructionList{record(2, 0x80, 1, 4, 1, 0), record(10, 0, 1)} << QString();

    QTest::newRow("all six comparisons")
        << text({"if Io <= -1 #0;", "if Ro>=2 #0;", "if M8==3 #0;", "if T1<4 #0;",
                 "if T4 != Blk #0;", "if Uo > Is #0;", "#0;"})
        << lines({Heading, "if Io <= -1 #0;", "if Ro>=2 #0;", "if M8==3 #0;", "if T1<4 #0;",
                  "if T4 != Blk #0;", "if Uo > Is #0;", "#0;", "", "OK: 7/100"})
        << true << InstructionList{record(2, 3, -1, 3, 6),    record(2, 5, 2, 5, 6),
                                   record(2, 13, 3, 0, 6),    record(2, 14, 4, 2, 6),
                                   record(2, 0x91, 20, 1, 6), record(2, 0x81, 2, 4, 6),
                                   record(10, 0, 0)}
        << QString();

    // Minimal matching must still take every digit of a two-digit label and a long number.
    QTest::newRow("two-digit labels and long numbers")
        << text({"#12;", "if Us > 123456 #12 else #34;", "jmp #34;", "delay_ms 1234;", "#34;"})
        << lines({Heading, "#12;", "if Us > 123456 #12 else #34;", "jmp #34;",
                  ">func:3 oper:0 arg1:34 arg3:0 arg3:0 arg4:0", "delay_ms 1234;", "#34;", "",
                  "OK: 5/100"})
        << true
        << InstructionList{record(10, 0, 12), record(2, 0, 123456, 4, 0, 4), record(3, 0, 4),
                           record(4, 0, 1234), record(10, 0, 34)}
        << QString();

    QTest::newRow("forward and backward references")
        << text({"jmp #2;", "#1;", "#2;", "jmp #1;"})
        << lines({Heading, "jmp #2;", ">func:3 oper:0 arg1:2 arg3:0 arg3:0 arg4:0", "#1;", "#2;",
                  "jmp #1;", ">func:3 oper:0 arg1:1 arg3:0 arg3:0 arg4:0", "", "OK: 4/100"})
        << true
        << InstructionList{record(3, 0, 2), record(10, 0, 1), record(10, 0, 2), record(3, 0, 1)}
        << QString();

    QTest::newRow("else #0 is a branch to label 0")
        << text({"nop;", "if Us > 0 #2 else #0;", "#2;", "#0;"})
        << lines({Heading, "nop;", "if Us > 0 #2 else #0;", "#2;", "#0;", "", "OK: 4/100"}) << true
        << InstructionList{record(0), record(2, 0, 0, 4, 2, 3), record(10, 0, 2), record(10, 0, 0)}
        << QString();
    QTest::newRow("else #0 without label 0")
        << text({"if Us > 0 #2 else #0;", "#2;"})
        << lines(
               {Heading, "if Us > 0 #2 else #0;", "#2;", "", "error if-else: ссылка #0 не найдена"})
        << false << InstructionList{record(2, 0, 0, 4, 1, 0), record(10, 0, 2)} << QString();
    QTest::newRow("else #0 on the first record is refused")
        << text({"#0;", "if Us > 0 #0 else #0;"})
        << lines({Heading, "#0;", "if Us > 0 #0 else #0;", "",
                  "error if-else: ссылка #0 не может указывать на первую запись"})
        << false << InstructionList{record(10, 0, 0), record(2, 0, 0, 4, 0, 0)} << QString();

    QTest::newRow("then branch may land on the first record")
        << text({"#1;", "if Us > 0 #1;", "jmp #1;"})
        << lines({Heading, "#1;", "if Us > 0 #1;", "jmp #1;",
                  ">func:3 oper:0 arg1:1 arg3:0 arg3:0 arg4:0", "", "OK: 3/100"})
        << true << InstructionList{record(10, 0, 1), record(2, 0, 0, 4, 0, 0), record(3, 0, 0)}
        << QString();

    // Index 0 in arg4 would read as "no else branch": the compile refuses and checks on.
    QTest::newRow("else branch on the first record is refused")
        << text({"#1;", "if Us > 0 #2 else #1;", "#2;", "jmp #5;"})
        << lines({Heading, "#1;", "if Us > 0 #2 else #1;", "#2;", "jmp #5;",
                  ">func:3 oper:0 arg1:5 arg3:0 arg3:0 arg4:0", "",
                  "error if-else: ссылка #1 не может указывать на первую запись",
                  "error jmp: ссылка #5 не найдена"})
        << false
        << InstructionList{record(10, 0, 1), record(2, 0, 0, 4, 2, 1), record(10, 0, 2),
                           record(3, 0, 5)}
        << QString();

    QTest::newRow("jmp to a missing label")
        << text({"jmp #3;"})
        << lines({Heading, "jmp #3;", ">func:3 oper:0 arg1:3 arg3:0 arg3:0 arg4:0", "",
                  "error jmp: ссылка #3 не найдена"})
        << false << InstructionList{record(3, 0, 3)} << QString();

    QTest::newRow("label twice") << text({"#1;", "#1;"})
                                 << lines({Heading, "#1;", "#1;", "", "error: повтор ссылки #1"})
                                 << false << InstructionList{record(10, 0, 1), record(10, 0, 1)}
                                 << QString();

    QTest::newRow("leading zero labels collide")
        << text({"#1;", "#01;"}) << lines({Heading, "#1;", "#01;", "", "error: повтор ссылки #1"})
        << false << InstructionList{record(10, 0, 1), record(10, 0, 1)} << QString();

    // A missing then-label skips the else check of its record; everything else is reported.
    QTest::newRow("duplicate and missing labels all reported")
        << text({"#1;", "#1;", "jmp #2;", "if Us > 0 #2 else #4;", "if Us > 0 #8 else #9;", "#2;",
                 "jmp #7;", "#1;"})
        << lines({Heading, "#1;", "#1;", "jmp #2;", ">func:3 oper:0 arg1:2 arg3:0 arg3:0 arg4:0",
                  "if Us > 0 #2 else #4;", "if Us > 0 #8 else #9;", "#2;", "jmp #7;",
                  ">func:3 oper:0 arg1:7 arg3:0 arg3:0 arg4:0", "#1;", "",
                  "error: повтор ссылки #1", "error: повтор ссылки #1",
                  "error if-else: ссылка #4 не найдена", "error if: ссылка #8 не найдена",
                  "error jmp: ссылка #7 не найдена"})
        << false
        << InstructionList{record(10, 0, 1),         record(10, 0, 1),         record(3, 0, 5),
                           record(2, 0, 0, 4, 5, 4), record(2, 0, 0, 4, 8, 9), record(10, 0, 2),
                           record(3, 0, 7),          record(10, 0, 1)}
        << QString();

    // Lines in error are all listed; references are then not checked at all.
    QTest::newRow("lines in error end the compile after the scan")
        << text({"xyz;", "Us = 5;", "/* x */", "jmp #9;", "if  Us > 5 #1;", "nop;"})
        << lines({Heading, "error: xyz;", "Us = 5;", ">func:1 oper:0 arg1:5 arg3:0 arg3:0 arg4:0",
                  "error: /* x */", "jmp #9;", ">func:3 oper:0 arg1:9 arg3:0 arg3:0 arg4:0",
                  "error: if  Us > 5 #1;", "nop;", ""})
        << false << InstructionList{record(1, 0, 5), record(3, 0, 9), record(0)} << QString();

    QTest::newRow("number too large stops")
        << text({"Us = 99999999999;", "nop;"}) << lines({Heading, "error: Us = 99999999999;"})
        << false << InstructionList{} << QString();

    QTest::newRow("line in error then a stop")
        << text({"xyz;", "Us = 99999999999;", "nop;"})
        << lines({Heading, "error: xyz;", "error: Us = 99999999999;"}) << false << InstructionList{}
        << QString();

    QTest::newRow("stop keeps earlier records and the name")
        << text({"prgName = \"Ab\";", "nop;", "M1 = -5;", "Us = -2147483649;", "nop;"})
        << lines({Heading, "prgName = \"Ab\";", "nop;", "M1 = -5;",
                  ">func:1 oper:6 arg1:-5 arg3:0 arg3:0 arg4:0", "error: Us = -2147483649;"})
        << false << InstructionList{record(0), record(1, 6, -5)} << u8("Ab");

    QTest::newRow("32-bit limits")
        << text({"Us = 2147483647;", "Us = -2147483648;", "if Us == -2147483648 #0;", "#0;"})
        << lines({Heading, "Us = 2147483647;",
                  ">func:1 oper:0 arg1:2147483647 arg3:0 arg3:0 arg4:0", "Us = -2147483648;",
                  ">func:1 oper:0 arg1:-2147483648 arg3:0 arg3:0 arg4:0",
                  "if Us == -2147483648 #0;", "#0;", "", "OK: 4/100"})
        << true
        << InstructionList{record(1, 0, 2147483647), record(1, 0, -2147483647 - 1),
                           record(2, 0, -2147483647 - 1, 0, 3), record(10, 0, 0)}
        << QString();

    QTest::newRow("just above the limit stops")
        << text({"M5 += 2147483648;"}) << lines({Heading, "error: M5 += 2147483648;"}) << false
        << InstructionList{} << QString();

    QTest::newRow("if right side too large stops")
        << text({"nop;", "if Us > -2147483649 #0;", "#0;"})
        << lines({Heading, "nop;", "error: if Us > -2147483649 #0;"}) << false
        << InstructionList{record(0)} << QString();

    QTest::newRow("delay counts at and beyond the limit")
        << text({"delay_s 2147483647;", "delay_ms 2147483648;"})
        << lines({Heading, "delay_s 2147483647;",
                  ">func:5 oper:0 arg1:2147483647 arg3:0 arg3:0 arg4:0",
                  "error: delay_ms 2147483648;"})
        << false << InstructionList{record(5, 0, 2147483647)} << QString();

    QTest::newRow("leading zeros and minus zero")
        << text({"Us = 007;", "Uo = -0;", "Is = -007;", "Io = 00000000000000000001;",
                 "delay_ms 0007;"})
        << lines({Heading, "Us = 007;", ">func:1 oper:0 arg1:7 arg3:0 arg3:0 arg4:0", "Uo = -0;",
                  ">func:1 oper:1 arg1:0 arg3:0 arg3:0 arg4:0", "Is = -007;",
                  ">func:1 oper:2 arg1:-7 arg3:0 arg3:0 arg4:0", "Io = 00000000000000000001;",
                  ">func:1 oper:3 arg1:1 arg3:0 arg3:0 arg4:0", "delay_ms 0007;", "", "OK: 5/100"})
        << true
        << InstructionList{record(1, 0, 7), record(1, 1, 0), record(1, 2, -7), record(1, 3, 1),
                           record(4, 0, 7)}
        << QString();

    // Digits that \d admits but that are not ASCII never become numbers: the compile stops.
    QTest::newRow("Arabic-Indic digit as a number stops")
        << text({"nop;", "Us = ٣;"}) << lines({Heading, "nop;", "error: Us = ٣;"}) << false
        << InstructionList{record(0)} << QString();
    QTest::newRow("full-width digit as a count stops")
        << text({"delay_ms ５;"}) << lines({Heading, "error: delay_ms ５;"}) << false
        << InstructionList{} << QString();
    QTest::newRow("non-ASCII if label stops")
        << text({"#3;", "if Us > 0 #٣;"}) << lines({Heading, "#3;", "error: if Us > 0 #٣;"})
        << false << InstructionList{record(10, 0, 3)} << QString();
    QTest::newRow("non-ASCII else label stops") << text({"if Us > 0 #1 else #٣;", "#1;"})
                                                << lines({Heading, "error: if Us > 0 #1 else #٣;"})
                                                << false << InstructionList{} << QString();
    QTest::newRow("non-ASCII jmp label stops")
        << text({"jmp #٣;"}) << lines({Heading, "error: jmp #٣;"}) << false << InstructionList{}
        << QString();
    QTest::newRow("non-ASCII label stops") << text({"#٣;"}) << lines({Heading, "error: #٣;"})
                                           << false << InstructionList{} << QString();

    QTest::newRow("Cyrillic program name")
        << text({"prgName = \"Тест\";"}) << lines({Heading, "prgName = \"Тест\";", "", "OK: 0/100"})
        << true << InstructionList{} << u8("Тест");
    QTest::newRow("Cyrillic operand is a line in error")
        << text({"Us = Тест;"}) << lines({Heading, "error: Us = Тест;", ""}) << false
        << InstructionList{} << QString();
    QTest::newRow("name of six characters is a line in error")
        << text({"prgName = \"ABCDEF\";"}) << lines({Heading, "error: prgName = \"ABCDEF\";", ""})
        << false << InstructionList{} << QString();

    QTest::newRow("name on the second line stops")
        << text({"nop;", "prgName = \"P\";", "nop;"})
        << lines({Heading, "nop;", "error: prgName = \"P\"; должен быть в первой строке"}) << false
        << InstructionList{record(0)} << QString();
    QTest::newRow("name after a comment line stops")
        << text({"// c", "prgName = \"P\";"})
        << lines({Heading, "error: prgName = \"P\"; должен быть в первой строке"}) << false
        << InstructionList{} << QString();
    QTest::newRow("name after an empty first line stops")
        << text({"", "prgName = \"P\";"})
        << lines({Heading, "error: prgName = \"P\"; должен быть в первой строке"}) << false
        << InstructionList{} << QString();
    QTest::newRow("second name stops and the first stays")
        << text({"prgName = \"A\";", "prgName = \"B\";"})
        << lines(
               {Heading, "prgName = \"A\";", "error: prgName = \"B\"; должен быть в первой строке"})
        << false << InstructionList{} << u8("A");

    QTest::newRow("comment lines produce nothing")
        << text({"Us = 5; // note", "  // only", "xyz // not an error"})
        << lines({Heading, "", "OK: 0/100"}) << true << InstructionList{} << QString();
    QTest::newRow("blank lines and leading blanks kept in the pane")
        << text({"  ", "\t", "   Us = 5;  ", ""})
        << lines({Heading, "   Us = 5;  ", ">func:1 oper:0 arg1:5 arg3:0 arg3:0 arg4:0", "",
                  "OK: 1/100"})
        << true << InstructionList{record(1, 0, 5)} << QString();

    QString many;
    QStringList manyReport = lines({Heading});
    InstructionList manyRecords;
    for (int i = 0; i < 150; ++i) {
        many += QStringLiteral("nop;\n");
        manyReport << QStringLiteral("nop;");
        manyRecords << record(0);
    }
    manyReport << QString() << QStringLiteral("OK: 150/100");
    QTest::newRow("150 statements") << many << manyReport << true << manyRecords << QString();
}

void TestCompiler::compile()
{
    QFETCH(QString, program);
    QFETCH(QStringList, report);
    QFETCH(bool, ok);
    QFETCH(InstructionList, records);
    QFETCH(QString, name);

    const CompileResult result = compileProgram(program);
    QCOMPARE(result.report, report);
    QCOMPARE(result.ok, ok);
    QCOMPARE(describe(result.instructions), describe(records));
    QCOMPARE(result.hasProgramName, !name.isNull());
    QCOMPARE(result.programName, name.isNull() ? QString() : name);
}

void TestCompiler::diagnostics_data()
{
    QTest::addColumn<QString>("program");
    // "LINE[:COLUMN] E|W MESSAGE", in line order; the column where the finding has one.
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("ok");

    QTest::newRow("lines in error, each on its own line")
        << text({"prgName = \"E\";", "xyz;", "nop;", "", "/* x */"})
        << lines({"2:1 E строка не является оператором языка",
                  "5:1 E строка не является оператором языка"})
        << false;
    QTest::newRow("stop on its line")
        << text({"prgName = \"S\";", "nop;", "  Us = 99999999999;", "nop;"})
        << lines({"3:17 E число вне диапазона −2147483648…2147483647"}) << false;
    QTest::newRow("name not first stops on its line, no name warning")
        << text({"nop;", "prgName = \"P\";"})
        << lines({"2:1 E prgName должен быть в первой строке"}) << false;
    // The report lists the duplicate before the references; the diagnostics go by line.
    QTest::newRow("duplicate on the second label, references on the if and jmp lines")
        << text({"prgName = \"D\";", "#1;", "jmp #2;", "// c", "#1;", "if Us > 0 #3 else #4;",
                 "if Us > 0 #1 else #5;", "if Us > 0 #1 else #1;"})
        << lines({"3:5 E jmp: ссылка #2 не найдена", "5:1 E повтор ссылки #1",
                  "6:11 E if: ссылка #3 не найдена", "7:19 E if-else: ссылка #5 не найдена",
                  "8:19 E if-else: ссылка #1 не может указывать на первую запись"})
        << false;

    QTest::newRow("statement before //")
        << text({"prgName = \"C\";", "#1;", "  jmp #1; // back", "xyz // no statement", "  // only",
                 "Us = 5;// set"})
        << lines({"3 W оператор перед // не компилируется: строка с // целиком считается "
                  "комментарием",
                  "6 W оператор перед // не компилируется: строка с // целиком считается "
                  "комментарием"})
        << true;
    QString full = QStringLiteral("prgName = \"Full\";\n");
    for (int i = 0; i < 100; ++i)
        full += QStringLiteral("nop;\n");
    QTest::newRow("100 records fill a cell") << full << QStringList() << true;
    QString tooMany = QStringLiteral("prgName = \"Big\";\n");
    for (int i = 0; i < 101; ++i)
        tooMany += QStringLiteral("nop;\n");
    tooMany += QStringLiteral("// end\n");
    QTest::newRow("101 records, on the last statement line")
        << tooMany << lines({"102 W 101 записей: в ячейку прибора помещается не более 100"})
        << true;
    QTest::newRow("name beyond one byte")
        << text({"prgName = \"Тест\";", "nop;"})
        << lines({"1 W имя программы содержит символы, которых нет в приборе"}) << true;
    QTest::newRow("Latin-1 name fits")
        << text({"prgName = \"Äé1ÿ\";", "nop;"}) << QStringList() << true;
    QTest::newRow("records without a name line")
        << text({"", "// c", "nop;"})
        << lines({"1 W нет строки prgName: в прибор будет записано пустое имя"}) << true;
    QTest::newRow("no records, no name line") << text({"// c", ""}) << QStringList() << true;
    // The if with an else never falls through; each unreachable run is named once, at its start.
    QTest::newRow("unreachable runs")
        << text({"prgName = \"U\";", "#1;", "delay_ms 10;", "if Us > 0 #1 else #3;", "Us = 1;",
                 "// gap", "Uo = 2;", "#3;", "jmp #1;", "nop;", "#4;"})
        << lines({"5 W до этой строки программа не доходит",
                  "10 W до этой строки программа не доходит"})
        << true;
    QTest::newRow("code reached only by a jump is reached")
        << text({"prgName = \"R\";", "jmp #2;", "#1;", "delay_s 1;", "#2;", "if Us > 0 #1;"})
        << QStringList() << true;
    // A delay that one path skips does not make the loop safe.
    QTest::newRow("loops without delay, on the closing jump")
        << text({"prgName = \"L\";", "#1;", "Us += 1;", "if Us < 10 #1;", "#2;", "delay_s 1;",
                 "if Uo > 0 #2;", "#3;", "if Is > 0 #4;", "delay_ms 5;", "#4;", "jmp #3;"})
        << lines({"4 W цикл без задержки", "12 W цикл без задержки"}) << true;
    QTest::newRow("loop through an else #0")
        << text({"prgName = \"Z\";", "nop;", "#0;", "Us += 1;", "if Us > 9 #9 else #0;", "#9;"})
        << lines({"5 W цикл без задержки"}) << true;
    QTest::newRow("warnings sorted among errors by line")
        << text({"nop; // a", "Us = 5;", "xyz;"})
        << lines({"1 W оператор перед // не компилируется: строка с // целиком считается "
                  "комментарием",
                  "1 W нет строки prgName: в прибор будет записано пустое имя",
                  "3:1 E строка не является оператором языка"})
        << false;

    // Past lines in error, and past a stop, the diagnostics go on: the later lines and the
    // labels of every line that compiled are checked, while the report stays as it was.
    QTest::newRow("a line in error and a missing label, both at once")
        << text({"prgName = \"B\";", "#1;", "Us = 5", "jmp #3;", "#1;"})
        << lines({"3:7 E ожидается ';' в конце оператора", "4:5 E jmp: ссылка #3 не найдена",
                  "5:1 E повтор ссылки #1"})
        << false;
    QTest::newRow("after a stop, later lines and labels")
        << text({"prgName = \"S\";", "delay_s 99999999999;", "xyz;", "if Us > 0 #1;",
                 "prgName = \"T\";"})
        << lines({"2:18 E число вне диапазона 0…2147483647",
                  "3:1 E строка не является оператором языка", "4:11 E if: ссылка #1 не найдена",
                  "5:1 E prgName должен быть в первой строке"})
        << false;

    // One line in error per reason: the column of the first character that cannot be right
    // (one past the end when something is missing there) and the reason.
    QTest::newRow("missing semicolon")
        << u8("Us = 5") << lines({"1:7 E ожидается ';' в конце оператора"}) << false;
    QTest::newRow("unknown destination")
        << u8("Ux = 1;") << lines({"1:2 E неизвестный операнд Ux"}) << false;
    QTest::newRow("unknown source")
        << u8("Us += Ux;") << lines({"1:8 E неизвестный операнд Ux"}) << false;
    QTest::newRow("wrong case of an operand")
        << u8("us = 1;") << lines({"1:1 E неизвестный операнд us"}) << false;
    QTest::newRow("two blanks after if")
        << u8("if  Us > 5 #1;") << lines({"1:4 E после if нужен ровно один пробел"}) << false;
    QTest::newRow("if run into its operand")
        << u8("ifUs > 5 #1;") << lines({"1:3 E после if нужен ровно один пробел"}) << false;
    QTest::newRow("number below the range")
        << u8("Us = -2147483649;") << lines({"1:16 E число вне диапазона −2147483648…2147483647"})
        << false;
    QTest::newRow("number above the range in an if")
        << u8("if Us > 2147483648 #1;")
        << lines({"1:18 E число вне диапазона −2147483648…2147483647"}) << false;
    QTest::newRow("delay above the range")
        << u8("delay_ms 2147483648;") << lines({"1:19 E число вне диапазона 0…2147483647"})
        << false;
    QTest::newRow("label of three digits")
        << u8("#123;") << lines({"1:4 E метка — одна или две цифры"}) << false;
    QTest::newRow("jump without a label number")
        << u8("jmp #;") << lines({"1:6 E метка — одна или две цифры"}) << false;
    QTest::newRow("name of six characters")
        << u8("prgName = \"Prg123\";")
        << lines({"1:17 E имя программы — от 1 до 5 букв, цифр или знаков _"}) << false;
    QTest::newRow("name with a blank")
        << u8("prgName = \"P g\";")
        << lines({"1:13 E имя программы — от 1 до 5 букв, цифр или знаков _"}) << false;
    QTest::newRow("no single cause")
        << u8("  = 5;") << lines({"1:3 E строка не является оператором языка"}) << false;
    QTest::newRow("keyword in capitals")
        << u8("Jmp #1;") << lines({"1:1 E ожидается jmp: большие и малые буквы различаются"})
        << false;
    QTest::newRow("two blanks after else")
        << u8("if Us > 5 #1 else  #2;") << lines({"1:19 E после else нужен ровно один пробел"})
        << false;
    QTest::newRow("label run into the right side")
        << u8("if Us > 5#1;") << lines({"1:10 E перед # нужен пробел"}) << false;
    QTest::newRow("Blk on the left of an if")
        << u8("if Blk == 1 #1;") << lines({"1:4 E слева в if не может стоять Blk"}) << false;
    QTest::newRow("single = in an if")
        << u8("if Us = 5 #1;") << lines({"1:8 E ожидается сравнение: ==, !=, <, <=, > или >="})
        << false;
    QTest::newRow("two statements on a line")
        << u8("Us = 5; Uo = 6;") << lines({"1:9 E после ';' в строке ничего не должно быть"})
        << false;
    QTest::newRow("no assignment operator")
        << u8("Us 5;") << lines({"1:4 E ожидается =, +=, -=, *= или /="}) << false;
    QTest::newRow("plus sign") << u8("Us = +5;") << lines({"1:6 E ожидается число или операнд"})
                               << false;
    QTest::newRow("long word cut to 80 characters")
        << (u8("Ux") + QString(200, QLatin1Char('x')) + u8(" = 1;"))
        << QStringList{u8("1:2 E неизвестный операнд Ux") + QString(77, QLatin1Char('x')) +
                       QChar(0x2026)}
        << false;
}

void TestCompiler::diagnostics()
{
    QFETCH(QString, program);
    QFETCH(QStringList, expected);
    QFETCH(bool, ok);

    const CompileResult result = compileProgram(program);
    QStringList found;
    for (const Diagnostic &d : result.diagnostics)
        found << QStringLiteral("%1 %2 %3")
                     .arg(d.column > 0 ? QStringLiteral("%1:%2").arg(d.line).arg(d.column)
                                       : QString::number(d.line))
                     .arg(d.severity == Diagnostic::Severity::Error ? QLatin1Char('E')
                                                                    : QLatin1Char('W'))
                     .arg(d.message);
    QCOMPARE(found, expected);
    QCOMPARE(result.ok, ok);
    // Every error line of the report has its diagnostic (there may be more: the diagnostics go
    // on where the report stops), and warnings add no report line.
    int reportErrors = 0;
    for (const QString &line : result.report)
        reportErrors += line.startsWith(QLatin1String("error")) ? 1 : 0;
    QVERIFY(int(std::count_if(result.diagnostics.cbegin(), result.diagnostics.cend(),
                              [](const Diagnostic &d) {
                                  return d.severity == Diagnostic::Severity::Error;
                              })) >= reportErrors);
    // Errors point into their line, or one past its end; warnings name no column.
    for (const Diagnostic &d : result.diagnostics) {
        if (d.severity == Diagnostic::Severity::Warning)
            QCOMPARE(d.column, 0);
        else
            QVERIFY(d.column >= 1 &&
                    d.column <= program.split(QLatin1Char('\n')).at(d.line - 1).size() + 1);
    }

    // Each report line leads back to the source line it echoes or reports on, so that the pane
    // can jump there; the error lines are listed by index and match the errors' lines.
    const QStringList source = program.split(QLatin1Char('\n'));
    QCOMPARE(result.reportSourceLines.size(), result.report.size());
    QVector<int> errorIndices;
    QVector<int> errorSourceLines;
    for (int i = 0; i < result.report.size(); ++i) {
        const QString &line = result.report.at(i);
        const int from = result.reportSourceLines.at(i);
        QVERIFY(from >= 0 && from <= source.size());
        if (line.startsWith(QLatin1String("error"))) {
            QVERIFY2(from > 0, qPrintable(line));
            errorIndices << i;
            errorSourceLines << from;
        } else if (line.startsWith(QLatin1Char('>'))) {
            QCOMPARE(from, result.reportSourceLines.at(i - 1));
        } else if (from != 0) {
            QCOMPARE(line, source.at(from - 1));
        } else {
            QVERIFY2(i == 0 || line.isEmpty() || line.startsWith(QLatin1String("OK: ")),
                     qPrintable(line));
        }
    }
    QCOMPARE(result.reportErrorLines, errorIndices);
    QVector<int> diagnosedErrorLines;
    for (const Diagnostic &d : result.diagnostics) {
        if (d.severity == Diagnostic::Severity::Error)
            diagnosedErrorLines << d.line;
    }
    for (const int line : qAsConst(errorSourceLines)) {
        const int at = diagnosedErrorLines.indexOf(line);
        QVERIFY2(at >= 0, qPrintable(QString::number(line)));
        diagnosedErrorLines.remove(at);
    }
}

void TestCompiler::missingOperatorStops()
{
    // A comparison table without "!=" makes that operator unknown to the compile.
    Language::CodeTable comparisons = Language::compareCodes();
    comparisons.remove(QStringLiteral("!="));
    const Language::CodeTable operands = Language::operandCodes();
    const Compiler compiler(Language::statementKinds(), operands, comparisons);

    const CompileResult result = compiler.compile(text({"nop;", "if Us != 1 #1;", "#1;"}));
    QCOMPARE(result.report, lines({Heading, "nop;", "error: if Us != 1 #1;operator"}));
    QVERIFY(!result.ok);
    QCOMPARE(describe(result.instructions), describe(InstructionList{record(0)}));
}

void TestCompiler::everyCompileStartsAfresh()
{
    // One compiler object, built from temporary tables and used twice: it keeps its own copies,
    // and nothing of the first run leaks into the second.
    const Compiler compiler(Language::StatementKindTable(Language::statementKinds()),
                            Language::operandCodes(), Language::compareCodes());

    const CompileResult first = compiler.compile(text({"prgName = \"A\";", "#1;", "jmp #1;"}));
    QVERIFY(first.ok);
    const CompileResult second = compiler.compile(text({"#1;", "nop;"}));
    QVERIFY(second.ok);
    QVERIFY(!second.hasProgramName);
    QVERIFY(second.programName.isEmpty());
    QCOMPARE(second.report, lines({Heading, "#1;", "nop;", "", "OK: 2/100"}));
    QCOMPARE(describe(second.instructions), describe(InstructionList{record(10, 0, 1), record(0)}));
}

QTEST_GUILESS_MAIN(TestCompiler)
#include "tst_compiler.moc"
