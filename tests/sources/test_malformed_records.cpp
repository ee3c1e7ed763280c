// Records that lie, break off or are not records at all: every one is answered with one block
// and a clear status, never a crash, a hang or a read past its end, and is left unchanged.
#include "SourceTestKit.h"

#include "sources/record/FileSource.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

enum Outcome { PostfixFault, Samples, NoSamples };

QByteArray postfix(const FileParams &p) { return formatPostfix(p, "bench"); }

QByteArray garbage(int n, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(n, '\0');
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes.replace("DEVICE_NAME", "device_name").replace("BIT_RANGE", "bit_range")
        .replace("FFT_SIZE", "fft_size");
}

QByteArray spectrumTail(int fftSize)
{
    return QStringLiteral("FFT_SIZE_ %1\r\nNUMBER_OF_CHANNELS_ 1\r\nNUMBERS_OF_CHANNELS_ 0\r\n"
                          "SAMPLING_RATE_ 1000\r\n").arg(fftSize).toLatin1();
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class MalformedRecordsTest : public QObject {
    Q_OBJECT
private slots:
    void answeredSafely_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<qulonglong>("samples");
        const FileParams two = layout16(2, 4096);
        const QByteArray frames10 = QByteArray(40, '\x11');
        FileParams claims = two;
        claims.sampleCount = 1000000000000000ull;
        FileParams wide = layout16(300, 100);
        FileParams odd = layout16(3, 64);
        odd.isComplex = true;
        QByteArray zeroInside = postfix(two);
        zeroInside.insert(zeroInside.indexOf("BYTES"), '\0');

        QTest::newRow("truncated data") << frames10 + postfix(two) << int(Samples) << 10ull;
        QTest::newRow("postfix only") << postfix(two) << int(NoSamples) << 0ull;
        QTest::newRow("huge sample claim") << frames10 + postfix(claims) << int(Samples) << 10ull;
        QTest::newRow("300 channels, no frame fits")
            << QByteArray(500, '\0') + postfix(wide) << int(NoSamples) << 0ull;
        QTest::newRow("odd complex channel count")
            << QByteArray(3 * 2 * 64, '\x01') + postfix(odd) << int(Samples) << 64ull;
        QTest::newRow("garbage, no markers") << garbage(20000, 1) << int(PostfixFault) << 0ull;
        QTest::newRow("garbage after the device name")
            << garbage(5000, 2) + "DEVICE_NAME_" + garbage(300, 3) << int(PostfixFault) << 0ull;
        QTest::newRow("3 bytes per sample")
            << frames10 + postfix(two).replace("BYTES_PER_SAMPLES_ 2", "BYTES_PER_SAMPLES_ 3")
            << int(PostfixFault) << 0ull;
        QTest::newRow("20 bits in 2 bytes")
            << frames10 + postfix(two).replace("BIT_RANGE_ 16", "BIT_RANGE_ 20")
            << int(PostfixFault) << 0ull;
        QTest::newRow("zero byte inside the postfix")
            << frames10 + zeroInside << int(PostfixFault) << 0ull;
        QTest::newRow("less than one frame, no postfix") << QByteArray(3, '\x7f')
                                                         << int(PostfixFault) << 0ull;
        QTest::newRow("spectrum claims 2^30 points")
            << QByteArray(64, '\0') + spectrumTail(1 << 30) << int(PostfixFault) << 0ull;
        QTest::newRow("spectrum size not a power of two")
            << QByteArray(16000, '\0') + spectrumTail(1000) << int(PostfixFault) << 0ull;
    }

    void answeredSafely()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, outcome);
        QFETCH(qulonglong, samples);
        QTemporaryDir dir;
        const QString path = dir.filePath("bad.bin");
        QVERIFY(writeBytes(path, bytes));
        const QByteArray before = fileHash(path);
        {
            FileSource source;
            source.setFileName(path);
            source.setFftSize(16);
            BlockWaiter waiter(source);
            QVERIFY(waiter.fetch(5000));
            QCOMPARE(source.readError(), outcome == PostfixFault);
            if (outcome != PostfixFault) {
                QCOMPARE(source.readStatus(), 0);
                QCOMPARE(qulonglong(source.fileParams().sampleCount), samples);
                QCOMPARE(source.lastBlock()->channelSamples(0) != nullptr, outcome == Samples);
            }
            QVERIFY(waiter.fetch(5000)); // and the same again on the next request
        }
        QCOMPARE(fileHash(path), before);
        QVERIFY(!QFileInfo::exists(dir.filePath("bad.flg")));
    }

    // An empty record is waited for, not misread; a stop ends the wait.
    void emptyRecordWaitsUntilStopped()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("empty.bin");
        QVERIFY(writeBytes(path, QByteArray()));
        FileSource source;
        source.setFileName(path);
        source.setPollInterval(0);
        BlockWaiter waiter(source);
        source.requestData();
        QTest::qWait(100);
        QCOMPARE(waiter.count(), 0);
        source.stopSource();
        QVERIFY(source.wait(2000));
        QVERIFY(waiter.waitFor(1, 1000)); // the interrupted request still answers once
        QCOMPARE(QFileInfo(path).size(), 0);
    }
};

QTEST_GUILESS_MAIN(MalformedRecordsTest)
#include "test_malformed_records.moc"
