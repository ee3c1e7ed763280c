#pragma once
// What the generator dialog edits, as stored under "Simulation/" in the configuration file,
// and its conversion into the generator's descriptor and channel records.
#include "sources/ChannelRecord.h"
#include "sources/FileParams.h"

#include <QString>

#include <array>

class SignalSimulation;

struct SimulationRow {
    bool enabled = false;
    int noiseAmplitude = 0; // LSB, 0 = no noise
    double amplitude = 0.0; // ADC codes
    double frequency = 0.0; // Hz
    double phase = 0.0;     // degrees
    int channelNumber = -1; // device channel number of the row's signal; < 0: the row's own
};

struct SimulationSettings {
    static constexpr int RowCount = 16;
    // The largest values the dialog's fields take.
    static constexpr uint64_t MaxSampleCount = 999999999999ull;
    static constexpr double MaxSampleRate = 1e9; // Hz
    static constexpr int MaxVoltageRangeMv = 9999;
    static constexpr int MaxBitRange = 32;
    static constexpr int MaxNoise = 255;
    static constexpr double MaxAmplitude = 1e9;
    static constexpr double MaxFrequency = 1e9;
    static constexpr double MaxPhase = 999.999;
    static constexpr int MaxChannelNumber = 65535;

    uint64_t sampleCount = 1024; // per channel and block
    bool isComplex = false;
    double sampleRate = 101000.0; // Hz
    int voltageRangeMv = 5000;
    int bitRange = 12;
    bool manySignals = true;      // one output channel per component
    std::array<SimulationRow, RowCount> rows;

    SimulationSettings();

    // Reads or writes every "Simulation/" key of an INI file. Missing or unreadable values give
    // the defaults; numbers are clamped into the ranges above, so that no bit range reaches the
    // generator that its 8-bit descriptor field or the scaling cannot hold.
    void load(const QString &iniPath);
    void save(const QString &iniPath) const;

    // Row 0 and its harmonics 2..16 at one code each, alternately in sine and cosine phase,
    // summed into one signal, without noise.
    void applyHarmonicsPreset();

    int enabledCount() const;
    // The descriptor the generator takes: channelCount is the number of enabled rows.
    FileParams fileParams() const;
    ChannelRecord channelRecord(int row) const;
    // The device channel number row `row` generates.
    int channelNumberOf(int row) const;
};

// Hands the settings to the generator as the main window does: the descriptor, then the
// records of the enabled rows packed to the front.
void applySimulation(SignalSimulation &source, const SimulationSettings &settings);
