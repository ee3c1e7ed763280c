#pragma once
// What the analysing commands share: the spectrum options of `analyze`, reading a record
// through FileSource block by block as the viewer does, and the number formats of the output.
#include "CommandLine.h"
#include "RecordReading.h"

#include "dsp/Windows.h"
#include "sources/record/FileSource.h"
#include "sources/settings/FilterSettings.h"

#include <QJsonValue>

#include <functional>

struct AnalysisOptions {
    QStringList files;
    uint32_t fftSize = 1024;
    int window = WindowBlackmanHarris7;
    double sidelobe = 120.0;
    int harmonics = 6;
    uint32_t exclusion = 0;
    uint32_t average = 1;
    uint8_t range = 1; // centred
    uint64_t position = 0;
    bool json = false;
    bool wait = false;
    bool filter = false; // filter each block as the viewer does (--filter or --filter-ini)
    int threads = 0;     // threads for the channels (--threads); 0: one per core
    FilterParams filterParams = FilterSettings::defaults();

    SpectrumSettings spectrum() const;
};

// Option names, to be joined with a command's own.
QSet<QString> analysisValuedOptions();
QSet<QString> analysisFlags();
// Reads the shared options; errors land in `cl`.
void readAnalysisOptions(CommandLine &cl, const QString &command, AnalysisOptions &s);

// Loads the files, sets the analysis, lets `placeWindow` set the read window (by default
// `--position` and three FFT lengths) and runs the blocks `s` asks for (one per averaged block).
// Returns ExitOk with the last block in `block`, or reports what failed and returns its exit
// status. The block holds what it shows; the source that read it is gone.
int analyseRecord(const AnalysisOptions &s, BlockSnapshotPtr &block,
                  const std::function<void(FileSource &)> &placeWindow = {});
// The same, with what failed in `error` instead of on stderr, and no warnings.
int analyseRecordQuietly(const AnalysisOptions &s, BlockSnapshotPtr &block, QString &error,
                         const std::function<void(FileSource &)> &placeWindow = {});

// Buffer index of device channel `number`, or of the first channel when number < 0; -1 with a
// message naming the channel when the block has no such channel.
int channelIndexOf(const BlockSnapshot &block, int number, QString &error);

