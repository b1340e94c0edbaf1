#include "grid/TAxisTools.h"

#include <cmath>
#include <memory>

TAxis* TAxisTools::PointsToIntervals(TAxis* axis, char dimension) {
    const double r = axis->GetResolution();
    const double h = r * 0.5;
    const long n = axis->GetSize();
    const TPoint* first = axis->GetPoint(0);
    const TPoint* last = axis->GetPoint(n - 1);

    double x = first->GetX() - h;
    double y;
    double s = r;
    if (first->GetY() > last->GetY()) {
        y = first->GetY() + h;
        if (dimension == 'Y') s = -r;
    } else {
        y = first->GetY() - h;
    }

    std::unique_ptr<TAxis> result(new TAxis(r));
    for (long i = 0; i < n; ++i) {
        result->AddPoint(new TPoint(x, y));
        if (dimension == 'X') x = x + s; else y = y + s;
    }
    result->AddPoint(new TPoint(x, y));
    return result.release();
}

TAxis* TAxisTools::IntervalsToPoints(TAxis* axis, char /*dimension*/) {
    const long n = axis->GetSize();
    axis->GetPoint(0);
    axis->GetPoint(n - 1);
    std::unique_ptr<TAxis> result(new TAxis(axis->GetResolution()));
    for (long i = 0; i + 1 < n; ++i) {
        const TPoint* a = axis->GetPoint(i);
        const TPoint* b = axis->GetPoint(i + 1);
        result->AddPoint(new TPoint(a->GetX() + std::fabs(b->GetX() - a->GetX()) * 0.5,
                                    a->GetY() - std::fabs(b->GetY() - a->GetY()) * 0.5));
    }
    return result.release();
}
