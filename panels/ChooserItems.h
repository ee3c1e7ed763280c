#pragma once
// Item lists of the panels' scale choosers, largest scale first, and the numbers behind them.
#include <QStringList>

class Transforms;

// Oscilloscope window widths: 131072 >> index samples, index 0 ... oscWidthCount - 1.
constexpr int oscWidthCount = 15;
int oscWidth(int index);
// In samples widths above 512 read "128K" ... "1K"; in time units each width is converted.
QStringList oscWidthItems(const Transforms &time, bool inSamples);

// "±" ranges of half, half/2, ... 4 ADC codes (half = 2^(bits-1)) in the converter's unit.
QStringList amplitudeItems(const Transforms &amplitude, int bits);

// Frequency spans from m bins down by halves to the first one below 10: "4K", "2K", "1024", ...
QStringList spanItems(unsigned m);
// The number of bins of a span item ("4K" is 4096).
double spanValue(const QString &item);

// How the power spans step down from the full span.
enum class PowerSpanSteps {
    Tenths, // after a power limit changed: volts by tenths (six of them), decibels by 10
    Units   // after the power unit changed: volts by 1, decibels by 10
};
// Power spans from the full span down to the last one above 0, with six significant digits and
// never in exponent form.
QStringList powerSpanItems(double span, int powerCode, PowerSpanSteps steps = PowerSpanSteps::Tenths);
// Tick step of a power axis span: 10, doubled until at most ten divisions remain; smaller
// spans (volts) get the power of ten that still fits once.
double powerStep(double span);
