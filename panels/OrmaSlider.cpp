#include "panels/OrmaSlider.h"

#include <QDoubleValidator>
#include <QGridLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#include "panels/PanelNumbers.h"
#include "panels/Slider.h"
#include "plot/OrmaScaleDraw.h"
#include "plot/Transforms.h"

namespace {

const int kRepeatMs = 200;
// Room kept at each end of the scale for a step button.
const int kButtonRoom = 30;

QToolButton *stepButton(QWidget *parent, const char *icon)
{
    auto *b = new QToolButton(parent);
    b->setFixedSize(18, 20);
    b->setIcon(QIcon(QString::fromLatin1(icon)));
    b->setIconSize(QSize(12, 12));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

double sliderResolution(double min, double max, double step)
{
    const double width = std::fabs(max - min);
    const double f = width - std::floor(width);
    if (f >= 0.01 && f <= 0.99)
        return 0.01;
    if (f != 0.0)
        return 0.1;
    return step > 0.0 ? step : 1.0;
}

OrmaSlider::OrmaSlider(QWidget *parent)
    : QWidget(parent)
    , m_pSlider(new Slider(this))
    , m_pValueEdit(new QLineEdit(this))
    , m_pIncButton(stepButton(this, ":/OrmaPanel/Resources/righttriangle.png"))
    , m_pDecButton(stepButton(this, ":/OrmaPanel/Resources/lefttriangle.png"))
    , m_pTimer(new QTimer(this))
{
    m_pSlider->setScalePosition(QwtSlider::LeadingScale);
    m_pSlider->setTrough(true);
    m_pSlider->setHandleSize(QSize(17, 15));
    m_pSlider->setScaleMaxMinor(0);
    auto *scaleDraw = new OrmaScaleDraw();
    scaleDraw->setPrecision(3);
    m_pSlider->setScaleDraw(scaleDraw);

    m_pValueEdit->setFixedSize(77, 22);
    m_pValueEdit->setMaxLength(9);
    m_pValueEdit->setText(QString::number(0.0, 'g', 6));

    auto *layout = new QGridLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pSlider, 0, 0);
    layout->addWidget(m_pValueEdit, 0, 1, Qt::AlignTop);
    m_pIncButton->raise();
    m_pDecButton->raise();

    connect(m_pTimer, &QTimer::timeout, this, &OrmaSlider::slotTimeout);
    connect(m_pSlider, &QwtSlider::valueChanged, this, &OrmaSlider::slotValueChanged);
    connect(m_pValueEdit, &QLineEdit::returnPressed, this, &OrmaSlider::slotEditingFinished);
    connect(m_pIncButton, &QToolButton::clicked, this, &OrmaSlider::slotValueInc);
    connect(m_pDecButton, &QToolButton::clicked, this, &OrmaSlider::slotValueDec);
    connect(m_pIncButton, &QToolButton::pressed, this, &OrmaSlider::slotPressed);
    connect(m_pDecButton, &QToolButton::pressed, this, &OrmaSlider::slotPressed);
    connect(m_pSlider, &Slider::signalMousePress, this, &OrmaSlider::signalMousePress);
    connect(m_pSlider, &Slider::signalMouseRelease, this, &OrmaSlider::signalMouseRelease);
}

double OrmaSlider::value() const { return m_pSlider->value(); }
double OrmaSlider::minimum() const { return m_pSlider->minimum(); }
double OrmaSlider::maximum() const { return m_pSlider->maximum(); }
void OrmaSlider::setIntegerMode(bool on) { m_pSlider->setIntegerMode(on); }
bool OrmaSlider::integerMode() const { return m_pSlider->integerMode(); }

void OrmaSlider::setTransforms(Transforms *t)
{
    m_transforms = t;
    showValue(value());
}

void OrmaSlider::refreshUnits()
{
    setRange(minimum(), maximum(), m_pSlider->scaleStepSize());
    showValue(value());
}

void OrmaSlider::setScaleDraw(QwtScaleDraw *d)
{
    m_pSlider->setScaleDraw(d);
    placeButtons();
}

void OrmaSlider::setRange(double min, double max, double scaleStep)
{
    // The edit takes numbers as it shows them, in display units.
    const double shownMin = m_transforms ? m_transforms->toUnits(min) : min;
    const double shownMax = m_transforms ? m_transforms->toUnits(max) : max;
    auto *validator = new QDoubleValidator(std::min(shownMin, shownMax), std::max(shownMin, shownMax), 3,
                                           m_pValueEdit);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(QLocale::c());
    delete m_pValueEdit->validator();
    m_pValueEdit->setValidator(validator);

    const bool outside = m_pSlider->value() < min || m_pSlider->value() > max;
    m_pSlider->setScaleStepSize(scaleStep);
    m_pSlider->setScale(min, max);
    const double r = sliderResolution(min, max, m_step);
    m_pSlider->setTotalSteps(uint(std::fabs(max - min) / r));
    m_pSlider->setSingleSteps(1);
    if (outside)
        setValue(min, true);
    placeButtons();
}

double OrmaSlider::rounded(double v) const
{
    return m_pSlider->integerMode() ? roundToWhole(v) : v;
}

void OrmaSlider::setValue(double value, bool silent)
{
    value = rounded(value);
    if (!silent) {
        m_pSlider->setValue(value);
        return;
    }
    const double before = m_pSlider->value();
    {
        const QSignalBlocker blocker(m_pSlider);
        m_pSlider->setValue(value);
    }
    if (m_pSlider->value() != before)
        showValue(m_pSlider->value());
}

QString OrmaSlider::valueText(double v) const
{
    v = std::max(minimum(), std::min(v, maximum() - m_step));
    if (m_transforms)
        v = m_transforms->toUnits(v);
    return trimmedNumber(v, 3);
}

void OrmaSlider::showValue(double v)
{
    const QString text = valueText(v);
    if (m_pValueEdit->text() != text)
        showReadout(m_pValueEdit, text);
}

void OrmaSlider::slotValueChanged(double value)
{
    emit signalValueChanged(value);
    showValue(value);
}

void OrmaSlider::slotEditingFinished()
{
    bool ok = false;
    double v = QLocale::c().toDouble(m_pValueEdit->text(), &ok);
    if (!ok)
        return;
    if (m_transforms)
        v = m_transforms->fromUnits(v);
    v = std::max(minimum(), std::min(v, maximum() - m_step));
    setValue(v);
    // A typed position the slider already held still gets its canonical text back.
    showValue(value());
}

void OrmaSlider::slotSetStep(double dStep)
{
    if (dStep == m_step)
        return;
    m_step = dStep;
    m_pSlider->setWindowWidth(dStep);
}

void OrmaSlider::slotValueInc()
{
    setValue(std::max(minimum(), std::min(maximum() - m_step, value() + m_step)));
}

void OrmaSlider::slotValueDec()
{
    setValue(std::max(minimum(), value() - m_step));
}

void OrmaSlider::slotPressed()
{
    m_pTimer->start(kRepeatMs);
}

void OrmaSlider::slotTimeout()
{
    if (m_pIncButton->isDown())
        slotValueInc();
    else if (m_pDecButton->isDown())
        slotValueDec();
    else
        m_pTimer->stop();
}

void OrmaSlider::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void OrmaSlider::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    placeButtons();
}

void OrmaSlider::placeButtons()
{
    const QMargins m = m_pSlider->contentsMargins();
    const int naturalLeft = m_pSlider->transform(minimum()) - m.left();
    const int naturalRight = m_pSlider->width() - m_pSlider->transform(maximum()) - m.right();
    m_pSlider->setScaleMargins(std::max(0, kButtonRoom - naturalLeft), std::max(0, kButtonRoom - naturalRight));

    const int minPos = m_pSlider->x() + m_pSlider->transform(minimum());
    const int maxPos = m_pSlider->x() + m_pSlider->transform(maximum());
    const int top = m_pSlider->y() + m_pSlider->troughRect().center().y() - m_pDecButton->height() / 2;
    m_pDecButton->move(minPos - 28, top);
    m_pIncButton->move(maxPos + 12, top);
}
