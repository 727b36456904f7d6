#include "linenumbergutter.h"

#include "editormarks.h"

#include <QAbstractTextDocumentLayout>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolTip>

namespace {

constexpr int MarginPx = 4;
constexpr int MinimumDigits = 3;
const QColor GutterBackground(0xF0, 0xF0, 0xF0);
const QColor NumberColour(0x80, 0x80, 0x80);

} // namespace

LineNumberGutter::LineNumberGutter(QTextEdit *editor, const EditorMarks *marks, QWidget *parent)
    : QWidget(parent), m_editor(editor), m_marks(marks)
{
    setObjectName(QStringLiteral("lineNumberGutter"));
    setFont(m_editor->font());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    QTextDocument *document = m_editor->document();
    // Repaint with whatever moves the text: scrolling, editing, relayout, the cursor's line.
    connect(m_editor->verticalScrollBar(), &QScrollBar::valueChanged, this,
            QOverload<>::of(&QWidget::update));
    connect(document->documentLayout(), &QAbstractTextDocumentLayout::update, this,
            QOverload<>::of(&QWidget::update));
    connect(m_editor, &QTextEdit::cursorPositionChanged, this, QOverload<>::of(&QWidget::update));
    connect(document, &QTextDocument::blockCountChanged, this, &LineNumberGutter::updateWidth);
    connect(m_marks, &EditorMarks::changed, this, QOverload<>::of(&QWidget::update));
    updateWidth();
}

int LineNumberGutter::markDiameter() const
{
    return qMax(4, fontMetrics().height() / 2);
}

QSize LineNumberGutter::sizeHint() const
{
    const int width = MarginPx + markDiameter() + MarginPx +
                      m_digits * fontMetrics().horizontalAdvance(QLatin1Char('9')) + MarginPx;
    return {width, 0};
}

void LineNumberGutter::updateWidth()
{
    const int digits =
        qMax(MinimumDigits, int(QString::number(m_editor->document()->blockCount()).size()));
    if (digits == m_digits)
        return;
    m_digits = digits;
    setFixedWidth(sizeHint().width());
}

QVector<LineNumberGutter::VisibleLine> LineNumberGutter::visibleLines() const
{
    QVector<VisibleLine> lines;
    const QWidget *viewport = m_editor->viewport();
    const int offset = viewport->mapTo(window(), QPoint()).y() - mapTo(window(), QPoint()).y();
    const int scroll = m_editor->verticalScrollBar()->value();
    const QAbstractTextDocumentLayout *layout = m_editor->document()->documentLayout();

    // The first line comes from the layout's own lookup, so a long text costs no walk from
    // its start.
    QTextBlock block = m_editor->cursorForPosition(QPoint(0, 0)).block();
    while (block.isValid()) {
        const QRectF rect = layout->blockBoundingRect(block);
        const int top = int(rect.top()) - scroll + offset;
        if (top > offset + viewport->height())
            break;
        if (block.isVisible() && top + int(rect.height()) >= 0)
            lines.append({block.blockNumber() + 1, top, int(rect.height())});
        block = block.next();
    }
    return lines;
}

void LineNumberGutter::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), GutterBackground);
    // Numbers only beside the text, never beside the editor's frame or scroll bar.
    const QWidget *viewport = m_editor->viewport();
    painter.setClipRect(
        QRect(QPoint(0, viewport->mapTo(window(), QPoint()).y() - mapTo(window(), QPoint()).y()),
              QSize(width(), viewport->height())));
    const int currentLine = m_editor->textCursor().blockNumber() + 1;
    const int lineHeight = fontMetrics().height();
    const int diameter = markDiameter();
    QFont bold = font();
    bold.setBold(true);

    for (const VisibleLine &line : visibleLines()) {
        Diagnostic::Severity worst;
        if (m_marks->hasDiagnosticAt(line.number, &worst)) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(EditorMarks::colour(worst));
            painter.setRenderHint(QPainter::Antialiasing);
            painter.drawEllipse(MarginPx, line.top + (lineHeight - diameter) / 2, diameter,
                                diameter);
        }
        painter.setFont(line.number == currentLine ? bold : font());
        painter.setPen(NumberColour);
        painter.drawText(0, line.top, width() - MarginPx, lineHeight, Qt::AlignRight,
                         QString::number(line.number));
    }
}

bool LineNumberGutter::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        QString messages;
        for (const VisibleLine &line : visibleLines()) {
            if (help->pos().y() >= line.top && help->pos().y() < line.top + line.height)
                messages = m_marks->messagesAt(line.number);
        }
        if (messages.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), messages, this);
        return true;
    }
    return QWidget::event(event);
}
