#include "gui_test_support.h"

#include "vstgui/cbitmap.h"

using namespace guitest;

namespace {

constexpr int32_t kStripId = 900;

class BitmapTest : public SoftTest
{
protected:
    void SetUp() override
    {
        SoftTest::SetUp();
        frame = new CFrame(CRect(0, 0, 64, 64), nullptr, nullptr);
        target = new COffscreenContext(frame, 64, 64, kGrey);
    }
    void TearDown() override
    {
        target->release();
        frame->release();
        SoftTest::TearDown();
    }
    const Pixels& pixels() const { return pixelsOf(target); }

    CFrame* frame = nullptr;
    COffscreenContext* target = nullptr;
};

} // namespace

TEST_F(BitmapTest, AllSevenModuleBitmapsLoadAtTheirSizes)
{
    struct Expected
    {
        int32_t id, width, height;
    };
    for (Expected e : {Expected{128, 600, 36}, Expected{129, 27, 48}, Expected{130, 24, 48}, Expected{131, 21, 48},
                       Expected{132, 48, 48}, Expected{133, 24, 48}, Expected{134, 600, 36}})
    {
        auto* bitmap = new CBitmap(e.id);
        EXPECT_TRUE(bitmap->isLoaded()) << e.id;
        EXPECT_EQ(bitmap->getWidth(), e.width) << e.id;
        EXPECT_EQ(bitmap->getHeight(), e.height) << e.id;
        EXPECT_TRUE(bitmap->getNoAlphaChannel());
        EXPECT_EQ(bitmap->getTransparentColor(), kTransparentCColor);
        bitmap->release();
    }
    EXPECT_EQ(soft().counters().liveImages, 0);
}

TEST_F(BitmapTest, OnlyTheLow16BitsOfTheResourceNumberCount)
{
    auto* bitmap = new CBitmap(0x10000 + 130);
    EXPECT_EQ(bitmap->getWidth(), 24);
    EXPECT_EQ(bitmap->getResourceId(), 0x10000 + 130);
    bitmap->release();
}

TEST_F(BitmapTest, AMissingResourceGivesAnEmptyBitmapThatDrawsNothing)
{
    auto* bitmap = new CBitmap(4242);
    EXPECT_FALSE(bitmap->isLoaded());
    EXPECT_EQ(bitmap->getWidth(), 0);
    EXPECT_EQ(bitmap->getHeight(), 0);
    const Pixels before = pixels();
    bitmap->draw(target, CRect(0, 0, 10, 10));
    bitmap->drawTransparent(target, CRect(0, 0, 10, 10));
    bitmap->drawAlphaBlend(target, CRect(0, 0, 10, 10), CPoint(0, 0), 200);
    EXPECT_EQ(pixels().data, before.data);
    EXPECT_FALSE(bitmap->loadFromResource(4243));
    bitmap->release();
}

TEST_F(BitmapTest, LoadFromPathAlwaysFailsAndDropsTheImage)
{
    auto* bitmap = new CBitmap(130);
    ASSERT_TRUE(bitmap->isLoaded());
    EXPECT_FALSE(bitmap->loadFromPath("/tmp/anything.bmp"));
    EXPECT_FALSE(bitmap->isLoaded());
    EXPECT_EQ(bitmap->getWidth(), 0);
    EXPECT_FALSE(bitmap->getNoAlphaChannel());
    EXPECT_TRUE(bitmap->loadFromResource(130));
    EXPECT_EQ(bitmap->getWidth(), 24);
    bitmap->release();
    EXPECT_EQ(soft().counters().liveImages, 0);
}

TEST_F(BitmapTest, OpaqueDrawCopiesTheBlockFromTheSourceOffsetWithoutScaling)
{
    Pixels strip(4, 8, rgb(kRed));
    for (int32_t y = 4; y < 8; ++y)
        for (int32_t x = 0; x < 4; ++x)
            strip.at(x, y) = rgb(kBlue);
    soft().addImage(kStripId, strip);
    auto* bitmap = new CBitmap(kStripId);
    target->offset = CPoint(10, 20);
    bitmap->draw(target, CRect(0, 0, 4, 4), CPoint(0, 4)); // the lower frame
    EXPECT_EQ(countColour(pixels(), CRect(10, 20, 14, 24), rgb(kBlue)), 16);
    EXPECT_EQ(countColour(pixels(), pixels().bounds(), rgb(kBlue)), 16);
    EXPECT_EQ(countColour(pixels(), pixels().bounds(), rgb(kRed)), 0);
    // A destination larger than the image is not stretched.
    bitmap->draw(target, CRect(30, 0, 50, 20));
    EXPECT_EQ(countColour(pixels(), CRect(40, 20, 60, 40), rgb(kRed)) + countColour(pixels(), CRect(40, 20, 60, 40), rgb(kBlue)), 32);
    bitmap->release();
}

