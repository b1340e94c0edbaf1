#ifndef KORVEL_UTIL_TPOINTTOOLS_H
#define KORVEL_UTIL_TPOINTTOOLS_H

#include <vector>

#include "grid/TPoint.h"

// Plane geometry on TPoint: the centroid of a point list, a pseudo-angle
// between two points, the area of a triangle (Heron), the componentwise
// maximum and minimum of two points, the area of a convex polygon and the
// convex hull of a point set.
//
// Every operation is static. The points given are only read, never changed
// or released, and must not be null. Errors are thrown as const char*
// messages.
//
// What a caller must know:
// - FindCentroid, Max and Min return a new TPoint that the caller owns.
//   FindConvexHull returns a new list of new points (Clone copies, so
//   TMapPoints keep their type and value); the caller owns them all.
// - Theta is a pseudo-angle in [0, 360), counterclockwise from +x. It rises
//   with the true angle and agrees with it at multiples of 45 only.
// - FindCentroid of an empty list is (NaN, NaN).
// - Heron gives 0, not NaN, for a flat triangle whose formula goes slightly
//   negative through rounding.
// - FindConvexPolygonArea adds the triangles on consecutive vertex pairs
//   only, not on (last, first): pass the polygon as a closed ring with its
//   first vertex repeated at the end to get its full area.
// - FindConvexHull returns the hull vertices counterclockwise, starting with
//   the lowest point (the rightmost of them if several share the lowest y).
//   Points inside the hull or on its edges between vertices are left out,
//   and so are repeated copies of a vertex.
// - FindConvexPolygonArea and FindConvexHull throw on an empty list.
class TPointTools {
public:
    TPointTools() = delete;

    // The mean point of the list.
    static TPoint* FindCentroid(std::vector<TPoint*> VecPtrPoints);

    // Pseudo-angle of the direction from PtrP2 to PtrP1; 0 for equal points.
    static double Theta(const TPoint* PtrP1, const TPoint* PtrP2);

    // Area of the triangle on the three points.
    static double Heron(const TPoint* PtrP1, const TPoint* PtrP2, const TPoint* PtrP3);

    // Componentwise maximum; PtrP1's ordinate on ties and on NaN.
    static TPoint* Max(const TPoint* PtrP1, const TPoint* PtrP2);

    // Componentwise minimum; PtrP1's ordinate on ties and on NaN.
    static TPoint* Min(const TPoint* PtrP1, const TPoint* PtrP2);

    // Area of the convex polygon whose vertices are given in order.
    static double FindConvexPolygonArea(std::vector<TPoint*> VecPtrPoints);

    // The convex hull's vertices in walk order.
    static std::vector<TPoint*> FindConvexHull(std::vector<TPoint*> VecPtrPoints);
};

#endif
