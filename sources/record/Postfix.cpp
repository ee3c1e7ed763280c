#include "sources/record/Postfix.h"

#include "sources/record/FileAccess.h"
#include "sources/SampleCodes.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTextCodec>

#include <cmath>
#include <limits>

namespace {

QTextCodec *postfixCodec()
{
    static QTextCodec *codec = QTextCodec::codecForName("CP1251");
    return codec;
}

// Reads the value of one key. The key is found by plain substring search (first occurrence);
// its line is split at every "_ " and the second piece is the value.
class KeyReader {
public:
    explicit KeyReader(const QString &text) : m_text(text) {}

    bool value(const char *key, QString &out) const
    {
        const int at = m_text.indexOf(QLatin1String(key));
        if (at < 0)
            return false; // a missing key reads as an empty line, which has no second piece
        int end = m_text.indexOf(QLatin1Char('\n'), at);
        if (end < 0)
            end = m_text.size();
        const QStringList pieces = m_text.mid(at, end - at).split(QStringLiteral("_ "));
        if (pieces.size() < 2)
            return false;
        out = pieces.at(1).trimmed();
        return true;
    }

    bool integer(const char *key, qint64 &out) const
    {
        QString v;
        bool ok = false;
        if (value(key, v))
            out = v.toLongLong(&ok);
        return ok;
    }

    bool real(const char *key, double &out) const
    {
        QString v;
        bool ok = false;
        if (value(key, v))
            out = v.toDouble(&ok);
        return ok && std::isfinite(out);
    }

    // Records the first reason the postfix is refused, naming the key and its value, and
    // returns false.
    bool refuse(const char *key, const QString &rule) const
    {
        if (m_problem.isEmpty()) {
            QString v;
            m_problem = value(key, v) ? QStringLiteral("%1 \"%2\": %3").arg(QLatin1String(key), v, rule)
                                      : QStringLiteral("%1: ключ отсутствует или не имеет значения")
                                            .arg(QLatin1String(key));
        }
        return false;
    }
    const QString &problem() const { return m_problem; }

