#pragma once
// "Палитра": the 64 channel colours and the colours of the plot backgrounds, the analysed-block
// boundary line, the grids and the full-scale lines, stored under "Pallete/" as
// red x 65536 + green x 256 + blue. qrgb.h is header-only: the core still links QtCore alone.
#include <QString>
#include <QtGui/qrgb.h>

#include <array>
#include <cstdlib>
#include <tuple>

struct PaletteSettings {
    static constexpr int ChannelCount = 64;

    std::array<QRgb, ChannelCount> channels{};
    QRgb display = 0; // plot backgrounds
    QRgb fft = 0;     // boundary line of the analysed block
    QRgb net = 0;     // grids
    QRgb scale = 0;   // full-scale boundary lines

    // "Палитра ORMA 5.11", the defaults of a fresh configuration.
    PaletteSettings();

    // "Стандартная палитра": dark traces on white.
    static PaletteSettings standard();
    // "Палитра ORMA 5.11": bright traces on black.
    static PaletteSettings orma();

    // Channels beyond the palette repeat it.
    QRgb channelColor(int channel) const { return channels[size_t(std::abs(channel) % ChannelCount)]; }

    // A missing or unreadable colour gives the default, numbers outside 0..0xFFFFFF are clamped.
    void load(const QString &iniPath);
    void save(const QString &iniPath) const;

private:
    struct Unfilled {};
    explicit PaletteSettings(Unfilled) {}
    static PaletteSettings builtIn(const uint32_t (&first)[8], uint32_t display, uint32_t fft,
                                   uint32_t net, uint32_t scale);
    auto fields() const { return std::tie(channels, display, fft, net, scale); }

public:
    bool operator==(const PaletteSettings &other) const { return fields() == other.fields(); }
    bool operator!=(const PaletteSettings &other) const { return !(*this == other); }
};
