#include "ops/TMapTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

using testsupport::MakeMap;
using testsupport::Rows;
using testsupport::ThrownMessage;
using testsupport::kNaN;

namespace {

std::vector<double> Ordinates(const TAxis* axis, bool x) {
    std::vector<double> values;
    for (long i = 0; i < axis->GetSize(); ++i) values.push_back(x ? axis->GetPoint(i)->GetX() : axis->GetPoint(i)->GetY());
    return values;
}

// 4 x 4 cells of size 1 from (0, 0); cell (x, y) holds x * x + 10 * y.
std::unique_ptr<TMap> Square(double nodata = -9999.0) {
    Rows rows(4, std::vector<double>(4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) rows[y][x] = x * x + 10 * y;
    return MakeMap(rows, 1, 0, 0, nodata);
}

TEST(TMapToolsBilinearFormula, InterpolatesAndExtrapolates) {
    struct {
        double x, y, expected;
    } cases[] = {{0.5, 0.5, 2.5}, {0, 0, 1}, {1, 1, 4}, {2, 0, 3}, {0.25, 0, 1.25}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(c.expected, TMapTools::BilinearInterpolate(1, 2, 3, 4, c.x, 0, 1, c.y, 0, 1)) << c.x << "," << c.y;
        // The point form reads x1, y1 from p11, x2 from p21, y2 from p12.
        TMapPoint p11(0, 0, 1), p21(1, 0, 2), p12(0, 1, 3), p22(99, 99, 4), target(c.x, c.y, -5);
        TMapTools::BilinearInterpolate(&p11, &p21, &p12, &p22, &target);
        EXPECT_DOUBLE_EQ(c.expected, target.GetValue());
        EXPECT_EQ(1.0, p11.GetValue());
    }
    EXPECT_TRUE(std::isnan(TMapTools::BilinearInterpolate(1, 2, 3, 4, 0.5, 0, 0, 0.5, 0, 1)));
}

TEST(TMapToolsBilinearInterpolate, SamplesFillTheInnerCellsOfTheFinerGrid) {
    for (double nodata : {-9999.0, -1.0}) {
        SCOPED_TRACE(nodata);
        std::unique_ptr<TMap> source = Square(nodata);
        std::unique_ptr<TMap> r(TMapTools::BilinearInterpolate(source.get(), 0.5));
        ASSERT_EQ(8, r->GetXDim());
        ASSERT_EQ(8, r->GetYDim());
        EXPECT_EQ(0.5, r->GetResolution());
        EXPECT_EQ(-9999.0, r->GetNoDataValue());
        EXPECT_DOUBLE_EQ(10.5, r->GetPointVal(2, 2));
        EXPECT_DOUBLE_EQ(11.0, r->GetPointVal(3, 2));
        EXPECT_DOUBLE_EQ(12.5, r->GetPointVal(4, 2));
        EXPECT_DOUBLE_EQ(29.0, r->GetPointVal(5, 5));
        for (long y = 0; y < 8; ++y)
            for (long x = 0; x < 8; ++x)
                if (x < 2 || x > 5 || y < 2 || y > 5) {
                    EXPECT_EQ(nodata, r->GetPointVal(x, y)) << x << "," << y;
                }
    }
}

TEST(TMapToolsBilinearInterpolate, ReproducesALinearFunctionAtEverySample) {
    // Values 2x + 3y + 1 at the centres of a 6 x 5 map of cell size 2.
    Rows rows(5, std::vector<double>(6));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) rows[y][x] = 2 * (100 + 2 * x + 1) + 3 * (50 + 2 * (4 - y) + 1) + 1;
    std::unique_ptr<TMap> source = MakeMap(rows, 2, 100, 50);
    std::unique_ptr<TMap> r(TMapTools::BilinearInterpolate(source.get(), 1.0));
    int sampled = 0;
    for (long y = 0; y < r->GetYDim(); ++y)
        for (long x = 0; x < r->GetXDim(); ++x) {
            if (r->GetPointVal(x, y) == -9999.0) continue;
            ++sampled;
            // Each sample lies on the south-west corner of its cell.
            const double west = r->GetXAxisInterval()->GetPoint(x)->GetX();
            const double south = r->GetYAxisInterval()->GetPoint(y + 1)->GetY();
            EXPECT_NEAR(2 * west + 3 * south + 1, r->GetPointVal(x, y), 1e-9) << x << "," << y;
        }
    // Columns x = 102 .. 109, rows y = 57 down to 52.
    EXPECT_EQ(8 * 6, sampled);
}

TEST(TMapToolsBilinearInterpolate, ResolutionThatDoesNotDivideTheCellSize) {
    std::unique_ptr<TMap> source = Square();
    std::unique_ptr<TMap> r(TMapTools::BilinearInterpolate(source.get(), 0.75));
    EXPECT_EQ(5, r->GetXDim());
    EXPECT_EQ(5, r->GetYDim());
    EXPECT_DOUBLE_EQ(14.25, r->GetPointVal(2, 2));
    EXPECT_DOUBLE_EQ(13.0, r->GetPointVal(1, 2));
}

TEST(TMapToolsBilinearInterpolate, Failures) {
    std::unique_ptr<TMap> square = Square();
    std::unique_ptr<TMap> flat = MakeMap({{1, 2, 3, 4}, {5, 6, 7, 8}}, 1, 0, 0);
    std::unique_ptr<TMap> huge = MakeMap({{1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}}, 1, 0, 1e17);
    TMap bare(1.0, 2, 2);
    struct {
        TMap* map;
        double resolution;
        const char* message;
    } cases[] = {
        {square.get(), 0.0, "New resolution cannot be <= 0.0 in TMapTools::BilinearInterpolate"},
        {square.get(), -1.0, "New resolution cannot be <= 0.0 in TMapTools::BilinearInterpolate"},
        {square.get(), kNaN, "New resolution must be > 0.0 in TMapTools::Downscale"},
        // One row of samples at y = 0.5 needs a row below the map.
        {flat.get(), 0.5, "LngGetY2 is out of range in TMapTools::BilinearInterpolate"},
        // Far from the origin, a step of 0.5 no longer moves y: refused, not looped over.
        {huge.get(), 0.5, "New resolution is too fine for the map's coordinates in TMapTools::BilinearInterpolate"},
        {&bare, 0.5, "Map has no axes in TMapTools::BilinearInterpolate"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.message, ThrownMessage([&] { delete TMapTools::BilinearInterpolate(c.map, c.resolution); }))
            << c.resolution;
}

TEST(TMapToolsBilinearInterpolate, MapTooSmallToSampleHoldsOnlyNoData) {
    std::unique_ptr<TMap> source = MakeMap({{1, 2}, {3, 4}}, 1, 0, 0, -7);
    std::unique_ptr<TMap> r(TMapTools::BilinearInterpolate(source.get(), 0.5));
    ASSERT_EQ(4, r->GetXDim());
    ASSERT_EQ(4, r->GetYDim());
    for (long y = 0; y < 4; ++y)
        for (long x = 0; x < 4; ++x) EXPECT_EQ(-7.0, r->GetPointVal(x, y));
}

TEST(TMapToolsDownscale, BuildsAnEmptyGridAnchoredAtTheFirstBoundaries) {
    std::unique_ptr<TMap> source = Square(-1);
    std::unique_ptr<TMap> r(TMapTools::Downscale(source.get(), 0.75));
    ASSERT_EQ(5, r->GetXDim());
    ASSERT_EQ(5, r->GetYDim());
    EXPECT_EQ(0.75, r->GetResolution());
    EXPECT_EQ(-9999.0, r->GetNoDataValue());
    EXPECT_EQ((std::vector<double>{0.375, 1.125, 1.875, 2.625, 3.375}), Ordinates(r->GetXAxis(), true));
    EXPECT_EQ((std::vector<double>{3.625, 2.875, 2.125, 1.375, 0.625}), Ordinates(r->GetYAxis(), false));
    for (long y = 0; y < 5; ++y)
        for (long x = 0; x < 5; ++x) EXPECT_EQ(-9999.0, r->GetPointVal(x, y));
}

TEST(TMapToolsSubdivide, SplitsEveryCellAndKeepsTheExtent) {
    std::unique_ptr<TMap> source = MakeMap({{7, -1}}, 10, 0, 90, -1);
    std::unique_ptr<TMap> r(TMapTools::Subdivide(source.get(), 2));
    EXPECT_EQ(5.0, r->GetResolution());
    EXPECT_EQ(-9999.0, r->GetNoDataValue());
    EXPECT_EQ((std::vector<double>{7, 7, -1, -1}), r->GetRow(0));
    EXPECT_EQ((std::vector<double>{7, 7, -1, -1}), r->GetRow(1));
    EXPECT_EQ((std::vector<double>{0, 5, 10, 15, 20}), Ordinates(r->GetXAxisInterval(), true));
    EXPECT_EQ((std::vector<double>{100, 95, 90}), Ordinates(r->GetYAxisInterval(), false));

    std::unique_ptr<TMap> same(TMapTools::Subdivide(source.get(), 1));
    EXPECT_EQ((std::vector<double>{7, -1}), same->GetRow(0));
    EXPECT_EQ((std::vector<double>{0, 10, 20}), Ordinates(same->GetXAxisInterval(), true));
}

TEST(TMapToolsResampling, RefusesArgumentsThatMakeNoGrid) {
    std::unique_ptr<TMap> source = Square();
    for (double r : {0.0, -0.5, kNaN})
        EXPECT_EQ("New resolution must be > 0.0 in TMapTools::Downscale",
                  ThrownMessage([&] { delete TMapTools::Downscale(source.get(), r); }));
    EXPECT_EQ("New resolution gives too many cells in TMapTools::Downscale",
              ThrownMessage([&] { delete TMapTools::Downscale(source.get(), 1e-300); }));
    for (int n : {0, -2})
        EXPECT_EQ("Subdivision factor must be >= 1 in TMapTools::Subdivide",
                  ThrownMessage([&] { delete TMapTools::Subdivide(source.get(), n); }));
}

}  // namespace
