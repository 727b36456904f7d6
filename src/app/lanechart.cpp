#include "lanechart.h"

#include "programrun.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int RestMs = 400;
// The pointer may tremble this far without the tip going.
constexpr int TipSlack = 4;
constexpr int NearPixels = 5;
constexpr int LeastPlotHeight = 22;
constexpr int SideMargin = 6;
constexpr int TickLength = 4;
constexpr double ValueMargin = 0.08;
constexpr double WheelStep = 1.25;
constexpr double LeastSpanMs = 1;
constexpr int LeastColumnsPerLabel = 50;

const QColor LaneColors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                             QColor(0x2c, 0xa0, 0x2c), QColor(0x94, 0x67, 0xbd),
                             QColor(0xff, 0x7f, 0x0e), QColor(0x8c, 0x56, 0x4b),
                             QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf),
                             QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22)};
const QColor CursorColors[] = {QColor(0x00, 0x60, 0xc0), QColor(0xb0, 0x00, 0x80)};

// 1, 2 or 5 times a power of ten, about span / count.
double niceStep(double span, int count)
{
    const double rough = span / qMax(1, count);
    if (!(rough > 0) || !std::isfinite(rough))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (power * factor >= rough)
            return power * factor;
    }
    return power * 10;
}

// Digits after the point that a tick step needs.
int decimalsFor(double step)
{
    return qBound(0, int(std::ceil(-std::log10(step) - 1e-9)), 9);
}

struct TimeUnit
{
    double ms;
    const char *name;
};

// The largest unit in which the span still covers at least two of them.
TimeUnit unitFor(double spanMs)
{
    if (spanMs >= 2 * 3600.0 * 1000)
        return {3600.0 * 1000, QT_TRANSLATE_NOOP("LaneChart", "ч")};
    if (spanMs >= 2 * 60.0 * 1000)
        return {60.0 * 1000, QT_TRANSLATE_NOOP("LaneChart", "мин")};
    if (spanMs >= 2 * 1000.0)
        return {1000.0, QT_TRANSLATE_NOOP("LaneChart", "с")};
    return {1.0, QT_TRANSLATE_NOOP("LaneChart", "мс")};
}

bool sameValue(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

} // namespace

LaneChart::LaneChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("laneChart"));
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_showAll = new QToolButton(this);
    m_showAll->setObjectName(QStringLiteral("laneChartShowAll"));
    m_showAll->setText(tr("Весь график"));
    m_showAll->setAutoRaise(true);
    m_showAll->setToolTip(tr("Показать всё время (или окно времени) и следовать за новыми "
                             "значениями; то же — двойной щелчок по графику"));
    connect(m_showAll, &QToolButton::clicked, this, &LaneChart::showAll);
    m_restTimer.setSingleShot(true);
    m_restTimer.setInterval(RestMs);
    connect(&m_restTimer, &QTimer::timeout, this, &LaneChart::showTip);
}

LaneChart::~LaneChart() = default;

int LaneChart::addLane(const QString &name, const QString &unit)
{
    Lane lane;
    lane.name = name;
    lane.unit = unit;
    lane.color = LaneColors[m_lanes.size() % int(std::size(LaneColors))];
    m_lanes.append(lane);
    m_layoutValid = false;
    update();
    return m_lanes.size() - 1;
}

void LaneChart::clear()
{
    m_lanes.clear();
    m_endMs = 0;
    m_endGiven = false;
    m_cursors[0].reset();
    m_cursors[1].reset();
    hideTip();
    m_following = true;
    m_layoutValid = false;
    follow();
    emit cursorsChanged();
}

int LaneChart::laneOf(const QString &name) const
{
    for (int i = 0; i < m_lanes.size(); ++i) {
        if (m_lanes.at(i).name == name)
            return i;
    }
    return -1;
}

QString LaneChart::laneName(int lane) const
{
    return m_lanes.value(lane).name;
}

QString LaneChart::laneUnit(int lane) const
{
    return m_lanes.value(lane).unit;
}

QColor LaneChart::laneColor(int lane) const
{
    return m_lanes.value(lane).color;
}

void LaneChart::setLaneColor(int lane, const QColor &color)
{
    if (lane < 0 || lane >= m_lanes.size())
        return;
    m_lanes[lane].color = color;
    update();
}

void LaneChart::setLaneVisible(int lane, bool visible)
{
    if (lane < 0 || lane >= m_lanes.size() || m_lanes.at(lane).visible == visible)
        return;
    m_lanes[lane].visible = visible;
    m_layoutValid = false;
    hideTip();
    update();
    emit laneVisibilityChanged(lane, visible);
}

