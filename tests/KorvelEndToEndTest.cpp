// Runs the built korvel binary on small series and compares its exit status,
// standard output and the files it writes, byte for byte.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
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

const std::string kUsage =
    "Usage: korvel file_prefix start_num end_num file_suffix window_size output_prefix output_suffix [round Y|N]\n";
const std::string kHeader =
    "ncols 2\nnrows 2\nxllcorner      100\nyllcorner      200\ncellsize 10\nNODATA_value -9999\n";

std::string Num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// Map n: row 0 holds n and 1.5 n; row 1 holds 10 - n and n + 0.25, except
// that map 4 has no data in its last cell (declared as `nodata`).
std::string InputMap(int n, const std::string& nodata = "-9999") {
    return "ncols 2\nnrows 2\nxllcorner 100\nyllcorner 200\ncellsize 10\nNODATA_value " + nodata + "\n" + Num(n) + " " +
           Num(1.5 * n) + "\n" + Num(10 - n) + " " + (n == 4 ? nodata : Num(n + 0.25)) + "\n";
}

class KorvelRun : public ::testing::Test {
protected:
    void MakeSeries(int first, int last, const std::string& nodata = "-9999") {
        for (int n = first; n <= last; ++n) WriteText(MbrDir / ("in_" + std::to_string(n) + ".asc"), InputMap(n, nodata));
    }
    TRunResult Run(const std::vector<std::string>& args) {
        TRunResult result = RunKorvel(MbrDir.Path(), args);
        EXPECT_EQ(result.MbrStrErr, "") << "standard error holds nothing but the --lenient hint";
        return result;
    }
    std::vector<std::string> Outputs() { return ListDir(MbrDir.Path(), "out_"); }
    TScratchDir MbrDir;
};

}  // namespace

TEST_F(KorvelRun, AveragesRoundsAndNamesEachResultAfterItsMiddleMap) {
    MakeSeries(1, 5);
    const TRunResult plain = Run({"in_", "1", "5", ".asc", "3", "out_", ".asc"});
    EXPECT_EQ(plain.MbrIntStatus, 0);
    EXPECT_EQ(plain.MbrStrOut, "Loading map files 1 2 3 4 5 \nCalculating moving averages\nSaving results 2 3 4 \n");
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"out_2.asc", "out_3.asc", "out_4.asc"}));
    EXPECT_EQ(ReadText(MbrDir / "out_2.asc"), kHeader + "2 3 \n8 2.25 \n");
    EXPECT_EQ(ReadText(MbrDir / "out_3.asc"), kHeader + "3 4.5 \n7 -9999 \n");
    EXPECT_EQ(ReadText(MbrDir / "out_4.asc"), kHeader + "4 6 \n6 -9999 \n");

    const TRunResult rounded = Run({"in_", "1", "5", ".asc", "3", "out_", ".asc", "Y"});
    EXPECT_EQ(rounded.MbrIntStatus, 0);
    EXPECT_EQ(rounded.MbrStrOut, plain.MbrStrOut);
    EXPECT_EQ(ReadText(MbrDir / "out_2.asc"), kHeader + "2 3 \n8 2 \n");
    EXPECT_EQ(ReadText(MbrDir / "out_3.asc"), kHeader + "3 5 \n7 -9999 \n");
    EXPECT_EQ(ReadText(MbrDir / "out_4.asc"), kHeader + "4 6 \n6 -9999 \n");
    EXPECT_EQ(Outputs().size(), 3u) << "no temporary file is left behind";
}

