#pragma once
// Test-signal kernels shared by the generator source and the record writer.
#include <cstddef>
#include <cstdint>
#include <random>

// out[i] += amplitude * sin((first + i) * omega + phase), rounded to the nearest code when
// `quantise` is set (floor(x + 0.5)).
void addTone(double *out, size_t n, uint64_t first, double omega, double phase,
             double amplitude, bool quantise);

// out[i] += Gaussian noise of the given RMS, rounded to whole codes when `quantise` is set.
void addWhiteNoise(double *out, size_t n, double rms, std::mt19937_64 &random, bool quantise);