bool LaneChart::isLaneVisible(int lane) const
{
    return lane >= 0 && lane < m_lanes.size() && m_lanes.at(lane).visible;
}

void LaneChart::setSteps(int lane, const QVector<Step> &steps)
{
    if (lane < 0 || lane >= m_lanes.size())
        return;
    m_lanes[lane].steps = steps;
    if (!m_endGiven && !steps.isEmpty())
        m_endMs = qMax(m_endMs, steps.constLast().timeMs);
    m_layoutValid = false;
    follow();
}

const QVector<LaneChart::Step> &LaneChart::steps(int lane) const
{
    static const QVector<Step> none;
    return lane >= 0 && lane < m_lanes.size() ? m_lanes.at(lane).steps : none;
}

void LaneChart::setEndMs(qint64 endMs)
{
    m_endMs = endMs;
    m_endGiven = true;
    follow();
}

qint64 LaneChart::endMs() const
{
    return m_endMs;
}

qint64 LaneChart::startMs() const
{
    bool any = false;
    qint64 start = 0;
    for (const Lane &lane : m_lanes) {
        if (lane.steps.isEmpty())
            continue;
        start = any ? qMin(start, lane.steps.constFirst().timeMs) : lane.steps.constFirst().timeMs;
        any = true;
    }
    return start;
}

void LaneChart::appendSample(int lane, qint64 timeMs, double value)
{
    if (lane < 0 || lane >= m_lanes.size())
        return;
    QVector<Step> &steps = m_lanes[lane].steps;
    // A sample out of order would break the time order every search relies on.
    if (!steps.isEmpty() && timeMs < steps.constLast().timeMs)
        return;
    if (steps.isEmpty() || !sameValue(steps.constLast().value, value)) {
        steps.append({timeMs, value});
        if (steps.size() > m_sampleLimit) {
            // A quarter at a time, so that a long run does not shift the buffer on every sample.
            steps.remove(0, steps.size() - m_sampleLimit * 3 / 4);
        }
        m_layoutValid = false;
    }
    m_endMs = qMax(m_endMs, timeMs);
    follow();
}

void LaneChart::setSampleLimit(int stepsPerLane)
{
    m_sampleLimit = qMax(4, stepsPerLane);
    for (Lane &lane : m_lanes) {
        if (lane.steps.size() > m_sampleLimit)
            lane.steps.remove(0, lane.steps.size() - m_sampleLimit);
    }
    m_layoutValid = false;
    follow();
}

void LaneChart::setTimeWindowMs(qint64 windowMs)
{
    m_windowMs = qMax<qint64>(0, windowMs);
    m_following = true;
    follow();
}

void LaneChart::addLevel(int lane, double value, const QString &tip)
{
    if (lane < 0 || lane >= m_lanes.size())
        return;
    m_lanes[lane].levels.append({value, tip});
    m_layoutValid = false;
    update();
}

int LaneChart::levelCount(int lane) const
{
    return m_lanes.value(lane).levels.size();
}

double LaneChart::levelValue(int lane, int level) const
{
    return m_lanes.value(lane).levels.value(level).value;
}

void LaneChart::addMark(int lane, qint64 timeMs, double value, const QString &tip)
{
    if (lane < 0 || lane >= m_lanes.size())
        return;
    m_lanes[lane].marks.append({timeMs, value, tip});
    m_layoutValid = false;
    update();
}

int LaneChart::markCount(int lane) const
{
    return m_lanes.value(lane).marks.size();
}

void LaneChart::setTimeOrigin(const QDateTime &origin)
{
    m_origin = origin.toUTC();
    m_layoutValid = false;
    update();
}

void LaneChart::setTipSource(TipSource source)
{
    m_tipSource = std::move(source);
}

void LaneChart::setVisibleRange(double fromMs, double toMs)
{
    setRange(fromMs, toMs, true);
}

void LaneChart::showAll()
{
    m_following = true;
    follow();
}

void LaneChart::zoomAt(double ms, double factor)
{
    if (!(factor > 0))
        return;
    const double from = ms - (ms - m_fromMs) / factor;
    const double to = ms + (m_toMs - ms) / factor;
    setRange(from, to, true);
}