TEST_F(KorvelRun, RoundsOnlyWhenExactlyEightArgumentsEndInY) {
    MakeSeries(2, 3);
    struct Case {
        std::vector<std::string> extra;
        std::string cell;
    } cases[] = {{{}, "2.75"}, {{"Y"}, "3"}, {{"Yes"}, "3"}, {{"y"}, "2.75"}, {{"N"}, "2.75"}, {{"Y", "more"}, "2.75"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra.empty() ? "none" : c.extra[0] + std::to_string(c.extra.size()));
        std::vector<std::string> args = {"in_", "2", "3", ".asc", "2", "out_", ".asc"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        ASSERT_EQ(Run(args).MbrIntStatus, 0);
        // Window (2, 3): cell (1, 1) is (2.25 + 3.25) / 2.
        EXPECT_EQ(ReadText(MbrDir / "out_2.asc"), kHeader + (c.cell == "3" ? "3 4 \n8 3 \n" : "2.5 3.75 \n7.5 2.75 \n"));
    }
}

TEST_F(KorvelRun, NumbersFilesInPlainDecimal) {
    MakeSeries(-1, 10);
    struct Case {
        std::vector<std::string> args;
        std::string out;
        std::vector<std::string> files;
    } cases[] = {
        {{"in_", "-1", "1", ".asc", "2", "out_", ".asc"},
         "Loading map files -1 0 1 \nCalculating moving averages\nSaving results -1 0 \n",
         {"out_-1.asc", "out_0.asc"}},
        {{"in_", "007", "9", ".asc", "3", "out_", ".asc"},
         "Loading map files 7 8 9 \nCalculating moving averages\nSaving results 8 \n",
         {"out_8.asc"}},
        {{"in_", " +1", "10", ".asc", "4", "out_", ".asc"},
         "Loading map files 1 2 3 4 5 6 7 8 9 10 \nCalculating moving averages\nSaving results 2 3 4 5 6 7 8 \n",
         {"out_2.asc", "out_3.asc", "out_4.asc", "out_5.asc", "out_6.asc", "out_7.asc", "out_8.asc"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        for (const std::string& name : Outputs()) std::remove((MbrDir / name).c_str());
        const TRunResult result = Run(c.args);
        EXPECT_EQ(result.MbrIntStatus, 0);
        EXPECT_EQ(result.MbrStrOut, c.out);
        EXPECT_EQ(Outputs(), c.files);
    }
}

TEST_F(KorvelRun, EmptyRangesAndLongWindowsWriteNothing) {
    MakeSeries(1, 3);
    const std::string empty = "Loading map files \nCalculating moving averages\nSaving results \n";
    EXPECT_EQ(Run({"in_", "5", "1", ".asc", "1", "out_", ".asc"}).MbrStrOut, empty);
    const TRunResult longWindow = Run({"in_", "1", "3", ".asc", "4", "out_", ".asc"});
    EXPECT_EQ(longWindow.MbrIntStatus, 0);
    EXPECT_EQ(longWindow.MbrStrOut, "Loading map files 1 2 3 \nCalculating moving averages\nSaving results \n");
    EXPECT_TRUE(Outputs().empty());
}

TEST_F(KorvelRun, ReportsRunErrorsOnTheProgressLineWithStatus1) {
    MakeSeries(1, 5);
    WriteText(MbrDir / "bad_1.asc", InputMap(1));
    WriteText(MbrDir / "bad_2.asc", "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n1 2\n3\n");
    WriteText(MbrDir / "odd_3.asc", "ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n1 2 3\n4 5 6\n");
    for (int n : {1, 2, 4}) WriteText(MbrDir / ("odd_" + std::to_string(n) + ".asc"), InputMap(n));
    WriteText(MbrDir / "tok_1.asc", InputMap(1));
    WriteText(MbrDir / "tok_2.asc", "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n1 2\n3 4x\n");
    WriteText(MbrDir / "nul_1.asc", InputMap(1));
    WriteText(MbrDir / "nul_2.asc", "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n1 2\n3 " +
                                        std::string(1, '\0') + "\n");
    // The last of six files is bad: the five read before it (on three
    // threads) are released, as the sanitizer build checks.
    for (int n = 1; n <= 5; ++n) WriteText(MbrDir / ("last_" + std::to_string(n) + ".asc"), InputMap(n));
    WriteText(MbrDir / "last_6.asc", "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n1 2\n3 4x\n");
    WriteText(MbrDir / "dir_1.asc", InputMap(1));
    ASSERT_EQ(::mkdir((MbrDir / "dir_2.asc").c_str(), 0755), 0);
    struct Case {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"in_", "1", "7", ".asc", "3", "out_", ".asc"}, "Loading map files 1 2 3 4 5 6 Unable to open file in_6.asc\n"},
        {{"bad_", "1", "2", ".asc", "2", "out_", ".asc"},
         "Loading map files 1 2 Unexpected end of file found in TARCGISFileTools::LoadARCGISFile\n"},
        {{"tok_", "1", "2", ".asc", "2", "out_", ".asc"},
         "Loading map files 1 2 File format error: invalid value '4x' at row 2, column 2\n"},
        {{"nul_", "1", "2", ".asc", "2", "out_", ".asc"},
         "Loading map files 1 2 File format error: invalid value '\\x00' at row 2, column 2\n"},
        {{"--jobs=3", "last_", "1", "6", ".asc", "2", "out_", ".asc"},
         "Loading map files 1 2 3 4 5 6 File format error: invalid value '4x' at row 2, column 2\n"},
        {{"dir_", "1", "2", ".asc", "2", "out_", ".asc"}, "Loading map files 1 2 Unable to open file dir_2.asc\n"},
        {{"odd_", "1", "4", ".asc", "2", "out_", ".asc"},
         "Loading map files 1 2 3 4 \nCalculating moving averages\nX-dimension of maps are inconsistent in TMapTools::Sum\n"},
        {{"in_", "1", "5", ".asc", "1", "out_", ".asc"},
         "Loading map files 1 2 3 4 5 \nCalculating moving averages\nMust have more than 2 maps to sum in TMapTools::Sum\n"},
        {{"in_", "1", "5", ".asc", "0", "out_", ".asc"},
         "Loading map files 1 2 3 4 5 \nCalculating moving averages\nMust have more than 2 maps to sum in TMapTools::Sum\n"},
        {{"in_", "1", "5", ".asc", "3", "no/such/dir/out_", ".asc"},
         "Loading map files 1 2 3 4 5 \nCalculating moving averages\nSaving results 2 Unable to open file no/such/dir/out_2.asc\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        const TRunResult result = Run(c.args);
        EXPECT_EQ(result.MbrIntStatus, 1);
        EXPECT_EQ(result.MbrStrOut, c.out);
        EXPECT_TRUE(Outputs().empty());
    }
}

TEST_F(KorvelRun, StopsAtTheFirstOutputThatCannotBeWritten) {
    MakeSeries(1, 5);
    // out_3.asc is a folder: 2 is written, 3 fails, 4 is never written.
    ASSERT_EQ(::mkdir((MbrDir / "out_3.asc").c_str(), 0755), 0);
    const TRunResult result = Run({"--jobs=3", "in_", "1", "5", ".asc", "3", "out_", ".asc"});
    EXPECT_EQ(result.MbrIntStatus, 1);
    EXPECT_EQ(result.MbrStrOut,
              "Loading map files 1 2 3 4 5 \nCalculating moving averages\nSaving results 2 3 Unable to open file out_3.asc\n");
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"out_2.asc", "out_3.asc"}));
}

