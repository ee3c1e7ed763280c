#include "dialogs/AdcDistribDlg.h"

#include "panels/PanelNumbers.h"
#include "plot/OrmaMarker.h"
#include "plot/OrmaPlot.h"
#include "plot/QwtPlotCurveEx.h"
#include "sources/ui/SettingsDlg.h"

#include <qwt_plot_marker.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int MeasuredCurve = 0;
constexpr int IdealCurve = 1; // or the best-fit INL beside the end-point one

// The Y choices past the histogram's scales: the code-density test's curves.
constexpr int DnlChoice = 3;
constexpr int InlChoice = 4;

DistributionCurve curveOf(int yChoice)
{
    return yChoice == DnlChoice   ? DistributionCurve::Dnl
           : yChoice == InlChoice ? DistributionCurve::Inl
                                  : DistributionCurve::Histogram;
}

// A largest figure with the code where it occurs.
QString figureAtCode(double v, int code)
{
    return QString::fromUtf8("%1 (код %2)").arg(QString::number(v, 'f', 3)).arg(code);
}

// Six decimals for the nonlinearity figures; blank where they are undefined.
QString figureText(double v)
{
    return std::isfinite(v) ? QString::number(v, 'f', 6) : QString();
}

QString threeDecimals(double v) { return std::isfinite(v) ? QString::number(v, 'f', 3) : QString(); }

// The tool tip a field shows while it holds a figure; a withheld one shows the reason instead.
const char *const BaseToolTip = "baseToolTip";

QString sentence(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

} // namespace

AdcDistribDlg::AdcDistribDlg(QWidget *parent)
    : QDialog(parent),
      m_task(computeDistribution,
             [this](std::shared_ptr<const DistributionResult> r) { showResult(std::move(r)); })
{
    setWindowTitle(QString::fromUtf8("Распределение отсчетов АЦП"));
    buildWidgets();
    setSettings(AdcDistribSettings());
    connect(this, &AdcDistribDlg::signalReplot, this, &AdcDistribDlg::slotReplot);
}

AdcDistribDlg::~AdcDistribDlg() { m_task.wait(); }

