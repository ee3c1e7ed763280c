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

// Height of one line of the title in the widget's font, with the 5 pixels the text is
// drawn away from the edge and a little air on the far side.
int OrmaTitle::titleExtent() const
{
    return title().textSize(font()).toSize().height() + 8;
}

QSize OrmaTitle::sizeHint() const
{
    const int length = title().textSize(font()).toSize().width() + 10;
    return isVertical() ? QSize(titleExtent(), length) : QSize(length, titleExtent());
}

QSize OrmaTitle::minimumSizeHint() const
{
    return isVertical() ? QSize(titleExtent(), 0) : QSize(0, titleExtent());
}

void OrmaTitle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect r = contentsRect();
    // Rotated titles are laid out from the rectangle's left edge; the extra width keeps the
    // glyphs of a long title from being clipped at the far side.
    drawTitle(&painter, QwtScaleDraw::Alignment(m_alignment),
              QRectF(r.left() + 5, r.top(), r.width() + 30, r.height()));
}
