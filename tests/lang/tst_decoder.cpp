#include "compiler.h"
#include "decoder.h"
#include "langtestutil.h"
#include "statementkind.h"

#include <QtTest>

using namespace LangTest;

// Programs read back from the device: reference checks, the text of each record, round trips.
class TestDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void paragraphsAreNameThenOneLinePerRecord();
    void unknownKindDoesNotCompile_data();
    void unknownKindDoesNotCompile();
    void roundTrip_data();
    void roundTrip();
};

namespace {

// Shorthands for the records of a read-back program, with targets as record indices.
Instruction label(int number)
{
    return record(Label, 0, number);
}
Instruction jmp(int index)
{
    return record(Jmp, 0, index);
}
Instruction nop()
{
    return record(Nop);
}
// if Us > 5, then-target and else-target as record indices.
Instruction ifUsAbove5(int then, int otherwise = 0)
{
    return record(If, 0, 5, 4, then, otherwise);
}

QString withControls()
{
    QString name = QStringLiteral("a b");
    name[1] = QChar(0);
    return name + QChar(0x01) + QChar(0x7f) + QChar(0x9f);
}

} // namespace

void TestDecoder::decode_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<InstructionList>("records");
    // The editor text on success; null when the decode must fail.
    QTest::addColumn<QString>("expected");
    // The one output pane line on failure.
    QTest::addColumn<QString>("error");

    const QString ok;

    QTest::newRow("label, assignment, jump back")
        << u8("Prg1") << InstructionList{label(1), record(Assign, 0, 500), jmp(0)}
        << text({"prgName = \"Prg1\";", "", "#1;", "Us = 500;", "jmp #1;"}) << ok;
    QTest::newRow("one nop") << u8("Prg1") << InstructionList{nop()}
                             << text({"prgName = \"Prg1\";", "", "nop;"}) << ok;
    QTest::newRow("no records") << u8("P") << InstructionList{} << u8("prgName = \"P\";\n") << ok;

    QTest::newRow("every kind") << u8("K")
                                << InstructionList{label(3),
                                                   record(Assign, 6, -5),
                                                   record(Assign, 0x86, 0),
                                                   record(AddAssign, 20, 2147483647),
                                                   record(SubAssign, 17, -2147483647 - 1),
                                                   record(DivAssign, 5, 0),
                                                   record(MulAssign, 0x84, 20),
                                                   record(DelayMs, 0, 500),
                                                   record(DelayS, 0, 60),
                                                   nop(),
                                                   record(If, 0x80, 1, 4, 0, 0),
                                                   record(If, 0x8d, 3, 3, 0, 0),
                                                   jmp(0)}
                                << text({"prgName = \"K\";", "", "#3;", "M1 = -5;", "M1 = Us;",
                                         "Blk += 2147483647;", "T4 -= -2147483648;", "Ro /= 0;",
                                         "Out *= Blk;", "delay_ms 500;", "delay_s 60;", "nop;",
                                         "if Us > Uo #3;", "if M8 <= Io #3;", "jmp #3;"})
                                << ok;

    QTest::newRow("if with else") << u8("E")
                                  << InstructionList{nop(), label(7), label(9), ifUsAbove5(1, 2)}
                                  << text({"prgName = \"E\";", "", "nop;", "#7;", "#9;",
                                           "if Us > 5 #7 else #9;"})
                                  << ok;
    QTest::newRow("else 0 with a label at record 0 is no else")
        << u8("E") << InstructionList{label(1), ifUsAbove5(0, 0)}
        << text({"prgName = \"E\";", "", "#1;", "if Us > 5 #1;"}) << ok;
    QTest::newRow("negative else is not checked")
        << u8("E") << InstructionList{label(1), ifUsAbove5(0, -3)}
        << text({"prgName = \"E\";", "", "#1;", "if Us > 5 #1;"}) << ok;
    QTest::newRow("else on label 0 keeps the else part")
        << u8("E") << InstructionList{label(1), label(0), ifUsAbove5(0, 1)}
        << text({"prgName = \"E\";", "", "#1;", "#0;", "if Us > 5 #1 else #0;"}) << ok;

    // Bit 6 alone marks a named second operand too; the first operand is the low six bits.
    QTest::newRow("bit 6 marks a named operand")
        << u8("B") << InstructionList{record(Assign, 0x46, 2)}
        << text({"prgName = \"B\";", "", "M1 = Is;"}) << ok;
    QTest::newRow("unknown operand codes give empty text")
        << u8("U") << InstructionList{record(Assign, 18, 5), record(Assign, 0x80, 19)}
        << text({"prgName = \"U\";", "", " = 5;", "Us = ;"}) << ok;
    QTest::newRow("unknown comparison gives empty text")
        << u8("U") << InstructionList{label(1), record(If, 0, 5, 6, 0, 0)}
        << text({"prgName = \"U\";", "", "#1;", "if Us  5 #1;"}) << ok;
    QTest::newRow("label numbers stay 32-bit")
        << u8("W")
        << InstructionList{label(100000), label(-3), label(70000), jmp(1), ifUsAbove5(0, 2)}
        << text({"prgName = \"W\";", "", "#100000;", "#-3;", "#70000;", "jmp #-3;",
                 "if Us > 5 #100000 else #70000;"})
        << ok;
    QTest::newRow("unknown kind keeps its line and is not checked")
        << u8("X")
        << InstructionList{nop(), record(11, 0x85, -1, 2, -3, 4), record(255, 0, 99, 0, 99, 99)}
        << text({"prgName = \"X\";", "", "nop;", "?func:11 oper:85 arg1:-1 arg2:2 arg3:-3 arg4:4",
                 "?func:255 oper:0 arg1:99 arg2:0 arg3:99 arg4:99"})
        << ok;

    QTest::newRow("name trimmed") << u8("ab   ") << InstructionList{nop()}
                                  << text({"prgName = \"ab\";", "", "nop;"}) << ok;
    QTest::newRow("name with leading blanks")
        << u8("  ab ") << InstructionList{nop()} << text({"prgName = \"ab\";", "", "nop;"}) << ok;
    // An empty name line would not compile: without it the text compiles to the empty name.
    QTest::newRow("name of five blanks has no name line")
        << u8("     ") << InstructionList{nop()} << u8("nop;") << ok;
    QTest::newRow("erased name has no name line")
        << QString(5, QChar(0)) << InstructionList{nop(), nop()} << text({"nop;", "nop;"}) << ok;
    QTest::newRow("blanks and controls only, no records")
        << (u8(" \t ") + QChar(0x7f) + QChar(0x85)) << InstructionList{} << QStringLiteral("")
        << ok;
    QTest::newRow("name with control characters") << withControls() << InstructionList{nop()}
                                                  << text({"prgName = \"ab\";", "", "nop;"}) << ok;
    QTest::newRow("blank between controls trimmed")
        << (QChar(0x01) + u8(" Ab") + QChar(0) + u8(" ")) << InstructionList{nop()}
        << text({"prgName = \"Ab\";", "", "nop;"}) << ok;

    QTest::newRow("label 4 twice")
        << u8("D") << InstructionList{nop(), nop(), label(4), nop(), nop(), nop(), label(4)}
        << QString() << u8("error: повтор ссылки #4");
    QTest::newRow("duplicate reported before a bad reference")
        << u8("D") << InstructionList{jmp(99), label(1), label(1)} << QString()
        << u8("error: повтор ссылки #1");
    QTest::newRow("if target past the end")
        << u8("I") << InstructionList{label(1), nop(), nop(), nop(), ifUsAbove5(5)} << QString()
        << u8("error: некорректная ссылка if");
    QTest::newRow("if target negative") << u8("I") << InstructionList{label(1), ifUsAbove5(-1)}
                                        << QString() << u8("error: некорректная ссылка if");
    QTest::newRow("if target not a label") << u8("I") << InstructionList{nop(), ifUsAbove5(0)}
                                           << QString() << u8("error: некорректная ссылка #");
    QTest::newRow("else target past the end")
        << u8("I") << InstructionList{label(1), ifUsAbove5(0, 2)} << QString()
        << u8("error: некорректная ссылка if-else");
    QTest::newRow("else target not a label")
        << u8("I") << InstructionList{label(1), ifUsAbove5(0, 1)} << QString()
        << u8("error: некорректная ссылка else #");
    QTest::newRow("jmp target past the end") << u8("J") << InstructionList{label(1), jmp(2)}
                                             << QString() << u8("error: некорректная ссылка jmp");
    QTest::newRow("jmp target negative") << u8("J") << InstructionList{label(1), jmp(-1)}
                                         << QString() << u8("error: некорректная ссылка jmp");
    QTest::newRow("jmp target a nop") << u8("J") << InstructionList{nop(), jmp(0)} << QString()
                                      << u8("error: некорректная ссылка jmp #");
    QTest::newRow("first failing record ends the pass")
        << u8("F") << InstructionList{label(1), jmp(0), ifUsAbove5(9), jmp(7)} << QString()
        << u8("error: некорректная ссылка if");
}

