#pragma once

#include <QVector>
#include <QWidget>

class EditorMarks;
class QTextEdit;

// Paints the line numbers beside a QTextEdit, the current line's number in bold, and a dot for
// each line with a diagnostic; hovering a dot shows its messages.
class LineNumberGutter : public QWidget
{
    Q_OBJECT

public:
    LineNumberGutter(QTextEdit *editor, const EditorMarks *marks, QWidget *parent = nullptr);

    QSize sizeHint() const override;

    struct VisibleLine
    {
        int number; // 1-based
        int top;    // in the gutter's coordinates
        int height;
    };
    // The lines the editor shows now, top to bottom, as the gutter paints them.
    QVector<VisibleLine> visibleLines() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void updateWidth();
    int markDiameter() const;

    QTextEdit *m_editor;
    const EditorMarks *m_marks;
    int m_digits = 0;
};
