// Draws every icon of Quorvel from code and writes them as PNG files.
//
// Usage: quorvel-icongen OUTDIR [--contact SHEET.png]
//
// OUTDIR receives rec/<name>.png for the toolbar icons and quorvel.png for the
// application icon. With --contact, a sheet showing every icon at toolbar size
// and at full size on light and dark backgrounds is written as well.
//
// All icons are drawn on a 128 x 128 design grid; the 96 x 96 ones are the same
// drawing scaled down, so every icon has the same stroke weight once the toolbar
// shows them at one size.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <QTextStream>
#include <QtMath>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// Shared palette.
const QColor kInk(0x23, 0x31, 0x3d);       // outlines and dark parts
const QColor kPaper(0xff, 0xff, 0xff);     // pages, labels
const QColor kLight(0xdf, 0xe6, 0xeb);     // device bodies
const QColor kMid(0x98, 0xa8, 0xb4);       // metal, secondary lines
const QColor kScreen(0x2e, 0x3d, 0x49);    // displays, console screens
const QColor kBlue(0x1e, 0x7f, 0xd8);      // main accent
const QColor kBlueDark(0x15, 0x5e, 0xa8);  // shading for the blue accent
const QColor kGreen(0x2e, 0xa0, 0x43);     // go / connected / add
const QColor kGreenLit(0x5c, 0xe0, 0x6a);  // lit segments and prompts
const QColor kRed(0xe0, 0x3a, 0x32);       // stop / disconnected / erase
const QColor kAmber(0xff, 0xb3, 0x1a);     // folders, pencils, gears
const QColor kAmberDark(0xe0, 0x8a, 0x00); // shading for amber

const qreal kStroke = 7.0; // outline width on the 128 grid