void LaneChart::follow()
{
    if (!m_following) {
        update();
        return;
    }
    const double start = double(startMs());
    const double end = double(qMax(m_endMs, startMs()));
    if (m_windowMs > 0) {
        // Short of a window's worth, the data grows into the window from its left.
        if (end - start < double(m_windowMs))
            setRange(start, start + double(m_windowMs), false);
        else
            setRange(end - double(m_windowMs), end, false);
        return;
    }
    setRange(start, qMax(end, start + LeastSpanMs), false);
}

void LaneChart::setRange(double fromMs, double toMs, bool byUser)
{
    if (!(toMs > fromMs) || !std::isfinite(fromMs) || !std::isfinite(toMs))
        return;
    if (byUser) {
        // Never out past everything there is (or the window), never closer than a ms.
        const double start = double(startMs());
        const double end = qMax(double(m_endMs), start + LeastSpanMs);
        const double most = qMax(end - start, double(m_windowMs));
        double span = qBound(LeastSpanMs, toMs - fromMs, most);
        fromMs = qBound(start, fromMs, qMax(start, end - span));
        toMs = fromMs + span;
        m_following = false;
    }
    hideTip();
    if (fromMs == m_fromMs && toMs == m_toMs) {
        update();
        return;
    }
    m_fromMs = fromMs;
    m_toMs = toMs;
    m_layoutValid = false;
    update();
    emit visibleRangeChanged(m_fromMs, m_toMs);
}

void LaneChart::setCursorAt(Cursor cursor, std::optional<double> ms)
{
    if (ms)
        ms = std::round(*ms);
    if (m_cursors[cursor] == ms)
        return;
    m_cursors[cursor] = ms;
    update();
    emit cursorsChanged();
}

std::optional<double> LaneChart::cursorAt(Cursor cursor) const
{
    return m_cursors[cursor];
}

void LaneChart::clearCursors()
{
    if (!m_cursors[0] && !m_cursors[1])
        return;
    m_cursors[0].reset();
    m_cursors[1].reset();
    update();
    emit cursorsChanged();
}

QString LaneChart::timeText(double ms) const
{
    if (m_origin.isValid()) {
        return m_origin.addMSecs(qint64(std::llround(ms))).toString(QStringLiteral("HH:mm:ss.zzz"));
    }
    const qint64 whole = qint64(std::llround(ms));
    return whole < 0 ? QStringLiteral("−") + ProgramRun::durationText(-whole)
                     : ProgramRun::durationText(whole);
}

