#pragma once

#include "programoutline.h"

#include <QObject>
#include <QPointer>

class CompletionPopup;
class EditorMarks;
class QHelpEvent;
class QKeyEvent;
class QMenu;
class QTextEdit;
class UserDialogs;

// What the editor knows of the language while one writes: the completion list, hovers on labels
// and operands, going from a jump to its label and from a label to the lines that name it, and
// renaming a label. The outline of the text is built again only once the text has changed.
class CodeAssist : public QObject
{
    Q_OBJECT

public:
    CodeAssist(QTextEdit *editor, EditorMarks *marks, QWidget *window);

    void setDialogs(UserDialogs *dialogs) { m_dialogs = dialogs; }
    const ProgramOutline &outline();
    CompletionPopup *popup() const;
    QMenu *referencesMenu() const { return m_references; }

    // Opens the list at the cursor (Ctrl+Space).
    void complete();
    // From "#n" in a jump to the label's line (F12, Ctrl+click).
    void goToLabel();
    // The lines that name the label under the cursor, each a menu entry that goes there.
    void showLabelReferences();
    // A new number for the label under the cursor and every reference to it (F2).
    void renameLabel();

signals:
    // What a command did or why it could not, for the status bar.
    void message(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Position
    {
        int line;
        int column;
    };
    Position cursorPosition() const;
    // Asks for the items at the cursor; shows them, or hides the list when there are none.
    bool showProposal();
    void accept();
    void textChanged();
    void cursorMoved();
    bool popupKey(QKeyEvent *event);
    bool showHover(QHelpEvent *event);
    void goToSpan(const ProgramOutline::Span &span);

    QTextEdit *m_editor;
    // Compared only: while the editor is being destroyed its viewport() may no longer be called.
    QObject *m_viewport;
    EditorMarks *m_marks;
    QWidget *m_window;
    UserDialogs *m_dialogs = nullptr;
    // The editor owns the list and may have deleted it before its last events reach us.
    QPointer<CompletionPopup> m_popup;
    QMenu *m_references;
    ProgramOutline m_outline;
    bool m_outlineStale = true;
    // The last key typed a character; the change it makes may open or filter the list.
    bool m_keyTyped = false;
    QChar m_typedChar;
    bool m_inserting = false;
};
