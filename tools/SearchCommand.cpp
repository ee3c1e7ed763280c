// orma-tool search: the viewer's channel search over a whole record, headless. The record is
// looked at as the oscilloscope scrolls through it, one shown width after the other, and the
// first block in which a channel crosses a threshold is printed.
#include "CommandLine.h"
#include "Commands.h"

#include "sources/AnalyserSettings.h"
#include "sources/ChannelSearch.h"
#include "sources/FileSource.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

// Exit codes of this command, which scripts test for a match.
constexpr int SearchFound = 0;
constexpr int SearchNotFound = 1;
constexpr int SearchError = 2;

// Samples per channel read at once when only sample levels are tested.
constexpr uint64_t kChunkSamples = uint64_t(1) << 20;

struct SearchJob {
    QStringList files;
    FindSettings find;
    AnalyserSettings analysis;
    QList<int> channels; // empty: all of the record's
    uint64_t width = 1024;
    bool json = false;
};

// "UpPowerHarm" -> "--up-power-harm".
QString optionOf(int criterion)
{
    QString name = QStringLiteral("-");
    for (const QChar c : QString::fromLatin1(findCriterionInfo(criterion).key)) {
        if (c.isUpper())
            name += QLatin1Char('-');
        name += c.toLower();
    }
    return name;
}

// A threshold, with a level unit after a colon for the signal-level criteria: "-20:dBm".
void takeThreshold(CommandLine &cl, int criterion, FindSettings &find)
{
    const QString option = optionOf(criterion);
    if (!cl.has(option))
        return;
    const FindCriterionInfo &info = findCriterionInfo(criterion);
    QString text = cl.values(option).last();
    if (info.isLevelUnit) {
        const int colon = text.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            const int unit = levelUnitOf(text.mid(colon + 1));
            if (unit < 0) {
                cl.fail(option + QStringLiteral(": the unit must be one of ") +
                        levelUnitTexts().join(QStringLiteral(", ")));
                return;
            }
            find.levelUnits[size_t(criterion - FindUpPower)] = unit;
            text.truncate(colon);
        }
    }
    bool ok = false;
    const double t = text.toDouble(&ok);
    if (!ok || !(t >= info.min && t <= info.max)) {
        cl.fail(QStringLiteral("%1 must be a number from %2 to %3").arg(option).arg(info.min).arg(info.max));
        return;
    }
    find.enabled[size_t(criterion)] = true;
    find.threshold[size_t(criterion)] = t;
}

bool parse(const QStringList &args, SearchJob &job, QString &error)
{
    QSet<QString> valued = {"--config", "--channels", "--width", "--fft", "--impedance"};
    for (int i = 0; i < FindCriterionCount; ++i)
        valued << optionOf(i);
    CommandLine cl(args, valued, {"--json"});
    job.files = cl.positional();
    if (job.files.isEmpty())
        cl.fail(QStringLiteral("search needs at least one record file"));
    if (cl.has("--config")) {
        const QString config = cl.values("--config").last();
        if (!QFileInfo(config).isFile())
            cl.fail(config + QStringLiteral(": no such configuration file"));
        job.find.load(config);
        job.analysis.load(config);
        if (!job.find.currentChannel)
            job.channels = job.find.channels;
    }
    for (int i = 0; i < FindCriterionCount; ++i)
        takeThreshold(cl, i, job.find);
    if (cl.has("--channels")) {
        job.channels.clear();
        for (const QString &part : cl.values("--channels").last().split(QLatin1Char(','))) {
            bool ok = false;
            const int channel = part.trimmed().toInt(&ok);
            if (!ok || channel < 0)
                cl.fail(QStringLiteral("--channels must list channel numbers, as 0,2,5"));
            job.channels << channel;
        }
    }
    job.width = uint64_t(cl.integer("--width", 1024, 1, INT32_MAX));
    const qint64 fft = cl.integer("--fft", job.analysis.fftSize, AnalyserSettings::MinFftSize,
                                  AnalyserSettings::MaxFftSize);
    if (fft & (fft - 1))
        cl.fail(QStringLiteral("--fft must be a power of two"));
    job.analysis.fftSize = uint32_t(fft);
    job.analysis.impedance = int(cl.integer("--impedance", job.analysis.impedance, 1, 1000000));
    if (cl.ok() && !job.find.anyEnabled())
        cl.fail(QStringLiteral("no criterion is set: give a threshold option or --config"));
    job.json = cl.has("--json");
    error = cl.error();
    return cl.ok();
}

