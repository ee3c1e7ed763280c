// WAV, FLAC, AIFF and the other containers libsndfile reads: integer samples as codes of their
// own width (8, 16, 24 or 32 bits), float and double samples as floats; the rate is in the file.
#include "sources/foreign/Readers.h"
#include "sources/foreign/SampleWords.h"

#include "sources/SampleCodes.h"

#include <QFile>

#include <sndfile.h>

#include <vector>

namespace {

// Container bits of an integer subformat; 0 for samples libsndfile hands out as floats.
int integerBits(int subformat, bool &isDouble)
{
    isDouble = subformat == SF_FORMAT_DOUBLE;
    switch (subformat) {
    case SF_FORMAT_FLOAT: case SF_FORMAT_DOUBLE: case SF_FORMAT_VORBIS: case SF_FORMAT_OPUS:
        return 0;
    case SF_FORMAT_PCM_S8: case SF_FORMAT_PCM_U8: case SF_FORMAT_DPCM_8:
        return 8;
    case SF_FORMAT_PCM_24: case SF_FORMAT_DWVW_24: case SF_FORMAT_ALAC_24:
        return 24;
    case SF_FORMAT_PCM_32: case SF_FORMAT_ALAC_32:
        return 32;
    default:
        return 16;
    }
}

class SoundFileReader : public ForeignReader {
public:
    ~SoundFileReader() override
    {
        if (m_file)
            sf_close(m_file);
    }

    bool open(const QString &path, QString &error)
    {
        SF_INFO info{};
        m_file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        if (!m_file) {
            error = QStringLiteral("заголовок: %1").arg(QString::fromLocal8Bit(sf_strerror(nullptr)));
            return false;
        }
        if (info.channels < 1 || info.frames < 0 || info.samplerate <= 0) {
            error = QStringLiteral("заголовок: %1 каналов, %2 Гц").arg(info.channels).arg(info.samplerate);
            return false;
        }
        bool isDouble = false;
        m_bits = integerBits(info.format & SF_FORMAT_SUBMASK, isDouble);
        FileParams &p = m_format;
        p.channelCount = uint32_t(info.channels);
        p.sampleCount = uint64_t(info.frames);
        p.sampleRate = info.samplerate;
        m_carriesRate = true;
        p.codeType = m_bits ? CodeTwosComplement : CodeFloat;
        p.bytesPerSample = uint8_t(m_bits ? (m_bits == 24 ? 4 : m_bits / 8) : isDouble ? 8 : 4);
        m_carriesBits = m_bits != 0;
        p.bitRange = uint8_t(m_bits);
        return checkLength(path, info, error);
    }

    uint64_t read(uint64_t first, uint64_t count, uint8_t *dst) override
    {
        const FileParams &p = m_format;
        if (first >= p.sampleCount)
            return 0;
        count = std::min(count, p.sampleCount - first);
        if (sf_seek(m_file, sf_count_t(first), SEEK_SET) < 0) {
            m_error = QStringLiteral("данные: переход к отсчёту %1 не удался").arg(first);
            return 0;
        }
        const size_t values = size_t(count) * p.channelCount;
        sf_count_t got = 0;
        if (p.codeType == CodeFloat && p.bytesPerSample == 8) {
            m_doubles.resize(values);
            got = sf_readf_double(m_file, m_doubles.data(), sf_count_t(count));
            for (size_t i = 0; i < size_t(got) * p.channelCount; ++i)
                putReal(m_doubles[i], 8, dst + 8 * i);
        } else if (p.codeType == CodeFloat) {
            m_floats.resize(values);
            got = sf_readf_float(m_file, m_floats.data(), sf_count_t(count));
            for (size_t i = 0; i < size_t(got) * p.channelCount; ++i)
                putReal(m_floats[i], 4, dst + 4 * i);
        } else {
            // libsndfile hands integers out at the top of 32 bits.
            m_ints.resize(values);
            got = sf_readf_int(m_file, m_ints.data(), sf_count_t(count));
            for (size_t i = 0; i < size_t(got) * p.channelCount; ++i)
                putCode(m_ints[i] >> (32 - m_bits), m_bits, p.bytesPerSample, dst + p.bytesPerSample * i);
        }
        if (uint64_t(std::max<sf_count_t>(got, 0)) < count)
            m_error = QStringLiteral("данные: прочитано %1 из %2 отсчётов").arg(got).arg(count);
        return uint64_t(std::max<sf_count_t>(got, 0));
    }

private:
    // A WAV whose data chunk claims more than the file holds: libsndfile trims the frames to
    // the file quietly, and a capture cut short would pass for a shorter one.
    bool checkLength(const QString &path, const SF_INFO &info, QString &error)
    {
        char log[4096] = {};
        sf_command(m_file, SFC_GET_LOG_INFO, log, sizeof log);
        const QString text = QString::fromLatin1(log);
        if (text.contains(QLatin1String("truncated"), Qt::CaseInsensitive) ||
            text.contains(QLatin1String("should be"), Qt::CaseInsensitive)) {
            error = QStringLiteral("data: заголовок обещает больше отсчётов, чем есть в файле (%1 отсчётов при длине %2 байт)")
                        .arg(info.frames).arg(QFile(path).size());
            return false;
        }
        return true;
    }

    SNDFILE *m_file = nullptr;
    int m_bits = 0;
    std::vector<int> m_ints;
    std::vector<float> m_floats;
    std::vector<double> m_doubles;
};

} // namespace

std::unique_ptr<ForeignReader> openSoundFile(const QString &path, QString &error)
{
    auto reader = std::make_unique<SoundFileReader>();
    if (!reader->open(path, error))
        return nullptr;
    return reader;
}
