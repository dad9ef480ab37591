#include "gui_test_support.h"

using namespace guitest;

namespace {

class ContainerDrawTest : public SoftTest
{
protected:
    void SetUp() override
    {
        SoftTest::SetUp();
        window = soft().createWindow(CRect(0, 0, 120, 80));
        frame = new CFrame(CRect(0, 0, 120, 80), nullptr, nullptr);
        frame->setBackgroundColor(kGrey);
    }
    void TearDown() override
    {
        frame->release();
        soft().destroyWindow(window);
        EXPECT_EQ(soft().counters().liveSurfaces, 0);
        EXPECT_EQ(soft().counters().liveObjects, 0);
        SoftTest::TearDown();
    }
    CDrawContext* context() { return new CDrawContext(frame, nullptr, window); }
    const Pixels& screen() const { return *soft().windowPixels(window); }
    ProbeView* painted(CViewContainer* parent, const CRect& r, const CColor* colour, const char* name = "v")
    {
        auto* view = new ProbeView(r, name, &log);
        view->fill = colour;
        parent->addView(view);
        return view;
    }
    void drawAll()
    {
        CDrawContext* c = context();
        frame->draw(c);
        c->release();
    }

    platform::WindowRef window = nullptr;
    CFrame* frame = nullptr;
    std::vector<std::string> log;
};

} // namespace

TEST_F(ContainerDrawTest, BackgroundFillLeavesTheTopRowAndLeftColumnOfTheBlackBuffer)
{
    drawAll();
    const Pixels& p = screen();
    EXPECT_EQ(countColour(p, CRect(1, 1, 120, 80), rgb(kGrey)), 119 * 79);
    EXPECT_EQ(countColour(p, CRect(0, 0, 120, 1), 0u), 120);
    EXPECT_EQ(countColour(p, CRect(0, 0, 1, 80), 0u), 80);
    EXPECT_FALSE(frame->isDirty());
    EXPECT_FALSE(frame->isFirstDraw());
}

TEST_F(ContainerDrawTest, NestedOffscreenContainersPlaceAndClipTheirChildren)
{
    auto* inner = new CViewContainer(CRect(20, 10, 60, 50));
    inner->setBackgroundColor(kBlue);
    frame->addView(inner);
    // Partly outside `inner`: only its part inside is visible.
    painted(inner, CRect(30, 30, 60, 60), &kRed);
    drawAll();
    const Pixels& p = screen();
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kRed)), 10 * 10);
    EXPECT_EQ(countColour(p, CRect(50, 40, 60, 50), rgb(kRed)), 100);
    // inner's own buffer: black top row and left column, blue elsewhere but under red.
    EXPECT_EQ(countColour(p, CRect(20, 10, 60, 11), 0u), 40);
    EXPECT_EQ(countColour(p, CRect(20, 10, 21, 50), 0u), 40);
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kBlue)), 39 * 39 - 100);
}

TEST_F(ContainerDrawTest, WithoutOffscreenChildrenDrawStraightIntoTheGivenContext)
{
    auto* inner = new CViewContainer(CRect(20, 10, 60, 50));
    inner->setOffscreenDrawing(false);
    inner->setTransparency(true); // no fill of its own
    frame->addView(inner);
    painted(inner, CRect(0, 0, 5, 5), &kRed);
    CDrawContext* c = context();
    inner->draw(c);
    EXPECT_EQ(c->offset, CPoint(0, 0));
    c->release();
    const Pixels& p = screen();
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kRed)), 25);
    EXPECT_EQ(countColour(p, CRect(20, 10, 25, 15), rgb(kRed)), 25);
    EXPECT_EQ(inner->getOffscreenContext(), nullptr);
}

TEST_F(ContainerDrawTest, BackgroundBitmapIsDrawnFromTheBackgroundOffset)
{
    soft().addImage(901, framedImage(200, 100, kRed, kGreen));
    auto* bitmap = new CBitmap(901);
    auto* inner = new CViewContainer(CRect(10, 10, 50, 50));
    inner->setBackground(bitmap);
    inner->setBackgroundOffset(CPoint(1, 0));
    bitmap->release();
    frame->addView(inner);
    drawAll();
    const Pixels& p = screen();
    // Source column 0 (red) is skipped by the offset; row 0 (red) lands at y 10.
    EXPECT_EQ(countColour(p, CRect(10, 10, 50, 11), rgb(kRed)), 40);
    EXPECT_EQ(countColour(p, CRect(10, 11, 50, 50), rgb(kGreen)), 40 * 39);
}