QString LaneChart::valueText(int lane, double value) const
{
    if (std::isnan(value))
        return tr("нет");
    // The decimal point of the interface's language, as everywhere else in the window.
    QString text = QLocale(tr("ru")).toString(value, 'g', 10);
    text.replace(QLatin1Char('-'), QStringLiteral("−"));
    const QString unit = laneUnit(lane);
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

QString LaneChart::cursorText() const
{
    QStringList parts;
    if (m_cursors[0])
        parts << tr("A: %1").arg(timeText(*m_cursors[0]));
    if (m_cursors[1])
        parts << tr("B: %1").arg(timeText(*m_cursors[1]));
    if (m_cursors[0] && m_cursors[1]) {
        const qint64 delta = qint64(std::llround(*m_cursors[1] - *m_cursors[0]));
        parts << tr("B−A: %1").arg(delta < 0
                                       ? QStringLiteral("−") + ProgramRun::durationText(-delta)
                                       : ProgramRun::durationText(delta));
    }
    return parts.join(QStringLiteral("   "));
}

QString LaneChart::laneCursorText(int lane) const
{
    if (lane < 0 || lane >= m_lanes.size())
        return QString();
    const auto at = [&](int cursor) {
        const std::optional<double> value = valueAt(lane, *m_cursors[cursor]);
        return value ? valueText(lane, *value) : tr("нет");
    };
    if (m_cursors[0] && m_cursors[1]) {
        const std::optional<double> a = valueAt(lane, *m_cursors[0]);
        const std::optional<double> b = valueAt(lane, *m_cursors[1]);
        QString text = tr("%1 → %2").arg(at(0), at(1));
        if (a && b && !std::isnan(*a) && !std::isnan(*b))
            text += tr(" (Δ %1)").arg(valueText(lane, *b - *a));
        return text;
    }
    if (m_cursors[0])
        return at(0);
    if (m_cursors[1])
        return at(1);
    return QString();
}

int LaneChart::stepAt(int lane, double ms) const
{
    const QVector<Step> &s = steps(lane);
    const auto after = std::upper_bound(s.cbegin(), s.cend(), ms,
                                        [](double t, const Step &step) { return t < step.timeMs; });
    return int(after - s.cbegin()) - 1;
}

std::optional<double> LaneChart::valueAt(int lane, double ms) const
{
    const int step = stepAt(lane, ms);
    if (step < 0 || ms > double(m_endMs))
        return std::nullopt;
    const double value = steps(lane).at(step).value;
    if (std::isnan(value))
        return std::nullopt;
    return value;
}

void LaneChart::valueRange(int lane, double &low, double &high) const
{
    const Lane &l = m_lanes.at(lane);
    bool any = false;
    const auto take = [&](double v) {
        if (std::isnan(v))
            return;
        low = any ? qMin(low, v) : v;
        high = any ? qMax(high, v) : v;
        any = true;
    };
    for (const Step &s : l.steps)
        take(s.value);
    for (const Level &level : l.levels)
        take(level.value);
    for (const Mark &mark : l.marks)
        take(mark.value);
    if (!any) {
        low = 0;
        high = 1;
    }
    if (high == low) {
        // A flat line sits in the middle of its lane, its value on both sides.
        low -= 1;
        high += 1;
        return;
    }
    const double margin = (high - low) * ValueMargin;
    low -= margin;
    high += margin;
}

const LaneChart::Layout &LaneChart::layoutNow() const
{
    if (m_layoutValid)
        return m_layout;
    Layout &lay = m_layout;
    const QFontMetrics fm = fontMetrics();
    const int line = fm.height();
    const int header = qMax(line + 4, m_showAll->sizeHint().height());
    lay.header = QRect(0, 0, width(), header);
    const int axis = line + TickLength + 4;
    lay.timeAxis = QRect(0, height() - axis, width(), axis);
    // The value labels' gutter: as wide as the widest label of any lane, and no wider.
    int gutter = fm.horizontalAdvance(QStringLiteral("0000"));
    lay.lows.fill(0, m_lanes.size());
    lay.highs.fill(1, m_lanes.size());
    for (int i = 0; i < m_lanes.size(); ++i) {
        double &low = lay.lows[i];
        double &high = lay.highs[i];
        valueRange(i, low, high);
        if (!m_lanes.at(i).visible)
            continue;
        for (const double v : {low, high, (low + high) / 2}) {
            const double step = niceStep(high - low, 4);
            const double rounded = std::round(v / step) * step;
            QString text = QLocale(tr("ru")).toString(rounded, 'f', decimalsFor(step));
            gutter = qMax(gutter, fm.horizontalAdvance(text));
        }
    }
    lay.plotLeft = gutter + TickLength + SideMargin;
    lay.plotRight = width() - SideMargin - fm.horizontalAdvance(QStringLiteral("00")) / 2;
    lay.names.fill(QRect(), m_lanes.size());
    lay.plots.fill(QRect(), m_lanes.size());
    const int nameHeight = line + 2;
    int shown = 0;
    for (const Lane &l : m_lanes)
        shown += l.visible ? 1 : 0;
    const int room = lay.timeAxis.top() - lay.header.bottom() - 1 - nameHeight * m_lanes.size();
    const int plotHeight = shown ? qMax(LeastPlotHeight, room / shown) : 0;
    int y = lay.header.bottom() + 1;
    for (int i = 0; i < m_lanes.size(); ++i) {
        lay.names[i] = QRect(0, y, width(), nameHeight);
        y += nameHeight;
        if (m_lanes.at(i).visible) {
            lay.plots[i] = QRect(lay.plotLeft, y, lay.plotRight - lay.plotLeft, plotHeight - 2);
            y += plotHeight;
        }
    }
    m_layoutValid = true;
    return lay;
}

QRect LaneChart::plotRect(int lane) const
{
    return layoutNow().plots.value(lane);
}

QRect LaneChart::nameRect(int lane) const
{
    return layoutNow().names.value(lane);
}

double LaneChart::xOf(double ms) const
{
    const Layout &lay = layoutNow();
    return lay.plotLeft + (ms - m_fromMs) / (m_toMs - m_fromMs) * (lay.plotRight - lay.plotLeft);
}

double LaneChart::timeAt(int x) const
{
    const Layout &lay = layoutNow();
    const int width = qMax(1, lay.plotRight - lay.plotLeft);
    return m_fromMs + double(x - lay.plotLeft) / width * (m_toMs - m_fromMs);
}

double LaneChart::yOf(int lane, double value) const
{
    const Layout &lay = layoutNow();
    const QRect plot = lay.plots.value(lane);
    const double low = lay.lows.value(lane);
    const double high = lay.highs.value(lane, 1);
    return plot.bottom() - (value - low) / (high - low) * (plot.height() - 1);
}

QPoint LaneChart::pointOf(int lane, double ms, double value) const
{
    return QPoint(int(std::lround(xOf(ms))), int(std::lround(yOf(lane, value))));
}

int LaneChart::laneAtY(int y) const
{
    const Layout &lay = layoutNow();
    for (int i = 0; i < m_lanes.size(); ++i) {
        if (y >= lay.names.at(i).top() &&
            (y <= lay.names.at(i).bottom() ||
             (lay.plots.at(i).isValid() && y <= lay.plots.at(i).bottom() + 1)))
            return i;
    }
    return -1;
}

int LaneChart::markNear(int lane, const QPoint &pos) const
{
    if (!isLaneVisible(lane))
        return -1;
    const QVector<Mark> &marks = m_lanes.at(lane).marks;
    for (int i = 0; i < marks.size(); ++i) {
        const QPoint at = pointOf(lane, double(marks.at(i).timeMs), marks.at(i).value);
        if ((at - pos).manhattanLength() <= 2 * NearPixels)
            return i;
    }
    return -1;
}

double LaneChart::snappedTime(int x) const
{
    // A cursor put near a change sits on it, so that its time is the change's own.
    const double ms = timeAt(x);
    double best = ms;
    double bestDistance = NearPixels + 0.5;
    for (int lane = 0; lane < m_lanes.size(); ++lane) {
        if (!m_lanes.at(lane).visible)
            continue;
        const QVector<Step> &s = m_lanes.at(lane).steps;
        const int after = stepAt(lane, ms) + 1;
        for (const int i : {after - 1, after}) {
            if (i < 0 || i >= s.size())
                continue;
            const double distance = std::abs(xOf(double(s.at(i).timeMs)) - x);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = double(s.at(i).timeMs);
            }
        }
    }
    return best;
}

