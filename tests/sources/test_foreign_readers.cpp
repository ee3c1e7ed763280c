// Captures in other formats, each written here by its own library or by hand, read through the
// record-file source: the same codes as a record give the same samples and the same figures to
// the last digit; float captures keep every bit; broken files are refused by file and field.
#include "SourceTestKit.h"
#include "sources/foreign/ForeignReader.h"
#include "sources/foreign/SampleWords.h"
#include "sources/record/FileParamsSettings.h"
#include "sources/record/FileSource.h"
#include "sources/record/ForeignConversion.h"
#include "sources/SampleCodes.h"

#include <QTemporaryDir>
#include <QtTest>

#include <matio.h>
#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <type_traits>

namespace {

constexpr int Frames = 16384;
constexpr double Rate = 1e6;

// Two channels of a tone each (12 345 Hz and twice that), frame after frame.
std::vector<int> toneCodes(double amplitude = 20000)
{
    std::vector<int> codes;
    for (int n = 0; n < Frames; ++n)
        for (int c = 0; c < 2; ++c)
            codes.push_back(int(std::lround(amplitude * std::sin(2 * M_PI * 12345 * (c + 1) * n / Rate))));
    return codes;
}

std::vector<float> toneFloats()
{
    std::vector<float> x;
    for (int n = 0; n < Frames; ++n)
        for (int c = 0; c < 2; ++c)
            x.push_back(float(0.7 * std::sin(2 * M_PI * 12345 * (c + 1) * n / Rate + 0.1)));
    return x;
}

QByteArray floatBytes(const std::vector<float> &x)
{
    return QByteArray(reinterpret_cast<const char *>(x.data()), int(x.size() * sizeof(float)));
}

FileParams nativeParams(bool isFloat, bool isComplex)
{
    FileParams p = layout16(2, Frames);
    p.voltageRangeMv = 1000;
    p.isComplex = isComplex;
    p.shiftFrequencies = {0, 0};
    if (isFloat) {
        p.codeType = CodeFloat;
        p.bytesPerSample = 4;
        p.bitRange = 24;
    }
    return p;
}

bool writeSound(const QString &path, int format, const std::function<void(SNDFILE *)> &write)
{
    SF_INFO info{};
    info.samplerate = int(Rate);
    info.channels = 2;
    info.format = format;
    SNDFILE *f = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    write(f);
    return sf_close(f) == 0;
}

QByteArray npyFile(const QString &descr, const QString &shape, bool fortran, const QByteArray &data)
{
    QByteArray header = QStringLiteral("{'descr': '%1', 'fortran_order': %2, 'shape': %3, }")
                            .arg(descr, fortran ? "True" : "False", shape).toLatin1();
    while ((10 + header.size() + 1) % 64)
        header += ' ';
    header += '\n';
    return QByteArray("\x93NUMPY\x01\x00", 8) + char(header.size() & 0xFF) + char(header.size() >> 8) +
           header + data;
}

// Writes a matrix of int16 or double (and scalars) with libmatio.
template <typename T>
bool writeMat(const QString &path, mat_ft version, const std::vector<T> &m, size_t rows,
              size_t columns, bool withRate, bool numeric = true)
{
    mat_t *mat = Mat_CreateVer(path.toLocal8Bit().constData(), nullptr, version);
    if (!mat)
        return false;
    size_t dims[2] = {rows, columns};
    constexpr bool isDouble = std::is_same_v<T, double>;
    matvar_t *v = numeric ? Mat_VarCreate("x", isDouble ? MAT_C_DOUBLE : MAT_C_INT16,
                                          isDouble ? MAT_T_DOUBLE : MAT_T_INT16, 2, dims, (void *)m.data(), 0)
                          : Mat_VarCreate("name", MAT_C_CHAR, MAT_T_UINT8, 2, dims, (void *)m.data(), 0);
    Mat_VarWrite(mat, v, MAT_COMPRESSION_ZLIB);
    Mat_VarFree(v);
    if (withRate) {
        double fs = Rate;
        size_t one[2] = {1, 1};
        matvar_t *r = Mat_VarCreate("fs", MAT_C_DOUBLE, MAT_T_DOUBLE, 2, one, &fs, 0);
        Mat_VarWrite(mat, r, MAT_COMPRESSION_NONE);
        Mat_VarFree(r);
    }
    return Mat_Close(mat) == 0;
}

QByteArray sigmfMeta(const QString &datatype, int channels, const QString &extra = QString())
{
    return QStringLiteral("{\"global\": {\"core:datatype\": \"%1\", \"core:sample_rate\": 1000000, "
                          "\"core:num_channels\": %2, \"core:version\": \"1.0.0\"}, "
                          "\"captures\": [{\"core:sample_start\": 0, \"core:frequency\": 0}], "
                          "\"annotations\": [%3]}")
        .arg(datatype).arg(channels).arg(extra).toUtf8();
}

} // namespace

class ForeignReadersTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // One block of the whole file at N = 4096, as the viewer reads it.
    BlockSnapshotPtr readBlock(const QString &file, int bits)
    {
        FileSource source;
        source.setFileName(file);
        FileParams fill = zeroedFileParams();
        fill.sampleRate = Rate;
        fill.bitRange = uint8_t(bits);
        fill.voltageRangeMv = 1000;
        source.setUserFileParams(fill);
        source.setFftSize(4096);
        source.setComputeSpectrum(true);
        source.setPosition(0, 0);
        BlockWaiter waiter(source);
        if (!waiter.fetch() || source.readStatus() == -1) {
            qWarning() << file << source.lastBlock()->readFailure;
            return nullptr;
        }
        return source.lastBlock();
    }

    void compareBlocks(const BlockSnapshotPtr &foreign, const BlockSnapshotPtr &native)
    {
        QVERIFY(foreign && native);
        QCOMPARE(foreign->channels.totalCount(), native->channels.totalCount());
        QCOMPARE(foreign->firstFile().sampleCount, native->firstFile().sampleCount);
        QCOMPARE(foreign->firstFile().isComplex, native->firstFile().isComplex);
        QCOMPARE(foreign->sampleRate(), native->sampleRate());
        for (int k = 0; k < native->channels.totalCount(); ++k) {
            QVERIFY(std::memcmp(foreign->channelSamples(k), native->channelSamples(k),
                                sizeof(double) * native->window.readLength) == 0);
            const ChannelRecord &a = *foreign->channelRecord(k), &b = *native->channelRecord(k);
            for (auto field : {&ChannelRecord::fundamentalFrequency, &ChannelRecord::totalRms,
                               &ChannelRecord::snr, &ChannelRecord::thd, &ChannelRecord::sinad,
                               &ChannelRecord::sfdr, &ChannelRecord::enob})
                QCOMPARE(a.*field, b.*field);
        }
    }

