#include "dsp/HalfWindow.h"

#include "dsp/Windows.h"

#include <algorithm>
#include <cmath>

namespace {

// Even about mirror/2: w[k] == w[mirror - k] for every pair inside the array, to rounding.
bool isEven(const double *w, size_t n, size_t mirror)
{
    for (size_t k = mirror + 1 - n; k < mirror - k; ++k)
        if (std::fabs(w[k] - w[mirror - k]) > 1e-12 * (1.0 + std::fabs(w[k])))
            return false;
    return true;
}

} // namespace

void HalfWindow::build(int code, size_t n, double sidelobeLevel)
{
    std::unique_ptr<double[]> full(new double[n]);
    std::unique_ptr<double[]> scratch;
    if (code == WindowChebyshev)
        scratch.reset(new double[n]);
    if (buildWindow(code, full.get(), int(n), sidelobeLevel, scratch.get()) != 0)
        std::fill(full.get(), full.get() + n, 1.0); // unknown code: unweighted

    m_size = n;
    if (n >= 2 && isEven(full.get(), n, n)) {
        m_split = n / 2 + 1;
        m_mirror = n;
    } else if (n >= 2 && isEven(full.get(), n, n - 1)) {
        m_split = (n + 1) / 2;
        m_mirror = n - 1;
    } else {
        m_half = std::move(full);
        m_split = m_mirror = n;
        return;
    }
    m_half.reset(new double[m_split]);
    std::copy(full.get(), full.get() + m_split, m_half.get());
}
