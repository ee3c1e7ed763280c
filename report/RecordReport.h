#pragma once
// A record's report as one self-contained HTML page (styles inline, plots as inline SVG): its
// description, the figures table coloured by the criteria, and the plots; and a batch's index
// page, a table sortable by any column linking each record's page. Pages need a QApplication.
#include "sources/measure/batch/RecordFigures.h"

#include <QString>

#include <vector>

struct RecordReportInput {
    RecordFigures figures;
    BlockSnapshotPtr analysed, whole; // see measureRecordFigures()
    DeviceCriteria criteria;
};

QString recordReportHtml(const RecordReportInput &in);

struct IndexEntry {
    RecordFigures figures;
    QString page; // the record page's file name, beside the index; empty when none
};
QString batchIndexHtml(const std::vector<IndexEntry> &entries, const DeviceCriteria &criteria);

// The page's file name for a record: its base name with ".html", made unique among `taken`
// (which it joins).
QString reportPageName(const QString &recordFile, QStringList &taken);
// Writes the page whole or not at all; an empty string, else what went wrong with the file.
QString writeReportPage(const QString &path, const QString &html);
