#include "vstgui/creference_counter.h"
#include "vstgui/geometry.h"

#include <gtest/gtest.h>

using namespace VSTGUI;

TEST(CRectTest, BoundingByADisjointRectangleLeavesZeroSizeNeverNegative)
{
    CRect r(10, 10, 20, 20);
    r.bound(CRect(30, 30, 40, 40));
    EXPECT_EQ(r, CRect(30, 30, 30, 30));

    CRect leftOf(50, 0, 60, 10);
    leftOf.bound(CRect(0, 0, 20, 10));
    EXPECT_EQ(leftOf.width(), 0);
    EXPECT_EQ(leftOf.left, 50);

    CRect above(0, 50, 10, 60);
    above.bound(CRect(0, 0, 10, 20));
    EXPECT_EQ(above.height(), 0);
}

TEST(CRectTest, BoundingIntersectsOverlappingRectangles)
{
    CRect r(0, 0, 100, 50);
    r.bound(CRect(20, -10, 60, 30));
    EXPECT_EQ(r, CRect(20, 0, 60, 30));
}

TEST(CRectTest, OverlapIncludesSharedEdgesAndCorners)
{
    EXPECT_TRUE(CRect(0, 0, 10, 10).rectOverlap(CRect(10, 10, 20, 20)));
    EXPECT_TRUE(CRect(0, 0, 10, 10).rectOverlap(CRect(10, 0, 20, 10)));
    EXPECT_FALSE(CRect(0, 0, 10, 10).rectOverlap(CRect(11, 0, 20, 10)));
    EXPECT_FALSE(CRect(0, 0, 10, 10).rectOverlap(CRect(0, 11, 10, 20)));
    EXPECT_FALSE(CRect(12, 0, 20, 10).rectOverlap(CRect(0, 0, 11, 10)));
    EXPECT_FALSE(CRect(0, 12, 10, 20).rectOverlap(CRect(0, 0, 10, 11)));
}

TEST(CRectTest, PointInsideIncludesAllFourEdges)
{
    const CRect r(0, 0, 10, 10);
    EXPECT_TRUE(r.pointInside(CPoint(10, 10)));
    EXPECT_TRUE(r.pointInside(CPoint(0, 0)));
    EXPECT_TRUE(r.pointInside(CPoint(10, 0)));
    EXPECT_FALSE(r.pointInside(CPoint(11, 5)));
    EXPECT_FALSE(r.pointInside(CPoint(5, -1)));
}

TEST(CRectTest, OffsetMovesBothEdgesOfEachAxis)
{
    CRect r(1, 2, 3, 4);
    r.offset(10, -20);
    EXPECT_EQ(r, CRect(11, -18, 13, -16));
    EXPECT_EQ(r.width(), 2);
    EXPECT_EQ(r.height(), 2);
}

TEST(CColorTest, IsFourBytesAndTheConstantsMatchTheirMeaning)
{
    static_assert(sizeof(CColor) == 4, "a colour is passed by value in four bytes");
    EXPECT_EQ(kBlackCColor, (CColor{0, 0, 0, 255}));
    EXPECT_EQ(kWhiteCColor, (CColor{255, 255, 255, 255}));
    EXPECT_EQ(kTransparentCColor, (CColor{255, 255, 255, 0}));
    EXPECT_NE(kWhiteCColor, kTransparentCColor);
}

namespace {

class Tracked : public CReferenceCounter
{
public:
    explicit Tracked(int* destroyed) : destroyed(destroyed) {}
    ~Tracked() override { ++*destroyed; }

private:
    int* destroyed;
};

} // namespace

TEST(CReferenceCounterTest, TheLastReleaseDestroys)
{
    int destroyed = 0;
    auto* object = new Tracked(&destroyed);
    EXPECT_EQ(object->getNbReference(), 1);
    object->retain();
    EXPECT_EQ(object->getNbReference(), 2);
    object->release();
    EXPECT_EQ(destroyed, 0);
    object->release();
    EXPECT_EQ(destroyed, 1);
}
