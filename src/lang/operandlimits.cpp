#include "operandlimits.h"

#include "language.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace {

// Names the translation context for lupdate and the run time alike.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(OperandLimits)
};

// The operand names in code order, for the file form and for the list in an error.
QStringList namesByCode(const Language::CodeTable &codes)
{
    QStringList names = codes.keys();
    std::sort(names.begin(), names.end(), [&codes](const QString &a, const QString &b) {
        return codes.value(a) < codes.value(b);
    });
    return names;
}

// A bound as written, or the reason it is not a 32-bit number.
std::optional<qint32> bound(const QString &digits, QString &problem)
{
    if (digits.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint32 value = digits.toInt(&ok, 10);
    if (!ok) {
        problem = Texts::tr("число %1 не помещается в 32 бита (от -2147483648 до 2147483647)")
                      .arg(digits);
        return std::nullopt;
    }
    return value;
}

} // namespace

bool operator==(const OperandRange &a, const OperandRange &b)
{
    return a.min == b.min && a.max == b.max;
}

QString OperandRange::text() const
{
    return QStringLiteral("%1..%2").arg(min ? QString::number(*min) : QString(),
                                        max ? QString::number(*max) : QString());
}

QString LimitsFileError::text(const QString &file) const
{
    return QStringLiteral("%1:%2: error: %3").arg(file).arg(line).arg(reason);
}

QStringList ParsedLimits::errorLines(const QString &file) const
{
    QStringList lines;
    for (const LimitsFileError &error : errors)
        lines << error.text(file);
    return lines;
}

void OperandLimits::setRange(int code, const OperandRange &range)
{
    if (range.isSet())
        m_ranges.insert(code, range);
    else
        m_ranges.remove(code);
}

QVector<int> OperandLimits::codes() const
{
    QVector<int> codes;
    codes.reserve(m_ranges.size());
    for (auto it = m_ranges.cbegin(); it != m_ranges.cend(); ++it)
        codes.append(it.key());
    return codes;
}

QString OperandLimits::toText() const
{
    const Language::CodeTable codes = Language::operandCodes();
    QString text;
    for (auto it = m_ranges.cbegin(); it != m_ranges.cend(); ++it) {
        const QString name = Language::nameOf(codes, it.key());
        // Only a hand-made set holds a code no operand has; the file form cannot name it.
        if (!name.isEmpty())
            text += QStringLiteral("%1 %2\n").arg(name, it.value().text());
    }
    return text;
}

ParsedLimits OperandLimits::parse(const QString &text)
{
    static const QRegularExpression rule(
        QStringLiteral("^\\s*(\\S+)\\s+(-?\\d+)?\\s*\\.\\.\\s*(-?\\d+)?\\s*$"));
    const Language::CodeTable codes = Language::operandCodes();
    ParsedLimits parsed;
    QMap<int, int> ruleLines;
    QStringList lines = text.split(QLatin1Char('\n'));
    // A file saved by a Windows editor keeps its mark and line ends.
    if (!lines.isEmpty() && lines.first().startsWith(QChar(0xFEFF)))
        lines.first().remove(0, 1);
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1String("//")))
            continue;
        const int lineNumber = i + 1;
        const auto fail = [&](const QString &reason) {
            parsed.errors.append({lineNumber, reason});
        };
        const QRegularExpressionMatch match = rule.match(line);
        if (!match.hasMatch()) {
            fail(Texts::tr("правило «%1» не вида «ОПЕРАНД МИН..МАКС», например «Us 0..3000»")
                     .arg(trimmed));
            continue;
        }
        const QString name = match.captured(1);
        const auto code = codes.constFind(name);
        if (code == codes.cend()) {
            fail(Texts::tr("нет операнда «%1» (операнды: %2)")
                     .arg(name, namesByCode(codes).join(QStringLiteral(", "))));
            continue;
        }
        QString problem;
        OperandRange range;
        range.min = bound(match.captured(2), problem);
        if (problem.isEmpty())
            range.max = bound(match.captured(3), problem);
        if (!problem.isEmpty()) {
            fail(problem);
            continue;
        }
        if (!range.isSet()) {
            fail(Texts::tr("у правила для %1 нет ни минимума, ни максимума").arg(name));
            continue;
        }
        if (range.min && range.max && *range.min > *range.max) {
            fail(Texts::tr("минимум %1 больше максимума %2").arg(*range.min).arg(*range.max));
            continue;
        }
        if (ruleLines.contains(code.value())) {
            fail(Texts::tr("второе правило для %1 (первое в строке %2)")
                     .arg(name)
                     .arg(ruleLines.value(code.value())));
            continue;
        }
        ruleLines.insert(code.value(), lineNumber);
        parsed.limits.setRange(code.value(), range);
    }
    return parsed;
}
