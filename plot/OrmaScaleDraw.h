#pragma once
// Axis labels in the display unit of a converter, without trailing zeros.
#include <qwt_scale_draw.h>

class Transforms;

class OrmaScaleDraw : public QwtScaleDraw
{
public:
    // Not owned. Setting it drops the cached labels, as does invalidateCache() after a
    // unit change of the converter.
    void setTransforms(Transforms *transforms);
    Transforms *transforms() const { return m_transforms; }
    void setPrecision(int decimals);
    int precision() const { return m_precision; }
    using QwtAbstractScaleDraw::invalidateCache;

    QwtText label(double value) const override;

protected:
    void drawLabel(QPainter *painter, double value) const override;

private:
    Transforms *m_transforms = nullptr;
    int m_precision = 3;
};

// value with the given decimals, then trailing zeros and a bare point removed: 1.500 -> "1.5".
QString trimmedNumber(double value, int decimals);
