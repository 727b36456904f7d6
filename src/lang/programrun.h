#pragma once

#include "instruction.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <array>
#include <functional>
#include <optional>

// One executed assignment of a run: when it ran, where it stands, and what it left.
struct RunTraceRow
{
    // Program time in ms at which the statement ran.
    qint64 timeMs = 0;
    // 1-based source line of the statement (0 when the program gave none).
    int line = 0;
    // Index of its record.
    int record = 0;
    // The operand's new value.
    qint32 value = 0;
    // Code of the operand assigned.
    quint8 operand = 0;

    friend bool operator==(const RunTraceRow &a, const RunTraceRow &b)
    {
        return a.timeMs == b.timeMs && a.line == b.line && a.record == b.record &&
               a.value == b.value && a.operand == b.operand;
    }
    friend bool operator!=(const RunTraceRow &a, const RunTraceRow &b) { return !(a == b); }
};

Q_DECLARE_TYPEINFO(RunTraceRow, Q_PRIMITIVE_TYPE);

using RunTrace = QVector<RunTraceRow>;

// Why a run ended.
enum class RunStop
{
    // The next record lay past the last one.
    End,
    // A delay took program time past the limit.
    Time,
    // A division by zero.
    DivisionByZero,
    // Too many records in a row without program time passing: a loop without a delay.
    Stall,
    // The run outgrew what a preview may cost (trace rows or records executed) before the limit.
    Budget,
};

// Everything a run leaves: the trace, why and when it ended, and the operands' final values.
struct RunOutcome
{
    RunTrace trace;
    RunStop stop = RunStop::End;
    // The program time at the end; the limit itself when the limit stopped the run.
    qint64 finalTimeMs = 0;
    // Division by zero: the record and its line. Stall: the lowest and highest records (and their
    // lines) the loop went through.
    int firstRecord = -1;
    int lastRecord = -1;
    int firstLine = 0;
    int lastLine = 0;
    // Records executed, the stopping one included.
    qint64 executedRecords = 0;
    // Indexed by operand code.
    std::array<qint32, 128> finalValues{};
    // Operand codes whose first use in the run read the value given at the start, in code order.
    QVector<int> readBeforeAssigned;
    // Operand codes the run assigned, in code order.
    QVector<int> assigned;
};

// The model of a program's run on its named operands: what the language itself fixes, without
// what a supply does with the values. Built once per program; run() may be called many times.
class ProgramRun
{
public:
    static constexpr qint64 DefaultTimeLimitMs = 3600 * 1000;
    // A loop that runs this many records without a delay is taken for one that never ends.
    static constexpr int StallRecords = 100000;
    // What one run may cost: a program can change operands every millisecond for hours, and a
    // preview that ate the machine's memory or ran for minutes would be worse than none. 5,000,000
    // rows are about 160 MB; 10^9 records a few seconds.
    static constexpr int DefaultMaxTraceRows = 5000000;
    static constexpr qint64 MaxExecutedRecords = 1000000000;

    // sourceLines runs parallel to records (the compiler's recordSourceLines); it may be empty.
    explicit ProgramRun(const InstructionList &records, const QVector<int> &sourceLines = {});

    // The value of operand `code` when the run starts (0 unless set).
    void setStartValue(int code, qint32 value);
    qint32 startValue(int code) const;
    void setTimeLimitMs(qint64 limitMs) { m_limitMs = limitMs; }
    qint64 timeLimitMs() const { return m_limitMs; }
    void setMaxTraceRows(int rows) { m_maxTraceRows = rows; }

    RunOutcome run() const;
    // The same run without its trace: each assignment is handed to `watch` as it runs, and the
    // outcome's trace stays empty. Only the records' budget bounds it, as no rows are kept.
    RunOutcome runWatched(const std::function<void(const RunTraceRow &)> &watch) const;

    // The user's words for how a run ended, with its time or its lines: «программа завершилась за
    // 1,5 с», «деление на ноль в строке 7» and the like.
    static QString stopText(const RunOutcome &outcome, qint64 limitMs);
    // A program time as the user reads it: «750 мс», «1,5 с», «2 мин 7,5 с», «1 ч».
    static QString durationText(qint64 ms);
    // The trace as CSV, as the command line prints it and the window exports it: the header, then
    // one line per row.
    static QString csvHeader();
    static QString csvLine(const RunTraceRow &row);
    // The operand's name, or its code in digits for a code no operand has.
    static QString operandName(int code);
    // "90s", "1.5m", "250ms", "2h" or a bare number of seconds, as ms; nothing for other text.
    static std::optional<qint64> parseDuration(const QString &text);

private:
    // The loop of both runs; onRow(outcome, row) takes each assignment and returns false when
    // the run must stop for its budget.
    template <typename OnRow> RunOutcome execute(OnRow onRow) const;

    // A record as the loop runs it: targets checked, operand slots resolved.
    struct Step
    {
        quint8 kind;
        quint8 target;
        bool named;
        quint8 compare;
        qint32 arg;
        int jump;
        int otherwise;
    };

    QVector<Step> m_steps;
    QVector<int> m_lines;
    std::array<qint32, 128> m_start{};
    qint64 m_limitMs = DefaultTimeLimitMs;
    int m_maxTraceRows = DefaultMaxTraceRows;
};
