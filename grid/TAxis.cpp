#include "grid/TAxis.h"

#include <memory>

namespace {
inline double Ordinate(const TPoint* point, bool x) { return x ? point->GetX() : point->GetY(); }
}  // namespace

TAxis::TAxis(double resolution) : MbrDblResolution(resolution) {}

TAxis::TAxis(double resolution, long size)
    : MbrDblResolution(resolution), MbrVecPoints(size > 0 ? static_cast<size_t>(size) : 0, nullptr) {}

TAxis::~TAxis() {
    for (TPoint* point : MbrVecPoints) delete point;
}

void TAxis::AddPoint(TPoint* point) {
    std::unique_ptr<TPoint> owned(point);
    MbrVecPoints.push_back(point);
    owned.release();
    MbrOrderX = MbrOrderY = TOrder::Unknown;
}

TPoint* TAxis::GetPoint(long index) const {
    if (index < 0 || index >= GetSize()) throw "Index is out of range in TAxis::GetPoint";
    return MbrVecPoints[static_cast<size_t>(index)];
}

void TAxis::SetPoint(long index, TPoint* point) {
    if (index < 0 || index >= GetSize()) throw "Index is out of range in TAxis::SetPoint";
    TPoint*& slot = MbrVecPoints[static_cast<size_t>(index)];
    if (slot != point) delete slot;
    slot = point;
    MbrOrderX = MbrOrderY = TOrder::Unknown;
}

TAxis::TOrder TAxis::Order(bool x) const {
    std::atomic<TOrder>& cached = x ? MbrOrderX : MbrOrderY;
    TOrder order = cached.load(std::memory_order_relaxed);
    if (order != TOrder::Unknown) return order;
    for (const TPoint* point : MbrVecPoints)
        if (!point) {
            cached.store(TOrder::Incomplete, std::memory_order_relaxed);
            return TOrder::Incomplete;
        }
    bool up = true, down = true;
    for (size_t i = 1; i < MbrVecPoints.size() && (up || down); ++i) {
        const double a = Ordinate(MbrVecPoints[i - 1], x);
        const double b = Ordinate(MbrVecPoints[i], x);
        if (!(a <= b)) up = false;
        if (!(a >= b)) down = false;
    }
    order = up ? TOrder::Ascending : down ? TOrder::Descending : TOrder::Unordered;
    cached.store(order, std::memory_order_relaxed);
    return order;
}

long TAxis::GetIndex(double ordinate, char axis) const {
    const char* const outOfRange = "Ordinate is out of range in TAxis::GetIndex";
    const size_t n = MbrVecPoints.size();
    if (n < 2) throw outOfRange;
    const bool x = axis == 'X';
    const TOrder order = Order(x);
    if (order == TOrder::Incomplete) throw "Axis has an empty slot in TAxis::GetIndex";
    const double first = Ordinate(MbrVecPoints.front(), x);
    const double last = Ordinate(MbrVecPoints.back(), x);
    const double lo = first < last ? first : last;
    const double hi = first < last ? last : first;
    if (!(ordinate >= lo && ordinate <= hi)) throw outOfRange;

    switch (order) {
    case TOrder::Ascending: {
        // First i with o(i) > ordinate; the segment is the one before it.
        size_t a = 0, b = n;
        while (a < b) {
            const size_t m = a + (b - a) / 2;
            if (Ordinate(MbrVecPoints[m], x) > ordinate) b = m; else a = m + 1;
        }
        if (a == 0 || a == n) throw outOfRange;
        return static_cast<long>(a - 1);
    }
    case TOrder::Descending: {
        // First i with o(i) <= ordinate; the segment is the one before it.
        size_t a = 0, b = n;
        while (a < b) {
            const size_t m = a + (b - a) / 2;
            if (Ordinate(MbrVecPoints[m], x) <= ordinate) b = m; else a = m + 1;
        }
        if (a == 0 || a == n) throw outOfRange;
        return static_cast<long>(a - 1);
    }
    default:
        for (size_t i = 0; i + 1 < n; ++i) {
            const double p = Ordinate(MbrVecPoints[i], x);
            const double q = Ordinate(MbrVecPoints[i + 1], x);
            const double a = p < q ? p : q;
            const double b = p < q ? q : p;
            if (a <= ordinate && ordinate < b) return static_cast<long>(i);
        }
        throw outOfRange;
    }
}

TAxis* TAxis::GetSegment(long start, long end) const {
    if (start < 0 || start >= GetSize()) throw "Start index is out of range in TAxis::GetSegment";
    if (end < 0 || end >= GetSize()) throw "End index is out of range in TAxis::GetSegment";
    if (start > end) throw "Start index is greater than end index in TAxis::GetSegment";
    std::unique_ptr<TAxis> segment(new TAxis(MbrDblResolution, end - start + 1));
    for (long k = 0; k <= end - start; ++k)
        segment->MbrVecPoints[static_cast<size_t>(k)] = GetPoint(start + k)->Clone();
    return segment.release();
}

TAxis* TAxis::GetSegment(TPoint* first, TPoint* last, char axis) const {
    const bool x = axis == 'X';
    const long start = GetIndex(Ordinate(first, x), axis);
    const long end = GetIndex(Ordinate(last, x), axis);
    return GetSegment(start, end);
}

TAxis* TAxis::Clone() const {
    std::unique_ptr<TAxis> copy(new TAxis(MbrDblResolution, GetSize()));
    for (size_t i = 0; i < MbrVecPoints.size(); ++i) {
        if (!MbrVecPoints[i]) throw "Index is out of range in TAxis::GetPoint";
        copy->MbrVecPoints[i] = MbrVecPoints[i]->Clone();
    }
    return copy.release();
}
