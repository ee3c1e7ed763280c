#pragma once
// "Палитра": the 64 channel colours and the colours of the plot backgrounds, the analysed-block
// boundary line, the grids and the full-scale lines, with two built-in palettes. It only stores
// them; the main window gives them to the panels.
#include "sources/ui/SettingsDlg.h"

#include <QColor>
#include <QVector>

class QFrame;

struct Palette {
    static constexpr int ChannelCount = 64;

    QVector<QColor> channels;
    QColor display; // plot backgrounds
    QColor fft;     // boundary line of the analysed block
    QColor net;     // grids
    QColor scale;   // full-scale boundary lines

    // "Стандартная палитра": dark traces on white.
    static Palette standard();
    // "Палитра ORMA 5.11": bright traces on black, the defaults of a fresh configuration.
    static Palette orma();
};

// Colours are stored as red x 65536 + green x 256 + blue.
int packColor(const QColor &color);
QColor unpackColor(int nValue);

class PalletDlg : public SettingsDlg {
    Q_OBJECT
public:
    explicit PalletDlg(QWidget *parent = nullptr);

    void load() override;
    void save() const override;

    const QVector<QColor> &channelColors() const { return m_palette.channels; }
    // Replaces the channel colours (missing entries keep theirs, extra ones are ignored).
    void setChannelColors(const QVector<QColor> &colors);
    QColor displayColor() const { return m_palette.display; }
    QColor fftColor() const { return m_palette.fft; }
    QColor netColor() const { return m_palette.net; }
    QColor scaleColor() const { return m_palette.scale; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The colour chooser; an invalid colour means the user cancelled it.
    virtual QColor chooseColor(const QColor &current, const QString &sTitle);
    void rememberOpenedState() override { m_openedPalette = m_palette; }
    void restoreOpenedState() override { applyPalette(m_openedPalette); }

private slots:
    void slotStdPallet();
    void slotPal();

private:
    QWidget *buildChannelGroup();
    QWidget *buildSingleGroup();
    QFrame *newSwatch();
    void applyPalette(const Palette &palette);
    void paintSwatches();
    // The colour a swatch stands for and the chooser's title, or null for a foreign object.
    QColor *colorOf(QObject *swatch, QString &sTitle);

    Palette m_palette;
    Palette m_openedPalette;
    QVector<QFrame *> m_swatches;
    QFrame *m_pDisplayFrame = nullptr;
    QFrame *m_pFftFrame = nullptr;
    QFrame *m_pNetFrame = nullptr;
    QFrame *m_pScaleFrame = nullptr;
};