QPen inkPen(qreal width = kStroke)
{
    return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPen colourPen(const QColor &colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void outlined(QPainter &p, const QPainterPath &path, const QColor &fill, qreal width = kStroke)
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

// ---------------------------------------------------------------- icons

// The connector icons are drawn along +x in a frame turned 45 degrees about
// the centre, so the cable runs from the bottom left to the top right.
void beginConnectorFrame(QPainter &p)
{
    p.save();
    p.translate(64, 64);
    p.rotate(-45);
}

void connectorCable(QPainter &p, qreal fromX, qreal toX)
{
    p.setPen(colourPen(kInk, 12));
    p.drawLine(QPointF(fromX, 0), QPointF(toX, 0));
}

void socketBlock(QPainter &p, qreal left, qreal right, bool showHoles)
{
    QPainterPath body;
    // Square at the front face, rounded at the back.
    body.moveTo(left, -32);
    body.lineTo(right - 16, -32);
    body.quadTo(right, -32, right, -16);
    body.lineTo(right, 16);
    body.quadTo(right, 32, right - 16, 32);
    body.lineTo(left, 32);
    body.closeSubpath();
    outlined(p, body, kLight);
    if (showHoles) {
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawRoundedRect(QRectF(left + 6, -19, 12, 11), 2, 2);
        p.drawRoundedRect(QRectF(left + 6, 8, 12, 11), 2, 2);
    }
}

void plugBody(QPainter &p, qreal left, qreal right, const QColor &fill)
{
    QPainterPath body;
    // Rounded at the back where the cable leaves, square at the front face.
    body.moveTo(right, -30);
    body.lineTo(right, 30);
    body.lineTo(left + 16, 30);
    body.quadTo(left, 30, left, 14);
    body.lineTo(left, -14);
    body.quadTo(left, -30, left + 16, -30);
    body.closeSubpath();
    outlined(p, body, fill);
    // Grip ridges.
    p.setPen(colourPen(kInk, 5));
    const qreal gx = left + (right - left) * 0.38;
    p.drawLine(QPointF(gx, -15), QPointF(gx, 15));
    p.drawLine(QPointF(gx + 11, -15), QPointF(gx + 11, 15));
}

void drawConnect(QPainter &p)
{
    beginConnectorFrame(p);
    connectorCable(p, -80, -40);
    connectorCable(p, 40, 80);
    socketBlock(p, -2, 46, false);
    plugBody(p, -48, 0, kGreen);
    p.restore();
}

void drawDisconnect(QPainter &p)
{
    beginConnectorFrame(p);
    connectorCable(p, -84, -50);
    connectorCable(p, 50, 84);
    socketBlock(p, 18, 60, true);
    // Prongs.
    p.setPen(inkPen(4));
    p.setBrush(kMid);
    p.drawRoundedRect(QRectF(-22, -19, 22, 11), 2, 2);
    p.drawRoundedRect(QRectF(-22, 8, 22, 11), 2, 2);
    plugBody(p, -62, -20, kRed);
    // Break marks on both sides of the gap.
    p.setPen(colourPen(kRed, 7));
    p.drawLine(QPointF(9, -40), QPointF(9, -58));
    p.drawLine(QPointF(9, 40), QPointF(9, 58));
    p.drawLine(QPointF(-4, -42), QPointF(-12, -54));
    p.drawLine(QPointF(-4, 42), QPointF(-12, 54));
    p.restore();
}

void drawAbout(QPainter &p)
{
    outlined(p, circle(QPointF(64, 64), 56), kBlue);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(64, 34), 10, 10);
    QPainterPath stem;
    stem.moveTo(50, 52);
    stem.lineTo(73, 52);
    stem.lineTo(73, 92);
    stem.lineTo(80, 92);
    stem.lineTo(80, 102);
    stem.lineTo(48, 102);
    stem.lineTo(48, 92);
    stem.lineTo(55, 92);
    stem.lineTo(55, 62);
    stem.lineTo(50, 62);
    stem.closeSubpath();
    p.drawPath(stem);
}

void drawOpen(QPainter &p)
{
    // Back of the folder with its tab.
    QPainterPath back;
    back.moveTo(8, 30);
    back.quadTo(8, 20, 18, 20);
    back.lineTo(44, 20);
    back.lineTo(54, 32);
    back.lineTo(106, 32);
    back.quadTo(116, 32, 116, 42);
    back.lineTo(116, 108);
    back.lineTo(8, 108);
    back.closeSubpath();
    outlined(p, back, kAmberDark);
    // A sheet peeking out.
    outlined(p, roundRect(QRectF(24, 40, 78, 40), 3), kPaper);
    // Front flap, tilted open.
    QPainterPath front;
    front.moveTo(26, 54);
    front.lineTo(124, 54);
    front.lineTo(108, 108);
    front.lineTo(8, 108);
    front.closeSubpath();
    outlined(p, front, kAmber);
}

void drawSave(QPainter &p)
{
    drawDisk(p, QRectF(12, 12, 104, 104));
}

void drawSaveAs(QPainter &p)
{
    drawDisk(p, QRectF(6, 6, 90, 90));
    drawPencil(p, QPointF(58, 120), 45, 86, 24);
}

void drawTerminal(QPainter &p)
{
    const QRectF win(6, 12, 116, 100);
    outlined(p, roundRect(win, 10), kScreen);
    // Title bar.
    QPainterPath bar;
    bar.addRoundedRect(QRectF(win.left(), win.top(), win.width(), 22), 10, 10);
    bar.addRect(QRectF(win.left(), win.top() + 12, win.width(), 10));
    bar.setFillRule(Qt::WindingFill);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(bar.simplified());
    p.setBrush(kLight);
    p.drawEllipse(QPointF(20, 23), 4, 4);
    p.drawEllipse(QPointF(33, 23), 4, 4);
    p.setPen(inkPen());
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(win, 10, 10);
    // Prompt and cursor.
    p.setPen(colourPen(kGreenLit, 10));
    QPainterPath prompt;
    prompt.moveTo(22, 48);
    prompt.lineTo(40, 62);
    prompt.lineTo(22, 76);
    p.setBrush(Qt::NoBrush);
    p.drawPath(prompt);
    p.drawLine(QPointF(50, 78), QPointF(70, 78));
    // Gear: the compile step.
    drawGear(p, QPointF(94, 92), 30, 22, 8, kAmber);
}

void drawTransferBox(QPainter &p, bool intoDevice)
{
    drawDeviceBox(p, QRectF(6, 72, 116, 48));
    if (intoDevice)
        drawArrow(p, QPointF(64, 6), QPointF(64, 66), kBlue);
    else
        drawArrow(p, QPointF(64, 66), QPointF(64, 6), kGreen);
}

void drawDocumentNew(QPainter &p)
{
    drawPage(p, QRectF(16, 6, 80, 110), true);
    drawPlusBadge(p, QPointF(92, 94), 28);
}

void drawDocumentImport(QPainter &p)
{
    drawPage(p, QRectF(42, 6, 80, 116), true);
    drawArrow(p, QPointF(4, 76), QPointF(78, 76), kBlue);
}

void drawDocumentExport(QPainter &p)
{
    drawPage(p, QRectF(6, 6, 80, 116), true);
    drawArrow(p, QPointF(50, 76), QPointF(124, 76), kGreen);
}

void drawProgramming(QPainter &p)
{
    const QRectF win(6, 12, 116, 104);
    outlined(p, roundRect(win, 10), kPaper);
    QPainterPath bar;
    bar.addRoundedRect(QRectF(win.left(), win.top(), win.width(), 24), 10, 10);
    bar.addRect(QRectF(win.left(), win.top() + 12, win.width(), 12));
    bar.setFillRule(Qt::WindingFill);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPath(bar.simplified());
    p.setPen(inkPen());
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(win, 10, 10);
    p.drawLine(QPointF(win.left(), win.top() + 24), QPointF(win.right(), win.top() + 24));
    // Angle brackets and a slash.
    p.setPen(colourPen(kBlueDark, 10));
    QPainterPath left;
    left.moveTo(44, 54);
    left.lineTo(24, 74);
    left.lineTo(44, 94);
    p.drawPath(left);
    QPainterPath right;
    right.moveTo(84, 54);
    right.lineTo(104, 74);
    right.lineTo(84, 94);
    p.drawPath(right);
    p.setPen(colourPen(kGreen, 10));
    p.drawLine(QPointF(72, 50), QPointF(56, 98));
}

void drawClear(QPainter &p)
{
    // Erased line at the bottom.
    p.setPen(colourPen(kMid, 7));
    p.drawLine(QPointF(60, 116), QPointF(120, 116));
    // Eraser, tilted.
    p.save();
    p.translate(64, 62);
    p.rotate(-40);
    const QRectF whole(-54, -24, 108, 48);
    const QRectF sleeve(-54, -24, 52, 48);
    QPainterPath body = roundRect(whole, 9);
    outlined(p, body, kPaper);
    QPainterPath front;
    front.addRoundedRect(QRectF(sleeve.left(), sleeve.top(), sleeve.width() + 9, 48), 9, 9);
    QPainterPath clip;
    clip.addRect(sleeve);
    outlined(p, front.intersected(clip), kRed);
    p.setPen(inkPen());
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
    p.restore();
}

void drawAppIcon(QPainter &p)
{
    // Feet.
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(16, 104, 18, 12), 3, 3);
    p.drawRoundedRect(QRectF(94, 104, 18, 12), 3, 3);
    // Case: blue shell, light front panel.
    outlined(p, roundRect(QRectF(4, 18, 120, 90), 12), kBlue);
    outlined(p, roundRect(QRectF(12, 28, 104, 72), 6), kLight, 5);
    // Display with a reading.
    const QRectF display(19, 35, 60, 32);
    p.setPen(inkPen(4));
    p.setBrush(kScreen);
    p.drawRoundedRect(display, 4, 4);
    const qreal cw = 11, ch = 20, gap = 7;
    const qreal x0 = display.left() + 7, y0 = display.top() + 6;
    drawDigit(p, QRectF(x0, y0, cw, ch), 1, kGreenLit);
    drawDigit(p, QRectF(x0 + cw + gap, y0, cw, ch), 2, kGreenLit);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreenLit);
    p.drawEllipse(QPointF(x0 + 2 * cw + gap + 3.5, y0 + ch), 2.4, 2.4);
    drawDigit(p, QRectF(x0 + 2 * cw + 2 * gap, y0, cw, ch), 5, kGreenLit);
    // Adjustment knob.
    const QPointF knob(99, 51);
    outlined(p, circle(knob, 12), kMid, 5);
    p.setPen(colourPen(kInk, 4.5));
    p.drawLine(knob, knob + QPointF(-6, -7));
    // Power switch and output terminals.
    outlined(p, roundRect(QRectF(20, 78, 18, 14), 3), kGreen, 4.5);
    outlined(p, circle(QPointF(72, 85), 9), kRed, 5);
    outlined(p, circle(QPointF(98, 85), 9), kInk, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(kLight);
    p.drawEllipse(QPointF(72, 85), 3, 3);
    p.drawEllipse(QPointF(98, 85), 3, 3);
}

