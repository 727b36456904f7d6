#include "completionpopup.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>

namespace {

constexpr int MostRowsShown = 10;

} // namespace

CompletionPopup::CompletionPopup(QTextEdit *editor)
    : QListWidget(editor->viewport()), m_editor(editor)
{
    setObjectName(QStringLiteral("completionPopup"));
    setFocusPolicy(Qt::NoFocus);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    setFont(editor->font());
    connect(this, &QListWidget::itemClicked, this, &CompletionPopup::itemChosen);
    hide();
}

void CompletionPopup::showItems(const Completion::Proposal &proposal)
{
    m_proposal = proposal;
    clear();
    for (const Completion::Item &item : proposal.items) {
        // Labels read «#7 — строка 12»; the rest say what they are the same way.
        new QListWidgetItem(item.detail.isEmpty()
                                ? item.label
                                : QStringLiteral("%1 — %2").arg(item.label.trimmed(), item.detail),
                            this);
    }
    setCurrentRow(0);
    place();
    show();
    raise();
}

const Completion::Item *CompletionPopup::selectedItem() const
{
    const int row = currentRow();
    if (!isVisible() || row < 0 || row >= m_proposal.items.size())
        return nullptr;
    return &m_proposal.items.at(row);
}

void CompletionPopup::moveSelection(int delta)
{
    if (count() == 0)
        return;
    setCurrentRow(qBound(0, currentRow() + delta, count() - 1));
}

int CompletionPopup::pageRows() const
{
    return qMax(1, MostRowsShown - 1);
}

void CompletionPopup::place()
{
    const QFontMetrics metrics(font());
    int width = 0;
    for (int row = 0; row < count(); ++row)
        width = qMax(width, metrics.horizontalAdvance(item(row)->text()));
    const int rowHeight = qMax(sizeHintForRow(0), metrics.height());
    const int rows = qMin(count(), MostRowsShown);
    const int frame = 2 * frameWidth();
    const int scroll = count() > MostRowsShown ? verticalScrollBar()->sizeHint().width() : 0;
    const QSize size(width + frame + scroll + metrics.horizontalAdvance(QStringLiteral("MMMM")),
                     rows * rowHeight + frame);
    QWidget *area = m_editor->viewport();
    // Under the start of what is being typed; above it when the editor has no room below.
    QTextCursor start = m_editor->textCursor();
    start.setPosition(start.block().position() + m_proposal.column);
    const QRect at = m_editor->cursorRect(start);
    int x = qBound(0, at.left(), qMax(0, area->width() - size.width()));
    int y = at.bottom() + 1;
    if (y + size.height() > area->height() && at.top() - size.height() >= 0)
        y = at.top() - size.height();
    setGeometry(QRect(QPoint(x, y), size));
}
