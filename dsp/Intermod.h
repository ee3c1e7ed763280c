#pragma once
// Two-tone intermodulation distortion read from a stored power spectrum: the two strongest
// tones on either side of a valley, the second-order product at their difference and the two
// third-order products, each as a tone group's power. A figure is withheld (NaN, with the
// reason) when its tones or products cannot be read apart.

// How stored bins map to frequencies. Real spectra hold bins 0 ... M-1 as they are; complex ones
// hold signed frequencies, centred (-M/2 first) or in FFT order (negative ones in the top half).
struct SpectrumLayout {
    bool isComplex = false;
    bool centred = true;

    // The stored bin of a signed frequency bin, or a value outside 0 ... M-1 when the spectrum
    // does not hold it.
    double storedBin(double signedBin, int m) const;
    double signedBin(double storedBin, int m) const;
    // Where a sampled signal of this signed frequency bin shows up: real spectra mirror it about
    // 0 and the folding frequency (bin m), complex ones wrap it into -m/2 ... m/2.
    double alias(double signedBin, int m) const;
};

struct ImdTone {
    int bin = 0;           // stored bin the group was taken around
    double centroid = 0.0; // stored bins
    double power = 0.0;
    double aboveNoise = 0.0; // dB over the noise floor's share of the group; +inf on a silent floor
};

struct ImdProduct {
    double position = 0.0; // stored bins, aliased into the band; outside 0 ... M-1 only at
                           // the folding frequency of a real spectrum, which holds no bin there
    double power = 0.0;    // 0 when not held
};

// A second tone must stand this far over the noise its bins hold, or there is none.
constexpr double ImdToneClearanceDb = 20.0;

enum class ImdWithheld {
    None,
    NoTone,       // the spectrum holds no power
    NoSecondTone, // the second candidate does not clear the noise floor by ImdToneClearanceDb
    Unresolved,   // the figure's tone or product groups overlap another group
};

struct ImdVerdict {
    ImdWithheld withheld = ImdWithheld::None;
    // Unresolved: the power of two the FFT length must grow by for the groups to clear each
    // other; 0 when they lie within a bin of each other, which no length separates.
    int lengthFactor = 1;
    bool shown() const { return withheld == ImdWithheld::None; }
};

struct ImdResult {
    ImdTone tone1, tone2;
    ImdProduct difference; // f2 - f1
    ImdProduct upper;      // 2 f2 - f1
    ImdProduct lower;      // 2 f1 - f2
    double noiseFloor = 0.0; // median bin power
    // dB: 10 log10(2 Pd / (P1 + P2)) and 10 log10((Pa + Pb) / (P1 + P2)); NaN when withheld,
    // -inf when the products hold none.
    double imd2 = 0.0;
    double imd3 = 0.0;
    ImdVerdict imd2Verdict, imd3Verdict;
};

// spectrum: m bins (volts squared per bin); width: the bins of one tone, the window's main lobe.
// Products beyond the band are read where sampling aliases them.
ImdResult measureImd(const double *spectrum, int m, int width, SpectrumLayout layout = {});
