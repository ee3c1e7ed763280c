#pragma once
// Phase of one sampled tone against another from their interpolated rising crossings: the
// mean time difference of paired crossings in units of the reference period. Pure functions
// over the caller's arrays; a measurement that cannot be made reports a status and the value
// the read-outs have always shown for it.
#include <cstddef>
#include <vector>

enum class PhaseStatus {
    Ok,
    Energy,       // the two signals' energies differ by more than a factor of two
    FewReference, // the reference shows 4 or fewer periods
    FewOther,     // the other channel shows 4 or fewer periods
    Absent,       // a channel is not among the data's channels
    Unpaired      // the crossings do not keep one distance (other tones, noise, drifting)
};

// Values shown in place of a phase, degrees.
constexpr double PhaseEnergyFailure = 360.0;
constexpr double PhaseFewOtherFailure = 800.0;
constexpr double PhaseFewReferenceFailure = 900.0;
constexpr double PhaseAbsentFailure = 1000.0;
constexpr double PhaseUnpairedFailure = 700.0;

double phaseFailureValue(PhaseStatus status);
// "ok", "energy", "fewReference", "fewOther", "absent", "unpaired".
const char *phaseStatusName(PhaseStatus status);

// What the phase needs of one channel, found in three passes over its samples.
struct ChannelCrossings {
    double level = 0.0;  // the mean over whole periods (the plain mean without 5 periods)
    double energy = 0.0; // sum of squares about the level
    // One rising crossing of the level a period: the signal must have fallen a quarter of its
    // amplitude below the level since the last one and rise as far above it, so that noise
    // near the level crosses it once. Each time is where a sine of the mean period, fitted to
    // the half period around the crossing, passes the level: exact between samples however
    // few a period has, and averaging the noise of every sample it spans.
    std::vector<double> times;

    // Mean period in samples; 0 with fewer than two crossings.
    double periodSamples() const;
};

ChannelCrossings channelCrossings(const double *s, size_t n);

struct PhaseResult {
    PhaseStatus status = PhaseStatus::Absent;
    double degrees = PhaseAbsentFailure; // reference time minus other time, or the failure value

    bool ok() const { return status == PhaseStatus::Ok; }
};

// The energy test, then the mean difference of paired crossings times 360 / T. The pairs must
// keep one distance to within an eighth of a period and the lists pair up to one crossing at
// either end; anything else is no single phase (Unpaired).
PhaseResult phaseBetween(const ChannelCrossings &reference, const ChannelCrossings &other);

// Both steps for two channels of n samples each.
PhaseResult measurePhase(const double *reference, const double *other, size_t n);
