#pragma once
// Helpers of the plot tests: a laid-out plot on screen and synthetic mouse input.
#include <QApplication>
#include <QMouseEvent>
#include <QtTest>

#include "plot/OrmaPlot.h"

namespace harness {

inline void show(OrmaPlot &plot, const QSize &size)
{
    plot.resize(size);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    plot.updateLayout();
    plot.replot();
}

inline void mouse(QWidget *w, QEvent::Type type, const QPoint &pos, Qt::MouseButton button,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, pos, w->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      modifiers);
    QApplication::sendEvent(w, &event);
}

inline void click(QWidget *w, const QPoint &pos, Qt::MouseButton button = Qt::LeftButton)
{
    mouse(w, QEvent::MouseButtonPress, pos, button);
    mouse(w, QEvent::MouseButtonRelease, pos, button);
}

// Press, move in a few steps, release: what a hand on the mouse does.
inline void drag(QWidget *w, const QPoint &from, const QPoint &to, Qt::MouseButton button = Qt::LeftButton)
{
    mouse(w, QEvent::MouseButtonPress, from, button);
    const int steps = 4;
    for (int i = 1; i <= steps; ++i)
        mouse(w, QEvent::MouseMove, from + (to - from) * i / steps, button);
    mouse(w, QEvent::MouseButtonRelease, to, button);
}

// Canvas pixel of a data point on the x-bottom / y-left axes.
inline QPoint pixelOf(const OrmaPlot &plot, double x, double y)
{
    return QPoint(qRound(plot.canvasMap(QwtPlot::xBottom).transform(x)),
                  qRound(plot.canvasMap(QwtPlot::yLeft).transform(y)));
}

inline double lower(const OrmaPlot &plot, int axis) { return plot.axisScaleDiv(axis).lowerBound(); }
inline double upper(const OrmaPlot &plot, int axis) { return plot.axisScaleDiv(axis).upperBound(); }

} // namespace harness
