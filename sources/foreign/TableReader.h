#pragma once
// A table of array elements in a file from a byte offset on: frame after frame (each frame one
// element per channel) or channel after channel. NumPy arrays and SigMF data are such tables;
// complex elements give an I/Q pair of channels each.
#include "sources/foreign/ForeignReader.h"
#include "sources/foreign/SampleWords.h"

#include <QFile>

#include <vector>

struct TableLayout {
    ElementFormat element;   // of one real value (a complex element holds two)
    bool isComplex = false;
    uint64_t frames = 0;
    uint32_t channels = 0;   // elements per frame
    bool channelMajor = false; // all frames of channel 0, then of channel 1, ...
    qint64 dataOffset = 0;
};

class TableReader : public ForeignReader {
public:
    // False with "field: problem" when the file holds fewer bytes than the layout needs.
    bool open(const QString &path, const TableLayout &layout, QString &error);
    uint64_t read(uint64_t first, uint64_t count, uint8_t *dst) override;
    // What the container says besides the layout; 0 or empty where it says nothing.
    void setCarried(double sampleRate, int bitRange, const std::vector<double> &shifts);
    // Float tables of formats whose floats may be codes (.npy; SigMF's are always fractions).
    void takeCodesInFloats() { m_layout.element.floatCodes = takeWholeFloatsAsCodes(); }

private:
    bool readBytes(qint64 offset, qint64 bytes);

    QFile m_file;
    TableLayout m_layout;
    std::vector<uint8_t> m_bytes;
};
