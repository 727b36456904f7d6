#include "compiler.h"

#include "flowanalysis.h"
#include "statementkind.h"
#include "syntaxdiagnosis.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegExp>

#include <algorithm>
#include <functional>

namespace {

// Names the translation context for lupdate and the run time alike.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Compiler)
};

QString debugLine(const Instruction &r)
{
    // The second field is labelled arg3 as well: the pane has always shown it this way.
    return r.fieldsText(QStringLiteral(">func:%1 oper:%2 arg1:%3 arg3:%4 arg3:%5 arg4:%6"));
}

// Reads the second operand of an assignment or the right side of an if into the record.
bool encodeSource(const QString &source, const Language::CodeTable &operandCodes, Instruction &r)
{
    const auto it = operandCodes.constFind(source);
    if (it != operandCodes.cend()) {
        r.arg1 = it.value();
        r.oper |= Instruction::NamedOperandBit;
        return true;
    }
    bool converted = false;
    r.arg1 = source.toInt(&converted, 10);
    return converted;
}

// The message of a report's error line: the line without its leading "error" word, so that a tool
// can print it as "FILE:LINE: error: MESSAGE".
QString errorMessage(const QString &reportLine)
{
    static const QString colon = QStringLiteral("error: ");
    static const QString blank = QStringLiteral("error ");
    if (reportLine.startsWith(colon))
        return reportLine.mid(colon.size());
    if (reportLine.startsWith(blank))
        return reportLine.mid(blank.size());
    return reportLine;
}

// Collects the report lines and the diagnostics of one compile.
class Findings
{
public:
    explicit Findings(CompileResult &result) : m_result(result) {}

    void line(const QString &text, int sourceLine = 0)
    {
        m_result.report << text;
        m_result.reportSourceLines << sourceLine;
    }
    // An error line of the report; its diagnostic is added apart, as it may say more.
    void reportError(int sourceLine, const QString &reportLine)
    {
        m_result.reportErrorLines << m_result.report.size();
        line(reportLine, sourceLine);
    }
    void error(int sourceLine, int column, const QString &message)
    {
        m_result.diagnostics.append({sourceLine, Diagnostic::Severity::Error, message, column});
    }
    void warning(int sourceLine, const QString &message)
    {
        m_result.diagnostics.append({sourceLine, Diagnostic::Severity::Warning, message});
    }

private:
    CompileResult &m_result;
};

// The column of a line's label reference: its first "#", or its last for an else label.
int referenceColumn(const QString &line, bool elseLabel)
{
    return (elseLabel ? line.lastIndexOf(QLatin1Char('#')) : line.indexOf(QLatin1Char('#'))) + 1;
}

// Called per reference error with the record's index, whether the else label is meant, and the
// report's line for it.
using ReferenceError = std::function<void(int index, bool elseLabel, const QString &reportLine)>;

// Resolves label numbers to record indices in place; false when any reference is wrong.
bool resolveReferences(InstructionList &records, const QVector<bool> &elseGiven,
                       const ReferenceError &error)
{
    // Labels first, so that a jump may point forwards as well as backwards.
    bool failed = false;
    QHash<int, int> labels;
    for (int index = 0; index < records.size(); ++index) {
        const Instruction &r = records.at(index);
        if (r.func != Label)
            continue;
        if (labels.contains(r.arg1)) {
            error(index, false, Texts::tr("error: повтор ссылки #%1").arg(r.arg1));
            failed = true;
        } else {
            labels.insert(r.arg1, index);
        }
    }

    for (int index = 0; index < records.size(); ++index) {
        Instruction &r = records[index];
        if (r.func == If) {
            const auto then = labels.constFind(r.arg3);
            if (then == labels.cend()) {
                error(index, false, Texts::tr("error if: ссылка #%1 не найдена").arg(r.arg3));
                failed = true;
                continue;
            }
            r.arg3 = qint16(then.value());
            if (elseGiven.at(index)) {
                const auto otherwise = labels.constFind(r.arg4);
                if (otherwise == labels.cend()) {
                    error(index, true,
                          Texts::tr("error if-else: ссылка #%1 не найдена").arg(r.arg4));
                    failed = true;
                } else if (otherwise.value() == 0) {
                    // Index 0 in arg4 means "no else branch" to the device: refuse rather than
                    // silently drop the branch.
                    error(index, true,
                          Texts::tr("error if-else: ссылка #%1 не может указывать на первую запись")
                              .arg(r.arg4));
                    failed = true;
                } else {
                    r.arg4 = qint16(otherwise.value());
                }
            }
        } else if (r.func == Jmp) {
            const auto target = labels.constFind(r.arg1);
            if (target == labels.cend()) {
                error(index, false, Texts::tr("error jmp: ссылка #%1 не найдена").arg(r.arg1));
                failed = true;
            } else {
                r.arg1 = target.value();
            }
        }
    }
    return !failed;
}

