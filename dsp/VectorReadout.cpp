#include "dsp/VectorReadout.h"

#include <cmath>

VectorReadout vectorReadout(const VectorPoint &red, const VectorPoint &blue,
                            const VectorReadoutStyle &style)
{
    VectorReadout out;
    if (style.rectangular) {
        const auto value = [&](double v) { return style.wholeCodes ? std::trunc(v) : v; };
        out.red[0] = value(red.i);
        out.red[1] = value(red.q);
        out.blue[0] = value(blue.i);
        out.blue[1] = value(blue.q);
        out.delta[0] = std::abs(out.blue[0] - out.red[0]);
        out.delta[1] = std::abs(out.blue[1] - out.red[1]);
        return out;
    }
    const double toUnit = style.radians ? 1.0 : 180.0 / M_PI;
    const double redPhase = std::atan2(red.q, red.i), bluePhase = std::atan2(blue.q, blue.i);
    out.red[0] = std::hypot(red.i, red.q);
    out.red[1] = redPhase * toUnit;
    out.blue[0] = std::hypot(blue.i, blue.q);
    out.blue[1] = bluePhase * toUnit;
    out.delta[0] = std::abs(out.blue[0] - out.red[0]);
    // Points either side of the negative I axis are close, not nearly a full turn apart.
    out.delta[1] = std::abs(std::remainder(bluePhase - redPhase, 2.0 * M_PI)) * toUnit;
    return out;
}
