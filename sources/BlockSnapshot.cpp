#include "sources/BlockSnapshot.h"

#include "dsp/ToneCentroid.h"

#include <algorithm>
#include <climits>
#include <cmath>

const double *BlockSnapshot::channelSamples(int k) const
{
    if (!samples || k < 0 || k >= sampleChannels)
        return nullptr;
    return samples.get() + size_t(k) * size_t(sampleLength);
}

const double *BlockSnapshot::channelSpectrum(int k) const
{
    if (!spectra || k < 0 || k >= spectrumChannels || binCount <= 0)
        return nullptr;
    return spectra.get() + size_t(k) * size_t(binCount);
}

const ChannelRecord *BlockSnapshot::channelRecord(int k) const
{
    if (k < 0 || size_t(k) >= records.size())
        return nullptr;
    return &records[size_t(k)];
}

const FileParams &BlockSnapshot::fileOfChannel(int channelNumber) const
{
    const size_t file = size_t(channels.fileOfChannel(channelNumber));
    return file < fileParams.size() ? fileParams[file] : fileParams.front();
}

std::optional<double> BlockSnapshot::analysedStart() const
{
    if (readySpectra || !index || fftSize == 0 || sampleLength < fftSize)
        return std::nullopt;
    return index[window.spectrumOffset(sampleLength, fftSize)];
}

double BlockSnapshot::channelEntry(int channelNumber, const std::vector<double> FileParams::*list,
                                   double fallback) const
{
    const int index = channels.indexOf(channelNumber);
    if (index < 0)
        return fallback;
    const int file = channels.fileOfIndex(index);
    // The channel's place within its own file: the files' channels follow one another.
    int position = index;
    for (int f = 0; f < file && size_t(f) < fileParams.size(); ++f)
        position -= fileParams[size_t(f)].hasChannels() ? int(fileParams[size_t(f)].channelCount) : 0;
    if (size_t(file) >= fileParams.size())
        return fallback;
    const std::vector<double> &values = fileParams[size_t(file)].*list;
    return position >= 0 && size_t(position) < values.size() ? values[size_t(position)] : fallback;
}

double BlockSnapshot::sampleRate() const
{
    const FileParams &p = firstFile();
    return p.channelCount ? p.sampleRate : 0.0;
}

int BlockSnapshot::curveLength() const
{
    return samples ? int(std::min<uint64_t>(sampleLength, INT_MAX)) : 0;
}

bool BlockSnapshot::toneAt(int channelNumber, int bin, double &centroid, double &power) const
{
    const double *spectrum = channelSpectrum(channels.indexOf(channelNumber));
    return spectrum && toneCentroid(spectrum, binCount, bin, mainLobeWidth, spectrumComplex,
                                    centroid, power);
}

std::optional<double> BlockSnapshot::toneFrequency(int channelNumber, int bin) const
{
    double centroid = 0.0, power = 0.0;
    if (fftSize == 0 || !toneAt(channelNumber, bin, centroid, power))
        return std::nullopt;
    const double rate = fileOfChannel(channelNumber).sampleRate;
    double frequency = centroid * rate / fftSize;
    if (spectrumComplex && spectrum.spectrumRange)
        frequency -= rate / 2;
    return frequency;
}

std::optional<double> BlockSnapshot::toneAmplitude(int channelNumber, int bin) const
{
    double centroid = 0.0, power = 0.0;
    if (!toneAt(channelNumber, bin, centroid, power))
        return std::nullopt;
    return std::sqrt(power) * (spectrumComplex ? M_SQRT1_2 : 1.0);
}

std::optional<BandLevel> BlockSnapshot::bandLevel(int channelNumber, int from, int to) const
{
    const double *spectrum = channelSpectrum(channels.indexOf(channelNumber));
    if (!spectrum || binCount <= 0)
        return std::nullopt;
    from = std::max(from, 0);
    to = std::min(to, binCount - 1);
    if (from > to)
        return std::nullopt;
    BandLevel result;
    result.peakBin = from;
    double sum = 0.0;
    for (int j = from; j <= to; ++j) {
        sum += spectrum[j];
        if (spectrum[j] > spectrum[result.peakBin])
            result.peakBin = j;
    }
    result.levelMv = 1000.0 * std::sqrt(sum) * (spectrumComplex ? M_SQRT1_2 : 1.0);
    return result;
}
