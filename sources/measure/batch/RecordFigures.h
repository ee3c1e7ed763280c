#pragma once
// Every figure a record's row of a batch (and its report) holds, per channel: the dynamic
// figures of the analysed block, IMD where a second tone stands out, the phase against the
// record's first channel, the code-density test and the sine fit over the longer block; and the
// verdicts of the device criteria on them.
#include "dsp/CodeDensity.h"
#include "dsp/DeviceTable.h"
#include "dsp/Dynamics.h"
#include "sources/BlockSnapshot.h"

#include <QString>

#include <array>
#include <cmath>
#include <vector>

struct ChannelFigures {
    int channel = 0; // device channel number
    double fundamentalFrequency = NAN; // Hz
    double fundamentalDbfs = NAN;
    DeviceValues device{NAN, NAN, NAN, NAN, NAN}; // SFDR, SNR, THD, THD+N (SINAD), ENOB
    DatasheetFigures datasheet{NAN, NAN, NAN, NAN, NAN, NAN};
    // dB; NaN without a second tone (twoTones false) or where the groups are not resolved
    bool twoTones = false;
    double imd2 = NAN, imd3 = NAN;
    // Degrees against the record's first channel; NaN for that channel, a one-channel record
    // or where no single phase is measured.
    double phaseDegrees = NAN;
    // Code-density test in codes and LSB; NaN (missing -1) where it gives no figures.
    double offsetCodes = NAN, amplitudeCodes = NAN;
    double maxDnl = NAN, maxInl = NAN; // signed, largest magnitude; INL end-point
    int missingCodes = -1;
    // Sine fit: Hz, codes, dB, bits; NaN where it does not fit.
    double fitFrequency = NAN, fitAmplitude = NAN, fitSinad = NAN, fitEnob = NAN;
};

struct RecordFigures {
    QString file;
    QString error; // why the record gives no figures; empty when it gives them
    std::vector<ChannelFigures> channels;
};

// `analysed`: the block whose spectrum gives the dynamic figures and IMD; `whole`: the block
// whose samples give the phases, the code-density test and the sine fit (the same block, or
// the whole record read with the same settings).
RecordFigures measureRecordFigures(const QString &file, const BlockSnapshot &analysed,
                                   const BlockSnapshotPtr &whole,
                                   const CodeDensityOptions &codeDensity = {});

// The device criteria a batch judges: only the named ones.
struct DeviceCriteria {
    DeviceValues values{};
    std::array<bool, DeviceFigureCount> named{};
    bool any() const;
};

enum class Verdict { NotJudged, Pass, Fail };
using ChannelVerdicts = std::array<Verdict, DeviceFigureCount>;
// Each named criterion on the channel's figure, in the device table's directions: THD passes at
// or below its criterion, the others (THD+N being SINAD, signal over noise and distortion) at or
// above; a figure that is not a number fails.
ChannelVerdicts judgeChannel(const ChannelFigures &c, const DeviceCriteria &criteria);
bool channelPasses(const ChannelVerdicts &v);
// What missed, e.g. "snr 61.2 < 70; thd -55 > -60"; empty when nothing did.
QString missedCriteria(const ChannelFigures &c, const DeviceCriteria &criteria);
