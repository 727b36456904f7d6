#include "completion.h"
#include "instruction.h"
#include "labelrename.h"
#include "language.h"
#include "programoutline.h"
#include "langtestutil.h"
#include "statementkind.h"

#include <QRegExp>
#include <QtTest>

#include <limits>

using namespace LangTest;

// The statement patterns, the code tables and the packed record form.
class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void patternTexts_data();
    void patternTexts();
    void statementKind_data();
    void statementKind();
    void blankAndCommentLines_data();
    void blankAndCommentLines();
    void operandCodes_data();
    void operandCodes();
    void operandTableHasNoOtherNames();
    void unusedOperandCodesHaveNoName_data();
    void unusedOperandCodesHaveNoName();
    void compareCodes_data();
    void compareCodes();
    void packedBytes_data();
    void packedBytes();
    void packIntoAppends();
    void unpackAtOffset();
    void completionBuildsStatements_data();
    void completionBuildsStatements();
    void completionOffers_data();
    void completionOffers();
    void hoverTexts_data();
    void hoverTexts();
    void renameLabel_data();
    void renameLabel();
};

namespace {

// The kind of the one statement pattern line matches, or -1.
int kindOf(const QString &line)
{
    int found = -1;
    for (const Language::StatementPattern &entry : Language::statementKinds()) {
        if (QRegExp(entry.pattern, Qt::CaseSensitive, QRegExp::RegExp).exactMatch(line))
            found = entry.kind;
    }
    return found;
}

// A text with "|" where the cursor stands: the text without it, and the cursor's line and column.
struct Marked
{
    QString text;
    int line = 0;
    int column = 0;
};

Marked marked(const QString &withCursor)
{
    Marked m;
    const int at = withCursor.indexOf(QLatin1Char('|'));
    m.text = withCursor;
    m.text.remove(at, 1);
    const QString before = withCursor.left(at);
    m.line = before.count(QLatin1Char('\n'));
    m.column = at - (before.lastIndexOf(QLatin1Char('\n')) + 1);
    return m;
}

QStringList labelsOf(const Completion::Proposal &proposal)
{
    QStringList out;
    for (const Completion::Item &item : proposal.items)
        out << item.label;
    return out;
}

} // namespace

void TestLanguage::patternTexts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("pattern");

    // Written out in full, so that a slip in the shared operand alternatives shows up here.
    const char *operand = "Us|Uo|Is|Io|Ro|Out|M[1-8]|T[1-4]|Blk";
    const auto assign = [operand](const char *op) {
        return QStringLiteral("^\\s*(%1)\\s*%2\\s*(-?\\d+|%1)\\s*;\\s*$")
            .arg(QLatin1String(operand), QLatin1String(op));
    };
    QTest::newRow("nop") << int(Nop) << QStringLiteral("^\\s*nop\\s*;\\s*$");
    QTest::newRow("assign") << int(Assign) << assign("=");
    QTest::newRow("if") << int(If)
                        << QStringLiteral(
                               "^\\s*if\\s(Us|Uo|Is|Io|Ro|Out|M[1-8]|T[1-4])\\s*(==|!=|<|<=|>|>=)"
                               "\\s*(-?\\d+|Us|Uo|Is|Io|Ro|Out|M[1-8]|T[1-4]|Blk)\\s+#(\\d\\d?)"
                               "(\\s+else\\s#(\\d\\d?))?\\s*;\\s*$");
    QTest::newRow("jmp") << int(Jmp) << QStringLiteral("^\\s*jmp\\s+#(\\d\\d?)\\s*;\\s*$");
    QTest::newRow("delay_ms") << int(DelayMs)
                              << QStringLiteral("^\\s*delay_ms\\s+(\\d+)\\s*;\\s*$");
    QTest::newRow("delay_s") << int(DelayS) << QStringLiteral("^\\s*delay_s\\s+(\\d+)\\s*;\\s*$");
    QTest::newRow("add") << int(AddAssign) << assign("\\+=");
    QTest::newRow("sub") << int(SubAssign) << assign("-=");
    QTest::newRow("div") << int(DivAssign) << assign("/=");
    QTest::newRow("mul") << int(MulAssign) << assign("\\*=");
    QTest::newRow("label") << int(Label) << QStringLiteral("^\\s*#(\\d\\d?)\\s*;\\s*$");
    QTest::newRow("prgName") << int(PrgName)
                             << QStringLiteral("^\\s*prgName\\s*=\\s*\"(\\w{1,5})\"\\s*;\\s*$");
}

