#include "dialogs/AmplPhaseDlg.h"

#include "dsp/IqAnalysis.h"
#include "panels/OrmaTitle.h"
#include "plot/AxisOps.h"
#include "plot/OrmaPlot.h"
#include "plot/OrmaScaleDraw.h"
#include "sources/ui/SettingsDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QButtonGroup>

#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>

#include <algorithm>
#include <cmath>

namespace {

const char kRedFrame[] = "border: 2px solid red;\nbackground: #ECE9D8;";
const char kBlueFrame[] = "border: 2px solid blue;\nbackground: #ECE9D8;";

QLineEdit *readout(const char *name)
{
    auto *edit = named(new QLineEdit, name);
    edit->setReadOnly(true);
    edit->setMinimumWidth(80);
    return edit;
}

// A plot as the dialog shows it: white, a dotted grey grid, 8 divisions, unit-aware labels.
OrmaPlot *newPlot(const char *name, OrmaScaleDraw *xDraw, OrmaScaleDraw *yDraw)
{
    auto *plot = named(new OrmaPlot, name);
    plot->setCanvasBackground(Qt::white);
    auto *grid = new QwtPlotGrid;
    QPen pen(QColor(117, 117, 117));
    pen.setWidth(0);
    pen.setStyle(Qt::DotLine);
    grid->setPen(pen);
    grid->attach(plot);
    plot->setYDivisions(8);
    plot->setAxisScaleDraw(QwtPlot::xBottom, xDraw);
    plot->setAxisScaleDraw(QwtPlot::yLeft, yDraw);
    plot->addCurve(0, Qt::black, false);
    plot->setCurrentChannel(0);
    plot->setMinimumSize(480, 180);
    plot->positionLine()->hide(); // no record position to mark here
    return plot;
}

QString timeTitle(int code)
{
    switch (code) {
    case DimSamples: return QString::fromUtf8("Время(отсчеты)");
    case DimMicroseconds: return QString::fromUtf8("Время(мкc)");
    case DimMilliseconds: return QString::fromUtf8("Время(мc)");
    case DimSeconds: return QString::fromUtf8("Время(c)");
    default: return QString();
    }
}

} // namespace

