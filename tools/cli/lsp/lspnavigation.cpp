#include "lspnavigation.h"

#include "completion.h"
#include "labelrename.h"
#include "programoutline.h"

#include <QCoreApplication>
#include <QJsonArray>

namespace LspNavigation {

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(LspNavigation)
};

// The protocol's completion item kinds.
int itemKind(Completion::ItemKind kind)
{
    switch (kind) {
    case Completion::ItemKind::Statement:
        return 15; // Snippet
    case Completion::ItemKind::Operand:
        return 6; // Variable
    case Completion::ItemKind::Operator:
        return 24; // Operator
    case Completion::ItemKind::Label:
        return 18; // Reference
    case Completion::ItemKind::Keyword:
        return 14; // Keyword
    }
    return 1;
}

QString snippetEscaped(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('$') || c == QLatin1Char('}') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

QJsonObject rangeOf(const ProgramOutline::Span &span)
{
    return LspPositions::range(span.line, span.column, span.column + span.length);
}

QJsonObject location(const LspDocument &document, const ProgramOutline::Span &span)
{
    return {{QStringLiteral("uri"), document.uri}, {QStringLiteral("range"), rangeOf(span)}};
}

// The position's column within its line.
int columnOf(const LspDocument &document, const LspPositions::Position &at)
{
    return LspPositions::clampedColumn(document.lines.value(at.line), at.character);
}

} // namespace

QJsonValue completion(const Client &client, const LspDocument &document,
                      const LspPositions::Position &at, const QJsonObject &, QString &)
{
    if (document.limitsFile || at.line >= document.lines.size())
        return QJsonArray();
    const ProgramOutline outline = ProgramOutline::build(document.text);
    const QString &line = document.lines.at(at.line);
    const Completion::Proposal proposal =
        Completion::at(outline, line, at.line, columnOf(document, at));
    const QJsonObject range =
        LspPositions::range(proposal.line, proposal.column, proposal.column + proposal.length);
    QJsonArray items;
    int order = 0;
    for (const Completion::Item &item : proposal.items) {
        const bool placed =
            client.snippets && item.cursorOffset >= 0 && item.cursorOffset < item.insertText.size();
        const QString newText = placed ? snippetEscaped(item.insertText.left(item.cursorOffset)) +
                                             QStringLiteral("$0") +
                                             snippetEscaped(item.insertText.mid(item.cursorOffset))
                                       : item.insertText;
        QJsonObject entry{
            {QStringLiteral("label"), item.label},
            {QStringLiteral("kind"), itemKind(item.kind)},
            {QStringLiteral("textEdit"),
             QJsonObject{{QStringLiteral("range"), range}, {QStringLiteral("newText"), newText}}},
            {QStringLiteral("filterText"), item.label},
            // The list keeps the editor knowledge's order.
            {QStringLiteral("sortText"),
             QStringLiteral("%1").arg(order++, 4, 10, QLatin1Char('0'))},
        };
        if (placed)
            entry.insert(QStringLiteral("insertTextFormat"), 2);
        if (!item.detail.isEmpty())
            entry.insert(QStringLiteral("detail"), item.detail);
        items.append(entry);
    }
    return items;
}

QJsonValue hover(const Client &, const LspDocument &document, const LspPositions::Position &at,
                 const QJsonObject &, QString &)
{
    if (document.limitsFile)
        return QJsonValue::Null;
    const ProgramOutline outline = ProgramOutline::build(document.text);
    const int column = columnOf(document, at);
    const QString text = outline.hoverText(at.line, column);
    if (text.isEmpty())
        return QJsonValue::Null;
    QJsonObject result{{QStringLiteral("contents"),
                        QJsonObject{{QStringLiteral("kind"), QStringLiteral("plaintext")},
                                    {QStringLiteral("value"), text}}}};
    const ProgramOutline::Span span = outline.hoverSpan(at.line, column);
    if (span.line >= 0)
        result.insert(QStringLiteral("range"), rangeOf(span));
    return result;
}

QJsonValue definition(const Client &, const LspDocument &document, const LspPositions::Position &at,
                      const QJsonObject &, QString &)
{
    if (document.limitsFile)
        return QJsonValue::Null;
    const ProgramOutline outline = ProgramOutline::build(document.text);
    const ProgramOutline::LabelAt label = outline.labelAt(at.line, columnOf(document, at));
    if (!label.found())
        return QJsonValue::Null;
    const ProgramOutline::LabelMark *target = outline.definitionOf(label.mark.number);
    if (!target)
        return QJsonValue::Null;
    return location(document, target->whole());
}

QJsonValue references(const Client &, const LspDocument &document, const LspPositions::Position &at,
                      const QJsonObject &params, QString &)
{
    if (document.limitsFile)
        return QJsonValue::Null;
    const ProgramOutline outline = ProgramOutline::build(document.text);
    const ProgramOutline::LabelAt label = outline.labelAt(at.line, columnOf(document, at));
    if (!label.found())
        return QJsonValue::Null;
    const bool declaration = params.value(QStringLiteral("context"))
                                 .toObject()
                                 .value(QStringLiteral("includeDeclaration"))
                                 .toBool();
    QJsonArray out;
    if (declaration) {
        for (const ProgramOutline::LabelMark &mark : outline.definitions()) {
            if (mark.number == label.mark.number)
                out.append(location(document, mark.whole()));
        }
    }
    for (const ProgramOutline::LabelMark &mark : outline.referencesTo(label.mark.number))
        out.append(location(document, mark.whole()));
    return out;
}

QJsonValue prepareRename(const Client &, const LspDocument &document,
                         const LspPositions::Position &at, const QJsonObject &, QString &)
{
    if (document.limitsFile)
        return QJsonValue::Null;
    const ProgramOutline outline = ProgramOutline::build(document.text);
    const ProgramOutline::LabelAt label = outline.labelAt(at.line, columnOf(document, at));
    if (!label.found())
        return QJsonValue::Null;
    return QJsonObject{{QStringLiteral("range"), rangeOf(label.mark.digits)},
                       {QStringLiteral("placeholder"),
                        document.lines.value(label.mark.digits.line)
                            .mid(label.mark.digits.column, label.mark.digits.length)}};
}

QJsonValue rename(const Client &, const LspDocument &document, const LspPositions::Position &at,
                  const QJsonObject &params, QString &refusal)
{
    if (document.limitsFile) {
        refusal = Texts::tr("В файле пределов нет меток");
        return QJsonValue::Null;
    }
    const ProgramOutline outline = ProgramOutline::build(document.text);
    const LabelRename::Result result =
        LabelRename::rename(outline, at.line, columnOf(document, at),
                            params.value(QStringLiteral("newName")).toString());
    if (!result.ok()) {
        refusal = result.refusal;
        return QJsonValue::Null;
    }
    QJsonArray edits;
    for (const LabelRename::TextEdit &edit : result.edits) {
        edits.append(
            QJsonObject{{QStringLiteral("range"),
                         LspPositions::range(edit.line, edit.column, edit.column + edit.length)},
                        {QStringLiteral("newText"), edit.newText}});
    }
    return QJsonObject{{QStringLiteral("changes"), QJsonObject{{document.uri, edits}}}};
}

} // namespace LspNavigation