void TestLanguage::patternTexts()
{
    QFETCH(int, kind);
    QFETCH(QString, pattern);

    const Language::StatementKindTable &table = Language::statementKinds();
    QCOMPARE(table.size(), 12);
    int entries = 0;
    for (const Language::StatementPattern &entry : table)
        entries += entry.kind == kind ? 1 : 0;
    QCOMPARE(entries, 1);
    QCOMPARE(Language::patternOf(table, kind), pattern);
}

void TestLanguage::statementKind_data()
{
    QTest::addColumn<QString>("line");
    // -1: the line is no statement.
    QTest::addColumn<int>("kind");

    const auto row = [](const char *line, int kind) { QTest::newRow(line) << u8(line) << kind; };
    const int none = -1;

    row("nop;", Nop);
    row("  nop ;  ", Nop);
    row("\tnop;\t", Nop);
    row("NOP;", none);
    row("nop", none);
    row("nop;;", none);
    row("nop; x", none);
    row("", none);
    row("   ", none);

    row("M1 = Us;", Assign);
    row("M1 = -5;", Assign);
    row("Us=5;", Assign);
    row("  Out = 5 ;  ", Assign);
    row("Blk = 1;", Assign);
    row("Us = Blk;", Assign);
    row("T4 = M8;", Assign);
    row("Ro = Io;", Assign);
    row("Uo = Is;", Assign);
    row("Us = 007;", Assign);
    row("Us = -0;", Assign);
    row("Us = 99999999999;", Assign); // matches; the compiler refuses the number
    row("us = 1;", none);
    row("US = 1;", none);
    row("Us = +5;", none);
    row("Us = 0x10;", none);
    row("Us = 1.5;", none);
    row("Us = - 5;", none);
    row("Us = --5;", none);
    row("Us = -;", none);
    row("Us = 5", none);
    row("Us == 5;", none);
    row("Us =+ 5;", none);
    row("M9 = 1;", none);
    row("M0 = 1;", none);
    row("T5 = 1;", none);
    row("Us = Us1;", none);
    row("Us = 5; // set", none); // nothing but blanks may follow the ";"
    row("Us = ٣;", Assign);      // Arabic-Indic digit: \d takes every decimal digit
    row("Us = ５;", Assign);     // full-width digit
    row("Us = Тест;", none);
    row("\u00a0Us = 1;", Assign); // no-break space is white space to \s

    row("if Us > Uo #1;", If);
    row("if Us>5 #1;", If);
    row("if Us > 5 #1 else #2;", If);
    row("if Us == Blk #1;", If);
    row("if T4 != -2147483648 #99 else #00;", If);
    row("if Us <= 5 #1;", If);
    row("if Us >= 5 #1;", If);
    row("if Us < 5 #1;", If);
    row("if\tUs > 5 #1;", If);
    row("if Us > 5 #1 else\t#2;", If);
    row("if Us > 5 #1\t\telse #2 ;", If);
    row("if Blk == 1 #1;", none);
    row("if  Us > 5 #1;", none);
    row("if Us > 5 #1 else  #2;", none);
    row("if Us > 5#1;", none);
    row("if Us > 5 #1else #2;", none);
    row("if Us > 5 #1 else#2;", none);
    row("if Us > 5 #100;", none);
    row("if Us > 5 #1 else #100;", none);
    row("if Us > 5 # 1;", none);
    row("if Us > 5 #1", none);
    row("if Us => 5 #1;", none);
    row("if Us <> 5 #1;", none);
    row("if Us = 5 #1;", none);
    row("if Us > +5 #1;", none);
    row("If Us > 5 #1;", none);
    row("ifUs > 5 #1;", none);
    row("if Us > 5 #٣;", If);

    row("jmp #1;", Jmp);
    row("jmp   #12 ;", Jmp);
    row("jmp\t#0;", Jmp);
    row("jmp#1;", none);
    row("jmp #123;", none);
    row("Jmp #1;", none);
    row("jmp 1;", none);
    row("jmp #;", none);
    row("jmp #-1;", none);

    row("delay_ms 500;", DelayMs);
    row("delay_ms 0;", DelayMs);
    row("delay_ms 99999999999;", DelayMs);
    row("delay_ms -5;", none);
    row("delay_ms500;", none);
    row("delay_ms 1.5;", none);
    row("delay_s 3;", DelayS);
    row("  delay_s   60 ;", DelayS);
    row("Delay_s 3;", none);
    row("delay_s;", none);

    row("Us += -5;", AddAssign);
    row("M2-=M3;", SubAssign);
    row("T1 /= 0;", DivAssign);
    row("Blk *= Blk;", MulAssign);
    row("Us %= 5;", none);
    row("Us + = 5;", none);
    row("Us += +5;", none);

    row("#1;", Label);
    row("#05;", Label);
    row("#99;", Label);
    row("  #7 ;  ", Label);
    row("#٣;", Label);
    row("#100;", none);
    row("#123;", none);
    row("# 1;", none);
    row("#1", none);
    row("#a;", none);
    row("#-1;", none);

    row("prgName = \"Prg1\";", PrgName);
    row("prgName=\"ABCDE\";", PrgName);
    row("prgName = \"a_1\";", PrgName);
    row("prgName = \"Тест\";", PrgName);
    row("prgName = \"e\u0301\";", PrgName); // a combining mark is a word character
    row("prgName = \"ABCDEF\";", none);
    row("prgName = \"a b\";", none);
    row("prgName = \"a-b\";", none);
    row("prgName = \"\";", none);
    row("prgName = Prg1;", none);
    row("PrgName = \"a\";", none);

    row("/* x */", none);
    row("xyz;", none);
}

