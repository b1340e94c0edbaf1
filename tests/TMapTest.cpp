#include "grid/TMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "grid/TAxis.h"

#include "tests/TestSupport.h"

using testsupport::CoordsOf;
using testsupport::MakeAxis;
using testsupport::TCoords;
using testsupport::WhatIsThrown;
using testsupport::kNaN;
using testsupport::kOutOfRange;

namespace {

std::vector<double> Xs(const TAxis* Axis) {
    std::vector<double> Result;
    for (long I = 0; I < Axis->GetSize(); ++I) Result.push_back(Axis->GetPoint(I)->GetX());
    return Result;
}

std::vector<double> Ys(const TAxis* Axis) {
    std::vector<double> Result;
    for (long I = 0; I < Axis->GetSize(); ++I) Result.push_back(Axis->GetPoint(I)->GetY());
    return Result;
}

// The map's four axes, by identity, to tell whether a call replaced any.
struct TAxesSeen {
    TAxis *X, *Y, *XInterval, *YInterval;
    explicit TAxesSeen(const TMap& Map)
        : X(Map.GetXAxis()), Y(Map.GetYAxis()), XInterval(Map.GetXAxisInterval()), YInterval(Map.GetYAxisInterval()) {}
    bool operator==(const TAxesSeen& Other) const {
        return X == Other.X && Y == Other.Y && XInterval == Other.XInterval && YInterval == Other.YInterval;
    }
};

// Installs interval axes the way the grid reader does: slots filled with
// SetPoint from the lower-left corner and the cell size.
void InstallReaderAxes(TMap& Map, double Left, double Bottom, double Size) {
    const long Cols = Map.GetXDim();
    const long Rows = Map.GetYDim();
    TAxis XBounds(Size, Cols + 1);
    for (long I = 0; I <= Cols; ++I) XBounds.SetPoint(I, new TPoint(Left + I * Size, Bottom));
    TAxis YBounds(Size, Rows + 1);
    for (long I = 0; I <= Rows; ++I) YBounds.SetPoint(I, new TPoint(Left, Bottom + (Rows - I) * Size));
    Map.SetXAxisInterval(&XBounds);
    Map.SetYAxisInterval(&YBounds);
}

// Cell (x, y) of the test grids holds 100 * y + x + 1.
double CellValue(long LngX, long LngY) { return 100.0 * LngY + LngX + 1.0; }

// ---------------------------------------------------------------------------
// Maps without axes.

struct TIndexErrorCase {
    long LngX, LngY;
    const char* Message;
};

TEST(TMap, ConstructedFromDimensions) {
    TMap Map(10.0, 3, 2);
    EXPECT_EQ(10.0, Map.GetResolution());
    EXPECT_EQ(3, Map.GetXDim());
    EXPECT_EQ(2, Map.GetYDim());
    EXPECT_EQ(-9999.0, Map.GetNoDataValue());
    EXPECT_EQ(nullptr, Map.GetXAxis());
    EXPECT_EQ(nullptr, Map.GetYAxis());
    EXPECT_EQ(nullptr, Map.GetXAxisInterval());
    EXPECT_EQ(nullptr, Map.GetYAxisInterval());
    for (long Y = 0; Y < 2; ++Y) {
        EXPECT_EQ(std::vector<double>(3, -9999.0), Map.GetRow(Y));
        for (long X = 0; X < 3; ++X) EXPECT_EQ(-9999.0, Map.GetPointVal(X, Y));
    }
    EXPECT_EQ(-9999.0, Map.GetPointVal(2, 1));
}

TEST(TMap, IndexAccessOutsideTheGridIsRefused) {
    TMap Map(10.0, 3, 2);
    const TIndexErrorCase Reads[] = {
        {3, 0, "X-ordinate is out of range in TMap::GetPointVal"},
        {-1, 0, "X-ordinate is out of range in TMap::GetPointVal"},
        {-1, 5, "X-ordinate is out of range in TMap::GetPointVal"},
        {0, 2, "Y-ordinate is out of range in TMap::GetPointVal"},
        {0, -1, "Y-ordinate is out of range in TMap::GetPointVal"},
        {2, 7, "Y-ordinate is out of range in TMap::GetPointVal"},
    };
    for (const TIndexErrorCase& Case : Reads) {
        SCOPED_TRACE(testing::Message() << "GetPointVal(" << Case.LngX << ", " << Case.LngY << ")");
        EXPECT_EQ(Case.Message, WhatIsThrown([&] { Map.GetPointVal(Case.LngX, Case.LngY); }));
    }
    const TIndexErrorCase Writes[] = {
        {3, 0, "X-ordinate is out of range in TMap::SetPoint"},
        {-1, 0, "X-ordinate is out of range in TMap::SetPoint"},
        {-1, 5, "X-ordinate is out of range in TMap::SetPoint"},
        {0, 2, "Y-ordinate is out of range in TMap::SetPoint"},
        {0, -1, "Y-ordinate is out of range in TMap::SetPoint"},
        {2, 7, "Y-ordinate is out of range in TMap::SetPoint"},
    };
    for (const TIndexErrorCase& Case : Writes) {
        SCOPED_TRACE(testing::Message() << "SetPoint(" << Case.LngX << ", " << Case.LngY << ")");
        EXPECT_EQ(Case.Message, WhatIsThrown([&] { Map.SetPoint(Case.LngX, Case.LngY, 1.0); }));
    }
    for (long Y = 0; Y < 2; ++Y) EXPECT_EQ(std::vector<double>(3, -9999.0), Map.GetRow(Y));
}

TEST(TMap, SetPointByIndexWritesOneCell) {
    TMap Map(10.0, 3, 2);
    Map.SetPoint(2, 0, 7.5);
    Map.SetPoint(0, 1, 0.0);
    EXPECT_EQ(std::vector<double>({-9999.0, -9999.0, 7.5}), Map.GetRow(0));
    EXPECT_EQ(std::vector<double>({0.0, -9999.0, -9999.0}), Map.GetRow(1));
    EXPECT_EQ(7.5, Map.GetPointVal(2, 0));
}

TEST(TMap, NonPositiveDimensionsGiveNoCells) {
    TMap NoRows(10.0, 3, 0);
    EXPECT_EQ(0, NoRows.GetYDim());
    EXPECT_EQ("Index is out of bounds in TMap::GetRow", WhatIsThrown([&] { NoRows.GetRow(0); }));
    EXPECT_EQ("Y-ordinate is out of range in TMap::GetPointVal", WhatIsThrown([&] { NoRows.GetPointVal(0, 0); }));

    TMap NoColumns(10.0, 0, 2);
    EXPECT_EQ(0, NoColumns.GetXDim());
    EXPECT_EQ(2, NoColumns.GetYDim());
    EXPECT_TRUE(NoColumns.GetRow(1).empty());
    EXPECT_EQ("X-ordinate is out of range in TMap::GetPointVal", WhatIsThrown([&] { NoColumns.GetPointVal(0, 0); }));
}

TEST(TMap, GetRowReturnsACopyAndChecksTheRow) {
    TMap Map(10.0, 3, 2);
    for (long Y = 0; Y < 2; ++Y)
        for (long X = 0; X < 3; ++X) Map.SetPoint(X, Y, CellValue(X, Y));
    std::vector<double> Row = Map.GetRow(1);
    EXPECT_EQ(std::vector<double>({101, 102, 103}), Row);
    Row[0] = -1.0;
    EXPECT_EQ(101.0, Map.GetPointVal(0, 1));
    EXPECT_EQ(std::vector<double>({101, 102, 103}), Map.GetRow(1));

    EXPECT_EQ("Index is out of bounds in TMap::GetRow", WhatIsThrown([&] { Map.GetRow(2); }));
    EXPECT_EQ("Index is out of bounds in TMap::GetRow", WhatIsThrown([&] { Map.GetRow(-1); }));
}

TEST(TMap, InitValuesFillsEveryCellAndKeepsTheNoDataValue) {
    TMap Map(10.0, 3, 2);
    Map.SetNoDataValue(-1.0);
    // Changing the no-data value touches no cell.
    EXPECT_EQ(-9999.0, Map.GetPointVal(1, 1));
    EXPECT_EQ(-1.0, Map.GetNoDataValue());
    Map.SetNoDataValue(-9999.0);

    Map.InitValues(0.0);
    for (long Y = 0; Y < 2; ++Y) EXPECT_EQ(std::vector<double>(3, 0.0), Map.GetRow(Y));
    EXPECT_EQ(-9999.0, Map.GetNoDataValue());
}

TEST(TMap, GrownRowByRow) {
    TMap Map(5.0);
    EXPECT_EQ(5.0, Map.GetResolution());
    EXPECT_EQ(0, Map.GetXDim());
    EXPECT_EQ(0, Map.GetYDim());
    EXPECT_EQ(-9999.0, Map.GetNoDataValue());
    EXPECT_EQ(nullptr, Map.GetXAxis());
    EXPECT_EQ("Index is out of bounds in TMap::GetRow", WhatIsThrown([&] { Map.GetRow(0); }));

    std::vector<double> First = {1, 2, 3, 4};
    Map.AddRow(First);
    First[0] = 99.0;  // the map keeps its own copy
    Map.AddRow({5, 6, 7});
    EXPECT_EQ(4, Map.GetXDim());
    EXPECT_EQ(2, Map.GetYDim());
    EXPECT_EQ(std::vector<double>({1, 2, 3, 4}), Map.GetRow(0));
    EXPECT_EQ(std::vector<double>({5, 6, 7}), Map.GetRow(1));
    EXPECT_EQ(4.0, Map.GetPointVal(3, 0));
    EXPECT_EQ(7.0, Map.GetPointVal(2, 1));

    // Past the end of the short row, inside the declared width: refused, not read.
    EXPECT_EQ("X-ordinate is out of range in TMap::GetPointVal", WhatIsThrown([&] { Map.GetPointVal(3, 1); }));
    EXPECT_EQ("X-ordinate is out of range in TMap::SetPoint", WhatIsThrown([&] { Map.SetPoint(3, 1, 0.0); }));
    EXPECT_EQ(std::vector<double>({5, 6, 7}), Map.GetRow(1));

    // A longer row later does not widen the map.
    Map.AddRow({8, 9, 10, 11, 12});
    EXPECT_EQ(4, Map.GetXDim());
    EXPECT_EQ(3, Map.GetYDim());
    EXPECT_EQ("X-ordinate is out of range in TMap::GetPointVal", WhatIsThrown([&] { Map.GetPointVal(4, 2); }));
    EXPECT_EQ(11.0, Map.GetPointVal(3, 2));

    Map.InitValues(2.0);
    EXPECT_EQ(std::vector<double>(3, 2.0), Map.GetRow(1));
    EXPECT_EQ(2.0, Map.GetPointVal(0, 0));
}

TEST(TMap, AddRowOnAMapWithDimensionsKeepsItsWidth) {
    TMap Map(10.0, 3, 2);
    Map.AddRow({1, 2});
    EXPECT_EQ(3, Map.GetXDim());
    EXPECT_EQ(3, Map.GetYDim());
    EXPECT_EQ(2.0, Map.GetPointVal(1, 2));
    EXPECT_EQ("X-ordinate is out of range in TMap::GetPointVal", WhatIsThrown([&] { Map.GetPointVal(2, 2); }));
}

struct TNoAxesCase {
    const char* Name;
    std::function<void(TMap&)> Call;
    const char* Message;
};

std::vector<TNoAxesCase> NoAxesCases() {
    return {
        {"GetIndex X", [](TMap& M) { M.GetIndex(5.0, 'X'); }, "Map has no axes in TMap::GetIndex"},
        {"GetIndex Y", [](TMap& M) { M.GetIndex(5.0, 'Y'); }, "Map has no axes in TMap::GetIndex"},
        {"GetPointVal(TPoint*)",
         [](TMap& M) {
             TPoint P(5.0, 5.0);
             M.GetPointVal(&P);
         },
         "Map has no axes in TMap::GetPointVal"},
        {"GetPoint(TPoint*)",
         [](TMap& M) {
             TPoint P(5.0, 5.0);
             delete M.GetPoint(&P);
         },
         "Map has no axes in TMap::GetPoint"},
        {"SetPoint(TPoint*, double)",
         [](TMap& M) {
             TPoint P(5.0, 5.0);
             M.SetPoint(&P, 1.0);
         },
         "Map has no axes in TMap::SetPoint"},
        {"GetCoordinates", [](TMap& M) { delete M.GetCoordinates(0, 0); }, "Map has no axes in TMap::GetCoordinates"},
        {"GetPoint(long, long)", [](TMap& M) { delete M.GetPoint(1, 1); }, "Map has no axes in TMap::GetPoint"},
        {"GetPointValues",
         [](TMap& M) {
             TPoint P(5.0, 5.0);
             M.GetPointValues({&P});
         },
         "Map has no axes in TMap::GetPointVal"},
    };
}

// The message starts with Prefix (the operation's own name may carry its
// argument list after it).
void ExpectMessageStartsWith(const std::string& Prefix, const std::string& Message) {
    EXPECT_EQ(Prefix, Message.substr(0, Prefix.size())) << "message: " << Message;
}

TEST(TMap, CoordinateOperationsWithoutAxesAreRefused) {
    TMap Map(10.0, 3, 2);
    for (const TNoAxesCase& Case : NoAxesCases()) {
        SCOPED_TRACE(Case.Name);
        ExpectMessageStartsWith(Case.Message, WhatIsThrown([&] { Case.Call(Map); }));
    }
    for (long Y = 0; Y < 2; ++Y) EXPECT_EQ(std::vector<double>(3, -9999.0), Map.GetRow(Y));
}

TEST(TMap, CoordinateOperationsWithHalfTheAxesAreRefused) {
    // The grid reader installs X before Y: in between, lookups must not
    // reach for the missing axes.
    TMap Map(10.0, 3, 2);
    TAxis XBounds(10.0, 4);
    for (long I = 0; I < 4; ++I) XBounds.SetPoint(I, new TPoint(10.0 * I, 0.0));
    Map.SetXAxisInterval(&XBounds);
    ASSERT_NE(nullptr, Map.GetXAxis());
    ASSERT_EQ(nullptr, Map.GetYAxis());
    for (const TNoAxesCase& Case : NoAxesCases()) {
        if (std::string(Case.Name) == "GetIndex X") continue;  // the X axes are there
        SCOPED_TRACE(Case.Name);
        ExpectMessageStartsWith(Case.Message, WhatIsThrown([&] { Case.Call(Map); }));
    }
}

// ---------------------------------------------------------------------------
// The 3 x 2 grid of cell size 10 with its lower-left corner at (0, 0), set
// up as the grid reader sets it up. Cell (x, y) holds CellValue(x, y).

std::unique_ptr<TMap> ReaderGrid() {
    std::unique_ptr<TMap> Map(new TMap(10.0, 3, 2));
    InstallReaderAxes(*Map, 0.0, 0.0, 10.0);
    for (long Y = 0; Y < 2; ++Y)
        for (long X = 0; X < 3; ++X) Map->SetPoint(X, Y, CellValue(X, Y));
    return Map;
}

void ExpectValuesUntouched(const TMap& Map) {
    for (long Y = 0; Y < 2; ++Y)
        for (long X = 0; X < 3; ++X) EXPECT_EQ(CellValue(X, Y), Map.GetPointVal(X, Y)) << X << "," << Y;
}

TEST(TMap, AxesDerivedFromTheIntervalAxes) {
    std::unique_ptr<TMap> Map = ReaderGrid();
    ASSERT_NE(nullptr, Map->GetXAxis());
    ASSERT_NE(nullptr, Map->GetYAxis());
    EXPECT_EQ(std::vector<double>({0, 10, 20, 30}), Xs(Map->GetXAxisInterval()));
    EXPECT_EQ(std::vector<double>({20, 10, 0}), Ys(Map->GetYAxisInterval()));
    EXPECT_EQ(std::vector<double>({5, 15, 25}), Xs(Map->GetXAxis()));
    EXPECT_EQ(std::vector<double>({15, 5}), Ys(Map->GetYAxis()));
    EXPECT_EQ(10.0, Map->GetXAxis()->GetResolution());
    EXPECT_EQ(10.0, Map->GetYAxis()->GetResolution());
}

TEST(TMap, GetCoordinatesGivesCellCentres) {
    std::unique_ptr<TMap> Map = ReaderGrid();
    for (long Y = 0; Y < 2; ++Y)
        for (long X = 0; X < 3; ++X) {
            SCOPED_TRACE(testing::Message() << "cell " << X << "," << Y);
            std::unique_ptr<TPoint> Centre(Map->GetCoordinates(X, Y));
            EXPECT_EQ(5.0 + 10.0 * X, Centre->GetX());
            EXPECT_EQ(15.0 - 10.0 * Y, Centre->GetY());
        }
    std::unique_ptr<TPoint> TopLeft(Map->GetCoordinates(0, 0));
    EXPECT_EQ(5.0, TopLeft->GetX());
    EXPECT_EQ(15.0, TopLeft->GetY());

    const TIndexErrorCase Errors[] = {
        {3, 0, "LngX is out of range for the X-axis in TMap::GetCoordinates"},
        {-1, 0, "LngX is out of range for the X-axis in TMap::GetCoordinates"},
        {-1, 9, "LngX is out of range for the X-axis in TMap::GetCoordinates"},
        {0, 2, "LngY is out of range for the Y-axis in TMap::GetCoordinates"},
        {0, -1, "LngY is out of range for the Y-axis in TMap::GetCoordinates"},
    };
    for (const TIndexErrorCase& Case : Errors) {
        SCOPED_TRACE(testing::Message() << "GetCoordinates(" << Case.LngX << ", " << Case.LngY << ")");
        EXPECT_EQ(Case.Message, WhatIsThrown([&] { delete Map->GetCoordinates(Case.LngX, Case.LngY); }));
    }
}

TEST(TMap, GetPointByIndexCarriesTheCellValue) {
    std::unique_ptr<TMap> Map = ReaderGrid();
    std::unique_ptr<TMapPoint> Point(Map->GetPoint(1, 1));
    EXPECT_EQ(15.0, Point->GetX());
    EXPECT_EQ(5.0, Point->GetY());
    EXPECT_EQ(CellValue(1, 1), Point->GetValue());

    std::unique_ptr<TMapPoint> Corner(Map->GetPoint(2, 0));
    EXPECT_EQ(25.0, Corner->GetX());
    EXPECT_EQ(15.0, Corner->GetY());
    EXPECT_EQ(CellValue(2, 0), Corner->GetValue());

    const TIndexErrorCase Errors[] = {
        {3, 0, "LngX is out of range in TMap::GetPoint (long,long)"},
        {-1, 0, "LngX is out of range in TMap::GetPoint (long,long)"},
        {-1, 9, "LngX is out of range in TMap::GetPoint (long,long)"},
        {0, 2, "LngY is out of range in TMap::GetPoint (long,long)"},
        {0, -1, "LngY is out of range in TMap::GetPoint (long,long)"},
    };
    for (const TIndexErrorCase& Case : Errors) {
        SCOPED_TRACE(testing::Message() << "GetPoint(" << Case.LngX << ", " << Case.LngY << ")");
        EXPECT_EQ(Case.Message, WhatIsThrown([&] { delete Map->GetPoint(Case.LngX, Case.LngY); }));
    }
}

struct TLookupCase {
    double X, Y;
    long LngX, LngY;      // the cell holding the point
    const char* Message;  // or the message of a point outside the map
};

const TLookupCase kLookups[] = {
    {0.0, 0.0, 0, 1, nullptr},     // lower-left corner: bottom-left cell
    {10.0, 10.0, 1, 0, nullptr},   // a corner belongs to the cell north-east of it
    {29.9, 19.9, 2, 0, nullptr},
    {12.0, 3.0, 1, 1, nullptr},
    {5.0, 15.0, 0, 0, nullptr},
    {20.0, 0.0, 2, 1, nullptr},
    {9.999, 9.999, 0, 1, nullptr},
    {-0.1, 5.0, 0, 0, kOutOfRange},
    {5.0, 20.1, 0, 0, kOutOfRange},
    {5.0, -0.1, 0, 0, kOutOfRange},
    {30.0, 5.0, 0, 0, kOutOfRange},  // east edge of the map
    {5.0, 20.0, 0, 0, kOutOfRange},  // north edge of the map
    {30.0, 20.0, 0, 0, kOutOfRange},
    {-5.0, 50.0, 0, 0, kOutOfRange},
    {kNaN, 5.0, 0, 0, kOutOfRange},
    {5.0, kNaN, 0, 0, kOutOfRange},
};

TEST(TMap, LookupsByCoordinatesFindTheHoldingCell) {
    std::unique_ptr<TMap> Map = ReaderGrid();
    for (const TLookupCase& Case : kLookups) {
        SCOPED_TRACE(testing::Message() << "point (" << Case.X << ", " << Case.Y << ")");
        TPoint Point(Case.X, Case.Y);
        if (Case.Message) {
            EXPECT_EQ(Case.Message, WhatIsThrown([&] { Map->GetPointVal(&Point); }));
            EXPECT_EQ(Case.Message, WhatIsThrown([&] { delete Map->GetPoint(&Point); }));
            EXPECT_EQ(Case.Message, WhatIsThrown([&] { Map->SetPoint(&Point, -1.0); }));
            continue;
        }
        EXPECT_EQ(Case.LngX, Map->GetIndex(Case.X, 'X'));
        EXPECT_EQ(Case.LngY, Map->GetIndex(Case.Y, 'Y'));
        EXPECT_EQ(CellValue(Case.LngX, Case.LngY), Map->GetPointVal(&Point));

        // GetPoint stays at the point itself, not at the cell centre.
        std::unique_ptr<TMapPoint> Found(Map->GetPoint(&Point));
        EXPECT_EQ(Case.X, Found->GetX());
        EXPECT_EQ(Case.Y, Found->GetY());
        EXPECT_EQ(CellValue(Case.LngX, Case.LngY), Found->GetValue());
    }
    ExpectValuesUntouched(*Map);
}

TEST(TMap, SetPointByCoordinatesWritesOnlyTheHoldingCell) {
    std::unique_ptr<TMap> Map = ReaderGrid();
    for (const TLookupCase& Case : kLookups) {
        if (Case.Message) continue;
        SCOPED_TRACE(testing::Message() << "point (" << Case.X << ", " << Case.Y << ")");
        TPoint Point(Case.X, Case.Y);
        Map->SetPoint(&Point, -5.0);
        for (long Y = 0; Y < 2; ++Y)
            for (long X = 0; X < 3; ++X)
                EXPECT_EQ(X == Case.LngX && Y == Case.LngY ? -5.0 : CellValue(X, Y), Map->GetPointVal(X, Y))
                    << "cell " << X << "," << Y;
        Map->SetPoint(Case.LngX, Case.LngY, CellValue(Case.LngX, Case.LngY));
    }
}

TEST(TMap, GetPointAndGetPointValAgreeOnTheSameCell) {
    std::unique_ptr<TMap> Map = ReaderGrid();
    TPoint Inside(12.0, 3.0);
    std::unique_ptr<TMapPoint> ByPoint(Map->GetPoint(&Inside));
    std::unique_ptr<TMapPoint> ByIndex(Map->GetPoint(1, 1));
    EXPECT_EQ(12.0, ByPoint->GetX());
    EXPECT_EQ(3.0, ByPoint->GetY());
    EXPECT_EQ(15.0, ByIndex->GetX());
    EXPECT_EQ(5.0, ByIndex->GetY());
    EXPECT_EQ(ByIndex->GetValue(), ByPoint->GetValue());
    EXPECT_EQ(CellValue(1, 1), ByPoint->GetValue());
}

TEST(TMap, GetPointValuesInOrderOrTheFirstFailure) {
    std::unique_ptr<TMap> Map = ReaderGrid();
    TPoint A(0.0, 0.0), B(29.9, 19.9), C(12.0, 3.0), Outside(31.0, 5.0);
    EXPECT_EQ(std::vector<double>({CellValue(0, 1), CellValue(2, 0), CellValue(1, 1), CellValue(0, 1)}),
              Map->GetPointValues({&A, &B, &C, &A}));
    EXPECT_TRUE(Map->GetPointValues({}).empty());
    EXPECT_EQ(kOutOfRange, WhatIsThrown([&] { Map->GetPointValues({&A, &Outside, &B}); }));
}

TEST(TMap, InstallingOneAxisRebuildsItsPartner) {
    std::unique_ptr<TMap> Map = ReaderGrid();
    // Centres in, boundaries derived.
    std::unique_ptr<TAxis> YCentres = MakeAxis(10.0, {{0, 15}, {0, 5}});
    Map->SetYAxis(YCentres.get());
    EXPECT_EQ(std::vector<double>({15, 5}), Ys(Map->GetYAxis()));
    EXPECT_EQ(std::vector<double>({20, 10, 0}), Ys(Map->GetYAxisInterval()));

    std::unique_ptr<TAxis> XCentres = MakeAxis(10.0, {{105, 0}, {115, 0}, {125, 0}});
    Map->SetXAxis(XCentres.get());
    EXPECT_EQ(std::vector<double>({105, 115, 125}), Xs(Map->GetXAxis()));
    EXPECT_EQ(std::vector<double>({100, 110, 120, 130}), Xs(Map->GetXAxisInterval()));
    EXPECT_EQ(1, Map->GetIndex(110.0, 'X'));

    // Boundaries in, centres derived.
    std::unique_ptr<TAxis> YBounds = MakeAxis(10.0, {{0, 40}, {0, 30}, {0, 20}});
    Map->SetYAxisInterval(YBounds.get());
    EXPECT_EQ(std::vector<double>({40, 30, 20}), Ys(Map->GetYAxisInterval()));
    EXPECT_EQ(std::vector<double>({35, 25}), Ys(Map->GetYAxis()));
    EXPECT_EQ(0, Map->GetIndex(30.0, 'Y'));

    // The map keeps copies: the caller's axes are its own to change or release.
    EXPECT_NE(YBounds.get(), Map->GetYAxisInterval());
    EXPECT_NE(XCentres.get(), Map->GetXAxis());
    YBounds.reset();
    XCentres.reset();
    YCentres.reset();
    std::unique_ptr<TPoint> Centre(Map->GetCoordinates(2, 1));
    EXPECT_EQ(125.0, Centre->GetX());
    EXPECT_EQ(25.0, Centre->GetY());
    ExpectValuesUntouched(*Map);
}

TEST(TMap, YAxesRebuildEachOther) {
    TMap Rows(10.0, 1, 2);
    std::unique_ptr<TAxis> Bounds = MakeAxis(10.0, {{0, 20}, {0, 10}, {0, 0}});
    Rows.SetYAxisInterval(Bounds.get());
    EXPECT_EQ(std::vector<double>({15, 5}), Ys(Rows.GetYAxis()));
    std::unique_ptr<TAxis> Centres(Rows.GetYAxis()->Clone());
    Rows.SetYAxis(Centres.get());
    EXPECT_EQ(std::vector<double>({20, 10, 0}), Ys(Rows.GetYAxisInterval()));
}

struct TSetterCase {
    const char* Name;
    long Size;
    std::function<void(TMap&, TAxis*)> Set;
    const char* Message;
};

TEST(TMap, AxisOfTheWrongSizeIsRefusedAndChangesNothing) {
    std::unique_ptr<TMap> Map = ReaderGrid();
    const TSetterCase Cases[] = {
        {"SetXAxis, one too many", 4, [](TMap& M, TAxis* A) { M.SetXAxis(A); },
         "Length of new X axis does not match the X dimension of the map"},
        {"SetXAxis, one too few", 2, [](TMap& M, TAxis* A) { M.SetXAxis(A); },
         "Length of new X axis does not match the X dimension of the map"},
        {"SetXAxis, empty", 0, [](TMap& M, TAxis* A) { M.SetXAxis(A); },
         "Length of new X axis does not match the X dimension of the map"},
        {"SetYAxis, one too many", 3, [](TMap& M, TAxis* A) { M.SetYAxis(A); },
         "Length of new Y axis does not match the Y dimension of the map"},
        {"SetYAxis, one too few", 1, [](TMap& M, TAxis* A) { M.SetYAxis(A); },
         "Length of new Y axis does not match the Y dimension of the map"},
        {"SetXAxisInterval, as many as columns", 3, [](TMap& M, TAxis* A) { M.SetXAxisInterval(A); },
         "Length of new X interval axis does not fit the X dimension of the map"},
        {"SetXAxisInterval, two more than columns", 5, [](TMap& M, TAxis* A) { M.SetXAxisInterval(A); },
         "Length of new X interval axis does not fit the X dimension of the map"},
        {"SetYAxisInterval, as many as rows", 2, [](TMap& M, TAxis* A) { M.SetYAxisInterval(A); },
         "Length of new Y interval axis does not fit the Y dimension of the map"},
        {"SetYAxisInterval, empty", 0, [](TMap& M, TAxis* A) { M.SetYAxisInterval(A); },
         "Length of new Y interval axis does not fit the Y dimension of the map"},
    };
    const TCoords XBounds = CoordsOf(Map->GetXAxisInterval());
    const TCoords YBounds = CoordsOf(Map->GetYAxisInterval());
    const TCoords XCentres = CoordsOf(Map->GetXAxis());
    const TCoords YCentres = CoordsOf(Map->GetYAxis());
    for (const TSetterCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TCoords Coords;
        for (long I = 0; I < Case.Size; ++I) Coords.emplace_back(100.0 + 10.0 * I, 100.0 - 10.0 * I);
        std::unique_ptr<TAxis> Axis = MakeAxis(10.0, Coords);
        const TAxesSeen Before(*Map);
        EXPECT_EQ(Case.Message, WhatIsThrown([&] { Case.Set(*Map, Axis.get()); }));
        EXPECT_TRUE(Before == TAxesSeen(*Map));
        EXPECT_EQ(XBounds, CoordsOf(Map->GetXAxisInterval()));
        EXPECT_EQ(YBounds, CoordsOf(Map->GetYAxisInterval()));
        EXPECT_EQ(XCentres, CoordsOf(Map->GetXAxis()));
        EXPECT_EQ(YCentres, CoordsOf(Map->GetYAxis()));
        EXPECT_EQ(1, Map->GetIndex(12.0, 'X'));
        EXPECT_EQ(1, Map->GetIndex(3.0, 'Y'));
    }
}

TEST(TMap, FailedDerivationKeepsTheAxesOfThatDimension) {
    // No columns: an empty centre axis has the right size, but no boundaries
    // can be derived from it.
    TMap Map(10.0, 0, 2);
    std::unique_ptr<TAxis> XBounds = MakeAxis(10.0, {{0, 0}});
    std::unique_ptr<TAxis> YBounds = MakeAxis(10.0, {{0, 20}, {0, 10}, {0, 0}});
    Map.SetXAxisInterval(XBounds.get());
    Map.SetYAxisInterval(YBounds.get());
    ASSERT_EQ(0, Map.GetXAxis()->GetSize());
    ASSERT_EQ(1, Map.GetXAxisInterval()->GetSize());

    const TAxesSeen Before(Map);
    TAxis Empty(10.0);
    EXPECT_EQ("Index is out of range in TAxis::GetPoint", WhatIsThrown([&] { Map.SetXAxis(&Empty); }));
    EXPECT_TRUE(Before == TAxesSeen(Map));
    ASSERT_NE(nullptr, Map.GetXAxis());
    ASSERT_NE(nullptr, Map.GetXAxisInterval());
    EXPECT_EQ(0, Map.GetXAxis()->GetSize());
    EXPECT_EQ(TCoords({{0, 0}}), CoordsOf(Map.GetXAxisInterval()));
    EXPECT_EQ(std::vector<double>({15, 5}), Ys(Map.GetYAxis()));
    EXPECT_EQ(1, Map.GetIndex(5.0, 'Y'));
    EXPECT_EQ(kOutOfRange, WhatIsThrown([&] { Map.GetIndex(0.0, 'X'); }));

    // The same for rows.
    TMap Flat(10.0, 2, 0);
    std::unique_ptr<TAxis> FlatX = MakeAxis(10.0, {{0, 0}, {10, 0}, {20, 0}});
    std::unique_ptr<TAxis> FlatY = MakeAxis(10.0, {{0, 0}});
    Flat.SetXAxisInterval(FlatX.get());
    Flat.SetYAxisInterval(FlatY.get());
    const TAxesSeen FlatBefore(Flat);
    EXPECT_EQ("Index is out of range in TAxis::GetPoint", WhatIsThrown([&] { Flat.SetYAxis(&Empty); }));
    EXPECT_TRUE(FlatBefore == TAxesSeen(Flat));
    EXPECT_EQ(TCoords({{0, 0}}), CoordsOf(Flat.GetYAxisInterval()));
    EXPECT_EQ(0, Flat.GetYAxis()->GetSize());
    EXPECT_EQ(1, Flat.GetIndex(15.0, 'X'));

    // On a map with no axes yet, none appear.
    TMap Bare(10.0, 0, 2);
    EXPECT_EQ("Index is out of range in TAxis::GetPoint", WhatIsThrown([&] { Bare.SetXAxis(&Empty); }));
    EXPECT_EQ(nullptr, Bare.GetXAxis());
    EXPECT_EQ(nullptr, Bare.GetXAxisInterval());
}

// ---------------------------------------------------------------------------
// A map on the geometry of two centre axes.

TEST(TMap, ConstructedFromTwoCentreAxes) {
    std::unique_ptr<TAxis> XCentres = MakeAxis(10.0, {{5, 0}, {15, 0}, {25, 0}});
    std::unique_ptr<TAxis> YCentres = MakeAxis(10.0, {{0, 15}, {0, 5}});
    std::unique_ptr<TMap> Map(new TMap(XCentres.get(), YCentres.get()));
    EXPECT_EQ(10.0, Map->GetResolution());
    EXPECT_EQ(3, Map->GetXDim());
    EXPECT_EQ(2, Map->GetYDim());
    EXPECT_EQ(-9999.0, Map->GetNoDataValue());
    for (long Y = 0; Y < 2; ++Y) EXPECT_EQ(std::vector<double>(3, -9999.0), Map->GetRow(Y));
    EXPECT_NE(XCentres.get(), Map->GetXAxis());
    EXPECT_NE(YCentres.get(), Map->GetYAxis());

    // The caller releases its axes; the map keeps working on its copies.
    XCentres.reset();
    YCentres.reset();
    EXPECT_EQ(std::vector<double>({5, 15, 25}), Xs(Map->GetXAxis()));
    EXPECT_EQ(std::vector<double>({15, 5}), Ys(Map->GetYAxis()));
    EXPECT_EQ(std::vector<double>({0, 10, 20, 30}), Xs(Map->GetXAxisInterval()));
    EXPECT_EQ(std::vector<double>({20, 10, 0}), Ys(Map->GetYAxisInterval()));
    TPoint Point(12.0, 3.0);
    Map->SetPoint(&Point, 4.0);
    EXPECT_EQ(4.0, Map->GetPointVal(1, 1));
}

TEST(TMap, ConstructionFromAxesRefusesBadAxes) {
    struct TCase {
        const char* Name;
        double XResolution, YResolution;
        long XSize, YSize;
        const char* Message;
    };
    const TCase Cases[] = {
        {"resolutions differ", 10.0, 12.5, 3, 2, "Axes resolutions do not match in TMap::TMap"},
        {"X resolution not a number", kNaN, 10.0, 3, 2, "Axes resolutions do not match in TMap::TMap"},
        {"both resolutions not a number", kNaN, kNaN, 3, 2, "Axes resolutions do not match in TMap::TMap"},
        {"empty X axis", 10.0, 10.0, 0, 2, "Index is out of range in TAxis::GetPoint"},
        {"empty Y axis", 10.0, 10.0, 3, 0, "Index is out of range in TAxis::GetPoint"},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TCoords XCoords, YCoords;
        for (long I = 0; I < Case.XSize; ++I) XCoords.emplace_back(5.0 + 10.0 * I, 0.0);
        for (long I = 0; I < Case.YSize; ++I) YCoords.emplace_back(0.0, 15.0 - 10.0 * I);
        std::unique_ptr<TAxis> XAxis = MakeAxis(Case.XResolution, XCoords);
        std::unique_ptr<TAxis> YAxis = MakeAxis(Case.YResolution, YCoords);
        EXPECT_EQ(Case.Message, WhatIsThrown([&] { delete new TMap(XAxis.get(), YAxis.get()); }));
        EXPECT_EQ(XCoords, CoordsOf(XAxis.get()));
        EXPECT_EQ(YCoords, CoordsOf(YAxis.get()));
    }
}

// ---------------------------------------------------------------------------
// Copying the geometry of another map.

void ExpectSameAxis(const TAxis* Expected, const TAxis* Actual) {
    ASSERT_NE(nullptr, Expected);
    ASSERT_NE(nullptr, Actual);
    EXPECT_NE(Expected, Actual);
    EXPECT_EQ(Expected->GetResolution(), Actual->GetResolution());
    EXPECT_EQ(CoordsOf(Expected), CoordsOf(Actual));
}

TEST(TMap, CopyAxesInstallsExactCopies) {
    // Uneven spacing: the partner derived from such an axis does not give the
    // axis back, so a copy that re-derives either kind of axis shows. Each
    // source installs one dimension by its boundaries and the other by its
    // centres.
    std::unique_ptr<TAxis> XBounds = MakeAxis(0.1, {{0.0, 1.0}, {0.1, 1.0}, {0.35, 1.0}, {0.4, 1.0}});
    std::unique_ptr<TAxis> XCentres = MakeAxis(0.1, {{0.05, 2.0}, {0.17, 2.0}, {0.3, 2.0}});
    std::unique_ptr<TAxis> YBounds = MakeAxis(0.1, {{7.0, 0.7}, {7.0, 0.3}, {7.0, 0.0}});
    std::unique_ptr<TAxis> YCentres = MakeAxis(0.1, {{8.0, 0.65}, {8.0, 0.2}});

    TMap ByXBounds(0.1, 3, 2);
    ByXBounds.SetXAxisInterval(XBounds.get());
    ByXBounds.SetYAxis(YCentres.get());
    TMap ByYBounds(0.1, 3, 2);
    ByYBounds.SetXAxis(XCentres.get());
    ByYBounds.SetYAxisInterval(YBounds.get());

    const TMap* Sources[] = {&ByXBounds, &ByYBounds};
    for (const TMap* Source : Sources) {
        SCOPED_TRACE(Source == &ByXBounds ? "X by boundaries, Y by centres" : "X by centres, Y by boundaries");
        TMap Target(1.0, 3, 2);
        InstallReaderAxes(Target, 0.0, 0.0, 1.0);  // replaced wholesale
        Target.CopyAxes(Source);
        ExpectSameAxis(Source->GetXAxis(), Target.GetXAxis());
        ExpectSameAxis(Source->GetYAxis(), Target.GetYAxis());
        ExpectSameAxis(Source->GetXAxisInterval(), Target.GetXAxisInterval());
        ExpectSameAxis(Source->GetYAxisInterval(), Target.GetYAxisInterval());
        EXPECT_EQ(1.0, Target.GetResolution());  // only the axes are copied
    }
    EXPECT_EQ(CoordsOf(XBounds.get()), CoordsOf(ByXBounds.GetXAxisInterval()));
    EXPECT_EQ(CoordsOf(YCentres.get()), CoordsOf(ByXBounds.GetYAxis()));
    EXPECT_EQ(CoordsOf(XCentres.get()), CoordsOf(ByYBounds.GetXAxis()));
    EXPECT_EQ(CoordsOf(YBounds.get()), CoordsOf(ByYBounds.GetYAxisInterval()));
}

TEST(TMap, CopyAxesOutlivesTheSourceAndKeepsTheCells) {
    std::unique_ptr<TMap> Source(new TMap(10.0, 3, 2));
    InstallReaderAxes(*Source, 100.0, 200.0, 10.0);
    TMap Target(10.0, 3, 2);
    Target.SetPoint(1, 1, 42.0);
    Target.CopyAxes(Source.get());
    const TCoords XBounds = CoordsOf(Source->GetXAxisInterval());
    const TCoords YCentres = CoordsOf(Source->GetYAxis());
    Source.reset();
    EXPECT_EQ(XBounds, CoordsOf(Target.GetXAxisInterval()));
    EXPECT_EQ(YCentres, CoordsOf(Target.GetYAxis()));
    TPoint Point(115.0, 205.0);
    EXPECT_EQ(42.0, Target.GetPointVal(&Point));
    EXPECT_EQ(-9999.0, Target.GetPointVal(0, 0));
}

TEST(TMap, CopyAxesFromAMapWithoutAxes) {
    TMap Source(10.0, 3, 2);
    TMap Target(10.0, 3, 2);
    Target.CopyAxes(&Source);
    EXPECT_EQ(nullptr, Target.GetXAxis());
    EXPECT_EQ(nullptr, Target.GetYAxis());
    EXPECT_EQ(nullptr, Target.GetXAxisInterval());
    EXPECT_EQ(nullptr, Target.GetYAxisInterval());
}

TEST(TMap, CopyAxesRefusesOtherDimensions) {
    TMap Target(10.0, 3, 2);
    InstallReaderAxes(Target, 0.0, 0.0, 10.0);
    const TCoords XBounds = CoordsOf(Target.GetXAxisInterval());
    const TCoords YBounds = CoordsOf(Target.GetYAxisInterval());
    const long Dims[][2] = {{4, 2}, {3, 3}, {2, 1}, {0, 0}};
    for (const auto& Dim : Dims) {
        SCOPED_TRACE(testing::Message() << "source " << Dim[0] << " x " << Dim[1]);
        TMap Source(10.0, Dim[0], Dim[1]);
        if (Dim[0] > 0 && Dim[1] > 0) InstallReaderAxes(Source, 500.0, 500.0, 10.0);
        const TAxesSeen Before(Target);
        bool Threw = false;
        try {
            Target.CopyAxes(&Source);
        } catch (const char* Message) {
            Threw = true;
            const std::string Text(Message);
            EXPECT_NE(std::string::npos, Text.find("TMap::CopyAxes")) << Text;
        }
        EXPECT_TRUE(Threw);
        EXPECT_TRUE(Before == TAxesSeen(Target));
        EXPECT_EQ(XBounds, CoordsOf(Target.GetXAxisInterval()));
        EXPECT_EQ(YBounds, CoordsOf(Target.GetYAxisInterval()));
    }
}

}  // namespace