AmplPhaseDlg::AmplPhaseDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("Амплитуда, Частота и Фаза сигнала"));

    auto *amplXDraw = new OrmaScaleDraw, *phaseXDraw = new OrmaScaleDraw;
    m_pAmplYDraw = new OrmaScaleDraw;
    m_pPhaseYDraw = new OrmaScaleDraw;
    for (OrmaScaleDraw *x : {amplXDraw, phaseXDraw})
        x->setTransforms(&m_timeTransforms);
    m_pAmplYDraw->setTransforms(&m_amplTransforms);
    m_pPhaseYDraw->setTransforms(&m_angleTransforms);
    m_pPhaseYDraw->setPrecision(2);
    m_pAmplPlot = newPlot("m_pAmplPlot", amplXDraw, m_pAmplYDraw);
    m_pPhasePlot = newPlot("m_pPhasePlot", phaseXDraw, m_pPhaseYDraw);
    m_pPhasePlot->slotSetScaleY(-180, 180, 45);

    m_pAmplTitle = named(new OrmaTitle, "m_pAmplTitle");
    m_pPhaseTitle = named(new OrmaTitle, "m_pPhaseTitle");
    for (OrmaTitle *title : {m_pAmplTitle, m_pPhaseTitle})
        title->setAlignment(2);
    m_pPhaseTitle->setTitle(QString::fromUtf8("Фаза(градусы)"));
    m_pTimeLabel = named(new QLabel, "m_pTimeLabel");
    m_pTimeLabel1 = named(new QLabel, "m_pTimeLabel1");
    for (QLabel *label : {m_pTimeLabel, m_pTimeLabel1})
        label->setAlignment(Qt::AlignCenter);

    m_pDataTypeCmbBox = named(new QComboBox, "m_pDataTypeCmbBox");
    m_pDataTypeCmbBox->addItems({QString::fromUtf8("Амплитуда"), QString::fromUtf8("Частота")});
    m_pAngleTypeCmbBox = named(new QComboBox, "m_pAngleTypeCmbBox");
    m_pAngleTypeCmbBox->addItems({QString::fromUtf8("Градусы"), QString::fromUtf8("Радианы")});

    m_pAmplRedRadio = named(new QRadioButton(QString::fromUtf8("Красный")), "m_pAmplRedRadio");
    m_pAmplBlueRadio = named(new QRadioButton(QString::fromUtf8("Синий")), "m_pAmplBlueRadio");
    m_pPhaseRedRadio = named(new QRadioButton(QString::fromUtf8("Красный")), "m_pPhaseRedRadio");
    m_pPhaseBlueRadio = named(new QRadioButton(QString::fromUtf8("Синий")), "m_pPhaseBlueRadio");
    for (QRadioButton *red : {m_pAmplRedRadio, m_pPhaseRedRadio})
        red->setStyleSheet(kRedFrame);
    for (QRadioButton *blue : {m_pAmplBlueRadio, m_pPhaseBlueRadio})
        blue->setStyleSheet(kBlueFrame);

    m_pRedAmplEdit = readout("m_pRedAmplEdit");
    m_pBlueAmplEdit = readout("m_pBlueAmplEdit");
    m_pDeltaAmplEdit = readout("m_pDeltaAmplEdit");
    m_pRedTimeAmplEdit = readout("m_pRedTimeAmplEdit");
    m_pBlueTimeAmplEdit = readout("m_pBlueTimeAmplEdit");
    m_pDeltaTimeAmplEdit = readout("m_pDeltaTimeAmplEdit");
    m_pRedPhaseEdit = readout("m_pRedPhaseEdit");
    m_pBluePhaseEdit = readout("m_pBluePhaseEdit");
    m_pDeltaPhaseEdit = readout("m_pDeltaPhaseEdit");
    m_pRedTimePhaseEdit = readout("m_pRedTimePhaseEdit");
    m_pBlueTimePhaseEdit = readout("m_pBlueTimePhaseEdit");
    m_pDeltaTimePhaseEdit = readout("m_pDeltaTimePhaseEdit");

    // One plot with its vertical title, its x title and, below, its cursors and read-outs.
    auto plotBlock = [&](OrmaPlot *plot, OrmaTitle *title, QLabel *xTitle, QRadioButton *red,
                         QRadioButton *blue, QLabel **valueLabels, const QString &valueText,
                         const QString &deltaText, QLineEdit *const edits[6]) {
        auto *grid = new QGridLayout;
        grid->addWidget(title, 0, 0);
        grid->addWidget(plot, 0, 1);
        grid->addWidget(xTitle, 1, 1);
        auto *readouts = new QGridLayout;
        readouts->addWidget(red, 0, 0);
        readouts->addWidget(blue, 1, 0);
        const QString rowTexts[2][3] = {{valueText, valueText, deltaText},
                                        {QString::fromUtf8("Время ="), QString::fromUtf8("Время ="),
                                         QString::fromUtf8("dT =")}};
        for (int row = 0; row < 2; ++row) {
            for (int col = 0; col < 3; ++col) {
                auto *label = new QLabel(rowTexts[row][col]);
                label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                if (row == 0 && valueLabels)
                    valueLabels[col] = label;
                readouts->addWidget(label, col == 2 ? 2 : col, 1 + 2 * row);
                readouts->addWidget(edits[row * 3 + col], col == 2 ? 2 : col, 2 + 2 * row);
            }
        }
        auto *box = new QVBoxLayout;
        box->addLayout(grid, 1);
        box->addLayout(readouts);
        return box;
    };
    QLineEdit *const amplEdits[6] = {m_pRedAmplEdit, m_pBlueAmplEdit, m_pDeltaAmplEdit,
                                     m_pRedTimeAmplEdit, m_pBlueTimeAmplEdit, m_pDeltaTimeAmplEdit};
    QLineEdit *const phaseEdits[6] = {m_pRedPhaseEdit, m_pBluePhaseEdit, m_pDeltaPhaseEdit,
                                      m_pRedTimePhaseEdit, m_pBlueTimePhaseEdit, m_pDeltaTimePhaseEdit};
    auto *plots = new QVBoxLayout;
    plots->addLayout(plotBlock(m_pAmplPlot, m_pAmplTitle, m_pTimeLabel, m_pAmplRedRadio, m_pAmplBlueRadio,
                               m_pAmplLabel, QString::fromUtf8("Ампл ="), QString::fromUtf8("dА ="), amplEdits),
                     1);
    plots->addLayout(plotBlock(m_pPhasePlot, m_pPhaseTitle, m_pTimeLabel1, m_pPhaseRedRadio,
                               m_pPhaseBlueRadio, nullptr, QString::fromUtf8("Фаза ="),
                               QString::fromUtf8("dФ ="), phaseEdits),
                     1);

    // Each plot's two radios are one choice.
    for (QRadioButton *red : {m_pAmplRedRadio, m_pPhaseRedRadio}) {
        auto *group = new QButtonGroup(this);
        group->addButton(red);
        group->addButton(red == m_pAmplRedRadio ? m_pAmplBlueRadio : m_pPhaseBlueRadio);
    }
    auto *controls = new QGridLayout;
    controls->addWidget(new QLabel(QString::fromUtf8("Тип данных")), 0, 0);
    controls->addWidget(m_pDataTypeCmbBox, 0, 1);
    controls->addWidget(new QLabel(QString::fromUtf8("Угол")), 1, 0);
    controls->addWidget(m_pAngleTypeCmbBox, 1, 1);
    auto *cursors = new QGroupBox(QString::fromUtf8("Курсоры"));
    cursors->setLayout(plots);
    auto *close = named(new QPushButton(QString::fromUtf8("Закрыть")), "m_pCloseButton");
    auto *bottom = new QHBoxLayout;
    bottom->addLayout(controls);
    bottom->addStretch();
    bottom->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(cursors, 1);
    layout->addLayout(bottom);
    resize(760, 640);

    for (OrmaPlot *plot : {m_pAmplPlot, m_pPhasePlot})
        connect(plot, &OrmaPlot::signalMoveMarker, this, &AmplPhaseDlg::slotMoveMarker);
    for (QRadioButton *radio : {m_pAmplRedRadio, m_pAmplBlueRadio, m_pPhaseRedRadio, m_pPhaseBlueRadio})
        connect(radio, &QRadioButton::toggled, this, &AmplPhaseDlg::slotMarkerEnable);
    connect(m_pDataTypeCmbBox, &QComboBox::currentTextChanged, this, &AmplPhaseDlg::slotDataTypeChange);
    connect(m_pAngleTypeCmbBox, &QComboBox::currentTextChanged, this, &AmplPhaseDlg::slotAngleTypeChange);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    setTimeUnit(DimSamples);
    setAmplitudeUnit(DimCodes);
}

