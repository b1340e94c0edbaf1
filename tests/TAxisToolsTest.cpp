#include "grid/TAxisTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/TestSupport.h"

using testsupport::CoordsOf;
using testsupport::MakeAxis;
using testsupport::TCoords;
using testsupport::WhatIsThrown;

namespace {

struct TConversionCase {
    const char* Name;
    double Resolution;
    char Dimension;
    TCoords Input;
    TCoords Expected;
};

TEST(TAxisTools, PointsToIntervals) {
    const TConversionCase Cases[] = {
        {"X centres, constant y", 10.0, 'X',
         {{5, 100}, {15, 100}, {25, 100}},
         {{0, 95}, {10, 95}, {20, 95}, {30, 95}}},
        {"Y centres descending", 10.0, 'Y',
         {{7, 25}, {7, 15}, {7, 5}},
         {{2, 30}, {2, 20}, {2, 10}, {2, 0}}},
        {"Y centres ascending", 10.0, 'Y',
         {{7, 5}, {7, 15}, {7, 25}},
         {{2, 0}, {2, 10}, {2, 20}, {2, 30}}},
        {"single Y centre counts as not descending", 10.0, 'Y',
         {{3, 50}},
         {{-2, 45}, {-2, 55}}},
        {"single X centre", 4.0, 'X',
         {{10, 1}},
         {{8, -1}, {12, -1}}},
        {"X centres descending in x still give growing boundaries", 10.0, 'X',
         {{25, 0}, {15, 0}, {5, 0}},
         {{20, -5}, {30, -5}, {40, -5}, {50, -5}}},
        {"X centres descending in y carry the upper y", 10.0, 'X',
         {{5, 100}, {15, 90}, {25, 80}},
         {{0, 105}, {10, 105}, {20, 105}, {30, 105}}},
        {"only the first centre and the resolution place the boundaries", 10.0, 'Y',
         {{0, 100}, {0, 50}, {0, 20}},
         {{-5, 105}, {-5, 95}, {-5, 85}, {-5, 75}}},
        {"resolution kept even when the spacing differs", 2.0, 'X',
         {{0, 0}, {10, 0}, {20, 0}},
         {{-1, -1}, {1, -1}, {3, -1}, {5, -1}}},
    };
    for (const TConversionCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        std::unique_ptr<TAxis> Input = MakeAxis(Case.Resolution, Case.Input);
        std::unique_ptr<TAxis> Result(TAxisTools::PointsToIntervals(Input.get(), Case.Dimension));
        ASSERT_NE(nullptr, Result);
        EXPECT_EQ(Case.Resolution, Result->GetResolution());
        EXPECT_EQ(Case.Expected, CoordsOf(*Result));
        EXPECT_EQ(Case.Input, CoordsOf(*Input));  // the input is not changed
    }
}

TEST(TAxisTools, IntervalsToPoints) {
    const TConversionCase Cases[] = {
        {"X boundaries", 10.0, 'X',
         {{0, 95}, {10, 95}, {20, 95}, {30, 95}},
         {{5, 95}, {15, 95}, {25, 95}}},
        {"Y boundaries descending", 10.0, 'Y',
         {{2, 30}, {2, 20}, {2, 10}, {2, 0}},
         {{2, 25}, {2, 15}, {2, 5}}},
        {"Y boundaries ascending step below each point", 10.0, 'Y',
         {{2, 0}, {2, 10}, {2, 20}, {2, 30}},
         {{2, -5}, {2, 5}, {2, 15}}},
        {"X boundaries falling step beyond each point", 10.0, 'X',
         {{30, 0}, {20, 0}, {10, 0}},
         {{35, 0}, {25, 0}}},
        {"uneven boundaries give midpoints", 10.0, 'X',
         {{0, 8}, {10, 8}, {25, 8}},
         {{5, 8}, {17.5, 8}}},
        {"both ordinates move along the grid orientation", 1.0, 'X',
         {{0, 10}, {4, 6}, {6, 0}},
         {{2, 8}, {5, 3}}},
        {"one boundary gives no centre", 10.0, 'X',
         {{0, 0}},
         {}},
        {"resolution kept even when the spacing differs", 3.0, 'Y',
         {{0, 20}, {0, 10}, {0, 0}},
         {{0, 15}, {0, 5}}},
    };
    for (const TConversionCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        std::unique_ptr<TAxis> Input = MakeAxis(Case.Resolution, Case.Input);
        std::unique_ptr<TAxis> Result(TAxisTools::IntervalsToPoints(Input.get(), Case.Dimension));
        ASSERT_NE(nullptr, Result);
        EXPECT_EQ(Case.Resolution, Result->GetResolution());
        EXPECT_EQ(Case.Expected, CoordsOf(*Result));
        // The dimension does not matter to this conversion.
        std::unique_ptr<TAxis> Other(
            TAxisTools::IntervalsToPoints(Input.get(), Case.Dimension == 'X' ? 'Y' : 'X'));
        EXPECT_EQ(Case.Expected, CoordsOf(*Other));
        EXPECT_EQ(Case.Input, CoordsOf(*Input));
    }
}

TEST(TAxisTools, RoundTripOnTheGridOrientation) {
    std::unique_ptr<TAxis> XCentres = MakeAxis(10.0, {{5, 100}, {15, 100}, {25, 100}});
    std::unique_ptr<TAxis> XBounds(TAxisTools::PointsToIntervals(XCentres.get(), 'X'));
    std::unique_ptr<TAxis> XBack(TAxisTools::IntervalsToPoints(XBounds.get(), 'X'));
    EXPECT_EQ(TCoords({{5, 95}, {15, 95}, {25, 95}}), CoordsOf(*XBack));

    std::unique_ptr<TAxis> YCentres = MakeAxis(10.0, {{7, 25}, {7, 15}, {7, 5}});
    std::unique_ptr<TAxis> YBounds(TAxisTools::PointsToIntervals(YCentres.get(), 'Y'));
    std::unique_ptr<TAxis> YBack(TAxisTools::IntervalsToPoints(YBounds.get(), 'Y'));
    EXPECT_EQ(TCoords({{2, 25}, {2, 15}, {2, 5}}), CoordsOf(*YBack));
}

TEST(TAxisTools, BoundariesAreRunningSums) {
    // Each boundary is the previous one plus the step, which is not always
    // the same double as the start plus i steps; grids written back out rely
    // on the running sum.
    const double R = 0.1;
    const long N = 20;
    std::unique_ptr<TAxis> XCentres(new TAxis(R));
    std::unique_ptr<TAxis> YCentres(new TAxis(R));
    for (long I = 0; I < N; ++I) {
        XCentres->AddPoint(new TPoint(1.0 + I * R, 0.0));
        YCentres->AddPoint(new TPoint(0.0, 1.0 - I * R));
    }
    std::unique_ptr<TAxis> XBounds(TAxisTools::PointsToIntervals(XCentres.get(), 'X'));
    std::unique_ptr<TAxis> YBounds(TAxisTools::PointsToIntervals(YCentres.get(), 'Y'));
    ASSERT_EQ(N + 1, XBounds->GetSize());
    ASSERT_EQ(N + 1, YBounds->GetSize());

    double X = 1.0 - R * 0.5;
    double Y = 1.0 + R * 0.5;
    bool ProductWouldDiffer = false;
    for (long I = 0; I <= N; ++I) {
        SCOPED_TRACE(testing::Message() << "boundary " << I);
        EXPECT_EQ(X, XBounds->GetPoint(I)->GetX());
        EXPECT_EQ(Y, YBounds->GetPoint(I)->GetY());
        if (X != (1.0 - R * 0.5) + I * R) ProductWouldDiffer = true;
        X = X + R;
        Y = Y + -R;
    }
    EXPECT_TRUE(ProductWouldDiffer) << "the data no longer tell a running sum from a product";
}

TEST(TAxisTools, EmptyAxisIsRefused) {
    TAxis Empty(10.0);
    const char Dimensions[] = {'X', 'Y'};
    for (char Dimension : Dimensions) {
        SCOPED_TRACE(testing::Message() << "dimension " << Dimension);
        EXPECT_EQ("Index is out of range in TAxis::GetPoint",
                  WhatIsThrown([&] { delete TAxisTools::PointsToIntervals(&Empty, Dimension); }));
        EXPECT_EQ("Index is out of range in TAxis::GetPoint",
                  WhatIsThrown([&] { delete TAxisTools::IntervalsToPoints(&Empty, Dimension); }));
    }
    EXPECT_EQ(0, Empty.GetSize());
}

TEST(TAxisTools, ResultsAreNewPlainPointsOwnedByTheCaller) {
    // Map points in, plain points out; releasing the input leaves the
    // result whole.
    std::unique_ptr<TAxis> Input(new TAxis(10.0));
    Input->AddPoint(new TMapPoint(0, 20, 1.0));
    Input->AddPoint(new TMapPoint(0, 10, 2.0));
    Input->AddPoint(new TMapPoint(0, 0, 3.0));
    std::unique_ptr<TAxis> Centres(TAxisTools::IntervalsToPoints(Input.get(), 'Y'));
    std::unique_ptr<TAxis> Bounds(TAxisTools::PointsToIntervals(Input.get(), 'Y'));
    for (long I = 0; I < Centres->GetSize(); ++I) {
        EXPECT_NE(Input->GetPoint(I), Centres->GetPoint(I));
        EXPECT_EQ(nullptr, dynamic_cast<TMapPoint*>(Centres->GetPoint(I)));
    }
    for (long I = 0; I < Bounds->GetSize(); ++I) {
        EXPECT_NE(Input->GetPoint(std::min(I, Input->GetSize() - 1)), Bounds->GetPoint(I));
        EXPECT_EQ(nullptr, dynamic_cast<TMapPoint*>(Bounds->GetPoint(I)));
    }
    Input.reset();
    EXPECT_EQ(TCoords({{0, 15}, {0, 5}}), CoordsOf(*Centres));
    EXPECT_EQ(TCoords({{-5, 25}, {-5, 15}, {-5, 5}, {-5, -5}}), CoordsOf(*Bounds));
}

}  // namespace
