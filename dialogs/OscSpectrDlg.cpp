#include "dialogs/OscSpectrDlg.h"

#include "dsp/Windows.h"
#include "plot/OrmaScaleDraw.h"
#include "sources/ui/IntValidator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <climits>

namespace {

// The labels of the units the analyser offers.
QString unitText(int nCode)
{
    switch (nCode) {
    case DimSamples: return QString::fromUtf8("Отсчеты");
    case DimSeconds: return QString::fromUtf8("с");
    case DimMilliseconds: return QString::fromUtf8("мс");
    case DimMicroseconds: return QString::fromUtf8("мкс");
    case DimCodes: return QString::fromUtf8("Ед.Мл.Разряда");
    case DimVolts: return QString::fromUtf8("В");
    case DimMillivolts: return QString::fromUtf8("мВ");
    case DimNone: return QStringLiteral("Bin");
    case DimHertz: return QString::fromUtf8("Гц");
    case DimKilohertz: return QString::fromUtf8("кГц");
    case DimDecibelsRelative: return QString::fromUtf8("дБ/макс");
    case DimDecibels: return QString::fromUtf8("дБ");
    case DimDbm: return QString::fromUtf8("дБм");
    case DimDbMicrovolt: return QString::fromUtf8("дБмкВ");
    case DimDbfs: return QString::fromUtf8("дБFS");
    default: return QString();
    }
}

// The order of the list; the stored code of each entry is found by its label.
const char *const WindowListOrder[] = {
    "Прямоугольное", "Хэннинга", "Хэмминга", "Блэкмана-Хэрриса", "Точное Блэкмана", "Блэкмана",
    "FlatTop", "4-х чл. Блэкмана-Хэрриса", "7-ми чл. Блэкмана-Хэрриса", "Кайзера", "Чебышева"};

const char *const FftSizeTexts[] = {"8M",   "4M",   "2M",   "1M",   "512K", "256K", "128K",
                                    "64K",  "32K",  "16K",  "8K",   "4096", "2048", "1024",
                                    "512",  "256",  "128",  "64",   "32",   "16"};

constexpr uint32_t MaxFallbackFftSize = 1048576;

const QString FftTooLong = QStringLiteral("\nРазмер ДПФ не должен превосходить число отсчётов на канал!");

QString numberText(int nValue)
{
    return QString::number(nValue);
}

// One entry per code, carrying the code as its data.
template <size_t N>
QComboBox *codedCombo(const std::array<int, N> &codes, QString (*label)(int) = unitText)
{
    auto *combo = new QComboBox;
    for (int nCode : codes)
        combo->addItem(label(nCode), nCode);
    return combo;
}

void selectCode(QComboBox *combo, int nCode)
{
    combo->setCurrentIndex(combo->findData(nCode));
}

int currentCode(const QComboBox *combo)
{
    return combo->currentIndex() < 0 ? 0 : combo->currentData().toInt();
}

int windowCodeOfLabel(const QString &sLabel)
{
    for (int nCode = 0; nCode < WindowTypeCount; ++nCode)
        if (sLabel == QString::fromUtf8(windowLabel(nCode)))
            return nCode;
    return 0;
}

// "512K" = 512 x 1024, "2M" = 2 x 1048576, "4096" = 4096.
uint32_t fftSizeOfText(const QString &sText)
{
    uint32_t nScale = 1;
    QString sNumber = sText;
    if (sText.endsWith(QLatin1Char('K')))
        nScale = 1024;
    else if (sText.endsWith(QLatin1Char('M')))
        nScale = 1048576;
    if (nScale != 1)
        sNumber.chop(1);
    return sNumber.toUInt() * nScale;
}

QLabel *unitLabel(const char *sText)
{
    return new QLabel(QString::fromUtf8(sText));
}

// Forms on these pages put a label before its field; fields keep their label as accessible
// name so that warnings and screen readers can name them.
void addRow(QFormLayout *form, const char *sLabel, QWidget *field)
{
    field->setAccessibleName(QString::fromUtf8(sLabel));
    form->addRow(unitLabel(sLabel), field);
}

QGroupBox *group(const char *sTitle, QLayout *layout)
{
    auto *box = new QGroupBox(QString::fromUtf8(sTitle));
    box->setLayout(layout);
    return box;
}

QFormLayout *newForm()
{
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return form;
}

QSpinBox *intSpin(int nMin, int nMax, int nStep)
{
    auto *spin = new QSpinBox;
    spin->setRange(nMin, nMax);
    spin->setSingleStep(nStep);
    return spin;
}

QDoubleSpinBox *powerSpin(double dMin, double dMax)
{
    auto *spin = new QDoubleSpinBox;
    spin->setDecimals(1);
    spin->setRange(dMin, dMax);
    spin->setSingleStep(10.0);
    return spin;
}

QLineEdit *typedEdit(QValidator *validator)
{
    auto *edit = new QLineEdit;
    validator->setParent(edit);
    // "1,5" must not pass for a number that reads back as 0.
    validator->setLocale(plainNumberLocale());
    edit->setValidator(validator);
    edit->setMaximumWidth(120);
    return edit;
}

} // namespace

