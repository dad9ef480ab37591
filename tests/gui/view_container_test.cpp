#include "gui_test_support.h"

#include <cstring>

using namespace guitest;

namespace {

class ViewTreeTest : public SoftTest
{
protected:
    void SetUp() override
    {
        SoftTest::SetUp();
        frame = new CFrame(CRect(0, 0, 200, 100), nullptr, nullptr);
    }
    void TearDown() override
    {
        if (frame)
            frame->release();
        EXPECT_EQ(soft().counters().liveSurfaces, 0);
        EXPECT_EQ(soft().counters().liveObjects, 0);
        EXPECT_EQ(soft().counters().liveImages, 0);
        SoftTest::TearDown();
    }
    ProbeView* probe(const CRect& r, const std::string& name)
    {
        return new ProbeView(r, name, &log);
    }
    // The creator's reference stays with the tree: removing with release
    // (or destroying the container) drops it together with the list's.
    template <typename V>
    V* adopt(CViewContainer* parent, V* view)
    {
        parent->addView(view);
        return view;
    }

    CFrame* frame = nullptr;
    std::vector<std::string> log;
};

} // namespace

TEST_F(ViewTreeTest, AViewStartsAsDocumented)
{
    CView view(CRect(1, 2, 3, 4));
    CRect r;
    EXPECT_EQ(view.getViewSize(r), CRect(1, 2, 3, 4));
    EXPECT_EQ(view.getMouseableArea(r), CRect(1, 2, 3, 4));
    EXPECT_EQ(view.getFrame(), nullptr);
    EXPECT_EQ(view.getParentView(), nullptr);
    EXPECT_FALSE(view.isDirty());
    EXPECT_TRUE(view.getMouseEnabled());
    EXPECT_FALSE(view.getTransparency());
    EXPECT_FALSE(view.wantsFocus());
    EXPECT_EQ(view.getBackground(), nullptr);
    VstKeyCode key{};
    EXPECT_EQ(view.onKeyDown(key), -1);
    EXPECT_EQ(view.onKeyUp(key), -1);
    EXPECT_FALSE(view.onWheel(nullptr, CPoint(), kMouseWheelAxisX, 1.0f));
    EXPECT_FALSE(view.onDrop(nullptr, nullptr, CPoint()));
    EXPECT_EQ(view.getEditor(), nullptr);
    EXPECT_EQ(view.notify(nullptr, kMsgCheckIfViewContainer), 0);
    EXPECT_TRUE(view.isTypeOf("CView"));
    EXPECT_FALSE(view.isTypeOf("CViewContainer"));

    view.setViewSize(CRect(5, 5, 9, 9));
    EXPECT_TRUE(view.isDirty());
    EXPECT_EQ(view.getMouseableArea(r), CRect(1, 2, 3, 4)); // untouched by resizing
}

TEST_F(ViewTreeTest, AContainerStartsDirtyBlackAndInDirtyOnlyMode)
{
    CViewContainer container(CRect(0, 0, 10, 10));
    EXPECT_TRUE(container.isDirty());
    EXPECT_EQ(container.getBackgroundColor(), kBlackCColor);
    EXPECT_EQ(container.getMode(), kUpdateDirtyOnly);
    EXPECT_TRUE(container.getOffscreenDrawing());
    EXPECT_EQ(container.getViewCount(), 0);
    EXPECT_TRUE(container.isTypeOf("CViewContainer"));
    EXPECT_TRUE(container.isTypeOf("CView"));
    EXPECT_FALSE(container.isTypeOf("CFrame"));
    EXPECT_TRUE(frame->isTypeOf("CFrame"));
    EXPECT_EQ(frame->getFrame(), frame);
}

TEST_F(ViewTreeTest, TheCheckMessageIsAnsweredForTheSharedConstantOnly)
{
    CViewContainer container(CRect(0, 0, 10, 10));
    char copy[64];
    std::strcpy(copy, kMsgCheckIfViewContainer);
    EXPECT_EQ(container.notify(nullptr, kMsgCheckIfViewContainer), 1);
    EXPECT_EQ(container.notify(nullptr, copy), 0);
    EXPECT_EQ(container.notify(nullptr, nullptr), 0);
    EXPECT_EQ(frame->notify(nullptr, kMsgCheckIfViewContainer), 1);
}

