#include "sources/ui/FileParamsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const auto &SampleWidths = FileParamsSettings::SampleWidths;

// A record may carry a value beyond what a user would type; the field widens instead of
// silently clipping it.
void showWidened(QSpinBox *spin, int nValue)
{
    spin->setMaximum(std::max(spin->maximum(), nValue));
    spin->setValue(nValue);
}

void showWidened(QDoubleSpinBox *spin, double dValue)
{
    spin->setMaximum(std::max(spin->maximum(), dValue));
    spin->setValue(dValue);
}

QDoubleSpinBox *decimalSpin(double dMax)
{
    auto *spin = new QDoubleSpinBox;
    spin->setDecimals(3);
    spin->setRange(0.0, dMax);
    return spin;
}

} // namespace

SampleWidthSpin::SampleWidthSpin(QWidget *parent) : QSpinBox(parent)
{
    setRange(SampleWidths.front(), SampleWidths.back());
}

void SampleWidthSpin::stepBy(int nSteps)
{
    const auto at = std::lower_bound(SampleWidths.begin(), SampleWidths.end(), value());
    const int nIdx = int(at - SampleWidths.begin()) + nSteps;
    setValue(SampleWidths[size_t(std::clamp(nIdx, 0, int(SampleWidths.size()) - 1))]);
}

QValidator::State SampleWidthSpin::validate(QString &input, int &pos) const
{
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state == QValidator::Acceptable && !FileParamsSettings::isSampleWidth(valueFromText(input)))
        return QValidator::Invalid;
    return state;
}

FileParamsDlg::FileParamsDlg(QWidget *parent) : SettingsDlg(parent)
{
    setWindowTitle(QString::fromUtf8("Параметры файла чтения"));

    m_pChangeCheck = named(new QCheckBox(QString::fromUtf8("Изменить параметры")), "m_pChangeCheck");
    m_pSampleRateSpin = named(decimalSpin(FileParamsSettings::MaxSampleRateKhz), "m_pSampleRateSpin");
    m_pBytesPerSamplesSpin = named(new SampleWidthSpin, "m_pBytesPerSamplesSpin");
    m_pChanNumSpin = named(new QSpinBox, "m_pChanNumSpin");
    m_pChanNumSpin->setRange(1, FileParamsSettings::MaxChannels);
    m_pBitRangeSpin = named(new QSpinBox, "m_pBitRangeSpin");
    m_pBitRangeSpin->setMinimum(1);
    m_pVoltageRangeSpin = named(decimalSpin(FileParamsSettings::MaxVoltageRange), "m_pVoltageRangeSpin");
    m_pComplecCheckBox = named(new QCheckBox(QString::fromUtf8("Комплексный сигнал")), "m_pComplecCheckBox");
    m_pConvertCodeCmbBox = named(new QComboBox, "m_pConvertCodeCmbBox");
    m_pConvertCodeCmbBox->addItems(
        {QString::fromUtf8("Дополнительный"), QString::fromUtf8("Прямой"), QString::fromUtf8("Грея")});

    auto *form = new QFormLayout;
    form->addRow(m_pChangeCheck);
    form->addRow(QString::fromUtf8("Частота дискретизации АЦП (кГц):"), m_pSampleRateSpin);
    form->addRow(QString::fromUtf8("Байт на отсчет:"), m_pBytesPerSamplesSpin);
    form->addRow(QString::fromUtf8("Число каналов:"), m_pChanNumSpin);
    form->addRow(QString::fromUtf8("Разрядность АЦП:"), m_pBitRangeSpin);
    form->addRow(QString::fromUtf8("Динамический диапазон АЦП (В):"), m_pVoltageRangeSpin);
    form->addRow(m_pComplecCheckBox);
    form->addRow(QString::fromUtf8("Код данных"), m_pConvertCodeCmbBox);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(newButtonBox(QStringLiteral("OK"), QString::fromUtf8("Отмена")));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_pChangeCheck, &QCheckBox::toggled, this, &FileParamsDlg::slotChanged);
    connect(m_pChanNumSpin, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &FileParamsDlg::slotChanNumChange);
    connect(m_pComplecCheckBox, &QCheckBox::toggled, this, &FileParamsDlg::slotComplexChange);
    connect(m_pBytesPerSamplesSpin, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &FileParamsDlg::slotBytesPerSampleChange);
    setSettings(FileParamsSettings());
}