void AdcDistribDlg::buildWidgets()
{
    m_pAdcPlot = named(new OrmaPlot, "m_pAdcPlot");
    m_pAdcPlot->setMinimumSize(520, 360);
    m_pAdcPlot->setAxisTitle(QwtPlot::xBottom, QString::fromUtf8("Коды АЦП"));
    // A light canvas for the black histogram; no record position to mark.
    m_pAdcPlot->setCanvasBackground(Qt::white);
    m_pAdcPlot->positionLine()->hide(); // no record position to mark; the plot keeps owning it

    m_pAllDataCmbBox = named(new QComboBox, "m_pAllDataCmbBox");
    m_pAllDataCmbBox->addItems({QString::fromUtf8("в окне осциллографа"), QString::fromUtf8("на всей выборке")});
    m_pXDimCmbBox = named(new QComboBox, "m_pXDimCmbBox");
    m_pXDimCmbBox->addItems({QString::fromUtf8("Коды АЦП"), QString::fromUtf8("мВ")});
    m_pYDimCmbBox = named(new QComboBox, "m_pYDimCmbBox");
    m_pYDimCmbBox->addItems({QString::fromUtf8("Количество отсчетов"),
                             QString::fromUtf8("Относительно макс. значения"),
                             QString::fromUtf8("Относительно общего числа"),
                             QString::fromUtf8("ДНЛ по коду, МЗР"), QString::fromUtf8("ИНЛ по коду, МЗР")});
    m_pYDimCmbBox->setItemData(InlChoice, QString::fromUtf8("Черная — по конечным точкам, красная — по прямой МНК"),
                               Qt::ToolTipRole);
    m_pDataTypeCmbBox = named(new QComboBox, "m_pDataTypeCmbBox");
    m_pDataTypeCmbBox->addItems({"Dec", "Hex", "Bin"});
    m_pSinCheck = named(new QCheckBox(QString::fromUtf8("Синусоидальный сигнал")), "m_pSinCheck");
    m_pShowIdealCheck = named(new QCheckBox(QString::fromUtf8("Показать идеальное распределение")),
                              "m_pShowIdealCheck");

    auto readout = [](const char *name) {
        auto *edit = named(new QLineEdit, name);
        edit->setReadOnly(true);
        edit->setMaxLength(24);
        edit->setMinimumWidth(90);
        return edit;
    };
    m_pMeanNonLinearEdit = readout("m_pMeanNonLinearEdit");
    m_pMeanNonLinearEdit->setToolTip(QString::fromUtf8(
        "Среднее по кодам синуса относительное отклонение гистограммы от идеального "
        "распределения:\nΣ |nᵢ/n − pᵢ| / pᵢ, делённая на число кодов (0 у идеального АЦП)"));
    m_pDiffNonLinearEdit = readout("m_pDiffNonLinearEdit");
    m_pDiffNonLinearEdit->setToolTip(QString::fromUtf8(
        "(nᵢ/n − pᵢ) / pᵢ для кода под активным курсором: 0 — код нормальной ширины, −1 — "
        "пропущенный код"));
    for (QLineEdit *edit : {m_pMeanNonLinearEdit, m_pDiffNonLinearEdit})
        edit->setProperty(BaseToolTip, edit->toolTip());
    m_pMaxDnlEdit = readout("m_pMaxDnlEdit");
    m_pMaxDnlEdit->setToolTip(QString::fromUtf8(
        "Наибольшая по модулю ДНЛ кодов синуса (тест плотности кодов), МЗР, и ее код; крайние коды не учитываются"));
    m_pMaxInlEdit = readout("m_pMaxInlEdit");
    m_pMaxInlEdit->setToolTip(QString::fromUtf8(
        "Наибольшая по модулю ИНЛ относительно прямой через первый и последний переходы, МЗР"));
    m_pMaxInlFitEdit = readout("m_pMaxInlFitEdit");
    m_pMaxInlFitEdit->setToolTip(QString::fromUtf8(
        "Наибольшая по модулю ИНЛ относительно прямой МНК через все переходы, МЗР"));
    m_pMissingCodesEdit = readout("m_pMissingCodesEdit");
    m_pMissingCodesEdit->setMaxLength(200);
    m_pMissingCodesEdit->setToolTip(QString::fromUtf8("Число кодов синуса без единого отсчета (ДНЛ = −1) и сами коды"));
    for (QLineEdit *edit : {m_pMaxDnlEdit, m_pMaxInlEdit, m_pMaxInlFitEdit, m_pMissingCodesEdit})
        edit->setProperty(BaseToolTip, edit->toolTip());
    m_pOffsetZeroEdit = readout("m_pOffsetZeroEdit");
    m_pSumEdit = readout("m_pSumEdit");
    m_pRedRadio = named(new QRadioButton(QString::fromUtf8("Красный")), "m_pRedRadio");
    m_pBlueRadio = named(new QRadioButton(QString::fromUtf8("Синий")), "m_pBlueRadio");
    m_pRedXEdit = readout("m_pRedXEdit");
    m_pRedYEdit = readout("m_pRedYEdit");
    m_pBlueXEdit = readout("m_pBlueXEdit");
    m_pBlueYEdit = readout("m_pBlueYEdit");
    m_pDeltaXEdit = readout("m_pDeltaXEdit");
    m_pDeltaYEdit = readout("m_pDeltaYEdit");
    m_pStatusLabel = named(new QLabel, "m_pStatusLabel");
    m_pStatusLabel->setWordWrap(true);
    m_pReasonLabel = named(new QLabel, "m_pReasonLabel");
    m_pReasonLabel->setWordWrap(true);

    auto *modes = new QFormLayout;
    modes->addRow(QString::fromUtf8("Производить измерения"), m_pAllDataCmbBox);
    modes->addRow(QString::fromUtf8("Уровни АЦП (Ось X)"), m_pXDimCmbBox);
    modes->addRow(QString::fromUtf8("Распределение (Ось Y)"), m_pYDimCmbBox);
    modes->addRow(QString::fromUtf8("Формат кодов"), m_pDataTypeCmbBox);
    modes->addRow(m_pSinCheck);
    modes->addRow(m_pShowIdealCheck);

    auto *figures = new QFormLayout;
    figures->addRow(QString::fromUtf8("Интегральная нелинейность"), m_pMeanNonLinearEdit);
    figures->addRow(QString::fromUtf8("Дифф. нелинейность"), m_pDiffNonLinearEdit);
    figures->addRow(QString::fromUtf8("Смещение 0"), m_pOffsetZeroEdit);
    figures->addRow(QString::fromUtf8("Сумма"), m_pSumEdit);
    figures->addRow(QString::fromUtf8("Макс. |ДНЛ|, МЗР"), m_pMaxDnlEdit);
    figures->addRow(QString::fromUtf8("Макс. |ИНЛ| (конечные точки)"), m_pMaxInlEdit);
    figures->addRow(QString::fromUtf8("Макс. |ИНЛ| (прямая МНК)"), m_pMaxInlFitEdit);
    figures->addRow(QString::fromUtf8("Пропущенные коды"), m_pMissingCodesEdit);

    auto *cursors = new QGroupBox(QString::fromUtf8("Курсоры"));
    auto *grid = new QGridLayout(cursors);
    grid->addWidget(m_pRedRadio, 0, 0, 1, 4);
    grid->addWidget(new QLabel("X ="), 1, 0);
    grid->addWidget(m_pRedXEdit, 1, 1);
    grid->addWidget(new QLabel("Y ="), 1, 2);
    grid->addWidget(m_pRedYEdit, 1, 3);
    grid->addWidget(m_pBlueRadio, 2, 0, 1, 4);
    grid->addWidget(new QLabel("X ="), 3, 0);
    grid->addWidget(m_pBlueXEdit, 3, 1);
    grid->addWidget(new QLabel("Y ="), 3, 2);
    grid->addWidget(m_pBlueYEdit, 3, 3);
    grid->addWidget(new QLabel("dX ="), 4, 0);
    grid->addWidget(m_pDeltaXEdit, 4, 1);
    grid->addWidget(new QLabel("dY ="), 4, 2);
    grid->addWidget(m_pDeltaYEdit, 4, 3);

    auto *buttons = new QDialogButtonBox;
    buttons->addButton(QString::fromUtf8("Закрыть"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &AdcDistribDlg::accept);

    auto *side = new QVBoxLayout;
    side->addLayout(modes);
    side->addLayout(figures);
    side->addWidget(cursors);
    side->addWidget(m_pReasonLabel);
    side->addWidget(m_pStatusLabel);
    side->addStretch(1);
    side->addWidget(buttons);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_pAdcPlot, 1);
    layout->addLayout(side);

    m_pRedRadio->setChecked(true);
    m_pAdcPlot->enableRedMarker(true);
    m_pAdcPlot->enableBlueMarker(false);
    connect(m_pRedRadio, &QRadioButton::toggled, this, &AdcDistribDlg::slotMarkerEnable);
    connect(m_pBlueRadio, &QRadioButton::toggled, this, &AdcDistribDlg::slotMarkerEnable);
    // The click's own position; the marker is then placed on the trace nearest on screen.
    for (OrmaMarker *marker : {m_pAdcPlot->redMarker(), m_pAdcPlot->blueMarker()})
        connect(marker, QOverload<const QPointF &>::of(&QwtPlotPicker::selected), this,
                [this, marker](const QPointF &point) {
                    m_pClickedMarker = marker;
                    m_dClickedX = point.x();
                });
    connect(m_pAdcPlot, &OrmaPlot::signalMoveMarker, this, &AdcDistribDlg::slotMoveMarker);
    connect(m_pAdcPlot, &OrmaPlot::signalHideMarker, this, &AdcDistribDlg::slotHideMarker);
    connect(m_pDataTypeCmbBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &AdcDistribDlg::slotDataTypeChange);
    connect(m_pXDimCmbBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &AdcDistribDlg::slotDimXChange);
    connect(m_pYDimCmbBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &AdcDistribDlg::slotDimYChange);
    connect(m_pSinCheck, &QCheckBox::toggled, this, &AdcDistribDlg::refreshFigures);
    connect(m_pShowIdealCheck, &QCheckBox::toggled, this, [this] { showResult(m_result); });
    connect(m_pAllDataCmbBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        wholeRecordWishChanged();
        recompute();
    });
}

