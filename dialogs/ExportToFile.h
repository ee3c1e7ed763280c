#pragma once
// The save dialog in front of an export: asks for the file, writes it, and tells the user what
// failed. Each returns whether the file was written.
#include "plot/PlotImage.h"
#include "sources/export/TableExport.h"

#include <functional>

class QSize;
class QWidget;
class QwtPlot;
struct BlockSnapshot;

bool exportTableToFile(QWidget *parent, const ExportTable &table, const QString &suggestedName);

// The plot as PNG or SVG, of the size it has on screen, with the axis titles given.
bool exportPlotImage(QWidget *parent, QwtPlot &plot, const AxisTitles &titles, const QString &title,
                     const QString &suggestedName);

// A block's samples numbered first ... first + count - 1, or its spectra, as CSV.
bool exportSamplesCsv(QWidget *parent, const BlockSnapshot &block, uint64_t first, uint64_t count);
bool exportSpectrumCsv(QWidget *parent, const BlockSnapshot &block);
