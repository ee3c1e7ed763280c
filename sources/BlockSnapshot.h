#pragma once
// One delivered block as the worker left it: samples, spectra, channel records, descriptors and
// read window. Immutable once published; the GUI, the curves and the measurement dialogs hold
// it for as long as they show it, and the worker never writes into memory a snapshot holds.
#include "dsp/SpectrumEngine.h"
#include "sources/ChannelMap.h"
#include "sources/ChannelRecord.h"
#include "sources/FileParams.h"
#include "sources/ReadWindow.h"

#include <QMetaType>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct BandLevel {
    double levelMv = 0.0; // RMS of the band
    int peakBin = 0;      // bin holding the largest value of the band
};

struct BlockSnapshot {
    std::vector<FileParams> fileParams{FileParams()};
    ChannelMap channels;
    std::vector<ChannelRecord> records;
    ReadWindow window;
    int readStatus = 0; // -1 when the block could not be read
    QString readFailure; // what to tell the user about that, empty when nothing
    QString postfixProblem; // why the record's description was refused, empty when it was not
    // Why the filter left some channel of this block unfiltered; empty when it filtered every
    // channel or is off.
    QString filterStatus;
    // Leading samples of the block the filter has not settled on, because the record holds
    // too little before the block (it starts at the record's first sample); 0 when settled.
    uint64_t filterUnsettled = 0;

    // Samples: `sampleChannels` x `sampleLength` ADC codes, channel-major; the index axis
    // holds the record sample number of each buffer position.
    std::shared_ptr<const double[]> samples;
    std::shared_ptr<const double[]> index;
    int sampleChannels = 0;
    uint64_t sampleLength = 0;

    // Spectra: `spectrumChannels` x `binCount` values, volts squared per bin.
    std::shared_ptr<const double[]> spectra;
    std::shared_ptr<const double[]> binAxis;
    int spectrumChannels = 0;
    int binCount = 0;
    uint32_t fftSize = 0;        // N the spectra were computed with
    bool spectrumComplex = false;
    int mainLobeWidth = 5;
    bool readySpectra = false;   // the record holds spectra, not samples
    SpectrumSettings spectrum;   // as asked for this block

    const double *channelSamples(int k) const;
    const double *channelSpectrum(int k) const;
    const ChannelRecord *channelRecord(int k) const;
    const ChannelRecord *recordOfChannel(int channelNumber) const
    {
        return channelRecord(channels.indexOf(channelNumber));
    }
    // The descriptor of the file that holds the device channel (the first when absent).
    const FileParams &fileOfChannel(int channelNumber) const;
    const FileParams &firstFile() const { return fileParams.front(); }
    // The first file's rate, 0 while it has no channels.
    double sampleRate() const;
    // Samples in the buffer, at most INT32_MAX (what a curve can take).
    int curveLength() const;
    // Record sample at which the analysed block of N samples starts; none without samples.
    std::optional<double> analysedStart() const;
    // The device channel's entry of a per-channel list of its own file (gains, shift
    // frequencies), or `fallback` when the file gives none for it.
    double channelEntry(int channelNumber, const std::vector<double> FileParams::*list,
                        double fallback) const;

    // Marker read-outs; bins are positions in the stored spectrum, as the curves show them.
    // Frequency (Hz) of the tone around `bin`.
    std::optional<double> toneFrequency(int channelNumber, int bin) const;
    // RMS (V) of the tone around `bin`.
    std::optional<double> toneAmplitude(int channelNumber, int bin) const;
    // RMS (mV) of the bins from..to, and the strongest of them.
    std::optional<BandLevel> bandLevel(int channelNumber, int from, int to) const;

private:
    bool toneAt(int channelNumber, int bin, double &centroid, double &power) const;
};

using BlockSnapshotPtr = std::shared_ptr<const BlockSnapshot>;
Q_DECLARE_METATYPE(BlockSnapshotPtr)
