#include "compiler.h"

#include "statementkind.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegExp>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Compiler", text);
}

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

} // namespace

Compiler::Compiler(const Language::StatementKindTable &statementKinds,
                   const Language::CodeTable &operandCodes, const Language::CodeTable &compareCodes)
    : m_statementKinds(statementKinds), m_operandCodes(operandCodes), m_compareCodes(compareCodes)
{
}

CompileResult Compiler::compile(const QString &text) const
{
    CompileResult result;
    QStringList &report = result.report;
    report << tr("Компиляция:");

    const QStringList lines = text.split(QLatin1Char('\n'));
    InstructionList &records = result.instructions;

    const QRegExp blank(Language::BlankLinePattern);
    const QRegExp comment(Language::CommentPattern);
    QVector<QRegExp> patterns;
    patterns.reserve(m_statementKinds.size());
    for (const Language::StatementPattern &entry : m_statementKinds) {
        QRegExp re(entry.pattern, Qt::CaseSensitive, QRegExp::RegExp);
        re.setMinimal(true);
        patterns.append(re);
    }

    int errorCount = 0;
    const QString errorPrefix = QStringLiteral("error: ");
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (blank.indexIn(line) >= 0 || comment.indexIn(line) >= 0)
            continue;

        int match = -1;
        for (int p = 0; p < patterns.size(); ++p) {
            if (patterns[p].indexIn(line) >= 0) {
                match = p;
                break;
            }
        }
        if (match < 0) {
            report << errorPrefix + line;
            ++errorCount;
            continue;
        }

        const QRegExp &re = patterns.at(match);
        const int kind = m_statementKinds.at(match).kind;
        Instruction r;
        bool made = true;
        r.func = quint8(kind);
        switch (kind) {
        case Nop:
            break;
        case Assign:
        case AddAssign:
        case SubAssign:
        case DivAssign:
        case MulAssign:
            r.oper = quint8(m_operandCodes.value(re.cap(1)));
            if (!encodeSource(re.cap(2), m_operandCodes, r)) {
                report << errorPrefix + line;
                return result;
            }
            break;
        case If: {
            r.oper = quint8(m_operandCodes.value(re.cap(1)));
            const auto op = m_compareCodes.constFind(re.cap(2));
            if (op == m_compareCodes.cend()) {
                report << errorPrefix + line + QStringLiteral("operator");
                return result;
            }
            r.arg2 = op.value();
            bool thenOk = false;
            bool elseOk = true;
            if (!encodeSource(re.cap(3), m_operandCodes, r)) {
                report << errorPrefix + line;
                return result;
            }
            r.arg3 = qint16(re.cap(4).toInt(&thenOk, 10));
            if (!re.cap(6).isEmpty())
                r.arg4 = qint16(re.cap(6).toInt(&elseOk, 10));
            // Digits the pattern admits but that are not decimal ASCII cannot name a label.
            if (!thenOk || !elseOk) {
                report << errorPrefix + line;
                return result;
            }
            break;
        }
        case Jmp:
        case DelayMs:
        case DelayS:
        case Label: {
            bool converted = false;
            r.arg1 = re.cap(1).toInt(&converted, 10);
            if (!converted) {
                report << errorPrefix + line;
                return result;
            }
            break;
        }
        case PrgName:
            if (i != 0) {
                report << errorPrefix + line + tr(" должен быть в первой строке");
                return result;
            }
            result.programName = re.cap(1);
            result.hasProgramName = true;
            made = false;
            break;
        default:
            made = false;
            break;
        }
        if (made)
            records.append(r);
        report << line;
        if (made && (r.func % 2) == 1)
            report << debugLine(r);
    }

    report << QString();
    if (errorCount != 0)
        return result;

    // Labels first, so that a jump may point forwards as well as backwards.
    bool failed = false;
    QHash<int, int> labels;
    for (int index = 0; index < records.size(); ++index) {
        const Instruction &r = records.at(index);
        if (r.func != Label)
            continue;
        if (labels.contains(r.arg1)) {
            report << tr("error: повтор ссылки #%1").arg(r.arg1);
            failed = true;
        } else {
            labels.insert(r.arg1, index);
        }
    }

    for (Instruction &r : records) {
        if (r.func == If) {
            const auto then = labels.constFind(r.arg3);
            if (then == labels.cend()) {
                report << tr("error if: ссылка #%1 не найдена").arg(r.arg3);
                failed = true;
                continue;
            }
            r.arg3 = qint16(then.value());
            if (r.arg4 != 0) {
                const auto otherwise = labels.constFind(r.arg4);
                if (otherwise == labels.cend()) {
                    report << tr("error if-else: ссылка #%1 не найдена").arg(r.arg4);
                    failed = true;
                } else if (otherwise.value() == 0) {
                    // Index 0 in arg4 means "no else branch" to the device: refuse rather than
                    // silently drop the branch.
                    report << tr("error if-else: ссылка #%1 не может указывать на первую запись")
                                  .arg(r.arg4);
                    failed = true;
                } else {
                    r.arg4 = qint16(otherwise.value());
                }
            }
        } else if (r.func == Jmp) {
            const auto target = labels.constFind(r.arg1);
            if (target == labels.cend()) {
                report << tr("error jmp: ссылка #%1 не найдена").arg(r.arg1);
                failed = true;
            } else {
                r.arg1 = target.value();
            }
        }
    }
    if (failed)
        return result;

    report << QStringLiteral("OK: %1/%2").arg(records.size()).arg(ProgramImage::MaxRecords);
    result.ok = true;
    return result;
}

CompileResult compileProgram(const QString &text)
{
    static const Language::CodeTable operands = Language::operandCodes();
    static const Language::CodeTable comparisons = Language::compareCodes();
    return Compiler(Language::statementKinds(), operands, comparisons).compile(text);
}
