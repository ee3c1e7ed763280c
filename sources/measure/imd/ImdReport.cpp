#include "sources/measure/imd/ImdReport.h"

#include "sources/measure/ReportText.h"

#include <QStringList>

namespace {

QJsonObject toneJson(const ImdTone &t, const ChannelImd &imd)
{
    QJsonObject o;
    o["bin"] = t.bin;
    o["centroid"] = jsonNumber(t.centroid);
    o["power"] = jsonNumber(t.power);
    o["frequency"] = jsonNumber(imd.frequency(t.centroid));
    o["aboveNoise"] = jsonNumber(t.aboveNoise);
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

QString unresolvedReason(const ChannelImd &imd, const ImdVerdict &v, ReasonLanguage language)
{
    const bool english = language == ReasonLanguage::English;
    const uint32_t fft = imd.resolvingFftSize(v);
    if (!fft)
        return english ? QStringLiteral("a product lies within a bin of a tone or of another "
                                        "product; choose tone frequencies whose products lie apart")
                       : QString::fromUtf8("продукт совпадает с тоном, смените частоты тонов");
    return english ? QStringLiteral("the tones and their products lie closer than the window's "
                                    "main lobe of %1 bins at FFT %2; an FFT of %3 points or more "
                                    "separates them")
                         .arg(imd.width)
                         .arg(imd.fftSize)
                         .arg(fft)
                   : QString::fromUtf8("тоны и продукты не разделены, нужен БПФ от %1").arg(fft);
}

} // namespace

QString imdReason(const ChannelImd &imd, const ImdVerdict &v, ReasonLanguage language)
{
    const bool english = language == ReasonLanguage::English;
    switch (v.withheld) {
    case ImdWithheld::None:
        return {};
    case ImdWithheld::NoTone:
        return english ? QStringLiteral("the spectrum holds no signal; feed two tones")
                       : QString::fromUtf8("в спектре нет сигнала");
    case ImdWithheld::NoSecondTone:
        return english ? QStringLiteral("no second tone stands %1 dB above the noise floor (the "
                                        "strongest candidate is %2 dB above it); feed two tones")
                             .arg(ImdToneClearanceDb)
                             .arg(formatNumber(imd.result.tone2.aboveNoise, 1))
                       : QString::fromUtf8("нет второго тона на %1 дБ выше шума")
                             .arg(ImdToneClearanceDb);
    case ImdWithheld::Unresolved:
        return unresolvedReason(imd, v, language);
    }
    return {};
}

QString imdReasons(const ChannelImd &imd, ReasonLanguage language)
{
    const bool english = language == ReasonLanguage::English;
    const QString second = imdReason(imd, imd.result.imd2Verdict, language);
    const QString third = imdReason(imd, imd.result.imd3Verdict, language);
    const QString both = english ? QStringLiteral("IMD2 and IMD3") : QString::fromUtf8("2-й и 3-й порядок");
    const QString imd2 = english ? QStringLiteral("IMD2") : QString::fromUtf8("2-й порядок");
    const QString imd3 = english ? QStringLiteral("IMD3") : QString::fromUtf8("3-й порядок");
    if (second == third)
        return second.isEmpty() ? second : both + QStringLiteral(": ") + second;
    QStringList parts;
    if (!second.isEmpty())
        parts << imd2 + QStringLiteral(": ") + second;
    if (!third.isEmpty())
        parts << imd3 + QStringLiteral(": ") + third;
    return parts.join(QStringLiteral("; "));
}

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
    const struct {
        const char *label;
        double db;
        const ImdVerdict &verdict;
    } figures[] = {{"IMD2", r.imd2, r.imd2Verdict}, {"IMD3", r.imd3, r.imd3Verdict}};
    for (const auto &f : figures)
        text += f.verdict.shown()
                    ? formatText("  %-10s %s dB\n", f.label, qUtf8Printable(formatNumber(f.db, 2)))
                    : formatText("  %-10s withheld: %s\n", f.label,
                                 qUtf8Printable(imdReason(imd, f.verdict, ReasonLanguage::English)));
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
    const QString reason = imdReasons(imd, ReasonLanguage::English);
    o["valid"] = reason.isEmpty();
    if (!reason.isEmpty())
        o["reason"] = reason;
    return o;
}
