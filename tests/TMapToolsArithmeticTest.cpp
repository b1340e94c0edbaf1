#include "ops/TMapTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

using testsupport::Cells;
using testsupport::MakeMap;
using testsupport::Rows;
using testsupport::ThrownMessage;
using testsupport::kInf;
using testsupport::kNaN;

namespace {

// A fine 4x4 map of cell size 1 and a coarse 2x2 map of cell size 2 over
// the same square.
class TMapToolsPairing : public ::testing::Test {
protected:
    std::unique_ptr<TMap> fine = MakeMap({{0, 1, 2, 3}, {10, 11, 12, 13}, {20, 21, -1, 23}, {30, 31, 32, 33}}, 1, 0, 0, -1);
    std::unique_ptr<TMap> coarse = MakeMap({{100, 200}, {300, -9999}}, 2, 0, 0);
};

TEST_F(TMapToolsPairing, FinerMapIsTheBaseInEitherOrder) {
    const Rows sum = {{100, 101, 202, 203}, {110, 111, 212, 213}, {320, 321, -1, -1}, {330, 331, -1, -1}};
    const Rows product = {{0, 100, 400, 600}, {1000, 1100, 2400, 2600}, {6000, 6300, -1, -1}, {9000, 9300, -1, -1}};
    struct {
        const char* name;
        TMap* (*op)(TMap*, TMap*);
        Rows expected;
    } cases[] = {{"Add", &TMapTools::Add, sum}, {"Multiply", &TMapTools::Multiply, product}};
    for (const auto& c : cases)
        for (bool fineFirst : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (fineFirst ? " fine first" : " coarse first"));
            std::unique_ptr<TMap> r(fineFirst ? c.op(fine.get(), coarse.get()) : c.op(coarse.get(), fine.get()));
            EXPECT_EQ(1.0, r->GetResolution());
            EXPECT_EQ(-1.0, r->GetNoDataValue());
            EXPECT_EQ(c.expected, Cells(*r));
            EXPECT_EQ(0.5, r->GetXAxis()->GetPoint(0)->GetX());
            EXPECT_EQ(3.5, r->GetYAxis()->GetPoint(0)->GetY());
        }
}

