#include "sources/export/TableExport.h"

#include "sources/export/CsvWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cmath>

QString ExportCell::display() const
{
    if (!isNumber())
        return text;
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("nan")
                                 : (value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf"));
    return QString::number(value, 'f', decimals);
}

namespace {

QString writeCsv(const QString &path, const ExportTable &table)
{
    CsvWriter csv(path);
    const QString error = csv.open();
    if (!error.isEmpty())
        return error;
    csv.writeRow({table.title});
    csv.writeRow(table.headers);
    for (const auto &row : table.rows) {
        QStringList fields;
        for (const ExportCell &cell : row)
            fields << cell.display();
        csv.writeRow(fields);
    }
    return csv.commit();
}

QString numberFormat(int decimals)
{
    return decimals == 0 ? QStringLiteral("0")
                         : QStringLiteral("0.") + QString(decimals, QLatin1Char('0'));
}

QString writeXlsx(const QString &path, const ExportTable &table)
{
    // The workbook is assembled beside the target and renamed over it only when complete.
    const QFileInfo target(path);
    QTemporaryDir scratch(target.absolutePath() + QStringLiteral("/.orma-export-XXXXXX"));
    if (!scratch.isValid())
        return QStringLiteral("cannot write %1: the folder is not writable").arg(path);
    const QByteArray scratchFile = QFile::encodeName(scratch.filePath(QStringLiteral("t.xlsx")));
    lxw_workbook *book = workbook_new(scratchFile.constData());
    if (!book)
        return QStringLiteral("cannot write %1: the workbook cannot be created").arg(path);
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format *header = workbook_add_format(book);
    format_set_bold(header);
    format_set_text_wrap(header);
    format_set_align(header, LXW_ALIGN_CENTER);
    std::vector<lxw_format *> numberFormats;

    worksheet_write_string(sheet, 0, 0, table.title.toUtf8().constData(), bold);
    for (int c = 0; c < table.headers.size(); ++c)
        worksheet_write_string(sheet, 1, lxw_col_t(c), table.headers[c].toUtf8().constData(),
                               header);
    int widest = table.headers.size();
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const auto &row = table.rows[r];
        widest = std::max(widest, int(row.size()));
        for (size_t c = 0; c < row.size(); ++c) {
            const ExportCell &cell = row[c];
            const lxw_row_t at = lxw_row_t(r + 2);
            if (cell.isNumber() && std::isfinite(cell.value)) {
                const int d = std::min(cell.decimals, 15);
                if (numberFormats.size() <= size_t(d))
                    numberFormats.resize(size_t(d) + 1, nullptr);
                if (!numberFormats[size_t(d)]) {
                    numberFormats[size_t(d)] = workbook_add_format(book);
                    format_set_num_format(numberFormats[size_t(d)],
                                          numberFormat(d).toLatin1().constData());
                }
                worksheet_write_number(sheet, at, lxw_col_t(c), cell.value,
                                       numberFormats[size_t(d)]);
            } else {
                worksheet_write_string(sheet, at, lxw_col_t(c),
                                       cell.display().toUtf8().constData(), nullptr);
            }
        }
    }
    if (widest > 0)
        worksheet_set_column(sheet, 0, lxw_col_t(widest - 1), 16, nullptr);
    const lxw_error error = workbook_close(book);
    if (error != LXW_NO_ERROR)
        return QStringLiteral("cannot write %1: %2").arg(path, QString::fromUtf8(lxw_strerror(error)));
    QFile::remove(path);
    if (!QFile::rename(QFile::decodeName(scratchFile), path))
        return QStringLiteral("cannot write %1: the finished workbook cannot replace it").arg(path);
    return QString();
}

} // namespace

QString writeTable(const QString &path, const ExportTable &table)
{
    if (path.isEmpty())
        return QStringLiteral("no file name given");
    if (QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0)
        return writeCsv(path, table);
    return writeXlsx(path, table);
}