TEST_F(ViewTreeTest, ChildrenKeepInsertionOrderAndLearnTheirParents)
{
    auto* a = adopt(frame, probe(CRect(0, 0, 10, 10), "a"));
    auto* inner = adopt(frame, new CViewContainer(CRect(50, 0, 100, 50)));
    auto* b = adopt(inner, probe(CRect(0, 0, 10, 10), "b"));
    EXPECT_EQ(frame->getViewCount(), 2);
    EXPECT_EQ(frame->getView(0), a);
    EXPECT_EQ(frame->getView(1), inner);
    EXPECT_EQ(frame->getView(2), nullptr);
    EXPECT_EQ(frame->getView(-1), nullptr);
    EXPECT_TRUE(frame->isChild(a));
    EXPECT_FALSE(frame->isChild(b)); // direct children only
    EXPECT_EQ(a->getParentView(), frame);
    EXPECT_EQ(b->getParentView(), inner);
    EXPECT_EQ(b->getFrame(), frame);
    EXPECT_TRUE(a->isDirty());
    EXPECT_EQ(log, (std::vector<std::string>{"a: attached", "b: attached"}));
    frame->addView(nullptr);
    frame->addView(nullptr, CRect(), false);
    EXPECT_EQ(frame->getViewCount(), 2);
}

TEST_F(ViewTreeTest, ATreeBuiltBottomUpStillKnowsItsFrame)
{
    auto* inner = new CViewContainer(CRect(10, 10, 60, 60));
    auto* deeper = adopt(inner, new CViewContainer(CRect(0, 0, 40, 40)));
    auto* leaf = adopt(deeper, probe(CRect(5, 5, 15, 15), "leaf"));
    EXPECT_EQ(leaf->getFrame(), nullptr);
    adopt(frame, inner);
    EXPECT_EQ(deeper->getFrame(), frame);
    EXPECT_EQ(leaf->getFrame(), frame);
    EXPECT_EQ(frame->getViewAt(CPoint(20, 20), true), leaf);
}

TEST_F(ViewTreeTest, OwnershipFollowsTheReferenceRules)
{
    int destroyed = 0;
    auto* kept = new CountedView(CRect(0, 0, 5, 5), &destroyed);
    frame->addView(kept);
    EXPECT_EQ(kept->getNbReference(), 2);
    frame->removeView(kept, false);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(kept->getNbReference(), 1);
    EXPECT_EQ(kept->getParentView(), nullptr);
    EXPECT_EQ(kept->getFrame(), nullptr);
    EXPECT_EQ(frame->getViewCount(), 0);

    frame->addView(kept);
    frame->removeView(kept, true);
    EXPECT_EQ(destroyed, 1);

    // Not a child: nothing happens.
    auto* stranger = new CountedView(CRect(0, 0, 5, 5), &destroyed);
    frame->removeView(stranger, true);
    EXPECT_EQ(destroyed, 1);
    stranger->release();
    EXPECT_EQ(destroyed, 2);

    // Left in a container that goes: destroyed with it, nested ones too.
    auto* inner = new CViewContainer(CRect(0, 0, 50, 50));
    inner->addView(new CountedView(CRect(0, 0, 5, 5), &destroyed), CRect(0, 0, 5, 5), false);
    frame->addView(new CountedView(CRect(0, 0, 5, 5), &destroyed));
    frame->addView(inner);
    frame->release();
    frame = nullptr;
    EXPECT_EQ(destroyed, 4);
}

TEST_F(ViewTreeTest, RemoveAllDropsTheListsReferencesAndWithReleaseTheCreatorsToo)
{
    int destroyed = 0;
    auto* a = new CountedView(CRect(0, 0, 5, 5), &destroyed);
    auto* b = new CountedView(CRect(0, 0, 5, 5), &destroyed);
    frame->addView(a);
    frame->addView(b);
    frame->removeAll(false);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(a->getNbReference(), 1);
    EXPECT_EQ(b->getParentView(), nullptr);
    frame->addView(a);
    frame->addView(b);
    frame->removeAll(true);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(frame->getViewCount(), 0);
}