TEST_F(TMapToolsPairing, EqualCellSizesTakeTheFirstAsBase) {
    // The second map is larger and shifted; the result keeps the first's grid.
    std::unique_ptr<TMap> other = MakeMap({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, 2, -1, -1, -5);
    std::unique_ptr<TMap> r(TMapTools::Add(coarse.get(), other.get()));
    EXPECT_EQ((Rows{{102, 203}, {305, -9999}}), Cells(*r));
    EXPECT_EQ(-9999.0, r->GetNoDataValue());
    std::unique_ptr<TMap> one = MakeMap({{7}}, 2, 2, 2, -5);
    std::unique_ptr<TMap> back(TMapTools::Add(one.get(), coarse.get()));
    EXPECT_EQ((Rows{{207}}), Cells(*back));
    EXPECT_EQ(-5.0, back->GetNoDataValue());
}

TEST_F(TMapToolsPairing, UncoveredCentreFailsWithTheLookupMessage) {
    std::unique_ptr<TMap> small = MakeMap({{1, 2}, {3, 4}}, 1, 3, 3);
    EXPECT_EQ("Ordinate is out of range in TAxis::GetIndex", ThrownMessage([&] { TMapTools::Add(fine.get(), small.get()); }));
    EXPECT_EQ("Ordinate is out of range in TAxis::GetIndex", ThrownMessage([&] { TMapTools::Multiply(small.get(), coarse.get()); }));
}

TEST(TMapToolsArithmetic, SubtractPairsByIndexOnTheFirstGrid) {
    std::unique_ptr<TMap> a = MakeMap({{5, 6, -1}}, 10, 0, 0, -1);
    std::unique_ptr<TMap> b = MakeMap({{1, -9999, 1}}, 3, 100, 100);
    std::unique_ptr<TMap> r(TMapTools::Subtract(a.get(), b.get()));
    EXPECT_EQ((Rows{{4, -1, -1}}), Cells(*r));
    EXPECT_EQ(-1.0, r->GetNoDataValue());
    EXPECT_EQ(5.0, r->GetXAxis()->GetPoint(0)->GetX());

    std::unique_ptr<TMap> narrow = MakeMap({{1, 2}}, 10, 0, 0);
    std::unique_ptr<TMap> tall = MakeMap({{1, 2, 3}, {1, 2, 3}}, 10, 0, 0);
    EXPECT_EQ("X dimensions do not match in TMapTools::Subtract", ThrownMessage([&] { TMapTools::Subtract(a.get(), narrow.get()); }));
    EXPECT_EQ("Y dimensions do not match in TMapTools::Subtract", ThrownMessage([&] { TMapTools::Subtract(a.get(), tall.get()); }));
    EXPECT_EQ("X dimensions do not match in TMapTools::Mask", ThrownMessage([&] { TMapTools::Mask(a.get(), narrow.get(), 0, 0); }));
    EXPECT_EQ("Y dimensions do not match in TMapTools::Mask", ThrownMessage([&] { TMapTools::Mask(a.get(), tall.get(), 0, 0); }));
}

TEST(TMapToolsArithmetic, SingleMapRules) {
    std::unique_ptr<TMap> m = MakeMap({{-1, -9999, 4.9, 5, 7, 0, kNaN}}, 1, 0, 0, -1);
    struct {
        const char* name;
        std::function<TMap*()> op;
        std::vector<double> expected;
    } cases[] = {
        // Multiply tests -9999 whatever the map declares.
        {"Multiply", [&] { return TMapTools::Multiply(m.get(), 2.0); }, {-2, -9999, 9.8, 10, 14, 0, kNaN}},
        {"Divide by 0", [&] { return TMapTools::Divide(m.get(), 0.0); }, {-1, -kInf, kInf, kInf, kInf, kNaN, kNaN}},
        {"Threshold", [&] { return TMapTools::Threshold(m.get(), 5.0); }, {0, 0, 0, 5, 7, 0, 0}},
        {"ThresholdReplace", [&] { return TMapTools::ThresholdReplace(m.get(), 5.0, 1.0); }, {-1, -9999, 4.9, 1, 1, 0, kNaN}},
        {"ReplaceValue", [&] { return TMapTools::ReplaceValue(m.get(), {{5, 50}, {7, 70}, {-1, 10}}, -3); },
         {10, -3, -3, 50, 70, -3, -3}},
        {"Mask", [&] { return TMapTools::Mask(m.get(), m.get(), 0.0, 9.0); }, {-1, -9999, 4.9, 5, 7, 9, kNaN}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TMap> r(c.op());
        EXPECT_EQ(-9999.0, r->GetNoDataValue());
        const std::vector<double> row = r->GetRow(0);
        ASSERT_EQ(c.expected.size(), row.size());
        for (size_t i = 0; i < row.size(); ++i) {
            if (std::isnan(c.expected[i])) {
                EXPECT_TRUE(std::isnan(row[i])) << i;
            } else {
                EXPECT_EQ(c.expected[i], row[i]) << i;
            }
        }
    }
}

TEST(TMapToolsArithmetic, ReplaceValueKeyOfNoDataAndMaskReadsOnlyTheSecondMap) {
    std::unique_ptr<TMap> m = MakeMap({{1, 2, 3, -9999}}, 1, 0, 0);
    std::unique_ptr<TMap> r(TMapTools::ReplaceValue(m.get(), {{1, 10}, {2, 20}}, -1));
    EXPECT_EQ((Rows{{10, 20, -1, -1}}), Cells(*r));
    r.reset(TMapTools::ReplaceValue(m.get(), {{-9999, 0}}, -1));
    EXPECT_EQ((Rows{{-1, -1, -1, 0}}), Cells(*r));

    std::unique_ptr<TMap> first = MakeMap({{0, 0, 0, 0}}, 1, 50, 50);
    std::unique_ptr<TMap> second = MakeMap({{0, 1, 0, -9999}}, 2, 0, 0);
    r.reset(TMapTools::Mask(first.get(), second.get(), 0.0, 9.0));
    EXPECT_EQ((Rows{{9, 1, 9, -9999}}), Cells(*r));
    EXPECT_EQ(50.5, r->GetXAxis()->GetPoint(0)->GetX());
}

TEST(TMapToolsArithmetic, ThresholdOfASeries) {
    std::unique_ptr<TMap> a = MakeMap({{1, 6}}, 1, 0, 0);
    std::unique_ptr<TMap> b = MakeMap({{9, 2}}, 1, 0, 0);
    std::vector<TMap*> maps = TMapTools::Threshold(std::vector<TMap*>{a.get(), b.get()}, 5.0);
    std::unique_ptr<TMap> r0(maps.at(0)), r1(maps.at(1));
    ASSERT_EQ(2u, maps.size());
    EXPECT_EQ((Rows{{0, 6}}), Cells(*r0));
    EXPECT_EQ((Rows{{9, 0}}), Cells(*r1));
    EXPECT_TRUE(TMapTools::Threshold(std::vector<TMap*>{}, 5.0).empty());
}

TEST(TMapToolsArithmetic, CountValuesPassesOverNaN) {
    std::unique_ptr<TMap> m = MakeMap({{1, 1}, {2, -9999}, {kNaN, kNaN}}, 1, 0, 0);
    EXPECT_EQ((std::map<double, long>{{-9999, 1}, {1, 2}, {2, 1}}), TMapTools::CountValues(m.get()));
    EXPECT_EQ(2, TMapTools::CountValues(m.get(), 1.0));
    EXPECT_EQ(1, TMapTools::CountValues(m.get(), -9999.0));
    EXPECT_EQ(0, TMapTools::CountValues(m.get(), kNaN));
}

}  // namespace