TEST_F(ContainerDrawTest, PartialRedrawDrawsOnlyTheUpdateRectAndKeepsPartlyDrawnChildrenDirty)
{
    drawAll();
    auto* left = painted(frame, CRect(10, 10, 50, 50), &kRed, "left");
    auto* right = painted(frame, CRect(70, 10, 110, 50), &kGreen, "right");
    auto* far = painted(frame, CRect(0, 60, 10, 70), &kBlue, "far");
    CDrawContext* c = context();
    frame->drawRect(c, CRect(30, 0, 120, 30));
    c->release();
    const Pixels& p = screen();
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kRed)), 20 * 20);        // x 30..49, y 10..29
    EXPECT_EQ(countColour(p, CRect(30, 10, 50, 30), rgb(kRed)), 400);
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kGreen)), 40 * 20);
    EXPECT_TRUE(left->isDirty());  // only partly drawn
    EXPECT_TRUE(right->isDirty()); // its lower half is still missing
    EXPECT_EQ(far->draws, 0);
    EXPECT_TRUE(far->isDirty());

    c = context();
    frame->drawRect(c, CRect(0, 0, 120, 55));
    c->release();
    EXPECT_FALSE(left->isDirty());
    EXPECT_FALSE(right->isDirty());
    EXPECT_EQ(countColour(p, p.bounds(), rgb(kRed)), 40 * 40);
}

TEST_F(ContainerDrawTest, AChildThatOnlyTouchesTheUpdateRectIsSkippedAndStaysAsItWas)
{
    auto* touching = painted(frame, CRect(40, 0, 60, 20), &kRed);
    EXPECT_TRUE(touching->overlapsUpdate(CRect(0, 0, 40, 20)));
    CDrawContext* c = context();
    frame->drawRect(c, CRect(0, 0, 40, 20));
    c->release();
    EXPECT_EQ(touching->draws, 0);
    EXPECT_TRUE(touching->isDirty());
    EXPECT_EQ(countColour(screen(), screen().bounds(), rgb(kRed)), 0);
}

TEST_F(ContainerDrawTest, AnEmptyUpdateRectDrawsNothing)
{
    auto* v = painted(frame, CRect(0, 0, 20, 20), &kRed);
    CDrawContext* c = context();
    frame->drawRect(c, CRect(5, 5, 5, 30));
    c->release();
    EXPECT_EQ(v->draws, 0);
}

TEST_F(ContainerDrawTest, DirtyOnlyUpdateRedrawsJustTheDirtyChildren)
{
    auto* a = painted(frame, CRect(0, 0, 20, 20), &kRed, "a");
    auto* b = painted(frame, CRect(30, 0, 50, 20), &kGreen, "b");
    drawAll();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 1);
    b->setDirty(true);
    CDrawContext* c = context();
    frame->CViewContainer::update(c);
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 2);
    EXPECT_FALSE(frame->isDirty());

    // Nothing dirty: nothing drawn.
    frame->CViewContainer::update(c);
    EXPECT_EQ(b->draws, 2);

    // Update-all redraws everything once something is dirty.
    frame->setMode(kUpdateAll);
    b->setDirty(true);
    frame->CViewContainer::update(c);
    EXPECT_EQ(a->draws, 2);
    EXPECT_EQ(b->draws, 3);

    // Any other mode draws nothing and leaves the flags.
    frame->setMode(7);
    b->setDirty(true);
    frame->CViewContainer::update(c);
    EXPECT_EQ(b->draws, 3);
    EXPECT_TRUE(b->isDirty());
    c->release();
}

TEST_F(ContainerDrawTest, NestedContainersUpdateThemselvesAndRedrawOnlyWhatIsDirty)
{
    auto* inner = new CViewContainer(CRect(20, 10, 100, 70));
    frame->addView(inner);
    auto* a = painted(inner, CRect(0, 0, 10, 10), &kRed, "a");
    auto* b = painted(inner, CRect(20, 0, 30, 10), &kGreen, "b");
    drawAll();
    EXPECT_FALSE(inner->isDirty());
    b->setDirty(true);
    EXPECT_TRUE(frame->isDirty());
    CDrawContext* c = context();
    frame->update(c);
    c->release();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 2);
    EXPECT_FALSE(frame->isDirty());
    // The redraw reached the screen at the right place.
    EXPECT_EQ(countColour(screen(), CRect(40, 10, 50, 20), rgb(kGreen)), 100);
}

