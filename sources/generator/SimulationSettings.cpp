#include "sources/generator/SimulationSettings.h"

#include "sources/settings/SettingsFields.h"
#include "sources/generator/SignalSimulation.h"

namespace {

using S = SimulationSettings;
using R = SimulationRow;
const auto kFields = [] {
    SettingsFields<S> f;
    f.number("Simulation/NumberOfSamples", &S::sampleCount, 0, double(S::MaxSampleCount),
             [](double n) { return uint64_t(n); })
        .flag("Simulation/IsComplex", &S::isComplex)
        .number("Simulation/SampleRate", &S::sampleRate, 0, S::MaxSampleRate)
        .number("Simulation/VoltageRange", &S::voltageRangeMv, 0, S::MaxVoltageRangeMv)
        .number("Simulation/BitRange", &S::bitRange, 1, S::MaxBitRange)
        .flag("Simulation/IsManyMode", &S::manySignals);
    for (int i = 0; i < S::RowCount; ++i) {
        const auto key = [i](const char *name) { return QStringLiteral("Simulation/%1%2").arg(name).arg(i); };
        const auto in = [i](auto member) { return [i, member](auto &s) -> auto & { return s.rows[size_t(i)].*member; }; };
        f.flag(key("IsEnable"), in(&R::enabled))
            .number(key("IsWhiteNoise"), in(&R::noiseAmplitude), 0, S::MaxNoise)
            .number(key("Ampl"), in(&R::amplitude), 0, S::MaxAmplitude)
            .number(key("Freq"), in(&R::frequency), 0, S::MaxFrequency)
            .number(key("Phase"), in(&R::phase), 0, S::MaxPhase)
            // A row without a number of its own stores its index.
            .add(key("ChanNum"), in(&R::channelNumber),
                 [i](const IniFile &ini, const QString &k, int) { return ini.readInt(k, i, 0, S::MaxChannelNumber); },
                 [i](int number) { return QVariant(number >= 0 ? number : i); });
    }
    return f;
}();

} // namespace

SimulationSettings::SimulationSettings()
{
    rows[0].enabled = true;
    rows[0].amplitude = 2048;
    rows[0].frequency = 1000;
}

void SimulationSettings::load(const QString &iniPath) { kFields.load(iniPath, *this); }

void SimulationSettings::save(const QString &iniPath) const { kFields.save(iniPath, *this); }

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