void FileParamsDlg::setSettings(const FileParamsSettings &settings)
{
    m_isUseChosen = settings.useUserParams;
    m_pChangeCheck->setChecked(settings.useUserParams);
    m_pChangeCheck->setEnabled(true);
    m_pSampleRateSpin->setValue(settings.sampleRateKhz);
    m_pBytesPerSamplesSpin->setValue(settings.bytesPerSample);
    slotBytesPerSampleChange(m_pBytesPerSamplesSpin->value());
    // A complex tick still shown would turn a single channel into a pair.
    m_pComplecCheckBox->setChecked(false);
    m_pChanNumSpin->setValue(settings.channelCount);
    m_pBitRangeSpin->setValue(settings.bitRange);
    m_pVoltageRangeSpin->setValue(settings.voltageRange);
    m_pComplecCheckBox->setChecked(settings.isComplex);
    m_pConvertCodeCmbBox->setCurrentIndex(settings.codeType);
    slotChanged(m_pChangeCheck->isChecked());
}

FileParamsSettings FileParamsDlg::settings() const
{
    FileParamsSettings s;
    // A tick forced by a record without postfix is not the user's choice.
    s.useUserParams = m_pChangeCheck->isEnabled() ? m_pChangeCheck->isChecked() : m_isUseChosen;
    s.sampleRateKhz = m_pSampleRateSpin->value();
    s.bytesPerSample = m_pBytesPerSamplesSpin->value();
    s.channelCount = m_pChanNumSpin->value();
    s.bitRange = m_pBitRangeSpin->value();
    s.voltageRange = m_pVoltageRangeSpin->value();
    s.isComplex = m_pComplecCheckBox->isChecked();
    s.codeType = m_pConvertCodeCmbBox->currentIndex();
    return s;
}

void FileParamsDlg::setFileParams(const FileParams &params)
{
    showWidened(m_pSampleRateSpin, params.sampleRate / 1000.0);
    m_pBytesPerSamplesSpin->setValue(params.bytesPerSample);
    if (params.hasChannels())
        showWidened(m_pChanNumSpin, int(std::min<uint32_t>(params.channelCount, INT32_MAX)));
    m_pBitRangeSpin->setValue(params.bitRange);
    showWidened(m_pVoltageRangeSpin, params.voltageRangeMv / 1000.0);
    m_pComplecCheckBox->setChecked(params.isComplex);
    m_pConvertCodeCmbBox->setCurrentIndex(std::clamp(int(params.codeType), 0, 2));
}

bool FileParamsDlg::isChangeChecked() const
{
    return m_pChangeCheck->isChecked();
}

void FileParamsDlg::presetForRecord(const FileParams &current, bool isPostfixKnown, bool isSimulation)
{
    if (!isChangeChecked())
        setFileParams(current);
    if (!isPostfixKnown && (!isSimulation || isChangeChecked())) {
        m_pChangeCheck->setChecked(true);
        m_pChangeCheck->setEnabled(false);
    }
}

void FileParamsDlg::slotChanged(bool isChecked)
{
    const std::initializer_list<QWidget *> parameters = {
        m_pSampleRateSpin, m_pBytesPerSamplesSpin, m_pChanNumSpin,      m_pBitRangeSpin,
        m_pVoltageRangeSpin, m_pComplecCheckBox,   m_pConvertCodeCmbBox};
    for (QWidget *w : parameters)
        w->setEnabled(isChecked);
}

void FileParamsDlg::slotChanNumChange(int nCount)
{
    // An I/Q record needs a pair of channels.
    if (nCount == 1 && m_pComplecCheckBox->isChecked())
        m_pChanNumSpin->setValue(2);
}

void FileParamsDlg::slotComplexChange(bool isComplex)
{
    if (isComplex && m_pChanNumSpin->value() == 1)
        m_pComplecCheckBox->setChecked(false);
}

void FileParamsDlg::slotBytesPerSampleChange(int nBytes)
{
    // More significant bits than stored bits would shift the samples by a negative count.
    m_pBitRangeSpin->setMaximum(8 * nBytes);
}
