#include "findbar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolButton>

namespace {

const QColor NotFoundColour(0xFF, 0xDD, 0xDD);

} // namespace

FindBar::FindBar(QTextEdit *editor, QWidget *parent)
    : QWidget(parent), m_editor(editor), m_field(new QLineEdit(this))
{
    setObjectName(QStringLiteral("findBar"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_field->setObjectName(QStringLiteral("findField"));
    m_field->setClearButtonEnabled(true);

    auto *previous = new QToolButton(this);
    previous->setText(QStringLiteral("▲"));
    previous->setToolTip(tr("Предыдущее (Shift+F3)"));
    auto *next = new QToolButton(this);
    next->setText(QStringLiteral("▼"));
    next->setToolTip(tr("Следующее (F3)"));
    auto *closeButton = new QToolButton(this);
    closeButton->setText(QStringLiteral("✕"));
    closeButton->setToolTip(tr("Закрыть (Esc)"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->addWidget(new QLabel(tr("Найти:"), this));
    layout->addWidget(m_field, 1);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(closeButton);

    // Live only while the bar is shown: a hidden widget's shortcuts do not fire.
    auto *nextAction = new QAction(this);
    nextAction->setShortcuts({QKeySequence(Qt::Key_F3)});
    nextAction->setShortcutContext(Qt::WindowShortcut);
    addAction(nextAction);
    auto *previousAction = new QAction(this);
    previousAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    previousAction->setShortcutContext(Qt::WindowShortcut);
    addAction(previousAction);
    auto *previousFromField = new QAction(this);
    previousFromField->setShortcuts(
        {QKeySequence(Qt::SHIFT | Qt::Key_Return), QKeySequence(Qt::SHIFT | Qt::Key_Enter)});
    previousFromField->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(previousFromField);

    connect(nextAction, &QAction::triggered, this, &FindBar::findNext);
    connect(previousAction, &QAction::triggered, this, &FindBar::findPrevious);
    connect(previousFromField, &QAction::triggered, this, &FindBar::findPrevious);
    connect(next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(closeButton, &QToolButton::clicked, this, &FindBar::close);
    connect(m_field, &QLineEdit::returnPressed, this, &FindBar::findNext);
    // Typing extends the match in place instead of jumping past it.
    connect(m_field, &QLineEdit::textEdited, this, [this] { find({}, true); });

    hide();
}

void FindBar::open()
{
    const QString selected = m_editor->textCursor().selectedText();
    // A selection across lines holds paragraph separators: no use as a one-line search.
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        m_field->setText(selected);
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

bool FindBar::findNext()
{
    return find({}, false);
}

bool FindBar::findPrevious()
{
    return find(QTextDocument::FindBackward, false);
}

bool FindBar::find(QTextDocument::FindFlags flags, bool fromMatchStart)
{
    const QString text = m_field->text();
    if (text.isEmpty()) {
        showFound(true);
        return false;
    }
    const QTextCursor before = m_editor->textCursor();
    if (fromMatchStart) {
        QTextCursor start = before;
        start.setPosition(before.selectionStart());
        m_editor->setTextCursor(start);
    }
    bool found = m_editor->find(text, flags);
    if (!found) {
        // Around the end (or the start) once.
        QTextCursor wrap = m_editor->textCursor();
        wrap.movePosition(flags & QTextDocument::FindBackward ? QTextCursor::End
                                                              : QTextCursor::Start);
        m_editor->setTextCursor(wrap);
        found = m_editor->find(text, flags);
    }
    if (!found) {
        // Back where it was, but with nothing selected: a selection would pass for a match.
        QTextCursor back = before;
        back.setPosition(before.selectionStart());
        m_editor->setTextCursor(back);
    }
    showFound(found);
    return found;
}

void FindBar::showFound(bool found)
{
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, found ? QPalette().color(QPalette::Base) : NotFoundColour);
    m_field->setPalette(palette);
}

void FindBar::close()
{
    hide();
    m_editor->setFocus(Qt::OtherFocusReason);
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    // The field and buttons leave Esc to their parent, this bar.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
