#include "elidedlabel.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <QStyle>

namespace {

// A couple of letters and the ellipsis: all the label ever insists on.
constexpr int MinimumLetters = 2;

} // namespace

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget *parent) : QLabel(parent), m_mode(mode)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize ElidedLabel::minimumSizeHint() const
{
    if (text().isEmpty())
        return {0, QLabel::minimumSizeHint().height()};
    const QMargins margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(QLatin1Char('x')) * MinimumLetters + margins.left() +
                margins.right(),
            QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    const QRect room = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), m_mode, room.width());
    QPainter painter(this);
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
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
