#pragma once

// Colours, pens, shapes and the parts several icons share, all on the 128 x 128 design grid.

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRectF>

namespace IconGen {

// Shared palette.
inline const QColor kInk(0x23, 0x31, 0x3d);       // outlines and dark parts
inline const QColor kPaper(0xff, 0xff, 0xff);     // pages, labels
inline const QColor kLight(0xdf, 0xe6, 0xeb);     // device bodies
inline const QColor kMid(0x98, 0xa8, 0xb4);       // metal, secondary lines
inline const QColor kScreen(0x2e, 0x3d, 0x49);    // displays, console screens
inline const QColor kBlue(0x1e, 0x7f, 0xd8);      // main accent
inline const QColor kBlueDark(0x15, 0x5e, 0xa8);  // shading for the blue accent
inline const QColor kGreen(0x2e, 0xa0, 0x43);     // go / connected / add
inline const QColor kGreenLit(0x5c, 0xe0, 0x6a);  // lit segments and prompts
inline const QColor kRed(0xe0, 0x3a, 0x32);       // stop / disconnected / erase
inline const QColor kAmber(0xff, 0xb3, 0x1a);     // folders, pencils, gears
inline const QColor kAmberDark(0xe0, 0x8a, 0x00); // shading for amber
inline constexpr qreal kStroke = 7.0;             // outline width on the 128 grid

QPen inkPen(qreal width = kStroke);

QPen colourPen(const QColor &colour, qreal width);

void outlined(QPainter &p, const QPainterPath &path, const QColor &fill, qreal width = kStroke);

QPainterPath roundRect(const QRectF &r, qreal radius);

QPainterPath circle(QPointF centre, qreal radius);

// A bold arrow from tail to tip, as a closed outline.
QPainterPath arrowPath(QPointF tail, QPointF tip, qreal shaft, qreal head, qreal headLength);

void drawArrow(QPainter &p, QPointF tail, QPointF tip, const QColor &fill);

// A page with a folded top-right corner.
void drawPage(QPainter &p, const QRectF &r, bool withLines);

// The round plus badge used for "new".
void drawPlusBadge(QPainter &p, QPointF centre, qreal radius);

// A small instrument box with a display and two output terminals.
void drawDeviceBox(QPainter &p, const QRectF &r);

// A diskette. The design box is (0,0)-(128,128); the caller positions it.
void drawDisk(QPainter &p, const QRectF &r);

// A pencil lying from tip (bottom left) towards the top right.
void drawPencil(QPainter &p, QPointF tip, qreal angleDeg, qreal length, qreal width);

// A cog wheel.
void drawGear(QPainter &p, QPointF centre, qreal outer, qreal inner, int teeth, const QColor &fill);

// Seven-segment digit. Segment bits: a b c d e f g.
void drawDigit(QPainter &p, const QRectF &cell, int digit, const QColor &on);

} // namespace IconGen
