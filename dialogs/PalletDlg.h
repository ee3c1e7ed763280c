#pragma once
// "Палитра": the channel colours and the colours of the plot backgrounds, the analysed-block
// boundary line, the grids and the full-scale lines, with two built-in palettes. Edits a copy;
// the main window gives the colours to the panels.
#include "sources/settings/PaletteSettings.h"
#include "sources/ui/SettingsDlg.h"

#include <QColor>
#include <QVector>

class QFrame;

class PalletDlg : public SettingsDlg {
    Q_OBJECT
public:
    explicit PalletDlg(QWidget *parent = nullptr);

    void setSettings(const PaletteSettings &settings);
    const PaletteSettings &settings() const { return m_palette; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The colour chooser; an invalid colour means the user cancelled it.
    virtual QColor chooseColor(const QColor &current, const QString &sTitle);

private slots:
    void slotStdPallet();
    void slotPal();

private:
    QWidget *buildChannelGroup();
    QWidget *buildSingleGroup();
    QFrame *newSwatch();
    void paintSwatches();
    // The colour a swatch stands for and the chooser's title, or null for a foreign object.
    QRgb *colorOf(QObject *swatch, QString &sTitle);

    PaletteSettings m_palette;
    QVector<QFrame *> m_swatches;
    QFrame *m_pDisplayFrame = nullptr;
    QFrame *m_pFftFrame = nullptr;
    QFrame *m_pNetFrame = nullptr;
    QFrame *m_pScaleFrame = nullptr;
};
