#include "sources/settings/AnalyserSettings.h"

#include "sources/settings/IniFile.h"

void AnalyserSettings::load(const QString &iniPath)
{
    const IniFile ini(iniPath);
    const AnalyserSettings d;
    timeDimension = ini.readCode("OscPanel/TimeDimension", d.timeDimension, TimeUnits);
    timeout = ini.readInt("OscPanel/Timeout", d.timeout, 1, 1000);
    amplDimension = ini.readCode("OscPanel/AmplDimension", d.amplDimension, AmplUnits);
    gainIndex = ini.readInt("OscPanel/IsGain", d.gainIndex, 0, 1);

    fftSize = listedFftSize(ini.readDouble("SpectrPanel/FftSize", d.fftSize, 0, UINT32_MAX));
    averageCount = ini.readInt("SpectrPanel/AverageCount", d.averageCount, 1, 99);
    windowType = ini.readInt("SpectrPanel/WindowType", d.windowType);
    if (windowType < 0 || windowType >= WindowTypeCount)
        windowType = d.windowType;
    sidelobeLevel = ini.readInt("SpectrPanel/SidelobeLevel", d.sidelobeLevel, 0, 1000);
    freqDimension = ini.readCode("SpectrPanel/FreqDimension", d.freqDimension, FreqUnits);
    spectrRange = ini.readInt("SpectrPanel/SpectrRange", d.spectrRange, 0, 1);
    isFreqShift = ini.readBool("SpectrPanel/FreqShift", d.isFreqShift);
    isDb = ini.readBool("SpectrPanel/FreqDb", d.isDb);
    lowFreqHz = ini.readDouble("SpectrPanel/LowFreq", d.lowFreqHz, 0.0, MaxLowFreqKhz * 1000.0);
    powerDimension = ini.readCode("SpectrPanel/PowerDimension", d.powerDimension, PowerUnits);
    impedance = ini.readCode("SpectrPanel/Impedance", d.impedance, Impedances);
    maxPower = ini.readDouble("SpectrPanel/MaxPower", d.maxPower, 0.0, 1000.0);
    minPower = ini.readDouble("SpectrPanel/MinPower", d.minPower, -1000.0, 1000.0);
    isShowHarmonic = ini.readBool("SpectrPanel/IsShowHarmonic", d.isShowHarmonic);
    harmonicCount = ini.readInt("SpectrPanel/HarmNum", d.harmonicCount, 1, 99);
    sfdrBandWidth = ini.readInt("SpectrPanel/SfdrBandWidth", d.sfdrBandWidth, 0, INT_MAX);
}

void AnalyserSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    ini.write("OscPanel/TimeDimension", timeDimension);
    ini.write("OscPanel/Timeout", timeout);
    ini.write("OscPanel/AmplDimension", amplDimension);
    ini.write("OscPanel/IsGain", gainIndex);
    ini.write("SpectrPanel/FftSize", fftSize);
    ini.write("SpectrPanel/AverageCount", averageCount);
    ini.write("SpectrPanel/WindowType", windowType);
    ini.write("SpectrPanel/SidelobeLevel", sidelobeLevel);
    ini.write("SpectrPanel/FreqDimension", freqDimension);
    ini.write("SpectrPanel/SpectrRange", spectrRange);
    ini.writeBool("SpectrPanel/FreqShift", isFreqShift);
    ini.writeBool("SpectrPanel/FreqDb", isDb);
    ini.write("SpectrPanel/LowFreq", lowFreqHz);
    ini.write("SpectrPanel/PowerDimension", powerDimension);
    ini.write("SpectrPanel/Impedance", impedance);
    ini.write("SpectrPanel/MaxPower", maxPower);
    ini.write("SpectrPanel/MinPower", minPower);
    ini.writeBool("SpectrPanel/IsShowHarmonic", isShowHarmonic);
    ini.write("SpectrPanel/HarmNum", harmonicCount);
    ini.write("SpectrPanel/SfdrBandWidth", sfdrBandWidth);
}

uint32_t AnalyserSettings::listedFftSize(double n)
{
    uint32_t size = MaxFftSize;
    while (size > MinFftSize && size > n)
        size /= 2;
    return size;
}
