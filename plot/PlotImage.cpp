#include "plot/PlotImage.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

namespace {

void render(QwtPlot &plot, QPaintDevice &device, const QSize &size)
{
    QPainter painter(&device);
    QwtPlotRenderer().render(&plot, &painter, QRectF(QPointF(0, 0), QSizeF(size)));
}

} // namespace

QString writePlotImage(QwtPlot &plot, const QString &path, const QSize &size)
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
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        // The file gives its size in millimetres; at the 96 dpi of CSS pixels they are the
        // size asked for in browsers and drawing programs.
        svg.setResolution(96);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("ORMA"));
        render(plot, svg, size);
    } else {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(plot.palette().color(QPalette::Window));
        render(plot, image, size);
        if (!image.save(&file, "PNG"))
            return QStringLiteral("cannot write %1: the image could not be encoded").arg(path);
    }
    if (!file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return QString();
}
