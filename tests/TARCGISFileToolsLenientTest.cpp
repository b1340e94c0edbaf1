// Lenient reading of the grid variants that other writers produce, and
// strict reading of the same files, which must refuse them as it always has.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "files/TARCGISFileTools.h"
#include "ops/TMapTools.h"
#include "tests/TestSupport.h"

using testsupport::MessageOf;
using testsupport::TScratchDir;
using testsupport::WriteText;

namespace {

using TReadMode = TARCGISFileTools::TReadMode;

const char* const kEndOfFile = "Unexpected end of file found in TARCGISFileTools::LoadARCGISFile";

std::unique_ptr<TMap> Parse(const std::string& text, TReadMode mode) {
    return std::unique_ptr<TMap>(TARCGISFileTools::ParseARCGISText(text.data(), text.data() + text.size(), mode));
}

std::unique_ptr<TMap> Lenient(const std::string& text) { return Parse(text, TReadMode::Lenient); }

std::string LenientError(const std::string& text) {
    return MessageOf([&] { Lenient(text); });
}

std::string StrictError(const std::string& text) {
    return MessageOf([&] { Parse(text, TReadMode::Strict); });
}

std::string Written(TMap* map) {
    std::ostringstream out;
    TARCGISFileTools::WriteARCGISFile(map, out);
    return out.str();
}

// Every variant below declares this grid: 3 x 2 cells of 5 with the
// lower-left corner at (10, 20), no-data -9999, cells 1 to 6.
const std::string kGrid =
    "ncols 3\nnrows 2\nxllcorner       10\nyllcorner       20\ncellsize 5\nNODATA_value -9999\n1 2 3 \n4 5 6 \n";

const std::string kHeader = "ncols 3\nnrows 2\nxllcorner 10\nyllcorner 20\ncellsize 5\nNODATA_value -9999\n";

}  // namespace

TEST(TARCGISFileToolsLenient, ReadsEveryVariantThatStrictReadingRefuses) {
    struct Case {
        const char* name;
        std::string text;
        const char* strict;  // strict reading's message for the same file
    } cases[] = {
        {"keywords in capitals",
         "NCOLS 3\nNROWS 2\nXLLCORNER 10\nYLLCORNER 20\nCELLSIZE 5\nNODATA_VALUE -9999\n1 2 3\n4 5 6\n",
         "File format error: expected to find ncols tag"},
        {"keywords in mixed case",
         "ncols 3\nNRows 2\nXllCorner 10\nyllCorner 20\nCellSize 5\nNoData_Value -9999\n1 2 3\n4 5 6\n",
         "File format error: expectd to find nrows tag"},
        {"keywords out of order",
         "NODATA_value -9999\ncellsize 5\nyllcorner 20\nxllcorner 10\nnrows 2\nncols 3\n1 2 3\n4 5 6\n",
         "File format error: expected to find ncols tag"},
        {"corners swapped", "ncols 3\nnrows 2\nyllcorner 20\nxllcorner 10\ncellsize 5\nNODATA_value -9999\n1 2 3\n4 5 6\n",
         "File format error: expected to find xllcorner tag"},
        {"centre registration",
         "ncols 3\nnrows 2\nxllcenter 12.5\nyllcenter 22.5\ncellsize 5\nNODATA_value -9999\n1 2 3\n4 5 6\n",
         "File format error: expected to find xllcorner tag"},
        {"centre for y only",
         "ncols 3\nnrows 2\nxllcorner 10\nYLLCENTER 22.5\ncellsize 5\nNODATA_value -9999\n1 2 3\n4 5 6\n",
         "File format error: expected to find yllcorner tag"},
        {"equal dx and dy", "ncols 3\nnrows 2\nxllcorner 10\nyllcorner 20\ndx 5\ndy 5.0\nNODATA_value -9999\n1 2 3\n4 5 6\n",
         "File format error: expected to find cellsize tag"},
        {"no NODATA_value", "ncols 3\nnrows 2\nxllcorner 10\nyllcorner 20\ncellsize 5\n1 2 3\n4 5 6\n",
         "File format error: expected to find NODATA_value tag"},
        {"counts with a zero fraction",
         "ncols 3.0\nnrows 2e0\nxllcorner 10\nyllcorner 20\ncellsize 5\nNODATA_value -9999\n1 2 3\n4 5 6\n",
         "File format error: expectd to find nrows tag"},
        {"decimal commas in the body", kHeader + "1 2,0 3\n0,04E+02 ,500E+01 6,\n",
         "File format error: invalid value '2,0' at row 1, column 2"},
        {"decimal commas in the header",
         "ncols 3\nnrows 2\nxllcorner 1,0E+01\nyllcorner 20,0\ncellsize 5,000\nNODATA_value -9999,0\n1 2 3\n4 5 6\n",
         "File format error: expected to find yllcorner tag"},
        {"lower-case keywords, tabs, CR LF and a footer",
         "ncols\t3\r\nnrows\t2\r\nxllcenter\t12.5\r\nyllcenter\t22.5\r\ndx\t5\r\ndy\t5\r\n1\t2\t3\r\n4\t5\t6\r\n"
         "# written by a model, 2 rows\r\n",
         "File format error: expected to find xllcorner tag"},
        {"old Mac line ends", "NCOLS 3\rNROWS 2\rXLLCORNER 10\rYLLCORNER 20\rCELLSIZE 5\r1 2 3\r4 5 6\r",
         "File format error: expected to find ncols tag"},
        {"a UTF-8 byte order mark before the header",
         "\xEF\xBB\xBFncols 3\r\nnrows 2\r\nxllcorner 10\r\nyllcorner 20\r\ncellsize 5\r\nNODATA_value -9999\r\n1 2 3\r\n4 5 6\r\n",
         "File format error: expected to find ncols tag"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StrictError(c.text), c.strict);
        std::unique_ptr<TMap> map;
        EXPECT_EQ(MessageOf([&] { map = Lenient(c.text); }), "");
        if (map) {
            EXPECT_EQ(Written(map.get()), kGrid);
        }
    }
}