void AdcDistribDlg::setConfigPath(const QString &sPath)
{
    m_sConfigPath = sPath;
    AdcDistribSettings s;
    s.load(sPath);
    setSettings(s);
}

void AdcDistribDlg::setSettings(const AdcDistribSettings &s)
{
    const QSignalBlocker b1(m_pXDimCmbBox), b2(m_pYDimCmbBox), b3(m_pDataTypeCmbBox),
        b4(m_pAllDataCmbBox);
    m_pXDimCmbBox->setCurrentIndex(s.isMillivolts ? 1 : 0);
    m_pYDimCmbBox->setCurrentIndex(s.yDim);
    m_pDataTypeCmbBox->setCurrentIndex(s.isMillivolts ? 0 : s.dataType);
    m_pAllDataCmbBox->setCurrentIndex(s.isAllData ? 1 : 0);
    m_pSinCheck->setChecked(s.isSin);
    m_pShowIdealCheck->setChecked(s.isShowIdeal);
    m_pShowIdealCheck->setEnabled(s.yDim == int(HistogramScale::RelativeToTotal));
    m_pAdcPlot->setAxisTitle(QwtPlot::xBottom, m_pXDimCmbBox->currentText());
    m_pAdcPlot->setAxisTitle(QwtPlot::yLeft, m_pYDimCmbBox->currentText());
    recompute();
}