void TestLanguage::statementKind()
{
    QFETCH(QString, line);
    QFETCH(int, kind);

    // The compiler matches minimally, the highlighter greedily: both must agree on every line.
    for (const bool minimal : {false, true}) {
        int matches = 0;
        int found = -1;
        for (const Language::StatementPattern &entry : Language::statementKinds()) {
            QRegExp re(entry.pattern, Qt::CaseSensitive, QRegExp::RegExp);
            re.setMinimal(minimal);
            if (re.indexIn(line) >= 0) {
                ++matches;
                found = entry.kind;
            }
        }
        QCOMPARE(matches, kind < 0 ? 0 : 1);
        QCOMPARE(found, kind);
    }
}

void TestLanguage::blankAndCommentLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<bool>("comment");

    QTest::newRow("empty") << QString() << true << false;
    QTest::newRow("blanks and tab") << u8(" \t  ") << true << false;
    QTest::newRow("carriage return") << u8("\r") << true << false;
    QTest::newRow("semicolon") << u8(" ;") << false << false;
    QTest::newRow("comment alone") << u8("// note") << false << true;
    QTest::newRow("statement then comment") << u8("Us = 5; // set") << false << true;
    QTest::newRow("slashes inside text") << u8("xyz//") << false << true;
    QTest::newRow("block comment") << u8("/* x */") << false << false;
    QTest::newRow("spaced slashes") << u8("/ /") << false << false;
}

void TestLanguage::blankAndCommentLines()
{
    QFETCH(QString, line);
    QFETCH(bool, blank);
    QFETCH(bool, comment);

    QCOMPARE(Language::BlankLinePattern, QStringLiteral("^\\s*$"));
    QCOMPARE(Language::CommentPattern, QStringLiteral("//[^\\n]*"));
    QCOMPARE(QRegExp(Language::BlankLinePattern).indexIn(line) >= 0, blank);
    QCOMPARE(QRegExp(Language::CommentPattern).indexIn(line) >= 0, comment);
}

void TestLanguage::operandCodes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");

    const auto row = [](const char *name, int code) { QTest::newRow(name) << u8(name) << code; };
    row("Us", 0);
    row("Uo", 1);
    row("Is", 2);
    row("Io", 3);
    row("Out", 4);
    row("Ro", 5);
    row("M1", 6);
    row("M2", 7);
    row("M3", 8);
    row("M4", 9);
    row("M5", 10);
    row("M6", 11);
    row("M7", 12);
    row("M8", 13);
    row("T1", 14);
    row("T2", 15);
    row("T3", 16);
    row("T4", 17);
    row("Blk", 20);
}

void TestLanguage::operandCodes()
{
    QFETCH(QString, name);
    QFETCH(int, code);

    const Language::CodeTable table = Language::operandCodes();
    QVERIFY(table.contains(name));
    QCOMPARE(table.value(name), code);
    QCOMPARE(Language::nameOf(table, code), name);
}

