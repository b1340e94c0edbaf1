#include "grid/TPoint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

struct TDistanceCase {
    double X1, Y1, X2, Y2;
    double Expected;
};

TEST(TPoint, DistanceIsEuclideanAndSymmetric) {
    const TDistanceCase Cases[] = {
        {0.0, 0.0, 0.0, 0.0, 0.0},
        {7.5, -2.0, 7.5, -2.0, 0.0},
        {0.0, 0.0, 3.0, 4.0, 5.0},
        {-1.0, -1.0, 2.0, 3.0, 5.0},
        {10.0, 0.0, -2.0, 0.0, 12.0},
        {0.0, -6.0, 0.0, 2.0, 8.0},
        {1.0, 1.0, 2.0, 2.0, std::sqrt(2.0)},
    };
    for (const TDistanceCase& Case : Cases) {
        SCOPED_TRACE(testing::Message() << "(" << Case.X1 << "," << Case.Y1 << ") to (" << Case.X2 << ","
                                        << Case.Y2 << ")");
        std::unique_ptr<TPoint> A(new TPoint(Case.X1, Case.Y1));
        std::unique_ptr<TPoint> B(new TPoint(Case.X2, Case.Y2));
        EXPECT_DOUBLE_EQ(Case.Expected, A->Distance(B.get()));
        EXPECT_DOUBLE_EQ(Case.Expected, B->Distance(A.get()));
        // Neither point moves.
        EXPECT_EQ(Case.X1, A->GetX());
        EXPECT_EQ(Case.Y1, A->GetY());
        EXPECT_EQ(Case.X2, B->GetX());
        EXPECT_EQ(Case.Y2, B->GetY());
    }
}

TEST(TPoint, DistanceToItselfIsZero) {
    std::unique_ptr<TPoint> A(new TPoint(123.25, -4.5));
    EXPECT_EQ(0.0, A->Distance(A.get()));
}

TEST(TPoint, DistanceAcceptsAMapPoint) {
    std::unique_ptr<TPoint> A(new TPoint(0.0, 0.0));
    std::unique_ptr<TPoint> B(new TMapPoint(3.0, 4.0, 99.0));
    EXPECT_DOUBLE_EQ(5.0, A->Distance(B.get()));
    EXPECT_DOUBLE_EQ(5.0, B->Distance(A.get()));
}

TEST(TPoint, CloneIsANewPlainPointWithTheSameOrdinates) {
    std::unique_ptr<TPoint> Source(new TPoint(1.5, -2.25));
    std::unique_ptr<TPoint> Copy(Source->Clone());
    ASSERT_NE(nullptr, Copy);
    EXPECT_NE(Source.get(), Copy.get());
    EXPECT_EQ(nullptr, dynamic_cast<TMapPoint*>(Copy.get()));
    EXPECT_EQ(1.5, Copy->GetX());
    EXPECT_EQ(-2.25, Copy->GetY());
}

TEST(TMapPoint, ValueDefaultsToZeroAndCanBeReplaced) {
    std::unique_ptr<TMapPoint> Plain(new TMapPoint(4.0, 5.0));
    EXPECT_EQ(4.0, Plain->GetX());
    EXPECT_EQ(5.0, Plain->GetY());
    EXPECT_EQ(0.0, Plain->GetValue());

    std::unique_ptr<TMapPoint> Valued(new TMapPoint(4.0, 5.0, -9999.0));
    EXPECT_EQ(-9999.0, Valued->GetValue());
    Valued->SetValue(12.5);
    EXPECT_EQ(12.5, Valued->GetValue());
    EXPECT_EQ(4.0, Valued->GetX());
    EXPECT_EQ(5.0, Valued->GetY());
}

TEST(TMapPoint, CloneThroughBasePointerKeepsTypeAndValue) {
    // Held as TPoint*, the way an axis holds its points; released through
    // TPoint* as well, which must release the whole TMapPoint.
    std::unique_ptr<TPoint> Source(new TMapPoint(10.0, 20.0, 7.25));
    std::unique_ptr<TPoint> Copy(Source->Clone());
    ASSERT_NE(nullptr, Copy);
    EXPECT_NE(Source.get(), Copy.get());

    TMapPoint* MapCopy = dynamic_cast<TMapPoint*>(Copy.get());
    ASSERT_NE(nullptr, MapCopy);
    EXPECT_EQ(10.0, MapCopy->GetX());
    EXPECT_EQ(20.0, MapCopy->GetY());
    EXPECT_EQ(7.25, MapCopy->GetValue());

    // The copy is independent of the point it was made from.
    MapCopy->SetValue(-1.0);
    EXPECT_EQ(-1.0, MapCopy->GetValue());
    EXPECT_EQ(7.25, static_cast<TMapPoint*>(Source.get())->GetValue());
}

TEST(TMapPoint, CloneOfACloneKeepsTheValue) {
    std::unique_ptr<TPoint> Source(new TMapPoint(-3.0, 8.0));
    static_cast<TMapPoint*>(Source.get())->SetValue(42.0);
    std::unique_ptr<TPoint> First(Source->Clone());
    std::unique_ptr<TPoint> Second(First->Clone());
    TMapPoint* Last = dynamic_cast<TMapPoint*>(Second.get());
    ASSERT_NE(nullptr, Last);
    EXPECT_EQ(42.0, Last->GetValue());
    EXPECT_EQ(-3.0, Last->GetX());
    EXPECT_EQ(8.0, Last->GetY());
}

}  // namespace
