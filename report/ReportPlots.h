#pragma once
// The plots of a record's report, drawn by the window's plot class offscreen and kept as SVG:
// the spectrum with the first channel's harmonics marked, the oscillogram, the code histogram
// with its DNL and INL per code, and the sine fit's residual by code. Needs a QApplication.
#include "sources/BlockSnapshot.h"

#include <QByteArray>
#include <QString>

struct ReportPlot {
    QString title;
    QByteArray svg; // an <svg> element, ready to inline
};

// `analysed`: the block whose spectrum and samples are shown; `whole`: the samples counted
// into the histogram and fitted (the same block, or the whole record).
std::vector<ReportPlot> reportPlots(const BlockSnapshot &analysed, const BlockSnapshotPtr &whole);
