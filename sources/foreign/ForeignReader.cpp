#include "sources/foreign/ForeignReader.h"

#include "sources/foreign/Readers.h"
#include "sources/foreign/SampleWords.h"
#include "sources/SampleCodes.h"

#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace {

using Opener = std::unique_ptr<ForeignReader> (*)(const QString &, QString &);

struct Format {
    const char *suffixes; // space-separated, lower case
    const char *filter;
    Opener open;
};

const Format kFormats[] = {
    {"wav wave flac aiff aif aifc", "Звук (*.wav *.flac *.aiff *.aif)", &openSoundFile},
    {"npy", "NumPy (*.npy)", &openNpyFile},
    {"mat", "MATLAB (*.mat)", &openMatFile},
    {"sigmf-meta sigmf-data", "SigMF (*.sigmf-meta *.sigmf-data)", &openSigmfFile},
    {"csv", "CSV (*.csv)", &openCsvFile},
};

const Format *formatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix.isEmpty())
        return nullptr;
    for (const Format &f : kFormats) {
        if (QString::fromLatin1(f.suffixes).split(QLatin1Char(' ')).contains(suffix))
            return &f;
    }
    return nullptr;
}

// Float words show their precision in bits without a code count of their own.
int defaultBits(const FileParams &p)
{
    if (p.codeType == CodeFloat)
        return p.bytesPerSample == 4 ? 24 : 32;
    return 8 * p.bytesPerSample;
}

} // namespace

FileParams ForeignFill::userParams() const
{
    FileParams p = zeroedFileParams();
    p.sampleRate = sampleRate;
    p.bitRange = uint8_t(bitRange);
    p.voltageRangeMv = voltageRangeMv;
    p.isComplex = isComplex;
    return p;
}

bool ForeignReader::takeWholeFloatsAsCodes()
{
    FileParams &p = m_format;
    if (p.codeType != CodeFloat || !p.hasChannels())
        return false;
    const uint64_t frames = std::min<uint64_t>(
        p.sampleCount, std::clamp<uint64_t>((uint64_t(1) << 20) / p.channelCount, 1, 65536));
    std::vector<uint8_t> words(size_t(frames * p.frameBytes()));
    if (read(0, frames, words.data()) != frames) {
        m_error.clear(); // the window that needs these frames says why
        return false;
    }
    CodeScan scan;
    for (size_t at = 0; at < words.size(); at += p.bytesPerSample)
        scan.add(realOf(words.data() + at, p.bytesPerSample));
    m_codeBits = scan.codeBits();
    if (!m_codeBits)
        return false;
    p.codeType = CodeTwosComplement;
    p.bytesPerSample = 4;
    return true;
}

bool ForeignReader::describe(const ForeignFill &fill, FileParams &params, QString &problem)
{
    params = m_format;
    if (!m_carriesRate) {
        if (!(fill.sampleRate > 0.0)) {
            problem = QStringLiteral("частота дискретизации: в файле её нет, задайте её");
            return false;
        }
        params.sampleRate = fill.sampleRate;
    }
    if (!m_carriesBits) {
        const int bits = fill.bitRange ? fill.bitRange : m_codeBits ? m_codeBits : defaultBits(m_format);
        const int most = m_format.codeType == CodeFloat ? 32 : 8 * m_format.bytesPerSample;
        if (bits < 1 || bits > most) {
            problem = QStringLiteral("разрядность: %1 разрядов, а отсчёт этого файла вмещает от 1 до %2")
                          .arg(bits).arg(most);
            return false;
        }
        params.bitRange = uint8_t(bits);
    }
    m_bitRange = params.bitRange;
    params.voltageRangeMv = fill.voltageRangeMv > 0 ? fill.voltageRangeMv : 1000;
    if (!m_format.isComplex && fill.isComplex && params.channelCount % 2 == 0)
        params.isComplex = true;
    params.channelNumbers.resize(params.channelCount);
    for (uint32_t c = 0; c < params.channelCount; ++c)
        params.channelNumbers[c] = int(c);
    params.shiftFrequencies.resize(params.channelCount, 0.0);
    params.gains.assign(params.channelCount, 1.0);
    params.multiChannel = true;
    return true;
}

bool isForeignFile(const QString &path) { return formatOf(path) != nullptr; }

std::unique_ptr<ForeignReader> openForeignFile(const QString &path, QString &error)
{
    const Format *format = formatOf(path);
    QString problem;
    std::unique_ptr<ForeignReader> reader =
        format ? format->open(path, problem) : nullptr;
    if (!format)
        problem = QStringLiteral("формат: неизвестное расширение");
    // A record holds at least 8 samples per channel.
    if (!reader || reader->format().sampleCount < 8 || !reader->format().hasChannels()) {
        if (reader)
            problem = QStringLiteral("данные: %1 отсчётов на канал, нужно не меньше 8")
                          .arg(reader->format().sampleCount);
        error = QFileInfo(path).fileName() + QStringLiteral(": ") + problem;
        return nullptr;
    }
    return reader;
}

QString foreignFileFilters()
{
    QStringList filters;
    for (const Format &f : kFormats)
        filters << QString::fromUtf8(f.filter);
    return filters.join(QStringLiteral(";;"));
}
