// Tables written for a spreadsheet: CSV text as a spreadsheet reads it, a workbook that opens,
// and a failed write that names the file and leaves the old one alone.
#include "sources/export/TableExport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

ExportTable sampleTable()
{
    ExportTable t;
    t.title = QStringLiteral("Параметры качества преобразования АЦП");
    t.headers = QStringList{QStringLiteral("Канал"), QStringLiteral("SNR,\nдБ")};
    t.rows.push_back({ExportCell::label(QStringLiteral("Критерий")), ExportCell::number(70, 2)});
    t.rows.push_back({ExportCell::label(QStringLiteral("1")), ExportCell::number(74.0216, 2)});
    t.rows.push_back({ExportCell::label(QStringLiteral("say \"hi\"")), ExportCell::number(-0.005, 2)});
    t.rows.push_back({ExportCell::label(QStringLiteral("2")), ExportCell::number(NAN, 2)});
    return t;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TableExportTest : public QObject {
    Q_OBJECT
private slots:
    void csvQuotesAndKeepsTwoDecimals()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.csv"));
        QCOMPARE(writeTable(path, sampleTable()), QString());
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.value(0), QStringLiteral("Параметры качества преобразования АЦП"));
        QCOMPARE(lines.value(1), QStringLiteral("Канал,\"SNR,\nдБ\""));
        QCOMPARE(lines.value(2), QStringLiteral("Критерий,70.00"));
        QCOMPARE(lines.value(3), QStringLiteral("1,74.02"));
        QCOMPARE(lines.value(4), QStringLiteral("\"say \"\"hi\"\"\",-0.01"));
        QCOMPARE(lines.value(5), QStringLiteral("2,nan"));
    }

    void workbookIsAZipPackage()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.xlsx"));
        QCOMPARE(writeTable(path, sampleTable()), QString());
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.startsWith("PK\x03\x04"));
        QVERIFY(bytes.contains("xl/worksheets/sheet1.xml"));
        // No scratch folder is left beside the workbook.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("t.xlsx")});
    }

    void failureNamesTheFileAndKeepsTheOldOne()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("no/such/folder/t.xlsx"));
        const QString error = writeTable(missing, sampleTable());
        QVERIFY(error.contains(missing));
        const QString csv = dir.filePath(QStringLiteral("no/such/t.csv"));
        QVERIFY(writeTable(csv, sampleTable()).contains(csv));
        QVERIFY(!writeTable(QString(), sampleTable()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TableExportTest)
#include "test_table_export.moc"
