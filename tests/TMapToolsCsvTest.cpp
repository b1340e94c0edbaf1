#include "ops/TMapTools.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

using testsupport::MakeMap;
using testsupport::Rows;

namespace {

std::string Csv(TMap* map, std::ostringstream stream = std::ostringstream()) {
    TMapTools::WriteCSVFile(map, stream);
    return stream.str();
}

TEST(TMapToolsWriteCSVFile, WritesColumnByColumn) {
    std::unique_ptr<TMap> map = MakeMap({{1, 2}, {3, -9999}, {1234567, 0.1}}, 1, 0, 0);
    EXPECT_EQ("0.5,2.5,1\n0.5,1.5,3\n0.5,0.5,1.23457e+06\n"
              "1.5,2.5,2\n1.5,1.5,-9999\n1.5,0.5,0.1\n",
              Csv(map.get()));
    std::unique_ptr<TMap> tall = MakeMap({{7}, {8}}, 5, 10, 20);
    EXPECT_EQ("12.5,27.5,7\n12.5,22.5,8\n", Csv(tall.get()));
}

TEST(TMapToolsWriteCSVFile, UsesTheStreamsOwnFormat) {
    std::unique_ptr<TMap> map = MakeMap({{1.25}}, 1, 0, 0);
    std::ostringstream fixed;
    fixed << std::fixed << std::setprecision(2);
    EXPECT_EQ("0.50,0.50,1.25\n", Csv(map.get(), std::move(fixed)));
}

TEST(TMapToolsWriteCSVFile, EmptyMapsWriteNothingAndMapsWithoutAxesAreRefused) {
    TMap noColumns(1.0, 0, 3), noRows(1.0, 3, 0), bare(1.0, 2, 2);
    EXPECT_EQ("", Csv(&noColumns));
    EXPECT_EQ("", Csv(&noRows));
    std::ostringstream stream;
    try {
        TMapTools::WriteCSVFile(&bare, stream);
        ADD_FAILURE() << "no exception";
    } catch (const char* message) {
        EXPECT_STREQ("Map has no axes in TMap::GetPoint (long,long)", message);
    }
    EXPECT_EQ("", stream.str());
}

}  // namespace
