#pragma once
// Two-tone intermodulation distortion read from a stored power spectrum: the two strongest
// tones on either side of a valley, the second-order product at their difference and the two
// third-order products, each as a tone group's power.

// How stored bins map to frequencies. Real spectra hold bins 0 ... M-1 as they are; complex ones
// hold signed frequencies, centred (-M/2 first) or in FFT order (negative ones in the top half).
struct SpectrumLayout {
    bool isComplex = false;
    bool centred = true;

    // The stored bin of a signed frequency bin, or a value outside 0 ... M-1 when the spectrum
    // does not hold it.
    double storedBin(double signedBin, int m) const;
    double signedBin(double storedBin, int m) const;
};

struct ImdTone {
    int bin = 0;           // stored bin the group was taken around
    double centroid = 0.0; // stored bins
    double power = 0.0;
};

struct ImdProduct {
    double position = 0.0; // stored bins; outside 0 ... M-1 when the spectrum does not hold it
    double power = 0.0;    // 0 when not held
};

struct ImdResult {
    ImdTone tone1, tone2;
    ImdProduct difference; // f2 - f1
    ImdProduct upper;      // 2 f2 - f1
    ImdProduct lower;      // 2 f1 - f2
    // dB: 10 log10(2 Pd / (P1 + P2)) and 10 log10((Pa + Pb) / (P1 + P2)); NaN without tone
    // power, -inf when the products hold none.
    double imd2 = 0.0;
    double imd3 = 0.0;
};

// spectrum: m bins (volts squared per bin); width: the bins of one tone, the window's main lobe.
ImdResult measureImd(const double *spectrum, int m, int width, SpectrumLayout layout = {});
