#include "gui_test_support.h"

#include "vstgui/cdraw_context.h"

using namespace guitest;

namespace {

class DrawContextTest : public SoftTest
{
protected:
    void SetUp() override
    {
        SoftTest::SetUp();
        window = soft().createWindow(CRect(100, 50, 140, 80));
    }
    void TearDown() override
    {
        soft().destroyWindow(window);
        SoftTest::TearDown();
    }
    const Pixels& windowPixels() const { return *soft().windowPixels(window); }

    platform::WindowRef window = nullptr;
};

} // namespace

TEST_F(DrawContextTest, FillLeavesTheLeftColumnAndTopRowAndOutlineDrawsExactlyTheBorder)
{
    auto* context = new CDrawContext(nullptr, nullptr, window);
    context->setFillColor(kRed);
    context->fillRect(CRect(0, 0, 10, 10));
    const Pixels& p = windowPixels();
    EXPECT_EQ(countColour(p, CRect(1, 1, 10, 10), rgb(kRed)), 81);
    EXPECT_EQ(countColour(p, CRect(0, 0, 40, 30), rgb(kRed)), 81);
    EXPECT_EQ(p.at(0, 5), 0u);
    EXPECT_EQ(p.at(5, 0), 0u);

    context->setFrameColor(kGreen);
    context->drawRect(CRect(0, 0, 10, 10));
    EXPECT_EQ(countColour(p, CRect(0, 0, 40, 30), rgb(kGreen)), 36);
    for (int32_t i = 0; i < 10; ++i)
    {
        EXPECT_EQ(p.at(i, 0), rgb(kGreen));
        EXPECT_EQ(p.at(i, 9), rgb(kGreen));
        EXPECT_EQ(p.at(0, i), rgb(kGreen));
        EXPECT_EQ(p.at(9, i), rgb(kGreen));
    }
    EXPECT_EQ(p.at(10, 5), 0u);
    EXPECT_EQ(p.at(5, 10), 0u);
    // Together they cover all 100 pixels.
    EXPECT_EQ(countColour(p, CRect(0, 0, 10, 10), rgb(kRed)) + countColour(p, CRect(0, 0, 10, 10), rgb(kGreen)),
              100);
    context->release();
}

TEST_F(DrawContextTest, DrawingIsMovedByTheOffset)
{
    auto* context = new CDrawContext(nullptr, nullptr, window);
    context->offset = CPoint(7, 3);
    context->setFillColor(kBlue);
    context->fillRect(CRect(0, 0, 4, 4));
    context->setFrameColor(kRed);
    context->drawRect(CRect(10, 10, 13, 13));
    const Pixels& p = windowPixels();
    EXPECT_EQ(countColour(p, CRect(8, 4, 11, 7), rgb(kBlue)), 9);
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kBlue)), 9);
    EXPECT_EQ(countColour(p, CRect(17, 13, 20, 16), rgb(kRed)), 8);
    EXPECT_NE(p.at(18, 14), rgb(kRed));
    context->release();
}

TEST_F(DrawContextTest, DegenerateRectanglesDrawLikeTheLineRuleSays)
{
    auto* context = new CDrawContext(nullptr, nullptr, window);
    context->setFrameColor(kRed);
    context->setFillColor(kBlue);
    context->drawRect(CRect(5, 5, 6, 9)); // one pixel wide: one column of 4
    context->fillRect(CRect(20, 5, 21, 9)); // nothing to fill
    const Pixels& p = windowPixels();
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kRed)), 4);
    EXPECT_EQ(countColour(p, CRect(5, 5, 6, 9), rgb(kRed)), 4);
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kBlue)), 0);
    context->release();
}

TEST_F(DrawContextTest, ClipLimitsDrawingAndIsAnsweredInTheCallersCoordinates)
{
    auto* context = new CDrawContext(nullptr, nullptr, window);
    context->offset = CPoint(5, 5);
    context->setClipRect(CRect(0, 0, 4, 4));
    CRect clip;
    EXPECT_EQ(context->getClipRect(clip), CRect(0, 0, 4, 4));
    context->setFillColor(kGreen);
    context->fillRect(CRect(-10, -10, 30, 30));
    const Pixels& p = windowPixels();
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kGreen)), 16);
    EXPECT_EQ(countColour(p, CRect(5, 5, 9, 9), rgb(kGreen)), 16);
    context->release();
}