TEST_F(ContainerDrawTest, UpdateWithoutAContextAsksTheFrameToRedrawTheView)
{
    auto* v = painted(frame, CRect(0, 0, 10, 10), &kRed);
    v->setDirty(true);
    v->update(nullptr);
    EXPECT_EQ(v->draws, 1);
    EXPECT_FALSE(v->isDirty());
    // A view that is not a child makes the frame draw itself whole.
    ProbeView stranger(CRect(0, 0, 5, 5), "s", nullptr);
    frame->redrawView(&stranger);
    EXPECT_EQ(stranger.draws, 0);
    EXPECT_EQ(v->draws, 2);
}

TEST_F(ContainerDrawTest, AContainerUpdatedWithoutAContextIsRedrawnThroughTheFrame)
{
    auto* inner = new CViewContainer(CRect(10, 10, 60, 60));
    frame->addView(inner);
    auto* v = painted(inner, CRect(0, 0, 10, 10), &kRed);
    ASSERT_TRUE(inner->isDirty());
    inner->update(nullptr);
    EXPECT_EQ(v->draws, 1);
    EXPECT_FALSE(inner->isDirty());
    EXPECT_FALSE(v->isDirty());
}

TEST_F(ContainerDrawTest, ATransparentContainerLetsItsParentRepaintWhatIsBehindIt)
{
    drawAll();
    auto* inner = new CViewContainer(CRect(20, 10, 60, 50));
    inner->setTransparency(true);
    frame->addView(inner);
    auto* behind = painted(frame, CRect(0, 0, 30, 30), &kBlue, "behind");
    frame->removeView(behind, false);
    frame->addView(behind); // now above `inner` in the list
    auto* child = painted(inner, CRect(0, 0, 5, 5), &kRed, "child");
    drawAll();
    const int behindDraws = behind->draws;
    CDrawContext* c = context();
    child->setDirty(true);
    inner->redrawRect(c, CRect(0, 0, 5, 5)); // goes to the frame as (20, 10, 25, 15)
    c->release();
    EXPECT_EQ(behind->draws, behindDraws + 1);
    frame->removeView(behind, true);
}

TEST_F(ContainerDrawTest, ResizingRenewsTheOffscreenBufferAndTurningItOffReleasesIt)
{
    auto* inner = new CViewContainer(CRect(0, 0, 30, 30));
    frame->addView(inner);
    ASSERT_NE(inner->getOffscreenContext(), nullptr); // made when attached
    EXPECT_EQ(inner->getOffscreenContext()->getWidth(), 30);
    inner->setViewSize(CRect(0, 0, 50, 40));
    ASSERT_NE(inner->getOffscreenContext(), nullptr);
    EXPECT_EQ(inner->getOffscreenContext()->getWidth(), 50);
    EXPECT_EQ(inner->getOffscreenContext()->getHeight(), 40);
    inner->setOffscreenDrawing(false);
    EXPECT_EQ(inner->getOffscreenContext(), nullptr);
    inner->setViewSize(CRect(0, 0, 60, 40));
    EXPECT_EQ(inner->getOffscreenContext(), nullptr);
    inner->setOffscreenDrawing(true);
    frame->removeView(inner, false);
    EXPECT_EQ(inner->getOffscreenContext(), nullptr); // released when removed
    inner->release();
}

TEST_F(ContainerDrawTest, DrawingRestoresTheClipAndOffsetsOfTheGivenContext)
{
    auto* inner = new CViewContainer(CRect(20, 10, 60, 50));
    inner->setOffscreenDrawing(false);
    frame->addView(inner);
    painted(inner, CRect(0, 0, 5, 5), &kRed);
    CDrawContext* c = context();
    c->offset = CPoint(1, 1);
    c->setClipRect(CRect(0, 0, 100, 70));
    inner->drawRect(c, CRect(0, 0, 120, 80));
    CRect clip;
    EXPECT_EQ(c->getClipRect(clip), CRect(0, 0, 100, 70));
    EXPECT_EQ(c->offset, CPoint(1, 1));
    c->release();
    EXPECT_EQ(countColour(screen(), CRect(21, 11, 26, 16), rgb(kRed)), 25);
}
