#pragma once

#include "completion.h"

#include <QListWidget>

class QTextEdit;

// The list of what may stand at the editor's cursor. It lives inside the editor's viewport and
// never takes the focus, so typing goes on in the editor while the list follows; the editor's
// keys move through it (EditorAids' completion forwards them).
class CompletionPopup : public QListWidget
{
    Q_OBJECT

public:
    explicit CompletionPopup(QTextEdit *editor);

    // Shows items under the text cursor, the first selected.
    void showItems(const Completion::Proposal &proposal);
    const Completion::Proposal &proposal() const { return m_proposal; }
    // The selected item; nullptr when the list is hidden or empty.
    const Completion::Item *selectedItem() const;
    // Moves the selection by delta rows, stopping at either end.
    void moveSelection(int delta);
    int pageRows() const;

signals:
    // An item was clicked.
    void itemChosen();

private:
    void place();

    QTextEdit *m_editor;
    Completion::Proposal m_proposal;
};