// The index of the pattern that matches text, or -1.
int matchingPattern(QVector<QRegExp> &patterns, const QString &text)
{
    for (int p = 0; p < patterns.size(); ++p) {
        if (patterns[p].indexIn(text) >= 0)
            return p;
    }
    return -1;
}

bool fitsDevice(const QString &name)
{
    return std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
}

} // namespace

Compiler::Compiler(const Language::StatementKindTable &statementKinds,
                   const Language::CodeTable &operandCodes, const Language::CodeTable &compareCodes)
    : m_statementKinds(statementKinds), m_operandCodes(operandCodes), m_compareCodes(compareCodes)
{
    m_patterns.reserve(m_statementKinds.size());
    for (const Language::StatementPattern &entry : qAsConst(m_statementKinds)) {
        QRegExp re(entry.pattern, Qt::CaseSensitive, QRegExp::RegExp);
        // Anchored patterns capture the same either way.
        re.setMinimal(true);
        m_patterns.append(re);
    }
}

CompileResult Compiler::compile(const QString &text) const
{
    CompileResult result;
    scan(text, result);
    std::stable_sort(result.diagnostics.begin(), result.diagnostics.end(),
                     [](const Diagnostic &a, const Diagnostic &b) { return a.line < b.line; });
    return result;
}

std::optional<QString> Compiler::build(const QString &line, const QRegExp &re, int kind,
                                       bool firstLine, Instruction &r, bool &hasElse) const
{
    const QString failed = QStringLiteral("error: ") + line;
    r.func = quint8(kind);
    switch (kind) {
    case Assign:
    case AddAssign:
    case SubAssign:
    case DivAssign:
    case MulAssign:
        r.oper = quint8(m_operandCodes.value(re.cap(1)));
        if (!encodeSource(re.cap(2), m_operandCodes, r))
            return failed;
        break;
    case If: {
        r.oper = quint8(m_operandCodes.value(re.cap(1)));
        const auto op = m_compareCodes.constFind(re.cap(2));
        if (op == m_compareCodes.cend())
            return failed + QStringLiteral("operator");
        r.arg2 = op.value();
        bool thenOk = false;
        bool elseOk = true;
        if (!encodeSource(re.cap(3), m_operandCodes, r))
            return failed;
        r.arg3 = qint16(re.cap(4).toInt(&thenOk, 10));
        hasElse = !re.cap(6).isEmpty();
        if (hasElse)
            r.arg4 = qint16(re.cap(6).toInt(&elseOk, 10));
        // Digits the pattern admits but that are not decimal ASCII cannot name a label.
        if (!thenOk || !elseOk)
            return failed;
        break;
    }
    case Jmp:
    case DelayMs:
    case DelayS:
    case Label: {
        bool converted = false;
        r.arg1 = re.cap(1).toInt(&converted, 10);
        if (!converted)
            return failed;
        break;
    }
    case PrgName:
        if (!firstLine)
            return failed + Texts::tr(" должен быть в первой строке");
        break;
    default:
        break;
    }
    return std::nullopt;
}

