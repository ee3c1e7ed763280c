// CSV as oscilloscopes and scripts export it: optional header lines, then one line per sample
// with one number per channel, separated by commas, semicolons (a decimal comma is then taken),
// tabs or blanks. A first column headed as time ("Time", "t", "x-axis", "Time (s)") gives the
// rate and is not a channel. Whole numbers, one of them beyond +-1, are codes; else every channel
// is float, fractions of the full scale (so volts, at a range of 1 V).
//
// The file is scanned once on opening, to check every cell and to note where every 1024th
// sample's line starts; windows are then parsed from there.
#include "sources/foreign/Readers.h"
#include "sources/foreign/SampleWords.h"

#include "sources/SampleCodes.h"

#include <QFile>
#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <vector>

namespace {

constexpr uint64_t IndexStep = 1024;
constexpr int MaxHeaderLines = 64;

class CsvReader : public ForeignReader {
public:
    bool open(const QString &path, QString &error);
    uint64_t read(uint64_t first, uint64_t count, uint8_t *dst) override;

private:
    // The numbers of one line into m_values; false with the first cell that is not one.
    bool parseLine(const QByteArray &line, int &badCell, QByteArray &badText);
    bool nextDataLine(QByteArray &line, qint64 &lineNumber);

    QFile m_file;
    char m_separator = ',';
    bool m_hasTime = false;
    int m_columns = 0;
    std::vector<double> m_values;
    std::vector<qint64> m_index; // file offset of data lines 0, IndexStep, 2 IndexStep, ...
};

bool isBlank(const QByteArray &line) { return line.trimmed().isEmpty(); }

bool CsvReader::nextDataLine(QByteArray &line, qint64 &lineNumber)
{
    while (!m_file.atEnd()) {
        line = m_file.readLine();
        ++lineNumber;
        if (!isBlank(line))
            return true;
    }
    return false;
}

bool CsvReader::parseLine(const QByteArray &line, int &badCell, QByteArray &badText)
{
    m_values.clear();
    const char *p = line.constData(), *end = p + line.size();
    while (end > p && (end[-1] == '\n' || end[-1] == '\r'))
        --end;
    int cell = 0;
    while (p <= end) {
        const char *stop = p;
        if (m_separator == ' ') {
            while (p < end && (*p == ' ' || *p == '\t'))
                ++p;
            if (p == end)
                break;
            stop = p;
            while (stop < end && *stop != ' ' && *stop != '\t')
                ++stop;
        } else {
            while (stop < end && *stop != m_separator)
                ++stop;
        }
        QByteArray text = QByteArray(p, int(stop - p)).trimmed();
        if (text.size() >= 2 && text.startsWith('"') && text.endsWith('"'))
            text = text.mid(1, text.size() - 2).trimmed();
        if (m_separator == ';' && !text.contains('.'))
            text.replace(',', '.');
        if (text.isEmpty() && stop >= end && cell > 0)
            break; // a separator at the line's end, as some oscilloscopes write
        const char *b = text.constData(), *e = b + text.size();
        if (b < e && *b == '+')
            ++b;
        double v = 0.0;
        const auto r = std::from_chars(b, e, v);
        if (text.isEmpty() || r.ec != std::errc() || r.ptr != e || !std::isfinite(v)) {
            badCell = cell + 1;
            badText = text.left(40);
            return false;
        }
        m_values.push_back(v);
        ++cell;
        p = stop + 1;
        if (m_separator == ' ')
            p = stop;
    }
    return true;
}

bool CsvReader::open(const QString &path, QString &error)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("файл не открывается (%1)").arg(m_file.errorString());
        return false;
    }
    QByteArray line, header;
    qint64 lineNumber = 0;
    int badCell = 0;
    QByteArray badText;
    // Header lines until the first line of numbers.
    for (;;) {
        const qint64 at = m_file.pos();
        if (!nextDataLine(line, lineNumber)) {
            error = QStringLiteral("данные: нет ни одной строки чисел");
            return false;
        }
        // The first line of numbers decides; the header before it is split the same way.
        m_separator = line.contains(';') ? ';' : line.contains('\t') ? '\t' : line.contains(',') ? ',' : ' ';
        if (parseLine(line, badCell, badText)) {
            m_index.push_back(at);
            break;
        }
        if (lineNumber > MaxHeaderLines) {
            error = QStringLiteral("строка %1, столбец %2: «%3» не число").arg(lineNumber).arg(badCell)
                        .arg(QString::fromUtf8(badText));
            return false;
        }
        header = line;
    }
    static const QRegularExpression timeHead(
        QStringLiteral("^\\W*(time|t|x-axis|sec|seconds|s)\\b"), QRegularExpression::CaseInsensitiveOption);
    const QList<QByteArray> heads = header.split(m_separator == ' ' ? ' ' : m_separator);
    m_hasTime = !heads.isEmpty() && timeHead.match(QString::fromUtf8(heads.first().trimmed())).hasMatch() &&
                m_values.size() >= 2;
    m_columns = int(m_values.size());
    const double firstTime = m_values.front();
    double lastTime = firstTime;
    CodeScan scan;
    uint64_t frames = 0;
    for (;;) {
        const int from = m_hasTime ? 1 : 0;
        if (int(m_values.size()) != m_columns) {
            error = QStringLiteral("строка %1: %2 значений, а в первой строке данных %3")
                        .arg(lineNumber).arg(m_values.size()).arg(m_columns);
            return false;
        }
        for (int c = from; c < m_columns; ++c)
            scan.add(m_values[size_t(c)]);
        lastTime = m_values.front();
        ++frames;
        const qint64 at = m_file.pos();
        if (!nextDataLine(line, lineNumber))
            break;
        if (frames % IndexStep == 0)
            m_index.push_back(at);
        if (!parseLine(line, badCell, badText)) {
            error = QStringLiteral("строка %1, столбец %2: «%3» не число").arg(lineNumber).arg(badCell)
                        .arg(QString::fromUtf8(badText));
            return false;
        }
    }
    FileParams &p = m_format;
    p.channelCount = uint32_t(m_columns - (m_hasTime ? 1 : 0));
    p.sampleCount = frames;
    m_codeBits = scan.codeBits();
    p.codeType = m_codeBits ? CodeTwosComplement : CodeFloat;
    p.bytesPerSample = m_codeBits ? 4 : 8;
    if (m_hasTime && frames > 1) {
        const double rate = double(frames - 1) / (lastTime - firstTime);
        if (!(rate > 0) || !std::isfinite(rate)) {
            error = QStringLiteral("столбец времени: время не растёт (от %1 до %2)").arg(firstTime).arg(lastTime);
            return false;
        }
        // Time stamps printed with few digits would give 999999.9999 Hz for 1 MHz.
        p.sampleRate = QString::number(rate, 'g', 9).toDouble();
        m_carriesRate = true;
    }
    return true;
}

