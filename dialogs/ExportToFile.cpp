#include "dialogs/ExportToFile.h"

#include "sources/export/BlockExport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

#include <qwt_plot.h>

namespace {

// Asks for a file (a name typed without a suffix gets the chosen filter's), writes it with
// `write` and shows what failed after `failure`.
bool saveThroughDialog(QWidget *parent, const QString &title, const QString &suggestedFile,
                       const QString &filters, const QString &failure,
                       const std::function<QString(const QString &)> &write)
{
    QString selected;
    QString path = QFileDialog::getSaveFileName(parent, title, QDir::current().filePath(suggestedFile),
                                                filters, &selected);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty()) {
        const QRegularExpressionMatch suffix =
            QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(selected);
        if (suffix.hasMatch())
            path += QLatin1Char('.') + suffix.captured(1);
    }
    const QString error = write(path);
    if (error.isEmpty())
        return true;
    QMessageBox::critical(parent, QStringLiteral("ORMA"), failure + error);
    return false;
}

const QString CsvFilter = QStringLiteral("Текст CSV (*.csv)");

} // namespace

bool exportTableToFile(QWidget *parent, const ExportTable &table, const QString &suggestedName)
{
    return saveThroughDialog(parent, QStringLiteral("Сохранить таблицу"), suggestedName + QStringLiteral(".xlsx"),
                             QStringLiteral("Книга Excel (*.xlsx);;") + CsvFilter,
                             QStringLiteral("Таблица не записана: "),
                             [&](const QString &path) { return writeTable(path, table); });
}

bool exportPlotImage(QWidget *parent, QwtPlot &plot, const AxisTitles &titles, const QString &title,
                     const QString &suggestedName)
{
    const QSize size = plot.size();
    return saveThroughDialog(parent, title, suggestedName + QStringLiteral(".png"),
                             QStringLiteral("Изображение PNG (*.png);;Рисунок SVG (*.svg)"),
                             QStringLiteral("Изображение не записано: "),
                             [&](const QString &path) { return writePlotImage(plot, path, size, titles); });
}

bool exportSamplesCsv(QWidget *parent, const BlockSnapshot &block, uint64_t first, uint64_t count)
{
    return saveThroughDialog(parent, QStringLiteral("Сохранить отсчеты"), QStringLiteral("samples.csv"),
                             CsvFilter, QStringLiteral("Отсчеты не записаны: "), [&](const QString &path) {
                                 return writeSamplesCsv(path, block, first, count);
                             });
}

bool exportSpectrumCsv(QWidget *parent, const BlockSnapshot &block)
{
    return saveThroughDialog(parent, QStringLiteral("Сохранить спектр"), QStringLiteral("spectrum.csv"),
                             CsvFilter, QStringLiteral("Спектр не записан: "),
                             [&](const QString &path) { return writeSpectrumCsv(path, block); });
}
