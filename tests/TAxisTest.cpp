#include "grid/TAxis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/TestSupport.h"

using testsupport::MakeAxis;
using testsupport::WhatIsThrown;
using testsupport::kInf;
using testsupport::kNaN;
using testsupport::kOutOfRange;

namespace {

// An axis whose x ordinates are Ordinates in order and whose y ordinates are
// the same list reversed, so that one axis serves lookups along both.
std::unique_ptr<TAxis> MakeAxisXY(const std::vector<double>& Ordinates) {
    std::vector<std::pair<double, double>> Coords;
    const size_t N = Ordinates.size();
    for (size_t I = 0; I < N; ++I) Coords.emplace_back(Ordinates[I], Ordinates[N - 1 - I]);
    return MakeAxis(1.0, Coords);
}

std::vector<double> Ordinates(const TAxis& Axis, char Which) {
    std::vector<double> Result;
    for (long I = 0; I < Axis.GetSize(); ++I)
        Result.push_back(Which == 'X' ? Axis.GetPoint(I)->GetX() : Axis.GetPoint(I)->GetY());
    return Result;
}

// Reference lookup, written the plain way: range test on the two end points,
// then a linear scan for the first half-open segment [smaller, larger) that
// holds the ordinate. -1 stands for "lies in no segment".
long ReferenceIndex(const std::vector<double>& O, double Ordinate) {
    if (O.size() < 2) return -1;
    const double Lo = std::min(O.front(), O.back());
    const double Hi = std::max(O.front(), O.back());
    if (Ordinate < Lo || Ordinate > Hi || std::isnan(Ordinate)) return -1;
    for (size_t I = 0; I + 1 < O.size(); ++I) {
        const double A = std::min(O[I], O[I + 1]);
        const double B = std::max(O[I], O[I + 1]);
        if (A <= Ordinate && Ordinate < B) return static_cast<long>(I);
    }
    return -1;
}

// Every point, the midpoints, the neighbours of every point, values beyond
// both ends, infinities and NaN.
std::vector<double> Probes(const std::vector<double>& O) {
    std::vector<double> Result = {kNaN, kInf, -kInf, 0.0, -0.0};
    for (size_t I = 0; I < O.size(); ++I) {
        Result.push_back(O[I]);
        Result.push_back(std::nextafter(O[I], kInf));
        Result.push_back(std::nextafter(O[I], -kInf));
        Result.push_back(O[I] + 0.5);
        Result.push_back(O[I] - 0.5);
        if (I + 1 < O.size()) Result.push_back((O[I] + O[I + 1]) / 2.0);
    }
    if (!O.empty()) {
        const auto MinMax = std::minmax_element(O.begin(), O.end());
        Result.push_back(*MinMax.first - 1000.0);
        Result.push_back(*MinMax.second + 1000.0);
    }
    return Result;
}

// Checks GetIndex along one ordinate of Axis against the reference scan, at
// the probes built from the points and at any Extra ordinates.
void ExpectMatchesReference(const TAxis& Axis, char Which, const std::vector<double>& Extra = {}) {
    const std::vector<double> O = Ordinates(Axis, Which);
    std::vector<double> All = Probes(O);
    All.insert(All.end(), Extra.begin(), Extra.end());
    for (double Probe : All) {
        SCOPED_TRACE(testing::Message() << "axis " << Which << ", ordinate " << Probe);
        const long Expected = ReferenceIndex(O, Probe);
        if (Expected < 0) {
            EXPECT_EQ(kOutOfRange, WhatIsThrown([&] { Axis.GetIndex(Probe, Which); }));
        } else {
            long Actual = -2;
            EXPECT_NO_THROW(Actual = Axis.GetIndex(Probe, Which));
            EXPECT_EQ(Expected, Actual);
        }
    }
}

TEST(TAxis, ConstructionSizesAndResolution) {
    TAxis Empty(2.5);
    EXPECT_EQ(0, Empty.GetSize());
    EXPECT_EQ(2.5, Empty.GetResolution());

    // Slots made by count start empty and are filled with SetPoint; an axis
    // released with slots still empty must not touch them.
    TAxis Slots(10.0, 3);
    EXPECT_EQ(3, Slots.GetSize());
    EXPECT_EQ(10.0, Slots.GetResolution());
    EXPECT_EQ(nullptr, Slots.GetPoint(0));
    EXPECT_EQ(nullptr, Slots.GetPoint(2));
    TPoint* Middle = new TPoint(5.0, 6.0);
    Slots.SetPoint(1, Middle);
    EXPECT_EQ(Middle, Slots.GetPoint(1));
    EXPECT_EQ(nullptr, Slots.GetPoint(0));
}

TEST(TAxis, AddPointAppendsInOrderAndLendsTheSamePoint) {
    TAxis Axis(1.0);
    TPoint* First = new TPoint(1.0, 2.0);
    TPoint* Second = new TMapPoint(3.0, 4.0, 5.0);
    Axis.AddPoint(First);
    Axis.AddPoint(Second);
    ASSERT_EQ(2, Axis.GetSize());
    EXPECT_EQ(First, Axis.GetPoint(0));
    EXPECT_EQ(Second, Axis.GetPoint(1));
}

TEST(TAxis, IndexOutsideTheAxisIsRefused) {
    std::unique_ptr<TAxis> Axis = MakeAxis(10.0, {{0, 0}, {10, 0}, {20, 0}});
    const long Bad[] = {-1, 3, 100, std::numeric_limits<long>::min()};
    for (long Index : Bad) {
        SCOPED_TRACE(testing::Message() << "index " << Index);
        EXPECT_EQ("Index is out of range in TAxis::GetPoint", WhatIsThrown([&] { Axis->GetPoint(Index); }));
        TPoint* Spare = new TPoint(99.0, 99.0);
        EXPECT_EQ("Index is out of range in TAxis::SetPoint", WhatIsThrown([&] { Axis->SetPoint(Index, Spare); }));
        delete Spare;  // not adopted by a failed SetPoint
    }
    EXPECT_EQ(std::vector<double>({0, 10, 20}), Ordinates(*Axis, 'X'));

    TAxis Empty(1.0);
    EXPECT_EQ("Index is out of range in TAxis::GetPoint", WhatIsThrown([&] { Empty.GetPoint(0); }));
}

TEST(TAxis, SetPointReplacesAndReleasesTheHeldPoint) {
    std::unique_ptr<TAxis> Axis = MakeAxis(10.0, {{0, 0}, {10, 0}, {20, 0}});
    // The point replaced is released by the axis (a leak would fail the
    // sanitizer build); the new one, here a TMapPoint, is adopted.
    TPoint* Replacement = new TMapPoint(15.0, 1.0, 3.0);
    Axis->SetPoint(1, Replacement);
    EXPECT_EQ(3, Axis->GetSize());
    EXPECT_EQ(Replacement, Axis->GetPoint(1));
    EXPECT_EQ(std::vector<double>({0, 15, 20}), Ordinates(*Axis, 'X'));
}

struct TIndexCase {
    double Ordinate;
    char Which;
    long Expected;  // -1: out of range
};

void CheckCases(const TAxis& Axis, const std::vector<TIndexCase>& Cases) {
    for (const TIndexCase& Case : Cases) {
        SCOPED_TRACE(testing::Message() << "GetIndex(" << Case.Ordinate << ", '" << Case.Which << "')");
        if (Case.Expected < 0) {
            EXPECT_EQ(kOutOfRange, WhatIsThrown([&] { Axis.GetIndex(Case.Ordinate, Case.Which); }));
        } else {
            long Actual = -2;
            EXPECT_NO_THROW(Actual = Axis.GetIndex(Case.Ordinate, Case.Which));
            EXPECT_EQ(Case.Expected, Actual);
        }
    }
}

TEST(TAxis, GetIndexOnAnAscendingAxis) {
    std::unique_ptr<TAxis> Axis = MakeAxis(10.0, {{0, 7}, {10, 7}, {20, 7}, {30, 7}});
    CheckCases(*Axis, {
                          {0.0, 'X', 0},
                          {9.99, 'X', 0},
                          {10.0, 'X', 1},
                          {19.999, 'X', 1},
                          {20.0, 'X', 2},
                          {29.9, 'X', 2},
                          {-0.1, 'X', -1},
                          {30.1, 'X', -1},
                          {30.0, 'X', -1},  // the larger end holds no segment
                          {kNaN, 'X', -1},
                      });
}

TEST(TAxis, GetIndexOnADescendingAxis) {
    std::unique_ptr<TAxis> Axis = MakeAxis(10.0, {{7, 30}, {7, 20}, {7, 10}, {7, 0}});
    CheckCases(*Axis, {
                          {25.0, 'Y', 0},
                          {20.0, 'Y', 0},
                          {19.9, 'Y', 1},
                          {10.0, 'Y', 1},
                          {5.0, 'Y', 2},
                          {0.0, 'Y', 2},
                          {30.0, 'Y', -1},  // the larger end holds no segment
                          {30.5, 'Y', -1},
                          {-0.5, 'Y', -1},
                          {kNaN, 'Y', -1},
                      });
}

TEST(TAxis, GetIndexReadsTheOrdinateTheSelectorNames) {
    // x ascends while y descends; 'X' reads x, any other character reads y.
    std::unique_ptr<TAxis> Axis = MakeAxis(10.0, {{0, 100}, {10, 90}, {20, 80}});
    CheckCases(*Axis, {
                          {15.0, 'X', 1},
                          {95.0, 'Y', 0},
                          {85.0, 'Y', 1},
                          {15.0, 'Y', -1},
                          {95.0, 'X', -1},
                          {95.0, 'Z', 0},
                          {85.0, 'x', 1},
                      });
}

TEST(TAxis, GetIndexWithoutASegmentIsRefused) {
    TAxis Empty(1.0);
    std::unique_ptr<TAxis> One = MakeAxis(1.0, {{5, 5}});
    const double Probes[] = {0.0, 5.0, -5.0, kNaN};
    for (double Probe : Probes) {
        SCOPED_TRACE(testing::Message() << "ordinate " << Probe);
        EXPECT_EQ(kOutOfRange, WhatIsThrown([&] { Empty.GetIndex(Probe, 'X'); }));
        EXPECT_EQ(kOutOfRange, WhatIsThrown([&] { Empty.GetIndex(Probe, 'Y'); }));
        EXPECT_EQ(kOutOfRange, WhatIsThrown([&] { One->GetIndex(Probe, 'X'); }));
        EXPECT_EQ(kOutOfRange, WhatIsThrown([&] { One->GetIndex(Probe, 'Y'); }));
    }
}

TEST(TAxis, GetIndexMatchesALinearScanOnEveryKindOfAxis) {
    const std::vector<std::vector<double>> Axes = {
        {0, 10},
        {10, 0},
        {0, 10, 20, 30},
        {30, 20, 10, 0},
        {-5.5, -1.25, 0, 0.1, 7, 1e6},
        {0, 0, 10, 10, 10, 20, 30, 30},     // repeated points, ascending
        {30, 30, 20, 20, 10, 0, 0},         // repeated points, descending
        {5, 5, 5},                          // no segment holds anything
        {5, 5},
        {0, 30, 10, 20, 40},                // not monotone
        {10, 0, 30, 20},                    // not monotone, ends inside
        {0, 20, 10, 30, 20, 40},            // zigzag
        {0, 10, 0},                         // equal ends
        {40, 10, 30, 0, 20, 5},             // not monotone, falling overall
        {0, 10, 10, 5, 20},                 // repeat then a step back
    };
    for (const std::vector<double>& O : Axes) {
        SCOPED_TRACE(testing::Message() << "axis of " << O.size() << " points starting " << O.front());
        std::unique_ptr<TAxis> Axis = MakeAxisXY(O);
        ExpectMatchesReference(*Axis, 'X');
        ExpectMatchesReference(*Axis, 'Y');
    }
}

TEST(TAxis, GetIndexMatchesALinearScanOnLongAxes) {
    std::mt19937 Random(20240611u);
    std::uniform_real_distribution<double> Coord(-500.0, 500.0);
    std::uniform_int_distribution<int> Small(0, 9);
    for (int Round = 0; Round < 12; ++Round) {
        std::vector<double> O(static_cast<size_t>(50 + 37 * Round));
        // Coarse values so that repeats are common.
        for (double& V : O) V = std::round(Coord(Random) / 25.0) * 25.0;
        switch (Round % 3) {
        case 0: std::sort(O.begin(), O.end()); break;
        case 1: std::sort(O.rbegin(), O.rend()); break;
        default: break;  // left in random order
        }
        if (Round % 4 == 3) O[static_cast<size_t>(Small(Random))] += 1000.0;  // one stray point
        SCOPED_TRACE(testing::Message() << "round " << Round);
        std::vector<double> Extra(300);
        for (double& V : Extra) V = Coord(Random) * 1.2;
        std::unique_ptr<TAxis> Axis = MakeAxisXY(O);
        ExpectMatchesReference(*Axis, 'X', Extra);
        ExpectMatchesReference(*Axis, 'Y', Extra);
    }
}

TEST(TAxis, GetIndexFollowsPointsAddedOrReplacedAfterALookup) {
    // Each change of the points must be seen by the next lookup, whatever
    // was learnt about the axis before it.
    std::unique_ptr<TAxis> Axis = MakeAxisXY({0, 10, 20, 30});
    EXPECT_EQ(1, Axis->GetIndex(15.0, 'X'));
    EXPECT_EQ(1, Axis->GetIndex(15.0, 'Y'));

    Axis->SetPoint(1, new TPoint(25.0, 25.0));  // x: 0 25 20 30, y: 30 25 10 0
    ExpectMatchesReference(*Axis, 'X');
    ExpectMatchesReference(*Axis, 'Y');

    Axis->AddPoint(new TPoint(-10.0, 50.0));  // x: ... -10, y: ... 50
    ExpectMatchesReference(*Axis, 'X');
    ExpectMatchesReference(*Axis, 'Y');

    // Back to monotone, now the other way round in x.
    Axis->SetPoint(0, new TPoint(40.0, 0.0));
    Axis->SetPoint(1, new TPoint(30.0, 10.0));
    Axis->SetPoint(2, new TPoint(20.0, 20.0));
    Axis->SetPoint(3, new TPoint(10.0, 30.0));
    Axis->SetPoint(4, new TPoint(0.0, 40.0));
    EXPECT_EQ(0, Axis->GetIndex(30.0, 'X'));
    EXPECT_EQ(3, Axis->GetIndex(30.0, 'Y'));
    ExpectMatchesReference(*Axis, 'X');
    ExpectMatchesReference(*Axis, 'Y');

    // From monotone to one that is not, by appending.
    Axis->AddPoint(new TPoint(25.0, 15.0));
    ExpectMatchesReference(*Axis, 'X');
    ExpectMatchesReference(*Axis, 'Y');
}

TEST(TAxis, GetIndexOnAnAxisFilledBySlots) {
    TAxis Axis(10.0, 4);
    Axis.SetPoint(3, new TPoint(30.0, 0.0));
    Axis.SetPoint(0, new TPoint(0.0, 30.0));
    Axis.SetPoint(2, new TPoint(20.0, 10.0));
    Axis.SetPoint(1, new TPoint(10.0, 20.0));
    EXPECT_EQ(2, Axis.GetIndex(25.0, 'X'));
    EXPECT_EQ(0, Axis.GetIndex(25.0, 'Y'));
    ExpectMatchesReference(Axis, 'X');
    ExpectMatchesReference(Axis, 'Y');
}

TEST(TAxis, CloneIsADeepTypePreservingCopy) {
    std::unique_ptr<TAxis> Source(new TAxis(2.5));
    Source->AddPoint(new TMapPoint(1.0, 2.0, 10.0));
    Source->AddPoint(new TPoint(3.0, 4.0));
    Source->AddPoint(new TMapPoint(5.0, 6.0, -9999.0));

    std::unique_ptr<TAxis> Copy(Source->Clone());
    ASSERT_EQ(3, Copy->GetSize());
    EXPECT_EQ(2.5, Copy->GetResolution());
    for (long I = 0; I < 3; ++I) {
        SCOPED_TRACE(testing::Message() << "point " << I);
        EXPECT_NE(Source->GetPoint(I), Copy->GetPoint(I));
        EXPECT_EQ(Source->GetPoint(I)->GetX(), Copy->GetPoint(I)->GetX());
        EXPECT_EQ(Source->GetPoint(I)->GetY(), Copy->GetPoint(I)->GetY());
    }
    TMapPoint* First = dynamic_cast<TMapPoint*>(Copy->GetPoint(0));
    TMapPoint* Third = dynamic_cast<TMapPoint*>(Copy->GetPoint(2));
    ASSERT_NE(nullptr, First);
    ASSERT_NE(nullptr, Third);
    EXPECT_EQ(10.0, First->GetValue());
    EXPECT_EQ(-9999.0, Third->GetValue());
    EXPECT_EQ(nullptr, dynamic_cast<TMapPoint*>(Copy->GetPoint(1)));

    // Changing or releasing the copy leaves the source whole.
    First->SetValue(1.0);
    EXPECT_EQ(10.0, static_cast<TMapPoint*>(Source->GetPoint(0))->GetValue());
    Copy.reset();
    EXPECT_EQ(std::vector<double>({1, 3, 5}), Ordinates(*Source, 'X'));
    EXPECT_EQ(10.0, static_cast<TMapPoint*>(Source->GetPoint(0))->GetValue());

    // And the other way round.
    Copy.reset(Source->Clone());
    Source.reset();
    EXPECT_EQ(std::vector<double>({2, 4, 6}), Ordinates(*Copy, 'Y'));
}

TEST(TAxis, CloneOfAnEmptyAxisIsEmpty) {
    TAxis Source(7.0);
    std::unique_ptr<TAxis> Copy(Source.Clone());
    EXPECT_EQ(0, Copy->GetSize());
    EXPECT_EQ(7.0, Copy->GetResolution());
}

struct TSegmentCase {
    long Start, End;
    std::vector<double> Expected;  // x ordinates of the result
    const char* Message;           // or the message thrown
};

TEST(TAxis, GetSegmentByIndex) {
    std::unique_ptr<TAxis> Axis = MakeAxis(10.0, {{0, 1}, {10, 2}, {20, 3}, {30, 4}});
    const TSegmentCase Cases[] = {
        {2, 2, {20}, nullptr},
        {0, 3, {0, 10, 20, 30}, nullptr},
        {1, 2, {10, 20}, nullptr},
        {0, 0, {0}, nullptr},
        {3, 3, {30}, nullptr},
        {3, 2, {}, "Start index is greater than end index in TAxis::GetSegment"},
        {0, 4, {}, "End index is out of range in TAxis::GetSegment"},
        {0, -1, {}, "End index is out of range in TAxis::GetSegment"},
        {-1, 2, {}, "Start index is out of range in TAxis::GetSegment"},
        {4, 4, {}, "Start index is out of range in TAxis::GetSegment"},
        {4, 2, {}, "Start index is out of range in TAxis::GetSegment"},
        {-1, 9, {}, "Start index is out of range in TAxis::GetSegment"},
        {3, 9, {}, "End index is out of range in TAxis::GetSegment"},
    };
    for (const TSegmentCase& Case : Cases) {
        SCOPED_TRACE(testing::Message() << "GetSegment(" << Case.Start << ", " << Case.End << ")");
        if (Case.Message) {
            EXPECT_EQ(Case.Message, WhatIsThrown([&] { delete Axis->GetSegment(Case.Start, Case.End); }));
            continue;
        }
        std::unique_ptr<TAxis> Segment(Axis->GetSegment(Case.Start, Case.End));
        EXPECT_EQ(10.0, Segment->GetResolution());
        EXPECT_EQ(Case.Expected, Ordinates(*Segment, 'X'));
        for (long K = 0; K < Segment->GetSize(); ++K) {
            EXPECT_NE(Axis->GetPoint(Case.Start + K), Segment->GetPoint(K));
            EXPECT_EQ(Axis->GetPoint(Case.Start + K)->GetY(), Segment->GetPoint(K)->GetY());
        }
    }
    EXPECT_EQ(std::vector<double>({0, 10, 20, 30}), Ordinates(*Axis, 'X'));
}

TEST(TAxis, GetSegmentCopiesMapPointsWithTheirValues) {
    std::unique_ptr<TAxis> Axis(new TAxis(1.0));
    for (int I = 0; I < 4; ++I) Axis->AddPoint(new TMapPoint(I, -I, 100.0 + I));
    std::unique_ptr<TAxis> Segment(Axis->GetSegment(1, 2));
    ASSERT_EQ(2, Segment->GetSize());
    for (long K = 0; K < 2; ++K) {
        TMapPoint* Point = dynamic_cast<TMapPoint*>(Segment->GetPoint(K));
        ASSERT_NE(nullptr, Point);
        EXPECT_EQ(101.0 + K, Point->GetValue());
    }
    Axis.reset();
    EXPECT_EQ(std::vector<double>({1, 2}), Ordinates(*Segment, 'X'));
}

TEST(TAxis, GetSegmentByPoints) {
    // x ascends, y descends.
    std::unique_ptr<TAxis> Axis =
        MakeAxis(10.0, {{0, 40}, {10, 30}, {20, 20}, {30, 10}, {40, 0}});
    TPoint A(5.0, 35.0), B(25.0, 15.0), C(10.0, 30.0);

    std::unique_ptr<TAxis> ByX(Axis->GetSegment(&A, &B, 'X'));  // indices 0 to 2
    EXPECT_EQ(std::vector<double>({0, 10, 20}), Ordinates(*ByX, 'X'));
    EXPECT_EQ(10.0, ByX->GetResolution());

    std::unique_ptr<TAxis> ByY(Axis->GetSegment(&A, &B, 'Y'));  // indices 0 to 2
    EXPECT_EQ(std::vector<double>({40, 30, 20}), Ordinates(*ByY, 'Y'));

    std::unique_ptr<TAxis> Single(Axis->GetSegment(&C, &C, 'X'));  // index 1
    EXPECT_EQ(std::vector<double>({10}), Ordinates(*Single, 'X'));

    EXPECT_EQ("Start index is greater than end index in TAxis::GetSegment",
              WhatIsThrown([&] { delete Axis->GetSegment(&B, &A, 'X'); }));
    TPoint Outside(50.0, 50.0);
    EXPECT_EQ(kOutOfRange, WhatIsThrown([&] { delete Axis->GetSegment(&A, &Outside, 'X'); }));
    EXPECT_EQ(kOutOfRange, WhatIsThrown([&] { delete Axis->GetSegment(&Outside, &A, 'Y'); }));
}

}  // namespace
