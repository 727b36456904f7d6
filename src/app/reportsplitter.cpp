#include "reportsplitter.h"

#include <QEvent>
#include <QList>

#include <algorithm>

ReportSplitter::ReportSplitter(QWidget *parent) : QSplitter(parent)
{
    connect(this, &QSplitter::splitterMoved, this, [this] {
        m_dragged = true;
        m_editorHeight = sizes().value(0);
        m_paneHeight = sizes().value(1);
    });
}

void ReportSplitter::setPaneCap(int cap)
{
    m_cap = cap;
    applyCap();
}

QByteArray ReportSplitter::draggedState() const
{
    return m_dragged ? saveState() : QByteArray();
}

void ReportSplitter::restoreDraggedState(const QByteArray &state)
{
    if (state.isEmpty())
        return;
    m_dragged = true;
    applyCap();
    if (restoreState(state)) {
        m_editorHeight = sizes().value(0);
        m_paneHeight = sizes().value(1);
    }
    fitPane();
}

QSplitterHandle *ReportSplitter::createHandle()
{
    QSplitterHandle *handle = QSplitter::createHandle();
    handle->installEventFilter(this);
    return handle;
}

bool ReportSplitter::eventFilter(QObject *watched, QEvent *event)
{
    // The cap would stop the drag at the pane's capped height: it is lifted while the handle is
    // held, and kept lifted once the user has moved it.
    if (event->type() == QEvent::MouseButtonPress) {
        m_pressed = true;
        applyCap();
    } else if (event->type() == QEvent::MouseButtonRelease) {
        m_pressed = false;
        applyCap();
    }
    return QSplitter::eventFilter(watched, event);
}

void ReportSplitter::resizeEvent(QResizeEvent *event)
{
    QSplitter::resizeEvent(event);
    fitPane();
}

void ReportSplitter::applyCap()
{
    if (QWidget *reportPane = pane())
        reportPane->setMaximumHeight(m_dragged || m_pressed ? QWIDGETSIZE_MAX : m_cap);
}

void ReportSplitter::fitPane()
{
    const QList<int> current = sizes();
    if (current.size() != 2)
        return;
    const int total = current.at(0) + current.at(1);
    const int wanted = m_dragged ? m_paneHeight : std::min(m_cap, pane()->maximumHeight());
    // The editor keeps half, or less only where the user dragged it smaller at a larger size.
    const int editorFloor = std::min(m_dragged ? m_editorHeight : total, total - total / 2);
    const int target =
        std::max(std::min(wanted, total - editorFloor), pane()->minimumSizeHint().height());
    if (target != current.at(1) && total > 0)
        setSizes({total - target, target});
}