void TestLanguage::operandTableHasNoOtherNames()
{
    const Language::CodeTable table = Language::operandCodes();
    QCOMPARE(table.size(), 19);
    for (const char *name : {"us", "M0", "M9", "T0", "T5", "BLK", "Blk ", "", "0"})
        QVERIFY2(!table.contains(u8(name)), name);
}

void TestLanguage::unusedOperandCodesHaveNoName_data()
{
    QTest::addColumn<int>("code");
    for (const int code : {18, 19, 21, 63, 127, -1, std::numeric_limits<int>::min()})
        QTest::newRow(QByteArray::number(code).constData()) << code;
}

void TestLanguage::unusedOperandCodesHaveNoName()
{
    QFETCH(int, code);
    QCOMPARE(Language::nameOf(Language::operandCodes(), code), QString());
}

void TestLanguage::compareCodes_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("code");

    const auto row = [](const char *op, int code) { QTest::newRow(op) << u8(op) << code; };
    row("==", 0);
    row("!=", 1);
    row("<", 2);
    row("<=", 3);
    row(">", 4);
    row(">=", 5);
}

void TestLanguage::compareCodes()
{
    QFETCH(QString, op);
    QFETCH(int, code);

    const Language::CodeTable table = Language::compareCodes();
    QCOMPARE(table.size(), 6);
    QCOMPARE(table.value(op, -1), code);
    QCOMPARE(Language::nameOf(table, code), op);
    QCOMPARE(Language::nameOf(table, 6), QString());
    QCOMPARE(Language::nameOf(table, -1), QString());
}

void TestLanguage::packedBytes_data()
{
    QTest::addColumn<Instruction>("r");
    QTest::addColumn<QByteArray>("bytes");

    const auto hex = [](const char *digits) { return QByteArray::fromHex(digits); };
    // Offsets: func, oper, arg1 (4), arg2 (4), arg3 (2), arg4 (2), least significant byte first.
    QTest::newRow("all zero") << record(0) << hex("00 00 00000000 00000000 0000 0000");
    QTest::newRow("if with else") << record(2, 0, 1000, 2, 0, 4)
                                  << hex("02 00 e8030000 02000000 0000 0400");
    QTest::newRow("negative immediate")
        << record(1, 6, -5) << hex("01 06 fbffffff 00000000 0000 0000");
    QTest::newRow("named operand bit")
        << record(1, 0x86, 0) << hex("01 86 00000000 00000000 0000 0000");
    QTest::newRow("byte order") << record(3, 0, 0x12345678, 0x0a0b0c0d, 0x0102, 0x7f80)
                                << hex("03 00 78563412 0d0c0b0a 0201 807f");
    QTest::newRow("extremes") << record(0xff, 0x94, std::numeric_limits<qint32>::min(),
                                        std::numeric_limits<qint32>::max(), -32768, 32767)
                              << hex("ff 94 00000080 ffffff7f 0080 ff7f");
    QTest::newRow("minus one everywhere")
        << record(0xff, 0xff, -1, -1, -1, -1) << hex("ff ff ffffffff ffffffff ffff ffff");
    QTest::newRow("negative small")
        << record(10, 0, -256, -2, -2, -256) << hex("0a 00 00ffffff feffffff feff 00ff");
}

void TestLanguage::packedBytes()
{
    QFETCH(Instruction, r);
    QFETCH(QByteArray, bytes);

    QCOMPARE(bytes.size(), Instruction::PackedSize);
    QCOMPARE(r.pack().toHex(), bytes.toHex());
    const Instruction back = Instruction::unpack(bytes);
    QCOMPARE(describe(back), describe(r));
    QVERIFY(back == r);
    QCOMPARE(describe(Instruction::unpack(r.pack())), describe(r));
}

void TestLanguage::packIntoAppends()
{
    QByteArray out("ab");
    record(4, 0, 500).packInto(out);
    record(10, 0, 7).packInto(out);
    // The two bytes already there stay in front; each record follows in its 14 bytes.
    const QByteArray expected = QByteArray::fromHex("6162"
                                                    "04 00 f4010000 00000000 0000 0000"
                                                    "0a 00 07000000 00000000 0000 0000");
    QCOMPARE(out.toHex(), expected.toHex());
}

void TestLanguage::unpackAtOffset()
{
    const QByteArray bytes = QByteArray::fromHex("aabb"
                                                 "0986 02000000 05000000 0300 0400"
                                                 "cc");
    QCOMPARE(describe(Instruction::unpack(bytes, 2)), describe(record(9, 0x86, 2, 5, 3, 4)));
}

