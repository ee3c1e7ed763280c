#include "dialogs/OtherSetupDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

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
    m_pAccumCountSpin->setRange(0, OtherSettings::MaxAccumCount);
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
    setSettings(OtherSettings());
}

void OtherSetupDlg::setSettings(const OtherSettings &settings)
{
    m_pMaxChanCmbBox->setCurrentIndex(settings.maxChannelCount == 8 ? 0 : 1);
    m_pTikSamplesCheck->setChecked(settings.isTikSamples);
    m_pMarkerSamplesCheck->setChecked(settings.isMarkerSamples);
    m_pAccumInfCheck->setChecked(settings.isAccumInf);
    m_pAccumCountSpin->setValue(settings.accumCount);
    m_pAccumCountSpin->setDisabled(settings.isAccumInf);
    m_pSpectrEnableCheck->setChecked(settings.isSpectrEnable);
}

OtherSettings OtherSetupDlg::settings() const
{
    OtherSettings s;
    s.maxChannelCount = m_pMaxChanCmbBox->currentText().toInt();
    s.isTikSamples = m_pTikSamplesCheck->isChecked();
    s.isMarkerSamples = m_pMarkerSamplesCheck->isChecked();
    s.isAccumInf = m_pAccumInfCheck->isChecked();
    s.accumCount = m_pAccumCountSpin->value();
    s.isSpectrEnable = m_pSpectrEnableCheck->isChecked();
    return s;
}
