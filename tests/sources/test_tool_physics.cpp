// orma-tool end to end: records it generates, analysed by it, give the figures physics
// predicts; failures give their exit status promptly; a live producer is followed.

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/sources/ToolRun.h"

#include <cmath>

namespace {

using Run = ToolRun;

// A tone frequency that is not bin-centred at N = 65536 and 1 MHz (1031.3 cycles), so that
// quantisation error spreads as white noise.
constexpr double ToneHz = 1031.3 * 1e6 / 65536;

QJsonObject analyseChannel0(const QString &file, const QStringList &extra = {})
{
    const ToolRun r = tool(QStringList{"analyze", file, "--fft", "65536", "--json"} + extra);
    if (r.exitCode != 0)
        return QJsonObject();
    return QJsonDocument::fromJson(r.out).object()["channels"].toArray().at(0).toObject();
}

} // namespace

class ToolPhysicsTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void quantisedFullScaleSine_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("bytes");
        QTest::newRow("8 bits") << 8 << 1;
        QTest::newRow("12 bits in 2 bytes") << 12 << 2;
        QTest::newRow("16 bits") << 16 << 2;
    }

    // The ideal B-bit converter: SNR = 6.02 B + 1.76 dB, ENOB = B.
    void quantisedFullScaleSine()
    {
        QFETCH(int, bits);
        QFETCH(int, bytes);
        const QString file = path(QString("q%1.bin").arg(bits));
        const QString tone = QString("%1:%2").arg(ToneHz, 0, 'f', 6).arg((1 << (bits - 1)) - 1);
        QCOMPARE(tool({"generate", file, "--samples", "65536", "--bits", QString::number(bits),
                       "--bytes", QString::number(bytes), "--tone", tone})
                     .exitCode,
                 0);
        const QJsonObject ch = analyseChannel0(file);
        const double snr = ch["snr"].toDouble(), ideal = 6.02 * bits + 1.76;
        QVERIFY2(qAbs(snr - ideal) < 0.5, qPrintable(QString("SNR %1 vs %2").arg(snr).arg(ideal)));
        QVERIFY(qAbs(ch["enob"].toDouble() - bits) < 0.15);
        QVERIFY(qAbs(ch["fundamentalFrequency"].toDouble() - ToneHz) < 0.01);
        // A full-scale sine of 2.5 V has an RMS of 2.5 / sqrt(2) V, and is 0 dBFS.
        QVERIFY(qAbs(ch["fundamentalRms"].toDouble() - 2.5 / std::sqrt(2.0)) < 1e-3);
        QVERIFY2(qAbs(ch["fundamentalDbfs"].toDouble()) < 0.05,
                 qPrintable(QString::number(ch["fundamentalDbfs"].toDouble())));
    }

    // Half the amplitude is a quarter of the power: 20 log10(1/2) = -6.02 dBFS, on any range.
    void halfScaleSineIsMinusSixDbfs_data()
    {
        QTest::addColumn<QString>("range");
        QTest::newRow("2.5 V") << "2.5";
        QTest::newRow("10 V") << "10";
    }
    void halfScaleSineIsMinusSixDbfs()
    {
        QFETCH(QString, range);
        const QString file = path("half" + range + ".bin");
        QCOMPARE(tool({"generate", file, "--samples", "65536", "--bits", "16", "--range", range,
                       "--tone", QString("%1:%2").arg(ToneHz, 0, 'f', 6).arg(32767 / 2.0)})
                     .exitCode,
                 0);
        const QJsonObject ch = analyseChannel0(file);
        const double dbfs = ch["fundamentalDbfs"].toDouble();
        QVERIFY2(qAbs(dbfs - 20 * std::log10(0.5)) < 0.05, qPrintable(QString::number(dbfs)));
        const Run text = tool({"analyze", file, "--fft", "65536"});
        QVERIFY(text.out.contains("dBFS"));
    }

    // The exported samples are the codes the record holds from the position on, and the
    // exported spectrum holds the sine's power: (A / 32767 x 2.5 V)^2 / 2 summed over the bins.
    void exportWritesTheRecordsCodesAndPower()
    {
        const QString file = path("export.bin");
        const double a = 20000;
        QCOMPARE(tool({"generate", file, "--samples", "8192", "--bits", "16", "--channels", "2",
                       "--tone", QString("%1:%2").arg(ToneHz, 0, 'f', 6).arg(a), "--noise", "3"})
                     .exitCode,
                 0);
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.read(8192 * 2 * 2);
        const auto code = [&](int sample, int channel) {
            return double(reinterpret_cast<const qint16 *>(bytes.constData())[sample * 2 + channel]);
        };

        const QString samples = path("samples.csv");
        QCOMPARE(tool({"export", file, "--what", "samples", "--csv", samples, "--position", "5000",
                       "--length", "2000"})
                     .exitCode,
                 0);
        QFile csv(samples);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll().mid(3)).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2001);
        QCOMPARE(lines[0].split(',').size(), 3);
        for (int i = 1; i < lines.size(); ++i) {
            const QStringList f = lines[i].split(',');
            const int sample = 5000 + i - 1;
            QCOMPARE(f[0].toInt(), sample);
            QCOMPARE(f[1].toDouble(), code(sample, 0));
            QCOMPARE(f[2].toDouble(), code(sample, 1));
        }

        const QString spectrum = path("spectrum.csv");
        QCOMPARE(tool({"export", file, "--what", "spectrum", "--csv", spectrum, "--fft", "4096"})
                     .exitCode,
                 0);
        QFile spectrumFile(spectrum);
        QVERIFY(spectrumFile.open(QIODevice::ReadOnly));
        const QStringList rows = QString::fromUtf8(spectrumFile.readAll().mid(3)).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 2049);
        double total = 0;
        for (int i = 1; i < rows.size(); ++i)
            total += rows[i].split(',')[1].toDouble();
        const double volts = a / 32767 * 2.5;
        QVERIFY2(qAbs(10 * std::log10(total / (volts * volts / 2))) < 0.05, qPrintable(QString::number(total)));
        QCOMPARE(rows[2048].split(',')[0].toDouble(), 2047 * 1e6 / 4096);
    }

    // Every part of an export command the tool cannot carry out is named.
    void exportRefusals()
    {
        const QString file = path("refusals.bin");
        QCOMPARE(tool({"generate", file, "--samples", "4096"}).exitCode, 0);
        Run r = tool({"export", file, "--what", "phase", "--csv", path("x.csv")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("--what"));
        r = tool({"export", file, "--what", "samples"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("--csv"));
        r = tool({"export", path("absent.bin"), "--what", "samples", "--csv", path("x.csv")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("absent.bin"));
        r = tool({"export", file, "--what", "samples", "--csv", path("no/folder/x.csv")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("no/folder"));
    }

    // Harmonics 50 and 56 dB below the carrier: THD = 10 log10(1e-5 + 10^-5.6). Bin-centred,
    // so that every line is read at the top of its window lobe.
    void knownHarmonics()
    {
        const double a = 30000, f = 1031 * 1e6 / 65536;
        const QString file = path("thd.bin");
        QStringList args = {"generate", file, "--samples", "65536", "--bits", "16"};
        args << "--tone" << QString("%1:%2").arg(f, 0, 'f', 9).arg(a);
        args << "--tone"
             << QString("%1:%2").arg(2 * f, 0, 'f', 9).arg(a * std::pow(10, -50.0 / 20));
        args << "--tone"
             << QString("%1:%2:90").arg(3 * f, 0, 'f', 9).arg(a * std::pow(10, -56.0 / 20));
        QCOMPARE(tool(args).exitCode, 0);
        const QJsonObject ch = analyseChannel0(file);
        const double expected = 10 * std::log10(1e-5 + std::pow(10, -5.6));
        QVERIFY2(qAbs(ch["thd"].toDouble() - expected) < 0.05,
                 qPrintable(QString::number(ch["thd"].toDouble())));
        // Harmonic levels are given relative to the carrier, in dB above it.
        QVERIFY(qAbs(ch["harmonicLevels"].toArray().at(0).toDouble() - 50) < 0.1);
        QVERIFY(qAbs(ch["harmonicLevels"].toArray().at(1).toDouble() - 56) < 0.1);
        QVERIFY(qAbs(ch["sfdr"].toDouble() - 50) < 0.1);
    }

    // White noise of 10 LSB RMS on 30000 codes: SNR = 10 log10((A^2 / 2) / (10^2 + 1/12)).
    void knownNoise()
    {
        const QString file = path("noise.bin");
        QCOMPARE(tool({"generate", file, "--samples", "65536", "--bits", "16", "--noise", "10",
                       "--tone", QString("%1:30000").arg(ToneHz, 0, 'f', 6)})
                     .exitCode,
                 0);
        const double expected = 10 * std::log10(30000.0 * 30000 / 2 / (100 + 1.0 / 12));
        const QJsonObject ch = analyseChannel0(file);
        QVERIFY2(qAbs(ch["snr"].toDouble() - expected) < 0.3,
                 qPrintable(QString::number(ch["snr"].toDouble())));
        QVERIFY(qAbs(ch["sinad"].toDouble() - expected) < 0.3);
    }

    // A -6.02 dBFS tone in 2 LSB of noise with a spur 80 dB below it: SNR in dBFS is 6.02 dB
    // above SNR, the noise (the spur and the quantisation's 1/12 LSB^2 included) spread over
    // fs/2 gives the density, and the spur is found where it was put.
    void fullScaleFiguresAndWorstSpur()
    {
        const QString file = path("spur.bin");
        const double a = 32767 / 2.0, spurHz = 234567.8, spurCodes = a * 1e-4;
        QCOMPARE(tool({"generate", file, "--samples", "65536", "--bits", "16", "--noise", "2",
                       "--tone", QString("%1:%2").arg(ToneHz, 0, 'f', 6).arg(a), "--tone",
                       QString("%1:%2").arg(spurHz, 0, 'f', 3).arg(spurCodes, 0, 'f', 6)})
                     .exitCode,
                 0);
        const QJsonObject ch = analyseChannel0(file);
        const double noise = 4 + 1.0 / 12 + spurCodes * spurCodes / 2;
        const double density = 10 * std::log10(noise / (32767.0 * 32767 / 2) / 5e5);
        const struct {
            const char *key;
            double expected, tolerance;
        } checks[] = {{"snrDbfs", ch["snr"].toDouble() + 6.02, 0.1},
                      {"sinadDbfs", ch["sinad"].toDouble() + 6.02, 0.1},
                      {"noiseDensityDbfsPerHz", density, 0.3},
                      {"worstSpurDbc", -80, 0.3},
                      {"worstSpurDbfs", -86.02, 0.3},
                      {"worstSpurFrequency", spurHz, 4}};
        for (const auto &c : checks)
            QVERIFY2(qAbs(ch[c.key].toDouble() - c.expected) < c.tolerance,
                     qPrintable(QString("%1 %2, expected %3").arg(c.key).arg(ch[c.key].toDouble()).arg(c.expected)));
    }

    void failuresExitPromptlyWithTheirStatus()
    {
        QVERIFY(QFile(path("empty.bin")).open(QIODevice::WriteOnly));
        QCOMPARE(tool({"generate", path("raw.bin"), "--samples", "100", "--no-postfix"}).exitCode,
                 0);
        QCOMPARE(tool({"generate", path("ok.bin"), "--samples", "100"}).exitCode, 0);
        const ToolRun missing = tool({"analyze", path("none.bin")}, 10000);
        QCOMPARE(missing.exitCode, 2);
        QVERIFY(missing.err.contains("no such record file"));
        QCOMPARE(tool({"analyze", path("empty.bin")}, 10000).exitCode, 2);
        const ToolRun raw = tool({"analyze", path("raw.bin")}, 10000);
        QCOMPARE(raw.exitCode, 2);
        QVERIFY(raw.err.contains("no postfix"));
        QCOMPARE(tool({"analyze", path("ok.bin"), "--fft", "1000"}).exitCode, 1);
        QCOMPARE(tool({"analyze", path("ok.bin"), "--bogus"}).exitCode, 2);
        QCOMPARE(tool({"generate", path("x.bin"), "--bytes", "3"}).exitCode, 1);
        QCOMPARE(tool({"generate", path("x.bin"), "--complex", "--channels", "3"}).exitCode, 1);
        // A record shorter than the transform is analysed at the size it allows.
        const ToolRun shortRecord = tool({"analyze", path("ok.bin"), "--json"});
        QCOMPARE(shortRecord.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(shortRecord.out).object()["fftSize"].toInt(), 64);
    }

    // The viewer needs only a few of the producer's blocks: an offer can be answered late or
    // overwritten by the viewer's own answer to the block before, by the nature of the flag.
    void liveProducerIsFollowed()
    {
        const QString file = path("live.bin");
        QProcess producer;
        producer.start(QCoreApplication::applicationDirPath() + "/orma-tool",
                       {"produce", file, "--samples", "4096", "--blocks", "20", "--period-ms",
                        "100", "--tone", "25000:8000"});
        QVERIFY(producer.waitForStarted());
        QTRY_VERIFY(QFileInfo(file).size() > 0);
        const ToolRun viewer = tool({"analyze", file, "--wait", "--average", "4", "--json"}, 30000);
        QCOMPARE(viewer.exitCode, 0);
        const QJsonObject ch = QJsonDocument::fromJson(viewer.out).object()["channels"]
                                   .toArray().at(0).toObject();
        QVERIFY(qAbs(ch["fundamentalFrequency"].toDouble() - 25000) < 1);
        QVERIFY(producer.waitForFinished(30000));
        QCOMPARE(producer.exitCode(), 0);
        QVERIFY(producer.readAllStandardOutput().contains("20 blocks of 4096 samples"));
    }
};

QTEST_GUILESS_MAIN(ToolPhysicsTest)
#include "test_tool_physics.moc"
