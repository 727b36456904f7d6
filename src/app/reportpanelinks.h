#pragma once

#include <QObject>
#include <QTextEdit>
#include <QVector>

class QPlainTextEdit;

// Ties a compile report, or a check's lines, in the output pane to the program text: its error
// lines are drawn red (as extra selections, so the pane's text stays as written) and a
// double-click on a line that came from a source line asks for that line. Lines appended below
// keep the tie; replacing or clearing the pane's text ends it.
class ReportPaneLinks : public QObject
{
    Q_OBJECT

public:
    explicit ReportPaneLinks(QPlainTextEdit *pane, QObject *parent = nullptr);

    // For the report the pane shows now: per pane line its 1-based source line or 0, and the
    // indices of the error lines.
    void setReport(const QVector<int> &sourceLines, const QVector<int> &errorLines);
    // Ties one more pane line (0-based) to a 1-based source line (0: none), red when error.
    void linkLine(int paneLine, int sourceLine, bool error);
    // The source line behind a 0-based pane line, or 0.
    int sourceLineAt(int paneLine) const;

signals:
    void sourceLineActivated(int line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void forget();
    void addRed(QList<QTextEdit::ExtraSelection> &selections, int paneLine) const;

    QPlainTextEdit *m_pane;
    QVector<int> m_sourceLines;
    // The length of the pane's text when the tie was last made or extended.
    int m_tiedLength = 0;
};
