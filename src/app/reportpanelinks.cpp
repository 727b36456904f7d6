#include "reportpanelinks.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>

ReportPaneLinks::ReportPaneLinks(QPlainTextEdit *pane, QObject *parent)
    : QObject(parent), m_pane(pane)
{
    connect(m_pane, &QPlainTextEdit::textChanged, this, &ReportPaneLinks::forget);
    m_pane->viewport()->installEventFilter(this);
}

void ReportPaneLinks::setReport(const QVector<int> &sourceLines, const QVector<int> &errorLines)
{
    m_sourceLines = sourceLines;
    QList<QTextEdit::ExtraSelection> selections;
    selections.reserve(errorLines.size());
    QTextDocument *document = m_pane->document();
    for (const int index : errorLines) {
        const QTextBlock block = document->findBlockByNumber(index);
        if (!block.isValid())
            continue;
        QTextEdit::ExtraSelection red;
        red.cursor = QTextCursor(block);
        red.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        red.format.setForeground(Qt::red);
        selections.append(red);
    }
    m_pane->setExtraSelections(selections);
}

int ReportPaneLinks::sourceLineAt(int paneLine) const
{
    return m_sourceLines.value(paneLine, 0);
}

void ReportPaneLinks::forget()
{
    if (m_sourceLines.isEmpty() && m_pane->extraSelections().isEmpty())
        return;
    m_sourceLines.clear();
    m_pane->setExtraSelections({});
}

bool ReportPaneLinks::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_pane->viewport()) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int line = sourceLineAt(m_pane->cursorForPosition(mouse->pos()).blockNumber());
        if (line > 0)
            emit sourceLineActivated(line);
    }
    return QObject::eventFilter(watched, event);
}
