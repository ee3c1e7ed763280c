#include "sources/settings/PaletteSettings.h"

#include "sources/settings/SettingsFields.h"

namespace {

// Entries 8 to 63, the same in both built-in palettes.
const uint32_t CommonChannels[PaletteSettings::ChannelCount - 8] = {
    0xCC33CC, 0xFF6633, 0xFF99CC, 0x669999, 0xFFCCCC, 0xCCFFFF, 0x9999CC, 0xCC3300,
    0x996600, 0xA0A0A0, 0xCCCC99, 0x9966CC, 0xCC9966, 0x6633CC, 0x99CCCC, 0x99FFCC,
    0x990099, 0x996600, 0x999933, 0xCCCC00, 0xFFFFCC, 0x6699CC, 0xFF3399, 0x9999CC,
    0xCC9933, 0xCC9999, 0x999999, 0x99CC99, 0x99CCCC, 0xFFCCFF, 0x33CCCC, 0xCCFFFF,
    0x660099, 0xCC9900, 0x99CC99, 0x33CC99, 0x9933FF, 0xCC9900, 0x9966CC, 0x3399CC,
    0x999966, 0x3300CC, 0x00CC33, 0xCC9900, 0x996600, 0xCC33FF, 0xCC99CC, 0x0033CC,
    0xCC0033, 0x009999, 0x66CCCC, 0x9933CC, 0x66FFFF, 0xFF00CC, 0x009999, 0xFF33CC};

constexpr int MaxStoredColor = 0xFFFFFF;

QRgb opaque(uint32_t rgb)
{
    return 0xFF000000u | (rgb & 0xFFFFFFu);
}

// A colour stored as red x 65536 + green x 256 + blue, without the alpha of QRgb.
template <typename At> void addColor(SettingsFields<PaletteSettings> &fields, const QString &key, At at)
{
    fields.add(key, at,
               [](const IniFile &ini, const QString &k, QRgb fallback) {
                   return opaque(uint32_t(ini.readInt(k, int(fallback & 0xFFFFFFu), 0, MaxStoredColor)));
               },
               [](QRgb color) { return QVariant(int(color & 0xFFFFFFu)); });
}

using S = PaletteSettings;
const auto kFields = [] {
    SettingsFields<S> f;
    for (int i = 0; i < S::ChannelCount; ++i)
        addColor(f, QStringLiteral("Pallete/ChanColor") + QString::number(i), element(&S::channels, i));
    addColor(f, "Pallete/DysplayColor", &S::display);
    addColor(f, "Pallete/FftColor", &S::fft);
    addColor(f, "Pallete/NetColor", &S::net);
    addColor(f, "Pallete/ScaleColor", &S::scale);
    return f;
}();

} // namespace

PaletteSettings::PaletteSettings() : PaletteSettings(orma()) {}

PaletteSettings PaletteSettings::builtIn(const uint32_t (&first)[8], uint32_t display, uint32_t fft,
                                         uint32_t net, uint32_t scale)
{
    PaletteSettings p{Unfilled()};
    for (int i = 0; i < ChannelCount; ++i)
        p.channels[size_t(i)] = opaque(i < 8 ? first[i] : CommonChannels[i - 8]);
    p.display = opaque(display);
    p.fft = opaque(fft);
    p.net = opaque(net);
    p.scale = opaque(scale);
    return p;
}

PaletteSettings PaletteSettings::standard()
{
    return builtIn({0x000000, 0xFF0000, 0x0000FF, 0x00AA00, 0xFFFF00, 0x00FF00, 0xFFAA00, 0xFF99FF},
                   0xFFFFFF, 0xFFFF00, 0x757575, 0x00FF00);
}

PaletteSettings PaletteSettings::orma()
{
    return builtIn({0xFFFF00, 0xFF0000, 0x0000FF, 0x00AA00, 0xFFAA00, 0x00FF00, 0xFF99FF, 0x999999},
                   0x000000, 0x00AA00, 0x757575, 0xFFFFFF);
}

void PaletteSettings::load(const QString &iniPath) { kFields.load(iniPath, *this); }

void PaletteSettings::save(const QString &iniPath) const { kFields.save(iniPath, *this); }
