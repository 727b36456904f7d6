#include "limitcheck.h"

#include "language.h"
#include "statementkind.h"

#include <QCoreApplication>
#include <QRegExp>

#include <algorithm>
#include <array>

namespace {

// Names the translation context for lupdate and the run time alike.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(LimitCheck)
};

constexpr int OperandSlots = 128;
// A question lists this many places; the pane and the tool list them all.
constexpr int QuestionPlaces = 3;

// 1-based column of a line's first character that is not white space.
int statementColumn(const QStringList &lines, int line)
{
    const QString text = lines.value(line - 1);
    int column = 0;
    while (column < text.size() && text.at(column).isSpace())
        ++column;
    return column + 1;
}

} // namespace

namespace LimitCheck {

LimitViolations staticViolations(const QString &text, const OperandLimits &limits)
{
    LimitViolations found;
    if (limits.isEmpty())
        return found;
    static const QRegExp assignPattern(Language::patternOf(Language::statementKinds(), Assign),
                                       Qt::CaseSensitive, QRegExp::RegExp);
    // Matching keeps state in the expression: a copy keeps the check reentrant. The pattern
    // covers the whole line, so a comment line (one with "//" anywhere) never matches it.
    QRegExp assign = assignPattern;
    const Language::CodeTable codes = Language::operandCodes();
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        // Most lines of a long program are no assignment of a constant; they cost one search.
        if (!line.contains(QLatin1Char('=')) || assign.indexIn(line) < 0)
            continue;
        const int code = codes.value(assign.cap(1), -1);
        const OperandRange range = limits.range(code);
        const QString source = assign.cap(2);
        if (!range.isSet() || codes.contains(source))
            continue;
        bool ok = false;
        const qint32 value = source.toInt(&ok, 10);
        // A number beyond 32 bits is the compiler's error, not a limit's.
        if (ok && !range.contains(value))
            found.append({code, range, value, i + 1, assign.pos(2) + 1, std::nullopt});
    }
    return found;
}

namespace {

// The first moment each limited operand leaves its range, row by row as a run goes.
class CrossingWatch
{
public:
    CrossingWatch(const OperandLimits &limits, const QString &text)
        : m_lines(text.split(QLatin1Char('\n')))
    {
        for (const int code : limits.codes()) {
            if (code >= 0 && code < OperandSlots) {
                m_ranges[size_t(code)] = limits.range(code);
                m_pending[size_t(code)] = true;
                ++m_left;
            }
        }
    }

    bool done() const { return m_left == 0; }
    void take(const RunTraceRow &row)
    {
        const OperandRange &range = m_ranges[row.operand];
        if (!m_pending[row.operand] || range.contains(row.value))
            return;
        found.append({row.operand, range, row.value, row.line, statementColumn(m_lines, row.line),
                      row.timeMs});
        m_pending[row.operand] = false;
        --m_left;
    }

    LimitViolations found;

private:
    QStringList m_lines;
    std::array<OperandRange, OperandSlots> m_ranges{};
    std::array<bool, OperandSlots> m_pending{};
    int m_left = 0;
};

} // namespace

LimitViolations modelViolations(const RunOutcome &outcome, const OperandLimits &limits,
                                const QString &text)
{
    if (limits.isEmpty())
        return {};
    CrossingWatch watch(limits, text);
    for (const RunTraceRow &row : outcome.trace) {
        watch.take(row);
        if (watch.done())
            break;
    }
    return watch.found;
}

LimitReport check(const QString &text, const InstructionList &records,
                  const QVector<int> &recordLines, const OperandLimits &limits,
                  const ModelAssumptions &assumptions)
{
    LimitReport report;
    report.assumptions = assumptions;
    if (limits.isEmpty())
        return report;
    report.violations = staticViolations(text, limits);

    ProgramRun run(records, recordLines);
    for (const auto &start : assumptions.startValues)
        run.setStartValue(start.first, start.second);
    run.setTimeLimitMs(assumptions.timeLimitMs);
    // No trace is kept: a program that changes an operand every millisecond for an hour would
    // otherwise fill memory before a write.
    CrossingWatch watch(limits, text);
    const RunOutcome outcome =
        run.runWatched([&watch](const RunTraceRow &row) { watch.take(row); });
    report.modelStop = outcome.stop;
    if (outcome.stop != RunStop::End && outcome.stop != RunStop::Time)
        report.modelStopText = ProgramRun::stopText(outcome, assumptions.timeLimitMs);
    // A constant the text already names would only come again with its time.
    const int fromText = report.violations.size();
    for (const LimitViolation &violation : qAsConst(watch.found)) {
        bool named = false;
        for (int i = 0; i < fromText && !named; ++i) {
            named = report.violations.at(i).operand == violation.operand &&
                    report.violations.at(i).line == violation.line;
        }
        if (!named)
            report.violations.append(violation);
    }
    return report;
}