TEST_F(KorvelRun, WritesMinus9999WhateverNoDataTheInputsDeclare) {
    MakeSeries(1, 5, "-32768");
    ASSERT_EQ(Run({"in_", "3", "5", ".asc", "3", "out_", ".asc"}).MbrIntStatus, 0);
    EXPECT_EQ(ReadText(MbrDir / "out_4.asc"), kHeader + "4 6 \n6 -9999 \n");
}

TEST_F(KorvelRun, RefusesBadCommandLinesWithStatus2BeforeReadingAnything) {
    struct Case {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{}, kUsage},
        {{"in_", "1", "5", ".asc", "3", "out_"}, kUsage},
        {{"in_", "1x", "5", ".asc", "3", "out_", ".asc"}, "Invalid start_num \"1x\": not an integer\n"},
        {{"in_", "1", "5.0", ".asc", "3", "out_", ".asc"}, "Invalid end_num \"5.0\": not an integer\n"},
        {{"in_", "1", "5", ".asc", "", "out_", ".asc"}, "Invalid window_size \"\": not an integer\n"},
        {{"in_", "1", "5", ".asc", "three", "out_", ".asc"}, "Invalid window_size \"three\": not an integer\n"},
        {{"in_", "1", "5", ".asc", "-", "out_", ".asc"}, "Invalid window_size \"-\": not an integer\n"},
        {{"in_", "1", "99999999999", ".asc", "3", "out_", ".asc"}, "Invalid end_num \"99999999999\": out of range\n"},
        {{"--jobs=0", "in_", "1", "5", ".asc", "3", "out_", ".asc"}, "Invalid --jobs \"0\": must be at least 1\n"},
        {{"--jobs=two", "in_", "1", "5", ".asc", "3", "out_", ".asc"}, "Invalid --jobs \"two\": not an integer\n"},
        {{"--fast", "in_", "1", "5", ".asc", "3", "out_", ".asc"}, "Unknown option \"--fast\"\n"},
        {{"--lenient=yes", "in_", "1", "5", ".asc", "3", "out_", ".asc"}, "Unknown option \"--lenient=yes\"\n"},
        {{"--lenient", "--jobs=2", "--lenient", "in_", "1", "5", ".asc", "3", "out_", ".asc"},
         "Option --lenient is given more than once\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        const TRunResult result = Run(c.args);
        EXPECT_EQ(result.MbrIntStatus, 2);
        EXPECT_EQ(result.MbrStrOut, c.out);
    }
}

