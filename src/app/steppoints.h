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

#include "programrun.h"

// The points of one operand's step line over a run: its starting value from time 0, a vertical
// step at each change, flat to the end time. x is in ms divided by msPerUnit.
//
// A long trace is thinned for drawing: with more changes than four per column, each of `columns`
// equal slices of the time axis keeps only its first, last, lowest and highest change, which is
// all a pixel column can show.
QVector<QPointF> stepPoints(const RunTrace &trace, const QVector<int> &rows, qint32 startValue,
                            qint64 endMs, double msPerUnit, int columns);
