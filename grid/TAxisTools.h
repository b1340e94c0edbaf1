#ifndef KORVEL_GRID_TAXISTOOLS_H
#define KORVEL_GRID_TAXISTOOLS_H

#include "grid/TAxis.h"

// Conversions between the two kinds of axis of a map: cell centres and cell
// boundaries. x grows with the column index and y falls with the row index.
// Each returns a new axis, owned by the caller, with the resolution of the
// axis given; the given axis is not changed.
class TAxisTools {
public:
    // Centre axis of n >= 1 points to an interval axis of n + 1 points. The
    // boundaries follow from the resolution and the first centre alone.
    static TAxis* PointsToIntervals(TAxis* axis, char dimension);
    // Interval axis of n >= 1 points to a centre axis of n - 1 points.
    static TAxis* IntervalsToPoints(TAxis* axis, char dimension);
};

#endif
