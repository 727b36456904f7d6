#include "compiler.h"
#include "decoder.h"
#include "langtestutil.h"
#include "programrun.h"
#include "statementkind.h"
#include "syntaxdiagnosis.h"
#include "testseed.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <iterator>
#include <limits>

using namespace LangTest;

// Properties over generated programs: compiling and decoding undo each other, and the reasons
// given for lines in error agree with the statement patterns.
//
// Every case comes from a seeded generator, fixed unless QUORVEL_SEED=<n> (or =random) says
// otherwise; the seed is printed, and QUORVEL_PROPERTY_CASES=<n> changes the number of cases per
// row.
class TestProperties : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void textSurvivesDecodeAndRecompile_data();
    void textSurvivesDecodeAndRecompile();
    void soundRecordsSurviveDecodeAndCompile_data();
    void soundRecordsSurviveDecodeAndCompile();
    void diagnosisAgreesWithPatterns();

private:
    quint32 seed = 0;
    int casesPerRow = 0;
};

namespace {

constexpr int DefaultCasesPerRow = 400;
// Generation stops early past this, so a slow build (sanitizers) cannot stall the suite.
constexpr qint64 RowBudgetMs = 4000;
constexpr int LabelNumbers = 100;
constexpr qint32 Int32Min = std::numeric_limits<qint32>::min();
constexpr qint32 Int32Max = std::numeric_limits<qint32>::max();

// The device's operand names and codes, written out here rather than taken from the library.
struct Operand
{
    const char *name;
    int code;
};
constexpr Operand Operands[] = {
    {"Us", 0},  {"Uo", 1},  {"Is", 2},  {"Io", 3},  {"Out", 4},  {"Ro", 5},  {"M1", 6},
    {"M2", 7},  {"M3", 8},  {"M4", 9},  {"M5", 10}, {"M6", 11},  {"M7", 12}, {"M8", 13},
    {"T1", 14}, {"T2", 15}, {"T3", 16}, {"T4", 17}, {"Blk", 20},
};
constexpr int OperandCount = int(sizeof Operands / sizeof Operands[0]);
// Blk is last: an if may not compare it on the left.
constexpr int LeftOperandCount = OperandCount - 1;

constexpr const char *Comparisons[] = {"==", "!=", "<", "<=", ">", ">="};
constexpr int ComparisonCount = int(sizeof Comparisons / sizeof Comparisons[0]);

struct AssignForm
{
    int kind;
    const char *op;
};
constexpr AssignForm AssignForms[] = {
    {Assign, "="}, {AddAssign, "+="}, {SubAssign, "-="}, {DivAssign, "/="}, {MulAssign, "*="},
};

// What a generator row leans towards.
struct Shape
{
    int minStatements;
    int maxStatements;
    // Percent of statements that are labels, and of the rest that jump (if or jmp).
    int labelPercent;
    int jumpPercent;
    // Percent of numbers drawn from the extremes of their range.
    int extremePercent;
    // Blank lines, comments, odd white space and leading zeros.
    bool messy;
};

class Generator
{
public:
    explicit Generator(quint64 seed) : rng(seed) {}

    int below(int bound) { return int(rng.bounded(quint32(bound))); }
    bool percent(int p) { return below(100) < p; }

    // A value of the whole signed 32-bit range, often an extreme one.
    qint32 immediate(int extremePercent)
    {
        if (percent(extremePercent)) {
            static const qint32 edges[] = {Int32Min, Int32Min + 1, -1,      0,
                                           1,        Int32Max - 1, Int32Max};
            return edges[below(int(sizeof edges / sizeof edges[0]))];
        }
        switch (below(3)) {
        case 0:
            return below(2001) - 1000;
        case 1:
            return qint32(rng.generate());
        default:
            return -below(100000);
        }
    }

    // A delay count: never negative.
    qint32 count(int extremePercent)
    {
        if (percent(extremePercent)) {
            static const qint32 edges[] = {0, 1, Int32Max - 1, Int32Max};
            return edges[below(int(sizeof edges / sizeof edges[0]))];
        }
        return percent(50) ? below(10000) : qint32(rng.generate() & 0x7FFFFFFFu);
    }

