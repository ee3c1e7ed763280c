#include "plot/Transforms.h"

#include "sources/FileParams.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Ticks per second of the time units; 0 for codes that are not a time.
double ticksPerSecond(int code)
{
    switch (code) {
    case DimMicroseconds: return 1e6;
    case DimMilliseconds: return 1e3;
    case DimSeconds: return 1.0;
    case DimNanoseconds: return 1e9;
    default: return 0.0;
    }
}

// Millivolts per display unit for the amplitude codes; 0 for other codes.
double millivoltsPerUnit(int code)
{
    switch (code) {
    case DimMillivolts: return 1.0;
    case DimVolts: return 1000.0;
    default: return 0.0;
    }
}

} // namespace

void Transforms::setType(int type)
{
    m_type = type;
}

// --- amplitude ------------------------------------------------------------------------

void AmplTransforms::setBits(uint8_t bits)
{
    m_bits = bits;
    if (bits >= 1 && bits <= 8)
        m_bytesPerSample = 1;
    else if (bits >= 9 && bits <= 16)
        m_bytesPerSample = 2;
    else
        m_bytesPerSample = 4;
}

double AmplTransforms::half() const
{
    return std::ldexp(1.0, int(m_bits) - 1);
}

double AmplTransforms::toUnits(double value, double) const
{
    const double mvPerUnit = millivoltsPerUnit(type());
    if (mvPerUnit == 0.0)
        return value;
    return value * double(m_range) / half() / mvPerUnit;
}

double AmplTransforms::fromUnits(double value) const
{
    const double mvPerUnit = millivoltsPerUnit(type());
    // A zero range cannot be inverted; the value stays as it is rather than becoming inf.
    if (mvPerUnit == 0.0 || m_range == 0)
        return value;
    return value * half() * mvPerUnit / double(m_range);
}

double AmplTransformsMod::toUnitsGain(double value) const
{
    const double mvPerUnit = millivoltsPerUnit(type());
    const double fullScale = half() - 1.0;
    if (mvPerUnit == 0.0 || gain() == 0.0 || fullScale <= 0.0)
        return value;
    return value * double(range()) / gain() / fullScale / mvPerUnit;
}

double AmplTransformsMod::fromUnits(double value) const
{
    const double mvPerUnit = millivoltsPerUnit(type());
    if (mvPerUnit == 0.0 || range() == 0)
        return value;
    return value * gain() * (half() - 1.0) * mvPerUnit / double(range());
}

// --- time -----------------------------------------------------------------------------

double TimeTransforms::toUnits(double value, double) const
{
    const double k = ticksPerSecond(type());
    if (k == 0.0)
        return value;
    if (m_sampleRate == 0.0)
        return 0.0;
    return value * k / m_sampleRate;
}

double TimeTransforms::fromUnits(double value) const
{
    const double k = ticksPerSecond(type());
    if (k == 0.0 || m_sampleRate == 0.0)
        return value;
    return value * m_sampleRate / k;
}

// --- angle ----------------------------------------------------------------------------

AngleTransforms::AngleTransforms()
{
    setType(DimDegrees);
}

double AngleTransforms::toUnits(double value, double) const
{
    return type() == DimRadians ? value / 180.0 * kPi : value;
}

double AngleTransforms::fromUnits(double value) const
{
    return type() == DimRadians ? value * 180.0 / kPi : value;
}

// --- frequency ------------------------------------------------------------------------

// Bins added to a stored bin number before it is scaled to a frequency.
double FreqTransforms::binShift() const
{
    if (!m_shift)
        return 0.0;
    double shift = m_centred ? -double(m_fftSize / 2) : 0.0;
    shift += m_sampleRate != 0.0 ? m_offset * m_fftSize / m_sampleRate : m_offset * m_fftSize;
    return shift;
}

double FreqTransforms::toUnits(double value, double) const
{
    const double v = value + binShift();
    switch (type()) {
    case DimHertz: return v * m_sampleRate / m_fftSize;
    case DimKilohertz: return v * m_sampleRate / m_fftSize / 1000.0;
    default: return v;
    }
}

// The exact inverse of toUnits(), the frequency offset included.
double FreqTransforms::fromUnits(double value) const
{
    double v = value;
    switch (type()) {
    case DimHertz:
        if (m_sampleRate == 0.0)
            return 0.0;
        v = value / m_sampleRate * m_fftSize;
        break;
    case DimKilohertz:
        if (m_sampleRate == 0.0)
            return 0.0;
        v = value * 1000.0 / m_sampleRate * m_fftSize;
        break;
    default:
        break;
    }
    return v - binShift();
}

// --- power ----------------------------------------------------------------------------

double PowerTransforms::toUnits(double value, double reference) const
{
    double ratio;
    switch (type()) {
    case DimDecibels: ratio = value; break;
    case DimDecibelsRelative: ratio = value / reference; break;
    case DimDbm: ratio = value / double(m_impedance) / 0.001; break;
    case DimDbMicrovolt: ratio = value * 1e12; break;
    case DimDbfs: {
        const double fullScale = fullScaleSineRms(m_rangeMv);
        ratio = fullScale > 0 ? value / (fullScale * fullScale) : 0.0;
        break;
    }
    default: return value;
    }
    // Without a range nothing is full scale: zero power rather than infinity.
    if (value == 0.0 || ratio == 0.0)
        return zeroPowerDb;
    return 10.0 * std::log10(ratio);
}

double PowerTransforms::fromUnits(double) const
{
    return 0.0;
}

// --- phase mismatch -------------------------------------------------------------------

double PhaseMisTransforms::toUnits(double value, double) const
{
    const double k = ticksPerSecond(type());
    if (k != 0.0 && type() != DimSeconds)
        return m_sampleRate != 0.0 ? value / m_sampleRate * k : 0.0;
    switch (type()) {
    case DimDegrees: return m_period != 0.0 ? value * 360.0 / m_period : 0.0;
    case DimRadians: return m_period != 0.0 ? value * 2.0 * kPi / m_period : 0.0;
    default: return value;
    }
}

double PhaseMisTransforms::fromUnits(double value) const
{
    const double k = ticksPerSecond(type());
    if (k != 0.0 && type() != DimSeconds)
        return value * m_sampleRate / k;
    switch (type()) {
    case DimDegrees: return value * m_period / 360.0;
    case DimRadians: return value * m_period / (2.0 * kPi);
    default: return value;
    }
}