// ---------------------------------------------------------------- output

struct Icon
{
    QString file; // relative to the output folder
    int size;
    std::function<void(QPainter &)> draw;
};

std::vector<Icon> allIcons()
{
    return {
        {QStringLiteral("rec/connect.png"), 128, drawConnect},
        {QStringLiteral("rec/disconnect.png"), 128, drawDisconnect},
        {QStringLiteral("rec/about.png"), 128, drawAbout},
        {QStringLiteral("rec/open.png"), 96, drawOpen},
        {QStringLiteral("rec/save.png"), 96, drawSave},
        {QStringLiteral("rec/SaveAs2.png"), 96, drawSaveAs},
        {QStringLiteral("rec/root-terminal.png"), 128, drawTerminal},
        {QStringLiteral("rec/receive.png"), 128, [](QPainter &p) { drawTransferBox(p, true); }},
        {QStringLiteral("rec/outbox.png"), 128, [](QPainter &p) { drawTransferBox(p, false); }},
        {QStringLiteral("rec/Actions-document-new-icon.png"), 128, drawDocumentNew},
        {QStringLiteral("rec/Actions-document-import-icon.png"), 128, drawDocumentImport},
        {QStringLiteral("rec/Actions-document-export-icon.png"), 128, drawDocumentExport},
        {QStringLiteral("rec/Programming.png"), 128, drawProgramming},
        {QStringLiteral("rec/clear.png"), 128, drawClear},
        {QStringLiteral("quorvel.png"), 128, drawAppIcon},
    };
}

