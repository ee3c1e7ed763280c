#pragma once
// Position control of a panel: a slider with a scale, step buttons at both ends that move the
// view by one window width (repeating while held) and an edit showing the window start in
// display units. `step` is the width of the visible window.
#include <QWidget>

class QLineEdit;
class QTimer;
class QToolButton;
class QwtScaleDraw;
class Transforms;
class Slider;

// Slider resolution for a range: hundredths or tenths for fractional widths, else the window
// width, so that wheel and keys move by whole windows.
double sliderResolution(double min, double max, double step);

class OrmaSlider : public QWidget
{
    Q_OBJECT

public:
    explicit OrmaSlider(QWidget *parent = nullptr);

    void setRange(double min, double max, double scaleStep);
    // silent: no signal, so the plot is not moved again (it is the plot that moved).
    void setValue(double value, bool silent = false);
    double value() const;
    double minimum() const;
    double maximum() const;
    double step() const { return m_step; }
    // Converter of the value edit; not owned.
    void setTransforms(Transforms *t);
    // After a unit change of the converter: edit text and accepted input follow.
    void refreshUnits();
    // Taken over by the slider.
    void setScaleDraw(QwtScaleDraw *d);
    void setIntegerMode(bool on);
    bool integerMode() const;

    Slider *slider() const { return m_pSlider; }
    QLineEdit *valueEdit() const { return m_pValueEdit; }
    QToolButton *incButton() const { return m_pIncButton; }
    QToolButton *decButton() const { return m_pDecButton; }

    // The window start as the edit shows it: at most maximum - step, in display units.
    QString valueText(double v) const;

signals:
    void signalValueChanged(double dValue);
    void signalMousePress();
    void signalMouseRelease();

public slots:
    void slotSetStep(double dStep);

private slots:
    void slotValueChanged(double value);
    void slotEditingFinished();
    void slotValueInc();
    void slotValueDec();
    void slotTimeout();
    void slotPressed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    double rounded(double v) const;
    void showValue(double v);
    // Keeps the scale clear of the buttons and the buttons at the scale's ends.
    void placeButtons();

    Slider *m_pSlider;
    QLineEdit *m_pValueEdit;
    QToolButton *m_pIncButton;
    QToolButton *m_pDecButton;
    QTimer *m_pTimer;
    double m_step = 1.0;
    Transforms *m_transforms = nullptr;
};