    // Program names are one to five word characters, not only ASCII ones.
    QString name()
    {
        static const QString letters =
            QStringLiteral("abcxyzABCXYZ019_") + QString::fromUtf8("ЖжЯяЁё");
        QString out;
        const int length = 1 + below(5);
        for (int i = 0; i < length; ++i)
            out += letters.at(below(letters.size()));
        return out;
    }

private:
    QRandomGenerator rng;
};

// One statement as the generator means it, before it is written as text. Jump targets hold label
// numbers; the expected record swaps them for record indices.
struct Statement
{
    int kind = Nop;
    const char *op = "";
    int first = 0;      // operand index of the destination or the left side
    bool named = false; // the second operand is a name
    int second = 0;     // its operand index when named
    qint32 value = 0;   // number, count or label number
    int comparison = 0;
    int thenLabel = 0;
    int elseLabel = -1; // -1: no else part
};

class TextProgram
{
public:
    TextProgram(Generator &g, const Shape &form) : gen(g), shape(form) { build(); }

    QString programName;
    QString text;
    InstructionList expected;

private:
    void build();
    Statement makeStatement(bool label);
    QString writeNumber(qint32 value);
    QString writeLabel(int number);
    QString space();     // \s*
    QString someSpace(); // \s+
    QString oneSpace();  // \s, exactly one
    QString render(const Statement &s);
    QString secondOperand(const Statement &s);