TEST_F(DrawContextTest, SettersMakeNoPlatformCallWhenNothingChanges)
{
    auto* context = new CDrawContext(nullptr, nullptr, window);
    context->offset = CPoint(2, 2);
    soft().resetCounters();
    context->setClipRect(CRect(0, 0, 5, 5));
    EXPECT_EQ(soft().counters().clipChanges, 1);
    context->setClipRect(CRect(0, 0, 5, 5));
    EXPECT_EQ(soft().counters().clipChanges, 1);
    context->offset = CPoint(0, 0);
    context->setClipRect(CRect(2, 2, 7, 7)); // the same rectangle after moving
    EXPECT_EQ(soft().counters().clipChanges, 1);

    context->setFrameColor(kWhiteCColor);
    context->setLineWidth(1);
    context->setLineStyle(kLineSolid);
    context->setFillColor(kBlackCColor);
    EXPECT_EQ(soft().counters().pensCreated, 0);
    EXPECT_EQ(soft().counters().brushesCreated, 0);

    // Only alpha differs: a new pen all the same.
    context->setFrameColor(CColor{255, 255, 255, 0});
    EXPECT_EQ(soft().counters().pensCreated, 1);
    context->setLineWidth(2);
    EXPECT_EQ(soft().counters().pensCreated, 2);
    context->setLineStyle(kLineOnOffDash);
    EXPECT_EQ(soft().counters().pensCreated, 3);
    context->setFillColor(CColor{0, 0, 0, 0});
    EXPECT_EQ(soft().counters().brushesCreated, 1);
    context->release();
}

TEST_F(DrawContextTest, ConstructionSetsTheDocumentedDefaults)
{
    soft().setCursorPosition(CPoint(0, 0));
    auto* context = new CDrawContext(nullptr, nullptr, window);
    EXPECT_EQ(context->offsetScreen, CPoint(100, 50));
    EXPECT_EQ(context->offset, CPoint(0, 0));
    EXPECT_EQ(context->getFrameColor(), kWhiteCColor);
    EXPECT_EQ(context->getFillColor(), kBlackCColor);
    EXPECT_EQ(context->getFontColor(), kWhiteCColor);
    EXPECT_EQ(context->getLineWidth(), 1);
    EXPECT_EQ(context->getLineStyle(), kLineSolid);
    EXPECT_EQ(context->getDrawMode(), kCopyMode);
    EXPECT_EQ(context->getFont(), kSystemFont);
    EXPECT_EQ(context->getFontSize(), 12);
    CRect clip;
    EXPECT_EQ(context->getClipRect(clip), CRect(0, 0, 1000, 1000));
    context->release();

    // The window's position is read when a context is made.
    soft().moveWindow(window, CRect(-20, 400, 20, 430));
    auto* moved = new CDrawContext(nullptr, nullptr, window);
    EXPECT_EQ(moved->offsetScreen, CPoint(-20, 400));
    moved->release();

    CFrame frame(CRect(0, 0, 600, 36), nullptr, nullptr);
    auto* framed = new CDrawContext(&frame, nullptr, nullptr);
    EXPECT_EQ(framed->getClipRect(clip), CRect(0, 0, 600, 36));
    EXPECT_EQ(framed->offsetScreen, CPoint(0, 0));
    framed->release();
}

TEST_F(DrawContextTest, AContextGivesBackTheSurfaceAsItFoundItAndLeaksNothing)
{
    platform::Surface* surface = soft().acquireWindowSurface(window);
    platform::Object* pen = soft().currentObject(surface, platform::ObjectKind::pen);
    platform::Object* brush = soft().currentObject(surface, platform::ObjectKind::brush);
    platform::Object* font = soft().currentObject(surface, platform::ObjectKind::font);
    const int liveBefore = soft().counters().liveObjects;
    const int surfacesBefore = soft().counters().liveSurfaces;

    auto* context = new CDrawContext(nullptr, surface, window);
    EXPECT_NE(soft().currentObject(surface, platform::ObjectKind::pen), pen);
    EXPECT_NE(soft().currentObject(surface, platform::ObjectKind::brush), brush);
    EXPECT_NE(soft().currentObject(surface, platform::ObjectKind::font), font);
    context->setFrameColor(kRed);
    context->setFillColor(kBlue);
    context->release();

    EXPECT_EQ(soft().currentObject(surface, platform::ObjectKind::pen), pen);
    EXPECT_EQ(soft().currentObject(surface, platform::ObjectKind::brush), brush);
    EXPECT_EQ(soft().currentObject(surface, platform::ObjectKind::font), font);
    EXPECT_EQ(soft().counters().liveObjects, liveBefore);
    EXPECT_EQ(soft().counters().liveSurfaces, surfacesBefore); // the given surface stays the caller's
    soft().releaseWindowSurface(window, surface);

    // A context that fetched the window's surface itself gives it back.
    const int surfaces = soft().counters().liveSurfaces;
    auto* own = new CDrawContext(nullptr, nullptr, window);
    EXPECT_EQ(soft().counters().liveSurfaces, surfaces + 1);
    own->release();
    EXPECT_EQ(soft().counters().liveSurfaces, surfaces);
}

