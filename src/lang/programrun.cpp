#include "programrun.h"

#include "language.h"
#include "statementkind.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <climits>
#include <cmath>

namespace {

// Names the translation context for lupdate and the run time alike.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(ProgramRun)
};

constexpr qint64 MsPerSecond = 1000;
constexpr qint64 MsPerMinute = 60 * MsPerSecond;
constexpr qint64 MsPerHour = 60 * MsPerMinute;
// Beyond this a duration is a typing slip, and its ms would not fit the arithmetic.
constexpr double MaxDurationMs = 1e15;
constexpr int OperandSlots = 128;
// A named source whose code lies outside the slots (only a foreign record holds one) reads here.
constexpr int SpareSlot = OperandSlots - 1;

// Two's complement wrap of an exact result.
inline qint32 wrap(qint64 value)
{
    return qint32(quint32(quint64(value)));
}

// "1,5" in Russian, "1.5" in English: seconds and their ms, without trailing zeros, with the
// decimal point of the interface's language (the translation names its locale), never the
// system's.
QString secondsText(qint64 ms)
{
    //: The locale whose numbers these texts use: its decimal point stands in durations.
    const QString point = QLocale(Texts::tr("ru")).decimalPoint();
    QString text = QString::number(ms / MsPerSecond);
    const qint64 fraction = ms % MsPerSecond;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 3, 10, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += point + digits;
    }
    return text;
}

} // namespace

ProgramRun::ProgramRun(const InstructionList &records, const QVector<int> &sourceLines)
{
    const int n = records.size();
    m_steps.reserve(n);
    m_lines.resize(n);
    for (int i = 0; i < n; ++i) {
        const Instruction &r = records.at(i);
        m_lines[i] = i < sourceLines.size() ? sourceLines.at(i) : 0;
        Step s{};
        s.kind = r.func;
        s.target = quint8(r.oper & ~Instruction::NamedOperandBit);
        s.named = (r.oper & Instruction::NamedOperandBit) != 0;
        s.arg = r.arg1;
        if (s.named && (r.arg1 < 0 || r.arg1 >= OperandSlots))
            s.arg = SpareSlot;
        s.compare = quint8(r.arg2 >= 0 && r.arg2 <= 5 ? r.arg2 : 0xFF);
        // Targets outside the program end the run as the record after the last does.
        const auto target = [n](int index) { return index >= 0 && index < n ? index : n; };
        s.jump = target(r.func == Jmp ? r.arg1 : r.arg3);
        s.otherwise = r.arg4 > 0 ? target(r.arg4) : -1;
        m_steps.append(s);
    }
}

void ProgramRun::setStartValue(int code, qint32 value)
{
    if (code >= 0 && code < OperandSlots)
        m_start[size_t(code)] = value;
}

qint32 ProgramRun::startValue(int code) const
{
    return code >= 0 && code < OperandSlots ? m_start[size_t(code)] : 0;
}

RunOutcome ProgramRun::run() const
{
    return execute([this](RunOutcome &out, const RunTraceRow &row) {
        out.trace.append(row);
        return out.trace.size() < m_maxTraceRows;
    });
}

RunOutcome ProgramRun::runWatched(const std::function<void(const RunTraceRow &)> &watch) const
{
    return execute([&watch](RunOutcome &, const RunTraceRow &row) {
        watch(row);
        return true;
    });
}

template <typename OnRow> RunOutcome ProgramRun::execute(OnRow onRow) const
{
    RunOutcome out;
    std::array<qint32, OperandSlots> v = m_start;
    std::array<bool, OperandSlots> written{};
    std::array<bool, OperandSlots> readFirst{};
    const auto read = [&](int slot) {
        if (!written[size_t(slot)])
            readFirst[size_t(slot)] = true;
        return v[size_t(slot)];
    };

    const Step *steps = m_steps.constData();
    const int *lines = m_lines.constData();
    const int n = m_steps.size();
    qint64 t = 0;
    qint64 executed = 0;
    int pc = 0;
    // Records since program time last passed, and the span of records the second half of them
    // went through: by then a loop has gone round at least once.
    int stillRecords = 0;
    int loopLow = INT_MAX;
    int loopHigh = -1;
    RunStop stop = RunStop::End;

    for (;;) {
        if (pc >= n) {
            stop = RunStop::End;
            break;
        }
        const Step &s = steps[pc];
        ++executed;
        int next = pc + 1;
        bool timePassed = false;
        switch (s.kind) {
        case Assign:
        case AddAssign:
        case SubAssign:
        case MulAssign:
        case DivAssign: {
            const qint32 source = s.named ? read(s.arg) : s.arg;
            qint32 result = source;
            if (s.kind != Assign) {
                const qint64 current = read(s.target);
                if (s.kind == AddAssign) {
                    result = wrap(current + source);
                } else if (s.kind == SubAssign) {
                    result = wrap(current - source);
                } else if (s.kind == MulAssign) {
                    result = wrap(current * source);
                } else if (source == 0) {
                    stop = RunStop::DivisionByZero;
                    out.firstRecord = out.lastRecord = pc;
                    out.firstLine = out.lastLine = lines[pc];
                    break;
                } else {
                    // Truncates toward zero; the one overflowing quotient wraps back.
                    result = wrap(current / source);
                }
            }
            v[s.target] = result;
            written[s.target] = true;
            if (!onRow(out, RunTraceRow{t, lines[pc], pc, result, s.target}))
                stop = RunStop::Budget;
            break;
        }
        case If: {
            const qint32 left = read(s.target);
            const qint32 right = s.named ? read(s.arg) : s.arg;
            bool holds = false;
            switch (s.compare) {
            case 0:
                holds = left == right;
                break;
            case 1:
                holds = left != right;
                break;
            case 2:
                holds = left < right;
                break;
            case 3:
                holds = left <= right;
                break;
            case 4:
                holds = left > right;
                break;
            case 5:
                holds = left >= right;
                break;
            default:
                break;
            }
            next = holds ? s.jump : (s.otherwise >= 0 ? s.otherwise : pc + 1);
            break;
        }
        case Jmp:
            next = s.jump;
            break;
        case DelayMs:
        case DelayS: {
            // Counts are unsigned on the device.
            const qint64 count = qint64(quint32(s.arg));
            const qint64 ms = s.kind == DelayS ? count * MsPerSecond : count;
            if (ms > 0) {
                t += ms;
                timePassed = true;
                if (t > m_limitMs) {
                    stop = RunStop::Time;
                    t = m_limitMs;
                }
            }
            break;
        }
        default:
            // nop, labels, and kinds no record should hold.
            break;
        }
        if (stop == RunStop::End && executed >= MaxExecutedRecords)
            stop = RunStop::Budget;
        if (stop != RunStop::End)
            break;
        if (timePassed) {
            stillRecords = 0;
            loopLow = INT_MAX;
            loopHigh = -1;
        } else if (++stillRecords > StallRecords / 2) {
            loopLow = qMin(loopLow, pc);
            loopHigh = qMax(loopHigh, pc);
            if (stillRecords >= StallRecords) {
                stop = RunStop::Stall;
                out.firstRecord = loopLow;
                out.lastRecord = loopHigh;
                out.firstLine = lines[loopLow];
                out.lastLine = lines[loopHigh];
                break;
            }
        }
        pc = next;
    }

    out.stop = stop;
    out.finalTimeMs = t;
    out.executedRecords = executed;
    out.finalValues = v;
    for (int code = 0; code < OperandSlots; ++code) {
        if (readFirst[size_t(code)])
            out.readBeforeAssigned.append(code);
        if (written[size_t(code)])
            out.assigned.append(code);
    }
    return out;
}