void TestLanguage::completionBuildsStatements_data()
{
    QTest::addColumn<QString>("start");
    // Item labels, picked one after the other with the cursor where each insertion leaves it.
    QTest::addColumn<QStringList>("picks");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("kind");

    QTest::newRow("if from nothing")
        << QString() << lines({"if ", "Us", ">", "Uo", "#7"}) << u8("if Us > Uo #7;") << int(If);
    QTest::newRow("if with else") << u8("if Us>5 #7 ") << lines({"else #", "#12"})
                                  << u8("if Us>5 #7 else #12;") << int(If);
    QTest::newRow("if typed by hand to the operator")
        << u8("  if T3 <") << lines({"<=", "Blk", "#12"}) << u8("  if T3 <= Blk #12;") << int(If);
    QTest::newRow("jmp") << QString() << lines({"jmp #", "#12"}) << u8("jmp #12;") << int(Jmp);
    QTest::newRow("label typed with a leading zero")
        << u8("jmp #0") << lines({"#7"}) << u8("jmp #7;") << int(Jmp);
    QTest::newRow("compound assignment")
        << u8("M") << lines({"M3", "+=", "Blk"}) << u8("M3 += Blk;") << int(AddAssign);
    QTest::newRow("assignment after the name")
        << u8("Out") << lines({"=", "Ro"}) << u8("Out = Ro;") << int(Assign);
}

void TestLanguage::completionBuildsStatements()
{
    QFETCH(QString, start);
    QFETCH(QStringList, picks);
    QFETCH(QString, line);
    QFETCH(int, kind);

    const QString head = text({"#7;", "nop;", "#12;"}) + QLatin1Char('\n');
    QString current = start;
    int cursor = current.size();
    for (const QString &pick : qAsConst(picks)) {
        const Completion::Proposal proposal = Completion::at(head + current, 3, cursor);
        const QStringList offered = labelsOf(proposal);
        const int index = offered.indexOf(pick);
        QVERIFY2(index >= 0, qPrintable(QStringLiteral("%1 not among: %2 (line \"%3\")")
                                            .arg(pick, offered.join(QLatin1Char(' ')), current)));
        const Completion::Item &item = proposal.items.at(index);
        current.replace(proposal.column, proposal.length, item.insertText);
        cursor = proposal.column + item.cursorOffset;
    }
    QCOMPARE(current, line);
    QCOMPARE(cursor, int(line.size()));
    QCOMPARE(kindOf(current), kind);
}

void TestLanguage::completionOffers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    // How the first item reads in the list; empty: not checked.
    QTest::addColumn<QString>("firstDisplay");

    QTest::newRow("if left side has no Blk")
        << u8("if |") << lines({"Us", "T4", "Out"}) << lines({"Blk", "nop;"}) << QString();
    QTest::newRow("if right side has Blk")
        << u8("if Us == |") << lines({"Blk", "Us"}) << lines({"=="}) << QString();
    QTest::newRow("if operator filtered")
        << u8("if Us <|") << lines({"<", "<="}) << lines({"==", ">", ">="}) << QString();
    QTest::newRow("two blanks after if")
        << u8("if  |") << QStringList() << lines({"Us"}) << QString();
    QTest::newRow("prgName on the first line")
        << u8("|") << lines({"prgName = \"\"", "nop;", "Blk"}) << QStringList() << QString();
    QTest::newRow("no prgName further down")
        << u8("nop;\n|") << lines({"nop;", "if "}) << lines({"prgName = \"\""}) << QString();
    QTest::newRow("case-sensitive")
        << u8("u|") << QStringList() << lines({"Us", "Uo"}) << QString();
    QTest::newRow("labels after #")
        << u8("#3;\njmp #|\n#10;") << lines({"#3", "#10"}) << QStringList() << u8("#3 — строка 1");
    QTest::newRow("labels filtered by digits")
        << u8("#3;\njmp #1|\n#10;") << lines({"#10"}) << lines({"#3"}) << QString();
    QTest::newRow("a label defined twice is offered once")
        << u8("#4;\n#4;\njmp #|") << lines({"#4"}) << QStringList() << u8("#4 — строка 1");
    QTest::newRow("nothing in a comment")
        << u8("// if |") << QStringList() << lines({"Us"}) << QString();
    QTest::newRow("nothing for a count")
        << u8("delay_ms |") << QStringList() << lines({"Us", "#3"}) << QString();
}

