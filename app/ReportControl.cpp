#include "app/ReportControl.h"

#include "report/RecordReport.h"
#include "sources/settings/MeasurementSettings.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>

ReportControl::ReportControl(QWidget *window, std::function<ReportView()> view)
    : QObject(window), m_pWindow(window), m_view(std::move(view))
{
}

void ReportControl::addToMenu(QMenu *menu)
{
    m_pAction = menu->addAction(QStringLiteral("Отчёт..."), this, &ReportControl::writeReport);
    m_pAction->setObjectName(QStringLiteral("m_pReportAction"));
    connect(menu, &QMenu::aboutToShow, this, [this] {
        const ReportView v = m_view();
        m_pAction->setEnabled(v.block && !v.recordFile.isEmpty());
    });
}

void ReportControl::writeReport()
{
    const ReportView v = m_view();
    if (!v.block || v.recordFile.isEmpty())
        return;
    const QFileInfo record(v.recordFile);
    const QString path = QFileDialog::getSaveFileName(
        m_pWindow, QStringLiteral("Отчёт"), record.dir().filePath(record.completeBaseName() + QStringLiteral(".html")),
        QStringLiteral("Страница HTML (*.html)"));
    if (path.isEmpty())
        return;
    // The window's device table judges every figure against its criteria.
    DevParamsSettings settings;
    settings.load(v.configPath);
    DeviceCriteria criteria;
    criteria.values = settings.criteria;
    criteria.named.fill(true);
    // The block on screen stands for the record: its spectrum and its samples.
    const RecordFigures figures = measureRecordFigures(v.recordFile, *v.block, v.block);
    const QString error = writeReportPage(path, recordReportHtml({figures, v.block, v.block, criteria}));
    if (!error.isEmpty()) {
        QMessageBox::critical(m_pWindow, QStringLiteral("ORMA"), error);
        return;
    }
    if (QMessageBox::question(m_pWindow, QStringLiteral("ORMA"),
                              QStringLiteral("Отчёт записан в %1. Открыть его?").arg(path)) == QMessageBox::Yes)
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
