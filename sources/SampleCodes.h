#pragma once
// ADC output codes: stored samples (1, 2 or 4 bytes, little-endian, in two's complement, offset
// binary or Gray code, significant bits at the top) to signed codes and back. Floating-point
// samples (IEEE 754, 4 or 8 bytes, little-endian) are fractions of the full scale: a value of 1
// is the code 2^(bitRange-1), so that a float capture keeps every bit of its precision and
// reads in volts as x times the voltage range.
#include <cstddef>
#include <cstdint>

enum CodeType { CodeTwosComplement = 0, CodeOffsetBinary = 1, CodeGray = 2, CodeFloat = 3 };

// The widths a stored sample of the code type may have.
bool isSampleWidth(int bytes, int codeType);

// The signed code of one stored sample; `raw` holds the stored bytes in its low 8*bytes bits.
int32_t decodeSample(uint32_t raw, int bytes, int codeType, int bitRange);
// The stored form of a code (inverse of decodeSample for codes that fit bitRange bits).
uint32_t encodeSample(int32_t code, int bytes, int codeType, int bitRange);

// De-interleaves `frames` frames of `channels` stored samples into channel-major doubles:
// sample f of channel c goes to dst[c * dstStride + f].
void unpackFrames(const uint8_t *src, size_t frames, int channels, int bytes, int codeType,
                  int bitRange, double *dst, size_t dstStride);
