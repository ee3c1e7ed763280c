// orma-tool analyze --filter end to end: a record with a tone in the pass band and a louder
// spurious tone in the stop band; filtered, the stop-band tone is down by at least the design's
// attenuation while the pass-band tone keeps its level; --filter-ini reads the dialog's keys;
// parameters that cannot be designed are refused by name instead of giving figures.
#include "tests/sources/ToolRun.h"
#include "sources/settings/IniFile.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

using Run = ToolRun;

// 1 MHz: a 10 kHz tone (pass band of every filter below) and a tone at 123 kHz with half its
// amplitude, so that unfiltered the spur is 6 dB below the fundamental.
constexpr double PassHz = 10013.2, StopHz = 123456.7;

} // namespace

class ToolFilterTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_record;

    QJsonObject channel0(const QStringList &extra)
    {
        const Run r = tool(QStringList{"analyze", m_record, "--fft", "65536", "--json"} + extra);
        if (r.exitCode != 0)
            qWarning("%s", r.err.constData());
        return QJsonDocument::fromJson(r.out).object()["channels"].toArray().at(0).toObject();
    }

private slots:
    void initTestCase()
    {
        m_record = m_dir.filePath("two-tones.bin");
        QCOMPARE(tool({"generate", m_record, "--samples", "262144", "--rate", "1000000", "--bits",
                       "16", "--tone", QString("%1:16000").arg(PassHz), "--tone",
                       QString("%1:8000").arg(StopHz)})
                     .exitCode,
                 0);
    }

    void stopBandToneIsDown_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<double>("attenuationDb");
        QTest::addColumn<double>("rippleDb");
        QTest::newRow("elliptic low-pass") << "type=iir,iir=elliptic,order=6,low=30,ripple=0.5,attenuation=60" << 60.0 << 0.5;
        QTest::newRow("inverse Chebyshev low-pass") << "type=iir,iir=inverse-chebyshev,order=8,low=60,attenuation=50" << 50.0 << 0.1;
        QTest::newRow("Chebyshev band-pass") << "type=iir,iir=chebyshev,function=bandpass,order=4,low=5,up=20,ripple=1" << 60.0 << 1.0;
        // Butterworth of order 8 at 123.5 kHz against 30 kHz (prewarped): 10 log(1 + r^16) dB.
        QTest::newRow("Butterworth low-pass") << "type=iir,iir=butterworth,order=8,low=30"
            << 10 * std::log10(1 + std::pow(std::tan(M_PI * StopHz / 1e6) / std::tan(M_PI * 0.03), 16)) - 1 << 0.01;
        // Kaiser, beta 8: A = 8 / 0.1102 + 8.7 = 81 dB, once past the transition band.
        QTest::newRow("Kaiser FIR low-pass") << "type=fir,fir=kaiser,beta=8,length=401,low=40" << 79.0 << 0.01;
        QTest::newRow("Blackman FIR band-stop") << "type=fir,fir=window,window=blackman,length=301,function=bandstop,low=80,up=170" << 73.0 << 0.01;
    }

    void stopBandToneIsDown()
    {
        QFETCH(QString, filter);
        QFETCH(double, attenuationDb);
        QFETCH(double, rippleDb);
        const QJsonObject plain = channel0({});
        const QJsonObject filtered = channel0({"--filter", filter});
        QVERIFY(!plain.isEmpty() && !filtered.isEmpty());
        QVERIFY(qAbs(plain["sfdr"].toDouble() - 6.02) < 0.2);
        QCOMPARE(filtered["fundamentalFrequency"].toDouble(), plain["fundamentalFrequency"].toDouble());
        // The spur the stop-band tone was is now at least As further down (SFDR is the
        // distance to the strongest spur left, whichever it is).
        const double gain = filtered["sfdr"].toDouble() - plain["sfdr"].toDouble();
        QVERIFY2(gain >= attenuationDb, qPrintable(QString("stop-band tone down %1 dB").arg(gain)));
        const double pass = 20 * std::log10(filtered["fundamentalRms"].toDouble() /
                                            plain["fundamentalRms"].toDouble());
        QVERIFY2(pass <= 0.01 && pass >= -rippleDb - 0.01, qPrintable(QString("pass band %1 dB").arg(pass)));
    }

    void filterIniReadsTheDialogsKeys()
    {
        const QString ini = m_dir.filePath("ORMA.ini");
        writeIniValue(ini, "Filtration", "FilterType", 1);
        writeIniValue(ini, "Filtration", "IirFilter", 3);
        writeIniValue(ini, "Filtration", "IirOrder", 6);
        writeIniValue(ini, "Filtration", "IirLowFreq", 30);
        writeIniValue(ini, "Filtration", "IirPulse", 0.5);
        writeIniValue(ini, "Filtration", "IirDepresion", 60);
        const QJsonObject fromIni = channel0({"--filter-ini", ini});
        const QJsonObject fromOption =
            channel0({"--filter", "type=iir,iir=elliptic,order=6,low=30,ripple=0.5,attenuation=60"});
        QVERIFY(!fromIni.isEmpty());
        // The same filter; the transform plans FFTW measures may differ in the last digits.
        for (const char *figure : {"fundamentalRms", "totalRms", "sfdr", "snr", "sinad"})
            QVERIFY2(qAbs(fromIni[figure].toDouble() - fromOption[figure].toDouble()) <=
                         1e-9 * qAbs(fromOption[figure].toDouble()),
                     figure);
    }

    void refusedFiltersNameTheirField_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("named");
        QTest::newRow("order 0") << QStringList{"--filter", "type=iir,order=0"} << "Filtration/IirOrder = 0";
        QTest::newRow("above Nyquist") << QStringList{"--filter", "type=fir,low=500"} << "Filtration/FirLowFreq = 500";
        QTest::newRow("edges crossed") << QStringList{"--filter", "type=iir,function=bandstop,low=30,up=20"} << "Filtration/IirUpFreq = 20";
        QTest::newRow("elliptic As <= Ap") << QStringList{"--filter", "type=iir,iir=elliptic,ripple=3,attenuation=3"} << "Filtration/IirDepresion = 3";
        QTest::newRow("no ripple") << QStringList{"--filter", "type=iir,iir=chebyshev,ripple=0"} << "Filtration/IirPulse = 0";
        QTest::newRow("unknown field") << QStringList{"--filter", "taps=3"} << "unknown field taps";
        QTest::newRow("bad choice") << QStringList{"--filter", "iir=gauss"} << "iir=gauss";
        QTest::newRow("both sources") << QStringList{"--filter", "type=fir", "--filter-ini", "x.ini"} << "exclude";
    }

    void refusedFiltersNameTheirField()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, named);
        const Run r = tool(QStringList{"analyze", m_record} + args);
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty()); // no figures of an unfiltered record
        QVERIFY2(QString::fromLocal8Bit(r.err).contains(named), r.err.constData());
    }
};

QTEST_GUILESS_MAIN(ToolFilterTest)
#include "test_tool_filter.moc"
