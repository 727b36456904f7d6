#include "programoutline.h"

#include "language.h"
#include "statementkind.h"

#include <QCoreApplication>
#include <QRegExp>
#include <QStringList>

#include <algorithm>

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(ProgramOutline)
};

struct CompiledPattern
{
    QRegExp re;
    int kind;
};

const QVector<CompiledPattern> &patterns()
{
    static const QVector<CompiledPattern> all = [] {
        QVector<CompiledPattern> out;
        for (const Language::StatementPattern &entry : Language::statementKinds())
            out.append({QRegExp(entry.pattern, Qt::CaseSensitive, QRegExp::RegExp), entry.kind});
        return out;
    }();
    return all;
}

// The kind whose form can begin with first, so that a line is tried against its own pattern and
// not all twelve; -1 for the assignments, which begin with an operand name.
int kindStartingWith(QChar first)
{
    switch (first.unicode()) {
    case '#':
        return Label;
    case 'n':
        return Nop;
    case 'i':
        return If;
    case 'j':
        return Jmp;
    case 'p':
        return PrgName;
    default:
        return -1;
    }
}

bool isAssignment(int kind)
{
    return kind == Assign || kind == AddAssign || kind == SubAssign || kind == DivAssign ||
           kind == MulAssign;
}

// The pattern of own that matches line, holding its captures, or nullptr.
CompiledPattern *matchStatement(QVector<CompiledPattern> &own, const QString &line,
                                int firstNonBlank)
{
    const QChar first = line.at(firstNonBlank);
    const int startKind = kindStartingWith(first);
    for (CompiledPattern &p : own) {
        if (startKind >= 0 ? p.kind != startKind
                           : (first == QLatin1Char('d') ? p.kind != DelayMs && p.kind != DelayS
                                                        : !isAssignment(p.kind)))
            continue;
        if (p.re.indexIn(line) >= 0)
            return &p;
    }
    return nullptr;
}

bool isOperandName(const QString &text)
{
    static const Language::CodeTable codes = Language::operandCodes();
    return codes.contains(text);
}

QString linesList(const QVector<int> &lines)
{
    QStringList numbers;
    for (int line : lines)
        numbers << QString::number(line + 1);
    return numbers.join(QStringLiteral(", "));
}

} // namespace

ProgramOutline ProgramOutline::build(const QString &text)
{
    ProgramOutline outline;
    // Matching keeps its captures in the expression: copies keep build() reentrant.
    QVector<CompiledPattern> own = patterns();
    QString line;
    int i = 0;
    for (int start = 0; start <= text.size(); ++i) {
        int end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        line = text.mid(start, end - start);
        start = end + 1;
        int first = 0;
        while (first < line.size() && line.at(first).isSpace())
            ++first;
        if (first == line.size() || line.contains(QLatin1String("//")))
            continue;
        const CompiledPattern *matched = matchStatement(own, line, first);
        static const QRegExp none;
        const QRegExp &re = matched ? matched->re : none;
        const auto mark = [&](int capture) {
            const int at = re.pos(capture);
            return LabelMark{re.cap(capture).toInt(), {i, at, int(re.cap(capture).size())}};
        };
        const auto operand = [&](int capture) {
            const QString name = re.cap(capture);
            if (isOperandName(name))
                outline.m_operandUses.append({name, {i, re.pos(capture), int(name.size())}});
        };
        switch (matched ? matched->kind : -1) {
        case Label:
            outline.m_definitions.append(mark(1));
            break;
        case Jmp:
            outline.m_references.append(mark(1));
            break;
        case If:
            operand(1);
            operand(3);
            outline.m_references.append(mark(4));
            if (re.pos(6) >= 0 && !re.cap(6).isEmpty())
                outline.m_references.append(mark(6));
            break;
        case Assign:
        case AddAssign:
        case SubAssign:
        case DivAssign:
        case MulAssign:
            operand(1);
            operand(2);
            break;
        case -1:
            // "#" and one or two digits standing alone, as a half-typed jump or label has them.
            for (int at = line.indexOf(QLatin1Char('#')); at >= 0;
                 at = line.indexOf(QLatin1Char('#'), at + 1)) {
                int digits = 0;
                while (digits < 3 && at + 1 + digits < line.size() &&
                       line.at(at + 1 + digits).isDigit())
                    ++digits;
                if (digits >= 1 && digits <= 2) {
                    outline.m_looseReferences.append(
                        LabelMark{line.mid(at + 1, digits).toInt(), {i, at + 1, digits}});
                }
            }
            break;
        default:
            break;
        }
    }
    outline.m_lineCount = i;
    return outline;
}