    // Comma-separated items; empty items are dropped before counting.
    template <typename T> bool list(const char *key, std::vector<T> &out) const
    {
        QString v;
        if (!value(key, v))
            return false;
        out.clear();
        for (const QString &item : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString trimmed = item.trimmed();
            if (trimmed.isEmpty())
                continue;
            bool ok = false;
            const double d = trimmed.toDouble(&ok);
            if (!ok || !std::isfinite(d))
                return false;
            if (std::is_integral<T>::value &&
                (d != std::floor(d) || d < std::numeric_limits<T>::min() ||
                 d > std::numeric_limits<T>::max()))
                return false;
            out.push_back(T(d));
        }
        return true;
    }

private:
    const QString &m_text;
    mutable QString m_problem;
};

bool readChannels(const KeyReader &keys, FileParams &params)
{
    qint64 count = 0;
    if (!keys.integer("NUMBER_OF_CHANNELS_", count))
        return keys.refuse("NUMBER_OF_CHANNELS_", QStringLiteral("нужно целое число"));
    if (count < 1 || count > qint64(std::numeric_limits<int32_t>::max()))
        return keys.refuse("NUMBER_OF_CHANNELS_", QStringLiteral("каналов должно быть от 1 до 2147483647"));
    params.channelCount = uint32_t(count);
    std::vector<int> numbers;
    if (!keys.list("NUMBERS_OF_CHANNELS_", numbers))
        return keys.refuse("NUMBERS_OF_CHANNELS_", QStringLiteral("нужен список целых чисел через запятую"));
    if (numbers.size() != params.channelCount)
        return keys.refuse("NUMBERS_OF_CHANNELS_",
                           QStringLiteral("нужно %1 номеров каналов, дано %2").arg(count).arg(numbers.size()));
    params.channelNumbers = std::move(numbers);
    return true;
}

bool readSampleRate(const KeyReader &keys, FileParams &params)
{
    double rate = 0.0;
    if (!keys.real("SAMPLING_RATE_", rate) || rate < 0.0)
        return keys.refuse("SAMPLING_RATE_", QStringLiteral("нужно неотрицательное конечное число (Гц)"));
    params.sampleRate = rate;
    return true;
}

bool readRecordKeys(const KeyReader &keys, FileParams &params)
{
    if (!readChannels(keys, params))
        return false;

    QString v;
    if (!keys.value("NUMBER_OF_SAMPLES_", v))
        return keys.refuse("NUMBER_OF_SAMPLES_", QString());
    bool ok = false;
    const qulonglong samples = v.toULongLong(&ok);
    if (!ok)
        return keys.refuse("NUMBER_OF_SAMPLES_", QStringLiteral("нужно целое неотрицательное число"));
    if (samples < 8)
        return keys.refuse("NUMBER_OF_SAMPLES_", QStringLiteral("нужно не меньше 8 отсчетов"));
    params.sampleCount = samples;

    if (!readSampleRate(keys, params))
        return false;

    // Optional, for records written before floating-point samples: integers when absent.
    params.codeType = CodeTwosComplement;
    if (keys.value("SAMPLE_FORMAT_", v)) {
        if (v != QLatin1String("INT") && v != QLatin1String("FLOAT"))
            return keys.refuse("SAMPLE_FORMAT_", QStringLiteral("допустимы только INT или FLOAT"));
        if (v == QLatin1String("FLOAT"))
            params.codeType = CodeFloat;
    }
    const bool isFloat = params.codeType == CodeFloat;
    qint64 bytes = 0;
    if (!keys.integer("BYTES_PER_SAMPLES_", bytes) || !isSampleWidth(int(bytes), params.codeType))
        return keys.refuse("BYTES_PER_SAMPLES_", isFloat ? QStringLiteral("отсчет с плавающей точкой занимает 4 или 8 байт")
                                                         : QStringLiteral("отсчет занимает 1, 2 или 4 байта"));
    params.bytesPerSample = uint8_t(bytes);
    // The record's byte size must be a representable file offset.
    const uint64_t frame = params.frameBytes();
    if (params.sampleCount > uint64_t(std::numeric_limits<qint64>::max()) / frame)
        return keys.refuse("NUMBER_OF_SAMPLES_", QStringLiteral("запись такого размера не помещается в файл"));

    if (!keys.value("IS_COMPLEX_SIGNAL?_", v) || (v != QLatin1String("YES") &&
                                                  v != QLatin1String("NO")))
        return keys.refuse("IS_COMPLEX_SIGNAL?_", QStringLiteral("допустимы только YES или NO"));
    params.isComplex = v == QLatin1String("YES");

    std::vector<double> shifts, gains;
    const QString enough = QStringLiteral("нужно не меньше %1 чисел через запятую").arg(params.channelCount);
    if (!keys.list("SHIFT_FREQUENCY_", shifts) || shifts.size() < params.channelCount)
        return keys.refuse("SHIFT_FREQUENCY_", enough);
    params.shiftFrequencies = std::move(shifts);
    if (!keys.list("GAINS_", gains) || gains.size() < params.channelCount)
        return keys.refuse("GAINS_", enough);
    params.gains = std::move(gains);

    double volts = 0.0;
    if (!keys.real("VOLTAGE_RANGE_", volts))
        return keys.refuse("VOLTAGE_RANGE_", QStringLiteral("нужно конечное число (В)"));
    const double millivolts = std::trunc(volts * 1000.0);
    if (millivolts < std::numeric_limits<int32_t>::min() ||
        millivolts > std::numeric_limits<int32_t>::max())
        return keys.refuse("VOLTAGE_RANGE_", QStringLiteral("диапазон не помещается в 32-разрядное число милливольт"));
    params.voltageRangeMv = int32_t(millivolts);

    qint64 bits = 0;
    if (!keys.integer("BIT_RANGE_", bits))
        return keys.refuse("BIT_RANGE_", QStringLiteral("нужно целое число разрядов"));
    if (isFloat && (bits < 1 || bits > 32))
        return keys.refuse("BIT_RANGE_", QStringLiteral("шкала отсчетов с плавающей точкой: от 1 до 32 разрядов"));
    if (!isFloat && (bits < 1 || bits > 8 * params.bytesPerSample))
        return keys.refuse("BIT_RANGE_", QStringLiteral("%1 разрядов не помещаются в отсчет из %2 байт")
                                             .arg(bits).arg(params.bytesPerSample));
    params.bitRange = uint8_t(bits);
    return true;
}

QString joinNumbers(const std::vector<double> &values, size_t count, double fallback)
{
    QStringList items;
    for (size_t i = 0; i < count; ++i)
        items << QString::number(i < values.size() ? values[i] : fallback, 'g', 15);
    return items.join(QLatin1Char(','));
}

} // namespace

