#include "sources/ui/FileParamsDlg.h"

#include "sources/IniFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const int SampleWidths[] = {1, 2, 4};
constexpr int MaxChannels = 1024;
constexpr double MaxSampleRateKhz = 1e9;
constexpr double MaxVoltageRange = 10.0;

bool isSampleWidth(int nBytes)
{
    return std::find(std::begin(SampleWidths), std::end(SampleWidths), nBytes) != std::end(SampleWidths);
}

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
    setRange(SampleWidths[0], SampleWidths[std::size(SampleWidths) - 1]);
}

void SampleWidthSpin::stepBy(int nSteps)
{
    const int *at = std::lower_bound(std::begin(SampleWidths), std::end(SampleWidths), value());
    const int nIdx = int(at - std::begin(SampleWidths)) + nSteps;
    setValue(SampleWidths[std::clamp(nIdx, 0, int(std::size(SampleWidths)) - 1)]);
}

QValidator::State SampleWidthSpin::validate(QString &input, int &pos) const
{
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state == QValidator::Acceptable && !isSampleWidth(valueFromText(input)))
        return QValidator::Invalid;
    return state;
}

FileParamsDlg::FileParamsDlg(const QString &sConfigPath, QWidget *parent) : SettingsDlg(parent, sConfigPath)
{
    setWindowTitle(QString::fromUtf8("Параметры файла чтения"));

    m_pChangeCheck = named(new QCheckBox(QString::fromUtf8("Изменить параметры")), "m_pChangeCheck");
    m_pSampleRateSpin = named(decimalSpin(MaxSampleRateKhz), "m_pSampleRateSpin");
    m_pBytesPerSamplesSpin = named(new SampleWidthSpin, "m_pBytesPerSamplesSpin");
    m_pChanNumSpin = named(new QSpinBox, "m_pChanNumSpin");
    m_pChanNumSpin->setRange(1, MaxChannels);
    m_pBitRangeSpin = named(new QSpinBox, "m_pBitRangeSpin");
    m_pBitRangeSpin->setMinimum(1);
    m_pVoltageRangeSpin = named(decimalSpin(MaxVoltageRange), "m_pVoltageRangeSpin");
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
    load();
}

void FileParamsDlg::load()
{
    const IniFile ini(configPath());
    m_pChangeCheck->setChecked(ini.readBool("FileParams/UserFileParams", false));
    m_pSampleRateSpin->setValue(
        ini.readDouble("FileParams/UserSampleRate", 20000000.0, 0.0, MaxSampleRateKhz));
    const int nBytes = ini.readInt("FileParams/UserBytesPerSamples", 2, 1, 4);
    m_pBytesPerSamplesSpin->setValue(isSampleWidth(nBytes) ? nBytes : 2);
    slotBytesPerSampleChange(m_pBytesPerSamplesSpin->value());
    m_pChanNumSpin->setValue(ini.readInt("FileParams/UserChannelNumber", 2, 1, MaxChannels));
    m_pBitRangeSpin->setValue(ini.readInt("FileParams/UserBitRange", 14, 1, m_pBitRangeSpin->maximum()));
    m_pVoltageRangeSpin->setValue(ini.readDouble("FileParams/UserVoltageRange", 5.0, 0.0, MaxVoltageRange));
    m_pComplecCheckBox->setChecked(ini.readBool("FileParams/UserIsComplex", false));
    m_pConvertCodeCmbBox->setCurrentIndex(ini.readInt("FileParams/ConvertCode", 0, 0, 2));
    slotChanged(m_pChangeCheck->isChecked());
}

void FileParamsDlg::save() const
{
    IniFile ini(configPath());
    // A tick forced by a record without postfix is not the user's choice.
    if (m_pChangeCheck->isEnabled())
        ini.writeBool("FileParams/UserFileParams", m_pChangeCheck->isChecked());
    ini.write("FileParams/UserSampleRate", m_pSampleRateSpin->value());
    ini.write("FileParams/UserBytesPerSamples", m_pBytesPerSamplesSpin->value());
    ini.write("FileParams/UserChannelNumber", m_pChanNumSpin->value());
    ini.write("FileParams/UserBitRange", m_pBitRangeSpin->value());
    ini.write("FileParams/UserVoltageRange", m_pVoltageRangeSpin->value());
    ini.writeBool("FileParams/UserIsComplex", m_pComplecCheckBox->isChecked());
    ini.write("FileParams/ConvertCode", m_pConvertCodeCmbBox->currentIndex());
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

FileParams FileParamsDlg::fileParams() const
{
    FileParams params = zeroedFileParams();
    // The fields hold three decimals: kHz to Hz and V to mV give whole numbers, which plain
    // truncation of the binary product would sometimes miss by one.
    params.sampleRate = std::round(m_pSampleRateSpin->value() * 1000.0);
    params.bytesPerSample = uint8_t(m_pBytesPerSamplesSpin->value());
    params.channelCount = uint32_t(m_pChanNumSpin->value());
    params.bitRange = uint8_t(m_pBitRangeSpin->value());
    params.voltageRangeMv = int32_t(std::lround(m_pVoltageRangeSpin->value() * 1000.0));
    params.isComplex = m_pComplecCheckBox->isChecked();
    params.codeType = m_pConvertCodeCmbBox->currentIndex();
    return params;
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