TEST_F(KorvelRun, AnswersHelpAndVersionAndEndsOptionsAtDoubleDash) {
    const TRunResult help = Run({"--help"});
    EXPECT_EQ(help.MbrIntStatus, 0);
    // The usage line, then a line or two on each option.
    EXPECT_EQ(help.MbrStrOut.compare(0, kUsage.size(), kUsage), 0) << help.MbrStrOut;
    for (const char* option : {"--stat=", "--min-valid=", "--align=", "--digits=", "--jobs=", "--lenient", "--version"})
        EXPECT_NE(help.MbrStrOut.find(option), std::string::npos) << option;
    const TRunResult version = Run({"--version"});
    EXPECT_EQ(version.MbrIntStatus, 0);
    EXPECT_EQ(version.MbrStrOut.compare(0, 7, "korvel "), 0);
    EXPECT_EQ(version.MbrStrOut.back(), '\n');

    for (int n = 1; n <= 2; ++n) WriteText(MbrDir / ("--in" + std::to_string(n) + ".asc"), InputMap(n));
    const TRunResult dashed = Run({"--jobs=2", "--", "--in", "1", "2", ".asc", "2", "out_", ".asc"});
    EXPECT_EQ(dashed.MbrIntStatus, 0);
    EXPECT_EQ(dashed.MbrStrOut, "Loading map files 1 2 \nCalculating moving averages\nSaving results 1 \n");
    EXPECT_TRUE(Exists(MbrDir / "out_1.asc"));
}

TEST_F(KorvelRun, OutputDoesNotDependOnTheNumberOfThreads) {
    MakeSeries(1, 5);
    for (int n = 6; n <= 40; ++n) WriteText(MbrDir / ("in_" + std::to_string(n) + ".asc"), InputMap(n % 7 + 1));
    const std::vector<std::string> tail = {"in_", "1", "40", ".asc", "7", "out_", ".asc", "Y"};
    std::vector<std::string> reference;
    std::string referenceOut;
    for (const char* jobs : {"--jobs=1", "--jobs=2", "--jobs=5", "--jobs=16", "--jobs=64", "--jobs=100000"}) {
        SCOPED_TRACE(jobs);
        std::vector<std::string> args = {jobs};
        args.insert(args.end(), tail.begin(), tail.end());
        const TRunResult result = Run(args);
        ASSERT_EQ(result.MbrIntStatus, 0);
        std::vector<std::string> contents;
        for (const std::string& name : Outputs()) contents.push_back(name + "\n" + ReadText(MbrDir / name));
        if (reference.empty()) {
            reference = contents;
            referenceOut = result.MbrStrOut;
            ASSERT_EQ(reference.size(), 34u);
        } else {
            EXPECT_EQ(contents, reference);
            EXPECT_EQ(result.MbrStrOut, referenceOut);
        }
    }
}

