#pragma once

#include <QLabel>

// A one-line status bar label that shortens its text to the room it gets instead of widening the
// window. text() stays the whole text; while it is shortened, it is the tool tip unless the label
// has one of its own.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    // mode: where the ellipsis goes; in the middle for a path, whose both ends tell it apart.
    // Qt::ElideNone: the text is shown whole or not at all, for a text a stub of which would say
    // nothing.
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;
    // The label is never narrower than this text (two letters and the ellipsis unless set), or
    // its own text where that is shorter.
    void setShortestText(const QString &sample);
    // Whether the text is wider than the label.
    bool isElided() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    Qt::TextElideMode m_mode;
    QString m_shortest;
};