uint64_t CsvReader::read(uint64_t first, uint64_t count, uint8_t *dst)
{
    const FileParams &p = m_format;
    if (first >= p.sampleCount)
        return 0;
    count = std::min(count, p.sampleCount - first);
    if (!m_file.seek(m_index[size_t(first / IndexStep)])) {
        m_error = QStringLiteral("данные: переход к строке не удался");
        return 0;
    }
    QByteArray line;
    qint64 lineNumber = 0;
    int badCell = 0;
    QByteArray badText;
    for (uint64_t skip = first % IndexStep; skip > 0; --skip)
        nextDataLine(line, lineNumber);
    const int from = m_hasTime ? 1 : 0, word = p.bytesPerSample;
    for (uint64_t f = 0; f < count; ++f) {
        // The file was checked on opening; one changed since reads as far as it still parses.
        if (!nextDataLine(line, lineNumber) || !parseLine(line, badCell, badText) ||
            int(m_values.size()) != m_columns) {
            m_error = QStringLiteral("данные: файл изменился после открытия");
            return f;
        }
        for (int c = from; c < m_columns; ++c, dst += word) {
            if (p.codeType == CodeFloat)
                putReal(m_values[size_t(c)], 8, dst);
            else
                putCode(int64_t(m_values[size_t(c)]), m_bitRange, 4, dst);
        }
    }
    return count;
}

} // namespace

std::unique_ptr<ForeignReader> openCsvFile(const QString &path, QString &error)
{
    auto reader = std::make_unique<CsvReader>();
    if (!reader->open(path, error))
        return nullptr;
    return reader;
}