TEST_F(ViewTreeTest, RemovingTheFocusViewClearsTheFocusFirst)
{
    auto* a = adopt(frame, probe(CRect(0, 0, 10, 10), "a"));
    a->setWantsFocus(true);
    frame->setFocusView(a);
    EXPECT_EQ(frame->getFocusView(), a);
    log.clear();
    frame->removeView(a, true);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    // The focus was taken away while the view still existed.
    EXPECT_EQ(log, (std::vector<std::string>{"a: loseFocus", "a: removed"}));

    // A focus view inside a container that is removed goes with it.
    auto* inner = adopt(frame, new CViewContainer(CRect(0, 0, 50, 50)));
    auto* b = adopt(inner, probe(CRect(0, 0, 10, 10), "b"));
    frame->setFocusView(b);
    frame->removeView(inner, true);
    EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(ViewTreeTest, MouseGoesToTheTopmostEnabledChildHitInLocalCoordinates)
{
    adopt(frame, probe(CRect(0, 0, 100, 100), "under"));
    auto* inner = adopt(frame, new CViewContainer(CRect(20, 10, 120, 90)));
    adopt(inner, probe(CRect(0, 0, 50, 50), "first"));
    auto* top = adopt(inner, probe(CRect(10, 10, 60, 60), "top"));
    log.clear();

    CPoint where(30, 20);
    frame->onMouseDown(nullptr, where, kLeftButton);
    EXPECT_EQ(log, (std::vector<std::string>{"top: mouse 10,10 b1"}));

    log.clear();
    top->setMouseEnabled(false);
    frame->onMouseDown(nullptr, where, kLeftButton);
    EXPECT_EQ(log, (std::vector<std::string>{"first: mouse 10,10 b1"}));

    // The right and bottom edges of the mouseable area hit.
    log.clear();
    CPoint edge(70, 60); // (50, 50) inside `inner`
    frame->onMouseDown(nullptr, edge, kRightButton);
    EXPECT_EQ(log, (std::vector<std::string>{"first: mouse 50,50 b4"}));

    // Outside every child of `inner`: the walk ends there.
    log.clear();
    CPoint miss(110, 80);
    frame->onMouseDown(nullptr, miss, kLeftButton);
    EXPECT_TRUE(log.empty());
}

TEST_F(ViewTreeTest, UnknownButtonsAreReadFromTheContext)
{
    adopt(frame, probe(CRect(0, 0, 100, 100), "v"));
    log.clear();
    auto* context = new CDrawContext(frame, nullptr, nullptr);
    soft().setButtonState(kLeftButton | kShiftKey);
    CPoint where(5, 5);
    frame->onMouseDown(context, where, kMouseStateUnknown);
    EXPECT_EQ(log, (std::vector<std::string>{"v: mouse 5,5 b9"}));
    log.clear();
    frame->onMouseDown(nullptr, where, kMouseStateUnknown); // no context: left as it is
    EXPECT_EQ(log, (std::vector<std::string>{"v: mouse 5,5 b-1"}));
    context->release();
}

TEST_F(ViewTreeTest, KeysGoFromLastToFirstUntilOneAnswers)
{
    auto* a = adopt(frame, probe(CRect(0, 0, 10, 10), "a"));
    auto* b = adopt(frame, probe(CRect(0, 0, 10, 10), "b"));
    auto* c = adopt(frame, probe(CRect(0, 0, 10, 10), "c"));
    (void)c;
    log.clear();
    VstKeyCode key{};
    EXPECT_EQ(frame->CViewContainer::onKeyDown(key), -1);
    EXPECT_EQ(log, (std::vector<std::string>{"c: keydown", "b: keydown", "a: keydown"}));
    log.clear();
    b->keyAnswer = 0;
    a->keyAnswer = 7;
    EXPECT_EQ(frame->CViewContainer::onKeyUp(key), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"c: keyup", "b: keyup"}));
}