// --- settings -----------------------------------------------------------------------------

void AmplPhaseDlg::setConfigPath(const QString &sPath)
{
    m_sConfigPath = sPath;
    loadSettings();
}

void AmplPhaseDlg::loadSettings()
{
    AmplPhaseSettings s;
    s.load(m_sConfigPath);
    setSettings(s);
}

void AmplPhaseDlg::saveSettings() const
{
    settings().save(m_sConfigPath);
}

void AmplPhaseDlg::setSettings(const AmplPhaseSettings &s)
{
    m_pDataTypeCmbBox->setCurrentIndex(s.dataType);
    m_pAngleTypeCmbBox->setCurrentIndex(s.angleDim);
}

AmplPhaseSettings AmplPhaseDlg::settings() const
{
    return {m_pDataTypeCmbBox->currentIndex(), m_pAngleTypeCmbBox->currentIndex()};
}

void AmplPhaseDlg::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        saveSettings();
}

// --- units and data -------------------------------------------------------------------------

bool AmplPhaseDlg::isFrequency() const
{
    return m_pDataTypeCmbBox->currentIndex() == 1;
}

void AmplPhaseDlg::setAmplitudeUnit(int code)
{
    m_nAmplUnit = code;
    m_amplTransforms.setType(code);
    if (isFrequency())
        return;
    const char *titles[] = {"Амплитуда(EMP)", "Амплитуда(мВ)", "Амплитуда(В)"};
    m_pAmplTitle->setTitle(QString::fromUtf8(titles[std::clamp(code, 0, 2)]));
    m_pAmplYDraw->setPrecision(code == DimCodes ? 0 : 3);
    fitAmplitudeAxis();
    m_pAmplYDraw->invalidateCache();
    m_pAmplPlot->axisWidget(QwtPlot::yLeft)->update();
    m_pAmplPlot->replot();
    refreshReadouts();
}

void AmplPhaseDlg::setTimeUnit(int code)
{
    if (code == m_nTimeUnit)
        return;
    m_nTimeUnit = code;
    m_timeTransforms.setType(code);
    m_pTimeLabel->setText(timeTitle(code));
    m_pTimeLabel1->setText(timeTitle(code));
    for (OrmaPlot *plot : {m_pAmplPlot, m_pPhasePlot}) {
        static_cast<OrmaScaleDraw *>(plot->axisScaleDraw(QwtPlot::xBottom))->invalidateCache();
        plot->replot();
    }
    refreshReadouts();
}