int LaneChart::cursorNear(int x) const
{
    for (int c = 0; c < 2; ++c) {
        if (m_cursors[c] && std::abs(xOf(*m_cursors[c]) - x) <= NearPixels)
            return c;
    }
    return -1;
}

QVector<QPointF> LaneChart::drawnPoints(int lane) const
{
    const QRect plot = plotRect(lane);
    if (plot.isEmpty())
        return {};
    return stepPoints(steps(lane), m_fromMs, m_toMs, m_endMs, plot.width());
}

QSize LaneChart::sizeHint() const
{
    return QSize(480, 90 + 70 * qMax(1, laneCount()));
}

QSize LaneChart::minimumSizeHint() const
{
    const int line = fontMetrics().height();
    int height = 2 * line + 12;
    for (const Lane &l : m_lanes)
        height += line + 2 + (l.visible ? LeastPlotHeight : 0);
    return QSize(200, height);
}

QString LaneChart::defaultTip(int lane, int step, double ms) const
{
    const std::optional<double> value = valueAt(lane, ms);
    const QString shown = value ? valueText(lane, *value) : tr("нет данных");
    QString text = tr("%1 = %2").arg(laneName(lane), shown);
    if (step >= 0)
        text += QLatin1Char('\n') +
                tr("начиная с %1").arg(timeText(double(steps(lane).at(step).timeMs)));
    return text;
}

void LaneChart::showTip()
{
    const QPoint pos = m_restPos;
    const int lane = laneAtY(pos.y());
    const Layout &lay = layoutNow();
    QString text;
    if (lane >= 0 && lay.plots.at(lane).isValid() && lay.plots.at(lane).contains(pos)) {
        const int mark = markNear(lane, pos);
        const double ms = timeAt(pos.x());
        if (mark >= 0) {
            text = m_lanes.at(lane).marks.at(mark).tip;
        } else if (ms <= double(m_endMs)) {
            const int step = stepAt(lane, ms);
            if (m_tipSource)
                text = m_tipSource(lane, step, ms);
            if (text.isEmpty())
                text = defaultTip(lane, step, ms);
        }
    } else if (lane >= 0 && lay.names.at(lane).contains(pos)) {
        text = isLaneVisible(lane) ? tr("Щелчок скрывает дорожку %1").arg(laneName(lane))
                                   : tr("Щелчок показывает дорожку %1").arg(laneName(lane));
    }
    if (text == m_tipText && pos == m_tipPos)
        return;
    m_tipText = text;
    m_tipPos = pos;
    update();
}

void LaneChart::hideTip()
{
    m_restTimer.stop();
    if (m_tipText.isEmpty())
        return;
    m_tipText.clear();
    update();
}

