// orma-tool sinefit on records it generates: a quantised tone with known noise gives the SINAD,
// ENOB and frequency physics predicts, over a window and over the whole record, with the
// spectrum's figures beside them; a record without a tone is withheld with its reason, and a
// wrong channel or option ends with its own message.
#include "tests/sources/ToolRun.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// Not a whole number of periods in any span used: quantisation error spreads as white noise.
constexpr double ToneHz = 12345.678;
constexpr double Rate = 1e6; // the generator's default
constexpr double Amplitude = 2000;

} // namespace

class ToolSineFitTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString generate(const QString &name, const QStringList &extra)
    {
        const QString file = m_dir.filePath(name);
        const ToolRun r = tool(QStringList{"generate", file, "--samples", "200000", "--bits", "12", "--bytes", "2",
                                           "--rate", QString::number(Rate)} + extra);
        return r.exitCode == 0 ? file : QString();
    }

private slots:
    void knownNoise_data()
    {
        QTest::addColumn<double>("sigma");
        QTest::addColumn<QStringList>("span");
        QTest::newRow("quantiser only, window") << 0.0 << QStringList{"--position", "1000", "--length", "100000"};
        QTest::newRow("2 LSB, window") << 2.0 << QStringList{"--length", "65536"};
        QTest::newRow("2 LSB, whole record") << 2.0 << QStringList{"--whole"};
    }

    // SINAD = (A^2/2) / (Q^2/12 + sigma^2), ENOB = log2(2^12 / (sqrt 12 RMS)).
    void knownNoise()
    {
        QFETCH(double, sigma);
        QFETCH(QStringList, span);
        QStringList tone{"--tone", QString("%1:%2").arg(ToneHz, 0, 'f', 6).arg(Amplitude)};
        if (sigma > 0)
            tone << "--noise" << QString::number(sigma);
        const QString file = generate("tone.bin", tone);
        QVERIFY(!file.isEmpty());
        const ToolRun r = tool(QStringList{"sinefit", file, "--json"} + span);
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        QVERIFY2(o["valid"].toBool(), r.out.constData());
        const double meanSquare = 1.0 / 12 + sigma * sigma;
        const double sinad = 10 * std::log10(Amplitude * Amplitude / 2 / meanSquare);
        const double enob = std::log2(4096 / std::sqrt(12 * meanSquare));
        QVERIFY2(std::abs(o["sinad"].toDouble() - sinad) < 0.3, qPrintable(QString::number(o["sinad"].toDouble())));
        QVERIFY(std::abs(o["enob"].toDouble() - enob) < 0.05);
        QVERIFY(std::abs(o["frequency"].toDouble() / ToneHz - 1) < 1e-6);
        QVERIFY(std::abs(o["amplitude"].toDouble() / Amplitude - 1) < 1e-3);
        const QJsonObject fft = o["fft"].toObject();
        QVERIFY(fft["valid"].toBool());
        QVERIFY(fft["size"].toDouble() >= 65536);
        QVERIFY(std::isfinite(fft["sinad"].toDouble()));
        const ToolRun text = tool(QStringList{"sinefit", file} + span);
        QCOMPARE(text.exitCode, 0);
        QVERIFY(text.out.contains("SINAD") && text.out.contains("(FFT: "));
    }

    // Noise alone: nothing to fit, the figures are null with the reason.
    void noToneWithheld()
    {
        const QString file = generate("noise.bin", {"--noise", "20"});
        QVERIFY(!file.isEmpty());
        const ToolRun r = tool({"sinefit", file, "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(o["valid"].toBool(), false);
        QCOMPARE(o["status"].toString(), QString("no-tone"));
        QVERIFY(o["reason"].toString().contains("no tone"));
        QVERIFY(o["sinad"].isNull() && o["enob"].isNull() && o["frequency"].isNull());
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such channel") << QStringList{"--channel", "5"} << 2 << "--channel 5";
        QTest::newRow("whole and length") << QStringList{"--whole", "--length", "100"} << 1 << "--whole";
        QTest::newRow("too short") << QStringList{"--length", "8"} << 1 << "--length";
    }

    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString file = generate("r.bin", {"--tone", "1000:100"});
        QVERIFY(!file.isEmpty());
        const ToolRun r = tool(QStringList{"sinefit", file} + args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(message.toUtf8()), r.err.constData());
    }
};

QTEST_GUILESS_MAIN(ToolSineFitTest)
#include "test_tool_sinefit.moc"
