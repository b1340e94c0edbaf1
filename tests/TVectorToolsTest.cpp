#include "util/TVectorTools.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

using testsupport::ThrownMessage;
using testsupport::kInf;
using testsupport::kNaN;

namespace {

TEST(TVectorToolsSumsAndMeans, SumsInOrderFromZero) {
    EXPECT_EQ(0.0, TVectorTools::SumVector({}));
    EXPECT_EQ(6.5, TVectorTools::SumVector({1, 2, 3.5}));
    // In list order: (1e16 + 1) + 1 loses both ones, whereas 1 + 1 + 1e16 would not.
    EXPECT_EQ(1e16, TVectorTools::SumVector({1e16, 1, 1}));
    EXPECT_EQ(1e16 + 2, TVectorTools::SumVector({1, 1, 1e16}));
}

TEST(TVectorToolsSumsAndMeans, MeanDividesByCount) {
    EXPECT_EQ(2.5, TVectorTools::VectorMean({1, 2, 3, 4}));
    EXPECT_EQ(-1.0, TVectorTools::VectorMean({-1}));
    EXPECT_TRUE(std::isnan(TVectorTools::VectorMean({})));
}

TEST(TVectorToolsSumsAndMeans, WeightedMeanDividesByCountNotWeights) {
    EXPECT_EQ(7.0, TVectorTools::VectorWeightedMean({2, 4}, {1, 3}));
    EXPECT_EQ(3.0, TVectorTools::VectorWeightedMean({2, 4}, {1, 1}));
    EXPECT_TRUE(std::isnan(TVectorTools::VectorWeightedMean({}, {})));
}

TEST(TVectorToolsSumsAndMeans, WeightedMeanRejectsLengthMismatch) {
    const char* Expected =
        "Length of value and weight vectors do not match in TVectorTools::WeightedMean";
    EXPECT_EQ(Expected, ThrownMessage([] { TVectorTools::VectorWeightedMean({1, 2}, {1}); }));
    EXPECT_EQ(Expected, ThrownMessage([] { TVectorTools::VectorWeightedMean({}, {1}); }));
}

TEST(TVectorToolsHasValue, Doubles) {
    EXPECT_TRUE(TVectorTools::HasValue(std::vector<double>{1.0, 2.0}, 2.0));
    EXPECT_TRUE(TVectorTools::HasValue(std::vector<double>{-9999.0, 0.0}, -9999.0));
    EXPECT_FALSE(TVectorTools::HasValue(std::vector<double>{1.0, 2.0}, 2.0000001));
    EXPECT_FALSE(TVectorTools::HasValue(std::vector<double>{}, 0.0));
    EXPECT_FALSE(TVectorTools::HasValue(std::vector<double>{kNaN, 1.0}, kNaN));
}

TEST(TVectorToolsHasValue, Ints) {
    EXPECT_TRUE(TVectorTools::HasValue(std::vector<int>{3, -4, 5}, -4));
    EXPECT_FALSE(TVectorTools::HasValue(std::vector<int>{3, -4, 5}, 4));
    EXPECT_FALSE(TVectorTools::HasValue(std::vector<int>{}, 0));
}

TEST(TVectorToolsConversions, StringToIntFollowsAtoi) {
    EXPECT_EQ((std::vector<int>{12, 7, 3, 0, -4, 0, 8}),
              TVectorTools::StringToInt({"12", " 7", "3abc", "abc", "-4", "", "\t+8"}));
}

TEST(TVectorToolsConversions, StringToIntClampsOutOfRange) {
    EXPECT_EQ((std::vector<int>{INT_MAX, INT_MIN, INT_MAX, INT_MIN}),
              TVectorTools::StringToInt({"2147483647", "-2147483648", "99999999999",
                                         "-99999999999999999999999"}));
}

TEST(TVectorToolsConversions, StringToDoubleFollowsAtof) {
    EXPECT_EQ((std::vector<double>{1.5, 2000, 0, -0.25, 7}),
              TVectorTools::StringToDouble({"1.5", "2e3", "x", "  -.25", "7m"}));
    const std::vector<double> Overflow = TVectorTools::StringToDouble({"1e999", "-1e999"});
    EXPECT_EQ((std::vector<double>{kInf, -kInf}), Overflow);
}

TEST(TVectorToolsConversions, IntToDoubleKeepsOrderAndValues) {
    EXPECT_EQ((std::vector<double>{-3, 0, 2147483647.0}),
              TVectorTools::IntToDouble({-3, 0, INT_MAX}));
    EXPECT_TRUE(TVectorTools::IntToDouble({}).empty());
}

struct SeriesCase {
    double Start;
    double End;
    double Step;
    std::vector<double> Expected;
};

TEST(TVectorToolsSeries, RunningSumUpToEnd) {
    const SeriesCase Cases[] = {
        {0, 3, 1, {0, 1, 2, 3}},
        {0, 2.5, 1, {0, 1, 2}},
        {3, 0, 1, {}},
        {2, 2, 1, {2}},
        {-1, 1, 0.5, {-1, -0.5, 0, 0.5, 1}},
        // The running sum 0.1 + 0.1 + 0.1 exceeds 0.3, so 0.3 is not reached.
        {0, 0.3, 0.1, {0, 0.1, 0.2}},
        {0, 5, kInf, {0}},
        {kNaN, 5, 1, {}},
        {0, kNaN, 1, {}},
    };
    for (const SeriesCase& Case : Cases) {
        SCOPED_TRACE(testing::Message() << Case.Start << " to " << Case.End << " by " << Case.Step);
        EXPECT_EQ(Case.Expected, TVectorTools::VectorSeries(Case.Start, Case.End, Case.Step));
    }
    // A running sum, not start + i * step: the fourth element is 0.1 + 0.1 + 0.1.
    const std::vector<double> Tenths = TVectorTools::VectorSeries(0, 1, 0.1);
    ASSERT_GE(Tenths.size(), 4u);
    EXPECT_EQ(0.1 + 0.1 + 0.1, Tenths[3]);
}

TEST(TVectorToolsSeries, RejectsSeriesThatWouldNeverEnd) {
    struct ErrorCase {
        double Start;
        double End;
        double Step;
        const char* Message;
    };
    const char* BadStep = "Step must be greater than 0.0 in TVectorTools::VectorSeries";
    const char* BadEnd = "End of series must be finite in TVectorTools::VectorSeries";
    const char* Stuck = "Step is too small to advance the series in TVectorTools::VectorSeries";
    const ErrorCase Cases[] = {
        {0, 3, 0, BadStep},
        {0, 3, -1, BadStep},
        {3, 0, -1, BadStep},
        {0, 3, kNaN, BadStep},
        {0, 3, -kInf, BadStep},
        {0, kInf, 1, BadEnd},
        {-kInf, 3, 1, Stuck},
        {1e17, 2e17, 1, Stuck},
    };
    for (const ErrorCase& Case : Cases) {
        SCOPED_TRACE(testing::Message() << Case.Start << " to " << Case.End << " by " << Case.Step);
        EXPECT_EQ(std::string(Case.Message), ThrownMessage([&Case] {
                      TVectorTools::VectorSeries(Case.Start, Case.End, Case.Step);
                  }));
    }
}

TEST(TVectorToolsProduct, ElementWise) {
    EXPECT_EQ((std::vector<double>{3, 8}), TVectorTools::VectorProduct({1, 2}, {3, 4}));
    EXPECT_EQ((std::vector<double>{-1.5, 0}), TVectorTools::VectorProduct({0.5, 0}, {-3, 9}));
    EXPECT_TRUE(TVectorTools::VectorProduct({}, {}).empty());
    EXPECT_EQ("Length of vectors does not match in TVectorTools::VectorProduct",
              ThrownMessage([] { TVectorTools::VectorProduct({1, 2}, {3}); }));
}

struct GradientCase {
    std::vector<double> X;
    std::vector<double> Y;
    double Expected;
};

TEST(TVectorToolsGradient, LeastSquaresSlope) {
    const GradientCase Cases[] = {
        {{0, 1, 2}, {1, 3, 5}, 2},
        {{0, 1, 2, 3}, {2, 2, 2, 2}, 0},
        {{3, 4, 5}, {10, 7, 4}, -3},
        // Not on a line: slope of the fitted line, (3*4 - 3*3) / (3*5 - 9) = 0.5.
        {{0, 1, 2}, {0, 2, 1}, 0.5},
        // The order of the pairs does not matter.
        {{2, 0, 1}, {1, 0, 2}, 0.5},
    };
    for (const GradientCase& Case : Cases) {
        EXPECT_DOUBLE_EQ(Case.Expected, TVectorTools::Gradient(Case.X, Case.Y));
    }
}

TEST(TVectorToolsGradient, NaNWhenAllXAreEqual) {
    EXPECT_TRUE(std::isnan(TVectorTools::Gradient({1}, {5})));
    EXPECT_TRUE(std::isnan(TVectorTools::Gradient({}, {})));
    EXPECT_TRUE(std::isnan(TVectorTools::Gradient({2, 2}, {1, 3})));
}

TEST(TVectorToolsGradient, RejectsLengthMismatch) {
    const std::string Expected = "Length of vectors does not match in TVectorTools::VectorProduct";
    EXPECT_EQ(Expected, ThrownMessage([] { TVectorTools::Gradient({0, 1}, {1}); }));
    EXPECT_EQ(Expected, ThrownMessage([] { TVectorTools::Gradient({0}, {1, 2}); }));
}

}  // namespace
