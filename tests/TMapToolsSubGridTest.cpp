#include "ops/TMapTools.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

using testsupport::Cells;
using testsupport::MakeMap;
using testsupport::Rows;
using testsupport::ThrownMessage;
using testsupport::kNaN;

namespace {

// nx x ny cells; cell (x, y) holds base + x + 10 * y.
std::unique_ptr<TMap> Numbered(long nx, long ny, double cell, double xll, double yll, double base = 0) {
    Rows rows(static_cast<size_t>(ny), std::vector<double>(static_cast<size_t>(nx)));
    for (long y = 0; y < ny; ++y)
        for (long x = 0; x < nx; ++x) rows[y][x] = base + x + 10 * y;
    return MakeMap(rows, cell, xll, yll);
}

TEST(TMapToolsExtract, CopiesTheCellsBetweenTwoCorners) {
    std::unique_ptr<TMap> map = Numbered(4, 3, 10, 0, 0);
    map->SetNoDataValue(0);
    struct {
        TPoint first, second;
        Rows expected;
    } cases[] = {
        {{12, 25}, {35, 3}, {{1, 2, 3}, {11, 12, 13}, {21, 22, 23}}},
        {{35, 3}, {12, 25}, {{1, 2, 3}, {11, 12, 13}, {21, 22, 23}}},
        {{15, 15}, {15, 15}, {{11}}},
        {{0, 0}, {39.9, 29.9}, Cells(*map)},
    };
    for (auto& c : cases) {
        std::unique_ptr<TMap> r(TMapTools::Extract(map.get(), &c.first, &c.second));
        EXPECT_EQ(c.expected, Cells(*r));
        EXPECT_EQ(10.0, r->GetResolution());
        EXPECT_EQ(-9999.0, r->GetNoDataValue());
    }
    TPoint a(12, 25), b(35, 3);
    std::unique_ptr<TMap> r(TMapTools::Extract(map.get(), &a, &b));
    EXPECT_EQ(15.0, r->GetXAxis()->GetPoint(0)->GetX());
    EXPECT_EQ(25.0, r->GetYAxis()->GetPoint(0)->GetY());

    const double outside[][2] = {{-1, 5}, {40, 5}, {5, 30}};
    for (const auto& o : outside) {
        TPoint corner(o[0], o[1]);
        EXPECT_EQ("Ordinate is out of range in TAxis::GetIndex",
                  ThrownMessage([&] { delete TMapTools::Extract(map.get(), &corner, &a); }));
        EXPECT_EQ("Ordinate is out of range in TAxis::GetIndex",
                  ThrownMessage([&] { delete TMapTools::Extract(map.get(), &a, &corner); }));
    }
}

TEST(TMapToolsInsert, WritesTheSourceIntoTheCellsHoldingItsCentres) {
    std::unique_ptr<TMap> destination = Numbered(4, 3, 10, 0, 0);
    std::unique_ptr<TMap> source = MakeMap({{-1, -2}, {-3, -4}}, 10, 10, 0);
    TMapTools::Insert(destination.get(), source.get());
    EXPECT_EQ((Rows{{0, 1, 2, 3}, {10, -1, -2, 13}, {20, -3, -4, 23}}), Cells(*destination));

    // A finer source: each covered cell keeps the last of its four values.
    destination = Numbered(4, 3, 10, 0, 0);
    source = MakeMap({{1, 2, 3, 4}, {5, 6, 7, 8}}, 5, 0, 0);
    TMapTools::Insert(destination.get(), source.get());
    EXPECT_EQ((Rows{{0, 1, 2, 3}, {10, 11, 12, 13}, {6, 8, 22, 23}}), Cells(*destination));
}

TEST(TMapToolsInsert, RefusesASourceReachingOutsideAndLeavesTheDestination) {
    std::unique_ptr<TMap> destination = Numbered(4, 3, 10, 0, 0);
    const Rows before = Cells(*destination);
    struct {
        double xll, yll;
        const char* message;
    } cases[] = {
        {10, 15, "Insert map's NW corner is outside of the destination map in TMapTools::Insert"},
        {-1, 0, "Insert map's NW corner is outside of the destination map in TMapTools::Insert"},
        {30, 0, "Insert map's SE corner is outside of the destination map in TMapTools::Insert"},
        {10, -5, "Insert map's SE corner is outside of the destination map in TMapTools::Insert"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<TMap> source = MakeMap({{-1, -2}, {-3, -4}}, 10, c.xll, c.yll);
        EXPECT_EQ(c.message, ThrownMessage([&] { TMapTools::Insert(destination.get(), source.get()); }));
        EXPECT_EQ(before, Cells(*destination));
    }
}

TEST(TMapToolsIntersection, CutsBothMapsToTheirCommonCells) {
    struct {
        const char* name;
        long nx2, ny2;
        double cell2, xll2, yll2;
        long firstX, firstY, secondX, secondY;  // dimensions of the two parts
        double firstWest, secondWest;           // first centre x of each part
    } cases[] = {
        {"aligned", 4, 4, 10, 20, 20, 2, 2, 2, 2, 25, 25},
        // Centres on the other map's west and south edges count as inside;
        // those on its east and north edges do not.
        {"shifted half a cell", 4, 4, 10, 5, 5, 4, 4, 3, 3, 5, 10},
        {"finer inside", 8, 8, 2, 10, 10, 2, 2, 8, 8, 15, 11},
        // No point selects both first common cells ([20, 40) and [12, 13)):
        // the part of the coarse map reaches one cell further west.
        {"unlike grids", 20, 2, 1, 12, 29, 2, 1, 20, 2, 10, 12.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TMap> a = c.cell2 == 1 ? MakeMap({{1, 2}, {3, 4}}, 20, 0, 0) : Numbered(4, 4, 10, 0, 0);
        std::unique_ptr<TMap> b = Numbered(c.nx2, c.ny2, c.cell2, c.xll2, c.yll2, 100);
        TMap* one = nullptr;
        TMap* two = nullptr;
        TMapTools::Intersection(a.get(), b.get(), one, two);
        std::unique_ptr<TMap> first(one), second(two);
        ASSERT_TRUE(first && second);
        EXPECT_EQ(c.firstX, first->GetXDim());
        EXPECT_EQ(c.firstY, first->GetYDim());
        EXPECT_EQ(c.secondX, second->GetXDim());
        EXPECT_EQ(c.secondY, second->GetYDim());
        EXPECT_EQ(c.firstWest, first->GetXAxis()->GetPoint(0)->GetX());
        EXPECT_EQ(c.secondWest, second->GetXAxis()->GetPoint(0)->GetX());
    }
}

TEST(TMapToolsIntersection, AlignedPartsHoldTheCommonCells) {
    std::unique_ptr<TMap> a = Numbered(4, 4, 10, 0, 0);
    std::unique_ptr<TMap> b = Numbered(4, 4, 10, 20, 20, 100);
    TMap* one = nullptr;
    TMap* two = nullptr;
    TMapTools::Intersection(a.get(), b.get(), one, two);
    std::unique_ptr<TMap> first(one), second(two);
    EXPECT_EQ((Rows{{2, 3}, {12, 13}}), Cells(*first));
    EXPECT_EQ((Rows{{120, 121}, {130, 131}}), Cells(*second));
}

TEST(TMapToolsIntersection, MapsWithoutCommonCellsFailAndKeepTheReferences) {
    std::unique_ptr<TMap> a = Numbered(4, 4, 10, 0, 0);
    struct {
        const char* name;
        double cell, xll, yll;
    } cases[] = {
        {"apart", 10, 100, 100}, {"touching east", 10, 40, 0}, {"touching north", 10, 0, 40},
        {"touching a corner", 10, 40, 40}, {"overlap without centres", 10, 38, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TMap> b = Numbered(4, 4, c.cell, c.xll, c.yll);
        TMap* one = a.get();
        TMap* two = b.get();
        EXPECT_EQ("Maps do not intersect in TMapTools::Intersection",
                  ThrownMessage([&] { TMapTools::Intersection(a.get(), b.get(), one, two); }));
        EXPECT_EQ(a.get(), one);
        EXPECT_EQ(b.get(), two);
    }
}

TEST(TMapToolsBlocks, FindPatchExtentAndBufferIndices) {
    std::unique_ptr<TMap> map = MakeMap({{0, 0, 0, 0, 0}, {0, 0, 7, 0, 0}, {0, 0, 0, 0, 0}, {7, 0, 0, 0, kNaN}}, 1, 0, 0);
    long north = -5, south = -5, west = -5, east = -5;
    TMapTools::FindPatchExtent(map.get(), 7, north, south, west, east);
    EXPECT_EQ((std::vector<long>{1, 3, 0, 2}), (std::vector<long>{north, south, west, east}));
    TMapTools::BufferIndices(map.get(), 2, north, south, west, east);
    EXPECT_EQ((std::vector<long>{0, 3, 0, 4}), (std::vector<long>{north, south, west, east}));
    north = 2, south = 2, west = 2, east = 2;
    TMapTools::BufferIndices(map.get(), 1, north, south, west, east);
    EXPECT_EQ((std::vector<long>{1, 3, 1, 3}), (std::vector<long>{north, south, west, east}));

    for (double absent : {5.0, kNaN}) {
        north = south = west = east = -5;
        TMapTools::FindPatchExtent(map.get(), absent, north, south, west, east);
        EXPECT_EQ((std::vector<long>{0, 0, 0, 0}), (std::vector<long>{north, south, west, east}));
    }
}

TEST(TMapToolsBlocks, FillBlockFillsAnOrderedBlockInsideTheMap) {
    std::unique_ptr<TMap> map = MakeMap({{0, 0, 0}, {0, 0, 0}}, 1, 0, 0);
    TMapTools::FillBlock(map.get(), 5, 0, 0, 0, 2);
    TMapTools::FillBlock(map.get(), 6, 1, 1, 1, 1);
    EXPECT_EQ((Rows{{5, 5, 5}, {0, 6, 0}}), Cells(*map));

    const Rows before = Cells(*map);
    struct {
        long north, south, west, east;
        const char* message;
    } cases[] = {
        {1, 0, 0, 0, "Northern edge must be less than southern edge in TMapTools::FillBlock"},
        {0, 1, 2, 1, "Western edge must be less than eastern edge in TMapTools::FillBlock"},
        {-1, 1, 0, 0, "Northern ordinate is out of range in TMapTools::FillBlock"},
        {0, 2, 0, 0, "Southern ordinate is out of range in TMapTools::FillBlock"},
        {0, 1, -1, 0, "Western ordinate is out of range in TMapTools::FillBlock"},
        {0, 1, 0, 3, "Eastern ordinate is out of range in TMapTools::FillBlock"},
        {0, 1, 3, 3, "Western ordinate is out of range in TMapTools::FillBlock"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.message, ThrownMessage([&] { TMapTools::FillBlock(map.get(), 9, c.north, c.south, c.west, c.east); }));
        EXPECT_EQ(before, Cells(*map));
    }
}

}  // namespace
