#include "drawing.h"

#include <QtMath>

#include <cmath>

namespace IconGen {

QPen inkPen(qreal width)
{
    return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPen colourPen(const QColor &colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void outlined(QPainter &p, const QPainterPath &path, const QColor &fill, qreal width)
{
    p.setPen(inkPen(width));
    p.setBrush(fill);
    p.drawPath(path);
}

QPainterPath roundRect(const QRectF &r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QPainterPath circle(QPointF centre, qreal radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

// A bold arrow from tail to tip, as a closed outline.
QPainterPath arrowPath(QPointF tail, QPointF tip, qreal shaft, qreal head, qreal headLength)
{
    const QPointF delta = tip - tail;
    const qreal length = std::hypot(delta.x(), delta.y());
    const QPointF d = delta / length;
    const QPointF n(-d.y(), d.x());
    const QPointF neck = tip - d * headLength;
    QPainterPath path;
    path.moveTo(tail + n * (shaft / 2));
    path.lineTo(neck + n * (shaft / 2));
    path.lineTo(neck + n * (head / 2));
    path.lineTo(tip);
    path.lineTo(neck - n * (head / 2));
    path.lineTo(neck - n * (shaft / 2));
    path.lineTo(tail - n * (shaft / 2));
    path.closeSubpath();
    return path;
}

void drawArrow(QPainter &p, QPointF tail, QPointF tip, const QColor &fill)
{
    outlined(p, arrowPath(tail, tip, 22, 54, 30), fill);
}

// A page with a folded top-right corner.
void drawPage(QPainter &p, const QRectF &r, bool withLines)
{
    const qreal fold = 26;
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    outlined(p, page, kPaper);

    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    corner.closeSubpath();
    outlined(p, corner, kLight);

    if (withLines) {
        p.setPen(colourPen(kMid, 7));
        const qreal left = r.left() + 16;
        qreal y = r.top() + fold + 14;
        int i = 0;
        while (y < r.bottom() - 12) {
            const qreal right = (i % 3 == 2) ? r.center().x() : r.right() - 16;
            p.drawLine(QPointF(left, y), QPointF(right, y));
            y += 16;
            ++i;
        }
    }
}

// The round plus badge used for "new".
void drawPlusBadge(QPainter &p, QPointF centre, qreal radius)
{
    outlined(p, circle(centre, radius), kGreen);
    const qreal arm = radius * 0.52;
    p.setPen(colourPen(kPaper, radius * 0.36));
    p.drawLine(centre - QPointF(arm, 0), centre + QPointF(arm, 0));
    p.drawLine(centre - QPointF(0, arm), centre + QPointF(0, arm));
}

// A small instrument box with a display and two output terminals.
void drawDeviceBox(QPainter &p, const QRectF &r)
{
    outlined(p, roundRect(r, 9), kLight);
    const qreal h = r.height();
    const QRectF display(r.left() + 12, r.top() + h * 0.27, r.width() * 0.40, h * 0.46);
    p.setPen(Qt::NoPen);
    p.setBrush(kScreen);
    p.drawRoundedRect(display, 4, 4);
    p.setPen(colourPen(kGreenLit, 6));
    const qreal y = display.center().y();
    p.drawLine(QPointF(display.left() + 9, y), QPointF(display.right() - 9, y));

    const qreal ty = r.center().y();
    const qreal tr = h * 0.17;
    outlined(p, circle(QPointF(r.right() - 48, ty), tr), kRed, 5);
    outlined(p, circle(QPointF(r.right() - 22, ty), tr), kInk, 5);
}

// A diskette. The design box is (0,0)-(128,128); the caller positions it.
void drawDisk(QPainter &p, const QRectF &r)
{
    const qreal s = r.width() / 100.0;
    const qreal cut = 14 * s;
    QPainterPath body;
    body.moveTo(r.left() + 8 * s, r.top());
    body.lineTo(r.right() - cut, r.top());
    body.lineTo(r.right(), r.top() + cut);
    body.lineTo(r.right(), r.bottom() - 8 * s);
    body.quadTo(r.right(), r.bottom(), r.right() - 8 * s, r.bottom());
    body.lineTo(r.left() + 8 * s, r.bottom());
    body.quadTo(r.left(), r.bottom(), r.left(), r.bottom() - 8 * s);
    body.lineTo(r.left(), r.top() + 8 * s);
    body.quadTo(r.left(), r.top(), r.left() + 8 * s, r.top());
    body.closeSubpath();
    outlined(p, body, kBlue);

    // Metal shutter with its window.
    const QRectF shutter(r.left() + 22 * s, r.top(), 54 * s, 32 * s);
    outlined(p, roundRect(shutter, 3 * s), kLight);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(shutter.left() + 36 * s, shutter.top() + 8 * s, 10 * s, 18 * s));

    // Label.
    const QRectF label(r.left() + 14 * s, r.top() + 52 * s, 72 * s, 48 * s);
    outlined(p, roundRect(label, 3 * s), kPaper);
    p.setPen(colourPen(kMid, 6));
    p.drawLine(QPointF(label.left() + 12 * s, label.top() + 16 * s),
               QPointF(label.right() - 12 * s, label.top() + 16 * s));
    p.drawLine(QPointF(label.left() + 12 * s, label.top() + 31 * s),
               QPointF(label.right() - 24 * s, label.top() + 31 * s));
}

// A pencil lying from tip (bottom left) towards the top right.
void drawPencil(QPainter &p, QPointF tip, qreal angleDeg, qreal length, qreal width)
{
    p.save();
    p.translate(tip);
    p.rotate(-angleDeg);
    // Drawn along +x from the tip.
    const qreal cone = width * 1.15;
    const qreal w2 = width / 2;
    QPainterPath wood;
    wood.moveTo(0, 0);
    wood.lineTo(cone, -w2);
    wood.lineTo(cone, w2);
    wood.closeSubpath();
    QPainterPath body;
    body.addRect(QRectF(cone, -w2, length - cone - width * 0.8, width));
    QPainterPath eraser;
    eraser.addRoundedRect(QRectF(length - width * 0.8, -w2, width * 0.8, width), 4, 4);

    outlined(p, eraser, kRed);
    outlined(p, body, kAmber);
    outlined(p, wood, QColor(0xf3, 0xd9, 0xb1));
    // Graphite point.
    QPainterPath lead;
    lead.moveTo(0, 0);
    lead.lineTo(cone * 0.4, -w2 * 0.4);
    lead.lineTo(cone * 0.4, w2 * 0.4);
    lead.closeSubpath();
    p.setPen(inkPen(4));
    p.setBrush(kInk);
    p.drawPath(lead);
    p.restore();
}

// A cog wheel.
void drawGear(QPainter &p, QPointF centre, qreal outer, qreal inner, int teeth, const QColor &fill)
{
    QPainterPath path;
    const int steps = teeth * 4;
    for (int i = 0; i < steps; ++i) {
        const qreal a0 = 2 * M_PI * i / steps;
        const bool high = (i % 4 == 1) || (i % 4 == 2);
        const qreal rad = high ? outer : inner;
        const QPointF pt = centre + QPointF(std::cos(a0), std::sin(a0)) * rad;
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    path.addEllipse(centre, inner * 0.42, inner * 0.42);
    path.setFillRule(Qt::OddEvenFill);
    outlined(p, path, fill, 6);
}

// Seven-segment digit. Segment bits: a b c d e f g.
void drawDigit(QPainter &p, const QRectF &cell, int digit, const QColor &on)
{
    static const int masks[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};
    const int m = masks[digit];
    const qreal l = cell.left(), r = cell.right(), t = cell.top(), b = cell.bottom();
    const qreal mid = (t + b) / 2;
    const qreal inset = 2.5;
    struct Seg
    {
        QPointF a, b;
    };
    const Seg segs[7] = {
        {{l + inset, t}, {r - inset, t}},     // a
        {{r, t + inset}, {r, mid - inset}},   // b
        {{r, mid + inset}, {r, b - inset}},   // c
        {{l + inset, b}, {r - inset, b}},     // d
        {{l, mid + inset}, {l, b - inset}},   // e
        {{l, t + inset}, {l, mid - inset}},   // f
        {{l + inset, mid}, {r - inset, mid}}, // g
    };
    p.setPen(QPen(on, 4.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 7; ++i) {
        if (m & (1 << i))
            p.drawLine(segs[i].a, segs[i].b);
    }
}

} // namespace IconGen
