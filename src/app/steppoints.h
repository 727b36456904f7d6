#pragma once

#include <QPointF>
#include <QVector>
#include <QtGlobal>

// One change of a step signal: the value holds from timeMs until the next change. A NaN value is
// a gap: nothing is known from then until the next change.
struct LaneStep
{
    qint64 timeMs = 0;
    double value = 0;
};

Q_DECLARE_TYPEINFO(LaneStep, Q_PRIMITIVE_TYPE);

// The points of a step line between fromMs and toMs (x in ms, y the value): the value in force at
// fromMs, a vertical step at each change, flat to the end (endMs or toMs, whichever comes first).
// Nothing before the first change.
//
// A long stretch is thinned for drawing: with more changes on show than four per column, each of
// `columns` equal slices of the span keeps only its first, last, lowest and highest change (and
// its first gap), which is all a pixel column can show.
QVector<QPointF> stepPoints(const QVector<LaneStep> &steps, double fromMs, double toMs,
                            qint64 endMs, int columns);
