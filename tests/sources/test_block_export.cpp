// CSV of a block: the shown samples and spectra read back exactly, under a header that names
// each channel and its unit, and only the span asked for.
#include "sources/export/BlockExport.h"
#include "sources/BlockSnapshot.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// Rows of fields; the byte-order mark and the line ends stripped.
QList<QStringList> readCsv(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QList<QStringList> rows;
    for (const QString &line : QString::fromUtf8(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        rows << line.split(QLatin1Char(','));
    return rows;
}

template <typename T> std::shared_ptr<const double[]> buffer(const std::vector<T> &v)
{
    std::shared_ptr<double[]> b(new double[v.size()]);
    for (size_t i = 0; i < v.size(); ++i)
        b[i] = double(v[i]);
    return b;
}

// Two channels, numbered 3 and 7, of six samples from record sample 100 on.
BlockSnapshot twoChannels(const std::vector<double> &a, const std::vector<double> &b)
{
    BlockSnapshot block;
    block.records.resize(2);
    block.records[0].channelNumber = 3;
    block.records[1].channelNumber = 7;
    block.records[0].shown = block.records[1].shown = true;
    std::vector<double> codes = a;
    codes.insert(codes.end(), b.begin(), b.end());
    block.samples = buffer(codes);
    block.sampleChannels = 2;
    block.sampleLength = a.size();
    std::vector<double> index;
    for (size_t i = 0; i < a.size(); ++i)
        index.push_back(100.0 + double(i));
    block.index = buffer(index);
    return block;
}

} // namespace

class BlockExportTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(name); }

private slots:
    // The extremes of a 32-bit converter, of a 16-bit one and a code of 0 come back bit for bit.
    void samplesRoundTripExactly()
    {
        const std::vector<double> a = {-2147483648.0, 2147483647.0, 0, -1, 32767, -32768};
        const std::vector<double> b = {1, 2, 3, 4, 5, 123456789};
        const BlockSnapshot block = twoChannels(a, b);
        QCOMPARE(writeSamplesCsv(path("s.csv"), block, 0, 1000), QString());
        const QList<QStringList> rows = readCsv(path("s.csv"));
        QCOMPARE(rows.size(), 7);
        QCOMPARE(rows[0], QStringList({"Отсчет", "Канал 3 (Ед.Мл.Разряда)", "Канал 7 (Ед.Мл.Разряда)"}));
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(rows[i + 1].size(), 3);
            QCOMPARE(rows[i + 1][0].toDouble(), 100.0 + i);
            QCOMPARE(rows[i + 1][1].toDouble(), a[size_t(i)]);
            QCOMPARE(rows[i + 1][2].toDouble(), b[size_t(i)]);
        }
    }

    // Record samples 102..104: three rows, the numbering of the record kept; outside the
    // block there is nothing to write, and the user is told so.
    void onlyTheSpanAskedFor()
    {
        const BlockSnapshot block = twoChannels({10, 11, 12, 13, 14, 15}, {20, 21, 22, 23, 24, 25});
        QCOMPARE(writeSamplesCsv(path("span.csv"), block, 102, 3), QString());
        const QList<QStringList> rows = readCsv(path("span.csv"));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[1], QStringList({"102", "12", "22"}));
        QCOMPARE(rows[3], QStringList({"104", "14", "24"}));
        QVERIFY(!writeSamplesCsv(path("none.csv"), block, 500, 10).isEmpty());
        QVERIFY(!QFile::exists(path("none.csv")));
        QVERIFY(!writeSamplesCsv(path("none.csv"), BlockSnapshot(), 0, 10).isEmpty());
    }

    // Volts squared per bin, down to the tiniest powers, and the frequency of every bin of a
    // real 8-point transform at 8 kHz: 0, 1, 2 and 3 kHz.
    void spectrumRoundTripsExactly()
    {
        BlockSnapshot block = twoChannels({0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0});
        block.fileParams.front().channelCount = 2;
        block.fileParams.front().sampleRate = 8000;
        block.fftSize = 8;
        block.binCount = 4;
        const std::vector<double> power = {1.0 / 3, 1e-300, std::nextafter(0.5, 1.0), 12.5,
                                           0, std::numeric_limits<double>::denorm_min(), 2e-17, M_PI};
        block.spectra = buffer(power);
        block.spectrumChannels = 2;
        QCOMPARE(writeSpectrumCsv(path("f.csv"), block), QString());
        const QList<QStringList> rows = readCsv(path("f.csv"));
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[0], QStringList({"Частота (Гц)", "Канал 3 (В²)", "Канал 7 (В²)"}));
        for (int bin = 0; bin < 4; ++bin) {
            QCOMPARE(rows[bin + 1][0].toDouble(), 1000.0 * bin);
            QCOMPARE(rows[bin + 1][1].toDouble(), power[size_t(bin)]);
            QCOMPARE(rows[bin + 1][2].toDouble(), power[size_t(4 + bin)]);
        }
    }

    // A centred complex spectrum runs from -Fs/2; a folder that does not exist is named.
    void centredSpectrumAndFailedWrites()
    {
        BlockSnapshot block = twoChannels({0}, {0});
        block.fileParams.front().channelCount = 2;
        block.fileParams.front().sampleRate = 8000;
        block.fftSize = 4;
        block.binCount = 4;
        block.spectrumComplex = true;
        block.spectrum.spectrumRange = 1;
        block.spectra = buffer(std::vector<double>(8, 1.0));
        block.spectrumChannels = 2;
        QCOMPARE(writeSpectrumCsv(path("c.csv"), block), QString());
        const QList<QStringList> rows = readCsv(path("c.csv"));
        QCOMPARE(rows[1][0].toDouble(), -4000.0);
        QCOMPARE(rows[4][0].toDouble(), 2000.0);
        const QString error = writeSpectrumCsv(m_dir.filePath("no/such/folder/x.csv"), block);
        QVERIFY(error.contains("no/such/folder"));
    }
};

QTEST_MAIN(BlockExportTest)
#include "test_block_export.moc"
