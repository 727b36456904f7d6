#include "editormarks.h"

#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolTip>

#include <algorithm>

namespace {

const QColor CurrentLineColour(0xF2, 0xF6, 0xFC);

bool byLine(const Diagnostic &d, int line)
{
    return d.line < line;
}

} // namespace

EditorMarks::EditorMarks(QTextEdit *editor, QObject *parent) : QObject(parent), m_editor(editor)
{
    connect(m_editor, &QTextEdit::cursorPositionChanged, this, &EditorMarks::cursorMoved);
    connect(m_editor->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &EditorMarks::scheduleApply);
    m_editor->viewport()->installEventFilter(this);
    apply();
}

QColor EditorMarks::colour(Diagnostic::Severity severity)
{
    return severity == Diagnostic::Severity::Error ? QColor(Qt::red) : QColor(0xFF, 0x8C, 0x00);
}

void EditorMarks::setDiagnostics(const DiagnosticList &diagnostics)
{
    m_diagnostics = diagnostics;
    // Kept in line order whatever the source, for the lookups below.
    std::stable_sort(m_diagnostics.begin(), m_diagnostics.end(),
                     [](const Diagnostic &a, const Diagnostic &b) { return a.line < b.line; });

    m_underlines.clear();
    QTextDocument *document = m_editor->document();
    for (const Diagnostic &d : qAsConst(m_diagnostics)) {
        const QTextBlock block = document->findBlockByNumber(d.line - 1);
        if (!block.isValid())
            continue;
        // From the diagnostic's column, else the first visible character, to the end of the
        // line: blanks carry no wave, and what is missing at the end waves under the last
        // visible character.
        const QString text = block.text();
        int start = 0;
        while (start < text.size() && text.at(start).isSpace())
            ++start;
        if (start == text.size())
            continue;
        if (d.column > 0) {
            int last = text.size() - 1;
            while (text.at(last).isSpace())
                --last;
            start = qBound(start, d.column - 1, last);
        }
        QTextEdit::ExtraSelection underline;
        underline.cursor = QTextCursor(block);
        underline.cursor.setPosition(block.position() + start);
        underline.cursor.setPosition(block.position() + text.size(), QTextCursor::KeepAnchor);
        underline.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        underline.format.setUnderlineColor(colour(d.severity));
        m_underlines.append(underline);
    }
    apply();
    emit changed();
    showCurrentLineMessage();
}

int EditorMarks::count(Diagnostic::Severity severity) const
{
    return int(std::count_if(m_diagnostics.cbegin(), m_diagnostics.cend(),
                             [severity](const Diagnostic &d) { return d.severity == severity; }));
}

QString EditorMarks::messagesAt(int line, const QString &separator) const
{
    QStringList messages;
    for (auto it = std::lower_bound(m_diagnostics.cbegin(), m_diagnostics.cend(), line, byLine);
         it != m_diagnostics.cend() && it->line == line; ++it) {
        messages << (it->column > 0 ? tr("столбец %1: %2").arg(it->column).arg(it->message)
                                    : it->message);
    }
    return messages.join(separator);
}

QString EditorMarks::currentLineMessage() const
{
    const int line = m_editor->textCursor().blockNumber() + 1;
    const QString messages = messagesAt(line, QStringLiteral("; "));
    return messages.isEmpty() ? QString() : tr("Строка %1, %2").arg(line).arg(messages);
}

void EditorMarks::showCurrentLineMessage()
{
    const QString message = currentLineMessage();
    if (message == m_shownMessage)
        return;
    m_shownMessage = message;
    emit currentLineMessageChanged(message);
}

bool EditorMarks::hasDiagnosticAt(int line, Diagnostic::Severity *worst) const
{
    auto it = std::lower_bound(m_diagnostics.cbegin(), m_diagnostics.cend(), line, byLine);
    if (it == m_diagnostics.cend() || it->line != line)
        return false;
    if (worst) {
        *worst = Diagnostic::Severity::Warning;
        for (; it != m_diagnostics.cend() && it->line == line; ++it) {
            if (it->severity == Diagnostic::Severity::Error)
                *worst = Diagnostic::Severity::Error;
        }
    }
    return true;
}

int EditorMarks::nextLine(int line, bool forward) const
{
    if (m_diagnostics.isEmpty())
        return 0;
    if (forward) {
        const auto it = std::upper_bound(m_diagnostics.cbegin(), m_diagnostics.cend(), line,
                                         [](int l, const Diagnostic &d) { return l < d.line; });
        return it == m_diagnostics.cend() ? m_diagnostics.constFirst().line : it->line;
    }
    const auto it = std::lower_bound(m_diagnostics.cbegin(), m_diagnostics.cend(), line, byLine);
    return it == m_diagnostics.cbegin() ? m_diagnostics.constLast().line : std::prev(it)->line;
}

void EditorMarks::scheduleApply()
{
    // Scrolling and resizing also happen in the middle of a text replacement, while the cursor
    // still stands at the end of the new text: marking its line then would lay the whole text
    // out at once. Afterwards, the cursor is where the replacement leaves it.
    if (m_applyScheduled)
        return;
    m_applyScheduled = true;
    QMetaObject::invokeMethod(this, &EditorMarks::apply, Qt::QueuedConnection);
}

void EditorMarks::apply()
{
    m_applyScheduled = false;
    // Only the underlines in view: the editor compares and paints every selection it holds,
    // and a long program may have hundreds. The underlines are in text order.
    const QWidget *viewport = m_editor->viewport();
    const int from = m_editor->cursorForPosition(QPoint(0, 0)).block().position();
    const QTextBlock last =
        m_editor->cursorForPosition(QPoint(viewport->width(), viewport->height())).block();
    const int to = last.position() + last.length();
    auto it = std::lower_bound(m_underlines.cbegin(), m_underlines.cend(), from,
                               [](const QTextEdit::ExtraSelection &u, int position) {
                                   return u.cursor.selectionEnd() < position;
                               });
    QList<QTextEdit::ExtraSelection> selections;
    for (; it != m_underlines.cend() && it->cursor.selectionStart() <= to; ++it)
        selections.append(*it);
    m_editor->setExtraSelections(selections);
}

void EditorMarks::cursorMoved()
{
    // The current line's band is painted beneath the text, not held as a selection: a selection
    // costs work on every key, and one pushed to the end of a freshly replaced text makes the
    // editor lay the whole text out at once.
    const int line = m_editor->textCursor().blockNumber();
    if (line != m_currentLine) {
        m_currentLine = line;
        m_editor->viewport()->update();
        showCurrentLineMessage();
    }
}

void EditorMarks::paintCurrentLine(const QRect &area)
{
    const QRect cursor = m_editor->cursorRect();
    const QRect band(0, cursor.top(), m_editor->viewport()->width(), cursor.height());
    QPainter painter(m_editor->viewport());
    painter.fillRect(band & area, CurrentLineColour);
}

bool EditorMarks::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched == m_editor->viewport())
        paintCurrentLine(static_cast<QPaintEvent *>(event)->rect());
    if (event->type() == QEvent::Resize && watched == m_editor->viewport())
        scheduleApply();
    if (event->type() == QEvent::ToolTip && watched == m_editor->viewport()) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const int line = m_editor->cursorForPosition(help->pos()).blockNumber() + 1;
        const QString messages = messagesAt(line);
        if (messages.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), messages, m_editor->viewport());
        return true;
    }
    return QObject::eventFilter(watched, event);
}
