// Unit converters of the axes, checked against hand-worked values.
#include <QtTest>

#include <cmath>
#include <functional>

#include "plot/Transforms.h"

namespace {

const double kPi = 3.14159265358979323846;

struct Row {
    const char *name;
    std::function<double()> actual;
    double expected;
};

AmplTransforms ampl(int code, uint8_t bits = 16, uint32_t rangeMv = 5000)
{
    AmplTransforms t;
    t.setBits(bits);
    t.setRange(rangeMv);
    t.setType(code);
    return t;
}

AmplTransformsMod amplMod(int code, double gain = 1.0)
{
    AmplTransformsMod t;
    t.setType(code);
    t.setGain(gain);
    return t;
}

TimeTransforms timeAt(int code, double rate)
{
    TimeTransforms t;
    t.setSampleRate(rate);
    t.setType(code);
    return t;
}

AngleTransforms angle(int code)
{
    AngleTransforms t;
    t.setType(code);
    return t;
}

// 100 kHz, 1024 bins: 97.65625 Hz per bin.
FreqTransforms freq(int code, bool complexShift = false, double offsetHz = 0.0, double rate = 100000.0)
{
    FreqTransforms t;
    t.setSampleRate(rate);
    t.setFftSize(1024);
    t.setShiftFlag(complexShift);
    t.setOffset(offsetHz);
    t.setType(code);
    return t;
}

PowerTransforms power(int code)
{
    PowerTransforms t;
    t.setType(code);
    return t;
}

// dBFS of a 5 V converter: its full-scale sine has peaks of 5 V, a power of 12.5 V^2.
PowerTransforms fiveVolts()
{
    PowerTransforms t = power(DimDbfs);
    t.setRange(5000);
    return t;
}

// 1 MHz sampling, a period of 1 ms: 1000 samples per period.
PhaseMisTransforms phase(int code)
{
    PhaseMisTransforms t;
    t.setSampleRate(1e6);
    t.setPeriod(1e-3);
    t.setType(code);
    return t;
}

const QVector<Row> &rows()
{
    static const QVector<Row> table = {
        // Full scale of a 16-bit, 5 V converter is 2^15 codes.
        {"ampl code->mV", [] { return ampl(DimMillivolts).toUnits(32768); }, 5000.0},
        {"ampl code->V", [] { return ampl(DimVolts).toUnits(32768); }, 5.0},
        {"ampl half scale mV", [] { return ampl(DimMillivolts).toUnits(-16384); }, -2500.0},
        {"ampl codes unchanged", [] { return ampl(DimCodes).toUnits(1234.5); }, 1234.5},
        {"ampl 12 bit 10 V one code", [] { return ampl(DimMillivolts, 12, 10000).toUnits(1); }, 10000.0 / 2048},
        {"ampl mV->code", [] { return ampl(DimMillivolts).fromUnits(2500); }, 16384.0},
        {"ampl V->code", [] { return ampl(DimVolts).fromUnits(-5); }, -32768.0},
        // The module read-out takes the largest positive code as full scale and divides by gain.
        {"mod 32767 -> 5000 mV", [] { return amplMod(DimMillivolts).toUnitsGain(32767); }, 5000.0},
        {"mod 32767 -> 5 V", [] { return amplMod(DimVolts).toUnitsGain(32767); }, 5.0},
        {"mod gain 2 halves", [] { return amplMod(DimMillivolts, 2.0).toUnitsGain(32767); }, 2500.0},
        {"mod mV->code", [] { return amplMod(DimMillivolts).fromUnits(5000); }, 32767.0},
        {"mod gain 2 mV->code", [] { return amplMod(DimMillivolts, 2.0).fromUnits(2500); }, 32767.0},
        {"mod toUnits is the plain one", [] { return amplMod(DimMillivolts).toUnits(32768); }, 5000.0},
        {"mod codes unchanged", [] { return amplMod(DimCodes).toUnitsGain(77); }, 77.0},
        // 1000 samples at 1 MHz are 1 ms.
        {"time us", [] { return timeAt(DimMicroseconds, 1e6).toUnits(1000); }, 1000.0},
        {"time ms", [] { return timeAt(DimMilliseconds, 1e6).toUnits(1000); }, 1.0},
        {"time s", [] { return timeAt(DimSeconds, 1e6).toUnits(1000); }, 0.001},
        {"time ns", [] { return timeAt(DimNanoseconds, 1e6).toUnits(1000); }, 1e6},
        {"time samples", [] { return timeAt(DimSamples, 1e6).toUnits(1000); }, 1000.0},
        {"time ms->samples", [] { return timeAt(DimMilliseconds, 1e6).fromUnits(2.5); }, 2500.0},
        {"rate 0 us", [] { return timeAt(DimMicroseconds, 0).toUnits(1000); }, 0.0},
        {"rate 0 ms", [] { return timeAt(DimMilliseconds, 0).toUnits(1000); }, 0.0},
        {"rate 0 s", [] { return timeAt(DimSeconds, 0).toUnits(1000); }, 0.0},
        {"rate 0 ns", [] { return timeAt(DimNanoseconds, 0).toUnits(1000); }, 0.0},
        {"rate 0 samples", [] { return timeAt(DimSamples, 0).toUnits(1000); }, 1000.0},
        {"rate 0 back", [] { return timeAt(DimMilliseconds, 0).fromUnits(3); }, 3.0},
        {"angle deg", [] { return angle(DimDegrees).toUnits(90); }, 90.0},
        {"angle rad", [] { return angle(DimRadians).toUnits(180); }, kPi},
        {"angle rad back", [] { return angle(DimRadians).fromUnits(kPi / 2); }, 90.0},
        {"angle default degrees", [] { return AngleTransforms().toUnits(45); }, 45.0},
        // Bin 512 of 1024 at 100 kHz is the Nyquist frequency.
        {"freq Hz", [] { return freq(DimHertz).toUnits(512); }, 50000.0},
        {"freq kHz", [] { return freq(DimKilohertz).toUnits(512); }, 50.0},
        {"freq bins", [] { return freq(DimNone).toUnits(512); }, 512.0},
        {"freq Hz->bin", [] { return freq(DimHertz).fromUnits(25000); }, 256.0},
        {"freq rate 0 back", [] { return freq(DimHertz, false, 0, 0).fromUnits(25000); }, 0.0},
        {"freq centred middle is 0 Hz", [] { return freq(DimHertz, true).toUnits(512); }, 0.0},
        {"freq centred first is -Fs/2", [] { return freq(DimKilohertz, true).toUnits(0); }, -50.0},
        {"freq shifted by 1 kHz", [] { return freq(DimHertz, true, 1000).toUnits(512); }, 1000.0},
        {"freq shifted back", [] { return freq(DimHertz, true, 1000).fromUnits(1000); }, 512.0},
        {"freq centred bins", [] { return freq(DimNone, true).toUnits(600); }, 88.0},
        // 1 V^2 is 0 dB, 120 dBuV and 10 log10(1 / 50 ohm / 1 mW) = 13.0103 dBm.
        {"power dB", [] { return power(DimDecibels).toUnits(1.0); }, 0.0},
        {"power dBuV", [] { return power(DimDbMicrovolt).toUnits(1.0); }, 120.0},
        {"power dBm", [] { return power(DimDbm).toUnits(1.0); }, 10.0 * std::log10(20.0)},
        {"power dB rel", [] { return power(DimDecibelsRelative).toUnits(0.01, 1.0); }, -20.0},
        {"power 0 dB", [] { return power(DimDecibels).toUnits(0.0); }, -350.0},
        {"power 0 dB rel", [] { return power(DimDecibelsRelative).toUnits(0.0, 2.0); }, -350.0},
        {"power 0 dBm", [] { return power(DimDbm).toUnits(0.0); }, -350.0},
        {"power 0 dBuV", [] { return power(DimDbMicrovolt).toUnits(0.0); }, -350.0},
        {"power dBFS full-scale sine", [] { return fiveVolts().toUnits(12.5); }, 0.0},
        {"power dBFS half amplitude", [] { return fiveVolts().toUnits(12.5 / 4); }, 20 * std::log10(0.5)},
        {"power dBFS of 1 V RMS", [] { return fiveVolts().toUnits(1.0); }, -10 * std::log10(12.5)},
        {"power 0 dBFS", [] { return fiveVolts().toUnits(0.0); }, -350.0},
        {"power dBFS without a range", [] { return power(DimDbfs).toUnits(1.0); }, -350.0},
        {"power linear 0 stays 0", [] { return power(DimVolts).toUnits(0.0); }, 0.0},
        {"power never back", [] { return power(DimDecibels).fromUnits(-20); }, 0.0},
        // 250 samples of a 1000-sample period are a quarter turn.
        {"phase deg", [] { return phase(DimDegrees).toUnits(250); }, 90.0},
        {"phase rad", [] { return phase(DimRadians).toUnits(250); }, kPi / 2},
        {"phase us", [] { return phase(DimMicroseconds).toUnits(250); }, 250.0},
        {"phase ms", [] { return phase(DimMilliseconds).toUnits(250); }, 0.25},
        {"phase ns", [] { return phase(DimNanoseconds).toUnits(250); }, 250000.0},
        {"phase deg back", [] { return phase(DimDegrees).fromUnits(90); }, 250.0},
        {"phase rad back", [] { return phase(DimRadians).fromUnits(kPi); }, 500.0},
        {"phase us back", [] { return phase(DimMicroseconds).fromUnits(250); }, 250.0},
        {"phase samples", [] { return phase(DimSamples).toUnits(250); }, 250.0},
        {"phase rate 0 shows 0", [] { PhaseMisTransforms t; t.setType(DimDegrees); return t.toUnits(250); }, 0.0},
        // A code of another converter's kind passes the value through.
        {"ampl given us", [] { return ampl(DimMicroseconds).toUnits(7); }, 7.0},
        {"ampl given us back", [] { return ampl(DimMicroseconds).fromUnits(7); }, 7.0},
        {"time given mV", [] { return timeAt(DimMillivolts, 1e6).toUnits(7); }, 7.0},
        {"angle given Hz", [] { return angle(DimHertz).toUnits(7); }, 7.0},
        {"freq given mV", [] { return freq(DimMillivolts).toUnits(7); }, 7.0},
        {"power given Hz", [] { return power(DimHertz).toUnits(7); }, 7.0},
        {"phase given mV", [] { return phase(DimMillivolts).toUnits(7); }, 7.0},
        {"every kind given 12", [] { return ampl(DimNone).toUnits(7) + timeAt(DimNone, 1e6).toUnits(7)
                                          + angle(DimNone).toUnits(7) + power(DimNone).toUnits(7)
                                          + phase(DimNone).toUnits(7); }, 35.0},
    };
    return table;
}

bool close(double a, double b)
{
    return std::fabs(a - b) <= 1e-12 * std::max(1.0, std::fabs(b));
}

} // namespace

