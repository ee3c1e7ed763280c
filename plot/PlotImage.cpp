#include "plot/PlotImage.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

namespace {

// The titles are set for the drawing only: on screen the plot keeps its room for the curves.
void render(QwtPlot &plot, QPaintDevice &device, const QSize &size, const AxisTitles &titles)
{
    const QwtText x = plot.axisTitle(QwtPlot::xBottom), y = plot.axisTitle(QwtPlot::yLeft);
    // In the font of the scale labels, so that a title fits beside a low plot.
    const auto title = [&](QwtPlot::Axis axis, const QString &text) {
        QwtText t(text);
        t.setFont(plot.axisFont(axis));
        plot.setAxisTitle(axis, t);
    };
    title(QwtPlot::xBottom, titles.x);
    title(QwtPlot::yLeft, titles.y);
    {
        QPainter painter(&device);
        QwtPlotRenderer().render(&plot, &painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    plot.setAxisTitle(QwtPlot::xBottom, x);
    plot.setAxisTitle(QwtPlot::yLeft, y);
}

void renderSvg(QwtPlot &plot, QIODevice &out, const QSize &size, const AxisTitles &titles)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&out);
    svg.setSize(size);
    // The file gives its size in millimetres; at the 96 dpi of CSS pixels they are the size
    // asked for in browsers and drawing programs.
    svg.setResolution(96);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QStringLiteral("ORMA"));
    render(plot, svg, size, titles);
}

} // namespace

QByteArray plotSvg(QwtPlot &plot, const QSize &size, const AxisTitles &titles)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    renderSvg(plot, buffer, size, titles);
    return bytes;
}

QString writePlotImage(QwtPlot &plot, const QString &path, const QSize &size,
                       const AxisTitles &titles)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg"))
        return QStringLiteral("%1: an image is written as .png or .svg").arg(path);
    if (size.isEmpty())
        return QStringLiteral("%1: an image of %2 x %3 pixels holds nothing")
            .arg(path).arg(size.width()).arg(size.height());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    if (suffix == QLatin1String("svg")) {
        renderSvg(plot, file, size, titles);
    } else {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(plot.palette().color(QPalette::Window));
        render(plot, image, size, titles);
        if (!image.save(&file, "PNG"))
            return QStringLiteral("cannot write %1: the image could not be encoded").arg(path);
    }
    if (!file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return QString();
}
