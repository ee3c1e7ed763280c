#pragma once
// Converters between stored values (ADC codes, sample numbers, squared volts, bins, degrees,
// delays in samples) and the display units of an axis or read-out. Stored data never change;
// switching a unit is setType() followed by a replot.
#include "sources/settings/DimensionCodes.h"

#include <cstdint>

// Each converter knows the codes of its own kind and passes every other value through.
// Converters live by value inside their owners, hence no virtual destructor; the protected
// one keeps anybody from deleting through a base pointer.
class Transforms
{
public:
    virtual void setType(int type);
    // reference is used only by the decibel-relative code; callers without one pass 0.
    virtual double toUnits(double value, double reference = 0.0) const = 0;
    virtual double fromUnits(double value) const = 0;

    int type() const { return m_type; }

protected:
    Transforms() = default;
    ~Transforms() = default;
    Transforms(const Transforms &) = default;
    Transforms &operator=(const Transforms &) = default;

private:
    int m_type = DimCodes;
};

// ADC codes <-> millivolts / volts. Full scale is 2^(bits-1) codes for `range` millivolts.
class AmplTransforms : public Transforms
{
public:
    double toUnits(double value, double reference = 0.0) const override;
    double fromUnits(double value) const override;

    void setRange(uint32_t rangeMv) { m_range = rangeMv; }
    void setBits(uint8_t bits);
    void setGain(double gain) { m_gain = gain; }
    uint32_t range() const { return m_range; }
    uint8_t bits() const { return m_bits; }
    uint8_t bytesPerSample() const { return m_bytesPerSample; }
    double gain() const { return m_gain; }

protected:
    double half() const;

private:
    uint32_t m_range = 5000;
    double m_gain = 1.0;
    uint8_t m_bits = 16;
    uint8_t m_bytesPerSample = 2;
};

// Refers the signal to the module input: divides by the gain and takes 2^(bits-1) - 1 codes
// as full scale (the largest positive code of a two's complement converter).
class AmplTransformsMod : public AmplTransforms
{
public:
    double fromUnits(double value) const override;
    virtual double toUnitsGain(double value) const;
};

// Sample numbers <-> time. A rate of 0 shows every time as 0 and converts nothing back.
class TimeTransforms : public Transforms
{
public:
    double toUnits(double value, double reference = 0.0) const override;
    double fromUnits(double value) const override;

    void setSampleRate(double hz) { m_sampleRate = hz; }
    double sampleRate() const { return m_sampleRate; }

private:
    double m_sampleRate = 0.0;
};

// Stored angles are degrees; shown as degrees or radians.
class AngleTransforms : public Transforms
{
public:
    AngleTransforms();
    double toUnits(double value, double reference = 0.0) const override;
    double fromUnits(double value) const override;
};

// FFT bin numbers <-> hertz / kilohertz. For complex records the axis can be centred on
// zero (bins shifted by half the transform) and offset by a frequency shift.
class FreqTransforms : public Transforms
{
public:
    double toUnits(double value, double reference = 0.0) const override;
    double fromUnits(double value) const override;

    void setSampleRate(double hz) { m_sampleRate = hz; }
    void setFftSize(unsigned size) { m_fftSize = size; }
    void setCentred(bool on) { m_centred = on; }
    // Enables the centring and the offset; set for complex records.
    void setShiftFlag(bool on) { m_shift = on; }
    void setOffset(double hz) { m_offset = hz; }
    double sampleRate() const { return m_sampleRate; }
    unsigned fftSize() const { return m_fftSize; }
    bool centred() const { return m_centred; }
    double offset() const { return m_offset; }

private:
    double binShift() const;

    double m_sampleRate = 0.0;
    unsigned m_fftSize = 1024;
    bool m_centred = true;
    bool m_shift = false;
    double m_offset = 0.0;
};

// Power (volts squared) -> decibels. Zero power shows as -350 dB. Power axes are never
// converted back: fromUnits() is 0. dBFS refers to the power of the full-scale sine of a
// converter spanning the range set.
class PowerTransforms : public Transforms
{
public:
    double toUnits(double value, double reference = 0.0) const override;
    double fromUnits(double value) const override;

    void setImpedance(unsigned ohms) { m_impedance = ohms; }
    unsigned impedance() const { return m_impedance; }
    void setRange(int32_t rangeMv) { m_rangeMv = rangeMv; }
    int32_t range() const { return m_rangeMv; }

    static constexpr double zeroPowerDb = ZeroPowerDecibels;

private:
    unsigned m_impedance = 50;
    int32_t m_rangeMv = 0;
};

// Delays in samples <-> time or phase of one signal period.
class PhaseMisTransforms : public Transforms
{
public:
    double toUnits(double value, double reference = 0.0) const override;
    double fromUnits(double value) const override;

    void setSampleRate(double hz) { m_sampleRate = hz; }
    // The period is given in seconds and kept in samples, so set the rate first.
    void setPeriod(double seconds) { m_period = m_sampleRate * seconds; }
    double sampleRate() const { return m_sampleRate; }
    double period() const { return m_period; }

private:
    double m_sampleRate = 0.0;
    double m_period = 0.0;
};
