#include "sources/measure/imd/ImdReport.h"

#include "sources/measure/ReportText.h"

namespace {

QJsonObject toneJson(const ImdTone &t, const ChannelImd &imd)
{
    QJsonObject o;
    o["bin"] = t.bin;
    o["centroid"] = jsonNumber(t.centroid);
    o["power"] = jsonNumber(t.power);
    o["frequency"] = jsonNumber(imd.frequency(t.centroid));
    return o;
}

QJsonObject productJson(const ImdProduct &p, const ChannelImd &imd)
{
    QJsonObject o;
    o["position"] = jsonNumber(p.position);
    o["power"] = jsonNumber(p.power);
    o["frequency"] = jsonNumber(imd.frequency(p.position));
    return o;
}

} // namespace

QString imdText(const ChannelImd &imd, int channel)
{
    const ImdResult &r = imd.result;
    QString text = formatText("channel %d\n", channel);
    const struct {
        const char *label;
        double position, power;
    } rows[] = {{"tone 1", r.tone1.centroid, r.tone1.power},
                {"tone 2", r.tone2.centroid, r.tone2.power},
                {"f2 - f1", r.difference.position, r.difference.power},
                {"2 f2 - f1", r.upper.position, r.upper.power},
                {"2 f1 - f2", r.lower.position, r.lower.power}};
    for (const auto &row : rows)
        text += formatText("  %-10s bin %s, %s Hz, power %s V^2\n", row.label,
                           qUtf8Printable(formatNumber(row.position)),
                           qUtf8Printable(formatNumber(imd.frequency(row.position))),
                           qUtf8Printable(QString::number(row.power, 'g', 6)));
    text += formatText("  %-10s %s dB\n", "IMD2", qUtf8Printable(formatNumber(r.imd2, 2)));
    text += formatText("  %-10s %s dB\n", "IMD3", qUtf8Printable(formatNumber(r.imd3, 2)));
    return text;
}

QJsonObject imdJson(const ChannelImd &imd, int channel, const QString &file)
{
    const ImdResult &r = imd.result;
    QJsonObject o;
    o["file"] = file;
    o["channel"] = channel;
    o["tone1"] = toneJson(r.tone1, imd);
    o["tone2"] = toneJson(r.tone2, imd);
    o["difference"] = productJson(r.difference, imd);
    o["upper"] = productJson(r.upper, imd);
    o["lower"] = productJson(r.lower, imd);
    o["imd2"] = jsonNumber(r.imd2);
    o["imd3"] = jsonNumber(r.imd3);
    return o;
}