PostfixSearch findPostfix(const QByteArray &tail)
{
    PostfixSearch result;
    result.offset = tail.indexOf("DEVICE_NAME");
    result.found = result.offset >= 0 || tail.contains("BIT_RANGE");
    if (result.offset >= 0) {
        int end = tail.indexOf('\0', result.offset);
        if (end < 0)
            end = tail.size();
        result.text = postfixCodec()->toUnicode(tail.constData() + result.offset,
                                                end - result.offset);
    }
    return result;
}

uint8_t parsePostfix(const QString &text, FileParams &params, QString *problem)
{
    const KeyReader keys(text);
    if (readRecordKeys(keys, params))
        return PostfixParsed;
    if (problem)
        *problem = keys.problem();
    return PostfixError;
}

uint8_t parseSpectrumPostfix(const QString &text, FileParams &params, uint32_t &fftSize)
{
    const KeyReader keys(text);
    qint64 n = 0;
    // Ready spectra are only usable at a transform size the spectrum path accepts.
    if (!keys.integer("FFT_SIZE_", n) || n < 2 || n > (qint64(1) << 30) || (n & (n - 1)) != 0)
        return PostfixError;
    fftSize = uint32_t(n);
    if (!readChannels(keys, params) || !readSampleRate(keys, params))
        return PostfixError;
    return PostfixParsed;
}

QByteArray formatPostfix(const FileParams &params, const QString &deviceName)
{
    const size_t count = params.hasChannels() ? params.channelCount : 0;
    QStringList numbers;
    for (size_t i = 0; i < count; ++i)
        numbers << QString::number(i < params.channelNumbers.size() ? params.channelNumbers[i]
                                                                    : int(i));
    const QString crlf = QStringLiteral("\r\n");
    QString text;
    text += QStringLiteral("DEVICE_NAME_ ") + deviceName + crlf;
    text += QStringLiteral("BIT_RANGE_ %1").arg(params.bitRange) + crlf;
    text += QStringLiteral("VOLTAGE_RANGE_ ") +
            QString::number(params.voltageRangeMv / 1000.0, 'g', 15) + crlf;
    text += QStringLiteral("NUMBER_OF_CHANNELS_ %1").arg(count) + crlf;
    text += QStringLiteral("NUMBERS_OF_CHANNELS_ ") + numbers.join(QLatin1Char(',')) + crlf;
    text += QStringLiteral("NUMBER_OF_SAMPLES_ %1").arg(params.sampleCount) + crlf;
    text += QStringLiteral("SAMPLING_RATE_ ") + QString::number(params.sampleRate, 'g', 15) + crlf;
    text += QStringLiteral("IS_COMPLEX_SIGNAL?_ ") +
            (params.isComplex ? QStringLiteral("YES") : QStringLiteral("NO")) + crlf;
    text += QStringLiteral("BYTES_PER_SAMPLES_ %1").arg(params.bytesPerSample) + crlf;
    text += QStringLiteral("SHIFT_FREQUENCY_ ") + joinNumbers(params.shiftFrequencies, count, 0.0) +
            crlf;
    text += QStringLiteral("GAINS_ ") + joinNumbers(params.gains, count, 1.0) + crlf;
    if (params.codeType == CodeFloat)
        text += QStringLiteral("SAMPLE_FORMAT_ FLOAT") + crlf;
    return postfixCodec()->fromUnicode(text);
}

namespace {

QString secondWord(const QStringList &lines, int nLine)
{
    if (nLine >= lines.size())
        return QString();
    const QStringList words = lines.at(nLine).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return words.size() > 1 ? words.at(1) : QString();
}

} // namespace

RecordSignature readRecordSignature(const QString &sPath)
{
    RecordSignature signature;
    QFile file(sPath);
    if (!openWithRetry(file, QIODevice::ReadOnly, nullptr))
        return signature;
    file.seek(std::max<qint64>(0, file.size() - PostfixTailBytes));
    const PostfixSearch postfix = findPostfix(file.readAll());
    if (postfix.offset < 0)
        return signature;
    signature.hasPostfix = true;
    // Producers end lines with "\r\n"; a lone "\n", which the parser also takes, counts the same.
    const QRegularExpression lineEnd(QStringLiteral("\r?\n"));
    const QStringList lines = postfix.text.split(lineEnd, Qt::SkipEmptyParts);
    signature.lineFourValue = secondWord(lines, 3).toInt();
    signature.isComplex = secondWord(lines, 7) == QLatin1String("YES");
    return signature;
}
