// The window statistics against a plain per-cell computation: collect the
// values that hold data, in series order, and work the statistic out of them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ops/TMapTools.h"
#include "ops/TWindowStatistics.h"
#include "tests/TestSupport.h"

using testsupport::kInf;
using testsupport::kNaN;
using testsupport::MakeMap;
using testsupport::Rows;
using testsupport::WhatIsThrown;

namespace {

const TStatistic kAll[] = {TStatistic::Mean,  TStatistic::Sum,    TStatistic::Min,
                           TStatistic::Max,   TStatistic::Range,  TStatistic::Count,
                           TStatistic::Median, TStatistic::Variance, TStatistic::StdDev};

double Reference(const std::vector<double>& values, TStatistic stat, size_t minValid) {
    if (values.size() < minValid) return -9999.0;
    const double count = static_cast<double>(values.size());
    double sum = values[0];
    for (size_t i = 1; i < values.size(); ++i) sum = sum + values[i];
    bool nan = false;
    for (double v : values) nan = nan || std::isnan(v);
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    switch (stat) {
    case TStatistic::Mean:
        return sum / count;
    case TStatistic::Sum:
        return sum;
    case TStatistic::Count:
        return count;
    case TStatistic::Min:
        return nan ? kNaN : sorted.front();
    case TStatistic::Max:
        return nan ? kNaN : sorted.back();
    case TStatistic::Range:
        return nan ? kNaN : sorted.back() - sorted.front();
    case TStatistic::Median: {
        if (nan) return kNaN;
        const size_t k = sorted.size();
        return k % 2 == 1 ? sorted[k / 2] : (sorted[k / 2 - 1] + sorted[k / 2]) / 2.0;
    }
    case TStatistic::Variance:
    case TStatistic::StdDev: {
        const double mean = sum / count;
        double squares = 0.0;
        for (double v : values) squares = squares + (v - mean) * (v - mean);
        return stat == TStatistic::Variance ? squares / count : std::sqrt(squares / count);
    }
    }
    return 0.0;
}

// Sums and means are compared bit for bit. Order statistics compare values:
// which of 0 and -0, equal in the order, a cell takes is not specified.
bool SameResult(double a, double b, TStatistic stat) {
    if (std::isnan(a) && std::isnan(b)) return true;
    const bool ordered = stat == TStatistic::Min || stat == TStatistic::Max || stat == TStatistic::Range ||
                         stat == TStatistic::Median;
    return ordered ? a == b : std::memcmp(&a, &b, sizeof a) == 0;
}

// A random series: each map has its own no-data value (some NaN), and cells
// drawn from a few repeated values, so that ties, signed zeros and gaps occur.
std::vector<std::unique_ptr<TMap>> RandomSeries(size_t maps, long nx, long ny, unsigned seed, bool special) {
    std::mt19937 random(seed);
    const double pool[] = {1.5, -2.25, 0.0, -0.0, 3.0, 7.125, -9999.0, 1e300, 1e-300, 42.0};
    std::vector<std::unique_ptr<TMap>> series;
    for (size_t m = 0; m < maps; ++m) {
        const double nodata = m % 4 == 1 ? kNaN : m % 4 == 2 ? -1.0 : -9999.0;
        Rows rows(static_cast<size_t>(ny), std::vector<double>(static_cast<size_t>(nx)));
        for (auto& row : rows)
            for (double& v : row) {
                const unsigned draw = random() % 100;
                if (draw < 20) v = nodata;
                else if (draw < 22 && special) v = draw == 20 ? kInf : kNaN;
                else if (draw < 50) v = pool[random() % 10];
                else v = std::ldexp(static_cast<double>(random() % 100000) - 50000.0, -7);
            }
        series.push_back(MakeMap(rows, 10, 0, 0, nodata));
    }
    return series;
}

}  // namespace

TEST(TWindowStatistics, EveryStatisticMatchesAPlainComputationBitForBit) {
    // Windows from 2 to 70 maps exercise the median's sorting networks of
    // every size up to past a power of two; rows longer than one block of
    // columns exercise the blocking.
    for (size_t window : {2, 3, 4, 5, 7, 8, 9, 16, 17, 31, 33, 64, 65, 70}) {
        const long nx = window > 20 ? 40 : 300;
        for (bool special : {false, true}) {
            auto owned = RandomSeries(window + 2, nx, 3, static_cast<unsigned>(window * 2 + special), special);
            std::vector<TMap*> series;
            for (auto& map : owned) series.push_back(map.get());
            for (TStatistic stat : kAll)
                for (size_t minValid : {size_t(1), window / 2 + 1, window}) {
                    SCOPED_TRACE(std::string(TWindowStatistics::Name(stat)) + " window " + std::to_string(window) +
                                 " min-valid " + std::to_string(minValid) + (special ? " with NaN/inf" : ""));
                    std::vector<double> out(static_cast<size_t>(nx)), scratch;
                    long mismatches = 0;
                    for (size_t first : {size_t(0), size_t(2)})
                        for (long y = 0; y < 3; ++y) {
                            TWindowStatistics::Row(series, first, window, y, stat, minValid, out.data(), scratch);
                            for (long x = 0; x < nx; ++x) {
                                std::vector<double> values;
                                for (size_t m = first; m < first + window; ++m) {
                                    const double v = series[m]->GetPointVal(x, y);
                                    const double nd = series[m]->GetNoDataValue();
                                    if (std::isnan(nd) ? !std::isnan(v) : v != nd) values.push_back(v);
                                }
                                const double expected = Reference(values, stat, minValid);
                                if (!SameResult(out[static_cast<size_t>(x)], expected, stat) && mismatches++ < 3)
                                    ADD_FAILURE() << "cell " << x << "," << y << " window at " << first << ": "
                                                  << out[static_cast<size_t>(x)] << " != " << expected;
                            }
                        }
                    EXPECT_EQ(mismatches, 0);
                }
        }
    }
}

