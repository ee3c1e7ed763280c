#include "dsp/Twiddles.h"

#include <cmath>

void TwiddleTable::build(uint32_t n, uint32_t count)
{
    const double step = -2.0 * M_PI / double(n);
    const size_t his = count / kLo + 1;
    hiRe.resize(his);
    hiIm.resize(his);
    for (size_t h = 0; h < his; ++h) {
        hiRe[h] = std::cos(step * double(h * kLo));
        hiIm[h] = std::sin(step * double(h * kLo));
    }
    loRe.resize(kLo);
    loIm.resize(kLo);
    for (uint32_t l = 0; l < kLo; ++l) {
        loRe[l] = std::cos(step * l);
        loIm[l] = std::sin(step * l);
    }
}
