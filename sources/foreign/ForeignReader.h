#pragma once
// Captures in other programs' formats (WAV/FLAC/AIFF, NumPy .npy, MATLAB .mat, SigMF, CSV) read
// as records: each reader describes its file as a record's postfix would and hands out frames
// of the words such a record stores, so that the record-file source reads them window by window
// exactly as it reads its own files.
//
// Words: integer samples are two's complement codes with the significant bits at the top of 1,
// 2 or 4 bytes; floating-point samples stay IEEE floats of 4 or 8 bytes (CodeFloat), fractions
// of the full scale (1.0 is full scale), so that float captures keep every bit. Float arrays of
// .npy, .mat and CSV often hold ADC codes instead (-2048.0 ... 2047.0): those become 4-byte codes.
#include "sources/FileParams.h"

#include <QString>

#include <memory>

// What the user gives for what a format does not carry ("Параметры файла чтения", or
// orma-tool's --rate, --bits, --range); zero where not given.
struct ForeignFill {
    double sampleRate = 0.0;     // Hz
    int bitRange = 0;            // significant bits (the scale of float samples)
    int32_t voltageRangeMv = 0;
    bool isComplex = false;      // channels in I/Q pairs, for formats that cannot say so

    bool operator==(const ForeignFill &o) const
    {
        return sampleRate == o.sampleRate && bitRange == o.bitRange &&
               voltageRangeMv == o.voltageRangeMv && isComplex == o.isComplex;
    }
    bool operator!=(const ForeignFill &o) const { return !(*this == o); }
    // As the record-file source takes it (FileSource::setUserFileParams).
    FileParams userParams() const;
};

class ForeignReader {
public:
    virtual ~ForeignReader() = default;

    // The record as the file describes it: channels, samples, word width and code type, and
    // where the format carries them the rate, the bits, the complex flag and shift frequencies.
    const FileParams &format() const { return m_format; }
    bool carriesRate() const { return m_carriesRate; }
    bool carriesBits() const { return m_carriesBits; }

    // The description in force, with what the format lacks from `fill`; a fill that does not fit
    // (no rate, more bits than the words hold) gives false and the field and rule in `problem`.
    // Integer samples of formats without a bit count are shifted to the bits chosen here.
    bool describe(const ForeignFill &fill, FileParams &params, QString &problem);

    // Frames [first, first + count) as words, frame after frame, into dst (count x frame bytes).
    // Returns the frames delivered: fewer at the end of the data or when the file fails
    // (error() then says why).
    virtual uint64_t read(uint64_t first, uint64_t count, uint8_t *dst) = 0;
    const QString &error() const { return m_error; }

protected:
    // For formats whose float arrays are often codes: when the first frames (64K, fewer with
    // many channels, so that a huge file is not read whole) hold codes (CodeScan), the format
    // becomes 4-byte two's complement codes of the bits they need, and true tells the reader to
    // write its floats so (ElementFormat::floatCodes).
    bool takeWholeFloatsAsCodes();

    FileParams m_format;
    bool m_carriesRate = false;
    bool m_carriesBits = false;
    int m_bitRange = 0; // of integer codes, as described last
    int m_codeBits = 0; // of codes the reader found in floats or text: the bits where none given
    QString m_error;
};

// Whether the file's name ends in a foreign format's suffix (".wav", ".npy", ".sigmf-meta", ...).
bool isForeignFile(const QString &path);
// The reader for the file, or null with "file: field: problem" in `error`.
std::unique_ptr<ForeignReader> openForeignFile(const QString &path, QString &error);
// The open dialog's filter entries for the foreign formats.
QString foreignFileFilters();
