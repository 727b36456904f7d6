#include "completion.h"

#include "language.h"

#include <QCoreApplication>
#include <QRegExp>

#include <algorithm>

namespace Completion {

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Completion)
};

#define QV_OPERAND "Us|Uo|Is|Io|Ro|Out|M[1-8]|T[1-4]|Blk"
#define QV_IF_LEFT "Us|Uo|Is|Io|Ro|Out|M[1-8]|T[1-4]"
#define QV_IF_HEAD "^\\s*if\\s(" QV_IF_LEFT ")\\s*(==|!=|<|<=|>|>=)\\s*(-?\\d+|" QV_OPERAND ")"

// The stages of a line before the stretch being typed, by what comes next.
enum class Stage
{
    None,
    StatementStart,
    IfLeft,
    IfOperator,
    IfRight,
    IfTarget,
    IfElse,
    ElseTarget,
    JmpTarget,
    AssignOperator,
    AssignSource,
};

struct StagePattern
{
    QRegExp re;
    Stage stage;
};

QVector<StagePattern> makeStages()
{
    const auto re = [](const char *pattern) {
        return QRegExp(QLatin1String(pattern), Qt::CaseSensitive, QRegExp::RegExp);
    };
    return {
        {re("^\\s*$"), Stage::StatementStart},
        {re("^\\s*if\\s$"), Stage::IfLeft},
        {re("^\\s*if\\s(" QV_IF_LEFT ")\\s*$"), Stage::IfOperator},
        {re("^\\s*if\\s(" QV_IF_LEFT ")\\s*(==|!=|<|<=|>|>=)\\s*$"), Stage::IfRight},
        {re(QV_IF_HEAD "\\s+$"), Stage::IfTarget},
        {re(QV_IF_HEAD "\\s+#\\d\\d?\\s+$"), Stage::IfElse},
        {re(QV_IF_HEAD "\\s+#\\d\\d?\\s+else\\s$"), Stage::ElseTarget},
        {re("^\\s*jmp\\s+$"), Stage::JmpTarget},
        {re("^\\s*(" QV_OPERAND ")\\s*$"), Stage::AssignOperator},
        {re("^\\s*(" QV_OPERAND ")\\s*(=|\\+=|-=|/=|\\*=)\\s*$"), Stage::AssignSource},
    };
}

#undef QV_IF_HEAD
#undef QV_IF_LEFT
#undef QV_OPERAND

Stage stageOf(const QString &before)
{
    static const QVector<StagePattern> shared = makeStages();
    // Matching writes into the expression: a copy per call keeps this reentrant.
    QVector<StagePattern> stages = shared;
    for (StagePattern &s : stages) {
        if (s.re.exactMatch(before))
            return s.stage;
    }
    return Stage::None;
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_');
}

bool isOperatorChar(QChar c)
{
    return QStringLiteral("=!<>+-*/").contains(c);
}

// The operand names in code order, the way the device's manual lists them.
const QStringList &operandNames()
{
    static const QStringList names = [] {
        const Language::CodeTable codes = Language::operandCodes();
        QStringList all = codes.keys();
        std::sort(all.begin(), all.end(), [&](const QString &a, const QString &b) {
            return codes.value(a) < codes.value(b);
        });
        return all;
    }();
    return names;
}

Item item(const QString &label, const QString &detail, const QString &insert, ItemKind kind,
          bool continues = false)
{
    return {label, detail, insert, kind, int(insert.size()), continues};
}

void addOperands(QVector<Item> &items, bool withBlk, const QString &suffix, bool continues)
{
    static const Language::CodeTable codes = Language::operandCodes();
    for (const QString &name : operandNames()) {
        if (!withBlk && name == QLatin1String("Blk"))
            continue;
        items.append(item(name, Texts::tr("операнд, код %1").arg(codes.value(name)), name + suffix,
                          ItemKind::Operand, continues));
    }
}

