#pragma once
// Array elements of the foreign formats (integers of 1 to 8 bytes, signed or not, IEEE floats,
// either byte order) to the words a record stores: integer codes as two's complement with the
// significant bits at the top, clipped to them; floats as they are, or as codes where they hold
// codes (MATLAB's doubles of ADC codes).
#include <cstddef>
#include <cstdint>

enum class Element { Int8, UInt8, Int16, UInt16, Int32, UInt32, Int64, UInt64, Float32, Float64 };

struct ElementFormat {
    Element type = Element::Int16;
    bool bigEndian = false;
    bool floatCodes = false; // floats holding whole codes: rounded into 4-byte code words

    int size() const;      // bytes of one element
    bool isFloat() const { return type == Element::Float32 || type == Element::Float64; }
    bool wordIsFloat() const { return isFloat() && !floatCodes; }
    bool isSigned() const;
    int wordBytes() const; // bytes of its word in a record: 64-bit integers and float codes get 4
};

// Whether float values are ADC codes stored as floats rather than fractions of the full scale:
// all whole, within 32 bits, and one beyond +-1 (which no fraction of the full scale is).
class CodeScan {
public:
    void add(double value);
    // The smallest two's complement width (at least 8 bits) that holds the values when they are
    // codes; 0 when they are fractions.
    int codeBits() const;

private:
    bool m_whole = true;
    double m_least = 0.0, m_most = 0.0;
};

// The word of a code: clipped to bitRange bits, shifted to the top of `bytes`, little-endian.
void putCode(int64_t code, int bitRange, int bytes, uint8_t *dst);
// A float word of 4 or 8 bytes, little-endian.
void putReal(double value, int bytes, uint8_t *dst);
// The value of such a word.
double realOf(const uint8_t *word, int bytes);

// Converts `count` elements, srcStride bytes apart, into words dstStride bytes apart. Unsigned
// integers are offset binary around 2^(bitRange-1); bitRange is ignored for float words.
void elementsToWords(const uint8_t *src, size_t count, size_t srcStride, const ElementFormat &f,
                     int bitRange, uint8_t *dst, size_t dstStride);
