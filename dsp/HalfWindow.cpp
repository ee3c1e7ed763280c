#include "dsp/HalfWindow.h"

#include "dsp/Windows.h"

#include <algorithm>
#include <cstring>
#include <new>

void HalfWindow::build(int code, size_t n, double sidelobeLevel)
{
    m_size = n;
    m_mirror = size_t(windowMirror(code, int(n)));
    m_split = std::min(m_mirror / 2 + 1, n);
    m_half = largeArray<double>(m_split);
    if (m_split == 0)
        return;
    if (!m_half)
        throw std::bad_alloc();
    int status;
    if (code == WindowChebyshev) {
        // Its transform needs the whole array; only the half is kept.
        std::unique_ptr<double[]> full(new double[n]), scratch(new double[n]);
        status = buildWindow(code, full.get(), int(n), sidelobeLevel, scratch.get());
        if (status == 0)
            std::memcpy(m_half.get(), full.get(), m_split * sizeof(double));
    } else {
        status = buildWindow(code, m_half.get(), int(n), sidelobeLevel, nullptr, int(m_split));
    }
    if (status != 0)
        std::fill(m_half.get(), m_half.get() + m_split, 1.0); // unknown code: unweighted
}
