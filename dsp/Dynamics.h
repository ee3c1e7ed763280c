#pragma once
// ADC dynamic figures (SNR, THD, SINAD, SFDR, ENOB, harmonic levels) of one power spectrum.

constexpr int MaxHarmonics = 512;

struct BinSummary;

// The figures of one spectrum. A spectrum that cannot be measured leaves every figure at 0.
struct DynamicsResult {
    bool measured = false; // false: no power in the spectrum, or more than MaxHarmonics asked for
    double thd = 0.0;      // dB
    double snr = 0.0;
    double sinad = 0.0;
    double sfdr = 0.0;
    double enob = 0.0;     // bits
    double harmonicLevels[MaxHarmonics] = {}; // dB below the fundamental, harmonics 2, 3, ...
    double harmonicBins[MaxHarmonics] = {};   // their positions, folded into the spectrum
    double signalPower = 0.0;
    double totalPower = 0.0;  // without the DC guard bins when the tone is clear of them
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

DynamicsResult measureDynamics(const DynamicsInputs &in);