    Generator &gen;
    Shape shape;
    QVector<int> freeLabels;
    QVector<int> usedLabels;
};

QString TextProgram::space()
{
    if (!shape.messy || gen.percent(60))
        return gen.percent(50) ? QString() : QStringLiteral(" ");
    static const char *const choices[] = {"  ", "\t", " \t ", "\t\t"};
    return QString::fromLatin1(choices[gen.below(4)]);
}

QString TextProgram::someSpace()
{
    return shape.messy && gen.percent(30) ? QStringLiteral(" \t") : QStringLiteral(" ");
}

QString TextProgram::oneSpace()
{
    return shape.messy && gen.percent(20) ? QStringLiteral("\t") : QStringLiteral(" ");
}

QString TextProgram::writeNumber(qint32 value)
{
    if (shape.messy && value >= 0 && value < 1000000 && gen.percent(15))
        return QStringLiteral("00") + QString::number(value);
    if (shape.messy && value == 0 && gen.percent(30))
        return QStringLiteral("-0");
    if (shape.messy && value < 0 && value > -1000000 && gen.percent(15))
        return QStringLiteral("-0") + QString::number(-value);
    return QString::number(value);
}

QString TextProgram::writeLabel(int number)
{
    if (shape.messy && number < 10 && gen.percent(30))
        return QStringLiteral("0") + QString::number(number);
    return QString::number(number);
}

QString TextProgram::secondOperand(const Statement &s)
{
    return s.named ? QLatin1String(Operands[s.second].name) : writeNumber(s.value);
}

QString TextProgram::render(const Statement &s)
{
    const QString end = space() + QLatin1Char(';') + space();
    switch (s.kind) {
    case Nop:
        return space() + QStringLiteral("nop") + end;
    case If: {
        QString line = space() + QStringLiteral("if") + oneSpace() +
                       QLatin1String(Operands[s.first].name) + space() +
                       QLatin1String(Comparisons[s.comparison]) + space() + secondOperand(s) +
                       someSpace() + QLatin1Char('#') + writeLabel(s.thenLabel);
        if (s.elseLabel >= 0)
            line += someSpace() + QStringLiteral("else") + oneSpace() + QLatin1Char('#') +
                    writeLabel(s.elseLabel);
        return line + end;
    }
    case Jmp:
        return space() + QStringLiteral("jmp") + someSpace() + QLatin1Char('#') +
               writeLabel(s.value) + end;
    case DelayMs:
        return space() + QStringLiteral("delay_ms") + someSpace() + QString::number(s.value) + end;
    case DelayS:
        return space() + QStringLiteral("delay_s") + someSpace() + QString::number(s.value) + end;
    case Label:
        return space() + QLatin1Char('#') + writeLabel(s.value) + end;
    default:
        return space() + QLatin1String(Operands[s.first].name) + space() + QLatin1String(s.op) +
               space() + secondOperand(s) + end;
    }
}

Statement TextProgram::makeStatement(bool label)
{
    Statement s;
    if (label) {
        s.kind = Label;
        s.value = freeLabels.takeAt(gen.below(freeLabels.size()));
        usedLabels << s.value;
        return s;
    }
    // Jumps are given their targets once every label is placed.
    if (gen.percent(shape.jumpPercent)) {
        s.kind = gen.percent(60) ? If : Jmp;
    } else {
        static const int others[] = {Nop, DelayMs, DelayS, Assign, Assign};
        s.kind = others[gen.below(int(sizeof others / sizeof others[0]))];
    }
    if (s.kind == DelayMs || s.kind == DelayS) {
        s.value = gen.count(shape.extremePercent);
    } else if (s.kind == Assign || s.kind == If) {
        if (s.kind == Assign) {
            const AssignForm &form = AssignForms[gen.below(5)];
            s.kind = form.kind;
            s.op = form.op;
            s.first = gen.below(OperandCount);
        } else {
            s.first = gen.below(LeftOperandCount);
            s.comparison = gen.below(ComparisonCount);
        }
        s.named = gen.percent(35);
        if (s.named)
            s.second = gen.below(OperandCount);
        else
            s.value = gen.immediate(shape.extremePercent);
    }
    return s;
}

void TextProgram::build()
{
    for (int n = 0; n < LabelNumbers; ++n)
        freeLabels << n;
    // Some programs have no name line: they compile to the empty name.
    const bool named = !gen.percent(20);
    if (named)
        programName = gen.name();

    const int statements =
        shape.minStatements + gen.below(shape.maxStatements - shape.minStatements + 1);
    QVector<Statement> program;
    for (int i = 0; i < statements; ++i)
        program << makeStatement(!freeLabels.isEmpty() && gen.percent(shape.labelPercent));

    // A jump needs a label to land on: without one it becomes a delay.
    QHash<int, int> indexOfLabel;
    for (int i = 0; i < program.size(); ++i) {
        if (program.at(i).kind == Label)
            indexOfLabel.insert(program.at(i).value, i);
    }
    for (Statement &s : program) {
        if ((s.kind == If || s.kind == Jmp) && usedLabels.isEmpty()) {
            s.kind = DelayMs;
            s.value = gen.count(shape.extremePercent);
        } else if (s.kind == Jmp) {
            s.value = usedLabels.at(gen.below(usedLabels.size()));
        } else if (s.kind == If) {
            s.thenLabel = usedLabels.at(gen.below(usedLabels.size()));
            // An else may not land on the first record: index 0 reads as "no else".
            QVector<int> elseTargets;
            for (const int number : qAsConst(usedLabels)) {
                if (indexOfLabel.value(number) != 0)
                    elseTargets << number;
            }
            // "else #0" is a branch like any other: favour it whenever label 0 may take it.
            if (elseTargets.contains(0) && gen.percent(25))
                s.elseLabel = 0;
            else if (!elseTargets.isEmpty() && gen.percent(50))
                s.elseLabel = elseTargets.at(gen.below(elseTargets.size()));
        }
    }

    QStringList lines;
    if (named)
        lines << QStringLiteral("prgName") + space() + QLatin1Char('=') + space() +
                     QLatin1Char('"') + programName + QLatin1Char('"') + space() + QLatin1Char(';');
    static const char *const filler[] = {"",
                                         "   ",
                                         "\t",
                                         "// comment",
                                         "  // Комментарий",
                                         "Us = 5; // a statement with a comment is a comment"};
    for (const Statement &s : qAsConst(program)) {
        if (shape.messy && gen.percent(15))
            lines << QString::fromUtf8(filler[gen.below(int(sizeof filler / sizeof filler[0]))]);
        lines << render(s);

        Instruction r;
        r.func = quint8(s.kind);
        switch (s.kind) {
        case If:
            r.arg2 = s.comparison;
            r.arg3 = qint16(indexOfLabel.value(s.thenLabel));
            r.arg4 = s.elseLabel >= 0 ? qint16(indexOfLabel.value(s.elseLabel)) : 0;
            Q_FALLTHROUGH();
        case Assign:
        case AddAssign:
        case SubAssign:
        case DivAssign:
        case MulAssign:
            r.oper = quint8(Operands[s.first].code | (s.named ? Instruction::NamedOperandBit : 0));
            r.arg1 = s.named ? Operands[s.second].code : s.value;
            break;
        case Jmp:
            r.arg1 = indexOfLabel.value(s.value);
            break;
        case DelayMs:
        case DelayS:
        case Label:
            r.arg1 = s.value;
            break;
        default:
            break;
        }
        expected << r;
    }
    if (shape.messy && gen.percent(50))
        lines << QString();
    text = lines.join(QLatin1Char('\n'));
}

// Records as the device could hold them with sound references: targets on Label records,
// unique labels 0..99, known operand and comparison codes, numbers the language can write.
InstructionList soundRecords(Generator &gen, const Shape &shape)
{
    const int n = shape.minStatements + gen.below(shape.maxStatements - shape.minStatements + 1);
    InstructionList records(n);
    QVector<int> freeLabels;
    for (int i = 0; i < LabelNumbers; ++i)
        freeLabels << i;

    QVector<int> labelIndices;
    for (int i = 0; i < n; ++i) {
        if (!freeLabels.isEmpty() && gen.percent(shape.labelPercent)) {
            records[i].func = Label;
            records[i].arg1 = freeLabels.takeAt(gen.below(freeLabels.size()));
            labelIndices << i;
        }
    }
    // An else target must be a Label record other than record 0, which reads as no else at all;
    // label number 0 is as good as any other.
    QVector<int> elseIndices;
    for (const int index : qAsConst(labelIndices)) {
        if (index != 0)
            elseIndices << index;
    }

    for (int i = 0; i < n; ++i) {
        Instruction &r = records[i];
        if (r.func == Label)
            continue;
        const bool jump = !labelIndices.isEmpty() && gen.percent(shape.jumpPercent);
        static const int plain[] = {Nop,       Assign,    AddAssign, SubAssign,
                                    DivAssign, MulAssign, DelayMs,   DelayS};
        r.func = quint8(jump ? (gen.percent(60) ? If : Jmp)
                             : plain[gen.below(int(sizeof plain / sizeof plain[0]))]);
        switch (r.func) {
        case If:
            r.arg2 = gen.below(ComparisonCount);
            r.arg3 = qint16(labelIndices.at(gen.below(labelIndices.size())));
            if (!elseIndices.isEmpty() && gen.percent(50))
                r.arg4 = qint16(elseIndices.at(gen.below(elseIndices.size())));
            Q_FALLTHROUGH();
        case Assign:
        case AddAssign:
        case SubAssign:
        case DivAssign:
        case MulAssign: {
            const int left = gen.below(r.func == If ? LeftOperandCount : OperandCount);
            const bool named = gen.percent(35);
            r.oper = quint8(Operands[left].code | (named ? Instruction::NamedOperandBit : 0));
            r.arg1 = named ? Operands[gen.below(OperandCount)].code
                           : gen.immediate(shape.extremePercent);
            break;
        }
        case Jmp:
            r.arg1 = labelIndices.at(gen.below(labelIndices.size()));
            break;
        case DelayMs:
        case DelayS:
            r.arg1 = gen.count(shape.extremePercent);
            break;
        default:
            break;
        }
    }
    return records;
}

void addShapes()
{
    QTest::addColumn<Shape>("shape");
    // Each row draws from its own stream, so one row replays without the others.
    QTest::addColumn<int>("stream");
    // min, max statements; label %, jump %; extreme %; messy
    QTest::newRow("short programs") << Shape{0, 8, 25, 30, 20, false} << 1;
    QTest::newRow("programs of up to 100 records") << Shape{60, 100, 15, 30, 10, false} << 2;
    QTest::newRow("mostly labels and jumps") << Shape{10, 60, 45, 80, 0, false} << 3;
    QTest::newRow("extreme numbers") << Shape{5, 30, 10, 20, 90, false} << 4;
    QTest::newRow("white space, comments, leading zeros") << Shape{5, 40, 20, 40, 30, true} << 5;
}

// Stops a row at its case count or its time budget, whichever comes first.
class CaseBudget
{
public:
    explicit CaseBudget(int count) : cases(count) { clock.start(); }
    bool next()
    {
        if (done >= cases)
            return false;
        if (clock.elapsed() > RowBudgetMs) {
            qInfo("time budget spent after %d of %d cases", done, cases);
            return false;
        }
        ++done;
        return true;
    }
    int index() const { return done - 1; }
    int ran() const { return done; }

private:
    QElapsedTimer clock;
    int cases;
    int done = 0;
};

// Short enough that a generated loop with a delay in it ends quickly.
constexpr qint64 RunLimitMs = 20000;

// Why two compiles of one program do not run alike, or an empty string. Source lines differ
// between a text and its read-back decode; each row must name its own compile's line.
QString runDifference(const CompileResult &a, const CompileResult &b)
{
    ProgramRun runA(a.instructions, a.recordSourceLines);
    ProgramRun runB(b.instructions, b.recordSourceLines);
    runA.setTimeLimitMs(RunLimitMs);
    runB.setTimeLimitMs(RunLimitMs);
    const RunOutcome x = runA.run();
    const RunOutcome y = runB.run();
    if (x.stop != y.stop || x.finalTimeMs != y.finalTimeMs || x.firstRecord != y.firstRecord ||
        x.lastRecord != y.lastRecord || x.trace.size() != y.trace.size()) {
        return QStringLiteral("stop %1/%2, time %3/%4, records %5-%6/%7-%8, rows %9/%10")
            .arg(int(x.stop))
            .arg(int(y.stop))
            .arg(x.finalTimeMs)
            .arg(y.finalTimeMs)
            .arg(x.firstRecord)
            .arg(x.lastRecord)
            .arg(y.firstRecord)
            .arg(y.lastRecord)
            .arg(x.trace.size())
            .arg(y.trace.size());
    }
    for (int i = 0; i < x.trace.size(); ++i) {
        RunTraceRow rowA = x.trace.at(i);
        RunTraceRow rowB = y.trace.at(i);
        if (rowA.line != a.recordSourceLines.value(rowA.record) ||
            rowB.line != b.recordSourceLines.value(rowB.record))
            return QStringLiteral("row %1 names another line than its record's").arg(i);
        rowA.line = rowB.line = 0;
        if (rowA != rowB)
            return QStringLiteral("row %1 differs: record %2/%3, time %4/%5, value %6/%7")
                .arg(i)
                .arg(rowA.record)
                .arg(rowB.record)
                .arg(rowA.timeMs)
                .arg(rowB.timeMs)
                .arg(rowA.value)
                .arg(rowB.value);
    }
    return QString();
}

QString failureContext(quint64 seed, int index, const QString &text)
{
    return QStringLiteral("QUORVEL_SEED=%1, case %2; program text:\n%3")
        .arg(seed)
        .arg(index)
        .arg(text);
}

} // namespace

