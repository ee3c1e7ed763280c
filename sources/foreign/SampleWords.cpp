#include "sources/foreign/SampleWords.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

uint64_t loadBytes(const uint8_t *p, int size, bool bigEndian)
{
    uint64_t v = 0;
    for (int i = 0; i < size; ++i)
        v |= uint64_t(p[bigEndian ? size - 1 - i : i]) << (8 * i);
    return v;
}

void storeBytes(uint64_t v, int bytes, uint8_t *dst)
{
    for (int i = 0; i < bytes; ++i)
        dst[i] = uint8_t(v >> (8 * i));
}

double realOfBits(uint64_t bits, int bytes)
{
    if (bytes == 4) {
        const uint32_t w = uint32_t(bits);
        float x;
        std::memcpy(&x, &w, 4);
        return x;
    }
    double x;
    std::memcpy(&x, &bits, 8);
    return x;
}

} // namespace

int ElementFormat::size() const
{
    switch (type) {
    case Element::Int8: case Element::UInt8: return 1;
    case Element::Int16: case Element::UInt16: return 2;
    case Element::Int32: case Element::UInt32: case Element::Float32: return 4;
    default: return 8;
    }
}

bool ElementFormat::isSigned() const
{
    return type == Element::Int8 || type == Element::Int16 || type == Element::Int32 ||
           type == Element::Int64;
}

int ElementFormat::wordBytes() const
{
    return wordIsFloat() ? size() : std::min(size(), 4);
}

void CodeScan::add(double value)
{
    m_whole = m_whole && value == std::floor(value) && value >= -2147483648.0 && value <= 2147483647.0;
    m_least = std::min(m_least, value);
    m_most = std::max(m_most, value);
}

int CodeScan::codeBits() const
{
    if (!m_whole || (m_least >= -1.0 && m_most <= 1.0))
        return 0;
    int bits = 8;
    while (m_least < -std::ldexp(1.0, bits - 1) || m_most > std::ldexp(1.0, bits - 1) - 1.0)
        ++bits;
    return bits;
}

void putCode(int64_t code, int bitRange, int bytes, uint8_t *dst)
{
    const int64_t top = (int64_t(1) << (bitRange - 1)) - 1;
    code = std::clamp<int64_t>(code, -top - 1, top);
    storeBytes(uint64_t(code) << (8 * bytes - bitRange), bytes, dst);
}

void putReal(double value, int bytes, uint8_t *dst)
{
    if (bytes == 4) {
        const float f = float(value);
        uint32_t w;
        std::memcpy(&w, &f, 4);
        storeBytes(w, 4, dst);
    } else {
        uint64_t w;
        std::memcpy(&w, &value, 8);
        storeBytes(w, 8, dst);
    }
}

double realOf(const uint8_t *word, int bytes)
{
    return realOfBits(loadBytes(word, bytes, false), bytes);
}

void elementsToWords(const uint8_t *src, size_t count, size_t srcStride, const ElementFormat &f,
                     int bitRange, uint8_t *dst, size_t dstStride)
{
    const int size = f.size(), word = f.wordBytes();
    if (f.isFloat()) {
        for (size_t i = 0; i < count; ++i, src += srcStride, dst += dstStride) {
            const double x = realOfBits(loadBytes(src, size, f.bigEndian), size);
            if (!f.floatCodes) {
                putReal(x, size, dst);
                continue;
            }
            // Codes were checked on opening; whatever follows is rounded and clipped like them.
            const double code = std::isnan(x) ? 0.0 : std::clamp(std::nearbyint(x), -0x1p40, 0x1p40);
            putCode(int64_t(code), bitRange, word, dst);
        }
        return;
    }
    const int width = 8 * size;
    const bool isSigned = f.isSigned();
    const int64_t midscale = int64_t(1) << (bitRange - 1);
    for (size_t i = 0; i < count; ++i, src += srcStride, dst += dstStride) {
        const uint64_t raw = loadBytes(src, size, f.bigEndian);
        int64_t code;
        if (isSigned)
            code = width == 64 ? int64_t(raw) : int64_t(raw << (64 - width)) >> (64 - width);
        else // the largest unsigned values clip like the largest codes
            code = raw > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(raw) - midscale;
        putCode(code, bitRange, word, dst);
    }
}
