#pragma once
// A stretch of one channel's buffer that a measurement takes: first position and length.
#include <cstdint>

struct SampleSpan {
    uint64_t offset = 0; // first buffer position
    uint64_t count = 0;
};
