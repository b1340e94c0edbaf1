// Runs the korvel binary with the statistic, minimum-count, alignment and
// precision options on a small series with no-data cells, and checks the
// files it writes against values worked out by hand.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

using testsupport::Exists;
using testsupport::ListDir;
using testsupport::ReadText;
using testsupport::RunKorvel;
using testsupport::TRunResult;
using testsupport::TScratchDir;
using testsupport::WriteText;

namespace {

const std::string kHeader = "ncols 3\nnrows 1\nxllcorner      100\nyllcorner      200\ncellsize 10\nNODATA_value -9999\n";

// Four one-row maps; map 3 declares -1 as its no-data value. Per column, the
// maps holding data: column 1 all four, column 2 maps 2 and 4, column 3
// maps 1 and 4.
class KorvelStatistics : public ::testing::Test {
protected:
    void SetUp() override {
        const char* rows[] = {"1 -9999 4", "2 5 -9999", "6 -1 -1", "3 7 8"};
        for (int n = 1; n <= 4; ++n) {
            const std::string nodata = n == 3 ? "-1" : "-9999";
            WriteText(MbrDir / ("in_" + std::to_string(n) + ".asc"),
                      "ncols 3\nnrows 1\nxllcorner 100\nyllcorner 200\ncellsize 10\nNODATA_value " + nodata + "\n" +
                          rows[n - 1] + "\n");
        }
    }
    // Runs korvel with options over maps 1 to 4 with a window of 3.
    TRunResult Run(const std::vector<std::string>& options, const std::string& round = "N") {
        std::vector<std::string> args = options;
        for (const char* arg : {"in_", "1", "4", ".asc", "3", "out_", ".asc"}) args.push_back(arg);
        args.push_back(round);
        TRunResult result = RunKorvel(MbrDir.Path(), args);
        EXPECT_EQ(result.MbrStrErr, "");
        return result;
    }
    std::vector<std::string> Outputs() { return ListDir(MbrDir.Path(), "out_"); }
    // The cell line of an output file.
    std::string Cells(int number) {
        const std::string text = ReadText(MbrDir / ("out_" + std::to_string(number) + ".asc"));
        if (text.compare(0, kHeader.size(), kHeader) != 0) return "(bad header) " + text;
        return text.substr(kHeader.size());
    }
    TScratchDir MbrDir;
};

}  // namespace

TEST_F(KorvelStatistics, EachStatisticOverTheMapsHoldingData) {
    struct Case {
        std::vector<std::string> options;
        std::string window1, window2;  // the cell lines of out_2 and out_3
    } cases[] = {
        // Without --min-valid a cell needs every map of its window.
        {{}, "3 -9999 -9999 \n", "3.66667 -9999 -9999 \n"},
        {{"--stat=mean"}, "3 -9999 -9999 \n", "3.66667 -9999 -9999 \n"},
        {{"--stat=sum"}, "9 -9999 -9999 \n", "11 -9999 -9999 \n"},
        {{"--stat=var"}, "4.66667 -9999 -9999 \n", "2.88889 -9999 -9999 \n"},
        {{"--stat=std"}, "2.16025 -9999 -9999 \n", "1.69967 -9999 -9999 \n"},
        {{"--stat=mean", "--min-valid=2"}, "3 -9999 -9999 \n", "3.66667 6 -9999 \n"},
        {{"--stat=median", "--min-valid=2"}, "2 -9999 -9999 \n", "3 6 -9999 \n"},
        {{"--min-valid=1"}, "3 5 4 \n", "3.66667 6 8 \n"},
        {{"--stat=sum", "--min-valid=1"}, "9 5 4 \n", "11 12 8 \n"},
        {{"--stat=min", "--min-valid=1"}, "1 5 4 \n", "2 5 8 \n"},
        {{"--stat=max", "--min-valid=1"}, "6 5 4 \n", "6 7 8 \n"},
        {{"--stat=range", "--min-valid=1"}, "5 0 0 \n", "4 2 0 \n"},
        {{"--stat=count", "--min-valid=1"}, "3 1 1 \n", "3 2 1 \n"},
        {{"--stat=median", "--min-valid=1"}, "2 5 4 \n", "3 6 8 \n"},
        {{"--stat=var", "--min-valid=1"}, "4.66667 0 0 \n", "2.88889 1 0 \n"},
        {{"--stat=std", "--min-valid=1"}, "2.16025 0 0 \n", "1.69967 1 0 \n"},
    };
    for (const Case& c : cases) {
        std::string trace;
        for (const std::string& option : c.options) trace += option + " ";
        SCOPED_TRACE(trace);
        const TRunResult result = Run(c.options);
        ASSERT_EQ(result.MbrIntStatus, 0) << result.MbrStrOut;
        EXPECT_EQ(result.MbrStrOut, "Loading map files 1 2 3 4 \nCalculating moving averages\nSaving results 2 3 \n");
        EXPECT_EQ(Outputs(), (std::vector<std::string>{"out_2.asc", "out_3.asc"}));
        EXPECT_EQ(Cells(2), c.window1);
        EXPECT_EQ(Cells(3), c.window2);
    }
}

