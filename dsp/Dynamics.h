#pragma once
// ADC dynamic figures (SNR, THD, SINAD, SFDR, ENOB, harmonic levels) of one power spectrum.

constexpr int MaxHarmonics = 512;

struct BinSummary;

// The figures converter datasheets quote beside the ones in dBc. Full scale (FS) is the tone
// whose peaks reach the converter's largest code: a sine for a real record, a complex tone of
// that amplitude on both I and Q for an I/Q record (so that it reads 0 dBFS like the panels'
// fundamental level). Figures in dBFS are NaN when the full scale is not known.
struct DatasheetFigures {
    double snr = 0.0;           // dBFS: the full-scale tone's power over the noise power
    double sinad = 0.0;         // dBFS: ... over noise and harmonics, as SINAD counts them
    double noiseDensity = 0.0;  // dBFS/Hz: the noise power spread over the analysed band
    // The largest line outside DC, the fundamental's guard and the counted harmonics' bands;
    // -200 dBc when no bin is left to search.
    double spurLevel = 0.0;     // dBc
    double spurLevelFs = 0.0;   // dBFS
    double spurFrequency = 0.0; // Hz, power-weighted over its main lobe, before any centring
};

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
    DatasheetFigures datasheet;
};

struct DynamicsInputs {
    const double *spectrum = nullptr;  // one-sided and doubled for real signals
    double sampleRate = 1.0;           // Hz, 1.0 when unknown
    double toneFrequency = 0.0;        // Hz, before any centring shift
    int fftSize = 0;
    int harmonicCount = 0;             // harmonics 2 .. n+1 are measured
    double exclusionHz = 0.0;          // half-width of the band excluded around the tone
    bool isComplex = false;
    // An I/Q spectrum stored from -fs/2 up (DC in the middle bin); toneFrequency is then
    // counted from the first stored bin, as the spectrum lies.
    bool isCentred = false;
    int mainLobeWidth = 5;
    // The full-scale tone's power in the spectrum's units; 0 when the range is not known.
    double fullScalePower = 0.0;
    // Chunk sums and maxima of the spectrum, built by the caller in the pass that wrote it;
    // null means every range is scanned directly. Same figures either way.
    const BinSummary *summary = nullptr;
};

DynamicsResult measureDynamics(const DynamicsInputs &in);
