#ifndef KORVEL_GRID_TPOINT_H
#define KORVEL_GRID_TPOINT_H

// A point of the plane. Points live on the heap and are handled as TPoint*;
// an axis may hold TMapPoints, so releasing through TPoint* releases the
// whole object. A point is not changed after construction.
class TPoint {
public:
    TPoint(double x, double y) : MbrDblX(x), MbrDblY(y) {}
    virtual ~TPoint() = default;

    double GetX() const { return MbrDblX; }
    double GetY() const { return MbrDblY; }

    // A new copy of the same kind of point; the caller owns it.
    virtual TPoint* Clone() const;

    // Euclidean distance to other.
    double Distance(const TPoint* other) const;

protected:
    TPoint(const TPoint&) = default;
    TPoint& operator=(const TPoint&) = delete;

    double MbrDblX;
    double MbrDblY;
};

#include "grid/TMapPoint.h"

#endif