const ProgramOutline::LabelMark *ProgramOutline::definitionOf(int number) const
{
    for (const LabelMark &mark : m_definitions) {
        if (mark.number == number)
            return &mark;
    }
    return nullptr;
}

QVector<ProgramOutline::LabelMark> ProgramOutline::referencesTo(int number) const
{
    QVector<LabelMark> out;
    for (const LabelMark &mark : m_references) {
        if (mark.number == number)
            out.append(mark);
    }
    return out;
}

QVector<int> ProgramOutline::referencingLines(int number) const
{
    QVector<int> lines;
    for (const LabelMark &mark : m_references) {
        // References come in text order, so a line's second one follows its first.
        if (mark.number == number && (lines.isEmpty() || lines.constLast() != mark.digits.line))
            lines.append(mark.digits.line);
    }
    return lines;
}

int ProgramOutline::linesUsing(const QString &operand) const
{
    int count = 0;
    int lastLine = -1;
    for (const OperandUse &use : m_operandUses) {
        if (use.name == operand && use.span.line != lastLine) {
            ++count;
            lastLine = use.span.line;
        }
    }
    return count;
}

ProgramOutline::LabelAt ProgramOutline::labelAt(int line, int column) const
{
    const auto search = [&](const QVector<LabelMark> &marks, LabelRole role, LabelAt &out) {
        for (const LabelMark &mark : marks) {
            if (mark.whole().contains(line, column)) {
                out = {role, mark};
                return true;
            }
        }
        return false;
    };
    LabelAt found;
    if (search(m_definitions, LabelRole::Definition, found) ||
        search(m_references, LabelRole::Reference, found) ||
        search(m_looseReferences, LabelRole::LooseReference, found))
        return found;
    return {};
}

const ProgramOutline::OperandUse *ProgramOutline::operandAt(int line, int column) const
{
    for (const OperandUse &use : m_operandUses) {
        if (use.span.contains(line, column))
            return &use;
    }
    return nullptr;
}

QString ProgramOutline::hoverText(int line, int column) const
{
    const LabelAt label = labelAt(line, column);
    if (label.found()) {
        const int number = label.mark.number;
        if (label.role == LabelRole::Definition) {
            const QVector<int> from = referencingLines(number);
            if (from.isEmpty())
                return Texts::tr("на метку никто не ссылается");
            return Texts::tr("сюда ведут строки %1").arg(linesList(from));
        }
        if (const LabelMark *target = definitionOf(number))
            return Texts::tr("метка #%1, строка %2").arg(number).arg(target->digits.line + 1);
        return Texts::tr("метки #%1 нет").arg(number);
    }
    if (const OperandUse *use = operandAt(line, column)) {
        static const Language::CodeTable codes = Language::operandCodes();
        return Texts::tr("операнд %1, код %2; используется в %n строках", nullptr,
                         linesUsing(use->name))
            .arg(use->name)
            .arg(codes.value(use->name));
    }
    return QString();
}

ProgramOutline::Span ProgramOutline::hoverSpan(int line, int column) const
{
    const LabelAt label = labelAt(line, column);
    if (label.found())
        return label.mark.whole();
    if (const OperandUse *use = operandAt(line, column))
        return use->span;
    return {};
}
