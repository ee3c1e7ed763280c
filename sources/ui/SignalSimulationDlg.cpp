#include "sources/ui/SignalSimulationDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

QDoubleSpinBox *spin(const QString &sName, int decimals, double max)
{
    auto *box = new QDoubleSpinBox;
    box->setObjectName(sName);
    box->setDecimals(decimals);
    box->setRange(0.0, max);
    return box;
}

} // namespace

SignalSimulationDlg::SignalSimulationDlg(QWidget *parent) : SettingsDlg(parent)
{
    setWindowTitle(QString::fromUtf8("Параметры имитации сигналов"));

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QString::fromUtf8("Включение каналов")), 0, 0);
    grid->addWidget(new QLabel(QString::fromUtf8("Амплитуды")), 0, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("Частоты (Гц)")), 0, 2);
    grid->addWidget(new QLabel(QString::fromUtf8("Фазы (град)")), 0, 3);
    for (int i = 0; i < SimulationSettings::RowCount; ++i) {
        Row &row = m_rows[size_t(i)];
        const QString n = QString::number(i);
        row.check = new QCheckBox(QString::fromUtf8("Канал ") + n);
        row.check->setObjectName("m_pChan" + n + "Check");
        row.ampl = spin("m_pAmplChan" + n + "Spin", 0, 1000000000);
        row.freq = spin("m_pFreqChan" + n + "Spin", 3, 1000000000);
        row.phase = spin("m_pPhaseChan" + n + "Spin", 3, 999.999);
        grid->addWidget(row.check, i + 1, 0);
        grid->addWidget(row.ampl, i + 1, 1);
        grid->addWidget(row.freq, i + 1, 2);
        grid->addWidget(row.phase, i + 1, 3);
        connect(row.check, &QCheckBox::toggled, this, &SignalSimulationDlg::slotChannelToggled);
    }

    m_pNumSamplesEdit = named(new QLineEdit, "m_pNumSamplesEdit");
    m_pNumSamplesEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]{1,12}"), m_pNumSamplesEdit));
    m_pSamplFreqSpin = spin("m_pSamplFreqSpin", 3, 1000000);
    m_pRangeSpin = spin("m_pRangeSpin", 3, 9.999);
    m_pAdcCapacitySpin = named(new QSpinBox, "m_pAdcCapacitySpin");
    m_pAdcCapacitySpin->setRange(1, 32);
    m_pComplexSignalCheck =
        named(new QCheckBox(QString::fromUtf8("Комплексный сигнал")), "m_pComplexSignalCheck");
    m_pSignalsNumberCombo = named(new QComboBox, "m_pSignalsNumberCombo");
    m_pSignalsNumberCombo->addItems({QString::fromUtf8("Один"), QString::fromUtf8("Много")});
    m_pWhiteNoiseCheck = named(
        new QCheckBox(QString::fromUtf8("Добавить белый шум с амплитудой (EMP)")),
        "m_pWhiteNoiseCheck");
    m_pWhiteNoiseAmplSpin = named(new QSpinBox, "m_pWhiteNoiseAmplSpin");
    m_pWhiteNoiseAmplSpin->setRange(0, 255);
    m_pHarmonicButton = named(new QPushButton(QString::fromUtf8("Гармоники")), "m_pHarmonicButton");
    connect(m_pHarmonicButton, &QPushButton::clicked, this, &SignalSimulationDlg::slotHarmButton);
    connect(m_pWhiteNoiseCheck, &QCheckBox::toggled, m_pWhiteNoiseAmplSpin, &QWidget::setEnabled);

    auto *form = new QFormLayout;
    form->addRow(QString::fromUtf8("Отсчетов на канал"), m_pNumSamplesEdit);
    form->addRow(QString::fromUtf8("Частота дискретизации (кГц)"), m_pSamplFreqSpin);
    form->addRow(QString::fromUtf8("Диапазон (B)"), m_pRangeSpin);
    form->addRow(QString::fromUtf8("Разрядность АЦП"), m_pAdcCapacitySpin);
    form->addRow(m_pComplexSignalCheck);
    form->addRow(QString::fromUtf8("Число сигналов"), m_pSignalsNumberCombo);
    auto *noise = new QHBoxLayout;
    noise->addWidget(m_pWhiteNoiseCheck);
    noise->addWidget(m_pWhiteNoiseAmplSpin);
    form->addRow(noise);
    form->addRow(m_pHarmonicButton);

    auto *columns = new QHBoxLayout;
    columns->addLayout(grid);
    columns->addLayout(form);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(newButtonBox(QStringLiteral("OK"), QString::fromUtf8("Отмена")));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setSettings(SimulationSettings());
}

void SignalSimulationDlg::enableRow(const Row &row, bool isOn)
{
    row.ampl->setEnabled(isOn);
    row.freq->setEnabled(isOn);
    row.phase->setEnabled(isOn);
}

void SignalSimulationDlg::countEnabled()
{
    m_nEnabledCount = 0;
    for (const Row &row : m_rows)
        m_nEnabledCount += row.check->isChecked() ? 1 : 0;
}

void SignalSimulationDlg::slotChannelToggled(bool isOn)
{
    for (const Row &row : m_rows) {
        if (row.check == sender())
            enableRow(row, isOn);
    }
    countEnabled();
}

void SignalSimulationDlg::slotHarmButton()
{
    SimulationSettings s = settings();
    s.applyHarmonicsPreset();
    setSettings(s);
}

SimulationSettings SignalSimulationDlg::settings() const
{
    SimulationSettings s = m_shown;
    s.sampleCount = m_pNumSamplesEdit->text().toULongLong();
    s.sampleRate = m_pSamplFreqSpin->value() * 1000.0;
    s.voltageRangeMv = int(std::trunc(m_pRangeSpin->value() * 1000.0));
    s.bitRange = m_pAdcCapacitySpin->value();
    s.isComplex = m_pComplexSignalCheck->isChecked();
    s.manySignals = m_pSignalsNumberCombo->currentIndex() == 1;
    const int noise = m_pWhiteNoiseCheck->isChecked() ? m_pWhiteNoiseAmplSpin->value() : 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row &row = m_rows[i];
        SimulationRow &r = s.rows[i];
        r.enabled = row.check->isChecked();
        r.noiseAmplitude = noise;
        r.amplitude = row.ampl->value();
        r.frequency = row.freq->value();
        r.phase = row.phase->value();
    }
    return s;
}

void SignalSimulationDlg::setSettings(const SimulationSettings &s)
{
    m_shown = s;
    m_pNumSamplesEdit->setText(QString::number(s.sampleCount));
    m_pSamplFreqSpin->setValue(s.sampleRate / 1000.0);
    m_pRangeSpin->setValue(s.voltageRangeMv / 1000.0);
    m_pAdcCapacitySpin->setValue(s.bitRange);
    m_pComplexSignalCheck->setChecked(s.isComplex);
    m_pSignalsNumberCombo->setCurrentIndex(s.manySignals ? 1 : 0);
    // One noise amplitude serves every row.
    m_pWhiteNoiseCheck->setChecked(s.rows[0].noiseAmplitude > 0);
    m_pWhiteNoiseAmplSpin->setValue(s.rows[0].noiseAmplitude);
    m_pWhiteNoiseAmplSpin->setEnabled(m_pWhiteNoiseCheck->isChecked());
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row &row = m_rows[i];
        const SimulationRow &r = s.rows[i];
        row.check->setChecked(r.enabled);
        row.ampl->setValue(r.amplitude);
        row.freq->setValue(r.frequency);
        row.phase->setValue(r.phase);
        enableRow(row, r.enabled);
    }
    countEnabled();
}
