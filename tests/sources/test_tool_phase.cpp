// orma-tool phase, iq and vector on records it generates: channels delayed by known times show
// the phase physics predicts, a complex tone its frequency and its points in the I/Q plane;
// bad input ends with its own message.
#include "tests/sources/ToolRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

constexpr double Rate = 1e6;
// About 98.65 samples a period: crossings fall everywhere between samples.
constexpr double ToneHz = 10137.0;

QString number(double v) { return QString::number(v, 'g', 17); }

// The delay that makes channel 1 lag channel 0 by `degrees`.
QString delayFor(double degrees) { return number(degrees / 360.0 / ToneHz); }

QJsonObject json(const ToolRun &r) { return QJsonDocument::fromJson(r.out).object(); }

} // namespace

class ToolPhaseTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString fourChannels(const QString &name, double degrees, const QStringList &extra = {})
    {
        const QString file = path(name);
        const ToolRun r = tool(QStringList{"generate", file, "--channels", "4", "--samples", "200000",
                                              "--bits", "24", "--bytes", "4", "--tone",
                                              number(ToneHz) + ":8000000", "--channel-delay",
                                              delayFor(degrees)} + extra);
        return r.exitCode == 0 ? file : QString();
    }

private slots:
    void delayedChannels_data()
    {
        QTest::addColumn<double>("degrees");
        QTest::addColumn<QStringList>("extra");
        QTest::newRow("12.5 deg lag") << 12.5 << QStringList();
        QTest::newRow("12.5 deg lead") << -12.5 << QStringList();
        QTest::newRow("quarter period") << 90.0 << QStringList();
        QTest::newRow("DC offset 300") << 12.5 << QStringList{"--tone", "0:300:90"};
    }

    // Channel c lags by c times the step: -12.5, -25, -37.5 degrees (reference minus other),
    // and the same delay in samples and seconds.
    void delayedChannels()
    {
        QFETCH(double, degrees);
        QFETCH(QStringList, extra);
        const QString file = fourChannels("d.bin", degrees, extra);
        QVERIFY(!file.isEmpty());
        for (const QStringList &span : {QStringList{"--length", "65536"}, QStringList{"--whole"}}) {
            const ToolRun r = tool(QStringList{"phase", file, "--channels", "0,1,2,3", "--json"} + span);
            QCOMPARE(r.exitCode, 0);
            const QJsonObject o = json(r);
            QCOMPARE(o["samples"].toDouble(), span.contains("--whole") ? 200000.0 : 65536.0);
            const double period = o["referencePeriod"].toDouble();
            QVERIFY(std::abs(period * ToneHz - 1) < 1e-5);
            const QJsonArray phases = o["phases"].toArray();
            QCOMPARE(phases.size(), 3);
            for (int c = 1; c <= 3; ++c) {
                const QJsonObject p = phases.at(c - 1).toObject();
                // The nearer crossing is paired: a lag of 270 degrees reads as a lead of 90,
                // one of 180 as either.
                const double expected = std::remainder(-degrees * c, 360.0);
                const double measured = p["degrees"].toDouble();
                QCOMPARE(p["channel"].toInt(), c);
                QCOMPARE(p["status"].toString(), QString("ok"));
                QVERIFY(p["failure"].isNull());
                QVERIFY2(std::abs(std::remainder(measured - expected, 360.0)) < 0.01,
                         qPrintable(QString("%1 instead of %2").arg(measured).arg(expected)));
                QVERIFY(std::abs(p["radians"].toDouble() - measured * M_PI / 180) < 1e-12);
                const double seconds = measured / 360 / ToneHz;
                QVERIFY(std::abs(p["seconds"].toDouble() - seconds) < 1e-3 * std::abs(seconds));
                QVERIFY(std::abs(p["samples"].toDouble() - seconds * Rate) < 1e-3 * std::abs(seconds * Rate));
            }
        }
    }

    // A channel the record does not have is reported absent with 1000; a record of four
    // periods cannot give a reference period (900).
    void failures()
    {
        const QString file = fourChannels("f.bin", 12.5);
        ToolRun r = tool({"phase", file, "--channels", "0,9", "--json"});
        QCOMPARE(r.exitCode, 0);
        QJsonObject p = json(r)["phases"].toArray().at(0).toObject();
        QCOMPARE(p["status"].toString(), QString("absent"));
        QCOMPARE(p["failure"].toDouble(), 1000.0);
        QVERIFY(!json(r)["channels"].toArray().at(1).toObject()["present"].toBool());

        r = tool({"phase", file, "--channels", "0,1", "--length", "400", "--json"});
        QCOMPARE(r.exitCode, 0);
        p = json(r)["phases"].toArray().at(0).toObject();
        QCOMPARE(p["status"].toString(), QString("fewReference"));
        QCOMPARE(p["failure"].toDouble(), 900.0);
        QCOMPARE(p["degrees"].toDouble(), 900.0);
    }

    // 14 bits at 10 MS/s, a 1 kHz tone of 8000 codes with 3 LSB of noise, the second channel
    // 10 degrees late: noise at the level must not slip the pairing, and an FFT of 1024 (a
    // tenth of a period) must not give the period, in a window or over the whole record. A
    // window of a little over two periods, wherever it starts, gives the period to 0.1 %.
    void noisyToneOverShortFft()
    {
        const QString file = path("noisy.bin");
        QCOMPARE(tool({"generate", file, "--channels", "2", "--samples", "200000", "--rate", "1e7", "--bits",
                       "14", "--tone", "1000:8000", "--noise", "3", "--channel-delay", number(10.0 / 360 / 1000)})
                     .exitCode,
                 0);
        for (const QStringList &span : {QStringList{"--length", "65536"}, QStringList{"--whole"}}) {
            const ToolRun r = tool(QStringList{"phase", file, "--channels", "0,1", "--fft", "1024", "--json"} + span);
            QCOMPARE(r.exitCode, 0);
            const QJsonObject o = json(r), p = o["phases"].toArray().at(0).toObject();
            QCOMPARE(p["status"].toString(), QString("ok"));
            QVERIFY2(std::abs(p["degrees"].toDouble() + 10) < 0.05, qPrintable(QString::number(p["degrees"].toDouble())));
            for (const QJsonValue &c : o["channels"].toArray())
                QVERIFY(std::abs(c.toObject()["period"].toDouble() * 1000 - 1) < 1e-3);
        }
        for (const char *position : {"0", "3333", "7777"}) {
            const ToolRun r = tool({"phase", file, "--channels", "0,1", "--fft", "1024", "--length", "21000",
                                    "--position", position, "--json"});
            for (const QJsonValue &c : json(r)["channels"].toArray())
                QVERIFY2(std::abs(c.toObject()["period"].toDouble() * 1000 - 1) < 1e-3, position);
        }
    }

    // A record whose sample rate is 0 keeps its phase in degrees, radians and samples, and
    // withholds seconds and periods in time with the reason.
    void sampleRateZero()
    {
        const QString made = path("rate1.bin"), file = path("rate0.bin");
        QCOMPARE(tool({"generate", made, "--channels", "2", "--samples", "20000", "--rate", "1", "--tone",
                       "0.01:8000", "--channel-delay", "2.5"})
                     .exitCode,
                 0);
        QFile in(made), out(file);
        QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
        out.write(in.readAll().replace("SAMPLING_RATE_ 1", "SAMPLING_RATE_ 0"));
        out.close();
        const ToolRun r = tool({"phase", file, "--channels", "0,1", "--whole", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = json(r), p = o["phases"].toArray().at(0).toObject();
        QVERIFY(std::abs(p["degrees"].toDouble() + 9) < 0.01); // 2.5 s of a 100 s period
        QVERIFY(std::abs(p["radians"].toDouble() + 9 * M_PI / 180) < 1e-3);
        QVERIFY(std::abs(p["samples"].toDouble() + 2.5) < 1e-3);
        QVERIFY(p["seconds"].isNull());
        QVERIFY(!p["valid"].toBool(true));
        QVERIFY(p["reason"].toString().contains("sample rate is 0"));
        const QJsonObject ch = o["channels"].toArray().at(0).toObject();
        QVERIFY(ch["period"].isNull() && ch["frequency"].isNull());
        QVERIFY(ch["reason"].toString().contains("sample rate is 0"));
        QVERIFY(std::abs(ch["periodSamples"].toDouble() - 100) < 1e-3);
        QVERIFY(tool({"phase", file, "--channels", "0,1", "--whole"}).out.contains("withheld: the record's sample rate is 0"));
    }

    void complexTone_data()
    {
        QTest::addColumn<double>("hz");
        QTest::newRow("+0.2 fs") << 0.2 * Rate;
        QTest::newRow("-0.2 fs") << -0.2 * Rate;
    }

    // Envelope at the amplitude to a code, frequency to 1e-6 fs, and the phase travelling
    // 360 f / fs per sample.
    void complexTone()
    {
        QFETCH(double, hz);
        const QString file = path("iq.bin");
        QCOMPARE(tool({"generate", file, "--complex", "--channels", "4", "--samples", "50000", "--tone",
                          number(hz) + ":20000"})
                     .exitCode,
                 0);
        const ToolRun r = tool({"iq", file, "--pair", "1", "--position", "1000", "--length", "4000",
                                   "--series", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = json(r);
        QCOMPARE(o["samples"].toDouble(), 4000.0);
        QCOMPARE(o["first"].toDouble(), 1000.0);
        const QJsonObject env = o["envelope"].toObject(), f = o["frequency"].toObject();
        QVERIFY(std::abs(env["mean"].toDouble() - 20000) < 1);
        QVERIFY(env["max"].toDouble() - env["min"].toDouble() < 1.5);
        QVERIFY2(std::abs(f["mean"].toDouble() - hz) < 1e-6 * Rate, qPrintable(QString::number(f["mean"].toDouble())));
        const double span = o["phase"].toObject()["unwrappedSpan"].toDouble();
        QVERIFY(std::abs(span - 360 * hz / Rate * 3999) < 0.1);
        const QJsonObject series = o["series"].toObject();
        QCOMPARE(series["frequency"].toArray().size(), 4000);
        QCOMPARE(series["sample"].toArray().at(0).toDouble(), 1000.0);
    }

    void vectorMarkers_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<double>("amplitude");
        QTest::addColumn<double>("degrees");
        QTest::addColumn<double>("hz");
        QTest::addColumn<double>("delay"); // of pair 1, s
        QTest::addColumn<int>("pair");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("length");
        QTest::newRow("at the tone's phase") << 16 << 20000.0 << 45.0 << ToneHz << 0.0 << 0 << 0 << 100;
        QTest::newRow("across the negative I axis") << 16 << 20000.0 << 175.0 << 0.02 * Rate << 0.0 << 0 << 0 << 2;
        QTest::newRow("pair 1 lagging 90 deg, 14 bits")
            << 14 << 3000.0 << 30.0 << ToneHz << 0.25 / ToneHz << 1 << 1000 << 4000;
    }

    // The markers sit on the window's first and last samples, A e^(i(phi + 2 pi f n / fs))
    // quantised: amplitude to a code, I and Q to half a code, the phase difference the smaller
    // angle.
    void vectorMarkers()
    {
        QFETCH(int, bits);
        QFETCH(double, amplitude);
        QFETCH(double, degrees);
        QFETCH(double, hz);
        QFETCH(double, delay);
        QFETCH(int, pair);
        QFETCH(int, position);
        QFETCH(int, length);
        const QString file = path("vector.bin");
        QCOMPARE(tool({"generate", file, "--complex", "--channels", "4", "--samples", "10000", "--bits",
                       QString::number(bits), "--tone", number(hz) + ":" + number(amplitude) + ":" + number(degrees),
                       "--channel-delay", number(delay)})
                     .exitCode,
                 0);
        const ToolRun r = tool({"vector", file, "--pair", QString::number(pair), "--position",
                                QString::number(position), "--length", QString::number(length), "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = json(r);
        QCOMPARE(o["halfScale"].toDouble(), std::ldexp(1.0, bits - 1));
        const double tolerance = 1.5 / amplitude * 180 / M_PI; // degrees
        double phases[2];
        for (int k = 0; k < 2; ++k) {
            const QJsonObject m = o[k ? "blue" : "red"].toObject();
            const double n = position + k * (length - 1);
            const double theta = degrees + 360 * hz * (n / Rate - pair * delay);
            QCOMPARE(m["sample"].toDouble(), n);
            QVERIFY(std::abs(m["amplitude"].toDouble() - amplitude) < 1);
            QVERIFY2(std::abs(std::remainder(m["degrees"].toDouble() - theta, 360)) < tolerance,
                     qPrintable(QString::number(m["degrees"].toDouble())));
            QVERIFY(std::abs(m["radians"].toDouble() - m["degrees"].toDouble() * M_PI / 180) < 1e-12);
            QVERIFY(std::abs(m["i"].toDouble() - amplitude * std::cos(theta * M_PI / 180)) <= 0.5 + 1e-6);
            QVERIFY(std::abs(m["q"].toDouble() - amplitude * std::sin(theta * M_PI / 180)) <= 0.5 + 1e-6);
            phases[k] = theta;
        }
        const double expected = std::abs(std::remainder(phases[1] - phases[0], 360));
        QVERIFY(std::abs(o["delta"].toObject()["degrees"].toDouble() - expected) < 2 * tolerance);
    }

    // Exit 1 for a wrong command line, 2 for a record that cannot give the figures, each
    // with a message that names the problem.
    void badInput()
    {
        const QString real = fourChannels("b.bin", 1);
        ToolRun r = tool({"phase", real});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("--channels"));
        QCOMPARE(tool({"phase", real, "--channels", "0"}).exitCode, 1);
        QCOMPARE(tool({"phase", real, "--channels", "0,x"}).exitCode, 1);
        QCOMPARE(tool({"phase", real, "--channels", "0,1", "--whole", "--length", "10"}).exitCode, 1);
        r = tool({"phase", path("none.bin"), "--channels", "0,1"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("no such record file"));
        r = tool({"phase", real, "--channels", "0,1", "--position", "200000"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("beyond"));
        for (const char *command : {"iq", "vector"}) {
            r = tool({command, real});
            QCOMPARE(r.exitCode, 2);
            QVERIFY(r.err.contains("not complex"));
        }
        const QString iq = path("pair.bin");
        QCOMPARE(tool({"generate", iq, "--complex", "--samples", "1000"}).exitCode, 0);
        r = tool({"iq", iq, "--pair", "3"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("pair 3"));
        QCOMPARE(tool({"iq", iq, "--pair", "-1"}).exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(ToolPhaseTest)
#include "test_tool_phase.moc"
