#include "ops/TMapTools.h"
#include "util/TVectorTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

using testsupport::MakeMap;
using testsupport::Rows;
using testsupport::ThrownMessage;
using testsupport::kNaN;

namespace {

// Releases the points of a GetFirstValues result.
struct TOwnedPoints {
    std::map<double, TMapPoint*> points;
    ~TOwnedPoints() {
        for (auto& entry : points) delete entry.second;
    }
    std::vector<double> Keys() const {
        std::vector<double> keys;
        for (const auto& entry : points) keys.push_back(entry.first);
        return keys;
    }
};

TEST(TMapToolsFetchMapValues, ReadsTheCellUnderEachPoint) {
    std::unique_ptr<TMap> map = MakeMap({{1, 2, 3}, {4, 5, 6}});
    TMapPoint a(12, 3, 99), b(29, 19, 99), outside(30, 5);
    EXPECT_EQ((std::map<double, double>{{1.0, 3}, {2.0, 5}}), TMapTools::FetchMapValues(map.get(), {{2.0, &a}, {1.0, &b}}));
    EXPECT_TRUE(TMapTools::FetchMapValues(map.get(), {}).empty());
    EXPECT_EQ("Ordinate is out of range in TAxis::GetIndex",
              ThrownMessage([&] { TMapTools::FetchMapValues(map.get(), {{1.0, &outside}}); }));

    std::unique_ptr<TMap> other = MakeMap({{7, 8, 9}, {10, 11, 12}});
    const auto values = TMapTools::FetchMapValues({map.get(), other.get()}, {{{0.0, &a}}, {{0.0, &b}}, {{0.0, &a}}});
    ASSERT_EQ(2u, values.size());
    EXPECT_EQ(5.0, values[0].at(0.0));
    EXPECT_EQ(9.0, values[1].at(0.0));
    EXPECT_EQ("Fewer tables of points than maps in TMapTools::FetchMapValues",
              ThrownMessage([&] { TMapTools::FetchMapValues({map.get(), other.get()}, {{{0.0, &a}}}); }));
}

TEST(TMapToolsGetFirstValues, RecordsTheFirstCellOfEachValue) {
    std::unique_ptr<TMap> map = MakeMap({{1, 2, 2}, {1, 3, -9999}});
    TOwnedPoints all{TMapTools::GetFirstValues(map.get(), {})};
    EXPECT_EQ((std::vector<double>{-9999, 1, 2, 3}), all.Keys());
    const double centres[][2] = {{25, 5}, {5, 15}, {15, 15}, {15, 5}};
    int i = 0;
    for (const auto& entry : all.points) {
        EXPECT_EQ(centres[i][0], entry.second->GetX());
        EXPECT_EQ(centres[i][1], entry.second->GetY());
        EXPECT_EQ(entry.first, entry.second->GetValue());
        ++i;
    }
    TOwnedPoints some{TMapTools::GetFirstValues(map.get(), {-9999, kNaN})};
    EXPECT_EQ((std::vector<double>{1, 2, 3}), some.Keys());
}

TEST(TMapToolsGetFirstValues, NoDataOnlyCountsAfterAnotherValueAndNaNIsNeverAKey) {
    // Scan order (columns outer): -9999, -9999, 5, -9999.
    std::unique_ptr<TMap> map = MakeMap({{-9999, 5}, {-9999, -9999}});
    TOwnedPoints found{TMapTools::GetFirstValues(map.get(), {})};
    ASSERT_EQ((std::vector<double>{-9999, 5}), found.Keys());
    EXPECT_EQ(15.0, found.points[-9999]->GetX());
    EXPECT_EQ(5.0, found.points[-9999]->GetY());

    std::unique_ptr<TMap> blank = MakeMap({{-9999, -9999}});
    EXPECT_TRUE(TMapTools::GetFirstValues(blank.get(), {}).empty());

    std::unique_ptr<TMap> withNaN = MakeMap({{kNaN, 4, kNaN, kNaN}});
    TOwnedPoints noNaN{TMapTools::GetFirstValues(withNaN.get(), {})};
    EXPECT_EQ((std::vector<double>{4}), noNaN.Keys());

    std::vector<std::map<double, TMapPoint*>> each = TMapTools::GetFirstValues({map.get(), withNaN.get()}, {-9999});
    ASSERT_EQ(2u, each.size());
    TOwnedPoints first{each[0]}, second{each[1]};
    EXPECT_EQ((std::vector<double>{5}), first.Keys());
    EXPECT_EQ((std::vector<double>{4}), second.Keys());
}

TEST(TMapToolsGetValuesOverlay, GroupsValuesByTheOverlay) {
    std::unique_ptr<TMap> overlay = MakeMap({{1, 1}, {2, -9999}, {kNaN, 1}});
    std::unique_ptr<TMap> map = MakeMap({{10, 11}, {12, 13}, {14, kNaN}});
    const auto excluded = TMapTools::GetValuesOverlay(map.get(), overlay.get(), {-9999});
    ASSERT_EQ(2u, excluded.size());
    // An overlay cell holding NaN is passed over; a NaN value is collected.
    const std::vector<double>& ones = excluded.at(1);
    ASSERT_EQ(3u, ones.size());
    EXPECT_EQ(10.0, ones[0]);
    EXPECT_EQ(11.0, ones[1]);
    EXPECT_TRUE(std::isnan(ones[2]));
    EXPECT_EQ((std::vector<double>{12}), excluded.at(2));
    const auto all = TMapTools::GetValuesOverlay(map.get(), overlay.get(), {});
    ASSERT_EQ(3u, all.size());
    EXPECT_EQ((std::vector<double>{13}), all.at(-9999));

    std::unique_ptr<TMap> wide = MakeMap({{1, 2, 3}, {4, 5, 6}});
    std::unique_ptr<TMap> square = MakeMap({{1, 2}, {3, 4}});
    EXPECT_EQ("Map X-dimensions do not match", ThrownMessage([&] { TMapTools::GetValuesOverlay(map.get(), wide.get(), {}); }));
    EXPECT_EQ("Map Y-Dimensions do not match", ThrownMessage([&] { TMapTools::GetValuesOverlay(map.get(), square.get(), {}); }));
}

TEST(TMapToolsFindNonzeroNeighbourVal, TakesTheEasternmostColumnWithAValue) {
    std::unique_ptr<TMap> map = MakeMap({{0, 0, 7}, {0, 0, 0}, {5, 0, 0}});
    EXPECT_EQ(7.0, TMapTools::FindNonzeroNeighbourVal(map.get(), 1, 1));
    EXPECT_EQ(0.0, TMapTools::FindNonzeroNeighbourVal(map.get(), 0, 0));
    map->SetPoint(1, 1, 4);
    EXPECT_EQ(7.0, TMapTools::FindNonzeroNeighbourVal(map.get(), 1, 1));
    EXPECT_EQ(4.0, TMapTools::FindNonzeroNeighbourVal(map.get(), 1, 2));
    map->SetPoint(1, 0, 3);
    EXPECT_EQ(3.0, TMapTools::FindNonzeroNeighbourVal(map.get(), 0, 1));
    map->SetPoint(0, 0, kNaN);
    EXPECT_EQ(3.0, TMapTools::FindNonzeroNeighbourVal(map.get(), 0, 0));
    map->SetPoint(1, 0, 0);
    map->SetPoint(1, 1, 0);
    EXPECT_TRUE(std::isnan(TMapTools::FindNonzeroNeighbourVal(map.get(), 0, 0)));

    const long bad[][2] = {{3, 0}, {-1, 0}, {0, 3}, {0, -1}};
    const char* messages[] = {"X-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal",
                              "X-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal",
                              "Y-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal",
                              "Y-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(messages[i], ThrownMessage([&] { TMapTools::FindNonzeroNeighbourVal(map.get(), bad[i][0], bad[i][1]); }));
}

TEST(TMapToolsGetValuesVector, ReadsOneCellThroughAStretchOfTheSeries) {
    std::unique_ptr<TMap> a = MakeMap({{1, 2}}), b = MakeMap({{3, 4}}), c = MakeMap({{5}});
    const std::vector<TMap*> series = {a.get(), b.get(), c.get()};
    EXPECT_EQ((std::vector<double>{1, 3, 5}), TMapTools::GetValuesVector(series, 0, 0, 0, 2));
    EXPECT_EQ((std::vector<double>{3, 5}), TMapTools::GetValuesVector(series, 0, 0, 1, 2));
    struct {
        long x;
        int start, end;
        const char* message;
    } cases[] = {
        {0, 0, 0, "Stat map number must be less than end map number"},
        {0, 2, 1, "Stat map number must be less than end map number"},
        {0, 3, 4, "Start map number is out of range in TMapTools::GetValuesVector"},
        {0, -1, 1, "Start map number is out of range in TMapTools::GetValuesVector"},
        {0, 0, 3, "End map number is out of range in TMapTools::GetValuesVector"},
        {0, 0, -1, "End map number is out of range in TMapTools::GetValuesVector"},
        {1, 0, 2, "X-ordinate is out of range in TMap::GetPointVal"},
    };
    for (const auto& k : cases)
        EXPECT_EQ(k.message, ThrownMessage([&] { TMapTools::GetValuesVector(series, k.x, 0, k.start, k.end); }));
}

// ---- Trend gradients ----

// One map per entry, each one row of the values given.
struct TSeries {
    std::vector<std::unique_ptr<TMap>> maps;
    explicit TSeries(const std::vector<std::vector<double>>& rows, double xll = 0) {
        for (const auto& row : rows) maps.push_back(MakeMap({row}, 10, xll));
    }
    std::vector<TMap*> Get() const {
        std::vector<TMap*> list;
        for (const auto& map : maps) list.push_back(map.get());
        return list;
    }
};

std::vector<std::vector<double>> Gradients(const std::vector<TMap*>& series, int window) {
    std::vector<std::vector<double>> rows;
    for (TMap* map : TMapTools::ValueGradients(series, window)) {
        std::unique_ptr<TMap> owned(map);
        EXPECT_EQ(-9999.0, owned->GetNoDataValue());
        rows.push_back(owned->GetRow(0));
    }
    return rows;
}

TEST(TMapToolsValueGradients, SlopesOfEachWindow) {
    struct {
        const char* name;
        std::vector<std::vector<double>> maps;
        int window;
        std::vector<std::vector<double>> expected;
    } cases[] = {
        {"straight line", {{1}, {3}, {5}}, 2, {{2}}},
        {"two windows", {{1}, {3}, {5}}, 1, {{2}, {2}}},
        {"no data left out", {{1}, {-9999}, {5}}, 2, {{2}}},
        {"first value 0", {{0}, {3}, {5}}, 2, {{-9999}}},
        {"0 filled from a neighbour", {{1, 1}, {0, 6}}, 1, {{5, 5}}},
        {"slope in steps of the series", {{2, 4}, {4, 4}, {8, 4}}, 2, {{3, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSeries series(c.maps);
        EXPECT_EQ(c.expected, Gradients(series.Get(), c.window));
    }
    // The neighbour of the 0 is no data: one pair remains and the slope is NaN.
    TSeries gap(std::vector<std::vector<double>>{{1, 1}, {0, -9999}});
    const auto rows = Gradients(gap.Get(), 1);
    ASSERT_EQ(1u, rows.size());
    EXPECT_TRUE(std::isnan(rows[0][0]));
}

TEST(TMapToolsValueGradients, AgreesWithTheVectorGradient) {
    const std::vector<std::vector<double>> values = {{0.3}, {1.7}, {-2.25}, {9.125}, {4.5}};
    TSeries series(values);
    const auto rows = Gradients(series.Get(), 4);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(TVectorTools::Gradient({0, 1, 2, 3, 4}, {0.3, 1.7, -2.25, 9.125, 4.5}), rows[0][0]);
    const auto later = Gradients(series.Get(), 2);
    ASSERT_EQ(3u, later.size());
    EXPECT_EQ(TVectorTools::Gradient({2, 3, 4}, {-2.25, 9.125, 4.5}), later[2][0]);
}

TEST(TMapToolsValueGradients, ResultsLieOnTheFirstMapsGrid) {
    TSeries series(std::vector<std::vector<double>>{{1}, {3}});
    series.maps[1] = MakeMap({{3}}, 10, 500);
    TMap* map = TMapTools::ValueGradients(series.Get(), 1).at(0);
    std::unique_ptr<TMap> owned(map);
    EXPECT_EQ(5.0, owned->GetXAxis()->GetPoint(0)->GetX());
}

TEST(TMapToolsValueGradients, Failures) {
    TSeries three(std::vector<std::vector<double>>{{1}, {3}, {5}});
    TSeries uneven(std::vector<std::vector<double>>{{1}, {3, 4}});
    struct {
        std::vector<TMap*> series;
        int window;
        const char* message;
    } cases[] = {
        {three.Get(), 3, "Window size must be < number of maps in TMapTools::ValueGradients"},
        {three.Get(), 4, "Window size must be < number of maps in TMapTools::ValueGradients"},
        {{}, 0, "Window size must be < number of maps in TMapTools::ValueGradients"},
        {three.Get(), 0, "Window size must be at least 1 in TMapTools::ValueGradients"},
        {three.Get(), -1, "Window size must be at least 1 in TMapTools::ValueGradients"},
        {uneven.Get(), 1, "Map dimensions do not match in TMapTools::ValueGradients"},
        {uneven.Get(), 2, "Window size must be < number of maps in TMapTools::ValueGradients"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.message, ThrownMessage([&] { TMapTools::ValueGradients(c.series, c.window); })) << c.window;
}

}  // namespace
