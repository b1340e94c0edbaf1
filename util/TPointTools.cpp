#include "util/TPointTools.h"

#include <cmath>
#include <cstddef>
#include <memory>
#include <utility>

TPoint* TPointTools::FindCentroid(std::vector<TPoint*> VecPtrPoints) {
    double DblSumX = 0.0;
    double DblSumY = 0.0;
    for (const TPoint* PtrPoint : VecPtrPoints) {
        DblSumX += PtrPoint->GetX();
        DblSumY += PtrPoint->GetY();
    }
    const double DblCount = static_cast<double>(VecPtrPoints.size());
    return new TPoint(DblSumX / DblCount, DblSumY / DblCount);
}

double TPointTools::Theta(const TPoint* PtrP1, const TPoint* PtrP2) {
    const double DblDx = PtrP1->GetX() - PtrP2->GetX();
    const double DblDy = PtrP1->GetY() - PtrP2->GetY();
    double DblT = 0.0;
    if (DblDx != 0.0 || DblDy != 0.0) {
        DblT = DblDy / (std::fabs(DblDx) + std::fabs(DblDy));
    }
    if (DblDx < 0.0) {
        DblT = 2.0 - DblT;
    } else if (DblDy < 0.0) {
        DblT = DblT + 4.0;
    }
    return DblT * 90.0;
}

double TPointTools::Heron(const TPoint* PtrP1, const TPoint* PtrP2, const TPoint* PtrP3) {
    const double DblA = PtrP1->Distance(PtrP2);
    const double DblB = PtrP1->Distance(PtrP3);
    const double DblC = PtrP2->Distance(PtrP3);
    const double DblS = (DblA + DblB + DblC) * 0.5;
    double DblRadicand = DblS * (DblS - DblA) * (DblS - DblB) * (DblS - DblC);
    // The sides of real points always form a triangle, so a negative product
    // can only come from rounding on a flat triangle: its area is 0. NaN
    // (from NaN coordinates) is kept.
    if (DblRadicand < 0.0) {
        DblRadicand = 0.0;
    }
    return std::sqrt(DblRadicand);
}

TPoint* TPointTools::Max(const TPoint* PtrP1, const TPoint* PtrP2) {
    const double DblX = PtrP2->GetX() > PtrP1->GetX() ? PtrP2->GetX() : PtrP1->GetX();
    const double DblY = PtrP2->GetY() > PtrP1->GetY() ? PtrP2->GetY() : PtrP1->GetY();
    return new TPoint(DblX, DblY);
}

TPoint* TPointTools::Min(const TPoint* PtrP1, const TPoint* PtrP2) {
    const double DblX = PtrP1->GetX() > PtrP2->GetX() ? PtrP2->GetX() : PtrP1->GetX();
    const double DblY = PtrP1->GetY() > PtrP2->GetY() ? PtrP2->GetY() : PtrP1->GetY();
    return new TPoint(DblX, DblY);
}

double TPointTools::FindConvexPolygonArea(std::vector<TPoint*> VecPtrPoints) {
    if (VecPtrPoints.empty()) {
        throw "Point list is empty in TPointTools::FindConvexPolygonArea";
    }
    const std::unique_ptr<TPoint> PtrCentroid(FindCentroid(VecPtrPoints));
    double DblArea = 0.0;
    for (std::size_t LngK = 1; LngK < VecPtrPoints.size(); ++LngK) {
        DblArea += Heron(VecPtrPoints[LngK], VecPtrPoints[LngK - 1], PtrCentroid.get());
    }
    return DblArea;
}

namespace {

bool SamePlace(const TPoint* PtrA, const TPoint* PtrB) {
    return PtrA->GetX() == PtrB->GetX() && PtrA->GetY() == PtrB->GetY();
}

}  // namespace

std::vector<TPoint*> TPointTools::FindConvexHull(std::vector<TPoint*> VecPtrPoints) {
    if (VecPtrPoints.empty()) {
        throw "Point list is empty in TPointTools::FindConvexHull";
    }
    const std::size_t LngN = VecPtrPoints.size();

    // Package wrapping. The work list holds the given points (only read and
    // reordered) followed by the start point again at position LngN, which
    // marks the end of the walk.
    std::vector<const TPoint*> VecPtrWork(VecPtrPoints.begin(), VecPtrPoints.end());

    // Start at the lowest point. Among points of equal lowest y the rightmost
    // is taken: every other point is then at a pseudo-angle above 0 from it,
    // so the walk can reach them all (a point at angle 0 is never chosen).
    std::size_t LngStart = 0;
    for (std::size_t LngI = 1; LngI < LngN; ++LngI) {
        const TPoint* PtrPoint = VecPtrWork[LngI];
        const TPoint* PtrBest = VecPtrWork[LngStart];
        if (PtrPoint->GetY() < PtrBest->GetY() ||
            (PtrPoint->GetY() == PtrBest->GetY() && PtrPoint->GetX() > PtrBest->GetX())) {
            LngStart = LngI;
        }
    }
    const TPoint* PtrStart = VecPtrWork[LngStart];
    VecPtrWork.push_back(PtrStart);

    // From each hull point take the candidate at the smallest angle above the
    // angle of the previous edge. On equal angles the farthest candidate is
    // taken, so points on an edge neither end the walk early nor hide the
    // vertex behind them. Copies of the start point are passed over: the end
    // marker stands for them.
    const std::size_t LngNone = LngN + 1;
    double DblPrevAngle = 0.0;
    std::size_t LngChosen = LngStart;
    std::size_t LngLast = 0;
    for (std::size_t LngM = 0; LngM < LngN; ++LngM) {
        std::swap(VecPtrWork[LngM], VecPtrWork[LngChosen]);
        const TPoint* PtrCurrent = VecPtrWork[LngM];
        LngLast = LngM;

        std::size_t LngBest = LngNone;
        double DblBestAngle = 360.0;
        double DblBestDistance = 0.0;
        for (std::size_t LngI = LngM + 1; LngI <= LngN; ++LngI) {
            const TPoint* PtrCandidate = VecPtrWork[LngI];
            if (LngI < LngN && SamePlace(PtrCandidate, PtrStart)) {
                continue;
            }
            const double DblAngle = Theta(PtrCandidate, PtrCurrent);
            if (!(DblAngle > DblPrevAngle) || DblAngle > DblBestAngle) {
                continue;
            }
            if (DblAngle < DblBestAngle) {
                LngBest = LngI;
                DblBestAngle = DblAngle;
                DblBestDistance = PtrCurrent->Distance(PtrCandidate);
            } else if (LngBest != LngNone) {
                const double DblDistance = PtrCurrent->Distance(PtrCandidate);
                if (DblDistance > DblBestDistance) {
                    LngBest = LngI;
                    DblBestDistance = DblDistance;
                }
            }
        }
        if (LngBest == LngNone || LngBest == LngN) {
            break;
        }
        DblPrevAngle = DblBestAngle;
        LngChosen = LngBest;
    }

    std::vector<std::unique_ptr<TPoint>> VecPtrHull;
    VecPtrHull.reserve(LngLast + 1);
    for (std::size_t LngI = 0; LngI <= LngLast; ++LngI) {
        std::unique_ptr<TPoint> PtrCopy(VecPtrWork[LngI]->Clone());
        VecPtrHull.push_back(std::move(PtrCopy));
    }
    std::vector<TPoint*> VecPtrResult;
    VecPtrResult.reserve(VecPtrHull.size());
    for (std::unique_ptr<TPoint>& PtrPoint : VecPtrHull) {
        VecPtrResult.push_back(PtrPoint.release());
    }
    return VecPtrResult;
}
