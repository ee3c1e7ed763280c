#include "sources/foreign/TableReader.h"

#include "sources/SampleCodes.h"

bool TableReader::open(const QString &path, const TableLayout &layout, QString &error)
{
    m_layout = layout;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("данные: файл не открывается (%1)").arg(m_file.errorString());
        return false;
    }
    const int element = layout.element.size() * (layout.isComplex ? 2 : 1);
    const uint64_t have = m_file.size() > layout.dataOffset ? uint64_t(m_file.size() - layout.dataOffset) : 0;
    const uint64_t frameBytes = uint64_t(layout.channels) * uint64_t(element);
    if (layout.channels == 0 || frameBytes == 0 || layout.frames > have / frameBytes) {
        error = QStringLiteral("данные: нужно %1 отсчётов по %2 каналов (%3 байт), в файле %4 байт")
                    .arg(layout.frames).arg(layout.channels)
                    .arg(layout.channels ? QString::number(layout.frames * frameBytes) : QStringLiteral("?"))
                    .arg(have);
        return false;
    }
    FileParams &p = m_format;
    p.channelCount = layout.channels * (layout.isComplex ? 2 : 1);
    p.sampleCount = layout.frames;
    p.isComplex = layout.isComplex;
    p.bytesPerSample = uint8_t(layout.element.wordBytes());
    p.codeType = layout.element.isFloat() ? CodeFloat : CodeTwosComplement;
    return true;
}

void TableReader::setCarried(double sampleRate, int bitRange, const std::vector<double> &shifts)
{
    m_carriesRate = sampleRate > 0;
    m_format.sampleRate = sampleRate;
    m_carriesBits = bitRange > 0;
    m_format.bitRange = uint8_t(bitRange);
    m_format.shiftFrequencies = shifts;
}

bool TableReader::readBytes(qint64 offset, qint64 bytes)
{
    m_bytes.resize(size_t(bytes));
    if (!m_file.seek(offset) || m_file.read(reinterpret_cast<char *>(m_bytes.data()), bytes) != bytes) {
        m_error = QStringLiteral("данные: чтение %1 байт с %2 не удалось").arg(bytes).arg(offset);
        return false;
    }
    return true;
}

uint64_t TableReader::read(uint64_t first, uint64_t count, uint8_t *dst)
{
    const TableLayout &l = m_layout;
    if (first >= l.frames)
        return 0;
    count = std::min(count, l.frames - first);
    const int real = l.element.size(), reals = l.isComplex ? 2 : 1;
    const int element = real * reals, word = l.element.wordBytes();
    const size_t outChannels = size_t(l.channels) * size_t(reals);
    const size_t frameWords = outChannels * size_t(word);
    if (!l.channelMajor) {
        if (!readBytes(l.dataOffset + qint64(first * l.channels * element), qint64(count * l.channels * element)))
            return 0;
        // Interleaved already, I before Q: one run.
        elementsToWords(m_bytes.data(), size_t(count) * outChannels, size_t(real), l.element,
                        m_bitRange, dst, size_t(word));
        return count;
    }
    for (uint32_t c = 0; c < l.channels; ++c) {
        if (!readBytes(l.dataOffset + qint64((c * l.frames + first) * element), qint64(count * element)))
            return 0;
        for (int r = 0; r < reals; ++r)
            elementsToWords(m_bytes.data() + r * real, size_t(count), size_t(element), l.element,
                            m_bitRange, dst + (size_t(c) * reals + r) * word, frameWords);
    }
    return count;
}