TEST(TARCGISFileToolsLenient, ReadsWhatStrictReadingReadsTheSameWay) {
    const std::string texts[] = {
        kHeader + "1 2 3\n4 5 6\n",
        kHeader + "1\t2\t3\r\n4\t5\t6\r\n",
        kHeader + "1 2 3\r4 5 6",
        kHeader + "1 2 3\n4 5 6\nfooter line 1\nfooter line 2\n",
        // Header values run into the next tag, which strict reading takes.
        "ncols 3nrows 2\nxllcorner 10yllcorner 20\ncellsize 5NODATA_value -9999\n1 2 3\n4 5 6\n",
        "ncols        3\nnrows        2\nxllcorner    10.000000000000\nyllcorner    20.000000000000\n"
        "cellsize     5.000000000000\nnodata_value -9999\n+1 2.0 3e0\n.4e1 5. 0.6E+1\n",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        auto strict = Parse(text, TReadMode::Strict);
        auto lenient = Lenient(text);
        EXPECT_EQ(Written(strict.get()), kGrid);
        EXPECT_EQ(Written(lenient.get()), kGrid);
    }
}

TEST(TARCGISFileToolsLenient, MovesACentreRegistrationHalfACellToTheCorner) {
    auto map = Lenient("ncols 2\nnrows 3\nxllcenter -179.875\nyllcenter -89.875\ncellsize 0.25\n1 2\n3 4\n5 6\n");
    const double xs[] = {-180, -179.75, -179.5};
    for (long k = 0; k < 3; ++k) EXPECT_EQ(map->GetXAxisInterval()->GetPoint(k)->GetX(), xs[k]);
    const double ys[] = {-89.25, -89.5, -89.75, -90};
    for (long k = 0; k < 4; ++k) EXPECT_EQ(map->GetYAxisInterval()->GetPoint(k)->GetY(), ys[k]);
    // The first centre is the declared one.
    EXPECT_EQ(map->GetXAxis()->GetPoint(0)->GetX(), -179.875);
    EXPECT_EQ(map->GetYAxis()->GetPoint(2)->GetY(), -89.875);
    EXPECT_EQ(map->GetNoDataValue(), -9999.0);
}

