#include "sources/settings/AnalyserSettings.h"

#include "sources/settings/SettingsFields.h"

namespace {

using S = AnalyserSettings;
const auto kFields = SettingsFields<S>()
    .code("OscPanel/TimeDimension", &S::timeDimension, S::TimeUnits)
    .number("OscPanel/Timeout", &S::timeout, 1, 1000)
    .code("OscPanel/AmplDimension", &S::amplDimension, S::AmplUnits)
    .number("OscPanel/IsGain", &S::gainIndex, 0, 1)
    .number("SpectrPanel/FftSize", &S::fftSize, 0, UINT32_MAX, &S::listedFftSize)
    .number("SpectrPanel/AverageCount", &S::averageCount, 1, 99)
    .choice("SpectrPanel/WindowType", &S::windowType, WindowTypeCount)
    .number("SpectrPanel/SidelobeLevel", &S::sidelobeLevel, 0, 1000)
    .code("SpectrPanel/FreqDimension", &S::freqDimension, S::FreqUnits)
    .number("SpectrPanel/SpectrRange", &S::spectrRange, 0, 1)
    .flag("SpectrPanel/FreqShift", &S::isFreqShift)
    .flag("SpectrPanel/FreqDb", &S::isDb)
    .number("SpectrPanel/LowFreq", &S::lowFreqHz, 0.0, S::MaxLowFreqKhz * 1000.0)
    .code("SpectrPanel/PowerDimension", &S::powerDimension, S::PowerUnits)
    .code("SpectrPanel/Impedance", &S::impedance, S::Impedances)
    .number("SpectrPanel/MaxPower", &S::maxPower, 0.0, 1000.0)
    .number("SpectrPanel/MinPower", &S::minPower, -1000.0, 1000.0)
    .flag("SpectrPanel/IsShowHarmonic", &S::isShowHarmonic)
    .number("SpectrPanel/HarmNum", &S::harmonicCount, 1, 99)
    .number("SpectrPanel/SfdrBandWidth", &S::sfdrBandWidth, 0, INT_MAX);

} // namespace

void AnalyserSettings::load(const QString &iniPath) { kFields.load(iniPath, *this); }

void AnalyserSettings::save(const QString &iniPath) const { kFields.save(iniPath, *this); }

uint32_t AnalyserSettings::listedFftSize(double n)
{
    uint32_t size = MaxFftSize;
    while (size > MinFftSize && size > n)
        size /= 2;
    return size;
}
