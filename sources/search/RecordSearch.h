#pragma once
// The channel search over a whole record, as the oscilloscope scrolls through it one shown
// width after the other: the first block in which a channel crosses a threshold.
#include "sources/foreign/ForeignReader.h"
#include "sources/settings/AnalyserSettings.h"
#include "sources/search/ChannelSearch.h"
#include "sources/record/FileSource.h"

#include <QStringList>

struct RecordSearchJob {
    QStringList files;            // the record set, the main file first
    FindSettings find;
    AnalyserSettings analysis;    // FFT, window and impedance of the figures
    QList<int> channels;          // empty: every channel of the record
    uint64_t width = 1024;        // samples shown per block
    ForeignFill foreign;          // what captures in other formats lack: rate, bits
};

class RecordSearch {
public:
    explicit RecordSearch(const RecordSearchJob &job);

    // False with `error` set when the record cannot be searched; else `matches` holds the
    // first matching block's matches (empty when none matched) and `position` its first sample.
    bool run(uint64_t &position, std::vector<SearchMatch> &matches, QString &error);

private:
    bool read(uint64_t position, uint64_t length, QString &error);
    bool readFrom(uint64_t start, uint64_t length, uint64_t samples, QString &error);
    uint64_t nextLevelCandidate(uint64_t from, uint64_t samples, QString &error);
    bool covers(uint64_t sample) const;

    const RecordSearchJob m_job;
    FileSource m_source;
    BlockSnapshotPtr m_block;
    SearchScope m_scope;
};
