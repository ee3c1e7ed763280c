#include "panels/PowerReadout.h"

#include <algorithm>
#include <cmath>

#include "plot/Transforms.h"
#include "sources/BlockSnapshot.h"

namespace {

double decibels(double ratio, double factor)
{
    return ratio > 0 ? factor * std::log10(ratio) : PowerTransforms::zeroPowerDb;
}

} // namespace

BinBand readoutBand(bool redShown, double redX, bool blueShown, double blueX, double viewStart, double viewEnd)
{
    double lower = viewStart, upper = viewEnd;
    if (redShown && blueShown) {
        lower = std::min(redX, blueX);
        upper = std::max(redX, blueX);
    } else if (redShown || blueShown) {
        lower = upper = redShown ? redX : blueX;
    }
    BinBand band;
    band.lower = std::max(0, int(std::floor(lower)));
    band.upper = std::max(band.lower, int(std::floor(upper)));
    return band;
}

std::optional<double> densityLevel(double bandMv, const BinBand &band, double sampleRate, unsigned fftSize)
{
    if (!(sampleRate > 0) || fftSize == 0)
        return std::nullopt;
    const double widthHz = (band.upper - band.lower + 1) * sampleRate / fftSize;
    return std::sqrt(bandMv * bandMv / widthHz);
}

double levelInUnit(double mvRms, const QString &unit, double fundamentalRmsV, unsigned impedanceOhms)
{
    const double volts = mvRms / 1000;
    if (unit == QStringLiteral("мкВ(эфф)"))
        return mvRms * 1000;
    if (unit == QStringLiteral("В(эфф)"))
        return volts;
    if (unit == QStringLiteral("В(ампл)"))
        return volts * std::sqrt(2.0);
    if (unit == QStringLiteral("dB"))
        return decibels(volts, 20);
    if (unit == QStringLiteral("dB/max"))
        return decibels(fundamentalRmsV > 0 ? volts / fundamentalRmsV : 0.0, 20);
    if (unit == QStringLiteral("dBm"))
        return decibels(impedanceOhms ? volts * volts / impedanceOhms / 0.001 : 0.0, 10);
    if (unit == QStringLiteral("dBuV"))
        return decibels(mvRms * 1000, 20);
    return mvRms;
}

double channelGain(const BlockSnapshot &block, int channelNumber)
{
    const double gain = block.channelEntry(channelNumber, &FileParams::gains, 1.0);
    // A gain of zero would turn every level into infinity.
    return gain > 0 ? gain : 1.0;
}

std::optional<PowerReading> readPower(const BlockSnapshot &block, const PowerRequest &request)
{
    const ChannelRecord *record = block.recordOfChannel(request.channelNumber);
    if (!record)
        return std::nullopt;
    PowerReading reading;
    double v = 0.0;
    if (request.markerBin < 0) {
        reading.frequency = record->fundamentalFrequency;
        v = record->fundamentalRms * 1000;
    } else {
        const std::optional<double> frequency = block.toneFrequency(request.channelNumber, request.markerBin);
        const std::optional<double> amplitude = block.toneAmplitude(request.channelNumber, request.markerBin);
        if (!frequency || !amplitude)
            return std::nullopt;
        reading.frequency = *frequency;
        v = *amplitude * 1000;
    }

    if (request.mode != PowerMode::Harmonic) {
        const std::optional<BandLevel> level =
            block.bandLevel(request.channelNumber, request.band.lower, request.band.upper);
        if (!level)
            return std::nullopt;
        v = level->levelMv;
        if (request.mode == PowerMode::Density) {
            const std::optional<double> density = densityLevel(
                v, request.band, block.fileOfChannel(request.channelNumber).sampleRate, block.fftSize);
            if (!density)
                return std::nullopt;
            v = *density;
        }
    }

    if (request.referToInput && !request.isSimulation)
        v /= channelGain(block, request.channelNumber);
    reading.value = levelInUnit(v, request.unit, record->fundamentalRms, request.impedanceOhms);
    return reading;
}
