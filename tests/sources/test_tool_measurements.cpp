// orma-tool histogram, devparams and imd on records it generates: an ideal converter's sine
// histogram follows the arcsine law, a DC offset reads back in codes and millivolts, criteria
// gate the exit status with THD judged the other way round, and injected IM products give
// their level. Every measurement's command in the registry is one orma-tool runs.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "sources/measure/Registry.h"
#include "tests/sources/ToolRun.h"

#include <cmath>

namespace {

QJsonObject jsonOf(const ToolRun &r) { return QJsonDocument::fromJson(r.out).object(); }

// Not bin-centred at 1 MHz, so that a long record visits every phase.
const QString SineTone = QStringLiteral("1031.3:127");

} // namespace

class ToolMeasurementsTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString sine8() const { return path("sine8.bin"); }

private slots:
    // Ids and commands are keys: none twice. Each command a row names is dispatched and
    // documented by orma-tool; a name that is no command is refused with the usage.
    void registryCommandsAreDispatched()
    {
        const ToolRun usage = tool({"--help"});
        QCOMPARE(usage.exitCode, 0);
        QVERIFY2(!usage.out.contains("orma-tool  "), "a command of the tool has no name");
        QSet<QByteArray> ids, commands;
        for (size_t i = 0; i < measure::entryCount(); ++i) {
            const measure::Entry &e = measure::entries()[i];
            QVERIFY2(!ids.contains(e.id), e.id);
            ids.insert(e.id);
            if (!*e.toolCommand)
                continue;
            QVERIFY2(!commands.contains(e.toolCommand), e.toolCommand);
            commands.insert(e.toolCommand);
            const QByteArray line = QByteArray("  orma-tool ") + e.toolCommand + ' ';
            const ToolRun help = tool({e.toolCommand, "--help"});
            QCOMPARE(help.exitCode, 0);
            QVERIFY2(help.out.startsWith("usage:\n" + line), help.out.constData());
            QVERIFY2(usage.out.contains(line), e.toolCommand);
        }
        const ToolRun unknown = tool({"nosuch"});
        QCOMPARE(unknown.exitCode, 2);
        QVERIFY(unknown.err.contains("unknown command nosuch"));
        QVERIFY(unknown.err.contains(usage.out));
    }

    // Help and version go to stdout with status 0; a command line the tool cannot read goes to
    // stderr with the usage and status 2; a missing value is status 1.
    void commandLineAnswers_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out"); // what stdout starts with
        QTest::addColumn<QByteArray>("err"); // what stderr contains
        QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("usage:\n") << QByteArray();
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << QByteArray("orma-tool " ORMA_VERSION "\n") << QByteArray();
        QTest::newRow("command help") << QStringList{"analyze", "--help"} << 0
                                      << QByteArray("usage:\n  orma-tool analyze ") << QByteArray();
        QTest::newRow("no command") << QStringList{} << 2 << QByteArray() << QByteArray("no command given");
        QTest::newRow("unknown option alone") << QStringList{"--bogus"} << 2 << QByteArray()
                                              << QByteArray("unknown option --bogus");
        QTest::newRow("missing value") << QStringList{"analyze", "x.bin", "--fft"} << 1 << QByteArray()
                                       << QByteArray("--fft needs a value");
    }

    void commandLineAnswers()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        const ToolRun r = tool(args);
        QCOMPARE(r.exitCode, status);
        QVERIFY2(r.out.startsWith(out), r.out.constData());
        QVERIFY2(r.err.contains(err), r.err.constData());
        if (status != 0)
            QVERIFY(r.out.isEmpty());
        if (status == 2)
            QVERIFY2(r.err.contains("usage:\n"), r.err.constData());
    }

    // Every command refuses an option it does not take with its own usage, before it writes a
    // record or starts to serve.
    void everyCommandRefusesAnUnknownOption()
    {
        const QByteArray usage = tool({"--help"}).out;
        const QString out = path("refused.bin");
        int commands = 0;
        for (const QByteArray &line : usage.split('\n')) {
            if (!line.startsWith("  orma-tool ") || line.contains("--help"))
                continue;
            const QByteArray name = line.mid(12, line.indexOf(' ', 12) - 12);
            const ToolRun r = tool({name, out, "--bogus"}, 10000);
            QVERIFY2(r.exitCode == 2, name.constData());
            QVERIFY2(r.err.contains("unknown option --bogus\n"), r.err.constData());
            QVERIFY2(r.err.contains("usage:\n  orma-tool " + name + ' '), r.err.constData());
            QVERIFY2(!QFile::exists(out), name.constData());
            ++commands;
        }
        QVERIFY(commands >= 10);
    }

    void initTestCase()
    {
        QCOMPARE(tool({"generate", sine8(), "--samples", "1000000", "--bits", "8", "--bytes", "1",
                       "--rate", "1000000", "--range", "1", "--tone", SineTone})
                     .exitCode,
                 0);
    }

    // The whole record of an ideal 8-bit converter: every sample counted, the sine's codes
    // -127 ... 127, DNL and the mean relative bin error near 0.
    void histogramOfIdealConverter()
    {
        const ToolRun r = tool({"histogram", sine8(), "--all", "--marker", "40", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = jsonOf(r);
        QCOMPARE(o["bitRange"].toInt(), 8);
        QCOMPARE(o["binCount"].toInt(), 257);
        QCOMPARE(o["samples"].toDouble(), 1e6);
        QCOMPARE(o["sum"].toDouble(), 1e6);
        QCOMPARE(o["firstCode"].toInt(), -127);
        QCOMPARE(o["lastCode"].toInt(), 127);
        QVERIFY(std::fabs(o["amplitude"].toDouble() - 127.0) < 0.1);
        QVERIFY2(o["inl"].toDouble() < 0.005, qPrintable(QString::number(o["inl"].toDouble())));
        QVERIFY(std::fabs(o["dnl"].toDouble()) < 0.02);
    }

    // A window of W samples from P, clamped at the end of the record; the per-code arrays sum
    // to the samples counted.
    void histogramWindow()
    {
        ToolRun r = tool({"histogram", sine8(), "--position", "1000", "--width", "5000", "--json",
                          "--bins"});
        QCOMPARE(r.exitCode, 0);
        QJsonObject o = jsonOf(r);
        QCOMPARE(o["samples"].toDouble(), 5000.0);
        double total = 0;
        for (const QJsonValue v : o["counts"].toArray())
            total += v.toDouble();
        QCOMPARE(total, 5000.0);
        QCOMPARE(o["codes"].toArray().first().toInt(), -128);
        r = tool({"histogram", sine8(), "--position", "990000", "--width", "100000", "--json"});
        QCOMPARE(jsonOf(r)["samples"].toDouble(), 10000.0);
    }

    // 20 codes of DC under a 60-code sine, 8 bits over 1 V: 20 * 1000 / 128 mV.
    void histogramOffset()
    {
        const QString file = path("dc.bin");
        QCOMPARE(tool({"generate", file, "--samples", "200000", "--bits", "8", "--bytes", "1",
                       "--range", "1", "--rate", "1000000", "--tone", "0:20:90", "--tone",
                       "1031.3:60"})
                     .exitCode,
                 0);
        const QJsonObject o = jsonOf(tool({"histogram", file, "--all", "--json"}));
        QVERIFY(std::fabs(o["offsetCodes"].toDouble() - 20.0) < 0.05);
        QVERIFY(std::fabs(o["offsetMv"].toDouble() - o["offsetCodes"].toDouble() * 1000 / 128)
                < 1e-9);
        QCOMPARE(o["firstCode"].toInt(), 20 - 60);
    }

    // A constant record has no sine to compare with: null figures, not NaN text or a crash.
    void histogramOfConstant()
    {
        const QString file = path("flat.bin");
        QCOMPARE(tool({"generate", file, "--samples", "1000", "--bits", "8", "--bytes", "1",
                       "--tone", "0:5:90"})
                     .exitCode,
                 0);
        const QJsonObject o = jsonOf(tool({"histogram", file, "--json"}));
        QVERIFY(o["inl"].isNull());
        QVERIFY(o["dnl"].isNull());
        QVERIFY(o["firstCode"].isNull());
        QCOMPARE(o["valid"], QJsonValue(false));
        QVERIFY(o["reason"].toString().contains("below one code"));
        QCOMPARE(o["offsetCodes"].toDouble(), 5.0);
    }

    // What cannot be counted is refused with a message, promptly.
    void histogramRefusals()
    {
        const QString wide = path("b32.bin");
        QCOMPARE(tool({"generate", wide, "--samples", "100", "--bits", "32", "--bytes", "4"})
                     .exitCode,
                 0);
        ToolRun r = tool({"histogram", wide}, 10000);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("bit range of 32 is above 24"));
        r = tool({"histogram", sine8(), "--channel", "7"}, 10000);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("--channel 7"));
        QCOMPARE(tool({"histogram", sine8(), "--all", "--width", "10"}).exitCode, 1);
        QCOMPARE(tool({"histogram", sine8(), "--sum", "3"}).exitCode, 1);
        // A window from past the record's 1e6 samples holds nothing to count.
        for (const char *position : {"1000000", "5000000"}) {
            r = tool({"histogram", sine8(), "--position", position, "--json"});
            QCOMPARE(r.exitCode, 2);
            QVERIFY2(r.err.contains("beyond the record"), r.err.constData());
        }
    }

    // --sum FROM:TO adds the counts of the codes FROM ... TO that --bins lists, in either order.
    void histogramSumOfBins()
    {
        double expected = 0;
        const QJsonObject bins = jsonOf(tool({"histogram", sine8(), "--bins", "--json"}));
        const QJsonArray codes = bins["codes"].toArray(), counts = bins["counts"].toArray();
        for (int i = 0; i < codes.size(); ++i)
            if (codes[i].toInt() >= -10 && codes[i].toInt() <= 25)
                expected += counts[i].toDouble();
        for (const char *range : {"-10:25", "25:-10"})
            QCOMPARE(jsonOf(tool({"histogram", sine8(), "--sum", range, "--json"}))["sum"].toDouble(),
                     expected);
    }

    // --ieee: the code-density test of the ideal 8-bit converter's sine, whose top reaches the
    // highest code (1031.3 periods: the unfinished one weights part of the codes by a few
    // hundredths of an LSB); a short window falls below the samples pi A Z^2 / resolution^2 asks for.
    void histogramCodeDensity()
    {
        const QJsonObject whole = jsonOf(tool({"histogram", sine8(), "--all", "--ieee", "--bins", "--json"}));
        const QJsonObject c = whole["ieee"].toObject();
        QCOMPARE(c["firstCode"].toInt(), -127);
        QCOMPARE(c["lastCode"].toInt(), 127);
        QVERIFY(!c["clippedLow"].toBool() && c["clippedHigh"].toBool());
        for (const char *figure : {"maxDnl", "maxInlEndPoint", "maxInlBestFit"})
            QVERIFY2(std::fabs(c[figure].toDouble()) < 0.1, figure);
        QVERIFY(c["missingCodes"].toArray().isEmpty());
        QVERIFY(!c["tooFewSamples"].toBool());
        const QJsonArray dnl = c["dnl"].toArray();
        QCOMPARE(dnl.size(), 257);
        QVERIFY(dnl[1].isNull() && dnl[128 - 127].isNull() && dnl[128 + 127].isNull() && !dnl[128].isNull());

        const QJsonObject window = jsonOf(tool({"histogram", sine8(), "--width", "20000", "--ieee", "--dnl-resolution",
                                                "0.05", "--confidence", "99", "--json"}))["ieee"].toObject();
        const double z = 2.5758293;
        const double needed = M_PI * window["amplitude"].toDouble() * z * z / (0.05 * 0.05);
        QVERIFY(std::fabs(window["samplesNeeded"].toDouble() / needed - 1) < 1e-3);
        QVERIFY(window["tooFewSamples"].toBool());
        QVERIFY(!jsonOf(tool({"histogram", sine8(), "--json"})).contains("ieee"));
    }

    // The test's text section, and options that make no sense, named.
    void histogramCodeDensityText_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("says");
        QTest::newRow("text") << QStringList{"--all", "--ieee"} << 0 << QByteArray("max |INL| best-fit");
        QTest::newRow("short") << QStringList{"--width", "1000", "--ieee"} << 0 << QByteArray("too few samples");
        QTest::newRow("without --ieee") << QStringList{"--confidence", "90"} << 1 << QByteArray("go with --ieee");
        QTest::newRow("certainty") << QStringList{"--ieee", "--confidence", "100"} << 1 << QByteArray("--confidence must be");
        QTest::newRow("no resolution") << QStringList{"--ieee", "--dnl-resolution", "0"} << 1
                                       << QByteArray("--dnl-resolution must be");
    }
    void histogramCodeDensityText()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, says);
        QStringList all{"histogram", sine8()};
        const ToolRun r = tool(all + args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2((r.out + r.err).contains(says), (r.out + r.err).constData());
    }

    // A 12-bit quantised sine: SNR about 74 dB, THD far below 0. Criteria on either side of the
    // figures decide the exit status; THD passes below its criterion.
    void devparamsGate()
    {
        const QString file = path("q12.bin");
        QCOMPARE(tool({"generate", file, "--samples", "65536", "--bits", "12", "--bytes", "2",
                       "--rate", "1000000", "--tone", "15736.08:2047"})
                     .exitCode,
                 0);
        const QStringList base = {"devparams", file, "--fft", "65536", "--json"};
        ToolRun r = tool(base + QStringList{"--criteria", "snr=70,thd=-80,enob=11.5"});
        QCOMPARE(r.exitCode, 0);
        QJsonObject o = jsonOf(r);
        QVERIFY(o["allPassed"].toBool());
        const QJsonObject ch = o["channels"].toArray().at(0).toObject();
        QVERIFY(std::fabs(ch["snr"].toDouble() - (6.02 * 12 + 1.76)) < 0.5);

        // THD far below 0: a criterion of -200 (nothing passes lower) fails it.
        r = tool(base + QStringList{"--criteria", "thd=-200"});
        QCOMPARE(r.exitCode, 3);
        o = jsonOf(r);
        QVERIFY(!o["allPassed"].toBool());
        const QJsonObject pass = o["channels"].toArray().at(0).toObject()["pass"].toObject();
        QVERIFY(!pass["thd"].toBool());
        QVERIFY(pass["snr"].toBool());

        r = tool(base + QStringList{"--criteria", "snr=80"});
        QCOMPARE(r.exitCode, 3);
        r = tool(base + QStringList{"--criteria", "sinad=3"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("sinad=3"));
        r = tool(base + QStringList{"--criteria", "snr=fast"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("\"fast\""));
    }

    // Two tones of 10000 codes with products of 100 codes: IMD3 = 20 log10(100/10000) = -40 dB;
    // a difference tone of 30 codes: IMD2 = 10 log10(2 * 30^2 / (2 * 10000^2)).
    void imdOfInjectedProducts()
    {
        const QString file = path("imd.bin");
        QCOMPARE(tool({"generate", file, "--samples", "65536", "--bits", "16", "--rate",
                       "1000000", "--tone", "100037:10000", "--tone", "120081:10000:30",
                       "--tone", "140125:100:60", "--tone", "79993:100:10", "--tone",
                       "20044:30:45"})
                     .exitCode,
                 0);
        const ToolRun r = tool({"imd", file, "--fft", "65536", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = jsonOf(r);
        QVERIFY(std::fabs(o["imd3"].toDouble() + 40.0) < 0.01);
        QVERIFY(std::fabs(o["imd2"].toDouble() - 20 * std::log10(30.0 / 10000)) < 0.05);
        QVERIFY(std::fabs(o["difference"].toObject()["frequency"].toDouble() - 20044) < 2);
        const double f1 = o["tone1"].toObject()["frequency"].toDouble();
        QVERIFY(std::fabs(f1 - 100037) < 2 || std::fabs(f1 - 120081) < 2);
    }

    // Tones of 3000 codes at 1 MHz, and products of 1% of two 10000-code tones: IMD3 is -40 dB
    // where the products can be read apart from the tones, and withheld (null, with the reason)
    // where they cannot.
    void imdWithheldOrRight_data()
    {
        QTest::addColumn<QStringList>("tones");
        QTest::addColumn<QString>("fft");
        QTest::addColumn<double>("imd3"); // NaN: withheld
        QTest::addColumn<QString>("reason");
        const QStringList close{"100000:3000", "110000:3000"};
        QTest::newRow("tones closer than FFT 1024 resolves")
            << close << "1024" << double(NAN) << "an FFT of 2048 points or more separates them";
        QTest::newRow("one tone in noise") << QStringList{"100000:3000"} << "1024" << double(NAN)
                                           << "no second tone stands 20 dB above the noise floor";
        // 2 f2 - f1 = 520125 Hz is sampled at 479875 Hz.
        QTest::newRow("product beyond the folding frequency")
            << QStringList{"400037:10000", "460081:10000:30", "339993:100:60", "479875:100:10"}
            << "65536" << -40.0 << "";
    }
    void imdWithheldOrRight()
    {
        QFETCH(QStringList, tones);
        QFETCH(QString, fft);
        QFETCH(double, imd3);
        QFETCH(QString, reason);
        const QString file = path("imd-" + QString(QTest::currentDataTag()) + ".bin");
        QStringList generate{"generate", file, "--samples", "65536", "--bits", "16", "--rate",
                             "1000000", "--noise", "3"};
        for (const QString &tone : tones)
            generate << "--tone" << tone;
        QCOMPARE(tool(generate).exitCode, 0);
        const ToolRun r = tool({"imd", file, "--fft", fft, "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = jsonOf(r);
        QCOMPARE(o["valid"].toBool(), !std::isnan(imd3));
        QVERIFY2(o["reason"].toString().contains(reason), r.out.constData());
        if (std::isnan(imd3))
            QVERIFY2(o["imd3"].isNull(), r.out.constData());
        else
            QVERIFY2(std::fabs(o["imd3"].toDouble() - imd3) < 0.05, r.out.constData());
    }

    // A position past the record's last sample is refused, not read as the record's end.
    void imdRefusesPositionPastRecord()
    {
        const ToolRun r = tool({"imd", sine8(), "--position", "1000000"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("beyond the record"), r.err.constData());
    }
};

QTEST_GUILESS_MAIN(ToolMeasurementsTest)
#include "test_tool_measurements.moc"
