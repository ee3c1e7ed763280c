#pragma once
// One record's figures for a batch row or a report: the block `analyze` analyses (its dynamic
// figures and IMD) and the whole record read with the same settings (the phases, the
// code-density test and the sine fit, as `phase --whole`, `histogram --all --ieee` and
// `sinefit --whole` take them).
#include "RecordAnalysis.h"

#include "sources/measure/batch/RecordFigures.h"

struct AnalysedRecord {
    BlockSnapshotPtr analysed, whole; // null when the record could not be read
    RecordFigures figures;            // figures.error says why not
};

// Reads `file` with the options' analysis; `memoryShare` divides the memory one block may take,
// for records read side by side. Never prints: a failure is the figures' error.
AnalysedRecord readRecordFigures(const QString &file, const AnalysisOptions &options,
                                 int memoryShare = 1);