class RecordScan {
public:
    explicit RecordScan(const SearchJob &job) : m_job(job)
    {
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

    // The first matching block, or an error text.
    bool run(uint64_t &position, std::vector<SearchMatch> &matches, QString &error)
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

private:
    // A block displayed from `position`, as the window asks for it: `length` samples read, a
    // third of them before the position, the spectra from the position.
    bool read(uint64_t position, uint64_t length, QString &error)
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
    bool readFrom(uint64_t start, uint64_t length, uint64_t samples, QString &error)
    {
        const uint64_t readLength = std::max<uint64_t>(length, 3 * uint64_t(m_job.analysis.fftSize));
        const uint64_t position = start + readLength / 3;
        return read(position < samples ? position : start, length, error);
    }

    // Level criteria only: the position of the first block at or after `from` in which some
    // channel crosses a level (`samples` when none does), read in large buffers.
    uint64_t nextLevelCandidate(uint64_t from, uint64_t samples, QString &error)
    {
        const bool up = m_job.find.enabled[FindUpLevel], low = m_job.find.enabled[FindLowLevel];
        const double inf = std::numeric_limits<double>::infinity();
        const uint64_t chunk = std::max<uint64_t>(kChunkSamples / m_job.width, 1) * m_job.width;
        uint64_t start = from;
        while (start < samples) {
            if (!covers(start) && !readFrom(start, chunk, samples, error))
                return samples;
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

    bool covers(uint64_t sample) const
    {
        return m_block && sample >= m_block->window.windowStart &&
               sample - m_block->window.windowStart < m_block->sampleLength;
    }

    const SearchJob &m_job;
    FileSource m_source;
    BlockSnapshotPtr m_block;
    SearchScope m_scope;
};

QString formatValue(double v) { return QString::number(v, 'g', 10); }

void printText(const SearchJob &job, uint64_t position, const std::vector<SearchMatch> &matches)
{
    if (matches.empty()) {
        std::printf("%s: no block matched\n", qPrintable(job.files.first()));
        return;
    }
    std::printf("%s: block at sample %llu (block %llu of %llu samples)\n",
                qPrintable(job.files.first()), static_cast<unsigned long long>(position),
                static_cast<unsigned long long>(position / job.width),
                static_cast<unsigned long long>(job.width));
    for (const SearchMatch &m : matches) {
        const FindCriterionInfo &info = findCriterionInfo(m.criterion);
        std::printf("  channel %d %s: value %s %s, threshold %s %s, at sample %llu\n", m.channel,
                    info.key, qPrintable(formatValue(m.value)), info.unit,
                    qPrintable(formatValue(m.threshold)), info.unit,
                    static_cast<unsigned long long>(m.sample));
    }
}

void printJson(const SearchJob &job, uint64_t position, const std::vector<SearchMatch> &matches)
{
    QJsonObject o;
    o["file"] = job.files.first();
    o["found"] = !matches.empty();
    o["width"] = double(job.width);
    if (!matches.empty()) {
        o["position"] = double(position);
        o["block"] = double(position / job.width);
    }
    QJsonArray list;
    for (const SearchMatch &m : matches) {
        const FindCriterionInfo &info = findCriterionInfo(m.criterion);
        QJsonObject j;
        j["channel"] = m.channel;
        j["criterion"] = QString::fromLatin1(info.key);
        j["index"] = m.criterion;
        j["value"] = m.value;
        j["threshold"] = m.threshold;
        j["unit"] = QString::fromLatin1(info.unit);
        j["sample"] = double(m.sample);
        list.append(j);
    }
    o["matches"] = list;
    std::fputs(QJsonDocument(o).toJson(QJsonDocument::Indented).constData(), stdout);
}

} // namespace

int searchCommand(const QStringList &args)
{
    SearchJob job;
    QString error;
    if (!parse(args, job, error)) {
        reportError(error);
        return SearchError;
    }
    error = checkRecordFiles(job.files, false);
    if (!error.isEmpty()) {
        reportError(error);
        return SearchError;
    }
    RecordScan scan(job);
    uint64_t position = 0;
    std::vector<SearchMatch> matches;
    if (!scan.run(position, matches, error)) {
        reportError(error);
        return SearchError;
    }
    if (job.json)
        printJson(job, position, matches);
    else
        printText(job, position, matches);
    return matches.empty() ? SearchNotFound : SearchFound;
}
