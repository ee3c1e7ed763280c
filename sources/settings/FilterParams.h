#pragma once
// The block of filter settings the filter dialog hands to the source: 12 words, 48 bytes.
#include <cstdint>

struct FilterParams {
    uint8_t filterType = 0;     // 0 FIR, 1 IIR
    uint8_t filterFunction = 0; // 0 low-pass, 1 high-pass, 2 band-pass, 3 band-stop
    uint8_t firFilter = 0;      // 0 Kaiser, 1 window
    uint8_t firWindow = 0;      // 0 rectangular .. 4 Blackman
    int32_t firLength = 0;      // taps, odd
    float firBetaKaiser = 0.0f;
    float firLowFreq = 0.0f;    // kHz
    float firUpFreq = 0.0f;     // kHz
    uint32_t iirFilter = 0;     // 0 Butterworth .. 4 Bessel, in a full word
    int32_t iirOrder = 0;
    float iirLowFreq = 0.0f;    // kHz
    float iirUpFreq = 0.0f;     // kHz
    float iirPulse = 0.0f;      // pass-band ripple, dB
    float iirDepresion = 0.0f;  // stop-band attenuation, dB
    int32_t filterId = 0;       // filterType*32 + (IIR ? iirFilter : firFilter)*4 + filterFunction
};
static_assert(sizeof(FilterParams) == 48, "the filter block is exchanged as 48 bytes");

// 0-3 Kaiser FIR, 4-7 windowed FIR, 32-35 Butterworth ... 48-51 Bessel; the last two bits are
// the filter function.
inline int32_t filterIdOf(const FilterParams &p)
{
    return int32_t(p.filterType) * 32 + int32_t(p.filterType ? p.iirFilter : p.firFilter) * 4 +
           int32_t(p.filterFunction);
}

inline bool operator==(const FilterParams &a, const FilterParams &b)
{
    return a.filterType == b.filterType && a.filterFunction == b.filterFunction &&
           a.firFilter == b.firFilter && a.firWindow == b.firWindow &&
           a.firLength == b.firLength && a.firBetaKaiser == b.firBetaKaiser &&
           a.firLowFreq == b.firLowFreq && a.firUpFreq == b.firUpFreq &&
           a.iirFilter == b.iirFilter && a.iirOrder == b.iirOrder &&
           a.iirLowFreq == b.iirLowFreq && a.iirUpFreq == b.iirUpFreq &&
           a.iirPulse == b.iirPulse && a.iirDepresion == b.iirDepresion &&
           a.filterId == b.filterId;
}
inline bool operator!=(const FilterParams &a, const FilterParams &b) { return !(a == b); }