AdcDistribSettings AdcDistribDlg::settings() const
{
    AdcDistribSettings s;
    s.dataType = m_pDataTypeCmbBox->currentIndex();
    s.isMillivolts = m_pXDimCmbBox->currentIndex() == 1;
    s.yDim = m_pYDimCmbBox->currentIndex();
    s.isSin = m_pSinCheck->isChecked();
    s.isShowIdeal = m_pShowIdealCheck->isChecked();
    s.isAllData = m_pAllDataCmbBox->currentIndex() == 1;
    return s;
}

void AdcDistribDlg::saveSettings() const
{
    if (!m_sConfigPath.isEmpty())
        settings().save(m_sConfigPath);
}

bool AdcDistribDlg::wantsWholeRecord() const
{
    return isVisible() && m_pAllDataCmbBox->currentIndex() == 1;
}

void AdcDistribDlg::followBlock(const MeasurementContext &context)
{
    if (!isVisible() || !context.block)
        return;
    m_block = context.block;
    m_nChannel = context.channel;
    m_nVisibleWidth = uint64_t(std::max(context.scope.width, 0));
    recompute();
}

void AdcDistribDlg::recompute()
{
    if (!m_block || !isVisible())
        return;
    DistributionRequest request = distributionRequest(
        m_block, m_nChannel, m_pAllDataCmbBox->currentIndex() == 1, m_nVisibleWidth);
    request.curve = curveOf(m_pYDimCmbBox->currentIndex());
    if (request.curve == DistributionCurve::Histogram)
        request.scale = HistogramScale(m_pYDimCmbBox->currentIndex());
    request.isMillivolts = m_pXDimCmbBox->currentIndex() == 1;
    m_task.submit(std::move(request));
}

