#include "sources/measure/vector/VectorFigures.h"

#include <algorithm>
#include <cmath>

VectorFigures vectorFiguresOf(const IqSlice &z)
{
    const VectorPoint red{z.re.front(), z.im.front()}, blue{z.re.back(), z.im.back()};
    VectorFigures f;
    f.halfScale = std::ldexp(1.0, std::max(1, z.bits) - 1);
    f.polar = vectorReadout(red, blue, VectorReadoutStyle{false, false, false});
    f.radians = vectorReadout(red, blue, VectorReadoutStyle{false, true, false});
    f.rectangular = vectorReadout(red, blue, VectorReadoutStyle{true, false, true});
    return f;
}