QString violationText(const LimitViolation &violation)
{
    const QString name = ProgramRun::operandName(violation.operand);
    if (violation.aboveMaximum()) {
        return Texts::tr("%1 = %2 выше предела %3")
            .arg(name)
            .arg(violation.value)
            .arg(*violation.limit.max);
    }
    return Texts::tr("%1 = %2 ниже предела %3")
        .arg(name)
        .arg(violation.value)
        .arg(violation.limit.min.value_or(0));
}

QString violationLine(const LimitViolation &violation)
{
    const QString line =
        Texts::tr("строка %1: %2").arg(violation.line).arg(violationText(violation));
    if (!violation.fromModel())
        return line;
    return Texts::tr("%1 через %2").arg(line, ProgramRun::durationText(*violation.timeMs));
}

QString assumptionsText(const ModelAssumptions &assumptions)
{
    QStringList given;
    for (const auto &start : assumptions.startValues) {
        if (start.second != 0) {
            given << QStringLiteral("%1 = %2")
                         .arg(ProgramRun::operandName(start.first))
                         .arg(start.second);
        }
    }
    const QString starts = given.isEmpty()
                               ? QStringLiteral("0")
                               : Texts::tr("%1, остальные 0").arg(given.join(QStringLiteral(", ")));
    return Texts::tr("модель: начальные значения %1, за %2")
        .arg(starts, ProgramRun::durationText(assumptions.timeLimitMs));
}

namespace {

bool anyFromModel(const LimitViolations &violations)
{
    for (const LimitViolation &violation : violations) {
        if (violation.fromModel())
            return true;
    }
    return false;
}

// The assumptions, and why the model stopped when it stopped before its time.
QString modelLine(const LimitReport &report)
{
    QString line = assumptionsText(report.assumptions);
    if (!report.modelStopText.isEmpty())
        line += Texts::tr("; прогон прерван: %1").arg(report.modelStopText);
    return line;
}

} // namespace

QStringList reportLines(const LimitReport &report)
{
    QStringList lines;
    for (const LimitViolation &violation : report.violations)
        lines << violationLine(violation);
    if (anyFromModel(report.violations))
        lines << modelLine(report);
    return lines;
}

QString writeQuestion(const LimitReport &report)
{
    QStringList places;
    for (int i = 0; i < report.violations.size() && i < QuestionPlaces; ++i)
        places << violationLine(report.violations.at(i));
    QString list = places.join(QStringLiteral("; "));
    if (report.violations.size() > QuestionPlaces)
        list = Texts::tr("%1 и ещё %2").arg(list).arg(report.violations.size() - QuestionPlaces);
    if (anyFromModel(report.violations))
        list += QStringLiteral(" (%1)").arg(modelLine(report));
    return Texts::tr("Программа выходит за пределы: %1. Записать всё равно?").arg(list);
}

QString runStatusText(const LimitViolation &violation)
{
    return Texts::tr("выходит за пределы: %1 = %2 в строке %3 через %4")
        .arg(ProgramRun::operandName(violation.operand))
        .arg(violation.value)
        .arg(violation.line)
        .arg(ProgramRun::durationText(violation.timeMs.value_or(0)));
}

QString refusedLine()
{
    return Texts::tr("Программа не записана: выходит за пределы");
}

DiagnosticList diagnostics(const LimitViolations &violations, Diagnostic::Severity severity,
                           const ModelAssumptions &assumptions)
{
    DiagnosticList list;
    for (const LimitViolation &violation : violations) {
        QString message = violationText(violation);
        if (violation.fromModel()) {
            message = Texts::tr("%1 через %2 (%3)")
                          .arg(message, ProgramRun::durationText(*violation.timeMs),
                               assumptionsText(assumptions));
        }
        list.append({violation.line, severity, message, violation.column});
    }
    return list;
}

DiagnosticList diagnostics(const LimitReport &report, Diagnostic::Severity severity)
{
    return diagnostics(report.violations, severity, report.assumptions);
}

DiagnosticList withStaticWarnings(const DiagnosticList &findings, const QString &text,
                                  const OperandLimits &limits)
{
    DiagnosticList all = findings;
    all += diagnostics(staticViolations(text, limits), Diagnostic::Severity::Warning);
    std::stable_sort(all.begin(), all.end(),
                     [](const Diagnostic &a, const Diagnostic &b) { return a.line < b.line; });
    return all;
}

} // namespace LimitCheck
