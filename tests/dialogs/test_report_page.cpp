// orma-tool report's pages: self-contained (nothing fetched), the figures coloured by the
// criteria, every plot inline, the batch's index linking each page; and one page rendered by
// headless Chromium, which must draw the table's pass and fail colours, not an error page.
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/sources/ToolRun.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class ReportPageTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        for (const char *name : {"a.bin", "b.bin"})
            QCOMPARE(tool({"generate", path(name), "--channels", "2", "--samples", "131072", "--bits", "14",
                           "--tone", "12345.6:6000", "--noise", "1"}).exitCode, 0);
        // SNR ~72 dB passes 60, THD (about -100 dB) misses -120: both colours on every page.
        const ToolRun r = tool({"report", path("a.bin"), path("b.bin"), "--fft", "16384", "--criteria",
                                "snr=60,thd=-120", "--out", path("out")});
        QVERIFY2(r.exitCode == 3, r.err.constData());
    }

    void pagesAreSelfContained()
    {
        const QByteArray page = readAll(path("out/a.html"));
        QVERIFY(page.startsWith("<!DOCTYPE html>"));
        QCOMPARE(page.count("<svg"), 6); // spectrum, oscillogram, histogram, DNL, INL, residual
        QVERIFY(!page.contains("<img") && !page.contains("<link") && !page.contains("src="));
        QVERIFY(!page.contains("href=\"http"));
        QVERIFY(page.contains("class=\"pass\">72.") && page.contains("class=\"fail\">-"));
        const QByteArray index = readAll(path("out/index.html"));
        QVERIFY(index.contains("<a href=\"a.html\">a.bin</a>") && index.contains("<a href=\"b.html\">b.bin</a>"));
        QCOMPARE(index.count("<tr>"), 1 + 2 * 2); // the header, and a row per record and channel
    }

    void rendersInChromium()
    {
        const QString chromium = QStandardPaths::findExecutable("chromium");
        if (chromium.isEmpty())
            QSKIP("Debian's chromium is not installed (scripts/install-deps installs it)");
        const QString png = path("a.png");
        QProcess p;
        p.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                           "--window-size=1000,1400", "--screenshot=" + png,
                           "file://" + path("out/a.html")});
        QVERIFY(p.waitForFinished(120000));
        const QImage image(png);
        QCOMPARE(image.size(), QSize(1000, 1400));
        // The table's verdict colours, which only our page's style draws.
        int pass = 0, fail = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2) {
                const QRgb c = image.pixel(x, y) & 0xFFFFFF;
                pass += c == 0xD6F5D6;
                fail += c == 0xF8C8C8;
            }
        QVERIFY2(pass > 100 && fail > 100, qPrintable(QString("pass %1, fail %2").arg(pass).arg(fail)));
    }
};

QTEST_MAIN(ReportPageTest)
#include "test_report_page.moc"
