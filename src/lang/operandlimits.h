#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <optional>

// What the bench tolerates of one operand, in the operand's own integer units: a minimum, a
// maximum or both.
struct OperandRange
{
    std::optional<qint32> min;
    std::optional<qint32> max;

    bool isSet() const { return min.has_value() || max.has_value(); }
    bool contains(qint32 value) const { return (!min || value >= *min) && (!max || value <= *max); }
    // "0..3000", "..500", "-100..".
    QString text() const;

    // Out of line: inlined into QMap's comparison, GCC takes an empty bound for an
    // uninitialised one.
    friend bool operator==(const OperandRange &a, const OperandRange &b);
    friend bool operator!=(const OperandRange &a, const OperandRange &b) { return !(a == b); }
};

// One rule of a limits file that cannot stand, at its 1-based line.
struct LimitsFileError
{
    int line = 0;
    QString reason;

    // "FILE:LINE: error: REASON", as the compiler's findings read.
    QString text(const QString &file) const;
};

struct ParsedLimits;

// The allowed ranges of the operands, by operand code; an operand without a rule may take any
// value. Empty, nothing is checked anywhere.
class OperandLimits
{
public:
    bool isEmpty() const { return m_ranges.isEmpty(); }
    // No range (both ends open) for an operand without a rule.
    OperandRange range(int code) const { return m_ranges.value(code); }
    // A range with neither end removes the operand's rule.
    void setRange(int code, const OperandRange &range);
    // The codes with a rule, rising.
    QVector<int> codes() const;

    // The file form: one rule a line ("Us 0..3000"), in operand code order.
    QString toText() const;
    // Reads the file form. Every rule that cannot stand is an error; the limits keep the rules
    // that can.
    static ParsedLimits parse(const QString &text);

    friend bool operator==(const OperandLimits &a, const OperandLimits &b)
    {
        return a.m_ranges == b.m_ranges;
    }
    friend bool operator!=(const OperandLimits &a, const OperandLimits &b) { return !(a == b); }

private:
    QMap<int, OperandRange> m_ranges;
};

struct ParsedLimits
{
    OperandLimits limits;
    QVector<LimitsFileError> errors;

    bool ok() const { return errors.isEmpty(); }
    QStringList errorLines(const QString &file) const;
};
