#pragma once
// Tables written out for a spreadsheet: the filter's parameters and coefficients, the device
// parameters table. ".csv" writes comma-separated UTF-8 text; every other name gets an Excel
// workbook (.xlsx). Numbers keep their value in the workbook and show with their decimals.
#include <QString>
#include <QStringList>

#include <vector>

struct ExportCell {
    QString text;         // shown as is when not a number
    double value = 0;
    int decimals = -1;    // < 0: a text cell; otherwise a number shown with this many decimals

    static ExportCell number(double v, int decimals) { return {QString(), v, decimals}; }
    static ExportCell label(const QString &s) { return {s, 0, -1}; }
    bool isNumber() const { return decimals >= 0; }
    // The cell as the CSV file and the screen show it.
    QString display() const;
};

struct ExportTable {
    QString title;                              // the first row, alone
    QStringList headers;                        // the second row; may hold line breaks
    std::vector<std::vector<ExportCell>> rows;  // the body, one vector per row
};

// Writes the table to path; returns an empty string on success, else a message that names the
// file and what went wrong. An existing file is replaced only when the whole table was written.
QString writeTable(const QString &path, const ExportTable &table);
