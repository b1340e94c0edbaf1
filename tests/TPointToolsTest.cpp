#include "util/TPointTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/TestSupport.h"

using testsupport::ThrownMessage;
using testsupport::kNaN;

namespace {

// Owns the points a test hands to TPointTools as raw pointers.
class TPointToolsTest : public testing::Test {
protected:
    TPoint* Pt(double X, double Y) {
        MbrVecOwned.push_back(std::make_unique<TPoint>(X, Y));
        return MbrVecOwned.back().get();
    }

    std::vector<TPoint*> Points(const std::vector<std::pair<double, double>>& Coords) {
        std::vector<TPoint*> Result;
        for (const auto& Coord : Coords) {
            Result.push_back(Pt(Coord.first, Coord.second));
        }
        return Result;
    }

    // Takes ownership of a returned point and gives back its ordinates.
    static std::pair<double, double> Take(TPoint* PtrPoint) {
        const std::unique_ptr<TPoint> Owned(PtrPoint);
        return {Owned->GetX(), Owned->GetY()};
    }

    // Takes ownership of a returned hull and gives back its ordinates.
    static std::vector<std::pair<double, double>> Take(std::vector<TPoint*> VecPtrHull) {
        std::vector<std::unique_ptr<TPoint>> Owned(VecPtrHull.begin(), VecPtrHull.end());
        std::vector<std::pair<double, double>> Result;
        for (const auto& Point : Owned) {
            Result.emplace_back(Point->GetX(), Point->GetY());
        }
        return Result;
    }