Q_DECLARE_METATYPE(Shape)

void TestProperties::initTestCase()
{
    seed = testSeed();
    bool ok = false;
    const int cases = qEnvironmentVariableIntValue("QUORVEL_PROPERTY_CASES", &ok);
    casesPerRow = ok && cases > 0 ? cases : DefaultCasesPerRow;
    qInfo("seed %u (replay with QUORVEL_SEED=%u), %d cases per row", seed, seed, casesPerRow);
}

void TestProperties::textSurvivesDecodeAndRecompile_data()
{
    addShapes();
}

// Valid text compiles to the records it means; decoding them and compiling the text again gives
// the same records, the same name and the same run.
void TestProperties::textSurvivesDecodeAndRecompile()
{
    QFETCH(Shape, shape);
    QFETCH(int, stream);
    const quint64 rowSeed = quint64(seed) * 100 + quint64(stream);
    Generator gen(rowSeed);
    CaseBudget budget(casesPerRow);
    while (budget.next()) {
        const TextProgram program(gen, shape);
        const QString context = failureContext(seed, budget.index(), program.text);

        const CompileResult first = compileProgram(program.text);
        if (!first.ok || first.instructions != program.expected) {
            qInfo().noquote() << context << "\nreport:\n" << first.report.join(QLatin1Char('\n'));
            QVERIFY(first.ok);
            QCOMPARE(describe(first.instructions), describe(program.expected));
        }
        QCOMPARE(first.hasProgramName, !program.programName.isEmpty());
        QCOMPARE(first.programName, program.programName);

        const DecodeResult decoded = decodeProgram(first.programName, first.instructions);
        QVERIFY2(decoded.ok, qPrintable(context + QStringLiteral("\ndecoder: ") + decoded.error));

        const CompileResult again = compileProgram(decoded.text());
        if (!again.ok || again.instructions != first.instructions) {
            qInfo().noquote() << context << "\ndecoded:\n"
                              << decoded.text() << "\nreport:\n"
                              << again.report.join(QLatin1Char('\n'));
            QVERIFY(again.ok);
            QCOMPARE(describe(again.instructions), describe(first.instructions));
        }
        QCOMPARE(again.programName, first.programName);
        // The decoded read-back runs exactly as the program it came from.
        const QString difference = runDifference(first, again);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(context + QStringLiteral("\nrun: ") + difference));
    }
    qInfo("%d programs", budget.ran());
}

