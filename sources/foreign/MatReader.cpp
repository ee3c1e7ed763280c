// MATLAB .mat (version 5, compressed or not, and 7.3) through libmatio: the first numeric matrix
// holds the samples, the shorter dimension being the channels; a complex matrix gives an I/Q
// pair per channel; a double matrix of whole codes is taken as codes. Numeric scalars named like
// a rate (fs, Fs, sample_rate, ...) or a bit count (bits, nbits, bit_range) give those.
#include "sources/foreign/Readers.h"
#include "sources/foreign/SampleWords.h"

#include "sources/SampleCodes.h"

#include <QFile>
#include <QStringList>

#include <matio.h>

#include <climits>
#include <cmath>
#include <vector>

namespace {

bool elementOf(matio_classes c, Element &type)
{
    switch (c) {
    case MAT_C_DOUBLE: type = Element::Float64; return true;
    case MAT_C_SINGLE: type = Element::Float32; return true;
    case MAT_C_INT8: type = Element::Int8; return true;
    case MAT_C_UINT8: type = Element::UInt8; return true;
    case MAT_C_INT16: type = Element::Int16; return true;
    case MAT_C_UINT16: type = Element::UInt16; return true;
    case MAT_C_INT32: type = Element::Int32; return true;
    case MAT_C_UINT32: type = Element::UInt32; return true;
    case MAT_C_INT64: type = Element::Int64; return true;
    case MAT_C_UINT64: type = Element::UInt64; return true;
    default: return false;
    }
}

uint64_t elementCount(const matvar_t *v)
{
    uint64_t n = 1;
    for (int i = 0; i < v->rank; ++i)
        n *= v->dims[i];
    return n;
}

// The value of a numeric scalar as a double.
bool scalarValue(const matvar_t *v, double &out)
{
    Element type;
    if (!v || !v->data || v->isComplex || !elementOf(v->class_type, type))
        return false;
    const uint8_t *p = static_cast<const uint8_t *>(v->data);
    switch (type) {
    case Element::Float64: out = *reinterpret_cast<const double *>(p); break;
    case Element::Float32: out = *reinterpret_cast<const float *>(p); break;
    case Element::Int8: out = *reinterpret_cast<const int8_t *>(p); break;
    case Element::UInt8: out = *p; break;
    case Element::Int16: out = *reinterpret_cast<const int16_t *>(p); break;
    case Element::UInt16: out = *reinterpret_cast<const uint16_t *>(p); break;
    case Element::Int32: out = *reinterpret_cast<const int32_t *>(p); break;
    case Element::UInt32: out = *reinterpret_cast<const uint32_t *>(p); break;
    case Element::Int64: out = double(*reinterpret_cast<const int64_t *>(p)); break;
    case Element::UInt64: out = double(*reinterpret_cast<const uint64_t *>(p)); break;
    }
    return std::isfinite(out);
}

class MatReader : public ForeignReader {
public:
    ~MatReader() override
    {
        Mat_VarFree(m_var);
        if (m_mat)
            Mat_Close(m_mat);
    }