void TestDecoder::decode()
{
    QFETCH(QString, name);
    QFETCH(InstructionList, records);
    QFETCH(QString, expected);
    QFETCH(QString, error);

    const DecodeResult result = decodeProgram(name, records);
    QCOMPARE(result.ok, !expected.isNull());
    QCOMPARE(result.error, error);
    if (result.ok) {
        QCOMPARE(result.text(), expected);
    } else {
        QVERIFY(result.paragraphs.isEmpty());
    }
}

void TestDecoder::paragraphsAreNameThenOneLinePerRecord()
{
    // Built from temporary tables: the decoder must keep copies, not references to them.
    const Decoder decoder(Language::operandCodes(), Language::compareCodes());
    const DecodeResult result =
        decoder.decode(QStringLiteral("Prg1"), InstructionList{label(1), nop(), jmp(0)});
    QVERIFY(result.ok);
    QCOMPARE(result.paragraphs, lines({"prgName = \"Prg1\";\n", "#1;", "nop;", "jmp #1;"}));
}

void TestDecoder::unknownKindDoesNotCompile_data()
{
    QTest::addColumn<Instruction>("r");
    QTest::addColumn<QString>("line");

    QTest::newRow("kind 11") << record(11) << u8("?func:11 oper:0 arg1:0 arg2:0 arg3:0 arg4:0");
    QTest::newRow("kind 200") << record(200, 0xff, -7, 1, 2, 3)
                              << u8("?func:200 oper:FF arg1:-7 arg2:1 arg3:2 arg4:3");
}

