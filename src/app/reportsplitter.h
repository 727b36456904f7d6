#pragma once

#include <QByteArray>
#include <QSplitter>

// The editor above the report pane. The pane stays at most `cap` high until the user drags the
// handle; from then on the dragged height is the pane's, kept between runs. Either way, when the
// window shrinks the pane gives way first: the editor keeps at least half of the height (or the
// smaller height the user gave it).
class ReportSplitter : public QSplitter
{
    Q_OBJECT

public:
    explicit ReportSplitter(QWidget *parent = nullptr);

    // The pane's height until the user drags the handle; set once both widgets stand in the
    // splitter.
    void setPaneCap(int cap);
    bool wasDragged() const { return m_dragged; }
    // The dragged split as saveState() gives it; empty while the user has not dragged.
    QByteArray draggedState() const;
    // A split saved by draggedState(); an empty one leaves the cap in force.
    void restoreDraggedState(const QByteArray &state);

protected:
    QSplitterHandle *createHandle() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *pane() const { return widget(1); }
    void applyCap();
    // Moves the split so that the pane has its wanted height, but no more than half.
    void fitPane();

    int m_cap = QWIDGETSIZE_MAX;
    bool m_dragged = false;
    bool m_pressed = false;
    // The heights the user dragged the editor and the pane to.
    int m_editorHeight = 0;
    int m_paneHeight = 0;
};
