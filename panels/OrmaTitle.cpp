#include "panels/OrmaTitle.h"

#include <QPainter>

#include <qwt_text.h>

OrmaTitle::OrmaTitle(QWidget *parent)
    : QwtScaleWidget(parent)
{
    QwtText t = title();
    t.setRenderFlags(Qt::AlignHCenter | Qt::AlignTop);
    QwtScaleWidget::setTitle(t);
    setMargin(0);
    setSpacing(0);
}

void OrmaTitle::setAlignment(int a)
{
    m_alignment = a;
    QwtText t = title();
    t.setRenderFlags(a == LeftScaleAlignment ? (Qt::AlignVCenter | Qt::AlignHCenter)
                                              : (Qt::AlignHCenter | Qt::AlignTop));
    QwtScaleWidget::setTitle(t);
    QwtScaleWidget::setAlignment(QwtScaleDraw::Alignment(a));
    updateGeometry();
}

// Height of one line of the title in the widget's font, with a little air on both sides.
int OrmaTitle::titleExtent() const
{
    return title().textSize(font()).toSize().height() + 6;
}

QSize OrmaTitle::sizeHint() const
{
    const int length = title().textSize(font()).toSize().width() + 10;
    return isVertical() ? QSize(titleExtent(), length) : QSize(length, titleExtent());
}

// The whole title, also beside a plot squeezed to its minimum: a cut title names no unit.
QSize OrmaTitle::minimumSizeHint() const
{
    return sizeHint();
}

void OrmaTitle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(font());
    const QwtText text = title();
    const QRect r = contentsRect();
    if (!isVertical()) {
        text.draw(&painter, r);
        return;
    }
    // Reading upwards beside the plot, centred on its height.
    painter.translate(r.left(), r.bottom() + 1);
    painter.rotate(-90.0);
    text.draw(&painter, QRectF(0, 0, r.height(), r.width()));
}
