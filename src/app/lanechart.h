#pragma once

#include "steppoints.h"

#include <QColor>
#include <QDateTime>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include <functional>
#include <optional>

class QToolButton;

// Step signals as a logic analyser shows channels: each signal in its own lane with its own value
// axis, the lanes stacked over one shared time axis. Serves a whole run set at once as well as
// samples appended live with a moving time window.
//
// Times are ms from the chart's time 0 (clock time on the axis when an origin is given). A value
// holds from its step until the next; a NaN value is a gap (nothing known from then on).
//
// The user's hands: the wheel zooms time at the pointer, a drag pans, a double-click or
// «Весь график» shows everything (and follows the newest samples again); a right click sets
// cursor A, then B, then moves the nearer one, each put near a change sitting on it; a cursor
// line can be dragged; Esc clears them.
// A click on a lane's name hides or shows it; the visible lanes share the room. The tip appears
// when the pointer rests and stays until it moves on.
class LaneChart : public QWidget
{
    Q_OBJECT

public:
    using Step = LaneStep;
    enum Cursor
    {
        CursorA = 0,
        CursorB = 1
    };
    // The whole text of the tip over a lane at a time, given the step in force there (-1 before
    // the first); an empty text leaves the chart's own.
    using TipSource = std::function<QString(int lane, int step, double ms)>;

    explicit LaneChart(QWidget *parent = nullptr);
    ~LaneChart() override;

    // Lanes, numbered in the order they were added. The colour comes from the chart's palette.
    int addLane(const QString &name, const QString &unit = QString());
    // Every lane goes, and the cursors with them; the time window and the origin stay.
    void clear();
    int laneCount() const { return int(m_lanes.size()); }
    // The lane of that name, or -1.
    int laneOf(const QString &name) const;
    QString laneName(int lane) const;
    QString laneUnit(int lane) const;
    QColor laneColor(int lane) const;
    void setLaneColor(int lane, const QColor &color);
    void setLaneVisible(int lane, bool visible);
    bool isLaneVisible(int lane) const;

    // A whole series at once, steps in time order.
    void setSteps(int lane, const QVector<Step> &steps);
    const QVector<Step> &steps(int lane) const;
    // Where the data ends: every lane's last value holds to here. By default the latest step or
    // sample of any lane.
    void setEndMs(qint64 endMs);
    qint64 endMs() const;
    // Where the data starts: the earliest step of any lane (0 with none).
    qint64 startMs() const;

    // A live sample. A value equal to the lane's last one only moves the end; beyond the sample
    // limit the oldest steps go, so memory stays bounded however long it runs.
    void appendSample(int lane, qint64 timeMs, double value);
    void setSampleLimit(int stepsPerLane);
    int sampleLimit() const { return m_sampleLimit; }
    // The span the view shows while it follows the newest samples; 0 shows everything.
    void setTimeWindowMs(qint64 windowMs);
    qint64 timeWindowMs() const { return m_windowMs; }
    // True until the user zooms or pans; «Весь график» turns it on again.
    bool isFollowing() const { return m_following; }

    // A dashed line across a lane at a value (a range's bound), with its tip.
    void addLevel(int lane, double value, const QString &tip);
    int levelCount(int lane) const;
    double levelValue(int lane, int level) const;
    // A marked point on a lane (where a range is left), with its tip; a click on it emits
    // markClicked.
    void addMark(int lane, qint64 timeMs, double value, const QString &tip);
    int markCount(int lane) const;

    // The time axis's origin: given, the axis shows clock time (UTC) instead of time from 0.
    void setTimeOrigin(const QDateTime &origin);
    void setTipSource(TipSource source);

    // The time span on show.
    void setVisibleRange(double fromMs, double toMs);
    double visibleFromMs() const { return m_fromMs; }
    double visibleToMs() const { return m_toMs; }
    // «Весь график»: everything, or the time window when one is set; follows the newest again.
    void showAll();
    // Zooms the time axis by factor (above 1 closer) keeping the time at ms where it is.
    void zoomAt(double ms, double factor);

