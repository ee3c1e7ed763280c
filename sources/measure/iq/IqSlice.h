#pragma once
// The I/Q pair of a complex record over a span, copied out of a block: I is the even buffer
// channel of the pair, Q the odd one after it.
#include "sources/SampleSpan.h"

#include <vector>

struct IqSlice {
    std::vector<double> re, im; // I and Q, ADC codes
    std::vector<double> x;      // record sample numbers
    double sampleRate = 0.0;
    int bits = 0;

    bool empty() const { return re.empty() || re.size() != im.size(); }
    size_t size() const { return empty() ? 0 : re.size(); }
};

// The pair holding buffer channel k (2 (k / 2) and the one after); empty when either is missing.
IqSlice makeIqSlice(const BlockSnapshot &block, int k, const SampleSpan &span);