void TestDecoder::unknownKindDoesNotCompile()
{
    QFETCH(Instruction, r);
    QFETCH(QString, line);

    const DecodeResult decoded = decodeProgram(QStringLiteral("P"), InstructionList{nop(), r});
    QVERIFY(decoded.ok);
    QCOMPARE(decoded.paragraphs.last(), line);

    // Compiling the text again must fail on that line, never drop the record quietly.
    const CompileResult compiled = compileProgram(decoded.text());
    QVERIFY(!compiled.ok);
    QVERIFY(compiled.report.contains(QStringLiteral("error: ") + line));
}

void TestDecoder::roundTrip_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("canonical");

    QTest::newRow("example of the read-back")
        << text({"prgName = \"Rb\";", "Us = 500;", "if Us > 10 #3 else #5;", "M1 += Is;", "#3;",
                 "jmp #3;", "delay_ms 100;", "#5;"})
        << text({"prgName = \"Rb\";", "", "Us = 500;", "if Us > 10 #3 else #5;", "M1 += Is;", "#3;",
                 "jmp #3;", "delay_ms 100;", "#5;"});
    QTest::newRow("every kind, loosely written")
        << text({"  prgName=\"P2\" ;", "#0;", "nop ;", "Us=-7;", "Uo += Us;", "Is-=007;",
                 "Io /= -0;", "Ro*=Blk;", "Out = 2147483647;", "M1 = -2147483648;",
                 "if T4>=Blk #0 else #12;", "if M8 != -1 #12;", "jmp #0;", "delay_s 60;",
                 "delay_ms 0;", "#12;"})
        << text({"prgName = \"P2\";", "", "#0;", "nop;", "Us = -7;", "Uo += Us;", "Is -= 7;",
                 "Io /= 0;", "Ro *= Blk;", "Out = 2147483647;", "M1 = -2147483648;",
                 "if T4 >= Blk #0 else #12;", "if M8 != -1 #12;", "jmp #0;", "delay_s 60;",
                 "delay_ms 0;", "#12;"});
    QTest::newRow("comments, blanks and leading zeros vanish")
        << text({"prgName = \"C\";", "// header", "", "#05;", "  nop; // x", "jmp #5;", "   "})
        << text({"prgName = \"C\";", "", "#5;", "jmp #5;"});
    QTest::newRow("else #0 survives")
        << text({"prgName = \"Z\";", "nop;", "if Us == 0 #2 else #0;", "#2;", "#0;"})
        << text({"prgName = \"Z\";", "", "nop;", "if Us == 0 #2 else #0;", "#2;", "#0;"});
    QTest::newRow("no name line") << text({"", "#7;", "jmp #7;"}) << text({"#7;", "jmp #7;"});
    QTest::newRow("all comparisons")
        << text({"prgName = \"Cmp\";", "#1;", "if Us == 1 #1;", "if Uo != Is #1;", "if Io < -1 #1;",
                 "if Ro <= 0 #1;", "if T1 > T2 #1;", "if T3 >= Blk #1;"})
        << text({"prgName = \"Cmp\";", "", "#1;", "if Us == 1 #1;", "if Uo != Is #1;",
                 "if Io < -1 #1;", "if Ro <= 0 #1;", "if T1 > T2 #1;", "if T3 >= Blk #1;"});
}

void TestDecoder::roundTrip()
{
    QFETCH(QString, program);
    QFETCH(QString, canonical);

    const CompileResult first = compileProgram(program);
    QVERIFY(first.ok);

    // Through the 14-byte form, as the records travel to the device and back.
    InstructionList stored;
    for (const Instruction &r : first.instructions)
        stored << Instruction::unpack(r.pack());

    const DecodeResult decoded = decodeProgram(first.programName, stored);
    QVERIFY(decoded.ok);
    QCOMPARE(decoded.text(), canonical);

    const CompileResult second = compileProgram(decoded.text());
    QVERIFY(second.ok);
    QCOMPARE(describe(second.instructions), describe(first.instructions));
    QCOMPARE(second.programName, first.programName);
}

QTEST_GUILESS_MAIN(TestDecoder)
#include "tst_decoder.moc"
