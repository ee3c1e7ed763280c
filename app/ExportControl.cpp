#include "app/ExportControl.h"

#include "dialogs/ExportToFile.h"
#include "panels/OrmaOscPanel.h"
#include "panels/OrmaSpectrPanel.h"
#include "plot/OrmaPlot.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>
#include <cmath>

ExportControl::ExportControl(QWidget *window, OrmaOscPanel &osc, OrmaSpectrPanel &spectr,
                             QAction *settings, std::function<ExportView()> view)
    : m_pWindow(window), m_osc(osc), m_spectr(spectr), m_pSettingsAction(settings),
      m_view(std::move(view))
{
    const struct {
        QAction *ExportControl::*member;
        const char *name;
        const char *text;
        void (ExportControl::*run)();
    } entries[] = {
        {&ExportControl::m_pSaveImageAction, "m_pSaveImageAction", "Сохранить изображение...", &ExportControl::saveImage},
        {&ExportControl::m_pSaveSamplesAction, "m_pSaveSamplesAction", "Сохранить отсчеты (CSV)...", &ExportControl::saveSamples},
        {&ExportControl::m_pSaveSpectrumAction, "m_pSaveSpectrumAction", "Сохранить спектр (CSV)...", &ExportControl::saveSpectrum},
    };
    for (const auto &entry : entries) {
        auto *action = new QAction(QString::fromUtf8(entry.text), window);
        action->setObjectName(entry.name);
        connect(action, &QAction::triggered, this, entry.run);
        this->*entry.member = action;
    }
}

void ExportControl::addToMenu(QMenu *menu)
{
    for (QAction *item : {m_pSaveImageAction, m_pSaveSamplesAction, m_pSaveSpectrumAction})
        menu->addAction(item);
    connect(menu, &QMenu::aboutToShow, this, &ExportControl::refreshActions);
}

OrmaPanel *ExportControl::exportedPanel() const
{
    OrmaPanel *active = m_view().activePanel;
    if (active && active->isVisible())
        return active;
    return m_osc.isVisible() ? static_cast<OrmaPanel *>(&m_osc) : static_cast<OrmaPanel *>(&m_spectr);
}

void ExportControl::refreshActions()
{
    const BlockSnapshotPtr b = m_view().block;
    m_pSaveSamplesAction->setEnabled(b && b->samples);
    m_pSaveSpectrumAction->setEnabled(b && b->spectra);
}

void ExportControl::showPanelMenu(OrmaPanel *panel, const QPoint &globalPos)
{
    refreshActions();
    QMenu menu(m_pWindow);
    menu.setObjectName("m_pPanelMenu");
    menu.addAction(m_pSettingsAction);
    menu.addSeparator();
    menu.addAction(m_pSaveImageAction);
    menu.addAction(panel == &m_osc ? m_pSaveSamplesAction : m_pSaveSpectrumAction);
    // The press that opened the menu made this panel the active one, which the image follows.
    menu.exec(globalPos);
}

void ExportControl::saveImage()
{
    OrmaPanel *panel = exportedPanel();
    const bool osc = panel == &m_osc;
    const AxisTitles titles{panel->horizontalAxisText(), panel->verticalAxisText()};
    exportPlotImage(m_pWindow, *panel->plot(), titles,
                    osc ? "Сохранить изображение осциллографа" : "Сохранить изображение спектра",
                    osc ? "oscillogram" : "spectrum");
}

// The samples the oscilloscope shows, of the block it shows them from: a block that arrives
// while the dialog is open does not change what is written.
void ExportControl::saveSamples()
{
    const BlockSnapshotPtr shown = m_view().block;
    if (!shown || !shown->samples) {
        QMessageBox::information(m_pWindow, "ORMA", "Нет отсчетов для сохранения.");
        return;
    }
    const double start = std::max(0.0, std::ceil(m_osc.viewStart()));
    const double end = std::floor(m_osc.viewEnd());
    const uint64_t first = uint64_t(start);
    const uint64_t count = end >= start ? uint64_t(end - start) + 1 : 0;
    exportSamplesCsv(m_pWindow, *shown, first, count);
}

void ExportControl::saveSpectrum()
{
    const BlockSnapshotPtr shown = m_view().block;
    if (!shown || !shown->spectra) {
        QMessageBox::information(m_pWindow, "ORMA", "Нет спектра для сохранения.");
        return;
    }
    exportSpectrumCsv(m_pWindow, *shown);
}