TEST_F(DrawContextTest, AFailedBrushKeepsThePreviousOneButStoresTheColour)
{
    auto* context = new CDrawContext(nullptr, nullptr, window);
    context->setFillColor(kRed);
    soft().setBrushCreationFails(true);
    context->setFillColor(kBlue);
    EXPECT_EQ(context->getFillColor(), kBlue);
    context->fillRect(CRect(0, 0, 5, 5));
    EXPECT_EQ(countColour(windowPixels(), CRect(1, 1, 5, 5), rgb(kRed)), 16);
    context->release();
}

TEST_F(DrawContextTest, ANewOffscreenContextIsBackgroundInEveryPixel)
{
    CFrame frame(CRect(0, 0, 600, 36), nullptr, nullptr);
    auto* offscreen = new COffscreenContext(&frame, 600, 36, kBlackCColor);
    const Pixels& p = pixelsOf(offscreen);
    ASSERT_EQ(p.width, 600);
    ASSERT_EQ(p.height, 36);
    EXPECT_EQ(countColour(p, p.bounds(), 0u), 600 * 36);
    CRect clip;
    EXPECT_EQ(offscreen->getClipRect(clip), CRect(0, 0, 600, 36));
    offscreen->release();

    // Any background, including the pen's own default colour.
    auto* white = new COffscreenContext(&frame, 20, 10, kWhiteCColor);
    EXPECT_EQ(countColour(pixelsOf(white), CRect(0, 0, 20, 10), rgb(kWhiteCColor)), 200);
    white->release();
    auto* grey = new COffscreenContext(&frame, 20, 10, kGrey);
    EXPECT_EQ(countColour(pixelsOf(grey), CRect(0, 0, 20, 10), rgb(kGrey)), 200);
    grey->release();
    EXPECT_EQ(soft().counters().liveSurfaces, 0);
    EXPECT_EQ(soft().counters().liveObjects, 0);
}

TEST_F(DrawContextTest, CopyFromMovesTheBlockByTheTargetsOffset)
{
    CFrame frame(CRect(0, 0, 100, 100), nullptr, nullptr);
    auto* offscreen = new COffscreenContext(&frame, 100, 60, kBlackCColor);
    offscreen->setFillColor(kRed);
    offscreen->fillRect(CRect(23, -1, 48, 48)); // pixels x 24..47, y 0..47
    offscreen->setFillColor(kBlue);
    offscreen->fillRect(CRect(47, -1, 60, 60)); // right of the block

    auto* target = new CDrawContext(nullptr, nullptr, window);
    target->offset = CPoint(1, 2);
    offscreen->copyFrom(target, CRect(10, 5, 34, 53), CPoint(24, 0));
    const Pixels& p = windowPixels();
    // The target window is 40 x 30: what fits of the 24 x 48 block at (11, 7).
    EXPECT_EQ(countColour(p, CRect(11, 7, 35, 30), rgb(kRed)), 24 * 23);
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kRed)), 24 * 23);
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kBlue)), 0);
    EXPECT_EQ(p.at(10, 7), 0u);
    target->release();
    offscreen->release();
}

TEST_F(DrawContextTest, MouseButtonsFollowTheSwapSettingAndTheModifiers)
{
    soft().setButtonState(kLeftButton);
    EXPECT_EQ(CDrawContext::getMouseButtons(), kLeftButton);
    CDrawContext::setButtonsSwapped(true);
    EXPECT_EQ(CDrawContext::getMouseButtons(), 4);
    soft().setButtonState(kRightButton | kMiddleButton);
    EXPECT_EQ(CDrawContext::getMouseButtons(), kLeftButton | kMiddleButton);
    CDrawContext::setButtonsSwapped(false);
    soft().setButtonState(kShiftKey | kControlKey);
    EXPECT_EQ(CDrawContext::getMouseButtons(), 24);
    soft().setButtonState(kAltKey | kRightButton);
    EXPECT_EQ(CDrawContext::getMouseButtons(), kAltKey | kRightButton);
}

TEST_F(DrawContextTest, ACopyWithinOneSurfaceReadsThePixelsAsTheyWereBefore)
{
    CFrame frame(CRect(0, 0, 10, 1), nullptr, nullptr);
    auto* offscreen = new COffscreenContext(&frame, 10, 1, kBlackCColor);
    offscreen->setFrameColor(kRed);
    offscreen->drawRect(CRect(0, 0, 2, 1)); // pixels 0 and 1 red
    offscreen->copyFrom(offscreen, CRect(1, 0, 6, 1), CPoint(0, 0));
    const Pixels& p = pixelsOf(offscreen);
    // Shifted by one as a block: red at 0..2, not smeared to 5.
    EXPECT_EQ(countColour(p, CRect(0, 0, 3, 1), rgb(kRed)), 3);
    EXPECT_EQ(countColour(p, CRect(3, 0, 10, 1), 0u), 7);
    offscreen->release();
}
