#pragma once
// The position slider under a plot: the handle marks the start of the visible window, so a
// press puts the window start under the mouse, never so far right that the window would run
// past the end of the record.
#include <qwt_slider.h>

class Slider : public QwtSlider
{
    Q_OBJECT

public:
    explicit Slider(QWidget *parent = nullptr);

    void setWindowWidth(double width) { m_windowWidth = width; }
    double windowWidth() const { return m_windowWidth; }
    // Whole positions only (samples); off for positions in time units.
    void setIntegerMode(bool on) { m_integerMode = on; }
    bool integerMode() const { return m_integerMode; }
    // The position under a point of the slider, as a press there would set it.
    double valueAt(const QPoint &pos) const;
    // Space left and right of the scale, for the step buttons that sit there.
    void setScaleMargins(int left, int right);
    QRect troughRect() const { return sliderRect(); }

signals:
    void signalMousePress();
    void signalMouseRelease();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    double m_windowWidth = 0.0;
    bool m_integerMode = true;
    bool m_dragging = false;
};