OscSpectrDlg::OscSpectrDlg(QWidget *parent) : SettingsDlg(parent)
{
    setWindowTitle(QString::fromUtf8("Параметры"));

    m_pTabWidget = named(new QTabWidget, "m_pTabWidget");
    m_pTabWidget->addTab(buildOscPage(), QString::fromUtf8("Осциллограф"));
    m_pTabWidget->addTab(buildSpectrPage(), QString::fromUtf8("Анализатор спектра"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pTabWidget);
    layout->addWidget(newButtonBox(QStringLiteral("OK"), QStringLiteral("Cancel")));

    m_pAccumulationCheck->hide();
    connect(m_pWindowTypeBox, &QComboBox::currentTextChanged, this, &OscSpectrDlg::slotWindowTypeChange);
    // Only a choice of the user is checked against the record length; the main window's own
    // setFftSize() passes the source's size through unchanged.
    connect(m_pFftSizeCmbBox, QOverload<int>::of(&QComboBox::activated), this,
            &OscSpectrDlg::slotFftSizeChange);
    connect(m_pDbCheck, &QCheckBox::toggled, m_pLowFreqEdit, &QWidget::setEnabled);
    setSettings(AnalyserSettings());
}

QWidget *OscSpectrDlg::buildOscPage()
{
    m_pXDimensionCmbBox = named(codedCombo(AnalyserSettings::TimeUnits), "m_pXDimensionCmbBox");
    m_pTimeOutSpin = named(intSpin(1, 1000, 10), "m_pTimeOutSpin");
    m_pYDimensionCmbBox = named(codedCombo(AnalyserSettings::AmplUnits), "m_pYDimensionCmbBox");
    m_pGainCmbBox = named(new QComboBox, "m_pGainCmbBox");
    m_pGainCmbBox->addItems({QString::fromUtf8("к входу АЦП"), QString::fromUtf8("к входу модуля")});
    m_pInterpolationCheck = named(new QCheckBox(QString::fromUtf8("Интерполяция")), "m_pInterpolationCheck");
    m_pAccumulationCheck =
        named(new QCheckBox(QString::fromUtf8("Накопление осциллограмм")), "m_pAccumulationCheck");

    QFormLayout *timeForm = newForm();
    addRow(timeForm, "Единица измерения", m_pXDimensionCmbBox);

    QFormLayout *amplForm = newForm();
    addRow(amplForm, "Единица измерения", m_pYDimensionCmbBox);
    addRow(amplForm, "Привести сигнал", m_pGainCmbBox);
    amplForm->addRow(m_pInterpolationCheck);
    amplForm->addRow(m_pAccumulationCheck);

    // The refresh period belongs to neither axis.
    QFormLayout *refreshForm = newForm();
    refreshForm->setContentsMargins(10, 6, 10, 0);
    addRow(refreshForm, "Минимальный период обновления экрана (мс)", m_pTimeOutSpin);

    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(group("Ось времени", timeForm));
    layout->addWidget(group("Ось амплитуд", amplForm));
    layout->addLayout(refreshForm);
    layout->addStretch();
    return page;
}

QWidget *OscSpectrDlg::buildSpectrPage()
{
    auto *columns = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(buildFftGroup());
    left->addWidget(buildFreqGroup());
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(buildPowerGroup());
    right->addStretch();
    columns->addLayout(left);
    columns->addLayout(right);

    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(columns);
    layout->addWidget(buildQualityGroup());
    layout->addStretch();
    return page;
}

QWidget *OscSpectrDlg::buildFftGroup()
{
    m_pFftSizeCmbBox = named(new QComboBox, "m_pFftSizeCmbBox");
    for (const char *sText : FftSizeTexts)
        m_pFftSizeCmbBox->addItem(QString::fromLatin1(sText));
    m_pAverageCountSpin = named(intSpin(1, 99, 1), "m_pAverageCountSpin");
    m_pWindowTypeBox = named(new QComboBox, "m_pWindowTypeBox");
    for (const char *sLabel : WindowListOrder)
        m_pWindowTypeBox->addItem(QString::fromUtf8(sLabel), windowCodeOfLabel(QString::fromUtf8(sLabel)));
    m_pSidelobeLevelSpin = named(intSpin(0, 1000, 10), "m_pSidelobeLevelSpin");

    QFormLayout *form = newForm();
    addRow(form, "Размер ДПФ", m_pFftSizeCmbBox);
    addRow(form, "Усреднений спектра", m_pAverageCountSpin);
    addRow(form, "Весовое Окно", m_pWindowTypeBox);
    addRow(form, "УБЛ (дБ)", m_pSidelobeLevelSpin);
    return group("Преобразование Фурье", form);
}

QWidget *OscSpectrDlg::buildFreqGroup()
{
    m_pFreqDimensionCmbBox = named(codedCombo(AnalyserSettings::FreqUnits), "m_pFreqDimensionCmbBox");
    m_pSpectrRangeCmbBox = named(new QComboBox, "m_pSpectrRangeCmbBox");
    m_pSpectrRangeCmbBox->addItems({QString::fromUtf8("0 – Fd"), QString::fromUtf8("-Fd/2 – +Fd/2")});
    m_pFreqShiftCheck = named(new QCheckBox(QString::fromUtf8("Смещение частоты")), "m_pFreqShiftCheck");
    m_pDbCheck = named(new QCheckBox(QString::fromUtf8("Логарифмическая шкала")), "m_pDbCheck");
    auto *lowFreqValidator = new QDoubleValidator(0.0, AnalyserSettings::MaxLowFreqKhz, 3);
    lowFreqValidator->setNotation(QDoubleValidator::StandardNotation);
    m_pLowFreqEdit = named(typedEdit(lowFreqValidator), "m_pLowFreqEdit");
    m_pLowFreqEdit->setAccessibleName(QString::fromUtf8("Нижняя частота логарифмической шкалы (кГц)"));
    m_pLowFreqEdit->setToolTip(m_pLowFreqEdit->accessibleName());

    auto *logRow = new QHBoxLayout;
    logRow->addWidget(m_pDbCheck);
    logRow->addWidget(unitLabel("от"));
    logRow->addWidget(m_pLowFreqEdit);
    logRow->addWidget(unitLabel("кГц"));
    logRow->addStretch();

    QFormLayout *form = newForm();
    addRow(form, "Единица измерения", m_pFreqDimensionCmbBox);
    addRow(form, "Диапазон компл. спектра", m_pSpectrRangeCmbBox);
    form->addRow(m_pFreqShiftCheck);
    form->addRow(logRow);
    return group("Ось частот", form);
}

QWidget *OscSpectrDlg::buildPowerGroup()
{
    m_pPowDimensionCmbBox = named(codedCombo(AnalyserSettings::PowerUnits), "m_pPowDimensionCmbBox");
    m_pImpedanceCmbBox = named(codedCombo(AnalyserSettings::Impedances, numberText), "m_pImpedanceCmbBox");
    m_pMaxPowerSpin = named(powerSpin(0.0, 1000.0), "m_pMaxPowerSpin");
    m_pMinPowerSpin = named(powerSpin(-1000.0, 1000.0), "m_pMinPowerSpin");

    QFormLayout *form = newForm();
    addRow(form, "Единица измерения", m_pPowDimensionCmbBox);
    addRow(form, "Импеданс (Ом)", m_pImpedanceCmbBox);
    addRow(form, "Max", m_pMaxPowerSpin);
    addRow(form, "Min", m_pMinPowerSpin);
    return group("Ось мощности", form);
}

QWidget *OscSpectrDlg::buildQualityGroup()
{
    m_pHarmonicCheck =
        named(new QCheckBox(QString::fromUtf8("Выводить метки гармоник на экран")), "m_pHarmonicCheck");
    m_pHarmEdit = named(typedEdit(new IntValidator(1, 99)), "m_pHarmEdit");
    m_pSfdrBandWidthEdit = named(typedEdit(new IntValidator(0, INT_MAX)), "m_pSfdrBandWidthEdit");

    QFormLayout *form = newForm();
    form->addRow(m_pHarmonicCheck);
    addRow(form, "Число учитываемых гармоник в спектре", m_pHarmEdit);
    addRow(form, "Полуширина полосы исключения (SFDR, SNR)(Гц)", m_pSfdrBandWidthEdit);
    return group("Параметры анализатора качества сигнала", form);
}

void OscSpectrDlg::setSettings(const AnalyserSettings &settings)
{
    selectCode(m_pXDimensionCmbBox, settings.timeDimension);
    m_pTimeOutSpin->setValue(settings.timeout);
    selectCode(m_pYDimensionCmbBox, settings.amplDimension);
    m_pGainCmbBox->setCurrentIndex(settings.gainIndex);

    setFftSize(settings.fftSize);
    m_pAverageCountSpin->setValue(settings.averageCount);
    selectCode(m_pWindowTypeBox, settings.windowType);
    m_pSidelobeLevelSpin->setValue(settings.sidelobeLevel);
    selectCode(m_pFreqDimensionCmbBox, settings.freqDimension);
    m_pSpectrRangeCmbBox->setCurrentIndex(settings.spectrRange);
    m_pFreqShiftCheck->setChecked(settings.isFreqShift);
    m_pDbCheck->setChecked(settings.isDb);
    m_pLowFreqEdit->setText(trimmedNumber(settings.lowFreqHz / 1000.0, 3));
    m_pLowFreqEdit->setEnabled(settings.isDb);
    selectCode(m_pPowDimensionCmbBox, settings.powerDimension);
    selectCode(m_pImpedanceCmbBox, settings.impedance);
    m_pMaxPowerSpin->setValue(settings.maxPower);
    m_pMinPowerSpin->setValue(settings.minPower);
    m_pHarmonicCheck->setChecked(settings.isShowHarmonic);
    m_pHarmEdit->setText(QString::number(settings.harmonicCount));
    m_pSfdrBandWidthEdit->setText(QString::number(settings.sfdrBandWidth));

    slotWindowTypeChange(m_pWindowTypeBox->currentText());
}

AnalyserSettings OscSpectrDlg::settings() const
{
    AnalyserSettings s;
    s.timeDimension = currentCode(m_pXDimensionCmbBox);
    s.timeout = m_pTimeOutSpin->value();
    s.amplDimension = currentCode(m_pYDimensionCmbBox);
    s.gainIndex = m_pGainCmbBox->currentIndex();

    s.fftSize = fftSize();
    s.averageCount = m_pAverageCountSpin->value();
    s.windowType = windowCodeOfLabel(m_pWindowTypeBox->currentText());
    s.sidelobeLevel = m_pSidelobeLevelSpin->value();
    s.freqDimension = currentCode(m_pFreqDimensionCmbBox);
    s.spectrRange = m_pSpectrRangeCmbBox->currentIndex();
    s.isFreqShift = m_pFreqShiftCheck->isChecked();
    s.isDb = m_pDbCheck->isChecked();
    s.lowFreqHz = m_pLowFreqEdit->text().toDouble() * 1000.0;
    s.powerDimension = currentCode(m_pPowDimensionCmbBox);
    s.impedance = currentCode(m_pImpedanceCmbBox);
    s.maxPower = m_pMaxPowerSpin->value();
    s.minPower = m_pMinPowerSpin->value();
    s.isShowHarmonic = m_pHarmonicCheck->isChecked();
    // The typed fields are checked on OK; until then they read as their nearest usable value.
    s.harmonicCount = std::clamp(m_pHarmEdit->text().toInt(), 1, 99);
    s.sfdrBandWidth = std::max(m_pSfdrBandWidthEdit->text().toInt(), 0);
    return s;
}

void OscSpectrDlg::setCurrentTab(int nTab)
{
    m_pTabWidget->setCurrentIndex(std::clamp(nTab, int(OscTab), int(SpectrTab)));
}

void OscSpectrDlg::setSpectrumPageEnabled(bool isEnabled)
{
    m_pTabWidget->setTabEnabled(SpectrTab, isEnabled);
}

void OscSpectrDlg::setFftSizeEnabled(bool isEnabled)
{
    m_pFftSizeCmbBox->setEnabled(isEnabled);
}

void OscSpectrDlg::setFftSize(uint32_t nSize)
{
    const uint32_t nListed = AnalyserSettings::listedFftSize(nSize);
    for (int nIdx = 0; nIdx < m_pFftSizeCmbBox->count(); ++nIdx)
        if (fftSizeOfText(m_pFftSizeCmbBox->itemText(nIdx)) == nListed)
            m_pFftSizeCmbBox->setCurrentIndex(nIdx);
}

void OscSpectrDlg::slotFftSizeChange()
{
    if (m_nSampleCount == 0 || fftSize() <= m_nSampleCount)
        return;
    uint64_t nFit = 1;
    while (nFit * 2 <= m_nSampleCount && nFit * 2 <= MaxFallbackFftSize)
        nFit *= 2;
    setFftSize(uint32_t(nFit));
    warn(FftTooLong);
}

void OscSpectrDlg::slotWindowTypeChange(const QString &sStr)
{
    const int nCode = windowCodeOfLabel(sStr);
    m_pSidelobeLevelSpin->setEnabled(nCode == WindowKaiser || nCode == WindowChebyshev);
}

QString OscSpectrDlg::powerLimitsProblem() const
{
    const double dMax = m_pMaxPowerSpin->value();
    const double dMin = m_pMinPowerSpin->value();
    if (dMin >= dMax)
        return QString::fromUtf8("\nНе выполняется условие: Max > Min");
    if (currentCode(m_pPowDimensionCmbBox) != DimVolts) {
        if (int(std::abs(dMax - dMin)) < 10)
            return QString::fromUtf8("\nНе выполняется условие: Max - Min >= 10");
    } else if (dMax < 0 || dMin < 0) {
        return QString::fromUtf8("\nНе выполняется условие: Max, Min > 0");
    }
    return QString();
}

QLineEdit *OscSpectrDlg::badEdit() const
{
    for (QLineEdit *edit : {m_pLowFreqEdit, m_pHarmEdit, m_pSfdrBandWidthEdit})
        if (!edit->hasAcceptableInput())
            return edit;
    return nullptr;
}

bool OscSpectrDlg::isAcceptable()
{
    const QString sProblem = powerLimitsProblem();
    if (!sProblem.isEmpty()) {
        warn(sProblem);
        return false;
    }
    // A half-typed number (a harmonic count of 0, an empty field) would be stored as it stands.
    if (QLineEdit *edit = badEdit()) {
        m_pTabWidget->setCurrentIndex(SpectrTab);
        edit->setFocus();
        warn(QString::fromUtf8("\nНедопустимое значение: %1").arg(edit->accessibleName()));
        return false;
    }
    return true;
}

bool OscSpectrDlg::isInterpolation() const { return m_pInterpolationCheck->isChecked(); }
void OscSpectrDlg::setInterpolation(bool isOn) { m_pInterpolationCheck->setChecked(isOn); }
void OscSpectrDlg::setAccumulation(bool isOn) { m_pAccumulationCheck->setChecked(isOn); }
uint32_t OscSpectrDlg::fftSize() const { return fftSizeOfText(m_pFftSizeCmbBox->currentText()); }
