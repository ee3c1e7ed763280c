#pragma once
// The vector diagram's read-outs on an I/Q slice without a pointer: the red marker on the
// trajectory's first point, the blue one on its last, in the dialog's coordinates.
#include "dsp/VectorReadout.h"
#include "sources/measure/iq/IqSlice.h"

struct VectorFigures {
    double halfScale = 0.0;   // half the side of the full-scale square, codes
    VectorReadout polar;      // amplitude in codes, phase in degrees
    VectorReadout radians;    // the same with the phases in radians
    VectorReadout rectangular; // I and Q in whole codes
};

// The slice must not be empty.
VectorFigures vectorFiguresOf(const IqSlice &z);