void AmplPhaseDlg::setTimeRange(double start, double end, double step)
{
    for (OrmaPlot *plot : {m_pAmplPlot, m_pPhasePlot})
        plot->slotSetScaleX(start, end, step, false);
}

void AmplPhaseDlg::setRecordParams(const FileParams &params)
{
    const bool bitsChanged = params.bitRange != m_params.bitRange;
    m_params = params;
    m_timeTransforms.setSampleRate(params.sampleRate);
    m_amplTransforms.setBits(params.bitRange);
    m_amplTransforms.setRange(uint32_t(std::max(0, params.voltageRangeMv)));
    if (bitsChanged && !isFrequency())
        fitAmplitudeAxis();
}

// 0 .. full scale; the ticks are round in the unit shown (a power of two in codes, which
// is round for an ADC).
void AmplPhaseDlg::fitAmplitudeAxis()
{
    const double half = std::ldexp(1.0, std::max(1, int(m_params.bitRange)) - 1);
    const double unitsPerCode = m_amplTransforms.toUnits(1.0);
    const double step = m_nAmplUnit == DimCodes || !(unitsPerCode > 0)
        ? half / 8
        : roundStep(half * unitsPerCode, 8) / unitsPerCode;
    m_pAmplPlot->slotSetScaleY(0, half, step);
}

void AmplPhaseDlg::setData(IqSlice slice)
{
    m_data = std::move(slice);
}

void AmplPhaseDlg::compute()
{
    auto series = std::make_shared<Series>();
    const size_t n = m_data.size();
    series->x = m_data.x;
    series->x.resize(n);
    series->upper.resize(n);
    series->phase.resize(n);
    if (isFrequency())
        iqFrequency(m_data.re.data(), m_data.im.data(), n, m_params.sampleRate, series->upper.data());
    else
        iqEnvelope(m_data.re.data(), m_data.im.data(), n, m_dAmplScale, series->upper.data());
    iqPhase(m_data.re.data(), m_data.im.data(), n, series->phase.data());
    m_series = series;
    m_pAmplPlot->setCurveSamples(0, Qt::black, series->x.data(), series->upper.data(), int(n), series);
    m_pPhasePlot->setCurveSamples(0, Qt::black, series->x.data(), series->phase.data(), int(n), series);
    if (m_bFitFrequency && n > 0) {
        // The axis takes in negative frequencies too.
        m_bFitFrequency = false;
        const auto [lo, hi] = std::minmax_element(series->upper.begin(), series->upper.end());
        const double top = *hi > 0 ? *hi + 1000 : 0, bottom = *lo < 0 ? *lo - 1000 : 0;
        const double step = roundStep(top > bottom ? top - bottom : 1000, 10);
        m_pAmplPlot->slotSetScaleY(std::floor(bottom / step) * step, std::ceil(top / step) * step, step);
    }
    for (OrmaPlot *plot : {m_pAmplPlot, m_pPhasePlot}) {
        plot->slotShowChannel(0, false);
        plot->replot();
    }
    refreshReadouts();
}

bool AmplPhaseDlg::prepare(const ViewSetup &setup)
{
    if (!setup.shown.block || !setup.shown.block->channelSamples(0))
        return false;
    setTimeUnit(setup.timeUnit);
    setAmplitudeUnit(setup.amplitudeUnit);
    setAmplScale(setup.amplScale);
    return true;
}

void AmplPhaseDlg::followBlock(const MeasurementContext &context)
{
    const BlockSnapshotPtr &block = context.block;
    const ScopeWindow &window = context.scope;
    if (!isVisible() || !block)
        return;
    const int k = block->channels.indexOf(window.currentChannel);
    setRecordParams(block->fileOfChannel(window.currentChannel));
    setData(makeIqSlice(*block, k, spanOfSamples(*block, window.firstSample, window.lastSample)));
    if (window.lastSample > window.firstSample)
        setTimeRange(window.firstSample, window.lastSample, 0); // ticks of the axis's own choice
    compute();
}

// --- choosers and markers -------------------------------------------------------------------

