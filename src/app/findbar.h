#pragma once

#include <QTextDocument>
#include <QWidget>

class QKeyEvent;
class QLineEdit;
class QTextEdit;

// The bar under the editor that finds text as it is typed: Enter and F3 find the next match,
// Shift+Enter and Shift+F3 the previous one, both wrapping around; Esc closes it.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    explicit FindBar(QTextEdit *editor, QWidget *parent = nullptr);

    QLineEdit *field() const { return m_field; }
    // Shows the bar with the editor's selection as the text to find, the field focused.
    void open();
    // False, with the field tinted, when the text is nowhere.
    bool findNext();
    bool findPrevious();

protected:
    // Esc closes the bar as a key, not as a shortcut: the window's «Прервать» owns Esc as a
    // shortcut while a transfer runs, and two would make Qt run neither.
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool find(QTextDocument::FindFlags flags, bool fromMatchStart);
    void close();
    void showFound(bool found);

    QTextEdit *m_editor;
    QLineEdit *m_field;
};
