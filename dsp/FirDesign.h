#pragma once
// FIR filters by the window method: the ideal response of the band, truncated to an odd number
// of taps and weighted by a window. Free functions on caller-owned arrays.

// Codes of the filter dialog's function list.
enum FilterBand { BandLowPass = 0, BandHighPass = 1, BandPass = 2, BandStop = 3 };

// The tapering windows of the design, the dialog's window list followed by Kaiser.
enum FirWindow {
    FirRectangular = 0,
    FirTriangular = 1,
    FirHann = 2,
    FirHamming = 3,
    FirBlackman = 4,
    FirKaiser = 5
};

// Modified Bessel function of the first kind, order 0.
double besselI0(double x);

// n symmetric weights (w[k] = w[n - 1 - k]); beta is Kaiser's shape, ignored by the others.
// Returns 0, or -1 for an unknown window, n < 1 or a beta outside [0, 700].
int firWindow(int window, double beta, double *w, int n);

// Designs `taps` coefficients (odd, at least 3) for the band with edges f1 (the only one for
// low- and high-pass) and f2 in Hz, 0 < f1 < f2 < fs/2. The low-pass prototypes have unit gain
// at DC, so high-pass and band-stop (their complements) pass the far band with gain 1 and stop
// DC or the band exactly, and at every edge the gain is about one half (-6 dB). Returns 0, or
// -1 when an argument is out of range (h is then left as it is).
int designFir(int band, double fs, double f1, double f2, int taps, int window, double beta,
              double *h);
