// The designed IIR filter written for a spreadsheet: the workbook, read back by an independent
// reader (Python's openpyxl), holds the title, the parameters where the family uses them and
// every section's coefficients to the last digit a double keeps.
#include "sources/BlockFilter.h"
#include "sources/export/FilterExport.h"
#include "sources/settings/FilterSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

const char ReadBack[] =
    "import json, sys, openpyxl\n"
    "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
    "print(json.dumps([[c.value for c in row] for row in ws.iter_rows()]))\n";

// Debian's interpreter first: python3-openpyxl installs for it, whatever else is on the path.
QString pythonWithOpenpyxl()
{
    for (const QString &python : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess p;
        p.start(python, {"-c", "import openpyxl"});
        if (p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return python;
    }
    return QString();
}

QJsonArray readWorkbook(const QString &python, const QString &path)
{
    QProcess p;
    p.start(python, {"-c", ReadBack, path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QJsonArray();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

FilterParams elliptic(int function)
{
    FilterParams p = FilterSettings::defaults();
    p.filterType = 1;
    p.iirFilter = 3;
    p.filterFunction = uint8_t(function);
    p.iirOrder = 5;
    p.iirLowFreq = 20;
    p.iirUpFreq = 35.5f;
    p.iirPulse = 0.25f;
    p.iirDepresion = 65;
    p.filterId = filterIdOf(p);
    return p;
}

} // namespace

class FilterExportTest : public QObject {
    Q_OBJECT
private slots:
    // Only what the family uses: Butterworth low-pass has one cut-off and neither level.
    void headersFollowTheFamily()
    {
        FilterParams p = FilterSettings::defaults();
        p.filterType = 1;
        const ExportTable butter = iirExportTable(p, 1e6, designFilter(p, 1e6).sections);
        QCOMPARE(butter.title, QStringLiteral("Параметры ФНЧ Баттерворта"));
        QCOMPARE(butter.headers, (QStringList{"Порядок \nфильтра", "Частота \nдискретизации (Гц)",
                                              "Частота \nсреза (Гц)"}));
        QCOMPARE(iirExportTable(elliptic(2), 1e6, {}).headers.size(), 6);
    }

    void workbookReadsBack()
    {
        const QString python = pythonWithOpenpyxl();
        // scripts/install-deps installs it for "make test": a missing reader is a fault of
        // the set-up, not a reason to let the workbook go unchecked.
        QVERIFY2(!python.isEmpty(), "python3 with openpyxl is not installed (Debian: python3-openpyxl)");
        const double fs = 250000;
        const FilterParams p = elliptic(2);
        const FilterDesign design = designFilter(p, fs);
        QVERIFY(design.ok());
        QCOMPARE(design.sections.size(), size_t(5)); // a band-pass of order 5: ten poles
        QTemporaryDir dir;
        const QString path = dir.filePath("filter.xlsx");
        QCOMPARE(writeTable(path, iirExportTable(p, fs, design.sections)), QString());
        const QJsonArray rows = readWorkbook(python, path);
        QCOMPARE(rows.size(), 2 + 1 + 1 + 1 + 5);
        QCOMPARE(rows.at(0).toArray().at(0).toString(), QStringLiteral("Параметры эллиптического полосового фильтра"));
        const QJsonArray values = rows.at(2).toArray();
        QCOMPARE(values.at(0).toDouble(), 5.0);
        QCOMPARE(values.at(1).toDouble(), fs);
        QCOMPARE(values.at(2).toDouble(), 20000.0);
        QCOMPARE(values.at(3).toDouble(), 35500.0);
        QCOMPARE(values.at(4).toDouble(), 0.25);
        QCOMPARE(values.at(5).toDouble(), 65.0);
        QCOMPARE(rows.at(4).toArray().at(1).toString(), QStringLiteral("b0"));
        for (int i = 0; i < 5; ++i) {
            const QJsonArray row = rows.at(5 + i).toArray();
            const Biquad &s = design.sections[size_t(i)];
            QCOMPARE(row.at(0).toDouble(), double(i + 1));
            const double expected[] = {s.b0, s.b1, s.b2, 1.0, s.a1, s.a2};
            for (int c = 0; c < 6; ++c) {
                const double got = row.at(c + 1).toDouble();
                QVERIFY2(std::fabs(got - expected[c]) <= 1e-15 * std::max(1.0, std::fabs(expected[c])),
                         qPrintable(QString("section %1 column %2: %3 vs %4").arg(i).arg(c)
                                        .arg(got, 0, 'g', 17).arg(expected[c], 0, 'g', 17)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(FilterExportTest)
#include "test_filter_export.moc"