void TestProperties::soundRecordsSurviveDecodeAndCompile_data()
{
    addShapes();
}

// Records with sound references decode to text that compiles back to exactly those records,
// under the name as stored, without its padding.
void TestProperties::soundRecordsSurviveDecodeAndCompile()
{
    QFETCH(Shape, shape);
    QFETCH(int, stream);
    const quint64 rowSeed = quint64(seed) * 100 + 50 + quint64(stream);
    Generator gen(rowSeed);
    CaseBudget budget(casesPerRow);
    while (budget.next()) {
        const InstructionList records = soundRecords(gen, shape);
        const QString name = gen.percent(15) ? QString() : gen.name();
        // The device keeps five characters, blank-padded; an erased or foreign cell may hold
        // control bytes as well, which the text does not show. (The decoder takes a name of any
        // length, so controls are inserted as well as put in place of blanks.)
        QString stored = name.leftJustified(5, QLatin1Char(' '));
        if (gen.percent(30)) {
            static const QChar controls[] = {QChar(0), QChar(0x01), QChar(0x1f), QChar(0x7f),
                                             QChar(0x9f)};
            for (int i = gen.below(5); i < stored.size(); i += 1 + gen.below(3)) {
                const QChar control =
                    controls[gen.below(int(sizeof controls / sizeof controls[0]))];
                if (stored.at(i) == QLatin1Char(' '))
                    stored[i] = control;
                else
                    stored.insert(i++, control);
            }
        }
        const QString context = QStringLiteral("QUORVEL_SEED=%1, case %2; records:\n%3")
                                    .arg(seed)
                                    .arg(budget.index())
                                    .arg(describe(records).join(QLatin1Char('\n')));

        const DecodeResult decoded = decodeProgram(stored, records);
        QVERIFY2(decoded.ok, qPrintable(context + QStringLiteral("\ndecoder: ") + decoded.error));

        const CompileResult compiled = compileProgram(decoded.text());
        if (!compiled.ok || compiled.instructions != records) {
            qInfo().noquote() << context << "\ndecoded:\n"
                              << decoded.text() << "\nreport:\n"
                              << compiled.report.join(QLatin1Char('\n'));
            QVERIFY(compiled.ok);
            QCOMPARE(describe(compiled.instructions), describe(records));
        }
        QCOMPARE(compiled.programName, name);
    }
    qInfo("%d record lists", budget.ran());
}

