#pragma once
// What the "Параметры" dialog edits and the main window applies: units and refresh period of
// the oscilloscope, the FFT, its averaging and window, the axes of the spectrum and the
// parameters of the ADC quality measurement, stored under "OscPanel/" and "SpectrPanel/".
#include "dsp/Windows.h"
#include "sources/settings/DimensionCodes.h"

#include <QString>

#include <array>
#include <cstdint>
#include <tuple>

struct AnalyserSettings {
    // The units each axis offers, in the order the dialog lists them.
    static constexpr std::array<int, 4> TimeUnits = {DimSamples, DimSeconds, DimMilliseconds,
                                                     DimMicroseconds};
    static constexpr std::array<int, 3> AmplUnits = {DimCodes, DimVolts, DimMillivolts};
    static constexpr std::array<int, 3> FreqUnits = {DimNone, DimHertz, DimKilohertz};
    static constexpr std::array<int, 6> PowerUnits = {DimDecibelsRelative, DimDecibels, DimDbm,
                                                      DimDbMicrovolt, DimVolts, DimDbfs};
    static constexpr std::array<int, 2> Impedances = {50, 600}; // Ohm
    static constexpr uint32_t MinFftSize = 16;
    static constexpr uint32_t MaxFftSize = 8388608;
    static constexpr double MaxLowFreqKhz = 999999999.0;

    // oscilloscope
    int timeDimension = DimSamples;
    int timeout = 100;             // ms, shortest refresh period, 1..1000
    int amplDimension = DimCodes;
    int gainIndex = 0;             // signal referred to 0 the ADC input, 1 the module input
    // spectrum analyser
    uint32_t fftSize = 1024;       // a power of two, MinFftSize..MaxFftSize
    int averageCount = 1;          // 1..99
    int windowType = WindowBlackmanHarris7;
    int sidelobeLevel = 120;       // dB, Kaiser and Chebyshev only, 0..1000
    int freqDimension = DimKilohertz;
    int spectrRange = 1;           // complex spectra over 0 0..Fd, 1 -Fd/2..+Fd/2
    bool isFreqShift = true;
    bool isDb = false;             // logarithmic frequency axis
    double lowFreqHz = 0.0;        // lower edge of the logarithmic axis
    int powerDimension = DimDecibelsRelative;
    int impedance = 50;
    double maxPower = 0.0;         // 0..1000
    double minPower = -120.0;      // -1000..1000
    bool isShowHarmonic = false;
    int harmonicCount = 6;         // 1..99
    int sfdrBandWidth = 0;         // Hz, half width of the band left out of SFDR and SNR

    // Missing or unreadable keys give the defaults above, numbers are clamped into their
    // ranges, unknown codes give the default code and a size between two FFT sizes the lower.
    void load(const QString &iniPath);
    void save(const QString &iniPath) const;

    // The FFT size the analyser offers for n: the largest power of two not above it, within
    // MinFftSize..MaxFftSize.
    static uint32_t listedFftSize(double n);

private:
    auto fields() const
    {
        return std::tie(timeDimension, timeout, amplDimension, gainIndex, fftSize, averageCount,
                        windowType, sidelobeLevel, freqDimension, spectrRange, isFreqShift, isDb,
                        lowFreqHz, powerDimension, impedance, maxPower, minPower, isShowHarmonic,
                        harmonicCount, sfdrBandWidth);
    }

public:
    bool operator==(const AnalyserSettings &other) const { return fields() == other.fields(); }
    bool operator!=(const AnalyserSettings &other) const { return !(*this == other); }
};
