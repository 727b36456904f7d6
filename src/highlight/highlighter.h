#pragma once

#include "language.h"

#include <QRegExp>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QVector>

class QTextDocument;

// Colours program text by statement kind, with the same patterns the compiler recognises.
class Highlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit Highlighter(QTextDocument *parent);

    // The language's twelve statement patterns with their kind codes, as this highlighter colours
    // them; the compiler takes the same table from the language itself.
    const Language::StatementKindTable &statementKinds() const { return m_statementKinds; }

    // Block states: whether a line ends inside an open block comment.
    enum BlockState
    {
        OutsideComment = 0,
        InsideComment = 1
    };

protected:
    void highlightBlock(const QString &text) override;

private:
    struct StyleRule
    {
        QRegExp pattern;
        QTextCharFormat format;
    };

    void addRule(const QString &pattern, const QTextCharFormat &format);

    Language::StatementKindTable m_statementKinds;
    QVector<StyleRule> m_styleRules;
    QRegExp m_commentStart;
    QRegExp m_commentEnd;
    QTextCharFormat m_statementFormat;
    QTextCharFormat m_labelFormat;
    QTextCharFormat m_commentFormat;
    QTextCharFormat m_programNameFormat;
    QTextCharFormat m_blockCommentFormat;
};
