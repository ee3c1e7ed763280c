#include "panels/ChooserItems.h"

#include <algorithm>
#include <cmath>

#include "plot/OrmaScaleDraw.h"
#include "plot/Transforms.h"

namespace {
const int kWidestWindow = 131072;
const int kSmallestAmplitude = 4;
}

int oscWidth(int index)
{
    return kWidestWindow >> std::max(0, std::min(index, oscWidthCount - 1));
}

QStringList oscWidthItems(const Transforms &time, bool inSamples)
{
    QStringList items;
    for (int i = 0; i < oscWidthCount; ++i) {
        const int w = oscWidth(i);
        if (inSamples && w > 512)
            items << QString::asprintf("%dK", w / 1024);
        else
            items << trimmedNumber(time.toUnits(w), 3);
    }
    return items;
}

QStringList amplitudeItems(const Transforms &amplitude, int bits)
{
    QStringList items;
    if (bits < 3 || bits > 32)
        return items;
    for (double v = std::ldexp(1.0, bits - 1); v >= kSmallestAmplitude; v /= 2)
        items << QStringLiteral("±") + trimmedNumber(amplitude.toUnits(v), 3);
    return items;
}

QStringList spanItems(unsigned m)
{
    QStringList items;
    for (unsigned v = m; v > 0; v /= 2) {
        items << (v <= 1024 ? QString::number(v) : QStringLiteral("%1K").arg(v / 1024));
        if (v < 10)
            break;
    }
    return items;
}

double spanValue(const QString &item)
{
    QString text = item.trimmed();
    double factor = 1.0;
    if (text.contains(QLatin1Char('K'))) {
        text.remove(QLatin1Char('K'));
        factor = 1024.0;
    }
    return text.toDouble() * factor;
}

namespace {

QString sixDigits(double v)
{
    const int magnitude = v != 0 ? int(std::floor(std::log10(std::fabs(v)))) : 0;
    return trimmedNumber(v, std::max(0, 5 - magnitude));
}

} // namespace

QStringList powerSpanItems(double span, int powerCode, PowerSpanSteps steps)
{
    QStringList items;
    if (!(span > 0))
        return items;
    if (powerCode == DimVolts && steps == PowerSpanSteps::Tenths) {
        double v = span;
        for (int i = 0; i < 6; ++i, v /= 10)
            items << sixDigits(v);
        return items;
    }
    const double step = powerCode == DimVolts ? 1.0 : 10.0;
    for (double v = span; v > 0; v -= step)
        items << sixDigits(v);
    return items;
}

double powerStep(double span)
{
    double step = 10.0;
    while (span > 0 && step > span)
        step /= 10;
    while (span / step > 10)
        step *= 2;
    return step;
}