namespace {

// Pieces of statements, right and wrong, that lines in error are put together from.
const char *const Pieces[] = {
    "Us",      "Ux",         "Blk",     "M1",   "M10", "Out", "if", "jmp", "delay_ms",
    "delay_s", "nop",        "prgName", "else", "#",   "1",   "12", "123", "-",
    "5",       "2147483648", "=",       "+=",   "==",  "<",   ">=", "!",   "\"",
    "Prg",     "_",          ";",       " ",    "  ",  "\t",  "x",  "/*",
};
const char *const ValidLines[] = {
    "Us = 5;", "  M1 += -12;",         "if Us>5 #1;", "if Us <= Blk #12 else #3;",
    "jmp #7;", "delay_ms 2147483647;", "delay_s 0;",  "nop;",
    "#05;",    "prgName = \"A_1\";",   "Blk *= Us ;", "if T4 != -2147483648 #0;",
};

// Reasons that a line matching its pattern may still get: they judge values, not the form.
bool judgesValue(const QString &reason)
{
    return reason.startsWith(QStringLiteral("число вне диапазона")) ||
           reason == QStringLiteral("prgName должен быть в первой строке");
}

} // namespace

// Every line that no pattern takes gets a reason at the first character that cannot be right:
// the text before the column can still become a statement, the text through it cannot. Lines
// that a pattern takes get none, or one that judges a value.
void TestProperties::diagnosisAgreesWithPatterns()
{
    QVector<QRegExp> full;
    QVector<QRegularExpression> partial;
    for (const Language::StatementPattern &p : Language::statementKinds()) {
        full << QRegExp(p.pattern);
        partial << QRegularExpression(p.pattern);
    }
    const auto matches = [&full](const QString &line) {
        return std::any_of(full.begin(), full.end(),
                           [&line](QRegExp &re) { return re.exactMatch(line); });
    };
    // Whether some statement begins with text.
    const auto viable = [&partial](const QString &text) {
        return text.isEmpty() ||
               std::any_of(partial.cbegin(), partial.cend(), [&text](const QRegularExpression &re) {
                   const QRegularExpressionMatch m =
                       re.match(text, 0, QRegularExpression::PartialPreferCompleteMatch);
                   return m.hasMatch() || m.hasPartialMatch();
               });
    };
    const Language::CodeTable comparisons = Language::compareCodes();

    Generator gen(quint64(seed) * 100 + 99);
    CaseBudget budget(casesPerRow * 10);
    while (budget.next()) {
        QString line;
        if (gen.percent(50)) {
            // A valid line with one character dropped, doubled or replaced.
            line = QString::fromUtf8(ValidLines[gen.below(int(std::size(ValidLines)))]);
            const int at = gen.below(line.size());
            const QString piece = QString::fromUtf8(Pieces[gen.below(int(std::size(Pieces)))]);
            switch (gen.below(3)) {
            case 0:
                line.remove(at, 1);
                break;
            case 1:
                line.insert(at, line.at(at));
                break;
            default:
                line.replace(at, 1, piece);
                break;
            }
        } else {
            const int count = 1 + gen.below(8);
            for (int i = 0; i < count; ++i)
                line += QString::fromUtf8(Pieces[gen.below(int(std::size(Pieces)))]);
        }
        if (line.trimmed().isEmpty() || line.contains(QStringLiteral("//")))
            continue;
        const QString context = QStringLiteral("QUORVEL_SEED=%1, case %2, line '%3'")
                                    .arg(seed)
                                    .arg(budget.index())
                                    .arg(line);
        const SyntaxDiagnosis::Finding why = SyntaxDiagnosis::diagnose(line, true, comparisons);
        if (matches(line)) {
            QVERIFY2(!why.found() || judgesValue(why.reason),
                     qPrintable(context + QStringLiteral(": ") + why.reason));
            continue;
        }
        QVERIFY2(why.found(), qPrintable(context));
        QVERIFY2(why.column >= 1 && why.column <= line.size() + 1, qPrintable(context));
        const QString place =
            context + QStringLiteral(", column %1: %2").arg(why.column).arg(why.reason);
        QVERIFY2(viable(line.left(why.column - 1)), qPrintable(place));
        if (!judgesValue(why.reason) && why.column <= line.size())
            QVERIFY2(!viable(line.left(why.column)), qPrintable(place));
    }
    for (const char *valid : ValidLines) {
        const QString line = QString::fromUtf8(valid);
        QVERIFY2(matches(line), valid);
        QVERIFY2(!SyntaxDiagnosis::diagnose(line, true, comparisons).found(), valid);
    }
    qInfo("%d lines", budget.ran());
}

QTEST_GUILESS_MAIN(TestProperties)
#include "tst_properties.moc"
