#include "sources/generator/SimulationSettings.h"

#include "sources/settings/IniFile.h"
#include "sources/generator/SignalSimulation.h"

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
    const IniFile ini(iniPath);
    const SimulationSettings d;
    sampleCount = uint64_t(ini.readDouble(QStringLiteral("Simulation/NumberOfSamples"),
                                          double(d.sampleCount), 0, double(MaxSampleCount)));
    isComplex = ini.readBool(QStringLiteral("Simulation/IsComplex"), d.isComplex);
    sampleRate = ini.readDouble(QStringLiteral("Simulation/SampleRate"), d.sampleRate, 0, MaxSampleRate);
    voltageRangeMv = ini.readInt(QStringLiteral("Simulation/VoltageRange"), d.voltageRangeMv, 0,
                                 MaxVoltageRangeMv);
    bitRange = ini.readInt(QStringLiteral("Simulation/BitRange"), d.bitRange, 1, MaxBitRange);
    manySignals = ini.readBool(QStringLiteral("Simulation/IsManyMode"), d.manySignals);
    for (int i = 0; i < RowCount; ++i) {
        SimulationRow &r = rows[size_t(i)];
        const SimulationRow &dr = d.rows[size_t(i)];
        r.enabled = ini.readBool(rowKey("IsEnable", i), dr.enabled);
        r.noiseAmplitude = ini.readInt(rowKey("IsWhiteNoise", i), dr.noiseAmplitude, 0, MaxNoise);
        r.amplitude = ini.readDouble(rowKey("Ampl", i), dr.amplitude, 0, MaxAmplitude);
        r.frequency = ini.readDouble(rowKey("Freq", i), dr.frequency, 0, MaxFrequency);
        r.phase = ini.readDouble(rowKey("Phase", i), dr.phase, 0, MaxPhase);
        r.channelNumber = ini.readInt(rowKey("ChanNum", i), i, 0, MaxChannelNumber);
    }
}

void SimulationSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    ini.write(QStringLiteral("Simulation/NumberOfSamples"), qulonglong(sampleCount));
    ini.writeBool(QStringLiteral("Simulation/IsComplex"), isComplex);
    ini.write(QStringLiteral("Simulation/SampleRate"), sampleRate);
    ini.write(QStringLiteral("Simulation/VoltageRange"), voltageRangeMv);
    ini.write(QStringLiteral("Simulation/BitRange"), bitRange);
    ini.writeBool(QStringLiteral("Simulation/IsManyMode"), manySignals);
    for (int i = 0; i < RowCount; ++i) {
        const SimulationRow &r = rows[size_t(i)];
        ini.write(rowKey("ChanNum", i), channelNumberOf(i));
        ini.writeBool(rowKey("IsEnable", i), r.enabled);
        ini.write(rowKey("IsWhiteNoise", i), r.noiseAmplitude);
        ini.write(rowKey("Ampl", i), r.amplitude);
        ini.write(rowKey("Freq", i), r.frequency);
        ini.write(rowKey("Phase", i), r.phase);
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

int SimulationSettings::channelNumberOf(int row) const
{
    const int n = rows.at(size_t(row)).channelNumber;
    return n >= 0 ? n : row;
}

ChannelRecord SimulationSettings::channelRecord(int row) const
{
    const SimulationRow &r = rows.at(size_t(row));
    ChannelRecord record;
    record.channelNumber = channelNumberOf(row);
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
