#include "codeassist.h"

#include "completion.h"
#include "completionpopup.h"
#include "editormarks.h"
#include "labelrename.h"
#include "userdialogs.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolTip>

namespace {

bool continuesItem(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('#') ||
           QStringLiteral("=!<>+-*/").contains(c);
}

} // namespace

CodeAssist::CodeAssist(QTextEdit *editor, EditorMarks *marks, QWidget *window)
    : QObject(window), m_editor(editor), m_viewport(editor->viewport()), m_marks(marks),
      m_window(window), m_popup(new CompletionPopup(editor)), m_references(new QMenu(editor))
{
    m_references->setObjectName(QStringLiteral("labelReferencesMenu"));
    editor->installEventFilter(this);
    editor->viewport()->installEventFilter(this);
    connect(editor, &QTextEdit::textChanged, this, &CodeAssist::textChanged);
    connect(editor, &QTextEdit::cursorPositionChanged, this, &CodeAssist::cursorMoved);
    connect(m_popup, &CompletionPopup::itemChosen, this, &CodeAssist::accept);
    // The list stands where the text was; once the text moves it would point elsewhere.
    connect(editor->verticalScrollBar(), &QScrollBar::valueChanged, m_popup, &QWidget::hide);
    connect(editor->horizontalScrollBar(), &QScrollBar::valueChanged, m_popup, &QWidget::hide);
}

CompletionPopup *CodeAssist::popup() const
{
    return m_popup;
}

const ProgramOutline &CodeAssist::outline()
{
    if (m_outlineStale) {
        m_outline = ProgramOutline::build(m_editor->toPlainText());
        m_outlineStale = false;
    }
    return m_outline;
}

CodeAssist::Position CodeAssist::cursorPosition() const
{
    const QTextCursor cursor = m_editor->textCursor();
    return {cursor.blockNumber(), cursor.positionInBlock()};
}

bool CodeAssist::showProposal()
{
    const Position at = cursorPosition();
    const QString line = m_editor->textCursor().block().text();
    const Completion::Proposal proposal = Completion::at(outline(), line, at.line, at.column);
    // A list that would only repeat what is typed offers nothing.
    const bool useful = std::any_of(
        proposal.items.cbegin(), proposal.items.cend(),
        [&](const Completion::Item &item) { return item.insertText != proposal.typed; });
    if (!useful) {
        m_popup->hide();
        return false;
    }
    m_popup->showItems(proposal);
    return true;
}

void CodeAssist::complete()
{
    if (!showProposal())
        emit message(tr("Здесь нечего дополнить"));
}

void CodeAssist::accept()
{
    const Completion::Item *item = m_popup->selectedItem();
    if (!item) {
        m_popup->hide();
        return;
    }
    const Completion::Proposal proposal = m_popup->proposal();
    const Completion::Item chosen = *item;
    QTextCursor cursor = m_editor->textCursor();
    const int start = cursor.block().position() + proposal.column;
    m_inserting = true;
    cursor.beginEditBlock();
    cursor.setPosition(start);
    cursor.setPosition(start + proposal.length, QTextCursor::KeepAnchor);
    cursor.insertText(chosen.insertText);
    cursor.endEditBlock();
    cursor.setPosition(start + chosen.cursorOffset);
    m_editor->setTextCursor(cursor);
    m_inserting = false;
    // The next part of the statement follows at once: after «if » its operands.
    if (!chosen.continues || !showProposal())
        m_popup->hide();
}

void CodeAssist::textChanged()
{
    // Any change, typed or not; the outline is built again only when a command asks for it.
    m_outlineStale = true;
    if (m_inserting)
        return;
    const bool typed = std::exchange(m_keyTyped, false);
    // Pasted, undone or replaced text is not typing: the list has nothing to follow.
    if (!typed) {
        m_popup->hide();
        return;
    }
    if (m_popup->isVisible()) {
        if (m_typedChar == QLatin1Char('\b') || continuesItem(m_typedChar))
            showProposal();
        else
            m_popup->hide();
        return;
    }
    const Position at = cursorPosition();
    if (Completion::opensByItself(m_editor->textCursor().block().text(), at.column))
        showProposal();
}

void CodeAssist::cursorMoved()
{
    if (!m_popup->isVisible() || m_inserting)
        return;
    const Position at = cursorPosition();
    const Completion::Proposal &shown = m_popup->proposal();
    if (at.line != shown.line || at.column < shown.column)
        m_popup->hide();
}

bool CodeAssist::popupKey(QKeyEvent *event)
{
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    switch (event->key()) {
    case Qt::Key_Up:
        m_popup->moveSelection(-1);
        return true;
    case Qt::Key_Down:
        m_popup->moveSelection(1);
        return true;
    case Qt::Key_PageUp:
        m_popup->moveSelection(-m_popup->pageRows());
        return true;
    case Qt::Key_PageDown:
        m_popup->moveSelection(m_popup->pageRows());
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        accept();
        return true;
    case Qt::Key_Escape:
        m_popup->hide();
        return true;
    default:
        return false;
    }
}

