#include "panels/Slider.h"

#include <QMouseEvent>

#include <algorithm>

#include "panels/PanelNumbers.h"

Slider::Slider(QWidget *parent)
    : QwtSlider(Qt::Horizontal, parent)
{
}

double Slider::valueAt(const QPoint &pos) const
{
    double v = invTransform(pos.x());
    if (m_integerMode)
        v = roundToWhole(v);
    v = std::min(v, maximum() - m_windowWidth);
    return std::max(v, minimum());
}

void Slider::setScaleMargins(int left, int right)
{
    const QMargins m = contentsMargins();
    if (m.left() == left && m.right() == right)
        return;
    setContentsMargins(left, m.top(), right, m.bottom());
    // The slider lays out its scale only on resize and style changes.
    QResizeEvent event(size(), size());
    QwtSlider::resizeEvent(&event);
    update();
}

void Slider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        setValue(valueAt(event->pos()));
        m_dragging = true;
    } else {
        m_dragging = false;
    }
    emit signalMousePress();
}

void Slider::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    setValue(valueAt(event->pos()));
    update();
}

void Slider::mouseReleaseEvent(QMouseEvent *)
{
    m_dragging = false;
    emit signalMouseRelease();
}
