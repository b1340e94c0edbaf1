#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "ops/TMapTools.h"
#include "tests/TestSupport.h"

using testsupport::MessageOf;

namespace {

const char* const kTooFew = "Must have more than 2 maps to sum in TMapTools::Sum";

// Maps of one row, placed as the grid reader places them: lower-left corner
// (x0, 0), cell size `cell`.
std::unique_ptr<TMap> Row(const std::vector<double>& values, double nodata = -9999.0, double x0 = 0.0,
                          double cell = 1.0) {
    const long n = static_cast<long>(values.size());
    std::unique_ptr<TMap> map(new TMap(cell, n, 1));
    map->SetNoDataValue(nodata);
    for (long x = 0; x < n; ++x) map->SetPoint(x, 0, values[static_cast<size_t>(x)]);
    TAxis xi(cell), yi(cell);
    for (long x = 0; x <= n; ++x) xi.AddPoint(new TPoint(x0 + x * cell, cell));
    yi.AddPoint(new TPoint(x0, cell));
    yi.AddPoint(new TPoint(x0, 0.0));
    map->SetXAxisInterval(&xi);
    map->SetYAxisInterval(&yi);
    return map;
}

std::vector<double> Values(const TMap* map) {
    std::vector<double> values;
    for (long y = 0; y < map->GetYDim(); ++y)
        for (long x = 0; x < map->GetXDim(); ++x) values.push_back(map->GetPointVal(x, y));
    return values;
}

struct TSeries {
    std::vector<std::unique_ptr<TMap>> MbrVecOwned;
    std::vector<TMap*> MbrVecMaps;
    void Add(std::unique_ptr<TMap> map) {
        MbrVecMaps.push_back(map.get());
        MbrVecOwned.push_back(std::move(map));
    }
};

// Releases every map of a list on the way out.
struct TOwnedList {
    std::vector<TMap*> MbrVecMaps;
    ~TOwnedList() {
        for (TMap* map : MbrVecMaps) delete map;
    }
};

}  // namespace