class TestTransforms : public QObject
{
    Q_OBJECT

private slots:
    void conversion_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < rows().size(); ++i)
            QTest::newRow(rows()[i].name) << i;
    }

    void conversion()
    {
        QFETCH(int, row);
        const Row &r = rows()[row];
        const double got = r.actual();
        QVERIFY2(close(got, r.expected),
                 qPrintable(QString("got %1, expected %2").arg(got, 0, 'g', 17).arg(r.expected, 0, 'g', 17)));
    }

    // Converting to a unit and back gives the stored value again, for odd ranges and widths too.
    void amplitudeRoundTrip()
    {
        const uint8_t bitsList[] = {8, 12, 14, 16, 24};
        const uint32_t ranges[] = {5000, 3000, 1250, 10000};
        const double codes[] = {-32768, -1, 0, 1, 7, 1234.5, 32767, 8388607};
        for (int code : {int(DimMillivolts), int(DimVolts)})
            for (uint8_t bits : bitsList)
                for (uint32_t range : ranges)
                    for (double v : codes) {
                        const AmplTransforms t = ampl(code, bits, range);
                        QVERIFY(close(t.fromUnits(t.toUnits(v)), v));
                        QVERIFY(close(t.toUnits(t.fromUnits(v)), v));
                    }
        // Power-of-two full scale and an integral millivolt range are exact to the bit.
        const AmplTransforms t = ampl(DimMillivolts);
        for (double v : codes)
            QCOMPARE(t.fromUnits(t.toUnits(v)), v);
    }

    void bitsChooseSampleWidth()
    {
        AmplTransforms t;
        QCOMPARE(int(t.bits()), 16);
        QCOMPARE(int(t.bytesPerSample()), 2);
        const struct { uint8_t bits; uint8_t bytes; } cases[] = {
            {1, 1}, {8, 1}, {9, 2}, {14, 2}, {16, 2}, {17, 4}, {24, 4}, {32, 4}, {0, 4}};
        for (const auto &c : cases) {
            t.setBits(c.bits);
            QCOMPARE(int(t.bytesPerSample()), int(c.bytes));
        }
    }

    // Degenerate settings give finite values instead of infinities.
    void degenerateSettingsStayFinite()
    {
        QVERIFY(std::isfinite(ampl(DimMillivolts, 16, 0).fromUnits(100)));
        QVERIFY(std::isfinite(amplMod(DimMillivolts, 0.0).toUnitsGain(100)));
        PhaseMisTransforms p;
        p.setType(DimRadians);
        QVERIFY(std::isfinite(p.toUnits(10)));
        QVERIFY(std::isfinite(freq(DimKilohertz, true, 500, 0).toUnits(3)));
    }

    // The inverse undoes centring and offset for every frequency unit.
    void frequencyRoundTrip()
    {
        for (int code : {int(DimNone), int(DimHertz), int(DimKilohertz)})
            for (bool shifted : {false, true})
                for (double bin : {0.0, 1.0, 511.5, 1023.0}) {
                    const FreqTransforms t = freq(code, shifted, 1250.0);
                    QVERIFY(close(t.fromUnits(t.toUnits(bin)), bin));
                }
    }
};

QTEST_GUILESS_MAIN(TestTransforms)
#include "test_transforms.moc"