// An operator stands between blanks, whatever the user left before it.
void addOperators(QVector<Item> &items, const QString &before,
                  const QVector<QPair<const char *, QString>> &operators)
{
    const bool spaced = !before.isEmpty() && before.at(before.size() - 1).isSpace();
    for (const auto &op : operators) {
        const QString text = QLatin1String(op.first);
        items.append(item(text, op.second,
                          (spaced ? QString() : QStringLiteral(" ")) + text + QLatin1Char(' '),
                          ItemKind::Operator, true));
    }
}

void addLabels(QVector<Item> &items, const ProgramOutline &outline, const QString &suffix)
{
    QVector<ProgramOutline::LabelMark> labels;
    for (const ProgramOutline::LabelMark &mark : outline.definitions()) {
        if (std::none_of(labels.cbegin(), labels.cend(), [&](const ProgramOutline::LabelMark &m) {
                return m.number == mark.number;
            }))
            labels.append(mark);
    }
    std::sort(labels.begin(), labels.end(),
              [](const ProgramOutline::LabelMark &a, const ProgramOutline::LabelMark &b) {
                  return a.number < b.number;
              });
    for (const ProgramOutline::LabelMark &mark : labels) {
        const QString text = QLatin1Char('#') + QString::number(mark.number);
        items.append(item(text, Texts::tr("строка %1").arg(mark.digits.line + 1), text + suffix,
                          ItemKind::Label));
    }
}

// "#5" is typed as "#", "#5" or "#05".
bool labelMatches(const QString &label, const QString &typed)
{
    if (typed.isEmpty() || label.startsWith(typed))
        return true;
    const QString number = label.mid(1);
    return number.size() == 1 && QString(QStringLiteral("#0") + number).startsWith(typed);
}

// The items for the stretch [start, column) of lineText, typed of an item already.
Proposal propose(const ProgramOutline &outline, const QString &lineText, int line, int column,
                 int start, bool label)
{
    Proposal proposal;
    proposal.line = line;
    const QString prefix = lineText.left(column);
    const QString typed = prefix.mid(start);
    const QString before = prefix.left(start);
    proposal.column = start;
    proposal.length = column - start;
    proposal.typed = typed;

    // A jump completed at the end of its line is a whole statement.
    const bool atEnd = lineText.mid(column).trimmed().isEmpty();
    const QString end = atEnd ? QStringLiteral(";") : QString();

    QVector<Item> items;
    switch (stageOf(before)) {
    case Stage::None:
        break;
    case Stage::StatementStart:
        if (label)
            break;
        items.append(item(QStringLiteral("nop;"), Texts::tr("ничего не делает"),
                          QStringLiteral("nop;"), ItemKind::Statement));
        items.append(item(QStringLiteral("jmp #"), Texts::tr("переход на метку"),
                          QStringLiteral("jmp #"), ItemKind::Statement, true));
        items.append(item(QStringLiteral("delay_ms "), Texts::tr("пауза в миллисекундах"),
                          QStringLiteral("delay_ms "), ItemKind::Statement));
        items.append(item(QStringLiteral("delay_s "), Texts::tr("пауза в секундах"),
                          QStringLiteral("delay_s "), ItemKind::Statement));
        items.append(item(QStringLiteral("if "), Texts::tr("условный переход"),
                          QStringLiteral("if "), ItemKind::Statement, true));
        if (line == 0) {
            Item name =
                item(QStringLiteral("prgName = \"\""), Texts::tr("имя программы, до 5 букв и цифр"),
                     QStringLiteral("prgName = \"\";"), ItemKind::Statement);
            // Between the quotes, where the name is typed.
            name.cursorOffset = name.insertText.indexOf(QLatin1Char('"')) + 1;
            items.append(name);
        }
        addOperands(items, true, QString(), true);
        break;
    case Stage::IfLeft:
        addOperands(items, false, QString(), true);
        break;
    case Stage::IfOperator:
        addOperators(items, before,
                     {{"==", Texts::tr("равно")},
                      {"!=", Texts::tr("не равно")},
                      {"<", Texts::tr("меньше")},
                      {"<=", Texts::tr("меньше или равно")},
                      {">", Texts::tr("больше")},
                      {">=", Texts::tr("больше или равно")}});
        break;
    case Stage::IfRight:
        addOperands(items, true, QStringLiteral(" #"), true);
        break;
    case Stage::IfTarget:
    case Stage::ElseTarget:
    case Stage::JmpTarget:
        addLabels(items, outline, end);
        break;
    case Stage::IfElse:
        if (!label)
            items.append(item(QStringLiteral("else #"),
                              Texts::tr("куда идти, если условие не выполнено"),
                              QStringLiteral("else #"), ItemKind::Keyword, true));
        break;
    case Stage::AssignOperator:
        addOperators(items, before,
                     {{"=", Texts::tr("присвоить")},
                      {"+=", Texts::tr("прибавить")},
                      {"-=", Texts::tr("вычесть")},
                      {"*=", Texts::tr("умножить")},
                      {"/=", Texts::tr("разделить")}});
        break;
    case Stage::AssignSource:
        addOperands(items, true, end, false);
        break;
    }

    for (const Item &candidate : qAsConst(items)) {
        const bool matches = candidate.kind == ItemKind::Label
                                 ? labelMatches(candidate.label, typed)
                                 : candidate.label.startsWith(typed);
        if (matches)
            proposal.items.append(candidate);
    }
    return proposal;
}

} // namespace