void LaneChart::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_layoutValid = false;
    const Layout &lay = layoutNow();
    const QSize button = m_showAll->sizeHint();
    m_showAll->setGeometry(width() - button.width() - 2, lay.header.top() + 1, button.width(),
                           qMin(button.height(), lay.header.height() - 2));
}

void LaneChart::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LanguageChange) {
        if (event->type() == QEvent::LanguageChange)
            m_showAll->setText(tr("Весь график"));
        m_layoutValid = false;
        update();
    }
}

void LaneChart::mousePressEvent(QMouseEvent *event)
{
    hideTip();
    const QPoint pos = event->pos();
    if (event->button() == Qt::RightButton) {
        if (pos.x() < layoutNow().plotLeft || pos.x() > layoutNow().plotRight)
            return;
        const double ms = snappedTime(pos.x());
        // A first, then B, then whichever lies nearer.
        Cursor which = CursorA;
        if (m_cursors[0] && !m_cursors[1])
            which = CursorB;
        else if (m_cursors[0] && m_cursors[1])
            which = std::abs(*m_cursors[1] - ms) < std::abs(*m_cursors[0] - ms) ? CursorB : CursorA;
        setCursorAt(which, ms);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_panning = false;
    m_pressPos = pos;
    m_pressFromMs = m_fromMs;
    m_pressToMs = m_toMs;
    m_draggedCursor = laneAtY(pos.y()) >= 0 ? cursorNear(pos.x()) : -1;
}

void LaneChart::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->pos();
    if (m_pressed && (event->buttons() & Qt::LeftButton)) {
        if (!m_panning && (pos - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return;
        m_panning = true;
        if (m_draggedCursor >= 0) {
            setCursorAt(Cursor(m_draggedCursor), snappedTime(pos.x()));
            return;
        }
        const Layout &lay = layoutNow();
        const double perPixel =
            (m_pressToMs - m_pressFromMs) / qMax(1, lay.plotRight - lay.plotLeft);
        const double shift = -(pos.x() - m_pressPos.x()) * perPixel;
        setRange(m_pressFromMs + shift, m_pressToMs + shift, true);
        return;
    }
    // Resting: the tip stays while the pointer does, and comes back where it settles next.
    if (!m_tipText.isEmpty() && (pos - m_tipPos).manhattanLength() > TipSlack)
        hideTip();
    if (m_tipText.isEmpty()) {
        m_restPos = pos;
        m_restTimer.start();
    }
}

void LaneChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (m_panning) {
        m_panning = false;
        m_draggedCursor = -1;
        return;
    }
    m_draggedCursor = -1;
    const QPoint pos = event->pos();
    const int lane = laneAtY(pos.y());
    if (lane < 0)
        return;
    const Layout &lay = layoutNow();
    if (lay.names.at(lane).contains(pos)) {
        setLaneVisible(lane, !isLaneVisible(lane));
        return;
    }
    if (!lay.plots.at(lane).isValid() || pos.x() < lay.plotLeft || pos.x() > lay.plotRight)
        return;
    const int mark = markNear(lane, pos);
    if (mark >= 0) {
        emit markClicked(lane, mark);
        return;
    }
    // A couple of pixels' worth of time, so that a click on a step's riser finds the step.
    const double ms = timeAt(pos.x());
    const double slack = 2 * (m_toMs - m_fromMs) / qMax(1, lay.plotRight - lay.plotLeft);
    if (ms > double(m_endMs) + slack)
        return;
    emit stepClicked(lane, stepAt(lane, ms + slack), ms);
}

void LaneChart::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && laneAtY(event->pos().y()) >= 0 &&
        !nameRect(laneAtY(event->pos().y())).contains(event->pos()))
        showAll();
}

void LaneChart::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
    const int x = int(event->position().x());
#else
    const int x = event->pos().x();
#endif
    zoomAt(timeAt(x), std::pow(WheelStep, delta / 120.0));
    event->accept();
}

