#pragma once
// A plot as an image file: PNG or SVG by the file's suffix, drawn afresh at the size asked for
// (axes, curves, grid and marks; not the zoomer's rubber band).
#include <QByteArray>
#include <QString>

class QSize;
class QwtPlot;

// Titles the image puts on the axes (a panel shows its own beside the plot); empty: none.
struct AxisTitles {
    QString x;
    QString y;
};

// Returns an empty string on success, else a message naming the file and what went wrong.
// An existing file is replaced only by a complete image.
QString writePlotImage(QwtPlot &plot, const QString &path, const QSize &size,
                       const AxisTitles &titles = AxisTitles());

// The plot as an SVG document of `size` CSS pixels, to be written or inlined in a page.
QByteArray plotSvg(QwtPlot &plot, const QSize &size, const AxisTitles &titles = AxisTitles());