bool CodeAssist::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_popup)
        return QObject::eventFilter(watched, event);
    if (watched == m_editor) {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Esc, Tab and Enter belong to the open list, not to the window's shortcuts.
            if (m_popup->isVisible()) {
                auto *key = static_cast<QKeyEvent *>(event);
                const int k = key->key();
                if (k == Qt::Key_Escape || k == Qt::Key_Tab || k == Qt::Key_Return ||
                    k == Qt::Key_Enter || k == Qt::Key_Up || k == Qt::Key_Down) {
                    event->accept();
                    return true;
                }
            }
            break;
        case QEvent::KeyPress: {
            auto *key = static_cast<QKeyEvent *>(event);
            if (m_popup->isVisible() && popupKey(key))
                return true;
            const bool plain =
                !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
            m_keyTyped = plain && !key->text().isEmpty() &&
                         (key->text().at(0).isPrint() || key->key() == Qt::Key_Backspace);
            m_typedChar = key->key() == Qt::Key_Backspace ? QLatin1Char('\b')
                          : m_keyTyped                    ? key->text().at(0)
                                                          : QChar();
            break;
        }
        case QEvent::FocusOut:
            m_popup->hide();
            break;
        default:
            break;
        }
        return false;
    }
    if (watched == m_viewport) {
        if (event->type() == QEvent::ToolTip)
            return showHover(static_cast<QHelpEvent *>(event));
        if (event->type() == QEvent::MouseButtonPress) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::ControlModifier) {
                const QTextCursor at = m_editor->cursorForPosition(mouse->pos());
                const ProgramOutline::LabelAt label =
                    outline().labelAt(at.blockNumber(), at.positionInBlock());
                if (label.found() && label.role != ProgramOutline::LabelRole::Definition) {
                    m_editor->setTextCursor(at);
                    goToLabel();
                    return true;
                }
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

bool CodeAssist::showHover(QHelpEvent *event)
{
    const QTextCursor at = m_editor->cursorForPosition(event->pos());
    const int line = at.blockNumber();
    const QString text = outline().hoverText(line, at.positionInBlock());
    if (text.isEmpty())
        return false;
    const QString marks = m_marks->messagesAt(line + 1);
    QToolTip::showText(event->globalPos(),
                       marks.isEmpty() ? text : text + QLatin1Char('\n') + marks,
                       m_editor->viewport());
    return true;
}

void CodeAssist::goToSpan(const ProgramOutline::Span &span)
{
    const QTextBlock block = m_editor->document()->findBlockByNumber(span.line);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + span.column);
    cursor.setPosition(block.position() + span.column + span.length, QTextCursor::KeepAnchor);
    m_editor->setTextCursor(cursor);
    m_editor->ensureCursorVisible();
    m_editor->setFocus(Qt::OtherFocusReason);
}

void CodeAssist::goToLabel()
{
    const Position at = cursorPosition();
    const ProgramOutline::LabelAt label = outline().labelAt(at.line, at.column);
    if (!label.found()) {
        emit message(tr("Под курсором нет ссылки на метку: поставьте его на #n в jmp или if"));
        return;
    }
    const ProgramOutline::LabelMark *target = outline().definitionOf(label.mark.number);
    if (!target) {
        emit message(tr("Метки #%1 в программе нет").arg(label.mark.number));
        return;
    }
    goToSpan(target->whole());
}

void CodeAssist::showLabelReferences()
{
    const Position at = cursorPosition();
    const ProgramOutline::LabelAt label = outline().labelAt(at.line, at.column);
    if (!label.found()) {
        emit message(tr("Под курсором нет метки: поставьте его на #n в метке, jmp или if"));
        return;
    }
    const int number = label.mark.number;
    const QVector<ProgramOutline::LabelMark> references = outline().referencesTo(number);
    if (references.isEmpty()) {
        emit message(tr("На метку #%1 никто не ссылается").arg(number));
        return;
    }
    m_references->clear();
    for (const ProgramOutline::LabelMark &reference : references) {
        const QString line =
            m_editor->document()->findBlockByNumber(reference.digits.line).text().trimmed();
        const ProgramOutline::Span span = reference.whole();
        QAction *entry =
            m_references->addAction(tr("Строка %1: %2").arg(reference.digits.line + 1).arg(line));
        connect(entry, &QAction::triggered, this, [this, span] { goToSpan(span); });
    }
    emit message(
        tr("На метку #%1 ссылаются строк: %n", nullptr, outline().referencingLines(number).size())
            .arg(number));
    const QRect cursor = m_editor->cursorRect();
    m_references->popup(m_editor->viewport()->mapToGlobal(cursor.bottomLeft()));
}

void CodeAssist::renameLabel()
{
    const Position at = cursorPosition();
    const ProgramOutline::LabelAt label = outline().labelAt(at.line, at.column);
    if (!label.found()) {
        emit message(LabelRename::rename(outline(), at.line, at.column, QString()).refusal);
        return;
    }
    const int from = label.mark.number;
    const QString title = tr("Переименовать метку");
    const int to = m_dialogs->askLabelNumber(m_window, title,
                                             tr("Новый номер метки #%1 (0–99):").arg(from), from);
    if (to < 0)
        return;
    const LabelRename::Result result =
        LabelRename::rename(outline(), at.line, at.column, QString::number(to));
    if (!result.ok()) {
        m_dialogs->warning(m_window, title,
                           tr("Метку #%1 нельзя переименовать в #%2").arg(from).arg(to),
                           result.refusal);
        return;
    }
    // One undo step for the label and all its references.
    QTextDocument *document = m_editor->document();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (int k = result.edits.size() - 1; k >= 0; --k) {
        const LabelRename::TextEdit &edit = result.edits.at(k);
        const int start = document->findBlockByNumber(edit.line).position() + edit.column;
        cursor.setPosition(start);
        cursor.setPosition(start + edit.length, QTextCursor::KeepAnchor);
        cursor.insertText(edit.newText);
    }
    cursor.endEditBlock();
    emit message(
        tr("Метка #%1 стала #%2, заменено ссылок и меток: %n", nullptr, int(result.edits.size()))
            .arg(from)
            .arg(to));
}
