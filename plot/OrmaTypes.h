#pragma once
// Scalar and point names used in the signatures of the plot's slots and signals.
#include <QPointF>

typedef unsigned char U08;     // a flag byte: 0 false, anything else true
typedef double REAL64;
typedef QPointF QwtDoublePoint;