TEST(TWindowStatistics, NamesRoundTripAndUnknownNamesAreRefused) {
    for (TStatistic stat : kAll) {
        TStatistic parsed = TStatistic::Mean;
        ASSERT_TRUE(TWindowStatistics::FromName(TWindowStatistics::Name(stat), parsed));
        EXPECT_EQ(parsed, stat);
    }
    TStatistic parsed = TStatistic::Max;
    for (const char* name : {"", "Mean", "average", "stddev", "mean "}) EXPECT_FALSE(TWindowStatistics::FromName(name, parsed)) << name;
    EXPECT_EQ(parsed, TStatistic::Max);
}

TEST(TMapToolsStatistic, KeepsTheGridAndChecksItsArguments) {
    auto a = MakeMap({{1, -9999}, {3, 4}}, 5, 100, 200);
    auto b = MakeMap({{2, 6}, {-9999, 8}}, 5, 100, 200);
    auto c = MakeMap({{1, 2, 3}}, 5, 100, 200);
    std::unique_ptr<TMap> median(TMapTools::Statistic({a.get(), b.get()}, TStatistic::Median, 1));
    EXPECT_EQ(testsupport::Cells(*median), (Rows{{1.5, 6}, {3, 6}}));
    EXPECT_EQ(median->GetNoDataValue(), -9999.0);
    EXPECT_EQ(median->GetXAxisInterval()->GetPoint(0)->GetX(), 100.0);
    EXPECT_EQ(median->GetYAxisInterval()->GetPoint(2)->GetY(), 200.0);
    std::unique_ptr<TMap> strict(TMapTools::Statistic({a.get(), b.get()}, TStatistic::Max, 2));
    EXPECT_EQ(testsupport::Cells(*strict), (Rows{{2, -9999}, {-9999, 8}}));

    const char* const range = "Minimum number of maps holding data must be from 1 to the number of maps in TMapTools::Statistic";
    EXPECT_EQ(WhatIsThrown([&] { delete TMapTools::Statistic({a.get(), b.get()}, TStatistic::Sum, 0); }), range);
    EXPECT_EQ(WhatIsThrown([&] { delete TMapTools::Statistic({a.get(), b.get()}, TStatistic::Sum, 3); }), range);
    EXPECT_EQ(WhatIsThrown([&] { delete TMapTools::Statistic({a.get()}, TStatistic::Sum, 1); }),
              "Must have more than 2 maps to sum in TMapTools::Sum");
    EXPECT_EQ(WhatIsThrown([&] { delete TMapTools::Statistic({a.get(), c.get()}, TStatistic::Sum, 1); }),
              "X-dimension of maps are inconsistent in TMapTools::Sum");
}

TEST(TMapToolsStatistic, MovingStatisticGivesOneMapPerWindowAndReleasesThemOnFailure) {
    auto a = MakeMap({{1, 10}});
    auto b = MakeMap({{3, -9999}});
    auto c = MakeMap({{2, 30}});
    auto wide = MakeMap({{1, 2, 3}});
    std::vector<TMap*> maps = TMapTools::MovingStatistic({a.get(), b.get(), c.get()}, 2, TStatistic::Range, 1);
    ASSERT_EQ(maps.size(), 2u);
    EXPECT_EQ(testsupport::Cells(*maps[0]), (Rows{{2, 0}}));
    EXPECT_EQ(testsupport::Cells(*maps[1]), (Rows{{1, 0}}));
    for (TMap* map : maps) delete map;
    EXPECT_TRUE(TMapTools::MovingStatistic({a.get(), b.get()}, 3, TStatistic::Mean, 1).empty());
    // The second window is inconsistent: the first window's map must not leak.
    EXPECT_EQ(WhatIsThrown([&] { TMapTools::MovingStatistic({a.get(), b.get(), wide.get()}, 2, TStatistic::Max, 1); }),
              "X-dimension of maps are inconsistent in TMapTools::Sum");
}

TEST(TMapToolsStatistic, AverageCountsNaNCellsAsNoDataWhereTheNoDataValueIsNaN) {
    auto a = MakeMap({{1, kNaN, 5}}, 10, 0, 0, kNaN);
    auto b = MakeMap({{3, 4, kNaN}}, 10, 0, 0, -9999.0);
    std::unique_ptr<TMap> average(TMapTools::Average({a.get(), b.get()}));
    const std::vector<double> row = average->GetRow(0);
    EXPECT_EQ(row[0], 2.0);
    EXPECT_EQ(row[1], -9999.0);  // no data in a
    EXPECT_TRUE(std::isnan(row[2]));  // NaN is data in b, whose no-data value is a number
}