TEST_F(BitmapTest, TransparentDrawLeavesOutPureWhiteOnly)
{
    Pixels image = framedImage(6, 6, kWhiteCColor, kRed);
    image.at(2, 2) = platform::packRgb(254, 255, 255); // near white is drawn
    soft().addImage(kStripId, image);
    auto* bitmap = new CBitmap(kStripId);
    bitmap->drawTransparent(target, CRect(0, 0, 6, 6));
    EXPECT_EQ(countColour(pixels(), CRect(0, 0, 6, 6), rgb(kGrey)), 20);
    EXPECT_EQ(countColour(pixels(), CRect(0, 0, 6, 6), rgb(kRed)), 15);
    EXPECT_EQ(pixels().at(2, 2), platform::packRgb(254, 255, 255));

    // The key is red, green and blue: alpha plays no part.
    bitmap->setTransparentColor(CColor{255, 0, 0, 17});
    bitmap->drawTransparent(target, CRect(10, 0, 16, 6));
    EXPECT_EQ(countColour(pixels(), CRect(10, 0, 16, 6), rgb(kWhiteCColor)), 20);
    EXPECT_EQ(countColour(pixels(), CRect(10, 0, 16, 6), rgb(kGrey)), 15);
    bitmap->release();
}

TEST_F(BitmapTest, AlphaBlendMixesWithOneConstantOpacity)
{
    soft().addImage(kStripId, Pixels(8, 8, rgb(kWhiteCColor)));
    auto* bitmap = new CBitmap(kStripId);
    bitmap->drawAlphaBlend(target, CRect(0, 0, 8, 8), CPoint(0, 0), 255);
    EXPECT_EQ(countColour(pixels(), CRect(0, 0, 8, 8), rgb(kWhiteCColor)), 64);
    bitmap->drawAlphaBlend(target, CRect(10, 0, 18, 8), CPoint(0, 0), 0);
    EXPECT_EQ(countColour(pixels(), CRect(10, 0, 18, 8), rgb(kGrey)), 64);
    bitmap->drawAlphaBlend(target, CRect(20, 0, 28, 8), CPoint(0, 0), 128);
    // 255 * 128/255 + 128 * 127/255, rounded: 191.75 -> 192
    EXPECT_EQ(pixels().at(20, 0), platform::packRgb(192, 192, 192));
    EXPECT_EQ(countColour(pixels(), CRect(20, 0, 28, 8), platform::packRgb(192, 192, 192)), 64);
    // A source block reaching outside the image blends nothing at all.
    bitmap->drawAlphaBlend(target, CRect(30, 0, 38, 8), CPoint(1, 0), 128);
    EXPECT_EQ(countColour(pixels(), CRect(30, 0, 38, 8), rgb(kGrey)), 64);
    bitmap->release();
}

TEST(BlendChannel, MatchesRoundedArithmeticForEveryInput)
{
    for (int a = 0; a < 256; a += 5)
        for (int s = 0; s < 256; s += 3)
            for (int d = 0; d < 256; d += 7)
            {
                const double exact = (s * a + d * (255.0 - a)) / 255.0;
                const int got = SoftPlatform::blendChannel(uint8_t(d), uint8_t(s), uint8_t(a));
                ASSERT_LE(std::abs(got - exact), 0.5 + 1e-9) << s << " " << d << " " << a;
            }
}

TEST_F(BitmapTest, ViewsHoldTheirBackgroundByReference)
{
    auto* bitmap = new CBitmap(130);
    auto* view = new CView(CRect(0, 0, 24, 24));
    view->setBackground(bitmap);
    EXPECT_EQ(bitmap->getNbReference(), 2);
    bitmap->release(); // the creator lets go; the view keeps it alive
    EXPECT_EQ(soft().counters().liveImages, 1);
    EXPECT_EQ(view->getBackground()->getWidth(), 24);
    view->setBackground(bitmap); // the same bitmap again keeps one reference
    EXPECT_EQ(bitmap->getNbReference(), 1);
    view->release();
    EXPECT_EQ(soft().counters().liveImages, 0);
}
