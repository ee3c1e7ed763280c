#pragma once
// One delivered block written out as CSV for a spreadsheet or a script: a column per channel
// under a header naming the channel and its unit, after a column of where each row lies (the
// record's sample number, or the frequency of the bin). Values are the stored ones, ADC codes
// and volts squared per bin, each written so that it reads back as the same double.
#include <QString>

#include <cstdint>

struct BlockSnapshot;

// The block's samples numbered first ... first + count - 1 in the record (those the block
// holds). Returns an empty string on success, else a message naming what went wrong.
QString writeSamplesCsv(const QString &path, const BlockSnapshot &block, uint64_t first,
                        uint64_t count);
// The block's spectra, every bin.
QString writeSpectrumCsv(const QString &path, const BlockSnapshot &block);

// The shortest text that reads back as exactly v.
QString exactNumber(double v);