QString Item::display() const
{
    return detail.isEmpty() || kind != ItemKind::Label
               ? label
               : QStringLiteral("%1 — %2").arg(label, detail);
}

Proposal at(const ProgramOutline &outline, const QString &lineText, int line, int column)
{
    column = qBound(0, column, int(lineText.size()));
    const QString prefix = lineText.left(column);
    if (prefix.contains(QLatin1String("//")))
        return Proposal{line, column, 0, QString(), {}};

    // What is typed of the item: a word, a label's "#" and digits, or an operator's characters.
    int start = column;
    while (start > 0 && isWordChar(prefix.at(start - 1)))
        --start;
    bool label = false;
    if (start > 0 && prefix.at(start - 1) == QLatin1Char('#')) {
        const QString digits = prefix.mid(start);
        if (std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c.isDigit(); })) {
            --start;
            label = true;
        }
    }
    if (start == column) {
        while (start > 0 && isOperatorChar(prefix.at(start - 1)))
            --start;
    }
    Proposal proposal = propose(outline, lineText, line, column, start, label);
    // A name or operator typed in full offers nothing new by itself: what may follow it does.
    if (start < column && proposal.items.size() == 1 &&
        proposal.items.first().insertText == proposal.typed) {
        Proposal next = propose(outline, lineText, line, column, column, false);
        if (!next.items.isEmpty())
            return next;
    }
    return proposal;
}

Proposal at(const QString &text, int line, int column)
{
    int start = 0;
    for (int i = 0; i < line && start >= 0; ++i) {
        start = text.indexOf(QLatin1Char('\n'), start);
        if (start >= 0)
            ++start;
    }
    if (start < 0)
        return Proposal{line, column, 0, QString(), {}};
    int end = text.indexOf(QLatin1Char('\n'), start);
    if (end < 0)
        end = text.size();
    return at(ProgramOutline::build(text), text.mid(start, end - start), line, column);
}

bool opensByItself(const QString &lineText, int column)
{
    if (column <= 0 || column > lineText.size())
        return false;
    const QString prefix = lineText.left(column);
    if (prefix.contains(QLatin1String("//")))
        return false;
    if (prefix.at(column - 1) == QLatin1Char('#'))
        return true;
    int start = column;
    while (start > 0 && isWordChar(prefix.at(start - 1)))
        --start;
    return column - start == 2 && prefix.at(start).isLetter() && prefix.at(start + 1).isLetter() &&
           (start == 0 || prefix.at(start - 1) != QLatin1Char('#'));
}

} // namespace Completion
