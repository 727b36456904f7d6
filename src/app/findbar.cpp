#include "findbar.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QColor NotFoundColour(0xFF, 0xDD, 0xDD);

} // namespace

FindBar::FindBar(QTextEdit *editor, QWidget *parent)
    : QWidget(parent), m_editor(editor), m_field(new QLineEdit(this)),
      m_caseBox(new QCheckBox(tr("&Учитывать регистр"), this)), m_replaceRow(new QWidget(this)),
      m_replaceField(new QLineEdit(m_replaceRow))
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

    // The language tells Us from us, so the search does too unless asked otherwise.
    m_caseBox->setObjectName(QStringLiteral("findCaseSensitive"));
    m_caseBox->setChecked(true);
    m_replaceRow->setObjectName(QStringLiteral("replaceRow"));
    m_replaceField->setObjectName(QStringLiteral("replaceField"));
    m_replaceField->setClearButtonEnabled(true);
    auto *replaceButton = new QPushButton(tr("Заменить"), m_replaceRow);
    replaceButton->setObjectName(QStringLiteral("replaceButton"));
    replaceButton->setAutoDefault(false);
    auto *replaceAllButton = new QPushButton(tr("Заменить все"), m_replaceRow);
    replaceAllButton->setObjectName(QStringLiteral("replaceAllButton"));
    replaceAllButton->setAutoDefault(false);

    auto *findLabel = new QLabel(tr("Найти:"), this);
    auto *replaceLabel = new QLabel(tr("Заменить на:"), m_replaceRow);
    auto *findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(m_field, 1);
    findRow->addWidget(m_caseBox);
    findRow->addWidget(previous);
    findRow->addWidget(next);
    findRow->addWidget(closeButton);
    auto *replaceRow = new QHBoxLayout(m_replaceRow);
    replaceRow->setContentsMargins(0, 0, 0, 0);
    replaceRow->addWidget(replaceLabel);
    replaceRow->addWidget(m_replaceField, 1);
    replaceRow->addWidget(replaceButton);
    replaceRow->addWidget(replaceAllButton);
    // The two fields line up whatever the labels' lengths in the interface's language.
    const int labelWidth = qMax(findLabel->sizeHint().width(), replaceLabel->sizeHint().width());
    findLabel->setMinimumWidth(labelWidth);
    replaceLabel->setMinimumWidth(labelWidth);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(findRow);
    layout->addWidget(m_replaceRow);
    m_replaceRow->hide();

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
    connect(m_field, &QLineEdit::textEdited, this, [this] { find(caseFlag(), true); });
    connect(m_caseBox, &QCheckBox::toggled, this, [this] { find(caseFlag(), true); });
    connect(m_replaceField, &QLineEdit::returnPressed, this, &FindBar::replaceCurrent);
    connect(replaceButton, &QPushButton::clicked, this, &FindBar::replaceCurrent);
    connect(replaceAllButton, &QPushButton::clicked, this, &FindBar::replaceAll);

    hide();
}

void FindBar::open()
{
    const QString selected = m_editor->textCursor().selectedText();
    // A selection across lines holds paragraph separators: no use as a one-line search.
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        m_field->setText(selected);
    m_replaceRow->hide();
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void FindBar::openReplace()
{
    open();
    m_replaceRow->show();
    // With the text to find given by the selection, what replaces it is typed next.
    if (!m_field->text().isEmpty()) {
        m_replaceField->setFocus(Qt::ShortcutFocusReason);
        m_replaceField->selectAll();
    }
}

QTextDocument::FindFlags FindBar::caseFlag() const
{
    return m_caseBox->isChecked() ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags();
}

bool FindBar::selectionIsMatch() const
{
    const QString selected = m_editor->textCursor().selectedText();
    return !m_field->text().isEmpty() &&
           selected.compare(m_field->text(),
                            m_caseBox->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
}

void FindBar::replaceCurrent()
{
    if (selectionIsMatch())
        m_editor->textCursor().insertText(m_replaceField->text());
    findNext();
}

int FindBar::replaceAll()
{
    const QString text = m_field->text();
    int count = 0;
    if (!text.isEmpty()) {
        QTextDocument *document = m_editor->document();
        QTextCursor edit(document);
        edit.beginEditBlock();
        QTextCursor match = document->find(text, 0, caseFlag());
        while (!match.isNull()) {
            match.insertText(m_replaceField->text());
            ++count;
            // On from the end of what was put in: a replacement holding the text is not found
            // again.
            match = document->find(text, match.position(), caseFlag());
        }
        edit.endEditBlock();
    }
    showFound(count > 0);
    emit message(tr("Заменено совпадений: %n", nullptr, count));
    return count;
}

bool FindBar::findNext()
{
    return find(caseFlag(), false);
}

bool FindBar::findPrevious()
{
    return find(QTextDocument::FindBackward | caseFlag(), false);
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