TEST(TARCGISFileToolsLenient, ReadsNanAndDecimalCommasOnlyAsWholeTokens) {
    struct Case {
        const char* token;
        const char* same;  // the number with a point, as strtod reads it
    } cases[] = {
        {",500E+02", "50"},   {"0,1E+06", "100000"}, {"-1,25", "-1.25"}, {"+,5", "0.5"},  {"7,", "7"},
        {"1,5e-3", "0.0015"}, {"2,5", "2.5"},       {"1e2", "100"},     {"-0,0", "-0.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.token);
        auto map = Lenient(kHeader + "1 2 3\n4 " + c.token + " 6\n");
        EXPECT_EQ(map->GetPointVal(1, 1), std::strtod(c.same, nullptr));
        EXPECT_EQ(std::signbit(map->GetPointVal(1, 1)), std::signbit(std::strtod(c.same, nullptr)));
        EXPECT_EQ(map->GetPointVal(2, 1), 6.0);
    }
    // A long one takes the exact path, like any long number.
    const std::string digits = "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
    auto longer = Lenient(kHeader + "1 2 3\n4 0," + digits + " 6\n");
    EXPECT_EQ(longer->GetPointVal(1, 1), std::strtod(("0." + digits).c_str(), nullptr));

    for (const char* token : {"nan", "NaN", "NAN", "-nan", "+NaN", "-NAN", "nAn"}) {
        SCOPED_TRACE(token);
        auto map = Lenient(kHeader + "1 2 3\n4 " + token + " 6\n");
        EXPECT_EQ(map->GetPointVal(1, 1), -9999.0);
    }

    const char* refused[] = {"1,5,3", "1.5,3", "1,5.3", ",", "-,", ",e5", "1,5e", "nanx", "nan1", "n,an", "--nan",
                             "+-nan", "inf", "-inf", "Infinity", "nan(ind)", "1e999", "1,0e999", "abc", "0x1,8"};
    for (const char* token : refused) {
        SCOPED_TRACE(token);
        EXPECT_EQ(LenientError(kHeader + "1 2 3\n4 " + token + " 6\n"),
                  std::string("File format error: invalid value '") + token + "' at row 2, column 2");
    }
}

TEST(TARCGISFileToolsLenient, ANanCellHoldsNoDataWhateverTheHeaderDeclares) {
    const std::string grid = "ncols 3\nnrows 2\nxllcorner 10\nyllcorner 20\ncellsize 5\n";
    // A numeric no-data value: NaN cells are stored as it.
    auto declared = Lenient(grid + "NODATA_value -32768\nnan 2 -32768\n4 -NaN 6\n");
    EXPECT_EQ(declared->GetNoDataValue(), -32768.0);
    EXPECT_EQ(testsupport::Cells(*declared), (testsupport::Rows{{-32768, 2, -32768}, {4, -32768, 6}}));
    auto fallback = Lenient(grid + "1 2 3\nNAN 5 6\n");
    EXPECT_EQ(fallback->GetNoDataValue(), -9999.0);
    EXPECT_EQ(fallback->GetPointVal(0, 1), -9999.0);

    // The map operations then see them as no data.
    auto full = Lenient(grid + "1 2 3\n4 5 6\n");
    std::unique_ptr<TMap> average(TMapTools::Average({declared.get(), full.get()}));
    EXPECT_EQ(testsupport::Cells(*average), (testsupport::Rows{{-9999, 2, -9999}, {4, -9999, 6}}));

    // NODATA_value nan: the map's no-data value is NaN, and so are its
    // no-data cells; the other cells keep their values.
    for (const char* nodata : {"nan", "-nan", "NaN"}) {
        SCOPED_TRACE(nodata);
        auto map = Lenient(grid + "NODATA_value " + nodata + "\n1 nan 3\n-9999 5 -NaN\n");
        EXPECT_TRUE(std::isnan(map->GetNoDataValue()));
        EXPECT_TRUE(std::isnan(map->GetPointVal(1, 0)));
        EXPECT_TRUE(std::isnan(map->GetPointVal(2, 1)));
        EXPECT_EQ(map->GetPointVal(0, 0), 1.0);
        EXPECT_EQ(map->GetPointVal(0, 1), -9999.0) << "-9999 is data when the file declares nan";
        EXPECT_EQ(map->GetPointVal(1, 1), 5.0);
    }
}

TEST(TARCGISFileToolsLenient, RefusesHeadersItCannotReadWithAMessageNamingTheKeyword) {
    const std::string rest = "yllcorner 20\ncellsize 5\n1 2 3\n4 5 6\n";
    const std::string dims = "ncols 3\nnrows 2\nxllcorner 10\nyllcorner 20\n";
    struct Case {
        std::string text;
        const char* message;
    } cases[] = {
        {"", "File format error: missing ncols tag"},
        {"nrows 2\nxllcorner 10\n" + rest, "File format error: missing ncols tag"},
        {"ncols 3\nxllcorner 10\n" + rest, "File format error: missing nrows tag"},
        {"ncols 3\nnrows 2\n" + rest, "File format error: missing xllcorner or xllcenter tag"},
        {"ncols 3\nnrows 2\nxllcornr 10\n" + rest, "File format error: missing xllcorner or xllcenter tag"},
        {"ncols 3\nnrows 2\nxllcorner 10\ncellsize 5\n1 2 3\n4 5 6\n", "File format error: missing yllcorner or yllcenter tag"},
        {dims + "1 2 3\n4 5 6\n", "File format error: missing cellsize tag (or dx and dy tags)"},
        {"ncols 3\nNCOLS 3\nnrows 2\nxllcorner 10\n" + rest, "File format error: repeated ncols tag"},
        {dims + "cellsize 5\nnodata_value -1\nNODATA_VALUE -2\n1 2 3\n4 5 6\n", "File format error: repeated NODATA_value tag"},
        {dims + "dx 5\ndy 5\nDX 5\n1 2 3\n4 5 6\n", "File format error: repeated dx tag"},
        {"ncols 3\nnrows 2\nxllcorner 10\nxllcenter 12.5\n" + rest, "File format error: both xllcorner and xllcenter tags"},
        {"ncols 3\nnrows 2\nxllcorner 10\nyllcenter 22.5\n" + rest, "File format error: both yllcorner and yllcenter tags"},
        {dims + "dx 5\ndy 10\n1 2 3\n4 5 6\n", "File format error: dx '5' and dy '10' differ, but cells must be square"},
        {dims + "dx 0.0083333333333\ndy 0.008333333333\n1 2 3\n4 5 6\n",
         "File format error: dx '0.0083333333333' and dy '0.008333333333' differ, but cells must be square"},
        {dims + "dx 5\n1 2 3\n4 5 6\n", "File format error: dx tag without dy tag"},
        {dims + "dy 5\n1 2 3\n4 5 6\n", "File format error: dy tag without dx tag"},
        {dims + "cellsize 5\ndx 5\ndy 5\n1 2 3\n4 5 6\n", "File format error: both cellsize and dx tags"},
        {dims + "dy 5\ncellsize 5\n1 2 3\n4 5 6\n", "File format error: both cellsize and dy tags"},
        {"ncols 4.5\nnrows 2\nxllcorner 10\n" + rest, "File format error: invalid ncols '4.5'"},
        {"ncols 3\nnrows abc\nxllcorner 10\n" + rest, "File format error: invalid nrows 'abc'"},
        {"ncols nan\nnrows 2\nxllcorner 10\n" + rest, "File format error: invalid ncols 'nan'"},
        {"ncols 1e30\nnrows 2\nxllcorner 10\n" + rest, "File format error: invalid ncols '1e30'"},
        {"ncols nrows 2\nxllcorner 10\n" + rest, "File format error: invalid ncols 'nrows'"},
        {"ncols 3\nnrows 2\nxllcorner NaN\n" + rest, "File format error: invalid xllcorner 'NaN'"},
        {"ncols 3\nnrows 2\nxllcenter 1e999\n" + rest, "File format error: invalid xllcenter '1e999'"},
        {dims + "cellsize nan\n1 2 3\n4 5 6\n", "File format error: invalid cellsize 'nan'"},
        {dims + "cellsize 5\nNODATA_value none\n1 2 3\n4 5 6\n", "File format error: invalid NODATA_value 'none'"},
        {dims + "cellsize 5\nNODATA_value -9999x\n1 2 3\n4 5 6\n", "File format error: invalid NODATA_value '-9999x'"},
        {"ncols 0\nnrows 2\nxllcorner 10\n" + rest, "File format error: ncols must be at least 1"},
        {"ncols 3\nnrows -2\nxllcorner 10\n" + rest, "File format error: nrows must be at least 1"},
        {dims + "cellsize 0\n1 2 3\n4 5 6\n", "File format error: cellsize must be greater than 0"},
        {dims + "dx -5\ndy -5\n1 2 3\n4 5 6\n", "File format error: cellsize must be greater than 0"},
        {"ncols 3\nnrows 2\nxllcenter 10\nyllcenter 20\ncellsize -1\n1 2 3\n4 5 6\n",
         "File format error: cellsize must be greater than 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(LenientError(c.text), c.message);
    }
}

TEST(TARCGISFileToolsLenient, RefusesShortFilesAsStrictReadingDoes) {
    const std::string header = "NCOLS 3\nNROWS 2\nXLLCENTER 12.5\nYLLCENTER 22.5\nCELLSIZE 5\n";
    const std::string texts[] = {
        header + "1 2 3\n4 5\n",  // a value short
        header,                   // no body
        header + "NODATA_value",  // a keyword without its value
        "ncols 3\nnrows",
        // Far more cells than the file holds: refused before anything is
        // allocated for them.
        "ncols 2000000000\nnrows 2000000000\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3\n",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(LenientError(text), kEndOfFile);
    }
    // A body value that is still not a number is named, as strict reading does.
    EXPECT_EQ(LenientError(header + "1 2 3\n4 5x 6\n"), "File format error: invalid value '5x' at row 2, column 2");
}

TEST(TARCGISFileToolsLenient, EveryReaderTakesTheMode) {
    TScratchDir dir;
    const std::string text = "NCOLS 3\r\nNROWS 2\r\nXLLCENTER 12.5\r\nYLLCENTER 22.5\r\nCELLSIZE 5\r\n1 2 3\r\n4 5 6\r\n";
    const char* strict = "File format error: expected to find ncols tag";
    WriteText(dir / "a.asc", text);
    WriteText(dir / "b.asc", text);

    std::istringstream stream(text);
    std::unique_ptr<TMap> fromStream(TARCGISFileTools::LoadARCGISFile(stream, TReadMode::Lenient));
    EXPECT_EQ(Written(fromStream.get()), kGrid);
    std::unique_ptr<TMap> fromFile(TARCGISFileTools::LoadARCGISFile(dir / "a.asc", TReadMode::Lenient));
    EXPECT_EQ(Written(fromFile.get()), kGrid);
    std::vector<TMap*> maps = TARCGISFileTools::LoadFileList({dir / "a.asc", dir / "b.asc"}, TReadMode::Lenient);
    ASSERT_EQ(maps.size(), 2u);
    for (TMap* map : maps) {
        EXPECT_EQ(Written(map), kGrid);
        delete map;
    }

    // The reading mode named Strict and the overloads without a mode agree.
    std::istringstream again(text);
    EXPECT_EQ(MessageOf([&] { TARCGISFileTools::LoadARCGISFile(again); }), strict);
    EXPECT_EQ(MessageOf([&] { TARCGISFileTools::LoadARCGISFile(dir / "a.asc"); }), strict);
    EXPECT_EQ(MessageOf([&] { TARCGISFileTools::LoadARCGISFile(dir / "a.asc", TReadMode::Strict); }), strict);
    EXPECT_EQ(MessageOf([&] { TARCGISFileTools::LoadFileList({dir / "a.asc"}); }), strict);
    EXPECT_EQ(MessageOf([&] { TARCGISFileTools::ParseARCGISText(text.data(), text.data() + text.size()); }), strict);
    EXPECT_EQ(MessageOf([&] { TARCGISFileTools::LoadARCGISFile(dir / "missing.asc", TReadMode::Lenient); }),
              "Unable to open file " + (dir / "missing.asc"));
}

TEST(TARCGISFileToolsLenient, AFileGivesTheSameRefusalAsTheTextWhereverItsChunksEnd) {
    // Ten keywords, the last two of them conflicting and the eleventh one
    // repeated: the named-file reader, which reads a file a chunk at a time,
    // must see as far into the header as reading the text whole does. Wide
    // gaps between the words make the first chunks hold only a few of them.
    const std::string gap(60000, ' ');
    const char* words[] = {"ncols", "6", "nrows", "4", "xllcorner", "481200", "yllcorner", "5620400", "cellsize", "25",
                           "NODATA_value", "-9999", "XLLCENTER", "12.5", "yllcenter", "22.5", "dx", "9", "dy", "5",
                           "nodata_value", "NaN", "1", "2"};
    std::string text;
    for (const char* word : words) text += std::string(word) + gap;
    TScratchDir dir;
    WriteText(dir / "wide.asc", text);
    const std::string fromText =
        MessageOf([&] { delete TARCGISFileTools::ParseARCGISText(text.data(), text.data() + text.size(), TReadMode::Lenient); });
    EXPECT_EQ(fromText, "File format error: repeated NODATA_value tag");
    EXPECT_EQ(MessageOf([&] { delete TARCGISFileTools::LoadARCGISFile(dir / "wide.asc", TReadMode::Lenient); }), fromText);
}