void AdcDistribDlg::showResult(std::shared_ptr<const DistributionResult> result)
{
    m_result = std::move(result);
    if (!m_result)
        return;
    const DistributionResult &r = *m_result;
    if (!r.error.isEmpty()) {
        m_pAdcPlot->removeCurves(true);
        m_pStatusLabel->setText(QString::fromUtf8("Гистограмма не построена: ") + r.error);
        emit signalReplot();
        return;
    }
    const CodeHistogram &h = r.histogram;
    const int count = h.binCount();
    const double half = h.half();
    const double xHalf = r.isMillivolts ? codeToMillivolts(half, h.bitRange, r.voltageRangeMv) : half;
    m_pAdcPlot->setAxisRange(QwtPlot::xBottom, -xHalf, xHalf, xHalf / 2);
    m_pAdcPlot->setCurveSamples(MeasuredCurve, Qt::black, r.x.data(), r.y.data(), count, m_result);
    const bool histogram = curveOf(m_pYDimCmbBox->currentIndex()) == DistributionCurve::Histogram;
    // The INL's second curve is always drawn; the ideal distribution when asked for.
    const bool idealShown = !r.ideal.empty()
                            && (!histogram || (m_pShowIdealCheck->isEnabled() && m_pShowIdealCheck->isChecked()));
    if (idealShown) {
        m_pAdcPlot->setCurveSamples(IdealCurve, Qt::red, r.x.data(), r.ideal.data(), count, m_result);
        // The measurement is drawn over the reference.
        m_pAdcPlot->curve(IdealCurve)->setZ(m_pAdcPlot->curve(MeasuredCurve)->z() - 1);
    }
    else if (m_pAdcPlot->curve(IdealCurve))
        m_pAdcPlot->setCurveSamples(IdealCurve, Qt::red, nullptr, nullptr, 0);
    double top = *std::max_element(r.y.begin(), r.y.end());
    double bottom = *std::min_element(r.y.begin(), r.y.end());
    if (idealShown) {
        top = std::max(top, *std::max_element(r.ideal.begin(), r.ideal.end()));
        bottom = std::min(bottom, *std::min_element(r.ideal.begin(), r.ideal.end()));
    }
    if (histogram)
        m_pAdcPlot->setAxisRange(QwtPlot::yLeft, 0.0, top > 0 ? top * 1.05 : 1.0, 0.0);
    else {
        // DNL and INL swing both ways about zero; at least a tenth of an LSB either side.
        const double reach = std::max({std::fabs(top), std::fabs(bottom), 0.1}) * 1.1;
        m_pAdcPlot->setAxisRange(QwtPlot::yLeft, -reach, reach, 0.0);
    }

    QString status = QString::fromUtf8("Отсчетов: %1").arg(h.counted);
    if (h.clamped())
        status += QString::fromUtf8("; за пределами шкалы: %1 (в крайних кодах)").arg(h.clamped());
    if (h.rejected)
        status += QString::fromUtf8("; не числа: %1").arg(h.rejected);
    const CodeDensity &c = r.codeDensity;
    if (c.defined() && (c.clippedLow || c.clippedHigh))
        status += QString::fromUtf8("; крайние коды %1 … %2 в ДНЛ и ИНЛ не входят").arg(c.firstCode).arg(c.lastCode);
    const CodeDensityOptions asked; // the dialog asks for the usual resolution and confidence
    if (c.defined() && c.tooFewSamples)
        status += QString::fromUtf8("; для ДНЛ с точностью %1 МЗР (%2 %) нужно не меньше %3 отсчетов")
                      .arg(QString::number(asked.dnlResolution))
                      .arg(QString::number(100 * asked.confidence))
                      .arg(std::ceil(c.samplesNeeded), 0, 'f', 0);
    m_pStatusLabel->setText(status);
    emit signalReplot();
}

void AdcDistribDlg::showFigure(QLineEdit *edit, const QString &text, const QString &reason)
{
    showReadout(edit, reason.isEmpty() ? text : QString());
    edit->setToolTip(reason.isEmpty() ? edit->property(BaseToolTip).toString() : sentence(reason));
}

void AdcDistribDlg::refreshReason()
{
    QString reason;
    if (m_result) {
        reason = m_result->error.isEmpty() ? m_result->spanNote : m_result->error;
        if (reason.isEmpty() && m_pSinCheck->isChecked())
            reason = m_result->sineReason;
    }
    m_pReasonLabel->setText(sentence(reason));
    reportReason(m_pReasonLabel->text());
}

void AdcDistribDlg::refreshFigures()
{
    refreshReason();
    const QString error = m_result ? m_result->error : QString();
    if (!m_result || !error.isEmpty()) {
        for (QLineEdit *e : {m_pMeanNonLinearEdit, m_pOffsetZeroEdit, m_pSumEdit})
            showFigure(e, QString(), error);
    } else {
        const DistributionResult &r = *m_result;
        const CodeDistribution &d = r.distribution;
        const bool sine = m_pSinCheck->isChecked();
        showFigure(m_pMeanNonLinearEdit, sine ? figureText(d.inl) : QStringLiteral("0"),
                   sine ? r.sineReason : QString());
        const double offset = r.isMillivolts
                                  ? codeToMillivolts(d.meanCode, r.histogram.bitRange, r.voltageRangeMv)
                                  : d.meanCode;
        showFigure(m_pOffsetZeroEdit, threeDecimals(offset));
    }
    refreshCodeDensity();
    refreshMarkers();
}