void TestLanguage::completionOffers()
{
    QFETCH(QString, text);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    QFETCH(QString, firstDisplay);

    const Marked m = marked(text);
    const Completion::Proposal proposal = Completion::at(m.text, m.line, m.column);
    const QStringList offered = labelsOf(proposal);
    for (const QString &label : qAsConst(present))
        QVERIFY2(offered.contains(label), qPrintable(label + QStringLiteral(" missing from ") +
                                                     offered.join(QLatin1Char(' '))));
    for (const QString &label : qAsConst(absent))
        QVERIFY2(!offered.contains(label), qPrintable(label + QStringLiteral(" offered")));
    if (present.isEmpty())
        QVERIFY2(offered.isEmpty(), qPrintable(offered.join(QLatin1Char(' '))));
    if (!firstDisplay.isEmpty())
        QCOMPARE(proposal.items.first().display(), firstDisplay);
}

void TestLanguage::hoverTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hover");

    QTest::newRow("reference with a leading zero")
        << u8("nop;\n#5;\njmp #0|5;") << u8("метка #5, строка 2");
    QTest::newRow("reference to nothing") << u8("jmp #|9;") << u8("метки #9 нет");
    QTest::newRow("label with its referencing lines")
        << u8("#|5;\njmp #5;\nif Us > 1 #5 else #5;\njmp #6;") << u8("сюда ведут строки 2, 3");
    QTest::newRow("label that nothing names")
        << u8("#5|;\n// jmp #5;") << u8("на метку никто не ссылается");
    QTest::newRow("operand with its code and lines")
        << u8("T|3 = 1;\nif T3 > T3 #1;\nM1 = 2;\n// T3 = 4;")
        << u8("операнд T3, код 16; используется в 2 строках");
    QTest::newRow("comment line") << u8("// jmp #|5;\n#5;") << QString();
    QTest::newRow("between statements") << u8("jmp #5; |") << QString();
}

void TestLanguage::hoverTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, hover);

    const Marked m = marked(text);
    const ProgramOutline outline = ProgramOutline::build(m.text);
    QCOMPARE(outline.hoverText(m.line, m.column), hover);
    QCOMPARE(outline.hoverSpan(m.line, m.column).line, hover.isEmpty() ? -1 : m.line);
}

void TestLanguage::renameLabel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("newNumber");
    QTest::addColumn<QString>("renamed");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("from the label, #05 included")
        << u8("#|5;\njmp #05;\nif Us > 1 #5 else #5;\njmp #6;") << u8("7")
        << u8("#7;\njmp #7;\nif Us > 1 #7 else #7;\njmp #6;") << QString();
    QTest::newRow("from a reference")
        << u8("#5;\njmp #|5;") << u8("42") << u8("#42;\njmp #42;") << QString();
    QTest::newRow("half-typed jump follows, comment stays")
        << u8("#5;\njmp #5|\n// jmp #5;") << u8("6") << u8("#6;\njmp #6\n// jmp #5;") << QString();
    QTest::newRow("columns in UTF-16 units")
        << u8("#5;\n😀 jmp #|5;") << u8("9") << u8("#9;\n😀 jmp #9;") << QString();
    QTest::newRow("number already defined")
        << u8("#5;\n#7;\njmp #|5;") << u8("07") << QString()
        << u8("метка #7 уже есть в строке 2: выберите другой номер");
    QTest::newRow("number out of range")
        << u8("#|5;") << u8("100") << QString() << u8("номер метки — число от 0 до 99");
    QTest::newRow("no label under the cursor")
        << u8("no|p;\n#5;") << u8("6") << QString()
        << u8("под курсором нет метки: поставьте его на #n в метке, jmp или if");
}

void TestLanguage::renameLabel()
{
    QFETCH(QString, text);
    QFETCH(QString, newNumber);
    QFETCH(QString, renamed);
    QFETCH(QString, refusal);

    const Marked m = marked(text);
    const LabelRename::Result result =
        LabelRename::rename(ProgramOutline::build(m.text), m.line, m.column, newNumber);
    QCOMPARE(result.refusal, refusal);
    QCOMPARE(result.edits.isEmpty(), !refusal.isEmpty());
    if (refusal.isEmpty())
        QCOMPARE(LabelRename::apply(m.text, result.edits), renamed);
}

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