    // Cursors, each a time or none.
    void setCursorAt(Cursor cursor, std::optional<double> ms);
    std::optional<double> cursorAt(Cursor cursor) const;
    void clearCursors();
    // The cursors' times and their difference as the chart shows them; empty without cursors.
    QString cursorText() const;
    // A lane's values at the cursors and their difference, as its name row shows them.
    QString laneCursorText(int lane) const;

    // The value in force on a lane at a time: none before its first step or in a gap.
    std::optional<double> valueAt(int lane, double ms) const;
    // The step in force on a lane at a time, or -1 before its first.
    int stepAt(int lane, double ms) const;

    // Geometry, in the chart's own coordinates: a lane's plot (empty when hidden), its name row,
    // the widget point of a time and value on a lane, and the time at an x.
    QRect plotRect(int lane) const;
    QRect nameRect(int lane) const;
    QPoint pointOf(int lane, double ms, double value) const;
    double timeAt(int x) const;
    // The tip on show, or empty.
    QString tipText() const { return m_tipText; }
    // The points a lane is drawn with at the present size, thinned per pixel column, in ms and
    // value.
    QVector<QPointF> drawnPoints(int lane) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A click on a lane's plot: the step in force there (-1 before the first) and the time.
    void stepClicked(int lane, int step, double ms);
    // A click on a mark: its index among the lane's marks.
    void markClicked(int lane, int mark);
    void laneVisibilityChanged(int lane, bool visible);
    void visibleRangeChanged(double fromMs, double toMs);
    void cursorsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Level
    {
        double value;
        QString tip;
    };
    struct Mark
    {
        qint64 timeMs;
        double value;
        QString tip;
    };
    struct Lane
    {
        QString name;
        QString unit;
        QColor color;
        bool visible = true;
        QVector<Step> steps;
        QVector<Level> levels;
        QVector<Mark> marks;
    };

    struct Layout
    {
        QRect header;
        QRect timeAxis;
        int plotLeft = 0;
        int plotRight = 0;
        QVector<QRect> names;
        QVector<QRect> plots;
        // Per lane, the value span its axis shows.
        QVector<double> lows;
        QVector<double> highs;
    };

    const Layout &layoutNow() const;
    // The lane's value span, bounds and marks included, widened a little so lines stay off the
    // edges.
    void valueRange(int lane, double &low, double &high) const;
    double yOf(int lane, double value) const;
    double xOf(double ms) const;
    int laneAtY(int y) const;
    int markNear(int lane, const QPoint &pos) const;
    int cursorNear(int x) const;
    double snappedTime(int x) const;
    void follow();
    void setRange(double fromMs, double toMs, bool byUser);
    void showTip();
    void hideTip();
    QString defaultTip(int lane, int step, double ms) const;
    QString timeText(double ms) const;
    QString valueText(int lane, double value) const;
    void paintTimeAxis(QPainter &painter, const Layout &layout) const;
    void paintLane(QPainter &painter, const Layout &layout, int lane) const;
    void paintTip(QPainter &painter) const;

    QVector<Lane> m_lanes;
    qint64 m_endMs = 0;
    bool m_endGiven = false;
    int m_sampleLimit = 200000;
    qint64 m_windowMs = 0;
    bool m_following = true;
    double m_fromMs = 0;
    double m_toMs = 1;
    std::optional<double> m_cursors[2];
    QDateTime m_origin;
    TipSource m_tipSource;

    mutable Layout m_layout;
    mutable bool m_layoutValid = false;
    QToolButton *m_showAll = nullptr;

    // Mouse: a press becomes a pan or a cursor drag once it moves; else a click on release.
    QPoint m_pressPos;
    double m_pressFromMs = 0;
    double m_pressToMs = 0;
    bool m_panning = false;
    int m_draggedCursor = -1;
    bool m_pressed = false;

    QTimer m_restTimer;
    QPoint m_restPos;
    QPoint m_tipPos;
    QString m_tipText;
};
