#pragma once
// Spectral weighting windows, normalised to unit mean square.

// Codes as stored under "SpectrPanel/WindowType"; the list order of the settings dialog differs.
enum WindowType {
    WindowBlackmanHarris3 = 0,
    WindowBlackmanHarris4 = 1,
    WindowBlackmanHarris7 = 2,
    WindowKaiser = 3,
    WindowChebyshev = 4,
    WindowRectangular = 5,
    WindowHann = 6,
    WindowHamming = 7,
    WindowBlackman = 8,
    WindowExactBlackman = 9,
    WindowFlatTop = 10,
    WindowTypeCount = 11
};

// The label the settings dialog shows for a code (UTF-8), or nullptr outside 0..10.
const char *windowLabel(int code);

// Every window is even: w[k] = w[mirror - k] with mirror n for the periodic windows (even about
// n/2) and n - 1 for Dolph-Chebyshev (even about (n - 1)/2).
int windowMirror(int code, int n);

// Fills n weights for the code; sidelobeLevel (dB) is used by Kaiser and Chebyshev only.
// Chebyshev needs a scratch array of n doubles. A code outside 0..10 leaves the buffer as it is.
// A count above 0 asks for the first count weights only, normalised as the whole window; it
// must cover the half that determines the rest (count > mirror / 2), and Chebyshev, whose
// transform needs the whole array, takes no count below n. Returns 0, or -1 when nothing was
// written.
int buildWindow(int code, double *weights, int n, double sidelobeLevel, double *scratch = nullptr,
                int count = 0);

// Odd number of bins covered by the main lobe of a windowed pure tone.
int windowMainLobeWidth(int code, double sidelobeLevel);
