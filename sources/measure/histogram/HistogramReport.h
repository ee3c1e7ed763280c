#pragma once
// The code distribution's report: the figures of one channel's histogram as text and as JSON.
#include "dsp/AdcDistribution.h"
#include "dsp/CodeDensity.h"

#include <QJsonObject>
#include <QString>

struct HistogramFigures {
    const CodeHistogram &histogram;
    const CodeDistribution &distribution;
    double rangeMv;
    int channel;
    double dnl;
    double sum;
    QString reason; // why the INL and DNL are withheld (null), in English; empty when shown
    const CodeDensity *codeDensity = nullptr; // the code-density test's figures, when asked for
};

// What shapes the report besides the figures.
struct HistogramReportOptions {
    QString file;
    bool wholeRecord = false;
    int marker = 0; // the code the DNL is taken at
    bool bins = false; // every bin's count and ideal count, and its DNL and INL with the test
    CodeDensityOptions codeDensity; // what the code-density test was asked for
};

QString histogramText(const HistogramFigures &f, const HistogramReportOptions &o);
QJsonObject histogramJson(const HistogramFigures &f, const HistogramReportOptions &o);
