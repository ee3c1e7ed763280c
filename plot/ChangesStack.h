#pragma once
// Undo history of the visible rectangles. Never enabled as a tool: only its zoom stack is used.
#include <qwt_plot.h>
#include <qwt_plot_zoomer.h>

class ChangesStack : public QwtPlotZoomer
{
    Q_OBJECT

public:
    explicit ChangesStack(QWidget *canvas);

    // One step back; nothing when only the base is left.
    void undoStep();
    // Also remembers the step sizes of the base.
    void setZoomBase(bool doReplot = true) override;
    using QwtPlotZoomer::setZoomBase;
    // 0 goes back to the base, its step sizes included, and forgets the later entries.
    void zoom(int offset) override;
    using QwtPlotZoomer::zoom;

public slots:
    // Records the current visible rectangle.
    void slotAddChange();

protected:
    void rescale() override;

private:
    double m_baseSteps[QwtPlot::axisCnt] = {};
};
