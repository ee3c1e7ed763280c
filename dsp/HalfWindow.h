#pragma once
// A spectral window kept as the half it is made of. Every weighting window is even: about N/2
// for the periodic ones (w[k] = w[N - k]), about (N - 1)/2 for the symmetric ones
// (w[k] = w[N - 1 - k]). Storing one half halves the weights read for every block, the
// memory an 8M-point window takes and the work of building it.
#include "dsp/LargeArray.h"

#include <cstddef>

class HalfWindow {
public:
    // Builds the half of the n weights of the window code that determines them. An unknown
    // code gives unit weights.
    void build(int code, size_t n, double sidelobeLevel);

    size_t size() const { return m_size; }

    // The weight at k < n.
    double weight(size_t k) const { return k < m_split ? m_half[k] : m_half[m_mirror - k]; }

    // The weights as mirror pairs, for fills that read each stored weight once:
    // w[k] = w[mirror - k] = half[k] for k in [pairFrom, pairTo); every other k below `split`
    // stands alone with w[k] = half[k]. Together they cover 0..n-1 once.
    struct Pairs {
        const double *half;
        size_t pairFrom, pairTo, split, mirror;
    };
    Pairs pairs() const
    {
        return {m_half.get(), m_mirror + 1 - m_size, m_mirror + 1 - m_split, m_split, m_mirror};
    }

    // Calls f(k, w[k]) for k = 0..n-1 in two ascending runs, so that the compiler vectorises
    // both: the weights are read forwards, then backwards.
    template <typename F> void forEach(F f) const
    {
        const double *h = m_half.get();
        for (size_t k = 0; k < m_split; ++k)
            f(k, h[k]);
        for (size_t k = m_split; k < m_size; ++k)
            f(k, h[m_mirror - k]);
    }

private:
    LargeArray<double> m_half;
    size_t m_size = 0;
    size_t m_split = 0;  // weights below this index are stored as they are
    size_t m_mirror = 0; // w[k] = half[m_mirror - k] from m_split on
};
