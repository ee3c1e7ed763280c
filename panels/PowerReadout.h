#pragma once
// The spectrum analyser's level read-out: the level of a tone (the fundamental, or the tone
// under the marker), of a band of bins, or its density per square root of hertz, in the unit
// the user picked.
#include <QString>

#include <cstdint>
#include <optional>

struct BlockSnapshot;

enum class PowerMode { Harmonic = 0, Band = 1, Density = 2 };

struct BinBand {
    int lower = 0;
    int upper = 0;
};

// The band of a read-out: between the two markers when both are shown, at the one shown
// marker, else the visible range; never below bin 0.
BinBand readoutBand(bool redShown, double redX, bool blueShown, double blueX, double viewStart, double viewEnd);

// Level (mV RMS) of a band per square root of its width in hertz; none without a rate.
std::optional<double> densityLevel(double bandMv, const BinBand &band, double sampleRate, unsigned fftSize);

// An RMS level in millivolts in the unit named by the unit chooser ("dB/max", "dB", "dBm",
// "dBuV", "В(ампл)", "В(эфф)", "мВ(эфф)", "мкВ(эфф)", "dBFS" of a converter spanning rangeMv).
// Decibels of nothing read as the power axis shows zero power.
double levelInUnit(double mvRms, const QString &unit, double fundamentalRmsV, unsigned impedanceOhms,
                   int32_t rangeMv = 0);

// The record's gain of a channel, 1 when the record gives none.
double channelGain(const BlockSnapshot &block, int channelNumber);

struct PowerRequest {
    int channelNumber = 0;
    int markerBin = -1;         // -1: no marker, the fundamental is read
    PowerMode mode = PowerMode::Harmonic;
    QString unit;
    BinBand band;
    bool referToInput = false;  // divide by the channel's gain (not in dB/max and dBFS, ratios)
    bool isSimulation = false;  // generated signals carry no gains
    unsigned impedanceOhms = 50;
};

struct PowerReading {
    double value = 0.0;
    double frequency = 0.0;     // Hz
};

// Reads a delivered block; none while the channel has no spectrum or no tone is found.
std::optional<PowerReading> readPower(const BlockSnapshot &block, const PowerRequest &request);
