// The window's exports: the plot of a panel as an image, the block it shows as CSV, and the
// panels' own menu that offers them.
#include "app/Orma.h"

#include "dialogs/ExportToFile.h"
#include "panels/OrmaOscPanel.h"
#include "panels/OrmaSpectrPanel.h"
#include "panels/OrmaTitle.h"
#include "plot/OrmaPlot.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>
#include <cmath>

// The panel the user last worked in, else the one on screen (the oscilloscope first).
OrmaPanel *Orma::exportedPanel() const
{
    OrmaPanel *active = activePanel();
    if (active && active->isVisible())
        return active;
    return m_pOrmaOscPanel->isVisible() ? static_cast<OrmaPanel *>(m_pOrmaOscPanel)
                                        : static_cast<OrmaPanel *>(m_pOrmaSpectrPanel);
}

void Orma::refreshExportActions()
{
    const BlockSnapshotPtr &b = block();
    m_pSaveSamplesAction->setEnabled(b && b->samples);
    m_pSaveSpectrumAction->setEnabled(b && b->spectra);
}

void Orma::showPanelMenu(OrmaPanel *panel, const QPoint &globalPos)
{
    refreshExportActions();
    QMenu menu(this);
    menu.setObjectName("m_pPanelMenu");
    menu.addAction(m_pActionOscSpectr);
    menu.addSeparator();
    menu.addAction(m_pSaveImageAction);
    menu.addAction(panel == m_pOrmaOscPanel ? m_pSaveSamplesAction : m_pSaveSpectrumAction);
    // The press that opened the menu made this panel the active one, which the image follows.
    menu.exec(globalPos);
}

void Orma::slotSaveImage()
{
    OrmaPanel *panel = exportedPanel();
    const bool osc = panel == m_pOrmaOscPanel;
    const AxisTitles titles{panel->horizontalAxisText(), panel->verticalAxisText()};
    exportPlotImage(this, *panel->plot(), titles,
                    osc ? "Сохранить изображение осциллографа" : "Сохранить изображение спектра",
                    osc ? "oscillogram" : "spectrum");
}

// The samples the oscilloscope shows, of the block it shows them from: a block that arrives
// while the dialog is open does not change what is written.
void Orma::slotSaveSamples()
{
    const BlockSnapshotPtr shown = block();
    if (!shown || !shown->samples) {
        QMessageBox::information(this, "ORMA", "Нет отсчетов для сохранения.");
        return;
    }
    const double start = std::max(0.0, std::ceil(m_pOrmaOscPanel->viewStart()));
    const double end = std::floor(m_pOrmaOscPanel->viewEnd());
    const uint64_t first = uint64_t(start);
    const uint64_t count = end >= start ? uint64_t(end - start) + 1 : 0;
    exportSamplesCsv(this, *shown, first, count);
}

void Orma::slotSaveSpectrum()
{
    const BlockSnapshotPtr shown = block();
    if (!shown || !shown->spectra) {
        QMessageBox::information(this, "ORMA", "Нет спектра для сохранения.");
        return;
    }
    exportSpectrumCsv(this, *shown);
}
