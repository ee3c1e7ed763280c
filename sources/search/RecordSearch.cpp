#include "sources/search/RecordSearch.h"

#include <algorithm>
#include <limits>

namespace {
// Samples per channel read at once when only sample levels are tested.
constexpr uint64_t kChunkSamples = uint64_t(1) << 20;
}

RecordSearch::RecordSearch(const RecordSearchJob &job) : m_job(job)
{
    if (std::any_of(job.files.begin(), job.files.end(), isForeignFile))
        m_source.setUserFileParams(job.foreign.userParams());
    m_source.setFileName(job.files.first());
    for (int i = 1; i < job.files.size(); ++i)
        m_source.addFile(job.files.at(i));
    SpectrumSettings spectrum;
    spectrum.fftSize = job.analysis.fftSize;
    spectrum.windowType = uint8_t(job.analysis.windowType);
    spectrum.sidelobeLevel = job.analysis.sidelobeLevel;
    spectrum.harmonicCount = job.analysis.harmonicCount;
    spectrum.sfdrBandWidth = uint32_t(job.analysis.sfdrBandWidth);
    m_source.setSpectrumSettings(spectrum);
    m_source.setComputeSpectrum(!job.find.levelOnly());
}

bool RecordSearch::run(uint64_t &position, std::vector<SearchMatch> &matches, QString &error)
{
    if (!read(0, m_job.width, error))
        return false;
    const FileParams params = m_block->firstFile();
    const uint64_t samples = params.sampleCount;
    m_scope.channels = m_job.channels.isEmpty() ? m_block->channels.numbers() : m_job.channels;
    m_scope.shownWidth = m_job.width;
    m_scope.voltsPerCode = recordVoltsPerCode(params);
    m_scope.impedance = m_job.analysis.impedance;
    for (position = 0; position < samples; position += m_job.width) {
        if (m_job.find.levelOnly()) {
            position = nextLevelCandidate(position, samples, error);
            if (!error.isEmpty())
                return false;
            if (position >= samples)
                break;
        } else if (!read(position, 3 * m_job.width, error)) {
            return false;
        }
        const uint64_t last = std::min(position + m_job.width, samples) - 1;
        if (!(covers(position) && covers(last)) && !readFrom(position, m_job.width, samples, error))
            return false;
        m_scope.shownStart = position;
        matches = searchBlock(*m_block, m_job.find, m_scope);
        if (!matches.empty())
            return true;
    }
    matches.clear();
    return true;
}

// A block displayed from `position`, as the window asks for it: `length` samples read, a
// third of them before the position, the spectra from the position.
bool RecordSearch::read(uint64_t position, uint64_t length, QString &error)
{
    const uint64_t samples = m_block ? m_block->firstFile().sampleCount : 0;
    m_source.setPosition(position, length);
    m_source.serveInline();
    m_source.setParamsChanged(false);
    m_block = m_source.lastBlock();
    const QString first = m_job.files.first();
    if (m_source.readError())
        error = first + (m_source.postfixKnown() ? QStringLiteral(": the postfix has errors")
                                                 : QStringLiteral(": the record has no postfix"));
    else if (m_source.readStatus() == -1 || !m_block)
        error = first + QStringLiteral(": the record cannot be read");
    else if (m_block->firstFile().sampleCount == 0 || m_block->sampleLength == 0)
        error = first + QStringLiteral(": the record holds no samples");
    else if (samples != 0 && m_block->firstFile().sampleCount != samples)
        error = first + QStringLiteral(": the record changed while it was searched");
    return error.isEmpty();
}

// A buffer of `length` samples from `start` (fewer at the record's end).
bool RecordSearch::readFrom(uint64_t start, uint64_t length, uint64_t samples, QString &error)
{
    const uint64_t readLength = std::max<uint64_t>(length, 3 * uint64_t(m_job.analysis.fftSize));
    const uint64_t position = start + readLength / 3;
    return read(position < samples ? position : start, length, error);
}

// Level criteria only: the position of the first block at or after `from` in which some
// channel crosses a level (`samples` when none does), read in large buffers.
uint64_t RecordSearch::nextLevelCandidate(uint64_t from, uint64_t samples, QString &error)
{
    const bool up = m_job.find.enabled[FindUpLevel], low = m_job.find.enabled[FindLowLevel];
    const double inf = std::numeric_limits<double>::infinity();
    const uint64_t chunk = std::max<uint64_t>(kChunkSamples / m_job.width, 1) * m_job.width;
    uint64_t start = from;
    while (start < samples) {
        if (!covers(start) && !readFrom(start, chunk, samples, error))
            return samples;
        if (!covers(start)) {
            error = m_job.files.first() + QStringLiteral(": the record cannot be read");
            return samples;
        }
        const BlockSnapshot &b = *m_block;
        const uint64_t bufferEnd = b.window.windowStart + b.sampleLength;
        uint64_t first = bufferEnd;
        for (int channel : m_scope.channels) {
            const int k = b.channels.indexOf(channel);
            const double *s = k < 0 ? nullptr : b.channelSamples(k);
            if (!s)
                continue;
            const uint64_t offset = start - b.window.windowStart;
            bool isUp = false;
            const long j = firstLevelCrossing(s + offset, long(std::min(first, bufferEnd) - start),
                                              m_scope.voltsPerCode,
                                              up ? m_job.find.threshold[FindUpLevel] : inf,
                                              low ? m_job.find.threshold[FindLowLevel] : -inf, isUp);
            if (j >= 0)
                first = start + uint64_t(j);
        }
        if (first < bufferEnd)
            return first - first % m_job.width;
        start = bufferEnd;
    }
    return samples;
}

bool RecordSearch::covers(uint64_t sample) const
{
    return m_block && sample >= m_block->window.windowStart &&
           sample - m_block->window.windowStart < m_block->sampleLength;
}
