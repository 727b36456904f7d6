#pragma once

#include "diagnostic.h"
#include "instruction.h"
#include "operandlimits.h"
#include "programrun.h"

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// One place where a program takes an operand out of its range.
struct LimitViolation
{
    // Code of the operand.
    int operand = 0;
    OperandRange limit;
    qint32 value = 0;
    // 1-based source line and column of the assignment.
    int line = 0;
    int column = 0;
    // The program time at which the model's run got there; none for a constant in the text.
    std::optional<qint64> timeMs;

    bool fromModel() const { return timeMs.has_value(); }
    bool aboveMaximum() const { return limit.max && value > *limit.max; }

    friend bool operator==(const LimitViolation &a, const LimitViolation &b)
    {
        return a.operand == b.operand && a.limit == b.limit && a.value == b.value &&
               a.line == b.line && a.column == b.column && a.timeMs == b.timeMs;
    }
};

using LimitViolations = QVector<LimitViolation>;

// What the model's run starts from and how far it goes: measured operands are only constants
// there, so every finding of the model holds under these alone.
struct ModelAssumptions
{
    // Operand codes and their values at the start; every other operand starts at 0.
    QVector<QPair<int, qint32>> startValues;
    qint64 timeLimitMs = ProgramRun::DefaultTimeLimitMs;
};

// Both checks of one program, as a write runs them before it sends anything.
struct LimitReport
{
    // The constants in the text first, then the model's findings at lines the text's do not
    // already name.
    LimitViolations violations;
    ModelAssumptions assumptions;
    // How the model's run ended, when it ran (only with limits set).
    std::optional<RunStop> modelStop;
    // The model stopped early: the words for why.
    QString modelStopText;

    bool clean() const { return violations.isEmpty(); }
};

// Checks a program against the operands' limits: the constants it assigns (static), and the
// values its model run reaches (model). No limits, no finding and no run.
namespace LimitCheck {

// Every assignment "X = constant" with the constant outside X's range, at the constant's column.
// Works on the text alone, so that it runs while the program does not compile yet.
LimitViolations staticViolations(const QString &text, const OperandLimits &limits);
// The first moment each limited operand leaves its range in the run, with the line that did it.
// text gives the columns; it may be empty.
LimitViolations modelViolations(const RunOutcome &outcome, const OperandLimits &limits,
                                const QString &text = QString());
// Both checks on a compiled program (records with their source lines) and its text.
LimitReport check(const QString &text, const InstructionList &records,
                  const QVector<int> &recordLines, const OperandLimits &limits,
                  const ModelAssumptions &assumptions);

// «Us = 30000 выше предела 3000», «M1 = -200 ниже предела -100».
QString violationText(const LimitViolation &violation);
// The violation with its place: «строка 3: Us = 30000 выше предела 3000», and for the model
// «строка 7: Us = 3500 выше предела 3000 через 4,5 с».
QString violationLine(const LimitViolation &violation);
// «модель: начальные значения 0, за 1 ч», «модель: начальные значения Uo = 5000, остальные 0,
// за 10 мин».
QString assumptionsText(const ModelAssumptions &assumptions);
// What a report found, one line each, and what the model assumed when it found anything.
QStringList reportLines(const LimitReport &report);
// The question before a write that would go beyond the limits.
QString writeQuestion(const LimitReport &report);
// The run's status for its first violation: «выходит за пределы: Us = 3500 в строке 7 через
// 4,5 с».
QString runStatusText(const LimitViolation &violation);
// The line when a write was refused for them.
QString refusedLine();
// As findings of the compiler: the message with the place's column, the model's with its time
// and assumptions.
DiagnosticList diagnostics(const LimitReport &report, Diagnostic::Severity severity);
DiagnosticList diagnostics(const LimitViolations &violations, Diagnostic::Severity severity,
                           const ModelAssumptions &assumptions = {});
// The compiler's findings with the constants beyond the limits among them as warnings, in line
// order: what the tool's compile prints and the language server publishes.
DiagnosticList withStaticWarnings(const DiagnosticList &findings, const QString &text,
                                  const OperandLimits &limits);

} // namespace LimitCheck
