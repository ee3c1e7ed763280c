// orma-tool batch on generated records: the figures of each record and channel against the
// physics of the tones and noise written into them, criteria judged in their directions, a
// damaged record reported in its row while the rest go on, the exit status, and the same table
// whatever the jobs and however the batch is split into shards.
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/sources/ToolRun.h"

#include <cmath>

namespace {

// A CSV table: the header's keys and each row's cells by key (no cell of these holds a comma).
struct Table {
    QStringList keys;
    QList<QMap<QString, QString>> rows;
};

Table tableOf(const QByteArray &csv)
{
    Table t;
    const QList<QByteArray> lines = csv.trimmed().split('\n');
    t.keys = QString::fromUtf8(lines.value(0)).split(',');
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList cells = QString::fromUtf8(lines[i]).split(',');
        QMap<QString, QString> row;
        for (int k = 0; k < t.keys.size(); ++k)
            row[t.keys[k]] = cells.value(k);
        t.rows << row;
    }
    return t;
}

constexpr double Tone = 12345.6, Amplitude = 6000, Delay = 1e-6;

// SNR of a tone over white noise and the quantiser's own 1/12 LSB^2.
double snrOf(double noiseLsb)
{
    return 20 * std::log10(Amplitude / std::sqrt(2.0) / std::sqrt(noiseLsb * noiseLsb + 1.0 / 12));
}

} // namespace

class ToolBatchTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    void generate(const QString &name, const QStringList &extra)
    {
        const ToolRun r = tool(QStringList{"generate", path(name), "--channels", "4", "--samples", "262144",
                                           "--rate", "1e6", "--bits", "14"} + extra);
        QVERIFY2(r.exitCode == 0, r.err.constData());
    }

