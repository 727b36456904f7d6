#include "icons.h"

#include "drawing.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cmath>

namespace IconGen {

namespace {

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

} // namespace

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

} // namespace IconGen