TEST(TMapToolsMovingAverage, AveragesEveryWindowInOrder) {
    TSeries series;
    for (double base : {1.0, 2.0, 4.0, 8.0, 16.0}) series.Add(Row({base, 10 * base}));
    struct Case {
        int window;
        std::vector<std::vector<double>> expected;
    } cases[] = {
        {3, {{7.0 / 3, 70.0 / 3}, {14.0 / 3, 140.0 / 3}, {28.0 / 3, 280.0 / 3}}},
        {2, {{1.5, 15}, {3, 30}, {6, 60}, {12, 120}}},
        {5, {{31.0 / 5, 310.0 / 5}}},
        {6, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        TOwnedList results{TMapTools::MovingAverage(series.MbrVecMaps, c.window)};
        ASSERT_EQ(results.MbrVecMaps.size(), c.expected.size());
        for (size_t k = 0; k < c.expected.size(); ++k) {
            EXPECT_EQ(Values(results.MbrVecMaps[k]), c.expected[k]);
            EXPECT_EQ(results.MbrVecMaps[k]->GetNoDataValue(), -9999.0);
        }
    }
    EXPECT_EQ(Values(series.MbrVecMaps[0]), (std::vector<double>{1, 10}));
}

TEST(TMapToolsMovingAverage, RefusesWindowsOfFewerThanTwoMaps) {
    TSeries series;
    for (int i = 0; i < 3; ++i) series.Add(Row({1.0}));
    for (int window : {1, 0, -1, std::numeric_limits<int>::min()}) {
        SCOPED_TRACE(window);
        EXPECT_EQ(MessageOf([&] { TMapTools::MovingAverage(series.MbrVecMaps, window); }), kTooFew);
    }
    EXPECT_TRUE(TMapTools::MovingAverage({}, 1).empty());
    EXPECT_EQ(MessageOf([&] { TMapTools::MovingAverage({}, 0); }), kTooFew);
}

TEST(TMapToolsMovingAverage, ReportsInconsistentDimensionsOfALaterWindow) {
    TSeries series;
    series.Add(Row({1, 2}));
    series.Add(Row({1, 2}));
    series.Add(Row({1, 2, 3}));
    EXPECT_EQ(MessageOf([&] { TMapTools::MovingAverage(series.MbrVecMaps, 2); }),
              "X-dimension of maps are inconsistent in TMapTools::Sum");
    std::unique_ptr<TMap> tall(new TMap(1.0, 2, 2));
    series.MbrVecMaps[2] = tall.get();
    EXPECT_EQ(MessageOf([&] { TMapTools::Sum(series.MbrVecMaps); }),
              "Y-dimension of maps are inconsistent in TMapTools::Sum");
    EXPECT_EQ(MessageOf([&] { TMapTools::DataCounts(series.MbrVecMaps); }),
              "Y-dimension of maps are inconsistent in TMapTools::DataCounts");
}

TEST(TMapToolsAverage, MarksACellWhereAnyMapHoldsItsOwnNoDataValue) {
    const double nodatas[] = {-9999.0, -1.0, 0.0, -32768.0, -3.4028234663852886e+38};
    for (double nodata : nodatas) {
        SCOPED_TRACE(nodata);
        TSeries series;
        series.Add(Row({1, 2, 3, 0}, -9999.0));
        series.Add(Row({nodata, 4, 5, 0}, nodata));
        series.Add(Row({7, 8, 9, 0}, -5.0));
        std::unique_ptr<TMap> average(TMapTools::Average(series.MbrVecMaps));
        std::unique_ptr<TMap> sum(TMapTools::Sum(series.MbrVecMaps));
        const bool zeroIsNoData = nodata == 0.0;
        EXPECT_EQ(Values(average.get()), (std::vector<double>{-9999, 14.0 / 3, 17.0 / 3, zeroIsNoData ? -9999.0 : 0.0}));
        EXPECT_EQ(Values(sum.get()), (std::vector<double>{-9999, 14, 17, zeroIsNoData ? -9999.0 : 0.0}));
        EXPECT_EQ(average->GetNoDataValue(), -9999.0);
        EXPECT_EQ(sum->GetNoDataValue(), -9999.0);
    }
}

TEST(TMapToolsAverage, AddsInSeriesOrderAndTreatsASumOfMinus9999AsData) {
    TSeries series;
    series.Add(Row({1e16, -4999.5}, -1.0));
    series.Add(Row({1.0, -4999.5}, -1.0));
    series.Add(Row({-1e16, 0.0}, -1.0));
    std::unique_ptr<TMap> average(TMapTools::Average(series.MbrVecMaps));
    // (1e16 + 1) - 1e16 is 0 in doubles; any other order would give 1/3.
    EXPECT_EQ(Values(average.get()), (std::vector<double>{0.0, -3333.0}));
    std::vector<TMap*> two(series.MbrVecMaps.begin(), series.MbrVecMaps.begin() + 2);
    std::unique_ptr<TMap> pair(TMapTools::Average(two));
    EXPECT_EQ(pair->GetPointVal(1, 0), -4999.5);
}

TEST(TMapToolsAverage, LiesOnTheFirstMapsGrid) {
    TSeries series;
    series.Add(Row({1, 2}, -9999, 100.0, 10.0));
    series.Add(Row({3, 4}, -9999, 500.0, 25.0));
    std::unique_ptr<TMap> average(TMapTools::Average(series.MbrVecMaps));
    EXPECT_EQ(average->GetResolution(), 10.0);
    EXPECT_EQ(average->GetXAxisInterval()->GetPoint(0)->GetX(), 100.0);
    EXPECT_EQ(average->GetXAxis()->GetPoint(1)->GetX(), 115.0);
    EXPECT_EQ(Values(average.get()), (std::vector<double>{2, 3}));
}

TEST(TMapToolsDataCounts, CountsTheMapsHoldingDataAtEachCell) {
    TSeries series;
    series.Add(Row({5, 1}));
    series.Add(Row({-9999, 1}));
    series.Add(Row({0, std::nan("")}));
    std::unique_ptr<TMap> counts(TMapTools::DataCounts(series.MbrVecMaps));
    EXPECT_EQ(Values(counts.get()), (std::vector<double>{2, 3}));
    std::unique_ptr<TMap> one(TMapTools::DataCounts({series.MbrVecMaps[1]}));
    EXPECT_EQ(Values(one.get()), (std::vector<double>{0, 1}));
    EXPECT_EQ(MessageOf([] { TMapTools::DataCounts({}); }), "Must have at least 1 map to count in TMapTools::DataCounts");
}

TEST(TMapToolsDivide, DividesByTheDivisorCellHoldingEachCentre) {
    // Dividend: 4 cells of size 1 from x = 0; divisor: 2 cells of size 2.
    auto dividend = Row({2, 4, 6, -9999});
    auto divisor = Row({2, 0}, -1.0, 0.0, 2.0);
    // The divisor's single row spans y 0..2, so the dividend's centre y = 0.5 lies in it.
    std::unique_ptr<TMap> quotient(TMapTools::Divide(dividend.get(), divisor.get()));
    const std::vector<double> got = Values(quotient.get());
    EXPECT_EQ(got[0], 1.0);
    EXPECT_EQ(got[1], 2.0);
    EXPECT_TRUE(std::isinf(got[2]) && got[2] > 0);
    EXPECT_EQ(got[3], -9999.0);
    EXPECT_EQ(quotient->GetNoDataValue(), -9999.0);

    EXPECT_EQ(MessageOf([&] { TMapTools::Divide(divisor.get(), dividend.get()); }),
              "Divisor must be of equal of coarser resolution than the dividend in TMapTools::Divide");

    auto masked = Row({2, -1}, -1.0, 0.0, 2.0);
    std::unique_ptr<TMap> partial(TMapTools::Divide(dividend.get(), masked.get()));
    EXPECT_EQ(Values(partial.get()), (std::vector<double>{1, 2, -9999, -9999}));

    // A divisor that does not cover the dividend fails with the lookup's message.
    auto shifted = Row({1, 1}, -9999, 1.0, 2.0);
    EXPECT_EQ(MessageOf([&] { TMapTools::Divide(dividend.get(), shifted.get()); }),
              "Ordinate is out of range in TAxis::GetIndex");
}

TEST(TMapToolsRoundContents, RoundsHalfUpForEverySign) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double in;
        double out;
    } cases[] = {
        {2.5, 3},    {2.49, 2},   {0.5, 1},     {1.49, 1},        {-0.4, 0},        {-1.5, -1},
        {-2.5, -2},  {-2.7, -3},  {-0.5, 0},    {0.49999999999999994, 0},           {7, 7},
        {3e9 + 0.5, 3000000001.0}, {-3e9 - 0.5, -3e9}, {1e300, 1e300}, {inf, inf}, {-inf, -inf},
        {-9999, -9999},
    };
    std::vector<double> in;
    for (const Case& c : cases) in.push_back(c.in);
    in.push_back(std::nan(""));
    auto map = Row(in);
    std::unique_ptr<TMap> rounded(TMapTools::RoundContents(map.get()));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].in);
        const double got = rounded->GetPointVal(static_cast<long>(i), 0);
        EXPECT_EQ(got, cases[i].out);
        EXPECT_FALSE(std::signbit(got) && got == 0.0) << "negative zero";
    }
    EXPECT_TRUE(std::isnan(rounded->GetPointVal(static_cast<long>(std::size(cases)), 0)));
    EXPECT_EQ(map->GetPointVal(0, 0), 2.5);
}

TEST(TMapToolsRoundContents, TurnsTheInputsNoDataCellsIntoMinus9999) {
    auto map = Row({-1, 2.4, -9999}, -1.0);
    std::unique_ptr<TMap> rounded(TMapTools::RoundContents(map.get()));
    EXPECT_EQ(Values(rounded.get()), (std::vector<double>{-9999, 2, -9999}));
    EXPECT_EQ(rounded->GetNoDataValue(), -9999.0);
}

TEST(TMapToolsAverage, AveragesWindowsOfManyMaps) {
    // Windows beyond the kernel's on-stack room of 64 maps take the same path.
    for (int size : {64, 65, 130}) {
        SCOPED_TRACE(size);
        TSeries series;
        double total = 0.0;
        for (int m = 0; m < size; ++m) {
            series.Add(Row({static_cast<double>(m), m == size - 1 ? -9999.0 : 1.0}));
            total += m;
        }
        std::unique_ptr<TMap> average(TMapTools::Average(series.MbrVecMaps));
        EXPECT_EQ(Values(average.get()), (std::vector<double>{total / size, -9999}));
    }
}