private slots:
    void integerCapturesReadAsTheirRecord_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("companion"); // a second file the format needs
        const std::vector<int> codes = toneCodes();
        std::vector<int16_t> words(codes.begin(), codes.end());
        const QByteArray raw = samples16(codes);
        // Channel after channel, for the layouts that keep channels apart.
        std::vector<int16_t> planar;
        for (int c = 0; c < 2; ++c)
            for (int n = 0; n < Frames; ++n)
                planar.push_back(int16_t(codes[size_t(2 * n + c)]));

        QVERIFY(writeSound(path("pcm16.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, [&](SNDFILE *f) {
            sf_writef_short(f, words.data(), Frames);
        }));
        QTest::newRow("wav pcm16") << path("pcm16.wav") << QString();
        QVERIFY(writeSound(path("pcm16.aiff"), SF_FORMAT_AIFF | SF_FORMAT_PCM_16, [&](SNDFILE *f) {
            sf_writef_short(f, words.data(), Frames);
        }));
        QTest::newRow("aiff big-endian") << path("pcm16.aiff") << QString();
        QVERIFY(writeBytes(path("frames.npy"), npyFile("<i2", QString("(%1, 2)").arg(Frames), false, raw)));
        QTest::newRow("npy frames") << path("frames.npy") << QString();
        QVERIFY(writeBytes(path("rows.npy"),
                           npyFile("<i2", QString("(2, %1)").arg(Frames), false,
                                   QByteArray(reinterpret_cast<const char *>(planar.data()), int(planar.size() * 2)))));
        QTest::newRow("npy channel rows") << path("rows.npy") << QString();
        QByteArray csv = "Time (s);CH1;CH2\r\n";
        for (int n = 0; n < Frames; ++n)
            csv += QStringLiteral("%1;%2;%3\r\n").arg(QString::number(n / Rate, 'e', 9).replace('.', ','))
                       .arg(codes[size_t(2 * n)]).arg(codes[size_t(2 * n + 1)]).toLatin1();
        QVERIFY(writeBytes(path("scope.csv"), csv));
        QTest::newRow("csv decimal comma") << path("scope.csv") << QString();
        QVERIFY(writeBytes(path("ri16.sigmf-data"), raw));
        QVERIFY(writeBytes(path("ri16.sigmf-meta"), sigmfMeta("ri16_le", 2)));
        QTest::newRow("sigmf ri16_le") << path("ri16.sigmf-meta") << path("ri16.sigmf-data");
        QVERIFY(writeMat(path("columns.mat"), MAT_FT_MAT5, planar, Frames, 2, true));
        QTest::newRow("mat v5 columns") << path("columns.mat") << QString();
        QVERIFY(writeMat(path("rows73.mat"), MAT_FT_MAT73, words, 2, Frames, true));
        QTest::newRow("mat v7.3 rows") << path("rows73.mat") << QString();
    }

    void integerCapturesReadAsTheirRecord()
    {
        QFETCH(QString, file);
        QVERIFY(writeBytes(path("native16.bin"), samples16(toneCodes()) +
                                                     formatPostfix(nativeParams(false, false), "test")));
        const BlockSnapshotPtr native = readBlock(path("native16.bin"), 16);
        compareBlocks(readBlock(file, 16), native);
        // And written as a record with its postfix.
        QString error;
        QVERIFY2(convertForeignFile(file, path("converted.bin"), {Rate, 16, 1000, false}, error),
                 qPrintable(error));
        compareBlocks(readBlock(path("converted.bin"), 0), native);
    }

    // Float WAV and cf32 SigMF: every bit of the float reaches the sample buffer (x times
    // 2^23 at 24 bits), and their figures are those of a float record.
    void floatCapturesKeepFullPrecision_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("isComplex");
        const std::vector<float> x = toneFloats();
        QVERIFY(writeSound(path("float.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, [&](SNDFILE *f) {
            sf_writef_float(f, x.data(), Frames);
        }));
        QTest::newRow("wav float") << path("float.wav") << false;
        QVERIFY(writeBytes(path("iq.sigmf-data"), floatBytes(x)));
        QVERIFY(writeBytes(path("iq.sigmf-meta"), sigmfMeta("cf32_le", 1)));
        QTest::newRow("sigmf cf32_le") << path("iq.sigmf-data") << true;
        QVERIFY(writeBytes(path("fractions.npy"), npyFile("<f4", QString("(%1, 2)").arg(Frames), false, floatBytes(x))));
        QTest::newRow("npy float32 fractions") << path("fractions.npy") << false;
    }

    void floatCapturesKeepFullPrecision()
    {
        QFETCH(QString, file);
        QFETCH(bool, isComplex);
        const std::vector<float> x = toneFloats();
        QVERIFY(writeBytes(path("nativef.bin"), floatBytes(x) + formatPostfix(nativeParams(true, isComplex), "test")));
        const BlockSnapshotPtr foreign = readBlock(file, 24), native = readBlock(path("nativef.bin"), 24);
        compareBlocks(foreign, native);
        const uint64_t start = foreign->window.windowStart;
        for (uint64_t k = 0; k < foreign->window.readLength; ++k)
            for (int c = 0; c < 2; ++c)
                QCOMPARE(foreign->channelSamples(c)[k], double(x[size_t(2 * (start + k) + c)]) * 8388608.0);
    }

    // Whole floats beyond +-1 are codes, at the fewest bits (at least 8) that hold them.
    void codeBitsOfFloats()
    {
        const struct {
            std::vector<double> values;
            int bits;
        } cases[] = {
            {{-2048, 0, 2047}, 12}, {{2}, 8},          {{127, -128}, 8},  {{128}, 9},
            {{-129}, 9},            {{-2147483648.0}, 32}, {{2147483648.0}, 0},
            {{-1, 0, 1}, 0},        {{0.5, 3}, 0},     {{3, NAN}, 0},     {{INFINITY, 3}, 0},
        };
        for (const auto &c : cases) {
            CodeScan scan;
            for (double v : c.values)
                scan.add(v);
            QCOMPARE(scan.codeBits(), c.bits);
        }
    }

    // MATLAB's doubles of 12-bit codes (and .npy's, and CSV's whole numbers) read and convert as
    // the same codes in an int16 file at 12 bits, the bits found without being given.
    void floatCodesReadAsIntegerCodes_data()
    {
        QTest::addColumn<QString>("file");
        const std::vector<int> codes = toneCodes(2040);
        std::vector<double> frames(codes.begin(), codes.end()), planar;
        for (int c = 0; c < 2; ++c)
            for (int n = 0; n < Frames; ++n)
                planar.push_back(codes[size_t(2 * n + c)]);
        QVERIFY(writeMat(path("codes.mat"), MAT_FT_MAT5, planar, Frames, 2, true));
        QTest::newRow("mat v5 double") << path("codes.mat");
        QVERIFY(writeBytes(path("codes.npy"),
                           npyFile("<f8", QString("(%1, 2)").arg(Frames), false,
                                   QByteArray(reinterpret_cast<const char *>(frames.data()), int(frames.size() * 8)))));
        QTest::newRow("npy float64") << path("codes.npy");
        QByteArray csv;
        for (int n = 0; n < Frames; ++n)
            csv += QByteArray::number(codes[size_t(2 * n)]) + ".0," + QByteArray::number(codes[size_t(2 * n + 1)]) + '\n';
        QVERIFY(writeBytes(path("codes.csv"), csv));
        QTest::newRow("csv") << path("codes.csv");
    }

    void floatCodesReadAsIntegerCodes()
    {
        QFETCH(QString, file);
        QVERIFY(writeBytes(path("int16.npy"), npyFile("<i2", QString("(%1, 2)").arg(Frames), false,
                                                      samples16(toneCodes(2040)))));
        const BlockSnapshotPtr native = readBlock(path("int16.npy"), 12), foreign = readBlock(file, 0);
        compareBlocks(foreign, native);
        QCOMPARE(int(foreign->firstFile().bitRange), 12);
        QString error;
        QVERIFY2(convertForeignFile(file, path("converted.bin"), {Rate, 0, 1000, false}, error), qPrintable(error));
        compareBlocks(readBlock(path("converted.bin"), 0), native);
    }

    void brokenFilesAreRefusedByFileAndField_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        const std::vector<int> codes = toneCodes();
        std::vector<int16_t> words(codes.begin(), codes.end());
        QVERIFY(writeSound(path("cut.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, [&](SNDFILE *f) {
            sf_writef_short(f, words.data(), Frames);
        }));
        QFile cut(path("cut.wav"));
        QVERIFY(cut.resize(cut.size() / 2));
        QTest::newRow("truncated wav") << path("cut.wav") << "cut.wav: data:";
        QVERIFY(writeMat(path("text.mat"), MAT_FT_MAT5, std::vector<int16_t>(8, 65), 1, 8, false, false));
        QTest::newRow("mat without matrix") << path("text.mat") << "text.mat: переменные: нет числовой матрицы (есть: name)";
        QVERIFY(writeBytes(path("odd.sigmf-data"), QByteArray(64, '\0')));
        QVERIFY(writeBytes(path("odd.sigmf-meta"), sigmfMeta("ci12_le", 1)));
        QTest::newRow("sigmf unknown datatype") << path("odd.sigmf-meta") << "odd.sigmf-meta: core:datatype: «ci12_le»";
        QVERIFY(writeBytes(path("short.sigmf-data"), QByteArray(64, '\0')));
        QVERIFY(writeBytes(path("short.sigmf-meta"),
                           sigmfMeta("ri16_le", 1, "{\"core:sample_start\": 20, \"core:sample_count\": 100}")));
        QTest::newRow("sigmf data too short") << path("short.sigmf-meta")
                                              << "short.sigmf-meta: annotations: core:sample_start + core:sample_count = 120, а в short.sigmf-data только 32";
        QVERIFY(writeBytes(path("text.csv"), "a,b\n1,2\n3,4\n5,x7\n6,7\n"));
        QTest::newRow("csv text cell") << path("text.csv") << "text.csv: строка 4, столбец 2: «x7» не число";
    }

    void brokenFilesAreRefusedByFileAndField()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QString error;
        QVERIFY(!openForeignFile(file, error));
        QVERIFY2(error.startsWith(expected), qPrintable(error));
        // Nothing written, and the source says the same.
        QVERIFY(!convertForeignFile(file, path("never.bin"), {Rate, 16, 1000, false}, error));
        QVERIFY(!QFile::exists(path("never.bin")));
        FileSource source;
        source.setFileName(file);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.readStatus(), -1);
        QVERIFY(source.lastBlock()->readFailure.startsWith(expected));
    }

    // The parameters a capture lacks are kept for it alone.
    void parametersAreRememberedPerFile()
    {
        FileParamsSettings a, b, read;
        a.sampleRateKhz = 1234.5;
        a.bitRange = 12;
        a.isComplex = true;
        b.sampleRateKhz = 48;
        a.saveForFile(path("orma.ini"), "/data/a;1.npy");
        b.saveForFile(path("orma.ini"), "/data/b.npy");
        QVERIFY(read.loadForFile(path("orma.ini"), "/data/a;1.npy"));
        QCOMPARE(read, a);
        QVERIFY(read.loadForFile(path("orma.ini"), "/data/b.npy"));
        QCOMPARE(read.sampleRateKhz, 48.0);
        QVERIFY(!read.loadForFile(path("orma.ini"), "/data/c.npy"));
    }
};

QTEST_GUILESS_MAIN(ForeignReadersTest)
#include "test_foreign_readers.moc"