private slots:
    void initTestCase()
    {
        const QString tone = QString::number(Tone) + ":" + QString::number(Amplitude);
        generate("clean.bin", {"--tone", tone, "--noise", "1", "--channel-delay", QString::number(Delay)});
        generate("noisy.bin", {"--tone", tone, "--noise", "30"});
        generate("twotone.bin", {"--tone", "10000.3:3000", "--tone", "11000.7:3000", "--noise", "1"});
        QFile whole(path("clean.bin")), cut(path("cut.bin"));
        QVERIFY(whole.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(100000)); // samples without their postfix
    }

    // Each record's rows carry its physics; criteria are judged only where given, SNR and
    // THD+N at or above theirs, THD at or below; the damaged record's row names it and why.
    void figuresAndVerdicts()
    {
        const ToolRun r = tool({"batch", path("clean.bin"), path("cut.bin"), path("noisy.bin"),
                                path("twotone.bin"), "--fft", "65536", "--criteria", "snr=60,thd=-80"});
        QCOMPARE(r.exitCode, 2); // an error outranks a missed criterion
        const Table t = tableOf(r.out);
        QCOMPARE(t.rows.size(), 4 + 1 + 4 + 4);
        for (int c = 0; c < 4; ++c) {
            const auto &row = t.rows[c];
            QCOMPARE(row["channel"], QString::number(c));
            QCOMPARE(row["status"], QString("ok"));
            QVERIFY(std::fabs(row["snr_db"].toDouble() - snrOf(1)) < 0.5);
            QVERIFY(std::fabs(row["fit_frequency_hz"].toDouble() - Tone) < 0.01);
            QVERIFY(std::fabs(row["fit_amplitude_codes"].toDouble() - Amplitude) < 1);
            QCOMPARE(row["pass_snr"], QString("1"));
            QCOMPARE(row["pass_sfdr"], QString()); // not asked for
            QCOMPARE(row["imd3_db"], QString());   // one tone
            // Channel c is c x Delay late: the reference leads it by 360 f c Delay.
            if (c == 0)
                QCOMPARE(row["phase_deg"], QString());
            else
                QVERIFY2(std::fabs(std::fabs(row["phase_deg"].toDouble()) - 360 * Tone * c * Delay) < 0.05,
                         qPrintable(row["phase_deg"]));
        }
        const auto &cut = t.rows[4];
        QCOMPARE(cut["index"], QString("2"));
        QCOMPARE(cut["status"], QString("error"));
        QVERIFY2(cut["reason"].contains("cut.bin") && cut["reason"].contains("postfix"),
                 qPrintable(cut["reason"]));
        QCOMPARE(cut["pass"], QString("0"));
        for (int c = 5; c < 9; ++c) {
            QCOMPARE(t.rows[c]["status"], QString("fail"));
            QVERIFY(std::fabs(t.rows[c]["snr_db"].toDouble() - snrOf(30)) < 0.5);
            QCOMPARE(t.rows[c]["pass_snr"], QString("0"));
            QVERIFY(t.rows[c]["reason"].startsWith("snr "));
        }
        for (int c = 9; c < 13; ++c)
            QVERIFY2(!t.rows[c]["imd3_db"].isEmpty(), "two tones give IMD");
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QString>("criteria");
        QTest::addColumn<int>("status");
        QTest::newRow("all pass") << QStringList{"clean.bin", "noisy.bin"} << "snr=40,thd=-60,thdn=40" << 0;
        QTest::newRow("no criteria") << QStringList{"noisy.bin"} << "" << 0;
        QTest::newRow("one misses") << QStringList{"clean.bin", "noisy.bin"} << "snr=60" << 3;
        QTest::newRow("THD at or below") << QStringList{"clean.bin"} << "thd=-200" << 3;
        QTest::newRow("damaged") << QStringList{"clean.bin", "cut.bin"} << "snr=40" << 2;
        QTest::newRow("missing") << QStringList{"nosuch.bin"} << "" << 2;
    }
    void exitStatus()
    {
        QFETCH(QStringList, records);
        QFETCH(QString, criteria);
        QFETCH(int, status);
        QStringList args{"batch", "--fft", "65536"};
        for (const QString &record : records)
            args << path(record);
        if (!criteria.isEmpty())
            args << "--criteria" << criteria;
        QCOMPARE(tool(args).exitCode, status);
    }

    // One table whatever the jobs; the shards' tables, concatenated, are the whole one; a
    // list file names the records; JSON lines hold the same rows.
    void jobsShardsAndFormats()
    {
        QFile list(path("list.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(("# the batch\n" + path("clean.bin") + "\n\n" + path("cut.bin") + "\n" +
                    path("noisy.bin") + "\n" + path("twotone.bin") + "\n").toUtf8());
        list.close();
        const QStringList common{"batch", "--list", path("list.txt"), "--fft", "16384",
                                 "--criteria", "snr=60"};
        const ToolRun one = tool(common + QStringList{"--jobs", "1"});
        QCOMPARE(one.exitCode, 2);
        QCOMPARE(tool(common + QStringList{"--jobs", "3"}).out, one.out);
        QByteArray shards;
        // Records 1 and 4 pass, 2 is damaged, 3 misses.
        const QMap<QString, int> statuses{{"1/3", 0}, {"2/3", 2}, {"3/3", 3}};
        for (const QString &shard : statuses.keys()) {
            const QString out = path("shard" + QString(shard).replace('/', '-') + ".csv");
            QCOMPARE(tool(common + QStringList{"--shard", shard, "--out", out}).exitCode,
                     statuses[shard]);
            QFile f(out);
            QVERIFY(f.open(QIODevice::ReadOnly));
            shards += f.readAll();
        }
        const Table whole = tableOf(one.out), split = tableOf(shards);
        QCOMPARE(split.keys, whole.keys);
        QCOMPARE(split.rows.size(), whole.rows.size());
        for (const auto &row : whole.rows)
            QVERIFY(split.rows.contains(row));

        QCOMPARE(tool(common + QStringList{"--out", path("all.jsonl")}).exitCode, 2);
        QFile jsonl(path("all.jsonl"));
        QVERIFY(jsonl.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = jsonl.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), whole.rows.size());
        for (int i = 0; i < lines.size(); ++i) {
            const QJsonObject o = QJsonDocument::fromJson(lines[i]).object();
            QCOMPARE(o.value("status").toString(), whole.rows[i]["status"]);
            QCOMPARE(o.value("index").toInt(), whole.rows[i]["index"].toInt());
            QCOMPARE(o.value("pass_sfdr").isNull(), true);
        }
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("shard") << QStringList{"x.bin", "--shard", "3/2"} << QByteArray("--shard 3/2");
        QTest::newRow("out") << QStringList{"x.bin", "--out", "r.txt"} << QByteArray("--out r.txt");
        QTest::newRow("criteria") << QStringList{"x.bin", "--criteria", "sinad=3"} << QByteArray("sinad=3");
        QTest::newRow("list") << QStringList{"--list", "nosuch.txt"} << QByteArray("nosuch.txt");
        QTest::newRow("nothing") << QStringList{} << QByteArray("at least one record");
    }
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, err);
        const ToolRun r = tool(QStringList{"batch"} + args);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(err), r.err.constData());
    }
};

QTEST_GUILESS_MAIN(ToolBatchTest)
#include "test_tool_batch.moc"
