#pragma once
// Array elements of the foreign formats (integers of 1 to 8 bytes, signed or not, IEEE floats,
// either byte order) to the words a record stores: integer codes as two's complement with the
// significant bits at the top, clipped to them; floats as they are.
#include <cstddef>
#include <cstdint>

enum class Element { Int8, UInt8, Int16, UInt16, Int32, UInt32, Int64, UInt64, Float32, Float64 };

struct ElementFormat {
    Element type = Element::Int16;
    bool bigEndian = false;

    int size() const;      // bytes of one element
    bool isFloat() const { return type == Element::Float32 || type == Element::Float64; }
    bool isSigned() const;
    int wordBytes() const; // bytes of its word in a record: 64-bit integers get 4
};

// The word of a code: clipped to bitRange bits, shifted to the top of `bytes`, little-endian.
void putCode(int64_t code, int bitRange, int bytes, uint8_t *dst);
// A float word of 4 or 8 bytes, little-endian.
void putReal(double value, int bytes, uint8_t *dst);

// Converts `count` elements, srcStride bytes apart, into words dstStride bytes apart. Unsigned
// integers are offset binary around 2^(bitRange-1); bitRange is ignored for floats.
void elementsToWords(const uint8_t *src, size_t count, size_t srcStride, const ElementFormat &f,
                     int bitRange, uint8_t *dst, size_t dstStride);