TEST_F(KorvelRun, ReportsExhaustedMemoryAsAnErrorLine) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
#endif
#endif
    // Two maps of a million cells need 16 MB, more than the limit leaves.
    std::string big = "ncols 1000\nnrows 1000\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n";
    for (int r = 0; r < 1000; ++r) {
        for (int k = 0; k < 1000; ++k) big += "1 ";
        big += "\n";
    }
    WriteText(MbrDir / "big_1.asc", big);
    WriteText(MbrDir / "big_2.asc", big);
    const TRunResult result =
        RunKorvel(MbrDir.Path(), {"--jobs=1", "big_", "1", "2", ".asc", "2", "out_", ".asc"}, "ulimit -v 20000");
    EXPECT_EQ(result.MbrIntStatus, 1);
    EXPECT_EQ(result.MbrStrOut.compare(0, 20, "Loading map files 1 "), 0) << result.MbrStrOut;
    const std::string tail = "Out of memory\n";
    ASSERT_GE(result.MbrStrOut.size(), tail.size());
    EXPECT_EQ(result.MbrStrOut.substr(result.MbrStrOut.size() - tail.size()), tail);
    EXPECT_TRUE(Outputs().empty());
}

TEST_F(KorvelRun, SplitRangesThatOverlapByWindowMinusOneGiveTheSameFiles) {
    MakeSeries(1, 5);
    for (int n = 6; n <= 20; ++n) WriteText(MbrDir / ("in_" + std::to_string(n) + ".asc"), InputMap(n % 5 + 1));
    ASSERT_EQ(::mkdir((MbrDir / "whole").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((MbrDir / "parts").c_str(), 0755), 0);
    ASSERT_EQ(Run({"in_", "1", "20", ".asc", "4", "whole/out_", ".asc"}).MbrIntStatus, 0);
    // Window 4: the second part starts 3 maps before the first one ends.
    ASSERT_EQ(Run({"in_", "1", "11", ".asc", "4", "parts/out_", ".asc"}).MbrIntStatus, 0);
    ASSERT_EQ(Run({"in_", "9", "20", ".asc", "4", "parts/out_", ".asc"}).MbrIntStatus, 0);
    const std::vector<std::string> names = ListDir(MbrDir / "whole");
    ASSERT_EQ(names.size(), 17u);
    EXPECT_EQ(ListDir(MbrDir / "parts"), names);
    for (const std::string& name : names) EXPECT_EQ(ReadText(MbrDir / ("parts/" + name)), ReadText(MbrDir / ("whole/" + name))) << name;
}

TEST_F(KorvelRun, ReportsAFullDiskAndLeavesNoPartialFile) {
    // A 64 KiB file system holds less than one output of 100 x 100 cells.
    const std::string full = MbrDir / "full";
    ASSERT_EQ(::mkdir(full.c_str(), 0755), 0);
    if (std::system(("mount -t tmpfs -o size=64k tmpfs " + testsupport::Quote(full) + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    struct TUnmount {
        std::string MbrStrPath;
        ~TUnmount() { std::system(("umount " + testsupport::Quote(MbrStrPath)).c_str()); }
    } unmount{full};
    std::string grid = "ncols 100\nnrows 100\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n";
    for (int r = 0; r < 100; ++r) {
        for (int k = 0; k < 100; ++k) grid += std::to_string(r) + "." + std::to_string(1000 + k) + " ";
        grid += "\n";
    }
    for (int n = 1; n <= 3; ++n) WriteText(MbrDir / ("big_" + std::to_string(n) + ".asc"), grid);
    WriteText(full + "/out_2.asc", "the previous result\n");
    const TRunResult result = Run({"big_", "1", "3", ".asc", "2", "full/out_", ".asc"});
    EXPECT_EQ(result.MbrIntStatus, 1);
    EXPECT_EQ(result.MbrStrOut, "Loading map files 1 2 3 \nCalculating moving averages\n"
                                "Saving results 1 Unable to write file full/out_1.asc\n");
    EXPECT_EQ(ListDir(full), std::vector<std::string>{"out_2.asc"}) << "no temporary file is left";
    EXPECT_EQ(ReadText(full + "/out_2.asc"), "the previous result\n");
}

namespace {

// The maps of InputMap(n) as other writers write them (n = 1 to 6), with the
// message strict reading refuses each with.
struct TVariant {
    const char* MbrPtrKind;
    std::string MbrStrText;
    std::string MbrStrStrict;
};

std::vector<TVariant> Variants() {
    return {
        {"capitals and CR LF",
         "NCOLS 2\r\nNROWS 2\r\nXLLCORNER 100\r\nYLLCORNER 200\r\nCELLSIZE 10\r\nNODATA_VALUE -9999\r\n1 1.5\r\n9 1.25\r\n",
         "File format error: expected to find ncols tag"},
        {"any order, centres and tabs",
         "cellsize\t10\nnrows\t2\nncols\t2\nyllcenter\t205\nxllcenter\t105\nNODATA_value\t-9999\n2\t3\n8\t2.25\n",
         "File format error: expected to find ncols tag"},
        {"dx and dy, no NODATA_value, a footer",
         "ncols 2\nnrows 2\nxllcorner 100\nyllcorner 200\ndx 10\ndy 10\n3 4.5\n7 3.25\nsource: kriging run 7\n",
         "File format error: expected to find cellsize tag"},
        {"mixed case, a NaN no-data cell",
         "NCols 2\nNRows 2\nXllCorner 100\nYllCorner 200\nCellSize 10\nNoData_Value -32768\n4 6\n6 -nan\n",
         "File format error: expected to find ncols tag"},
        {"decimal commas", "ncols 2\nnrows 2\nxllcorner 100,0\nyllcorner 200\ncellsize 10\nNODATA_value -9999\n5 7,5\n5 5,25\n",
         "File format error: expected to find yllcorner tag"},
        {"a nan cell", "ncols 2\nnrows 2\nxllcorner 100\nyllcorner 200\ncellsize 10\nNODATA_value -9999\n6 9\nnan 6.25\n",
         "File format error: invalid value 'nan' at row 2, column 1"},
    };
}

std::string Hint(const std::string& name) {
    return "korvel: " + name + " is a valid ESRI ASCII grid variant that strict reading refuses; run with --lenient to read it\n";
}

}  // namespace

TEST_F(KorvelRun, LenientRunsReadEveryVariantAndWriteTheStrictFormat) {
    const std::vector<TVariant> variants = Variants();
    for (int n = 1; n <= 6; ++n) WriteText(MbrDir / ("in_" + std::to_string(n) + ".asc"), variants[n - 1].MbrStrText);
    for (const char* jobs : {"--jobs=1", "--jobs=3"}) {
        SCOPED_TRACE(jobs);
        const TRunResult result = Run({"--lenient", jobs, "in_", "1", "6", ".asc", "3", "out_", ".asc"});
        EXPECT_EQ(result.MbrIntStatus, 0);
        EXPECT_EQ(result.MbrStrOut, "Loading map files 1 2 3 4 5 6 \nCalculating moving averages\nSaving results 2 3 4 5 \n");
        // What the series written in the strict format gives (see the first
        // test); map 6 has no data in its first cell of row 1.
        EXPECT_EQ(ReadText(MbrDir / "out_2.asc"), kHeader + "2 3 \n8 2.25 \n");
        EXPECT_EQ(ReadText(MbrDir / "out_3.asc"), kHeader + "3 4.5 \n7 -9999 \n");
        EXPECT_EQ(ReadText(MbrDir / "out_4.asc"), kHeader + "4 6 \n6 -9999 \n");
        EXPECT_EQ(ReadText(MbrDir / "out_5.asc"), kHeader + "5 7.5 \n-9999 -9999 \n");
    }
    // The files written read back strictly.
    const TRunResult again = Run({"out_", "2", "5", ".asc", "2", "again_", ".asc"});
    EXPECT_EQ(again.MbrIntStatus, 0) << again.MbrStrOut;
}

TEST_F(KorvelRun, StrictRunsRefuseEachVariantAndNameLenientOnStandardError) {
    WriteText(MbrDir / "v_1.asc", InputMap(1));
    for (const TVariant& variant : Variants()) {
        SCOPED_TRACE(variant.MbrPtrKind);
        WriteText(MbrDir / "v_2.asc", variant.MbrStrText);
        const TRunResult result = RunKorvel(MbrDir.Path(), {"v_", "1", "2", ".asc", "2", "out_", ".asc"});
        EXPECT_EQ(result.MbrIntStatus, 1);
        EXPECT_EQ(result.MbrStrOut, "Loading map files 1 2 " + variant.MbrStrStrict + "\n");
        EXPECT_EQ(result.MbrStrErr, Hint("v_2.asc"));
        EXPECT_TRUE(Outputs().empty());
    }
}

TEST_F(KorvelRun, FilesThatNeitherModeReadsAreRefusedWithoutAHint) {
    WriteText(MbrDir / "v_1.asc", InputMap(1));
    struct Case {
        std::string text;
        std::string strict;
        std::string lenient;
    } cases[] = {
        {"NCOLS 2\nNROWS 2\nXLLCENTER 105\nYLLCENTER 205\nCELLSIZE 10\n1 2\n3\n", "File format error: expected to find ncols tag",
         "Unexpected end of file found in TARCGISFileTools::LoadARCGISFile"},
        {"ncols 2\nnrows 2\nNROWS 2\nxllcorner 100\nyllcorner 200\ncellsize 10\n1 2\n3 4\n",
         "File format error: expected to find xllcorner tag", "File format error: repeated nrows tag"},
        {"ncols 2\nnrows 2\nxllcorner 100\nyllcorner 200\ndx 10\ndy 20\n1 2\n3 4\n",
         "File format error: expected to find cellsize tag",
         "File format error: dx '10' and dy '20' differ, but cells must be square"},
        {"ncols 2\nnrows 2\nxllcorner 100\nxllcenter 105\nyllcorner 200\ncellsize 10\n1 2\n3 4\n",
         "File format error: expected to find yllcorner tag", "File format error: both xllcorner and xllcenter tags"},
        {"ncols 2\nnrows 2\nxllcenter 105\ncellsize 10\n1 2\n3 4\n", "File format error: expected to find xllcorner tag",
         "File format error: missing yllcorner or yllcenter tag"},
        {"ncols 2\nnrows 2\nxllcorner 100\nyllcorner 200\ncellsize 10\n1 2\n3 1,5,0\n",
         "File format error: expected to find NODATA_value tag", "File format error: invalid value '1,5,0' at row 2, column 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteText(MbrDir / "v_2.asc", c.text);
        const TRunResult strict = Run({"v_", "1", "2", ".asc", "2", "out_", ".asc"});
        EXPECT_EQ(strict.MbrIntStatus, 1);
        EXPECT_EQ(strict.MbrStrOut, "Loading map files 1 2 " + c.strict + "\n");
        const TRunResult lenient = Run({"--lenient", "v_", "1", "2", ".asc", "2", "out_", ".asc"});
        EXPECT_EQ(lenient.MbrIntStatus, 1);
        EXPECT_EQ(lenient.MbrStrOut, "Loading map files 1 2 " + c.lenient + "\n");
        EXPECT_TRUE(Outputs().empty());
    }
}

TEST_F(KorvelRun, ANanNoDataValueMakesTheNanCellsTheNoDataCells) {
    // -9999 is data in these maps: only their NaN cells hold no data.
    WriteText(MbrDir / "nan_1.asc", "ncols 2\nnrows 2\nxllcorner 100\nyllcorner 200\ncellsize 10\nNODATA_value nan\n1 nan\n3 4\n");
    WriteText(MbrDir / "nan_2.asc", "ncols 2\nnrows 2\nxllcorner 100\nyllcorner 200\ncellsize 10\nNODATA_value -NaN\n-9999 2\n3 NAN\n");
    const TRunResult result = Run({"--lenient", "nan_", "1", "2", ".asc", "2", "out_", ".asc"});
    EXPECT_EQ(result.MbrIntStatus, 0) << result.MbrStrOut;
    EXPECT_EQ(ReadText(MbrDir / "out_1.asc"), kHeader + "-4999 -9999 \n3 -9999 \n");
}

TEST_F(KorvelRun, StrictRunsReadAPipeOnlyOnce) {
    // A variant that arrives through a pipe is refused without the hint:
    // reading the pipe again would wait for a writer that has gone. Should
    // korvel open it again, the writer below feeds it the variant once more,
    // so that the run ends (with the hint, and the test fails).
    WriteText(MbrDir / "p_1.asc", InputMap(1));
    const std::string fifo = MbrDir / "p_2.asc";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string variant = Variants()[0].MbrStrText;
    std::atomic<bool> done(false);
    std::thread writer([&] {
        WriteText(fifo, variant);
        while (!done) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                const ssize_t written = ::write(fd, variant.data(), variant.size());
                (void)written;
                ::close(fd);
            }
            ::usleep(2000);
        }
    });
    const TRunResult result = RunKorvel(MbrDir.Path(), {"p_", "1", "2", ".asc", "2", "out_", ".asc"});
    done = true;
    writer.join();
    EXPECT_EQ(result.MbrIntStatus, 1);
    EXPECT_EQ(result.MbrStrOut, "Loading map files 1 2 File format error: expected to find ncols tag\n");
    EXPECT_EQ(result.MbrStrErr, "");
}

TEST_F(KorvelRun, ReadsTheInputsAfreshOnEveryRun) {
    MakeSeries(1, 3);
    // Window (1, 2, 3); in_2.asc changes between runs, growing and shrinking,
    // then vanishes, then turns into a folder.
    const std::string in2 = MbrDir / "in_2.asc";
    const std::vector<std::string> args = {"in_", "1", "3", ".asc", "3", "out_", ".asc"};
    ASSERT_EQ(Run(args).MbrIntStatus, 0);
    EXPECT_EQ(ReadText(MbrDir / "out_2.asc"), kHeader + "2 3 \n8 2.25 \n");

    WriteText(in2, InputMap(5) + std::string(300000, ' ') + "values after the last one are ignored\n");
    ASSERT_EQ(Run(args).MbrIntStatus, 0);
    EXPECT_EQ(ReadText(MbrDir / "out_2.asc"), kHeader + "3 4.5 \n7 3.25 \n");

    WriteText(in2, "ncols 2 nrows 2 xllcorner 100 yllcorner 200 cellsize 10 NODATA_value -9999 8 12 2 8.25");
    ASSERT_EQ(Run(args).MbrIntStatus, 0);
    const std::string third = kHeader + "4 6 \n6 4.25 \n";
    EXPECT_EQ(ReadText(MbrDir / "out_2.asc"), third);

    const std::string failed = "Loading map files 1 2 Unable to open file in_2.asc\n";
    ASSERT_EQ(std::remove(in2.c_str()), 0);
    TRunResult result = Run(args);
    EXPECT_EQ(result.MbrIntStatus, 1);
    EXPECT_EQ(result.MbrStrOut, failed);
    ASSERT_EQ(::mkdir(in2.c_str(), 0755), 0);
    result = Run(args);
    EXPECT_EQ(result.MbrIntStatus, 1);
    EXPECT_EQ(result.MbrStrOut, failed);
    EXPECT_EQ(ReadText(MbrDir / "out_2.asc"), third) << "a failed run leaves the outputs as they were";
    EXPECT_EQ(Outputs(), std::vector<std::string>{"out_2.asc"});
}

TEST_F(KorvelRun, ReportsAFailedWriteAndKeepsTheOldFile) {
    // A file size limit with SIGXFSZ ignored makes write() fail with EFBIG
    // once an output passes a few KiB; an output of 100 x 100 cells does.
    std::string grid = "ncols 100\nnrows 100\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n";
    for (int r = 0; r < 100; ++r) {
        for (int k = 0; k < 100; ++k) grid += std::to_string(r) + "." + std::to_string(1000 + k) + " ";
        grid += "\n";
    }
    for (int n = 1; n <= 3; ++n) WriteText(MbrDir / ("big_" + std::to_string(n) + ".asc"), grid);
    WriteText(MbrDir / "out_1.asc", "the previous result\n");
    const TRunResult result =
        RunKorvel(MbrDir.Path(), {"big_", "1", "3", ".asc", "2", "out_", ".asc"}, "trap '' XFSZ && ulimit -f 16");
    EXPECT_EQ(result.MbrIntStatus, 1);
    EXPECT_EQ(result.MbrStrOut, "Loading map files 1 2 3 \nCalculating moving averages\nSaving results 1 Unable to write file out_1.asc\n");
    EXPECT_EQ(result.MbrStrErr, "");
    EXPECT_EQ(ReadText(MbrDir / "out_1.asc"), "the previous result\n");
    EXPECT_EQ(Outputs(), std::vector<std::string>{"out_1.asc"}) << "no temporary file is left";
}