TEST_F(ViewTreeTest, WheelReachesTheChildAtThePointWithShiftedOffsets)
{
    auto* inner = adopt(frame, new CViewContainer(CRect(20, 10, 120, 90)));
    adopt(inner, probe(CRect(0, 0, 50, 50), "w"));
    log.clear();
    auto* context = new CDrawContext(frame, nullptr, nullptr);
    context->offset = CPoint(3, 0);
    EXPECT_TRUE(frame->onWheel(context, CPoint(25, 15), 2.0f));
    // Frame shifts by its (0, 0), the container by (20, 10).
    EXPECT_EQ(log, (std::vector<std::string>{"w: wheel 5,5 d2 o23"}));
    EXPECT_EQ(context->offset, CPoint(3, 0));
    EXPECT_FALSE(frame->onWheel(context, CPoint(190, 95), 1.0f));
    context->release();
}

TEST_F(ViewTreeTest, GetViewAtAndGetCurrentView)
{
    auto* a = adopt(frame, probe(CRect(0, 0, 100, 100), "a"));
    auto* inner = adopt(frame, new CViewContainer(CRect(50, 50, 150, 100)));
    auto* b = adopt(inner, probe(CRect(0, 0, 20, 20), "b"));
    EXPECT_EQ(frame->getViewAt(CPoint(10, 10)), a);
    EXPECT_EQ(frame->getViewAt(CPoint(60, 60)), inner);
    EXPECT_EQ(frame->getViewAt(CPoint(60, 60), true), b);
    EXPECT_EQ(frame->getViewAt(CPoint(140, 90), true), nullptr); // deep answer stands
    EXPECT_EQ(frame->getViewAt(CPoint(190, 10)), nullptr);
    CViewContainer loose(CRect(0, 0, 10, 10));
    EXPECT_EQ(loose.getViewAt(CPoint(1, 1)), nullptr);
    EXPECT_EQ(loose.getCurrentView(), nullptr);

    soft().setCursorPosition(CPoint(65, 65));
    EXPECT_EQ(frame->getCurrentView(), inner);
    EXPECT_EQ(inner->getCurrentView(), b);
    soft().setCursorPosition(CPoint(10, 10));
    EXPECT_EQ(inner->getCurrentView(), nullptr);
}

TEST_F(ViewTreeTest, MouseLocationIsInTheViewsOwnParentCoordinates)
{
    auto* inner = adopt(frame, new CViewContainer(CRect(50, 20, 150, 100)));
    auto* b = adopt(inner, probe(CRect(0, 0, 20, 20), "b"));
    auto* context = new CDrawContext(frame, nullptr, nullptr);
    context->offsetScreen = CPoint(300, 200); // the window on the screen
    soft().setCursorPosition(CPoint(365, 230));
    CPoint where;
    b->getMouseLocation(context, where);
    EXPECT_EQ(where, CPoint(15, 10));
    EXPECT_EQ(context->offsetScreen, CPoint(300, 200));
    EXPECT_EQ(context->offset, CPoint(0, 0));
    inner->getMouseLocation(context, where);
    EXPECT_EQ(where, CPoint(65, 30));
    context->release();
}

TEST_F(ViewTreeTest, FrameAndLocalCoordinatesConvertThroughEveryContainer)
{
    auto* inner = adopt(frame, new CViewContainer(CRect(50, 20, 150, 100)));
    auto* deeper = adopt(inner, new CViewContainer(CRect(5, 6, 50, 50)));
    auto* leaf = adopt(deeper, probe(CRect(1, 1, 4, 4), "leaf"));
    CPoint p(100, 100);
    leaf->frameToLocal(p);
    EXPECT_EQ(p, CPoint(45, 74));
    leaf->localToFrame(p);
    EXPECT_EQ(p, CPoint(100, 100));
}

