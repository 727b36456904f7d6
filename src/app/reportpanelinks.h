#pragma once

#include <QObject>
#include <QVector>

class QPlainTextEdit;

// Ties a compile report in the output pane to the program text: its error lines are drawn red
// (as extra selections, so the pane's text stays as written) and a double-click on a line that
// came from a source line asks for that line. Anything else written into the pane ends the tie.
class ReportPaneLinks : public QObject
{
    Q_OBJECT

public:
    explicit ReportPaneLinks(QPlainTextEdit *pane, QObject *parent = nullptr);

    // For the report the pane shows now: per pane line its 1-based source line or 0, and the
    // indices of the error lines.
    void setReport(const QVector<int> &sourceLines, const QVector<int> &errorLines);
    // The source line behind a 0-based pane line, or 0.
    int sourceLineAt(int paneLine) const;

signals:
    void sourceLineActivated(int line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void forget();

    QPlainTextEdit *m_pane;
    QVector<int> m_sourceLines;
};
