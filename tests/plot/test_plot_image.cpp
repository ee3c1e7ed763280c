// Plot images: PNG and SVG files of the size asked for that show the curve, and refusals that
// name the file.
#include "plot/PlotImage.h"

#include <QFile>
#include <QImage>
#include <QXmlStreamReader>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include <cmath>

namespace {

// A plot on white holding one thick red sine.
struct RedSine {
    QwtPlot plot;
    QwtPlotCurve *curve = new QwtPlotCurve;
    RedSine()
    {
        QVector<double> x, y;
        for (int i = 0; i < 200; ++i) {
            x << i;
            y << std::sin(i / 10.0);
        }
        curve->setSamples(x, y);
        curve->setPen(QPen(Qt::red, 3));
        curve->attach(&plot);
        plot.setCanvasBackground(Qt::white);
        plot.resize(400, 300);
        plot.replot();
    }
};

int redPixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    return n;
}


// The size an SVG file declares, in CSS pixels (96 per inch), and its view box.
QSizeF declaredSize(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&f);
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("svg"))
            continue;
        const auto pixels = [&](const char *name) {
            QString v = xml.attributes().value(QLatin1String(name)).toString();
            if (v.endsWith(QLatin1String("mm")))
                return v.chopped(2).toDouble() / 25.4 * 96;
            return v.toDouble();
        };
        return QSizeF(pixels("width"), pixels("height"));
    }
    return {};
}

bool sameSize(const QSizeF &a, const QSize &b)
{
    return std::fabs(a.width() - b.width()) < 0.5 && std::fabs(a.height() - b.height()) < 0.5;
}

} // namespace

class PlotImageTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void pngOfTheRequestedSize()
    {
        RedSine s;
        const QString path = m_dir.filePath("plot.png");
        QCOMPARE(writePlotImage(s.plot, path, QSize(640, 360)), QString());
        QImage image;
        QVERIFY(image.load(path, "PNG"));
        QCOMPARE(image.size(), QSize(640, 360));
        QVERIFY(redPixels(image) > 300); // the curve crosses the image
    }

    // Titles go on the image's axes, not onto the plot on screen.
    void titlesOnlyInTheImage()
    {
        RedSine s;
        const QString plain = m_dir.filePath("plain.png"), titled = m_dir.filePath("titled.png");
        QCOMPARE(writePlotImage(s.plot, plain, QSize(400, 300)), QString());
        QCOMPARE(writePlotImage(s.plot, titled, QSize(400, 300), {"Время (мс)", "Амплитуда (В)"}), QString());
        QVERIFY(QImage(plain) != QImage(titled));
        QVERIFY(s.plot.axisTitle(QwtPlot::xBottom).isEmpty());
        QVERIFY(s.plot.axisTitle(QwtPlot::yLeft).isEmpty());
    }

    // The SVG declares the size and draws in a view box of it; Qt's renderer shows the curve.
    void svgOfTheRequestedSize()
    {
        RedSine s;
        const QString path = m_dir.filePath("plot.svg");
        QCOMPARE(writePlotImage(s.plot, path, QSize(800, 500)), QString());
        QSvgRenderer svg(path);
        QVERIFY(svg.isValid());
        QVERIFY2(sameSize(declaredSize(path), QSize(800, 500)), qPrintable(QString("%1 x %2")
                     .arg(declaredSize(path).width()).arg(declaredSize(path).height())));
        QCOMPARE(svg.viewBoxF(), QRectF(0, 0, 800, 500));
        QImage image(800, 500, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        svg.render(&painter);
        painter.end();
        QVERIFY(redPixels(image) > 300);
    }

    void refusalsNameTheFile()
    {
        RedSine s;
        const QString jpeg = m_dir.filePath("plot.jpg");
        QVERIFY(writePlotImage(s.plot, jpeg, QSize(100, 100)).contains("plot.jpg"));
        QVERIFY(!QFile::exists(jpeg));
        QVERIFY(!writePlotImage(s.plot, m_dir.filePath("empty.png"), QSize(0, 100)).isEmpty());
        QVERIFY(!QFile::exists(m_dir.filePath("empty.png")));
        const QString lost = m_dir.filePath("no/such/folder/plot.png");
        QVERIFY(writePlotImage(s.plot, lost, QSize(100, 100)).contains("no/such/folder"));
    }
};

QTEST_MAIN(PlotImageTest)
#include "test_plot_image.moc"