void AdcDistribDlg::refreshCodeDensity()
{
    QLineEdit *const all[] = {m_pMaxDnlEdit, m_pMaxInlEdit, m_pMaxInlFitEdit, m_pMissingCodesEdit};
    QString reason = m_result ? m_result->error : QString();
    if (m_result && reason.isEmpty() && m_pSinCheck->isChecked())
        reason = m_result->codeDensityReason;
    if (!m_result || !reason.isEmpty()) {
        for (QLineEdit *e : all)
            showFigure(e, QString(), reason);
        return;
    }
    if (!m_pSinCheck->isChecked()) {
        for (QLineEdit *e : all)
            showFigure(e, QStringLiteral("0"));
        return;
    }
    const CodeDensity &c = m_result->codeDensity;
    showFigure(m_pMaxDnlEdit, figureAtCode(c.maxDnl, c.maxDnlCode));
    showFigure(m_pMaxInlEdit, figureAtCode(c.maxInlEndPoint, c.maxInlEndPointCode));
    showFigure(m_pMaxInlFitEdit, figureAtCode(c.maxInlBestFit, c.maxInlBestFitCode));
    QStringList codes;
    for (int code : c.missingCodes)
        codes << QString::number(code);
    showFigure(m_pMissingCodesEdit, codes.isEmpty() ? QStringLiteral("0")
                                                    : QStringLiteral("%1: %2").arg(codes.size()).arg(codes.join(", ")));
}

int AdcDistribDlg::codeAt(double x) const
{
    if (!m_result || !m_result->isMillivolts)
        return int(std::lround(x));
    const CodeHistogram &h = m_result->histogram;
    const double mvPerCode = codeToMillivolts(1.0, h.bitRange, m_result->voltageRangeMv);
    return mvPerCode != 0.0 ? int(std::lround(x / mvPerCode)) : 0;
}

QString AdcDistribDlg::codeText(double x) const
{
    if (m_result && m_result->isMillivolts)
        return QString::number(x, 'f', 3);
    const int code = int(std::lround(x));
    switch (m_pDataTypeCmbBox->currentIndex()) {
    case AdcDistribSettings::Hex:
        return (code < 0 ? "-0x" : "0x") + QString::number(std::abs(code), 16).toUpper();
    case AdcDistribSettings::Bin:
        return (code < 0 ? "-" : "") + QString::number(std::abs(code), 2);
    default:
        return QString::number(code);
    }
}

void AdcDistribDlg::refreshMarkers()
{
    const bool red = m_pAdcPlot->isRedMarkerShown(), blue = m_pAdcPlot->isBlueMarkerShown();
    const QwtDoublePoint pr = m_pAdcPlot->markerValue(false), pb = m_pAdcPlot->markerValue(true);
    showReadout(m_pRedXEdit, red ? codeText(pr.x()) : QString());
    showReadout(m_pRedYEdit, red ? threeDecimals(pr.y()) : QString());
    showReadout(m_pBlueXEdit, blue ? codeText(pb.x()) : QString());
    showReadout(m_pBlueYEdit, blue ? threeDecimals(pb.y()) : QString());
    const bool both = red && blue;
    showReadout(m_pDeltaXEdit, both ? threeDecimals(std::fabs(pr.x() - pb.x())) : QString());
    showReadout(m_pDeltaYEdit, both ? threeDecimals(std::fabs(pr.y() - pb.y())) : QString());

    const DistributionResult *r = m_result && m_result->error.isEmpty() ? m_result.get() : nullptr;
    if (!r) {
        const QString error = m_result ? m_result->error : QString();
        showFigure(m_pDiffNonLinearEdit, QString(), error);
        showFigure(m_pSumEdit, QString(), error);
        return;
    }
    // The DNL of the active marker's code; blank without a marker on the plot.
    const bool activeBlue = m_pBlueRadio->isChecked();
    const bool activeShown = activeBlue ? blue : red;
    QString dnl = QStringLiteral("0");
    if (m_pSinCheck->isChecked())
        dnl = activeShown ? figureText(dnlAtCode(r->histogram, r->distribution,
                                                 codeAt(activeBlue ? pb.x() : pr.x())))
                          : QString();
    showFigure(m_pDiffNonLinearEdit, dnl, m_pSinCheck->isChecked() && activeShown ? r->sineReason : QString());
    // Between the two markers; one marker alone sums its code, none the whole histogram.
    double from = -INFINITY, to = INFINITY;
    if (red || blue) {
        from = codeAt(red ? pr.x() : pb.x());
        to = codeAt(blue ? pb.x() : pr.x());
    }
    showReadout(m_pSumEdit, threeDecimals(sumBetweenCodes(r->histogram, r->y, from, to)));
}