    bool open(const QString &path, QString &error)
    {
        m_mat = Mat_Open(QFile::encodeName(path).constData(), MAT_ACC_RDONLY);
        if (!m_mat) {
            error = QStringLiteral("заголовок: не файл MATLAB версии 5 или 7.3");
            return false;
        }
        static const QStringList rateNames = {"fs", "samplerate", "sample_rate", "sampling_rate", "rate", "srate"};
        static const QStringList bitNames = {"bits", "nbits", "bit_range", "bitrange"};
        QStringList seen, rateVar, bitVar;
        while (matvar_t *v = Mat_VarReadNextInfo(m_mat)) {
            const QString name = QString::fromLatin1(v->name ? v->name : "");
            Element type;
            const bool numeric = elementOf(v->class_type, type) && !v->isLogical && v->rank >= 1;
            const uint64_t n = numeric ? elementCount(v) : 0;
            if (n == 1 && rateNames.contains(name.toLower()))
                rateVar << name;
            else if (n == 1 && bitNames.contains(name.toLower()))
                bitVar << name;
            if (!m_var && numeric && n > 1 && v->rank == 2) {
                m_var = v;
                m_type.type = type;
                continue;
            }
            seen << (numeric && v->rank != 2 ? name + QStringLiteral(" (%1 измерений)").arg(v->rank) : name);
            Mat_VarFree(v);
        }
        if (!m_var) {
            error = QStringLiteral("переменные: нет числовой матрицы (есть: %1)")
                        .arg(seen.isEmpty() ? QStringLiteral("ничего") : seen.join(QStringLiteral(", ")));
            return false;
        }
        const size_t rows = m_var->dims[0], columns = m_var->dims[1];
        m_channelsInRows = rows < columns;
        const uint64_t channels = std::min(rows, columns), frames = std::max(rows, columns);
        if (channels > 65536 || frames > uint64_t(INT_MAX)) {
            error = QStringLiteral("%1: матрица %2 x %3 слишком велика").arg(QString::fromLatin1(m_var->name))
                        .arg(rows).arg(columns);
            return false;
        }
        FileParams &p = m_format;
        p.isComplex = m_var->isComplex != 0;
        p.channelCount = uint32_t(channels * (p.isComplex ? 2 : 1));
        p.sampleCount = frames;
        p.bytesPerSample = uint8_t(m_type.wordBytes());
        p.codeType = m_type.isFloat() ? CodeFloat : CodeTwosComplement;
        m_type.floatCodes = takeWholeFloatsAsCodes();
        return readScalar(rateVar, [&](double v) {
                   if (!(v > 0))
                       return QStringLiteral("нужна положительная частота, дано %1").arg(v);
                   p.sampleRate = v;
                   m_carriesRate = true;
                   return QString();
               }, error) &&
               readScalar(bitVar, [&](double v) {
                   const int most = m_type.isFloat() ? 32 : 8 * m_type.wordBytes();
                   if (v != std::floor(v) || v < 1 || v > most)
                       return QStringLiteral("нужно целое от 1 до %1, дано %2").arg(most).arg(v);
                   p.bitRange = uint8_t(v);
                   m_carriesBits = true;
                   return QString();
               }, error);
    }

    uint64_t read(uint64_t first, uint64_t count, uint8_t *dst) override
    {
        const FileParams &p = m_format;
        if (first >= p.sampleCount)
            return 0;
        count = std::min(count, p.sampleCount - first);
        const int channels = int(p.channelCount / (p.isComplex ? 2 : 1));
        int start[2], stride[2] = {1, 1}, edge[2];
        const int along = m_channelsInRows ? 1 : 0;
        start[along] = int(first);
        edge[along] = int(count);
        start[1 - along] = 0;
        edge[1 - along] = channels;
        const size_t values = size_t(count) * size_t(channels), size = size_t(m_type.size());
        m_re.resize(values * size);
        m_im.resize(p.isComplex ? values * size : 0);
        mat_complex_split_t split{m_re.data(), m_im.data()};
        if (Mat_VarReadData(m_mat, m_var, p.isComplex ? static_cast<void *>(&split) : m_re.data(),
                            start, stride, edge) != 0) {
            m_error = QStringLiteral("%1: чтение отсчётов %2..%3 не удалось")
                          .arg(QString::fromLatin1(m_var->name)).arg(first).arg(first + count);
            return 0;
        }
        // Column-major: channels in rows come frame by frame, in columns channel by channel.
        const int word = p.bytesPerSample, reals = p.isComplex ? 2 : 1;
        const size_t frameWords = size_t(p.channelCount) * word;
        const size_t srcFrame = m_channelsInRows ? size * channels : size;
        const size_t srcChannel = m_channelsInRows ? size : size * size_t(count);
        for (int c = 0; c < channels; ++c)
            for (int r = 0; r < reals; ++r)
                elementsToWords((r ? m_im : m_re).data() + c * srcChannel, size_t(count), srcFrame,
                                m_type, m_bitRange, dst + (size_t(c) * reals + r) * word, frameWords);
        return count;
    }

private:
    template <typename Take>
    bool readScalar(const QStringList &names, Take take, QString &error)
    {
        if (names.isEmpty())
            return true;
        matvar_t *v = Mat_VarRead(m_mat, names.first().toLatin1().constData());
        double value = 0;
        const bool ok = scalarValue(v, value);
        Mat_VarFree(v);
        const QString problem = ok ? take(value) : QStringLiteral("не читается как число");
        if (problem.isEmpty())
            return true;
        error = names.first() + QStringLiteral(": ") + problem;
        return false;
    }

    mat_t *m_mat = nullptr;
    matvar_t *m_var = nullptr;
    ElementFormat m_type;
    bool m_channelsInRows = false;
    std::vector<uint8_t> m_re, m_im;
};

} // namespace

std::unique_ptr<ForeignReader> openMatFile(const QString &path, QString &error)
{
    auto reader = std::make_unique<MatReader>();
    if (!reader->open(path, error))
        return nullptr;
    return reader;
}