QString ProgramRun::stopText(const RunOutcome &outcome, qint64 limitMs)
{
    switch (outcome.stop) {
    case RunStop::End:
        return Texts::tr("программа завершилась за %1").arg(durationText(outcome.finalTimeMs));
    case RunStop::Time:
        return Texts::tr("достигнут предел времени %1").arg(durationText(limitMs));
    case RunStop::DivisionByZero:
        return Texts::tr("деление на ноль в строке %1, время программы %2")
            .arg(outcome.firstLine)
            .arg(durationText(outcome.finalTimeMs));
    case RunStop::Stall: {
        const QString lines =
            outcome.firstLine == outcome.lastLine
                ? Texts::tr("цикл без задержки в строке %1").arg(outcome.firstLine)
                : Texts::tr("цикл без задержки в строках %1–%2")
                      .arg(outcome.firstLine)
                      .arg(outcome.lastLine);
        return Texts::tr("%1, время программы %2").arg(lines, durationText(outcome.finalTimeMs));
    }
    case RunStop::Budget:
        return Texts::tr(
                   "прогон остановлен после %1 записей и %2 изменений операндов, время программы "
                   "%3: уменьшите предел времени")
            .arg(outcome.executedRecords)
            .arg(outcome.trace.size())
            .arg(durationText(outcome.finalTimeMs));
    }
    return QString();
}

QString ProgramRun::durationText(qint64 ms)
{
    if (ms < MsPerSecond)
        return Texts::tr("%1 мс").arg(ms);
    if (ms < MsPerMinute)
        return Texts::tr("%1 с").arg(secondsText(ms));
    QStringList parts;
    if (ms >= MsPerHour)
        parts << Texts::tr("%1 ч").arg(ms / MsPerHour);
    if (const qint64 minutes = ms % MsPerHour / MsPerMinute)
        parts << Texts::tr("%1 мин").arg(minutes);
    if (const qint64 rest = ms % MsPerMinute)
        parts << Texts::tr("%1 с").arg(secondsText(rest));
    return parts.join(QLatin1Char(' '));
}

QString ProgramRun::csvHeader()
{
    return QStringLiteral("time_ms,line,operand,value");
}

QString ProgramRun::csvLine(const RunTraceRow &row)
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(row.timeMs)
        .arg(row.line)
        .arg(operandName(row.operand))
        .arg(row.value);
}

QString ProgramRun::operandName(int code)
{
    static const QVector<QString> names = [] {
        QVector<QString> byCode(OperandSlots);
        const Language::CodeTable codes = Language::operandCodes();
        for (auto it = codes.cbegin(); it != codes.cend(); ++it)
            byCode[it.value()] = it.key();
        return byCode;
    }();
    const QString name = names.value(code);
    return name.isEmpty() ? QString::number(code) : name;
}

std::optional<qint64> ProgramRun::parseDuration(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d+(?:[.,]\\d+)?)\\s*(ms|s|m|h)?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double number =
        match.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    const QString unit = match.captured(2);
    const double scale = unit == QLatin1String("ms")  ? 1.0
                         : unit == QLatin1String("m") ? double(MsPerMinute)
                         : unit == QLatin1String("h") ? double(MsPerHour)
                                                      : double(MsPerSecond);
    const double ms = std::round(number * scale);
    if (!ok || !(ms >= 0) || ms > MaxDurationMs)
        return std::nullopt;
    return qint64(ms);
}
