#include "sources/measure/vector/VectorReport.h"

#include "sources/measure/ReportText.h"

namespace {

// Read-out k of the three: 0 red, 1 blue, 2 their difference.
const double *side(const VectorReadout &r, int k)
{
    return k == 0 ? r.red : k == 1 ? r.blue : r.delta;
}

const char *const SideNames[] = {"red", "blue", "delta"};

} // namespace

QString vectorText(const IqSlice &z, const VectorFigures &f, const VectorReportOptions &r)
{
    auto n = [](double v) { return formatNumber(v).toUtf8(); };
    QString text = formatText("%s: pair %d, %s Hz, %d bits, full scale %s codes, %zu samples\n",
                              qUtf8Printable(r.files.join(QStringLiteral(", "))), r.pair,
                              n(z.sampleRate).constData(), z.bits, n(f.halfScale).constData(), z.size());
    const double samples[] = {z.x.front(), z.x.back()};
    for (int k = 0; k < 3; ++k) {
        text += formatText("  %-6s", SideNames[k]);
        if (k < 2)
            text += formatText(" sample %.0f ", samples[k]);
        text += formatText(" amplitude %s codes  phase %s deg, %s rad  I %s  Q %s\n",
                           n(side(f.polar, k)[0]).constData(), n(side(f.polar, k)[1]).constData(),
                           n(side(f.radians, k)[1]).constData(), n(side(f.rectangular, k)[0]).constData(),
                           n(side(f.rectangular, k)[1]).constData());
    }
    return text;
}

QJsonObject vectorJson(const IqSlice &z, const VectorFigures &f, const VectorReportOptions &r)
{
    QJsonObject out{{"file", r.files.first()},
                    {"pair", r.pair},
                    {"sampleRate", jsonNumber(z.sampleRate)},
                    {"bits", z.bits},
                    {"halfScale", jsonNumber(f.halfScale)},
                    {"samples", double(z.size())}};
    const double samples[] = {z.x.front(), z.x.back()};
    for (int k = 0; k < 3; ++k) {
        QJsonObject o{{"amplitude", jsonNumber(side(f.polar, k)[0])},
                      {"degrees", jsonNumber(side(f.polar, k)[1])},
                      {"radians", jsonNumber(side(f.radians, k)[1])},
                      {"i", jsonNumber(side(f.rectangular, k)[0])},
                      {"q", jsonNumber(side(f.rectangular, k)[1])}};
        if (k < 2)
            o["sample"] = samples[k];
        out[SideNames[k]] = o;
    }
    return out;
}