TEST_F(ViewTreeTest, FocusWalksForwardAndBackwardThroughNestedContainers)
{
    auto* a = adopt(frame, probe(CRect(0, 0, 10, 10), "a"));
    auto* plain = adopt(frame, probe(CRect(0, 0, 10, 10), "plain"));
    auto* inner = adopt(frame, new CViewContainer(CRect(0, 0, 50, 50)));
    auto* b = adopt(inner, probe(CRect(0, 0, 10, 10), "b"));
    auto* c = adopt(frame, probe(CRect(0, 0, 10, 10), "c"));
    for (CView* v : {static_cast<CView*>(a), static_cast<CView*>(b), static_cast<CView*>(c)})
        v->setWantsFocus(true);
    (void)plain;

    EXPECT_TRUE(frame->CViewContainer::focusNextView(nullptr, false));
    EXPECT_EQ(frame->getFocusView(), a);
    EXPECT_TRUE(frame->CViewContainer::focusNextView(a, false));
    EXPECT_EQ(frame->getFocusView(), b);
    EXPECT_TRUE(frame->CViewContainer::focusNextView(inner, false));
    EXPECT_EQ(frame->getFocusView(), c);
    EXPECT_FALSE(frame->CViewContainer::focusNextView(c, false));
    EXPECT_TRUE(frame->CViewContainer::focusNextView(c, true));
    EXPECT_EQ(frame->getFocusView(), b);
    EXPECT_TRUE(frame->CViewContainer::focusNextView(nullptr, true));
    EXPECT_EQ(frame->getFocusView(), c);
}

TEST_F(ViewTreeTest, SetFocusViewDirtiesBothEndsAndTellsTheOldOne)
{
    auto* a = adopt(frame, probe(CRect(0, 0, 10, 10), "a"));
    auto* b = adopt(frame, probe(CRect(0, 0, 10, 10), "b"));
    a->setWantsFocus(true);
    frame->setFocusView(a);
    a->setDirty(false);
    b->setDirty(false);
    log.clear();
    frame->setFocusView(b); // b does not want focus: not dirtied
    EXPECT_FALSE(b->isDirty());
    EXPECT_TRUE(a->isDirty());
    EXPECT_EQ(log, (std::vector<std::string>{"a: loseFocus"}));
}

TEST_F(ViewTreeTest, FocusNoticesReachEveryChildInOrder)
{
    adopt(frame, probe(CRect(0, 0, 10, 10), "a"));
    adopt(frame, probe(CRect(0, 0, 10, 10), "b"));
    log.clear();
    frame->gainFocus(nullptr);
    frame->loseFocus(nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"a: gainFocus", "b: gainFocus", "a: loseFocus", "b: loseFocus"}));
}

TEST_F(ViewTreeTest, DirtinessCountsOnlyChildrenThatShowInsideTheContainer)
{
    auto* inner = adopt(frame, new CViewContainer(CRect(0, 0, 50, 50)));
    auto* partly = adopt(inner, probe(CRect(40, 40, 80, 80), "partly"));
    auto* outside = adopt(inner, probe(CRect(60, 60, 80, 80), "outside"));
    auto* edge = adopt(inner, probe(CRect(50, 0, 70, 10), "edge")); // touches only the edge
    inner->setDirty(false);
    partly->setDirty(false);
    outside->setDirty(true);
    edge->setDirty(true);
    EXPECT_FALSE(inner->isDirty());
    partly->setDirty(true);
    EXPECT_TRUE(inner->isDirty());
    partly->setDirty(false);
    frame->setDirty(false);
    EXPECT_FALSE(frame->isDirty());
    // Dirty marks propagate upwards through the container test.
    auto* leaf = adopt(inner, probe(CRect(1, 1, 5, 5), "leaf"));
    EXPECT_TRUE(frame->isDirty());
    leaf->setDirty(false);
    EXPECT_FALSE(frame->isDirty());
}

TEST_F(ViewTreeTest, DirtySettersMarkAndOffsetDoesNot)
{
    CViewContainer container(CRect(0, 0, 10, 10));
    container.setDirty(false);
    container.setBackgroundOffset(CPoint(3, 4));
    EXPECT_FALSE(container.isDirty());
    EXPECT_EQ(container.getBackgroundOffset(), CPoint(3, 4));
    container.setBackgroundColor(kRed);
    EXPECT_TRUE(container.isDirty());
    EXPECT_EQ(container.getBackgroundColor(), kRed);
}
