#pragma once

#include "programrun.h"

#include <QPointF>
#include <QVector>

// The points of one operand's step line over a run: its starting value from time 0, a vertical
// step at each change, flat to the end time. x is in ms divided by msPerUnit.
//
// A long trace is thinned for drawing: with more changes than four per column, each of `columns`
// equal slices of the time axis keeps only its first, last, lowest and highest change, which is
// all a pixel column can show.
QVector<QPointF> stepPoints(const RunTrace &trace, const QVector<int> &rows, qint32 startValue,
                            qint64 endMs, double msPerUnit, int columns);
