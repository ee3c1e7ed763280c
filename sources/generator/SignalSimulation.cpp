#include "sources/generator/SignalSimulation.h"

#include "sources/generator/Synthesis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

SignalSimulation::SignalSimulation(QObject *parent) : SignalSource(parent)
{
    FileParams &p = m_fileParams.front();
    p.channelCount = 0;
    m_records.assign(ComponentSlots, ChannelRecord());
}

SignalSimulation::~SignalSimulation() { stopAndWait(); }

void SignalSimulation::setFileParams(const FileParams &params)
{
    m_componentCount = params.hasChannels() ? int(std::min<uint32_t>(params.channelCount,
                                                                     ComponentSlots))
                                            : 0;
    SignalSource::setFileParams(params);
}

uint32_t SignalSimulation::blockLength() const
{
    return uint32_t(m_fileParams.front().sampleCount);
}

bool SignalSimulation::prepareBuffers()
{
    FileParams &p = m_fileParams.front();
    m_window.windowChanged = true;
    if (!p.multiChannel && m_componentCount > 0)
        p.channelCount = 1;
    p.channelNumbers.resize(p.hasChannels() ? p.channelCount : 0, 0);
    const int channels = totalChannelCount();
    if (channels == 0 || p.sampleCount == 0) {
        releaseSampleBuffer();
        return true;
    }
    if (!allocateSampleBuffers(channels, p.sampleCount) || !fillIndexBuffer(0))
        return false;
    for (int c = 0; c < channels && c < ComponentSlots; ++c)
        m_records[size_t(c)].shown = true;
    return true;
}

void SignalSimulation::synthesise(double *out, size_t n, size_t back, int firstComponent,
                                  int lastComponent, double randomPhase)
{
    const FileParams &p = m_fileParams.front();
    std::fill(out, out + n, 0.0);
    for (int i = firstComponent; i <= lastComponent; ++i) {
        const ChannelRecord &r = m_records[size_t(i)];
        // Below one code there is nothing to draw; an unknown rate gives no frequency.
        if (!r.enabled || !(r.amplitude > 1 && p.sampleRate > 0.0))
            continue;
        const double omega = r.frequency * 2.0 * M_PI / p.sampleRate;
        const double phase = randomPhase - r.phase * M_PI / 180.0;
        const uint64_t start = m_startIndex[size_t(i)];
        if (back == 0)
            addTone(out, n, start, omega, phase, r.amplitude - 1, true);
        else // before the block start, which may lie before sample 0 of the first block
            addTone(out, n, 0, omega, phase + omega * (double(start) - double(back)),
                    r.amplitude - 1, true);
    }
    addWhiteNoise(out, n, m_records[size_t(firstComponent)].noiseAmplitude, m_noise, true);
}

void SignalSimulation::generateChannel(int channel, int firstComponent, int lastComponent,
                                       double randomPhase)
{
    const FileParams &p = m_fileParams.front();
    // Never past the buffer, whatever the descriptor says meanwhile.
    const size_t n = size_t(std::min<uint64_t>(p.sampleCount, sampleBufferLength()));
    synthesise(mutableChannelSamples(channel), n, 0, firstComponent, lastComponent,
               randomPhase);
    // The generated signal has no first sample: the filter runs in on the same tones before
    // the block, so that its output is settled from the block's first sample.
    size_t lead = filterLeadIn(p.sampleRate);
    try {
        m_leadIn.resize(lead);
    } catch (const std::bad_alloc &) {
        lead = 0;
    }
    if (lead)
        synthesise(m_leadIn.data(), lead, lead, firstComponent, lastComponent, randomPhase);
    // Each block goes on 96 % of a block further: successive blocks overlap by 4 %.
    for (int i = firstComponent; i <= lastComponent; ++i)
        if (m_records[size_t(i)].enabled)
            m_startIndex[size_t(i)] = uint64_t(double(m_startIndex[size_t(i)] + n) - 0.04 * n);
    filterChannel(channel, n, p.sampleRate, m_leadIn.data(), lead);
}

int SignalSimulation::readBlock()
{
    if (m_skipWaitOnce)
        return 0; // the previous block is processed again
    FileParams &p = m_fileParams.front();
    m_window.position = m_window.windowStart = m_window.spectrumStart = 0;
    m_window.readLength = p.sampleCount;
    if ((m_rereadFlag || !channelSamples(0)) && !prepareBuffers()) {
        m_readStatus = -1;
        return -1;
    }
    if (!channelSamples(0))
        return 0;
    if (!beginSampleWrite()) {
        m_readStatus = -1;
        return -1;
    }
    // One random phase per block, shared by all components.
    const double randomPhase = std::rand() * 2.0 * M_PI / 32767.0;
    if (p.multiChannel) {
        for (int i = 0; i < totalChannelCount() && i < m_componentCount; ++i) {
            p.channelNumbers[size_t(i)] = m_records[size_t(i)].channelNumber;
            generateChannel(i, i, i, randomPhase);
        }
    } else {
        p.channelNumbers[0] = m_records[0].channelNumber;
        generateChannel(0, 0, m_componentCount - 1, randomPhase);
    }
    return 0;
}