void AmplPhaseDlg::slotDataTypeChange(QString sType)
{
    if (sType == QString::fromUtf8("Частота")) {
        m_bFitFrequency = true;
        m_pAmplYDraw->setTransforms(nullptr);
        m_pAmplYDraw->setPrecision(0);
        m_pAmplTitle->setTitle(QString::fromUtf8("Частота(Гц)"));
        m_pAmplLabel[0]->setText(QString::fromUtf8("Частота = "));
        m_pAmplLabel[1]->setText(QString::fromUtf8("Частота = "));
        m_pAmplLabel[2]->setText(QString::fromUtf8("dF = "));
    } else {
        m_pAmplYDraw->setTransforms(&m_amplTransforms);
        setAmplitudeUnit(m_nAmplUnit);
        m_pAmplLabel[0]->setText(QString::fromUtf8("Ампл = "));
        m_pAmplLabel[1]->setText(QString::fromUtf8("Ампл = "));
        m_pAmplLabel[2]->setText(QString::fromUtf8("dА = "));
    }
    compute();
}

void AmplPhaseDlg::slotAngleTypeChange(QString sType)
{
    const bool radians = sType == QString::fromUtf8("Радианы");
    m_angleTransforms.setType(radians ? DimRadians : DimDegrees);
    m_pPhaseTitle->setTitle(QString::fromUtf8(radians ? "Фаза(радианы)" : "Фаза(градусы)"));
    m_pPhaseYDraw->invalidateCache();
    m_pPhasePlot->axisWidget(QwtPlot::yLeft)->update();
    m_pPhasePlot->replot();
    refreshReadouts();
}

void AmplPhaseDlg::slotMarkerEnable(bool isEnable)
{
    if (!isEnable)
        return;
    QObject *radio = sender();
    OrmaPlot *plot = radio == m_pAmplRedRadio || radio == m_pAmplBlueRadio ? m_pAmplPlot : m_pPhasePlot;
    const bool red = radio == m_pAmplRedRadio || radio == m_pPhaseRedRadio;
    plot->enableRedMarker(red);
    plot->enableBlueMarker(!red);
}

void AmplPhaseDlg::slotMoveMarker(QwtDoublePoint &point)
{
    auto *plot = qobject_cast<OrmaPlot *>(sender());
    if (!plot)
        return;
    Markers &m = plot == m_pAmplPlot ? m_amplMarkers : m_phaseMarkers;
    if (plot->isRedMarkerEnabled()) {
        m.red = point;
        m.hasRed = true;
    } else {
        m.blue = point;
        m.hasBlue = true;
    }
    refreshReadouts();
}

// --- read-outs --------------------------------------------------------------------------------

void AmplPhaseDlg::showRow(QLineEdit *red, QLineEdit *blue, QLineEdit *delta, const Markers &m,
                           int decimals, const std::function<double(const QwtDoublePoint &)> &value)
{
    red->setText(m.hasRed ? trimmedNumber(value(m.red), decimals) : QString());
    blue->setText(m.hasBlue ? trimmedNumber(value(m.blue), decimals) : QString());
    delta->setText(m.hasRed && m.hasBlue ? trimmedNumber(std::abs(value(m.blue) - value(m.red)), decimals)
                                         : QString());
}

void AmplPhaseDlg::refreshReadouts()
{
    const auto time = [this](const QwtDoublePoint &p) { return m_timeTransforms.toUnits(p.x()); };
    showRow(m_pRedTimeAmplEdit, m_pBlueTimeAmplEdit, m_pDeltaTimeAmplEdit, m_amplMarkers, 3, time);
    showRow(m_pRedTimePhaseEdit, m_pBlueTimePhaseEdit, m_pDeltaTimePhaseEdit, m_phaseMarkers, 3, time);
    const bool whole = isFrequency() || m_nAmplUnit == DimCodes;
    showRow(m_pRedAmplEdit, m_pBlueAmplEdit, m_pDeltaAmplEdit, m_amplMarkers, whole ? 0 : 3,
            [this](const QwtDoublePoint &p) { return isFrequency() ? p.y() : m_amplTransforms.toUnits(p.y()); });
    // The phase difference is the smaller angle between the two, 0 to 180 degrees.
    const Markers &m = m_phaseMarkers;
    auto angle = [this](double deg) { return trimmedNumber(m_angleTransforms.toUnits(deg), 2); };
    m_pRedPhaseEdit->setText(m.hasRed ? angle(m.red.y()) : QString());
    m_pBluePhaseEdit->setText(m.hasBlue ? angle(m.blue.y()) : QString());
    m_pDeltaPhaseEdit->setText(m.hasRed && m.hasBlue
                                   ? angle(std::abs(std::remainder(m.blue.y() - m.red.y(), 360.0)))
                                   : QString());
}
