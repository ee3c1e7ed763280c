#pragma once
// Twiddle factors W^k = e^{-2 pi i k / n} for k = 0..count-1, kept as hi[k / 64] * lo[k % 64]:
// two small tables instead of one of count entries (the big one would cost a block as much
// memory traffic as the samples), each product exact to an ulp or two.
#include <cstdint>
#include <vector>

struct TwiddleTable {
    static constexpr uint32_t kLo = 64;
    std::vector<double> hiRe, hiIm, loRe, loIm;

    void build(uint32_t n, uint32_t count);

    void at(uint32_t k, double &re, double &im) const
    {
        const uint32_t h = k / kLo, l = k % kLo;
        re = hiRe[h] * loRe[l] - hiIm[h] * loIm[l];
        im = hiRe[h] * loIm[l] + hiIm[h] * loRe[l];
    }
};
