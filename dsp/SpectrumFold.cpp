#include "dsp/SpectrumFold.h"

#include "dsp/Scan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

int foldSpectrum(const ComplexD *data, double *out, const SpectrumFold &f)
{
    const long m = f.binCount;
    const long chunk = BinSummary::kChunk;
    // Chunks map onto chunks when the halves hold whole chunks; smaller centred spectra get
    // their summary in a second pass.
    const bool chunkedSwap = f.centred && (m / 2) % chunk == 0;
    const long half = f.centred ? m / 2 : 0;
    const double keep = 1.0 - 1.0 / f.averageCount, take = 1.0 / f.averageCount;

    double best = 0.0;
    int peak = 0;
    for (long from = 0; from < m; from += chunk) {
        const long to = std::min(from + chunk, m);
        const long count = to - from;
        const long target = chunkedSwap ? (from + half) % m : from;
        double *o = out + target;
        for (long j = 0; j < count; ++j) {
            const ComplexD &v = data[from + j];
            o[j] = v.re * v.re + v.im * v.im;
        }
        double top = best;
        top = maxRange(o, 0, count, top);
        if (top > best) {
            best = top;
            peak = int(from + std::find(o, o + count, top) - o);
        }
        if (f.average) {
            double *a = f.average + from;
            if (f.blend)
                for (long j = 0; j < count; ++j)
                    o[j] = keep * a[j] + o[j] * take;
            std::memcpy(a, o, size_t(count) * sizeof(double));
        }
        if (f.oneSided)
            for (long j = from == 0 ? 1 : 0; j < count; ++j)
                o[j] *= 2.0;
        if (f.chunkSums && (!f.centred || chunkedSwap)) {
            f.chunkSums[target / chunk] = sumRange(o, 0, count);
            f.chunkMaxima[target / chunk] = maxRange(o, 0, count, -HUGE_VAL);
        }
    }
    if (f.centred && !chunkedSwap) {
        std::swap_ranges(out, out + half, out + half);
        if (f.chunkSums)
            BinSummary{out, m, f.chunkSums, f.chunkMaxima}.build();
    }
    return peak;
}