TEST_F(KorvelStatistics, RoundsAfterTheStatistic) {
    ASSERT_EQ(Run({"--stat=std", "--min-valid=1"}, "Y").MbrIntStatus, 0);
    EXPECT_EQ(Cells(2), "2 0 0 \n");
    EXPECT_EQ(Cells(3), "2 1 0 \n");
    ASSERT_EQ(Run({"--stat=median", "--min-valid=2"}, "Y").MbrIntStatus, 0);
    EXPECT_EQ(Cells(2), "2 -9999 -9999 \n");
    EXPECT_EQ(Cells(3), "3 6 -9999 \n");
}

TEST_F(KorvelStatistics, AlignNumbersOutputsAfterTheFirstMiddleOrLastMap) {
    struct Case {
        const char* option;
        std::vector<std::string> names;
        std::string saving;
    } cases[] = {
        {"--align=first", {"out_1.asc", "out_2.asc"}, "Saving results 1 2 \n"},
        {"--align=middle", {"out_2.asc", "out_3.asc"}, "Saving results 2 3 \n"},
        {"--align=last", {"out_3.asc", "out_4.asc"}, "Saving results 3 4 \n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        for (const std::string& name : Outputs()) std::remove((MbrDir / name).c_str());
        const TRunResult result = Run({c.option, "--min-valid=1"});
        ASSERT_EQ(result.MbrIntStatus, 0);
        EXPECT_EQ(result.MbrStrOut, "Loading map files 1 2 3 4 \nCalculating moving averages\n" + c.saving);
        ASSERT_EQ(Outputs(), c.names);
        // The first window is maps 1-3, whatever number it carries.
        EXPECT_EQ(ReadText(MbrDir / c.names[0]), kHeader + "3 5 4 \n");
    }
}

TEST_F(KorvelStatistics, DigitsSetsThePrecisionButNoDataStaysMinus9999) {
    ASSERT_EQ(Run({"--digits=17", "--min-valid=2"}).MbrIntStatus, 0);
    // 11 / 3 to 17 digits reads back as the very double.
    EXPECT_EQ(Cells(3), "3.6666666666666665 6 -9999 \n");
    EXPECT_EQ(std::strtod("3.6666666666666665", nullptr), 11.0 / 3.0);
    ASSERT_EQ(Run({"--digits=2", "--stat=sum", "--min-valid=2"}).MbrIntStatus, 0);
    // %.2g would write -9999 as -1e+04: it stays -9999, the declared no-data.
    EXPECT_EQ(Cells(2), "9 -9999 -9999 \n");
    EXPECT_EQ(Cells(3), "11 12 -9999 \n");
    ASSERT_EQ(Run({"--digits=1", "--min-valid=2"}).MbrIntStatus, 0);
    EXPECT_EQ(Cells(3), "4 6 -9999 \n");
}

TEST_F(KorvelStatistics, RefusesBadOptionsWithStatus2BeforeReadingAnything) {
    struct Case {
        std::vector<std::string> options;
        std::string window;
        std::string out;
    } cases[] = {
        {{"--stat=average"}, "3", "Invalid --stat \"average\": must be mean, sum, min, max, range, count, median, var or std\n"},
        {{"--stat="}, "3", "Invalid --stat \"\": must be mean, sum, min, max, range, count, median, var or std\n"},
        {{"--stat"}, "3", "Option --stat needs a value, as in --stat=...\n"},
        {{"--min-valid=0"}, "3", "Invalid --min-valid \"0\": must be at least 1\n"},
        {{"--min-valid=2.5"}, "3", "Invalid --min-valid \"2.5\": not an integer\n"},
        {{"--min-valid=4"}, "3", "Invalid --min-valid \"4\": must not exceed window_size 3\n"},
        {{"--min-valid=2"}, "0", "Invalid --min-valid \"2\": must not exceed window_size 0\n"},
        {{"--align=centre"}, "3", "Invalid --align \"centre\": must be middle, first or last\n"},
        {{"--digits=0"}, "3", "Invalid --digits \"0\": must be from 1 to 17\n"},
        {{"--digits=18"}, "3", "Invalid --digits \"18\": must be from 1 to 17\n"},
        {{"--digits=x"}, "3", "Invalid --digits \"x\": not an integer\n"},
        {{"--stat=min", "--stat=max"}, "3", "Option --stat is given more than once\n"},
        {{"--jobs=2", "--jobs=2"}, "3", "Option --jobs is given more than once\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        std::vector<std::string> args = c.options;
        // The inputs do not exist: a run that read them would say so.
        for (const char* arg : {"missing_", "1", "4", ".asc", c.window.c_str(), "out_", ".asc"}) args.push_back(arg);
        const TRunResult result = RunKorvel(MbrDir.Path(), args);
        EXPECT_EQ(result.MbrIntStatus, 2);
        EXPECT_EQ(result.MbrStrOut, c.out);
        EXPECT_TRUE(Outputs().empty());
    }
}

TEST_F(KorvelStatistics, EveryStatisticIsTheSameOnAnyNumberOfThreads) {
    // A longer series with gaps, so that batches of windows run in parallel.
    for (int n = 1; n <= 30; ++n) {
        std::string text = "ncols 4\nnrows 3\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n";
        for (int cell = 0; cell < 12; ++cell)
            text += ((n * 7 + cell * 3) % 11 == 0 ? std::string("-9999") : std::to_string((n * 37 + cell * 53) % 97 - 40)) +
                    (cell % 4 == 3 ? "\n" : " ");
        WriteText(MbrDir / ("s_" + std::to_string(n) + ".asc"), text);
    }
    for (const char* stat : {"--stat=median", "--stat=std", "--stat=range"}) {
        std::vector<std::string> reference;
        for (const char* jobs : {"--jobs=1", "--jobs=3", "--jobs=16"}) {
            SCOPED_TRACE(std::string(stat) + " " + jobs);
            const TRunResult result =
                RunKorvel(MbrDir.Path(), {stat, jobs, "--min-valid=4", "s_", "1", "30", ".asc", "6", "t_", ".asc"});
            ASSERT_EQ(result.MbrIntStatus, 0);
            std::vector<std::string> contents;
            for (int n = 3; n <= 27; ++n) contents.push_back(ReadText(MbrDir / ("t_" + std::to_string(n) + ".asc")));
            if (reference.empty()) reference = contents;
            else EXPECT_EQ(contents, reference);
        }
    }
}