void LaneChart::keyPressEvent(QKeyEvent *event)
{
    const double span = m_toMs - m_fromMs;
    const double middle = (m_fromMs + m_toMs) / 2;
    switch (event->key()) {
    case Qt::Key_Escape:
        clearCursors();
        break;
    case Qt::Key_Home:
        showAll();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomAt(middle, WheelStep);
        break;
    case Qt::Key_Minus:
        zoomAt(middle, 1 / WheelStep);
        break;
    case Qt::Key_Left:
        setRange(m_fromMs - span / 10, m_toMs - span / 10, true);
        break;
    case Qt::Key_Right:
        setRange(m_fromMs + span / 10, m_toMs + span / 10, true);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void LaneChart::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    hideTip();
}

void LaneChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const Layout &lay = layoutNow();
    // The header: the cursors' readout, or how to get them.
    const QRect readout = lay.header.adjusted(SideMargin, 0, -m_showAll->width() - 6, 0);
    QString header = cursorText();
    if (header.isEmpty()) {
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        header = tr("колесо — масштаб, перетаскивание — сдвиг, правый щелчок — курсор");
    } else {
        painter.setPen(palette().color(QPalette::Text));
    }
    painter.drawText(readout, Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(header, Qt::ElideRight, readout.width()));
    for (int i = 0; i < m_lanes.size(); ++i)
        paintLane(painter, lay, i);
    paintTimeAxis(painter, lay);
    // The cursors run across every lane.
    for (int c = 0; c < 2; ++c) {
        if (!m_cursors[c])
            continue;
        const double x = xOf(*m_cursors[c]);
        if (x < lay.plotLeft || x > lay.plotRight)
            continue;
        QPen pen(CursorColors[c]);
        pen.setWidth(1);
        painter.setPen(pen);
        const int top = lay.header.bottom() + 1;
        painter.drawLine(QPointF(x, top), QPointF(x, lay.timeAxis.top()));
        painter.drawText(QPointF(x + 2, top + fontMetrics().ascent()),
                         c == 0 ? QStringLiteral("A") : QStringLiteral("B"));
    }
    paintTip(painter);
}

