#include "sources/SampleCodes.h"

#include <cmath>
#include <cstring>
#include <type_traits>

namespace {

template <int Bytes> struct Width;
template <> struct Width<1> { using Signed = int8_t; };
template <> struct Width<2> { using Signed = int16_t; };
template <> struct Width<4> { using Signed = int32_t; };

template <int Bytes> inline uint32_t load(const uint8_t *p)
{
    uint32_t v = 0;
    for (int i = 0; i < Bytes; ++i)
        v |= uint32_t(p[i]) << (8 * i);
    return v;
}

template <int Bytes, int Code> inline int32_t decode(uint32_t x)
{
    constexpr uint32_t msb = uint32_t(1) << (8 * Bytes - 1);
    if (Code == CodeGray) {
        for (int s = 1; s < 8 * Bytes; s *= 2)
            x ^= x >> s;
    }
    if (Code != CodeTwosComplement)
        x ^= msb;
    return typename Width<Bytes>::Signed(x);
}

// Significant bits sit at the top of the stored width; a width outside 1..8*bytes keeps all.
inline int dropBits(int bytes, int bitRange)
{
    const int width = 8 * bytes;
    return bitRange >= 1 && bitRange <= width ? width - bitRange : 0;
}

template <int Bytes, int Code>
void unpackTyped(const uint8_t *src, size_t frames, int channels, int shift, double *dst,
                 size_t stride)
{
    const size_t frameBytes = size_t(channels) * Bytes;
    for (int c = 0; c < channels; ++c) {
        const uint8_t *p = src + size_t(c) * Bytes;
        double *out = dst + size_t(c) * stride;
        for (size_t f = 0; f < frames; ++f, p += frameBytes)
            out[f] = double(decode<Bytes, Code>(load<Bytes>(p)) >> shift);
    }
}

// Little-endian IEEE samples; the scale is a power of two, so the product is exact.
template <typename Real>
void unpackReal(const uint8_t *src, size_t frames, int channels, double scale, double *dst,
                size_t stride)
{
    const size_t frameBytes = size_t(channels) * sizeof(Real);
    for (int c = 0; c < channels; ++c) {
        const uint8_t *p = src + size_t(c) * sizeof(Real);
        double *out = dst + size_t(c) * stride;
        for (size_t f = 0; f < frames; ++f, p += frameBytes) {
            typename std::conditional<sizeof(Real) == 4, uint32_t, uint64_t>::type word = 0;
            for (size_t i = 0; i < sizeof(Real); ++i)
                word |= decltype(word)(p[i]) << (8 * i);
            Real x;
            std::memcpy(&x, &word, sizeof(Real));
            out[f] = double(x) * scale;
        }
    }
}

template <int Bytes>
void unpackWidth(const uint8_t *src, size_t frames, int channels, int codeType, int shift,
                 double *dst, size_t stride)
{
    switch (codeType) {
    case CodeOffsetBinary:
        unpackTyped<Bytes, CodeOffsetBinary>(src, frames, channels, shift, dst, stride);
        break;
    case CodeGray:
        unpackTyped<Bytes, CodeGray>(src, frames, channels, shift, dst, stride);
        break;
    default:
        unpackTyped<Bytes, CodeTwosComplement>(src, frames, channels, shift, dst, stride);
        break;
    }
}

} // namespace

int32_t decodeSample(uint32_t raw, int bytes, int codeType, int bitRange)
{
    // One sample through the block kernel, so that both can never disagree.
    const uint8_t stored[4] = {uint8_t(raw), uint8_t(raw >> 8), uint8_t(raw >> 16),
                               uint8_t(raw >> 24)};
    double value = 0.0;
    unpackFrames(stored, 1, 1, bytes, codeType, bitRange, &value, 1);
    return int32_t(value);
}

uint32_t encodeSample(int32_t code, int bytes, int codeType, int bitRange)
{
    const int width = 8 * (bytes == 1 || bytes == 2 ? bytes : 4);
    const uint32_t mask = width == 32 ? 0xFFFFFFFFu : (uint32_t(1) << width) - 1;
    const uint32_t msb = uint32_t(1) << (width - 1);
    uint32_t x = (uint32_t(code) << dropBits(width / 8, bitRange)) & mask;
    if (codeType == CodeOffsetBinary || codeType == CodeGray)
        x ^= msb;
    if (codeType == CodeGray)
        x ^= x >> 1;
    return x;
}

bool isSampleWidth(int bytes, int codeType)
{
    return codeType == CodeFloat ? bytes == 4 || bytes == 8 : bytes == 1 || bytes == 2 || bytes == 4;
}

void unpackFrames(const uint8_t *src, size_t frames, int channels, int bytes, int codeType,
                  int bitRange, double *dst, size_t dstStride)
{
    static_assert(sizeof(float) == 4 && sizeof(double) == 8, "IEEE sample widths");
    if (!src || !dst || channels <= 0)
        return;
    if (codeType == CodeFloat) {
        const double scale = std::ldexp(1.0, bitRange >= 1 && bitRange <= 32 ? bitRange - 1 : 0);
        if (bytes == 4)
            unpackReal<float>(src, frames, channels, scale, dst, dstStride);
        else if (bytes == 8)
            unpackReal<double>(src, frames, channels, scale, dst, dstStride);
        return;
    }
    const int shift = dropBits(bytes, bitRange);
    switch (bytes) {
    case 1: unpackWidth<1>(src, frames, channels, codeType, shift, dst, dstStride); break;
    case 2: unpackWidth<2>(src, frames, channels, codeType, shift, dst, dstStride); break;
    case 4: unpackWidth<4>(src, frames, channels, codeType, shift, dst, dstStride); break;
    default: break;
    }
}
