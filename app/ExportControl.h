#pragma once
// The window's exports: a panel's plot as an image, the block on screen as samples or spectra
// in CSV, their entries in the "Файл" menu and the panels' own menu that offers them.
#include "sources/BlockSnapshot.h"

#include <QObject>

#include <functional>

class OrmaOscPanel;
class OrmaPanel;
class OrmaSpectrPanel;
class QAction;
class QMenu;
class QPoint;
class QWidget;

// What an export reads of the window as it runs.
struct ExportView {
    OrmaPanel *activePanel = nullptr; // the panel the user last worked in, null when none
    BlockSnapshotPtr block;           // on screen, null before the first
};

class ExportControl : public QObject {
    Q_OBJECT
public:
    // The entries are the window's children; `settings` opens the panels' settings, the first
    // entry of their menu.
    ExportControl(QWidget *window, OrmaOscPanel &osc, OrmaSpectrPanel &spectr, QAction *settings,
                  std::function<ExportView()> view);

    // Appends the three entries to `menu`, enabled as it shows for what the block on screen has.
    void addToMenu(QMenu *menu);
    // The panel's own menu at globalPos: the settings, the image and the panel's data.
    void showPanelMenu(OrmaPanel *panel, const QPoint &globalPos);

private:
    void refreshActions();
    // The panel the user last worked in, else the one on screen (the oscilloscope first).
    OrmaPanel *exportedPanel() const;
    void saveImage();
    void saveSamples();
    void saveSpectrum();

    QWidget *m_pWindow;
    OrmaOscPanel &m_osc;
    OrmaSpectrPanel &m_spectr;
    QAction *m_pSettingsAction;
    std::function<ExportView()> m_view;
    QAction *m_pSaveImageAction = nullptr;
    QAction *m_pSaveSamplesAction = nullptr;
    QAction *m_pSaveSpectrumAction = nullptr;
};
