#include "steppoints.h"

#include <algorithm>

namespace {

constexpr int KeptPerColumn = 4;

// The rows worth drawing: all of them, or per column the first, last, lowest and highest.
QVector<int> drawnRows(const RunTrace &trace, const QVector<int> &rows, qint64 endMs, int columns)
{
    if (columns <= 0 || endMs <= 0 || rows.size() <= KeptPerColumn * columns)
        return rows;
    QVector<int> kept;
    kept.reserve(KeptPerColumn * columns);
    int column = -1;
    int first = -1;
    int last = -1;
    int lowest = -1;
    int highest = -1;
    const auto flush = [&] {
        if (column < 0)
            return;
        int picks[] = {first, last, lowest, highest};
        std::sort(std::begin(picks), std::end(picks));
        for (int i = 0; i < KeptPerColumn; ++i) {
            if (i == 0 || picks[i] != picks[i - 1])
                kept.append(picks[i]);
        }
    };
    for (const int row : rows) {
        const RunTraceRow &r = trace.at(row);
        const int at = int(qMin<qint64>(columns - 1, r.timeMs * columns / endMs));
        if (at != column) {
            flush();
            column = at;
            first = lowest = highest = row;
        }
        last = row;
        if (r.value < trace.at(lowest).value)
            lowest = row;
        if (r.value > trace.at(highest).value)
            highest = row;
    }
    flush();
    return kept;
}

} // namespace

QVector<QPointF> stepPoints(const RunTrace &trace, const QVector<int> &rows, qint32 startValue,
                            qint64 endMs, double msPerUnit, int columns)
{
    const QVector<int> drawn = drawnRows(trace, rows, endMs, columns);
    QVector<QPointF> points;
    points.reserve(2 * drawn.size() + 2);
    double value = startValue;
    points.append({0.0, value});
    for (const int row : drawn) {
        const RunTraceRow &r = trace.at(row);
        const double x = double(r.timeMs) / msPerUnit;
        points.append({x, value});
        value = r.value;
        points.append({x, value});
    }
    points.append({double(endMs) / msPerUnit, value});
    return points;
}
