#include "sources/SimulationSettings.h"

#include "sources/SignalSimulation.h"

#include <QSettings>

namespace {

QString rowKey(const char *name, int row)
{
    return QStringLiteral("Simulation/") + QLatin1String(name) + QString::number(row);
}

} // namespace

SimulationSettings::SimulationSettings()
{
    rows[0].enabled = true;
    rows[0].amplitude = 2048;
    rows[0].frequency = 1000;
}

void SimulationSettings::load(const QString &iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setIniCodec("CP1251");
    const SimulationSettings defaults;
    sampleCount = ini.value(QStringLiteral("Simulation/NumberOfSamples"),
                            qulonglong(defaults.sampleCount)).toULongLong();
    isComplex = ini.value(QStringLiteral("Simulation/IsComplex"), 0).toInt() != 0;
    sampleRate = ini.value(QStringLiteral("Simulation/SampleRate"), defaults.sampleRate).toDouble();
    voltageRangeMv = ini.value(QStringLiteral("Simulation/VoltageRange"),
                               defaults.voltageRangeMv).toInt();
    bitRange = ini.value(QStringLiteral("Simulation/BitRange"), defaults.bitRange).toInt();
    manySignals = ini.value(QStringLiteral("Simulation/IsManyMode"), 1).toInt() != 0;
    for (int i = 0; i < RowCount; ++i) {
        SimulationRow &r = rows[size_t(i)];
        const SimulationRow &d = defaults.rows[size_t(i)];
        r.enabled = ini.value(rowKey("IsEnable", i), int(d.enabled)).toInt() != 0;
        r.noiseAmplitude = ini.value(rowKey("IsWhiteNoise", i), d.noiseAmplitude).toInt();
        r.amplitude = ini.value(rowKey("Ampl", i), d.amplitude).toDouble();
        r.frequency = ini.value(rowKey("Freq", i), d.frequency).toDouble();
        r.phase = ini.value(rowKey("Phase", i), d.phase).toDouble();
    }
}

void SimulationSettings::save(const QString &iniPath) const
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setIniCodec("CP1251");
    ini.setValue(QStringLiteral("Simulation/NumberOfSamples"), qulonglong(sampleCount));
    ini.setValue(QStringLiteral("Simulation/IsComplex"), int(isComplex));
    ini.setValue(QStringLiteral("Simulation/SampleRate"), sampleRate);
    ini.setValue(QStringLiteral("Simulation/VoltageRange"), voltageRangeMv);
    ini.setValue(QStringLiteral("Simulation/BitRange"), bitRange);
    ini.setValue(QStringLiteral("Simulation/IsManyMode"), int(manySignals));
    for (int i = 0; i < RowCount; ++i) {
        const SimulationRow &r = rows[size_t(i)];
        ini.setValue(rowKey("ChanNum", i), i);
        ini.setValue(rowKey("IsEnable", i), int(r.enabled));
        ini.setValue(rowKey("IsWhiteNoise", i), r.noiseAmplitude);
        ini.setValue(rowKey("Ampl", i), r.amplitude);
        ini.setValue(rowKey("Freq", i), r.frequency);
        ini.setValue(rowKey("Phase", i), r.phase);
    }
}

void SimulationSettings::applyHarmonicsPreset()
{
    for (int k = 0; k < RowCount; ++k) {
        SimulationRow &r = rows[size_t(k)];
        if (k >= 1) {
            r.amplitude = 2;
            r.frequency = (k + 1) * rows[0].frequency;
        }
        r.phase = k % 2 ? 90 : 0;
        r.enabled = true;
        r.noiseAmplitude = 0;
    }
    manySignals = false;
}

int SimulationSettings::enabledCount() const
{
    int count = 0;
    for (const SimulationRow &r : rows)
        count += r.enabled ? 1 : 0;
    return count;
}

FileParams SimulationSettings::fileParams() const
{
    FileParams p;
    p.channelCount = uint32_t(enabledCount());
    p.sampleCount = sampleCount;
    p.isComplex = isComplex;
    p.sampleRate = sampleRate;
    p.voltageRangeMv = voltageRangeMv;
    p.bitRange = uint8_t(bitRange);
    p.multiChannel = manySignals;
    return p;
}

ChannelRecord SimulationSettings::channelRecord(int row) const
{
    const SimulationRow &r = rows.at(size_t(row));
    ChannelRecord record;
    record.channelNumber = row;
    record.enabled = r.enabled;
    record.noiseAmplitude = uint8_t(std::min(std::max(r.noiseAmplitude, 0), 255));
    record.amplitude = int(r.amplitude);
    record.frequency = int(r.frequency);
    record.phase = int(r.phase);
    return record;
}

void applySimulation(SignalSimulation &source, const SimulationSettings &settings)
{
    source.setFileParams(settings.fileParams());
    int slot = 0;
    for (int row = 0; row < SimulationSettings::RowCount; ++row) {
        if (settings.rows[size_t(row)].enabled)
            source.setChannelRecord(slot++, settings.channelRecord(row));
    }
}
