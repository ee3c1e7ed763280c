#include "sources/measure/iq/IqFigures.h"

IqFigures iqFiguresOf(const IqSlice &z)
{
    const size_t n = z.size();
    IqFigures f;
    f.envelope.resize(n);
    f.frequency.resize(n);
    f.phase.resize(n);
    iqEnvelope(z.re.data(), z.im.data(), n, 1.0, f.envelope.data());
    iqFrequency(z.re.data(), z.im.data(), n, z.sampleRate, f.frequency.data());
    iqPhase(z.re.data(), z.im.data(), n, f.phase.data());
    f.envelopeStats = seriesStats(f.envelope.data(), n);
    f.frequencyStats = seriesStats(f.frequency.data(), n);
    f.span = unwrappedSpan(f.phase.data(), n);
    return f;
}