void LaneChart::paintLane(QPainter &painter, const Layout &lay, int lane) const
{
    const Lane &l = m_lanes.at(lane);
    const QRect name = lay.names.at(lane);
    const QFontMetrics fm = fontMetrics();
    // The name row: a swatch, the name and unit, the values at the cursors.
    QColor swatch = l.color;
    QColor text = palette().color(QPalette::Text);
    if (!l.visible) {
        swatch.setAlphaF(0.3);
        text = palette().color(QPalette::Disabled, QPalette::Text);
    }
    const int box = fm.ascent() - 2;
    painter.fillRect(QRect(SideMargin, name.center().y() - box / 2, box, box), swatch);
    QString title = l.unit.isEmpty() ? l.name : tr("%1, %2").arg(l.name, l.unit);
    painter.setPen(text);
    const int titleLeft = SideMargin + box + 4;
    const int titleWidth = fm.horizontalAdvance(title);
    painter.drawText(QRect(titleLeft, name.top(), name.width() - titleLeft, name.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, title);
    const QString values = l.visible ? laneCursorText(lane) : QString();
    if (!values.isEmpty()) {
        const QRect room(titleLeft + titleWidth + 12, name.top(),
                         name.right() - SideMargin - (titleLeft + titleWidth + 12), name.height());
        painter.drawText(room, Qt::AlignVCenter | Qt::AlignLeft,
                         fm.elidedText(values, Qt::ElideRight, room.width()));
    }
    const QRect plot = lay.plots.at(lane);
    if (!plot.isValid())
        return;
    painter.fillRect(plot, palette().base());
    const double low = lay.lows.at(lane);
    const double high = lay.highs.at(lane);
    // Value ticks: as many as the lane's height takes, at least its two ends.
    const int count = qMax(2, plot.height() / (2 * fm.height()));
    const double step = niceStep(high - low, count);
    const QLocale locale(tr("ru"));
    QColor grid = palette().color(QPalette::Mid);
    grid.setAlpha(90);
    QRect drawnLabel;
    for (double v = std::ceil(low / step) * step; v <= high + step * 1e-9; v += step) {
        const int y = int(std::lround(yOf(lane, v)));
        painter.setPen(grid);
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawLine(plot.left() - TickLength, y, plot.left(), y);
        QString label =
            locale.toString(std::abs(v) < step * 1e-9 ? 0.0 : v, 'f', decimalsFor(step));
        label.replace(QLatin1Char('-'), QStringLiteral("−"));
        const QRect where(0, y - fm.height() / 2, plot.left() - TickLength - 2, fm.height());
        // A label that would spill out of its lane or onto the last one is left out; the grid
        // line stays.
        if (where.top() >= plot.top() - fm.height() / 2 &&
            where.bottom() <= plot.bottom() + fm.height() / 2 && !where.intersects(drawnLabel)) {
            painter.drawText(where, Qt::AlignVCenter | Qt::AlignRight, label);
            drawnLabel = where;
        }
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));

    painter.save();
    painter.setClipRect(plot);
    for (const Level &level : l.levels) {
        QPen pen(l.color);
        pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        const double y = yOf(lane, level.value);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    QPen pen(l.color);
    // A one-pixel pen takes the raster engine's fast path; a wider one strokes every segment.
    pen.setWidth(1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    const QVector<QPointF> points = drawnPoints(lane);
    QPolygonF run;
    const auto flush = [&] {
        if (run.size() > 1)
            painter.drawPolyline(run);
        run.clear();
    };
    for (const QPointF &p : points) {
        if (std::isnan(p.y())) {
            flush();
            continue;
        }
        run.append(QPointF(xOf(p.x()), yOf(lane, p.y())));
    }
    flush();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    for (const Mark &mark : l.marks)
        painter.drawEllipse(QPointF(xOf(double(mark.timeMs)), yOf(lane, mark.value)), 4, 4);
    painter.restore();
}

void LaneChart::paintTimeAxis(QPainter &painter, const Layout &lay) const
{
    const QFontMetrics fm = fontMetrics();
    const QRect axis = lay.timeAxis;
    painter.setPen(palette().color(QPalette::Text));
    painter.drawLine(lay.plotLeft, axis.top(), lay.plotRight, axis.top());
    const double span = m_toMs - m_fromMs;
    QString title;
    double unitMs = 1;
    if (m_origin.isValid()) {
        title = tr("UTC");
    } else {
        const TimeUnit unit = unitFor(span);
        unitMs = unit.ms;
        title = tr(unit.name);
    }
    const int titleWidth = fm.horizontalAdvance(title);
    const QRect titleRect(axis.right() - titleWidth - SideMargin, axis.top() + TickLength,
                          titleWidth + SideMargin, axis.height() - TickLength);
    painter.drawText(titleRect, Qt::AlignVCenter | Qt::AlignLeft, title);
    const int width = lay.plotRight - lay.plotLeft;
    // Room per label: clock times are wider than numbers.
    const int labelWidth = m_origin.isValid()
                               ? fm.horizontalAdvance(QStringLiteral("00:00:00.000")) + 12
                               : LeastColumnsPerLabel;
    const double step = niceStep(span / unitMs, qMax(1, width / labelWidth)) * unitMs;
    const QLocale locale(tr("ru"));
    const int decimals = decimalsFor(step / unitMs);
    int lastRight = std::numeric_limits<int>::min();
    for (double t = std::ceil(m_fromMs / step) * step; t <= m_toMs + step * 1e-9; t += step) {
        const int x = int(std::lround(xOf(t)));
        painter.drawLine(x, axis.top(), x, axis.top() + TickLength);
        QString label;
        if (m_origin.isValid()) {
            label = m_origin.addMSecs(qint64(std::llround(t)))
                        .toString(step < 1000 ? QStringLiteral("HH:mm:ss.zzz")
                                              : QStringLiteral("HH:mm:ss"));
        } else {
            label = locale.toString(std::abs(t) < step * 1e-9 ? 0.0 : t / unitMs, 'f', decimals);
        }
        const int w = fm.horizontalAdvance(label);
        const QRect where(x - w / 2, axis.top() + TickLength, w, axis.height() - TickLength);
        if (where.left() <= lastRight + 4 || where.right() >= titleRect.left() - 4)
            continue;
        painter.drawText(where, Qt::AlignVCenter | Qt::AlignHCenter, label);
        lastRight = where.right();
    }
}

void LaneChart::paintTip(QPainter &painter) const
{
    if (m_tipText.isEmpty())
        return;
    const QFontMetrics fm = fontMetrics();
    const QRect bound = fm.boundingRect(QRect(0, 0, width() - 8, height()),
                                        Qt::AlignLeft | Qt::TextWordWrap, m_tipText);
    QRect box(m_tipPos + QPoint(12, 12), bound.size() + QSize(10, 8));
    // Kept inside the chart, flipped to the pointer's other side where it would run out.
    if (box.right() > width() - 2)
        box.moveRight(m_tipPos.x() - 8);
    if (box.bottom() > height() - 2)
        box.moveBottom(m_tipPos.y() - 8);
    box.moveLeft(qMax(2, box.left()));
    box.moveTop(qMax(2, box.top()));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.setBrush(palette().toolTipBase());
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.drawText(box.adjusted(5, 4, -5, -4), Qt::AlignLeft | Qt::TextWordWrap, m_tipText);
}
