#pragma once
// IIR filters of five families as cascades of second-order sections: analog prototype (poles
// and zeros), band transformation, bilinear transform with the edges prewarped, so that the
// digital response at each edge is exactly the prototype's at its edge.
#include <complex>
#include <vector>

// Codes of the filter dialog's family list.
enum IirFamily {
    IirButterworth = 0,      // -3.01 dB at the edges
    IirChebyshev = 1,        // pass-band ripple; -ripple dB at the edges
    IirInverseChebyshev = 2, // stop-band attenuation; -attenuation dB at the edges
    IirElliptic = 3,         // both; -ripple dB at the edges
    IirBessel = 4            // maximally flat delay; -3.01 dB at the edges
};

// One second-order section, a0 = 1: (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
// A first-order section has b2 = a2 = 0.
struct Biquad {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
};

struct IirParams {
    int family = IirButterworth;
    int band = 0;              // FilterBand
    int order = 1;             // of the low-pass prototype; band filters have twice the poles
    double fs = 0.0;           // Hz
    double f1 = 0.0, f2 = 0.0; // edges in Hz; f2 only for band-pass and band-stop
    double rippleDb = 0.0;     // Chebyshev, elliptic
    double attenuationDb = 0.0; // inverse Chebyshev, elliptic
};

// Highest prototype order designed; past it the bilinear poles crowd the unit circle closer
// than the rounding of double separates them (Bessel's polynomial loses its roots earlier).
int maxIirOrder(int family);

enum IirDesignResult {
    IirDesigned = 0,
    IirBadArguments = -1, // out of range; the caller validates with the messages it needs
    IirUnstable = -2      // a pole on or outside the unit circle, or a coefficient not finite
};

// Sections ordered with the poles nearest the unit circle last, the gain spread evenly.
IirDesignResult designIir(const IirParams &request, std::vector<Biquad> &sections);

// Response of the cascade at f / fs cycles per sample.
std::complex<double> cascadeResponse(const Biquad *sections, int count, double frequency);

// Whether both poles of the section lie strictly inside the unit circle.
bool isStable(const Biquad &section);
