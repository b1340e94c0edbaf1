#ifndef KORVEL_GRID_TAXIS_H
#define KORVEL_GRID_TAXIS_H

#include <atomic>
#include <vector>

#include "grid/TPoint.h"

// One dimension of a grid map: an ordered list of owned points and the cell
// size along it. A centre axis holds one point per cell; an interval axis
// one point per cell boundary. An X axis is read through the x ordinates of
// its points, a Y axis through the y ordinates.
//
// GetIndex finds the half-open segment [smaller end, larger end) holding an
// ordinate. On a monotone axis (the normal case) it does so by binary search;
// an axis that is not monotone is scanned from its first segment, which gives
// the same first match. An ordinate on the larger end of the axis, NaN, or any
// ordinate on an axis of fewer than two points lies in no segment and is
// refused with "Ordinate is out of range in TAxis::GetIndex".
class TAxis {
public:
    explicit TAxis(double resolution);
    TAxis(double resolution, long size);
    ~TAxis();

    TAxis(const TAxis&) = delete;
    TAxis& operator=(const TAxis&) = delete;

    long GetSize() const { return static_cast<long>(MbrVecPoints.size()); }
    double GetResolution() const { return MbrDblResolution; }

    // Appends point; the axis adopts it.
    void AddPoint(TPoint* point);
    // The axis's own point at index; the caller must not release it.
    TPoint* GetPoint(long index) const;
    // Releases the point held at index (if any) and adopts point.
    void SetPoint(long index, TPoint* point);

    long GetIndex(double ordinate, char axis) const;

    // New axes owned by the caller.
    TAxis* GetSegment(long start, long end) const;
    TAxis* GetSegment(TPoint* first, TPoint* last, char axis) const;
    TAxis* Clone() const;

private:
    enum class TOrder { Unknown, Ascending, Descending, Unordered, Incomplete };
    TOrder Order(bool x) const;

    double MbrDblResolution;
    std::vector<TPoint*> MbrVecPoints;
    // Monotony of the x and y ordinates, found on first use and forgotten
    // whenever a point is added or replaced (atomic: readers may share an axis).
    mutable std::atomic<TOrder> MbrOrderX{TOrder::Unknown};
    mutable std::atomic<TOrder> MbrOrderY{TOrder::Unknown};
};

#endif
