#include "dialogs/OtherSetupDlg.h"

#include "sources/IniFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int MaxAccumCount = 999999999;

} // namespace

OtherSetupDlg::OtherSetupDlg(QWidget *parent) : SettingsDlg(parent)
{
    setWindowTitle(QString::fromUtf8("Другие настройки"));

    m_pMaxChanCmbBox = named(new QComboBox, "m_pMaxChanCmbBox");
    m_pMaxChanCmbBox->addItems({QStringLiteral("8"), QStringLiteral("16")});
    m_pTikSamplesCheck = named(new QCheckBox(QString::fromUtf8("Разметка отсчетов")), "m_pTikSamplesCheck");
    m_pMarkerSamplesCheck =
        named(new QCheckBox(QString::fromUtf8("Маркеры отсчетов")), "m_pMarkerSamplesCheck");
    m_pAccumInfCheck = named(new QCheckBox(QString::fromUtf8("Бесконечное накопление")), "m_pAccumInfCheck");
    m_pAccumCountSpin = named(new QSpinBox, "m_pAccumCountSpin");
    m_pAccumCountSpin->setRange(0, MaxAccumCount);
    m_pSpectrEnableCheck = named(new QCheckBox(QString::fromUtf8("Вычисление спектра в режиме Осциллографа")),
                                 "m_pSpectrEnableCheck");

    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(QString::fromUtf8("Макс. число видимых каналов"), m_pMaxChanCmbBox);
    form->addRow(m_pTikSamplesCheck);
    form->addRow(m_pMarkerSamplesCheck);
    form->addRow(m_pAccumInfCheck);
    form->addRow(QString::fromUtf8("Количество накоплений"), m_pAccumCountSpin);
    form->addRow(m_pSpectrEnableCheck);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(newButtonBox(QStringLiteral("OK"), QStringLiteral("Cancel")));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // A count of accumulations means nothing while accumulation never ends.
    connect(m_pAccumInfCheck, &QCheckBox::toggled, m_pAccumCountSpin, &QWidget::setDisabled);
    load();
}

void OtherSetupDlg::load()
{
    const IniFile ini(configPath());
    // Any stored count other than 8 asks for the larger choice.
    m_pMaxChanCmbBox->setCurrentIndex(ini.readInt("MaxChannel", 8) == 8 ? 0 : 1);
    m_pTikSamplesCheck->setChecked(ini.readBool("ShowTikSamples", false));
    m_pMarkerSamplesCheck->setChecked(ini.readBool("ShowMarkerSamples", false));
    m_pAccumInfCheck->setChecked(ini.readBool("AccumInf", true));
    m_pAccumCountSpin->setValue(ini.readInt("AccumCount", 1, 0, MaxAccumCount));
    m_pAccumCountSpin->setDisabled(m_pAccumInfCheck->isChecked());
    m_pSpectrEnableCheck->setChecked(ini.readBool("SpectrEnable", true));
}

void OtherSetupDlg::save() const
{
    IniFile ini(configPath());
    ini.write("MaxChannel", maxChannelCount());
    ini.writeBool("ShowTikSamples", isTikSamples());
    ini.writeBool("ShowMarkerSamples", isMarkerSamples());
    ini.writeBool("AccumInf", isAccumInf());
    ini.write("AccumCount", accumCount());
    ini.writeBool("SpectrEnable", isSpectrEnable());
}

int OtherSetupDlg::maxChannelCount() const { return m_pMaxChanCmbBox->currentText().toInt(); }
bool OtherSetupDlg::isTikSamples() const { return m_pTikSamplesCheck->isChecked(); }
bool OtherSetupDlg::isMarkerSamples() const { return m_pMarkerSamplesCheck->isChecked(); }
bool OtherSetupDlg::isAccumInf() const { return m_pAccumInfCheck->isChecked(); }
int OtherSetupDlg::accumCount() const { return m_pAccumCountSpin->value(); }
bool OtherSetupDlg::isSpectrEnable() const { return m_pSpectrEnableCheck->isChecked(); }
