#pragma once
// Power-weighted position and power of the group of bins that makes up one tone.

// spectrum: m bins; position is rounded to the nearest bin; width: bins of the group (odd).
// Complex spectra wrap around their ends, real ones are clipped. Returns false (and writes
// nothing) when the rounded position lies outside 0..m-1.
bool toneCentroid(const double *spectrum, int m, double position, int width, bool isComplex,
                  double &centroid, double &power);
