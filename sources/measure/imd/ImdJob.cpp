#include "sources/measure/imd/ImdJob.h"

#include "sources/settings/AnalyserSettings.h"

double ChannelImd::frequency(double storedBin) const
{
    return layout.signedBin(storedBin, binCount) * hzPerBin;
}

uint32_t ChannelImd::resolvingFftSize(const ImdVerdict &verdict) const
{
    const uint64_t size = uint64_t(fftSize) * uint64_t(verdict.lengthFactor);
    return size <= AnalyserSettings::MaxFftSize ? uint32_t(size) : 0;
}

ChannelImd imdOf(const BlockSnapshot &block, int k)
{
    ChannelImd imd;
    const double *spectrum = block.channelSpectrum(k);
    if (!spectrum)
        return imd;
    imd.layout = {block.spectrumComplex, block.spectrum.spectrumRange == 1};
    const int m = block.binCount;
    imd.binCount = m;
    imd.fftSize = block.fftSize;
    imd.width = block.mainLobeWidth;
    imd.result = measureImd(spectrum, m, block.mainLobeWidth, imd.layout);
    const double rate = k < block.channels.totalCount()
                            ? block.fileOfChannel(block.channels.numbers().value(k)).sampleRate
                            : block.sampleRate();
    imd.hzPerBin = block.fftSize ? rate / block.fftSize : 0.0;
    imd.defined = true;
    return imd;
}
