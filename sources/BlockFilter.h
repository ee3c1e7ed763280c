#pragma once
// The filter of the filter dialog applied to a block: FilterParams checked and designed at a
// channel's sampling rate, then run over its samples in place. A filter that cannot be
// designed, or whose output is not finite, leaves the samples as they were and says why.
#include "dsp/FirFilter.h"
#include "dsp/IirDesign.h"
#include "sources/settings/FilterParams.h"

#include <QString>

#include <memory>
#include <vector>

// Why the parameters cannot be designed at fs (Hz): the key, its value and the rule broken;
// empty when they can. Cut-offs are the kHz fields; low- and high-pass use the lower one.
QString checkFilterParams(const FilterParams &params, double fs);

// The IIR the parameters describe at fs, as the design takes it.
IirParams iirParamsOf(const FilterParams &params, double fs);

struct FilterDesign {
    QString error;                 // empty when designed
    bool isFir = false;
    std::vector<double> taps;      // FIR
    std::vector<Biquad> sections;  // IIR
    bool ok() const { return error.isEmpty(); }
};

FilterDesign designFilter(const FilterParams &params, double fs);

// One per worker: keeps the last design (and the FIR's transforms) while the parameters and the
// rate stay the same. Each block is filtered from rest, run in over the samples before it.
class BlockFilter {
public:
    // Samples of the record before a block that the filter needs to run in on, so that the
    // block's output is free of its start-up: the FIR's taps - 1, the IIR's impulse response
    // down to -120 dB of tail energy. 0 when the filter cannot be designed.
    size_t settlingLength(double fs, const FilterParams &params);
    // Filters n samples in place after running in over `leadCount` samples that precede them;
    // returns an empty string, or why they were left unfiltered.
    QString apply(double *samples, size_t n, const double *leadIn, size_t leadCount, double fs,
                  const FilterParams &params);

    // The longest run-in asked for, whatever the filter: a longer IIR response is cut here.
    static constexpr size_t MaxSettlingLength = size_t(1) << 20;

private:
    bool prepare(double fs, const FilterParams &params);

    bool m_prepared = false;
    FilterParams m_params;
    double m_fs = 0.0;
    FilterDesign m_design;
    size_t m_settling = 0;
    std::unique_ptr<FirFilter> m_fir;
    std::vector<double> m_input, m_output;
};
