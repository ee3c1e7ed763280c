#include "dialogs/ExportToFile.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

bool exportTableToFile(QWidget *parent, const ExportTable &table, const QString &suggestedName)
{
    QString selected;
    QString path = QFileDialog::getSaveFileName(
        parent, QStringLiteral("Сохранить таблицу"),
        QDir::current().filePath(suggestedName + QStringLiteral(".xlsx")),
        QStringLiteral("Книга Excel (*.xlsx);;Текст CSV (*.csv)"), &selected);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += selected.contains(QLatin1String("csv")) ? QStringLiteral(".csv")
                                                       : QStringLiteral(".xlsx");
    const QString error = writeTable(path, table);
    if (error.isEmpty())
        return true;
    QMessageBox::warning(parent, QStringLiteral("ORMA"),
                          QStringLiteral("Таблица не записана: ") + error);
    return false;
}
