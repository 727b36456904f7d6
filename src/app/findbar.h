#pragma once

#include <QTextDocument>
#include <QWidget>

class QCheckBox;
class QKeyEvent;
class QLineEdit;
class QTextEdit;

// The bar under the editor that finds text as it is typed: Enter and F3 find the next match,
// Shift+Enter and Shift+F3 the previous one, both wrapping around; Esc closes it. Case counts
// unless its box is cleared, as it does in the language. Opened for replacing, a second row
// replaces the match in view or every match, the latter as one undo step.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    explicit FindBar(QTextEdit *editor, QWidget *parent = nullptr);

    QLineEdit *field() const { return m_field; }
    QLineEdit *replaceField() const { return m_replaceField; }
    QCheckBox *caseBox() const { return m_caseBox; }
    // Shows the bar with the editor's selection as the text to find, the field focused.
    void open();
    // The same with the replace row.
    void openReplace();
    // Replaces the match the editor has selected, then finds the next one.
    void replaceCurrent();
    // Replaces every match in one undo step; the count replaced.
    int replaceAll();
    // False, with the field tinted, when the text is nowhere.
    bool findNext();
    bool findPrevious();

signals:
    // What a replace did, for the status bar.
    void message(const QString &text);

protected:
    // Esc closes the bar as a key, not as a shortcut: the window's «Прервать» owns Esc as a
    // shortcut while a transfer runs, and two would make Qt run neither.
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool find(QTextDocument::FindFlags flags, bool fromMatchStart);
    QTextDocument::FindFlags caseFlag() const;
    bool selectionIsMatch() const;
    void close();
    void showFound(bool found);

    QTextEdit *m_editor;
    QLineEdit *m_field;
    QCheckBox *m_caseBox;
    QWidget *m_replaceRow;
    QLineEdit *m_replaceField;
};
