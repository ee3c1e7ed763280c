#include "report/ReportPlots.h"

#include "plot/OrmaPlot.h"
#include "plot/OrmaPlotGrid.h"
#include "plot/PlotImage.h"
#include "sources/SampleSpan.h"
#include "sources/measure/histogram/HistogramJob.h"
#include "sources/measure/sinefit/SineFitJob.h"
#include "sources/settings/PaletteSettings.h"

#include <qwt_plot_marker.h>
#include <qwt_symbol.h>

#include <cmath>
#include <memory>

namespace {

const QSize PlotSize(900, 320);
// Curves drawn per plot: a denser curve only makes the page heavier, not the plot sharper.
constexpr size_t MaxPoints = 4000;

struct Series {
    std::vector<double> x, y;
};

// Every `step`-th point would hide narrow lines: each stretch of `step` points keeps its lowest
// and its highest, in their order, as the window's curves draw a dense stretch.
Series thinned(const double *x, const double *y, size_t n)
{
    Series s;
    const size_t step = std::max<size_t>(1, (n + MaxPoints / 2 - 1) / (MaxPoints / 2));
    auto keep = [&](size_t i) {
        s.x.push_back(x[i]);
        s.y.push_back(y[i]);
    };
    for (size_t i = 0; i < n; i += step) {
        size_t lo = n, hi = n;
        for (size_t j = i; j < std::min(n, i + step); ++j) {
            if (!std::isfinite(y[j]))
                continue;
            if (lo == n || y[j] < y[lo])
                lo = j;
            if (hi == n || y[j] > y[hi])
                hi = j;
        }
        if (lo == n)
            continue;
        keep(std::min(lo, hi));
        if (lo != hi)
            keep(std::max(lo, hi));
    }
    return s;
}

// A plot in the window's standard palette (dark traces on white), one curve per channel.
class PlotPage {
public:
    PlotPage()
    {
        m_plot.setCanvasBackground(QColor(m_palette.display));
        auto *grid = new OrmaPlotGrid();
        grid->setPen(QPen(QColor(m_palette.net), 0, Qt::DotLine));
        grid->attach(&m_plot);
        m_plot.positionLine()->setVisible(false); // the window's block position means nothing here
    }
    void add(int channel, Series s)
    {
        auto held = std::make_shared<Series>(std::move(s));
        m_plot.setCurveSamples(channel, QColor(m_palette.channelColor(channel)), held->x.data(),
                               held->y.data(), int(held->x.size()), held);
        for (size_t i = 0; i < held->x.size(); ++i) {
            grow(m_x, held->x[i]);
            grow(m_y, held->y[i]);
        }
    }
    OrmaPlot &plot() { return m_plot; }
    ReportPlot render(const QString &title, const AxisTitles &axes)
    {
        if (m_x[0] < m_x[1])
            m_plot.setAxisScale(QwtPlot::xBottom, m_x[0], m_x[1]);
        if (m_y[0] < m_y[1]) {
            const double margin = 0.05 * (m_y[1] - m_y[0]);
            m_plot.setAxisScale(QwtPlot::yLeft, m_y[0] - margin, m_y[1] + margin);
        }
        m_plot.resize(PlotSize);
        m_plot.replot();
        QByteArray svg = plotSvg(m_plot, PlotSize, axes);
        svg.remove(0, std::max(0, svg.indexOf("<svg")));
        return {title, svg};
    }

private:
    static void grow(double (&range)[2], double v)
    {
        if (!std::isfinite(v))
            return;
        range[0] = std::min(range[0], v);
        range[1] = std::max(range[1], v);
    }
    PaletteSettings m_palette = PaletteSettings::standard();
    OrmaPlot m_plot;
    double m_x[2] = {INFINITY, -INFINITY}, m_y[2] = {INFINITY, -INFINITY};
};

ReportPlot spectrumPlot(const BlockSnapshot &block)
{
    PlotPage page;
    const double rate = block.sampleRate();
    const int m = block.binCount;
    const double hzPerBin = block.fftSize && rate > 0 ? rate / block.fftSize : 1.0;
    const double fullScale = std::pow(fullScaleSineRms(block.firstFile().voltageRangeMv), 2);
    for (int k = 0; k < block.channels.totalCount(); ++k) {
        const double *power = block.channelSpectrum(k);
        if (!power || m <= 0 || fullScale <= 0)
            continue;
        std::vector<double> x(static_cast<size_t>(m)), y(static_cast<size_t>(m));
        for (int i = 0; i < m; ++i) {
            x[size_t(i)] = (block.spectrumComplex && block.spectrum.spectrumRange == 1 ? i - m / 2 : i) * hzPerBin;
            y[size_t(i)] = 10 * std::log10(std::max(power[i] / fullScale, 1e-30));
        }
        page.add(block.channels.numbers().value(k), thinned(x.data(), y.data(), size_t(m)));
    }
    // The first channel's harmonics, numbered as the spectrum panel numbers them.
    if (const ChannelRecord *r = block.channelRecord(0)) {
        const double fundamental = 20 * std::log10(std::max(r->fundamentalRms, 1e-30) /
                                                   std::sqrt(fullScale));
        for (int h = 0; h < std::min(block.spectrum.harmonicCount, MaxHarmonics); ++h) {
            if (!(r->harmonicBins[h] > 0) || !std::isfinite(r->harmonicLevels[h]))
                continue;
            auto *mark = new QwtPlotMarker();
            mark->setValue(r->harmonicBins[h] * hzPerBin, fundamental - r->harmonicLevels[h]);
            mark->setSymbol(new QwtSymbol(QwtSymbol::Triangle, QBrush(Qt::red), QPen(Qt::red), QSize(8, 8)));
            mark->setLabel(QwtText(QString::number(h + 2)));
            mark->setLabelAlignment(Qt::AlignTop);
            mark->attach(&page.plot());
        }
    }
    return page.render(QStringLiteral("Спектр (гармоники первого канала отмечены номерами)"),
                       {QStringLiteral("Гц"), QStringLiteral("дБFS")});
}

ReportPlot oscillogram(const BlockSnapshot &block)
{
    PlotPage page;
    // About five periods of the first channel's tone, never fewer than 256 samples.
    const ChannelRecord *r = block.channelRecord(0);
    const double rate = block.sampleRate();
    uint64_t count = 1024;
    if (r && r->fundamentalFrequency > 0 && rate > 0)
        count = uint64_t(std::clamp(5 * rate / r->fundamentalFrequency, 256.0, double(MaxPoints)));
    const SampleSpan span = spanFromSample(block, block.window.windowStart, count);
    for (int k = 0; k < block.channels.totalCount(); ++k) {
        const double *y = channelAt(block, k, span);
        if (!y)
            continue;
        std::vector<double> x(span.count);
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = double(block.window.windowStart + span.offset + i);
        page.add(block.channels.numbers().value(k), thinned(x.data(), y, x.size()));
    }
    return page.render(QStringLiteral("Осциллограмма"), {QStringLiteral("отсчёт"), QStringLiteral("код")});
}

// The histogram, and the code-density test's DNL and INL (end-point) per code.
std::vector<ReportPlot> histogramPlots(const BlockSnapshot &block)
{
    PlotPage counts, dnl, inl;
    for (int k = 0; k < block.channels.totalCount(); ++k) {
        CodeHistogram h;
        if (histogramOf(block, k, histogramSpanOf(block, true, 0), h) != HistogramReason::None)
            continue;
        const int number = block.channels.numbers().value(k);
        const CodeDensity d = analyseCodeDensity(h);
        std::vector<double> codes(size_t(h.binCount())), n(codes.size());
        for (int i = 0; i < h.binCount(); ++i) {
            codes[size_t(i)] = h.codeOfBin(i);
            n[size_t(i)] = double(h.counts[size_t(i)]);
        }
        // Only the codes the record visits: a converter's unused range would squeeze them.
        const size_t first = size_t(std::max(d.firstCode + h.half(), 0));
        const size_t last = size_t(std::min(d.lastCode + h.half(), h.binCount() - 1));
        if (!d.defined() || last <= first)
            continue;
        const size_t length = last - first + 1;
        counts.add(number, thinned(codes.data() + first, n.data() + first, length));
        dnl.add(number, thinned(codes.data() + first, d.dnl.data() + first, length));
        inl.add(number, thinned(codes.data() + first, d.inlEndPoint.data() + first, length));
    }
    return {counts.render(QStringLiteral("Гистограмма кодов"), {QStringLiteral("код"), QStringLiteral("отсчётов")}),
            dnl.render(QStringLiteral("DNL по кодам"), {QStringLiteral("код"), QStringLiteral("LSB")}),
            inl.render(QStringLiteral("INL по кодам (по конечным точкам)"),
                       {QStringLiteral("код"), QStringLiteral("LSB")})};
}

ReportPlot residualPlot(const BlockSnapshotPtr &block)
{
    PlotPage page;
    for (int number : block->channels.numbers()) {
        const SineFitJob job = makeSineFitJob(block, number, wholeBuffer(*block));
        const SineFit fit = measureSineFit(job);
        if (!fit.ok())
            continue;
        const SineFitCurves c = sineFitCurves(job, fit, SineFitView::ByCode);
        page.add(number, thinned(c.x.data(), c.y.data(), c.x.size()));
    }
    return page.render(QStringLiteral("Остаток синусной аппроксимации по кодам"),
                       {QStringLiteral("код"), QStringLiteral("код")});
}

} // namespace

std::vector<ReportPlot> reportPlots(const BlockSnapshot &analysed, const BlockSnapshotPtr &whole)
{
    std::vector<ReportPlot> plots{spectrumPlot(analysed), oscillogram(analysed)};
    for (ReportPlot &p : histogramPlots(*whole))
        plots.push_back(std::move(p));
    plots.push_back(residualPlot(whole));
    return plots;
}
