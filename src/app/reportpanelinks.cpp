#include "reportpanelinks.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

ReportPaneLinks::ReportPaneLinks(QPlainTextEdit *pane, QObject *parent)
    : QObject(parent), m_pane(pane)
{
    // Lines added at the end leave the earlier lines where they were; anything else (a new
    // heading, a cleared pane) ends the tie.
    connect(m_pane->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int) {
                if (position < m_tiedLength)
                    forget();
            });
    m_pane->viewport()->installEventFilter(this);
}

void ReportPaneLinks::setReport(const QVector<int> &sourceLines, const QVector<int> &errorLines)
{
    m_sourceLines = sourceLines;
    QList<QTextEdit::ExtraSelection> selections;
    selections.reserve(errorLines.size());
    for (const int index : errorLines)
        addRed(selections, index);
    m_pane->setExtraSelections(selections);
    m_tiedLength = m_pane->document()->characterCount() - 1;
}

void ReportPaneLinks::linkLine(int paneLine, int sourceLine, bool error)
{
    if (paneLine < 0)
        return;
    if (m_sourceLines.size() <= paneLine)
        m_sourceLines.resize(paneLine + 1);
    m_sourceLines[paneLine] = sourceLine;
    if (error) {
        QList<QTextEdit::ExtraSelection> selections = m_pane->extraSelections();
        addRed(selections, paneLine);
        m_pane->setExtraSelections(selections);
    }
    m_tiedLength = m_pane->document()->characterCount() - 1;
}

void ReportPaneLinks::addRed(QList<QTextEdit::ExtraSelection> &selections, int paneLine) const
{
    const QTextBlock block = m_pane->document()->findBlockByNumber(paneLine);
    if (!block.isValid())
        return;
    QTextEdit::ExtraSelection red;
    red.cursor = QTextCursor(block);
    red.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    // A line appended after this one must not stretch the red over it.
    red.cursor.setKeepPositionOnInsert(true);
    red.format.setForeground(Qt::red);
    selections.append(red);
}

int ReportPaneLinks::sourceLineAt(int paneLine) const
{
    return m_sourceLines.value(paneLine, 0);
}

void ReportPaneLinks::forget()
{
    m_tiedLength = 0;
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
