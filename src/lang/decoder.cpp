#include "decoder.h"

#include "statementkind.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegExp>

namespace {

// Names the translation context for lupdate and the run time alike.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Decoder)
};

constexpr int FirstOperandMask = 0x3F;
constexpr int NamedOperandShift = 6;

bool inRange(int index, int count)
{
    return index >= 0 && index < count;
}

} // namespace

Decoder::Decoder(const Language::CodeTable &operandCodes, const Language::CodeTable &compareCodes)
    : m_operandCodes(operandCodes), m_compareCodes(compareCodes)
{
}

QString Decoder::editorName(const QString &name)
{
    // An erased cell may hold NUL or other control bytes. None of them can stand in a name the
    // compiler accepts, and a NUL saved into a program file would cut the file short, so they are
    // dropped: what is left is the name as the device shows it.
    QString clean;
    clean.reserve(name.size());
    for (const QChar c : name) {
        const ushort u = c.unicode();
        if (u >= 0x20 && (u < 0x7F || u >= 0xA0))
            clean += c;
    }
    return clean.trimmed();
}

QString Decoder::unwritableNameWarning(const QString &name)
{
    bool control = false;
    QString shown;
    for (const QChar c : name) {
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0)) {
            control = true;
            shown += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        } else {
            shown += c;
        }
    }
    // Trailing blanks are the padding of a short name; none at all writes back as blanks too.
    const QString clean = editorName(name);
    const QRegExp nameLine(Language::patternOf(Language::statementKinds(), PrgName));
    if (!control && (clean.isEmpty() || nameLine.exactMatch(QStringLiteral("prgName = \"") + clean +
                                                            QStringLiteral("\";")))) {
        return QString();
    }
    while (shown.endsWith(QLatin1Char(' ')))
        shown.chop(1);
    return Texts::tr("Внимание: имя программы в приборе («%1») нельзя записать обратно — исправьте "
                     "строку prgName")
        .arg(shown);
}

QString Decoder::recordLine(const Instruction &r, qint32 thenLabel, bool hasElse,
                            qint32 elseLabel) const
{
    const QString first = Language::nameOf(m_operandCodes, r.oper & FirstOperandMask);
    const QString second = (r.oper >> NamedOperandShift) != 0
                               ? Language::nameOf(m_operandCodes, r.arg1)
                               : QString::number(r.arg1);
    // An explicit QString: a deduced string builder would outlive the temporaries it refers to.
    const auto assignment = [&](const char *op) -> QString {
        return first + QLatin1String(op) + second + QLatin1Char(';');
    };

    switch (r.func) {
    case Nop:
        return QStringLiteral("nop;");
    case Assign:
        return assignment(" = ");
    case AddAssign:
        return assignment(" += ");
    case SubAssign:
        return assignment(" -= ");
    case DivAssign:
        return assignment(" /= ");
    case MulAssign:
        return assignment(" *= ");
    case If: {
        QString line = QStringLiteral("if ") + first + QLatin1Char(' ') +
                       Language::nameOf(m_compareCodes, r.arg2) + QLatin1Char(' ') + second +
                       QStringLiteral(" #") + QString::number(thenLabel);
        if (hasElse)
            line += QStringLiteral(" else #") + QString::number(elseLabel);
        return line + QLatin1Char(';');
    }
    case Jmp:
        return QStringLiteral("jmp #%1;").arg(r.arg1);
    case DelayMs:
        return QStringLiteral("delay_ms %1;").arg(r.arg1);
    case DelayS:
        return QStringLiteral("delay_s %1;").arg(r.arg1);
    case Label:
        return QStringLiteral("#%1;").arg(r.arg1);
    default:
        // No statement has this kind. Keep one line per record, so that later jump targets do not
        // shift, and make it a line the compiler refuses rather than one it silently drops.
        return r.fieldsText(QStringLiteral("?func:%1 oper:%2 arg1:%3 arg2:%4 arg3:%5 arg4:%6"));
    }
}

DecodeResult Decoder::decode(const QString &name, InstructionList records) const
{
    DecodeResult result;
    const int count = records.size();

    QHash<qint32, int> labels;
    for (int index = 0; index < count; ++index) {
        const Instruction &r = records.at(index);
        if (r.func != Label)
            continue;
        if (labels.contains(r.arg1)) {
            result.error = Texts::tr("error: повтор ссылки #%1").arg(r.arg1);
            return result;
        }
        labels.insert(r.arg1, index);
    }

    // Label numbers are 32-bit while the if targets are 16-bit fields: keep the numbers aside.
    QVector<qint32> thenLabels(count);
    QVector<qint32> elseLabels(count);
    for (int index = 0; index < count; ++index) {
        Instruction &r = records[index];
        thenLabels[index] = r.arg3;
        elseLabels[index] = r.arg4;
        if (r.func == If) {
            const int then = r.arg3;
            if (!inRange(then, count)) {
                result.error = Texts::tr("error: некорректная ссылка if");
                return result;
            }
            if (records.at(then).func != Label) {
                result.error = Texts::tr("error: некорректная ссылка #");
                return result;
            }
            thenLabels[index] = records.at(then).arg1;
            const int otherwise = r.arg4;
            if (otherwise > 0) {
                if (!inRange(otherwise, count)) {
                    result.error = Texts::tr("error: некорректная ссылка if-else");
                    return result;
                }
                if (records.at(otherwise).func != Label) {
                    result.error = Texts::tr("error: некорректная ссылка else #");
                    return result;
                }
                elseLabels[index] = records.at(otherwise).arg1;
            }
        } else if (r.func == Jmp) {
            const int target = r.arg1;
            if (!inRange(target, count)) {
                result.error = Texts::tr("error: некорректная ссылка jmp");
                return result;
            }
            if (records.at(target).func != Label) {
                result.error = Texts::tr("error: некорректная ссылка jmp #");
                return result;
            }
            r.arg1 = records.at(target).arg1;
        }
    }

    result.paragraphs.reserve(count + 1);
    // An empty name line would not compile; without the line the text compiles to an empty name,
    // which is what the device holds.
    const QString shownName = editorName(name);
    result.hasNameLine = !shownName.isEmpty();
    if (result.hasNameLine)
        result.paragraphs << QStringLiteral("prgName = \"") + shownName + QStringLiteral("\";\n");
    for (int index = 0; index < count; ++index) {
        // The stored index decides, not the label's number: an else to label 0 stays an else.
        const Instruction &r = records.at(index);
        result.paragraphs << recordLine(r, thenLabels.at(index), r.func == If && r.arg4 > 0,
                                        elseLabels.at(index));
    }
    result.ok = true;
    return result;
}

DecodeResult decodeProgram(const QString &name, const InstructionList &records)
{
    static const Decoder decoder(Language::operandCodes(), Language::compareCodes());
    return decoder.decode(name, records);
}