QImage render(const Icon &icon)
{
    QImage image(icon.size, icon.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.scale(icon.size / 128.0, icon.size / 128.0);
    icon.draw(p);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Every icon at toolbar size (plain and magnified) and at full size, on a
// white, a grey and a dark background.
QImage contactSheet(const std::vector<QImage> &images)
{
    const QColor backgrounds[3] = {QColor(0xff, 0xff, 0xff), QColor(0xb8, 0xb8, 0xb8),
                                   QColor(0x3a, 0x3d, 0x41)};
    const int n = int(images.size());
    const int cell = 136;
    const int bandHeight = 40 + 104 + cell;
    QImage sheet(n * cell, 3 * bandHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (int b = 0; b < 3; ++b) {
        const int top = b * bandHeight;
        p.fillRect(0, top, sheet.width(), bandHeight, backgrounds[b]);
        for (int i = 0; i < n; ++i) {
            const QImage small =
                images[size_t(i)].scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const int x = i * cell;
            p.drawImage(x + (cell - 32) / 2, top + 4, small);
            p.drawImage(QRect(x + (cell - 96) / 2, top + 40, 96, 96), small);
            const QImage &full = images[size_t(i)];
            p.drawImage(x + (cell - full.width()) / 2, top + 144 + (cell - full.height()) / 2,
                        full);
        }
    }
    p.end();
    return sheet;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QString contact;
    const int contactAt = args.indexOf(QStringLiteral("--contact"));
    if (contactAt >= 0) {
        if (contactAt + 1 >= args.size()) {
            QTextStream(stderr) << "--contact needs a file name\n";
            return EXIT_FAILURE;
        }
        contact = args.at(contactAt + 1);
        args.removeAt(contactAt + 1);
        args.removeAt(contactAt);
    }
    if (args.size() != 1) {
        QTextStream(stderr) << "usage: quorvel-icongen OUTDIR [--contact SHEET.png]\n";
        return EXIT_FAILURE;
    }

    const QDir out(args.first());
    std::vector<QImage> images;
    for (const Icon &icon : allIcons()) {
        const QString path = out.filePath(icon.file);
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            QTextStream(stderr) << "cannot create the folder for " << path << '\n';
            return EXIT_FAILURE;
        }
        const QImage image = render(icon);
        if (!image.save(path, "PNG")) {
            QTextStream(stderr) << "cannot write " << path << '\n';
            return EXIT_FAILURE;
        }
        images.push_back(image);
    }
    if (!contact.isEmpty() && !contactSheet(images).save(contact, "PNG")) {
        QTextStream(stderr) << "cannot write " << contact << '\n';
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
