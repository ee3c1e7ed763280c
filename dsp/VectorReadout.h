#pragma once
// The read-outs of the vector diagram's two markers: each marker's point of the I/Q plane in
// polar (amplitude, phase) or rectangular (I, Q) coordinates, and the distance between them.
struct VectorPoint {
    double i = 0.0; // in the display unit of the amplitude
    double q = 0.0;
};

struct VectorReadout {
    double red[2] = {};   // amplitude and phase, or I and Q
    double blue[2] = {};
    double delta[2] = {}; // |blue - red|; the phase difference as the smaller angle, 0..180 deg
};

struct VectorReadoutStyle {
    bool rectangular = false;
    bool radians = false;  // polar phases in radians instead of degrees
    bool wholeCodes = false; // rectangular values truncated to whole ADC codes
};

VectorReadout vectorReadout(const VectorPoint &red, const VectorPoint &blue,
                            const VectorReadoutStyle &style);