void AdcDistribDlg::slotReplot()
{
    // The replot re-seats the markers on the new curves; their read-outs follow.
    m_pAdcPlot->replot();
    refreshFigures();
}

void AdcDistribDlg::seatClickedMarker()
{
    OrmaMarker *marker = std::exchange(m_pClickedMarker, nullptr);
    const DistributionResult *r = m_result && m_result->error.isEmpty() ? m_result.get() : nullptr;
    if (!marker || !r)
        return;
    const CodeHistogram &h = r->histogram;
    const size_t bin = size_t(std::clamp(codeAt(m_dClickedX) + h.half(), 0, h.binCount() - 1));
    marker->setValue(QwtDoublePoint(r->x[bin], r->y[bin]));
    // Re-seated on the sample of that code of whichever curve it sits on.
    m_pAdcPlot->replot();
}

void AdcDistribDlg::slotMarkerEnable(bool isChecked)
{
    if (!isChecked)
        return;
    const bool blue = m_pBlueRadio->isChecked();
    m_pAdcPlot->enableRedMarker(!blue);
    m_pAdcPlot->enableBlueMarker(blue);
    refreshMarkers();
}

void AdcDistribDlg::slotMoveMarker(QwtDoublePoint &point)
{
    Q_UNUSED(point);
    seatClickedMarker();
    refreshMarkers();
}

void AdcDistribDlg::slotDataTypeChange(int nIdx)
{
    // Millivolts are written in decimal only.
    if (nIdx != AdcDistribSettings::Dec && m_pXDimCmbBox->currentIndex() == 1) {
        const QSignalBlocker blocker(m_pDataTypeCmbBox);
        m_pDataTypeCmbBox->setCurrentIndex(AdcDistribSettings::Dec);
    }
    refreshMarkers();
}

void AdcDistribDlg::slotDimXChange(int nIdx)
{
    if (nIdx == 1) {
        const QSignalBlocker blocker(m_pDataTypeCmbBox);
        m_pDataTypeCmbBox->setCurrentIndex(AdcDistribSettings::Dec);
    }
    m_pAdcPlot->setAxisTitle(QwtPlot::xBottom, m_pXDimCmbBox->currentText());
    // Marker positions are in the old unit.
    m_pAdcPlot->hideMarkers();
    recompute();
    refreshMarkers();
}

void AdcDistribDlg::slotDimYChange(int nIdx)
{
    m_pAdcPlot->setAxisTitle(QwtPlot::yLeft, m_pYDimCmbBox->itemText(nIdx));
    m_pShowIdealCheck->setEnabled(nIdx == int(HistogramScale::RelativeToTotal));
    m_pAdcPlot->hideMarkers();
    recompute();
    refreshMarkers();
}

void AdcDistribDlg::slotHideMarker() { refreshMarkers(); }

void AdcDistribDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    wholeRecordWishChanged();
}

void AdcDistribDlg::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    // However it was closed (accepted, closed, Escape).
    saveSettings();
    // A whole record stays in memory only while it is shown.
    m_block.reset();
    wholeRecordWishChanged();
}
