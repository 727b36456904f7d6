#include "highlighter.h"

#include "statementkind.h"

#include <QFont>

Highlighter::Highlighter(QTextDocument *parent)
    : QSyntaxHighlighter(parent), m_statementKinds(Language::statementKinds()),
      m_commentStart(QStringLiteral("/\\*")), m_commentEnd(QStringLiteral("\\*/"))
{
    m_statementFormat.setForeground(Qt::blue);
    for (const Language::StatementPattern &entry : qAsConst(m_statementKinds))
        addRule(entry.pattern, m_statementFormat);

    // Label and name lines are statements too; their own rules come later and win.
    m_labelFormat.setForeground(Qt::magenta);
    addRule(Language::patternOf(m_statementKinds, Label), m_labelFormat);

    m_commentFormat.setForeground(Qt::darkGreen);
    addRule(Language::CommentPattern, m_commentFormat);

    m_programNameFormat.setForeground(Qt::blue);
    m_programNameFormat.setFontWeight(QFont::Bold);
    addRule(Language::patternOf(m_statementKinds, PrgName), m_programNameFormat);

    m_blockCommentFormat.setForeground(Qt::red);
}

void Highlighter::addRule(const QString &pattern, const QTextCharFormat &format)
{
    m_styleRules.append({QRegExp(pattern, Qt::CaseSensitive, QRegExp::RegExp), format});
}

void Highlighter::highlightBlock(const QString &text)
{
    for (StyleRule &rule : m_styleRules) {
        int position = rule.pattern.indexIn(text);
        while (position >= 0) {
            const int length = rule.pattern.matchedLength();
            setFormat(position, length, rule.format);
            // An empty match would never advance; anchored patterns only match whole lines anyway.
            position = rule.pattern.indexIn(text, position + qMax(length, 1));
        }
    }

    setCurrentBlockState(OutsideComment);

    int start = 0;
    if (previousBlockState() != InsideComment)
        start = m_commentStart.indexIn(text);

    while (start >= 0) {
        // Searching from the start itself lets "/*/" close on its own shared "*".
        const int end = m_commentEnd.indexIn(text, start);
        int length;
        if (end < 0) {
            setCurrentBlockState(InsideComment);
            length = text.length() - start;
        } else {
            length = end - start + m_commentEnd.matchedLength();
        }
        setFormat(start, length, m_blockCommentFormat);
        start = m_commentStart.indexIn(text, start + length);
    }
}
