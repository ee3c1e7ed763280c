#pragma once
// Helpers of the panel tests: records of a bench signal (a tone with harmonics and noise per
// channel), their spectra as the source computes them, and synthetic mouse input.
#include <QApplication>
#include <QMouseEvent>
#include <QtTest>

#include <cmath>
#include <random>
#include <vector>

#include "dsp/SpectrumEngine.h"
#include "plot/OrmaPlot.h"

namespace kit {

// Channels of ADC codes, channel-major, with the sample index as x.
struct Record {
    int channels = 0;
    int length = 0;
    std::vector<double> x;
    std::vector<double> codes;
    const double *channel(int k) const { return codes.data() + size_t(k) * size_t(length); }
};

// Channel k: a tone of `amplitude` codes at (k + 1) * baseHz with harmonics 2..5 falling by
// 20 dB each, and Gaussian noise of noiseCodes RMS.
inline Record benchRecord(int channels, int length, double rate, double baseHz, double amplitude,
                          double noiseCodes, unsigned seed = 7)
{
    Record r;
    r.channels = channels;
    r.length = length;
    r.x.resize(size_t(length));
    for (int i = 0; i < length; ++i)
        r.x[size_t(i)] = i;
    r.codes.resize(size_t(channels) * size_t(length));
    std::mt19937 gen(seed);
    std::normal_distribution<double> noise(0.0, noiseCodes);
    for (int k = 0; k < channels; ++k) {
        const double f = baseHz * (k + 1) * (1.0 + 0.013 * k);
        for (int i = 0; i < length; ++i) {
            double v = 0.0, a = amplitude;
            for (int h = 1; h <= 5; ++h, a /= 10)
                v += a * std::sin(2 * M_PI * f * h * i / rate + 0.3 * h);
            r.codes[size_t(k) * size_t(length) + size_t(i)] = std::round(v + noise(gen));
        }
    }
    return r;
}

// Spectra of the first n samples of every channel, as the source would leave them.
struct Spectra {
    SpectrumEngine engine{SpectrumEngine::Backend::Radix2};
    std::vector<SpectrumMeasurements> measured;
    void compute(const Record &r, uint32_t n, double fullScale, double rangeMv, double rate)
    {
        SpectrumSettings s;
        s.fftSize = n;
        engine.beginBlock(s, r.channels, false);
        measured.assign(size_t(r.channels), SpectrumMeasurements());
        for (int k = 0; k < r.channels; ++k)
            engine.analyseSamples(k, r.channel(k), nullptr, fullScale, rangeMv, rate, measured[size_t(k)]);
        engine.endBlock();
    }
};

inline void mouse(QWidget *w, QEvent::Type type, const QPoint &pos, Qt::MouseButton button)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

inline void click(QWidget *w, const QPoint &pos, Qt::MouseButton button = Qt::LeftButton)
{
    mouse(w, QEvent::MouseButtonPress, pos, button);
    mouse(w, QEvent::MouseButtonRelease, pos, button);
}

// Canvas pixel of a data point (x bottom, y left) in display units.
inline QPoint pixelOf(const OrmaPlot &plot, double x, double y)
{
    return QPoint(qRound(plot.canvasMap(QwtPlot::xBottom).transform(x)),
                  qRound(plot.canvasMap(QwtPlot::yLeft).transform(y)));
}

// Lets queued slider and canvas signals arrive.
inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace kit
