#include "steppoints.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr int KeptPerColumn = 4;

// The first step after ms.
int firstAfter(const QVector<LaneStep> &steps, double ms)
{
    const auto after = std::upper_bound(steps.cbegin(), steps.cend(), ms,
                                        [](double t, const LaneStep &s) { return t < s.timeMs; });
    return int(after - steps.cbegin());
}

// The steps worth drawing in [begin, end): all of them, or per column the first, last, lowest,
// highest and first gap.
QVector<int> drawnSteps(const QVector<LaneStep> &steps, int begin, int end, double fromMs,
                        double toMs, int columns)
{
    QVector<int> kept;
    if (columns <= 0 || !(toMs > fromMs) || end - begin <= KeptPerColumn * columns) {
        kept.reserve(end - begin);
        for (int i = begin; i < end; ++i)
            kept.append(i);
        return kept;
    }
    kept.reserve((KeptPerColumn + 1) * columns);
    int column = -1;
    int picks[KeptPerColumn + 1];
    const auto flush = [&] {
        if (column < 0)
            return;
        std::sort(std::begin(picks), std::end(picks));
        for (int i = 0; i <= KeptPerColumn; ++i) {
            if (picks[i] >= 0 && (i == 0 || picks[i] != picks[i - 1]))
                kept.append(picks[i]);
        }
    };
    const double perColumn = (toMs - fromMs) / columns;
    for (int i = begin; i < end; ++i) {
        const LaneStep &s = steps.at(i);
        const int at = qBound(0, int((double(s.timeMs) - fromMs) / perColumn), columns - 1);
        if (at != column) {
            flush();
            column = at;
            picks[0] = picks[1] = picks[2] = picks[3] = i;
            picks[4] = std::isnan(s.value) ? i : -1;
        }
        picks[1] = i;
        if (std::isnan(s.value)) {
            if (picks[4] < 0)
                picks[4] = i;
            continue;
        }
        // A gap that opened the column is no value to compare with.
        if (std::isnan(steps.at(picks[2]).value) || s.value < steps.at(picks[2]).value)
            picks[2] = i;
        if (std::isnan(steps.at(picks[3]).value) || s.value > steps.at(picks[3]).value)
            picks[3] = i;
    }
    flush();
    return kept;
}

} // namespace

QVector<QPointF> stepPoints(const QVector<LaneStep> &steps, double fromMs, double toMs,
                            qint64 endMs, int columns)
{
    QVector<QPointF> points;
    const double last = qMin(toMs, double(endMs));
    if (steps.isEmpty() || !(toMs > fromMs) || last < fromMs)
        return points;
    // The step in force at fromMs, then every change up to the end on show.
    const int inForce = firstAfter(steps, fromMs) - 1;
    const int begin = inForce >= 0 ? inForce + 1 : 0;
    const int end = firstAfter(steps, last);
    const QVector<int> drawn = drawnSteps(steps, begin, end, fromMs, toMs, columns);
    points.reserve(2 * drawn.size() + 2);
    double value = 0;
    if (inForce >= 0) {
        value = steps.at(inForce).value;
        points.append({fromMs, value});
    }
    for (const int i : drawn) {
        const LaneStep &s = steps.at(i);
        const double x = double(s.timeMs);
        if (!points.isEmpty())
            points.append({x, value});
        value = s.value;
        points.append({x, value});
    }
    if (!points.isEmpty() && last > points.constLast().x())
        points.append({last, value});
    return points;
}