    std::vector<std::unique_ptr<TPoint>> MbrVecOwned;
};

using Coords = std::vector<std::pair<double, double>>;

TEST_F(TPointToolsTest, ThetaIsPseudoAngleFromSecondToFirst) {
    struct Case {
        double X1, Y1, X2, Y2, Expected;
    };
    const Case Cases[] = {
        {1, 0, 0, 0, 0},     {0, 1, 0, 0, 90},     {-1, 0, 0, 0, 180},   {0, -1, 0, 0, 270},
        {1, 1, 0, 0, 45},    {-1, -1, 0, 0, 225},  {2, 1, 0, 0, 30},     {1, -1, 0, 0, 315},
        {0, 0, 1, 1, 225},   {-1, 1, 0, 0, 135},   {3, 3, 3, 3, 0},      {5, 7, 4, 7, 0},
        // Just below +x: close to, but under, 360.
        {1000, -1, 0, 0, 360 - 90.0 / 1001},
    };
    for (const Case& C : Cases) {
        EXPECT_DOUBLE_EQ(C.Expected, TPointTools::Theta(Pt(C.X1, C.Y1), Pt(C.X2, C.Y2)))
            << "(" << C.X1 << ", " << C.Y1 << ") from (" << C.X2 << ", " << C.Y2 << ")";
    }
}

TEST_F(TPointToolsTest, ThetaRisesWithTheTrueAngle) {
    // Directions around the circle in counterclockwise order.
    const double DblPi = std::acos(-1.0);
    double DblPrev = -1;
    for (int LngStep = 0; LngStep < 72; ++LngStep) {
        const double DblAngle = LngStep * 5.0 * DblPi / 180.0;
        const double DblTheta =
            TPointTools::Theta(Pt(std::cos(DblAngle), std::sin(DblAngle)), Pt(0, 0));
        EXPECT_GT(DblTheta, DblPrev) << "at " << LngStep * 5 << " degrees";
        EXPECT_LT(DblTheta, 360.0);
        DblPrev = DblTheta;
    }
}

TEST_F(TPointToolsTest, CentroidIsTheMeanPoint) {
    EXPECT_EQ(std::make_pair(1.0, 1.0),
              Take(TPointTools::FindCentroid(Points({{0, 0}, {2, 0}, {2, 2}, {0, 2}}))));
    EXPECT_EQ(std::make_pair(-1.5, 4.0), Take(TPointTools::FindCentroid(Points({{-1.5, 4}}))));
    EXPECT_EQ(std::make_pair(2.0, 1.0),
              Take(TPointTools::FindCentroid(Points({{0, 0}, {0, 0}, {6, 3}}))));

    const std::pair<double, double> Empty = Take(TPointTools::FindCentroid({}));
    EXPECT_TRUE(std::isnan(Empty.first));
    EXPECT_TRUE(std::isnan(Empty.second));
}

TEST_F(TPointToolsTest, HeronArea) {
    EXPECT_DOUBLE_EQ(6.0, TPointTools::Heron(Pt(0, 0), Pt(3, 0), Pt(0, 4)));
    EXPECT_DOUBLE_EQ(0.5, TPointTools::Heron(Pt(1, 1), Pt(2, 1), Pt(1, 2)));
    EXPECT_EQ(0.0, TPointTools::Heron(Pt(1, 1), Pt(1, 1), Pt(1, 1)));
    EXPECT_TRUE(std::isnan(TPointTools::Heron(Pt(kNaN, 0), Pt(3, 0), Pt(0, 4))));
}

TEST_F(TPointToolsTest, HeronOfFlatTriangleIsZeroNotNaN) {
    // On one line; the formula's product rounds to a small negative number.
    EXPECT_EQ(0.0, TPointTools::Heron(Pt(0, 0), Pt(1, 1), Pt(4, 4)));
    EXPECT_EQ(0.0, TPointTools::Heron(Pt(2, 3), Pt(0, 0), Pt(6, 9)));
    EXPECT_EQ(0.0, TPointTools::Heron(Pt(0, 0), Pt(1, 5), Pt(3, 15)));
}

TEST_F(TPointToolsTest, MaxAndMinAreComponentwise) {
    struct Case {
        double X1, Y1, X2, Y2;
        double MaxX, MaxY, MinX, MinY;
    };
    const Case Cases[] = {
        {1, 5, 3, 2, 3, 5, 1, 2},
        {3, 2, 1, 5, 3, 5, 1, 2},
        {-1, -1, -2, 4, -1, 4, -2, -1},
        {0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(std::make_pair(C.MaxX, C.MaxY), Take(TPointTools::Max(Pt(C.X1, C.Y1), Pt(C.X2, C.Y2))));
        EXPECT_EQ(std::make_pair(C.MinX, C.MinY), Take(TPointTools::Min(Pt(C.X1, C.Y1), Pt(C.X2, C.Y2))));
    }
}

TEST_F(TPointToolsTest, MaxAndMinTakeFirstOrdinateOnNaN) {
    const auto MaxNaNFirst = Take(TPointTools::Max(Pt(kNaN, 1), Pt(2, kNaN)));
    EXPECT_TRUE(std::isnan(MaxNaNFirst.first));
    EXPECT_EQ(1.0, MaxNaNFirst.second);
    const auto MinNaNFirst = Take(TPointTools::Min(Pt(kNaN, 1), Pt(2, kNaN)));
    EXPECT_TRUE(std::isnan(MinNaNFirst.first));
    EXPECT_EQ(1.0, MinNaNFirst.second);
    EXPECT_EQ(std::make_pair(2.0, 1.0), Take(TPointTools::Max(Pt(2, 1), Pt(kNaN, kNaN))));
    EXPECT_EQ(std::make_pair(2.0, 1.0), Take(TPointTools::Min(Pt(2, 1), Pt(kNaN, kNaN))));
}

TEST_F(TPointToolsTest, MaxAndMinLeaveArgumentsAlone) {
    TPoint* PtrA = Pt(1, 5);
    TPoint* PtrB = Pt(3, 2);
    TPoint* PtrMax = TPointTools::Max(PtrA, PtrB);
    EXPECT_NE(PtrA, PtrMax);
    EXPECT_NE(PtrB, PtrMax);
    delete PtrMax;
    EXPECT_EQ(1.0, PtrA->GetX());
    EXPECT_EQ(2.0, PtrB->GetY());
}

TEST_F(TPointToolsTest, PolygonAreaOnConsecutivePairs) {
    struct Case {
        Coords Vertices;
        double Expected;
    };
    const Case Cases[] = {
        {{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}, 1.0},
        // No triangle on the closing edge of an open list.
        {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 0.75},
        {{{0, 0}, {4, 0}, {0, 3}, {0, 0}}, 6.0},
        {{{2, 2}}, 0.0},
        {{{2, 2}, {2, 2}}, 0.0},
    };
    for (const Case& C : Cases) {
        EXPECT_NEAR(C.Expected, TPointTools::FindConvexPolygonArea(Points(C.Vertices)), 1e-12);
    }
}

TEST_F(TPointToolsTest, PolygonAreaOfFlatPolygonIsZeroNotNaN) {
    // All vertices on one line: every triangle is flat, and for these the
    // formula's product of one of them rounds below 0.
    EXPECT_EQ(0.0, TPointTools::FindConvexPolygonArea(Points({{0, 0}, {1, 1}, {2, 2}, {0, 0}})));
    EXPECT_EQ(0.0, TPointTools::FindConvexPolygonArea(Points({{0, 0}, {1, 3}, {3, 9}})));
}

TEST_F(TPointToolsTest, EmptyListsAreRejected) {
    EXPECT_EQ("Point list is empty in TPointTools::FindConvexPolygonArea",
              ThrownMessage([] { TPointTools::FindConvexPolygonArea({}); }));
    EXPECT_EQ("Point list is empty in TPointTools::FindConvexHull",
              ThrownMessage([] { TPointTools::FindConvexHull({}); }));
}

// The hull of every ordering of the input.
class TPointToolsHullTest : public TPointToolsTest {
protected:
    void ExpectHullInEveryOrder(const Coords& Input, const Coords& Expected) {
        std::vector<std::size_t> Order(Input.size());
        for (std::size_t I = 0; I < Order.size(); ++I) {
            Order[I] = I;
        }
        do {
            Coords Shuffled;
            for (std::size_t I : Order) {
                Shuffled.push_back(Input[I]);
            }
            EXPECT_EQ(Expected, Take(TPointTools::FindConvexHull(Points(Shuffled))))
                << "for input order " << Describe(Shuffled);
        } while (std::next_permutation(Order.begin(), Order.end()));
    }

    static std::string Describe(const Coords& Points) {
        std::string Text;
        for (const auto& P : Points) {
            Text += "(" + std::to_string(P.first) + ", " + std::to_string(P.second) + ") ";
        }
        return Text;
    }
};

TEST_F(TPointToolsHullTest, DiamondWithInnerPoint) {
    ExpectHullInEveryOrder({{1, 0}, {2, 1}, {1, 2}, {0, 1}, {1, 1}},
                           {{1, 0}, {2, 1}, {1, 2}, {0, 1}});
}

TEST_F(TPointToolsHullTest, OneAndTwoPoints) {
    ExpectHullInEveryOrder({{3, 4}}, {{3, 4}});
    ExpectHullInEveryOrder({{0, 5}, {2, 1}}, {{2, 1}, {0, 5}});
}

TEST_F(TPointToolsHullTest, SeveralPointsShareTheLowestY) {
    // The walk starts at the rightmost lowest point and keeps every corner.
    ExpectHullInEveryOrder({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{1, 0}, {1, 1}, {0, 1}, {0, 0}});
    ExpectHullInEveryOrder({{0, 0}, {2, 0}}, {{2, 0}, {0, 0}});
    ExpectHullInEveryOrder({{0, 0}, {2, 0}, {1, 0}, {1, 3}}, {{2, 0}, {1, 3}, {0, 0}});
}

TEST_F(TPointToolsHullTest, PointsOnEdgesAreLeftOut) {
    // (1, 1) lies on the edge from (0, 0) to (2, 2), (-1, 1) on the edge back to (0, 0).
    ExpectHullInEveryOrder({{0, 0}, {1, 1}, {2, 2}, {-2, 2}, {-1, 1}},
                           {{0, 0}, {2, 2}, {-2, 2}});
    // All on one line: the two ends.
    ExpectHullInEveryOrder({{0, 0}, {1, 1}, {3, 3}, {2, 2}}, {{0, 0}, {3, 3}});
}

TEST_F(TPointToolsHullTest, RepeatedPointsAppearOnce) {
    ExpectHullInEveryOrder({{1, 0}, {2, 1}, {1, 0}, {1, 2}, {1, 2}, {0, 1}},
                           {{1, 0}, {2, 1}, {1, 2}, {0, 1}});
    ExpectHullInEveryOrder({{5, 5}, {5, 5}, {5, 5}}, {{5, 5}});
}

TEST_F(TPointToolsHullTest, ReturnsNewCopiesOfTheSameKind) {
    TMapPoint Low(1, 0, 7.5);
    TMapPoint High(1, 2, -3);
    TPoint Right(2, 1);
    std::vector<TPoint*> Input{&High, &Right, &Low};
    std::vector<TPoint*> Hull = TPointTools::FindConvexHull(Input);
    std::vector<std::unique_ptr<TPoint>> Owned(Hull.begin(), Hull.end());

    ASSERT_EQ(3u, Owned.size());
    for (const auto& Point : Owned) {
        EXPECT_TRUE(std::find(Input.begin(), Input.end(), Point.get()) == Input.end());
    }
    const auto* PtrLow = dynamic_cast<const TMapPoint*>(Owned[0].get());
    ASSERT_NE(nullptr, PtrLow);
    EXPECT_EQ(7.5, PtrLow->GetValue());
    EXPECT_EQ(nullptr, dynamic_cast<const TMapPoint*>(Owned[1].get()));
    const auto* PtrHigh = dynamic_cast<const TMapPoint*>(Owned[2].get());
    ASSERT_NE(nullptr, PtrHigh);
    EXPECT_EQ(-3.0, PtrHigh->GetValue());
    // The input list is read, not reordered.
    EXPECT_EQ((std::vector<TPoint*>{&High, &Right, &Low}), Input);
}

// Cross product of (B - A) and (C - A): positive when C is left of A -> B.
double Cross(const std::pair<double, double>& A, const std::pair<double, double>& B,
             const std::pair<double, double>& C) {
    return (B.first - A.first) * (C.second - A.second) -
           (B.second - A.second) * (C.first - A.first);
}

TEST_F(TPointToolsHullTest, RandomSetsGiveAStrictlyConvexHullHoldingEveryPoint) {
    std::mt19937 Generator(20240611u);
    for (int Round = 0; Round < 300; ++Round) {
        // Small integer grids make shared ordinates, collinear and repeated points common.
        const std::uint32_t Count = 3 + Generator() % 20;
        const std::uint32_t Span = 2 + Generator() % 6;
        Coords Input;
        for (std::uint32_t I = 0; I < Count; ++I) {
            Input.emplace_back(static_cast<double>(Generator() % Span),
                               static_cast<double>(Generator() % Span));
        }
        const Coords Hull = Take(TPointTools::FindConvexHull(Points(Input)));
        SCOPED_TRACE(Describe(Input));
        ASSERT_FALSE(Hull.empty());

        // Starts at the rightmost of the lowest points.
        const auto Lowest = *std::min_element(Input.begin(), Input.end(), [](auto A, auto B) {
            return A.second < B.second || (A.second == B.second && A.first > B.first);
        });
        EXPECT_EQ(Lowest, Hull[0]);

        // Every hull point is an input point, and the hull has no repeats.
        for (std::size_t I = 0; I < Hull.size(); ++I) {
            EXPECT_NE(Input.end(), std::find(Input.begin(), Input.end(), Hull[I]));
            for (std::size_t J = I + 1; J < Hull.size(); ++J) {
                EXPECT_NE(Hull[I], Hull[J]);
            }
        }
        if (Hull.size() < 3) {
            // Then every point lies on the segment (or is the single point).
            for (const auto& P : Input) {
                EXPECT_EQ(0.0, Cross(Hull.front(), Hull.back(), P));
            }
            continue;
        }
        for (std::size_t I = 0; I < Hull.size(); ++I) {
            const auto& A = Hull[I];
            const auto& B = Hull[(I + 1) % Hull.size()];
            const auto& C = Hull[(I + 2) % Hull.size()];
            // Counterclockwise with a real corner at every vertex.
            EXPECT_GT(Cross(A, B, C), 0.0);
            // No input point outside any edge.
            for (const auto& P : Input) {
                EXPECT_GE(Cross(A, B, P), 0.0);
            }
        }
    }
}

}  // namespace
