#pragma once
// ADC dynamic figures (SNR, THD, SINAD, SFDR, ENOB, harmonic levels) of one power spectrum.

constexpr int MaxHarmonics = 512;

struct BinSummary;

// Where measureDynamics writes; any pointer may be null.
struct DynamicsOutputs {
    double *thd = nullptr;
    double *snr = nullptr;
    double *sinad = nullptr;
    double *sfdr = nullptr;
    double *enob = nullptr;
    double *harmonicLevels = nullptr;  // MaxHarmonics entries
    double *harmonicBins = nullptr;    // MaxHarmonics entries
    double *signalPower = nullptr;
    double *totalPower = nullptr;
};

struct DynamicsInputs {
    const double *spectrum = nullptr;  // one-sided and doubled for real signals
    double sampleRate = 1.0;           // Hz, 1.0 when unknown
    double toneFrequency = 0.0;        // Hz, before any centring shift
    int fftSize = 0;
    int harmonicCount = 0;             // harmonics 2 .. n+1 are measured
    double exclusionHz = 0.0;          // half-width of the band excluded around the tone
    bool isComplex = false;
    int mainLobeWidth = 5;
    // Chunk sums and maxima of the spectrum, built by the caller in the pass that wrote it;
    // null means every range is scanned directly. Same figures either way.
    const BinSummary *summary = nullptr;
};

// Returns 0 on success, -1 when more than MaxHarmonics are asked for (nothing written) or the
// spectrum holds no power (THD, SINAD, SNR, ENOB and both powers become 0).
int measureDynamics(const DynamicsInputs &in, const DynamicsOutputs &out);
