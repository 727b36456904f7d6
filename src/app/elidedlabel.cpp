#include "elidedlabel.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <QStyle>

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget *parent)
    : QLabel(parent), m_mode(mode), m_shortest(QStringLiteral("xx\u2026"))
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize ElidedLabel::minimumSizeHint() const
{
    if (text().isEmpty() || m_mode == Qt::ElideNone)
        return {0, QLabel::minimumSizeHint().height()};
    const QMargins margins = contentsMargins();
    const int least = std::min(fontMetrics().horizontalAdvance(text()),
                               fontMetrics().horizontalAdvance(m_shortest));
    // A pixel more than measured: the elision rounds the width down.
    return {least + 1 + margins.left() + margins.right(), QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    const QRect room = contentsRect();
    const QString shown = m_mode != Qt::ElideNone
                              ? fontMetrics().elidedText(text(), m_mode, room.width())
                          : isElided() ? QString()
                                       : text();
    QPainter painter(this);
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}

void ElidedLabel::setShortestText(const QString &sample)
{
    m_shortest = sample;
    updateGeometry();
}

bool ElidedLabel::event(QEvent *event)
{
    // Without a tool tip of its own, a shortened label shows its whole text.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && isElided()) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}

bool ElidedLabel::isElided() const
{
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}