void Compiler::scan(const QString &text, CompileResult &result) const
{
    Findings out(result);
    out.line(Texts::tr("Компиляция:"));

    const QStringList lines = text.split(QLatin1Char('\n'));
    // Every record that compiled, those after a stop too, so that the diagnostics can check
    // their references; the result keeps those before the stop. Per record: its 1-based source
    // line, and whether its if statement names an else label (label 0 included, so arg4 alone
    // cannot tell before resolution).
    InstructionList records;
    QVector<int> recordLines;
    QVector<bool> elseGiven;

    const QRegExp blank(Language::BlankLinePattern);
    const QRegExp comment(Language::CommentPattern);
    // Matching keeps state in the expression: a copy per compile keeps compile() reentrant.
    QVector<QRegExp> patterns = m_patterns;

    // The report ends at a stop; the diagnostics go on to the last line.
    bool stopped = false;
    int kept = 0;
    int errorCount = 0;
    const auto lineError = [&](int i, const QString &reportLine) {
        const int sourceLine = i + 1;
        if (!stopped)
            out.reportError(sourceLine, reportLine);
        SyntaxDiagnosis::Finding why =
            SyntaxDiagnosis::diagnose(lines.at(i), i == 0, m_compareCodes);
        if (!why.found()) {
            int first = 0;
            while (first < lines.at(i).size() && lines.at(i).at(first).isSpace())
                ++first;
            why = {first + 1, SyntaxDiagnosis::notAStatement()};
        }
        out.error(sourceLine, why.column, why.reason);
    };

    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const int sourceLine = i + 1;
        if (blank.indexIn(line) >= 0)
            continue;
        const int commentAt = comment.indexIn(line);
        if (commentAt >= 0) {
            if (commentAt > 0 && matchingPattern(patterns, line.left(commentAt)) >= 0)
                out.warning(sourceLine, Texts::tr("оператор перед // не компилируется: строка с // "
                                                  "целиком считается комментарием"));
            continue;
        }

        const int match = matchingPattern(patterns, line);
        if (match < 0) {
            lineError(i, QStringLiteral("error: ") + line);
            errorCount += stopped ? 0 : 1;
            continue;
        }

        const QRegExp &re = patterns.at(match);
        const int kind = m_statementKinds.at(match).kind;
        Instruction r;
        bool hasElse = false;
        if (const std::optional<QString> failure = build(line, re, kind, i == 0, r, hasElse)) {
            lineError(i, *failure);
            stopped = true;
            continue;
        }
        const bool made = kind != PrgName;
        if (made) {
            records.append(r);
            recordLines.append(sourceLine);
            elseGiven.append(hasElse);
        }
        if (stopped)
            continue;
        if (made)
            kept = records.size();
        if (kind == PrgName) {
            result.programName = re.cap(1);
            result.hasProgramName = true;
            if (!fitsDevice(result.programName))
                out.warning(sourceLine,
                            Texts::tr("имя программы содержит символы, которых нет в приборе"));
        }
        out.line(line, sourceLine);
        if (made && (r.func % 2) == 1)
            out.line(debugLine(r), sourceLine);
    }

    result.instructions = records.mid(0, kept);
    result.recordSourceLines = recordLines.mid(0, kept);
    const auto referenceError = [&](bool reported) {
        return [&, reported](int index, bool elseLabel, const QString &reportLine) {
            const int sourceLine = recordLines.at(index);
            if (reported)
                out.reportError(sourceLine, reportLine);
            out.error(sourceLine, referenceColumn(lines.at(sourceLine - 1), elseLabel),
                      errorMessage(reportLine));
        };
    };
    // With lines in error the report names no reference error, but the diagnostics do: a user
    // then sees every error at once rather than new ones after each fix.
    const auto checkReferencesOnly = [&] {
        InstructionList copy = records;
        resolveReferences(copy, elseGiven, referenceError(false));
    };
    if (stopped) {
        checkReferencesOnly();
        return;
    }

    out.line(QString());
    if (records.size() > ProgramImage::MaxRecords)
        out.warning(recordLines.constLast(),
                    Texts::tr("%n записей: в ячейку прибора помещается не более 100", nullptr,
                              int(records.size())));
    if (!records.isEmpty() && !result.hasProgramName)
        out.warning(1, Texts::tr("нет строки prgName: в прибор будет записано пустое имя"));
    if (errorCount != 0) {
        checkReferencesOnly();
        return;
    }

    if (!resolveReferences(result.instructions, elseGiven, referenceError(true)))
        return;

    out.line(
        QStringLiteral("OK: %1/%2").arg(result.instructions.size()).arg(ProgramImage::MaxRecords));
    result.ok = true;

    const FlowAnalysis::Findings flow = FlowAnalysis::analyse(result.instructions);
    for (const int index : flow.unreachableRuns)
        out.warning(recordLines.at(index), Texts::tr("до этой строки программа не доходит"));
    for (const int index : flow.loopsWithoutDelay)
        out.warning(recordLines.at(index), Texts::tr("цикл без задержки"));
}

CompileResult compileProgram(const QString &text)
{
    // Built once: the patterns are compiled a single time for every caller.
    static const Compiler compiler(Language::statementKinds(), Language::operandCodes(),
                                   Language::compareCodes());
    return compiler.compile(text);
}
