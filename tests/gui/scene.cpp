#include "scene.h"

#include "vstgui/platform/soft.h"

namespace guitest {

using namespace VSTGUI;

namespace {

// Fills its rectangle and outlines it in another colour.
class BoxView : public CView
{
public:
    BoxView(const CRect& size, CColor fill, CColor outline) : CView(size), fill(fill), outline(outline) {}
    void draw(CDrawContext* context) override
    {
        context->setFillColor(fill);
        context->fillRect(size);
        context->setFrameColor(outline);
        context->drawRect(size);
        CView::draw(context);
    }

private:
    CColor fill;
    CColor outline;
};

// Draws the lower frame of its strip bitmap with a constant opacity.
class BlendView : public CView
{
public:
    BlendView(const CRect& size, uint8_t alpha) : CView(size), alpha(alpha) {}
    void draw(CDrawContext* context) override
    {
        if (pBackground)
            pBackground->drawAlphaBlend(context, size, CPoint(0, 24), alpha);
        setDirty(false);
    }

private:
    uint8_t alpha;
};

CView* withBitmap(CView* view, int32_t resourceId, bool keyed)
{
    auto* bitmap = new CBitmap(resourceId);
    view->setBackground(bitmap);
    view->setTransparency(keyed);
    bitmap->release();
    return view;
}

} // namespace

void buildScene(CFrame* frame)
{
    frame->setBackgroundColor(CColor{40, 44, 52, 255});

    // A strip of the panel background with a row of keyed buttons over it.
    auto* header = new CViewContainer(CRect(0, 0, kSceneWidth, 36));
    withBitmap(header, 128, false);
    header->setBackgroundOffset(CPoint(50, 0));
    frame->addView(header);
    header->addView(withBitmap(new CView(CRect(22, 6, 49, 30)), 129, true));
    for (int32_t k = 0; k < 5; ++k)
        header->addView(withBitmap(new CView(CRect(49 + 24 * k, 6, 73 + 24 * k, 30)), 130, true));
    header->addView(withBitmap(new CView(CRect(169, 6, 190, 30)), 131, true));
    // Partly beyond the header's right edge: clipped there.
    header->addView(withBitmap(new CView(CRect(212, 6, 260, 30)), 132, true));

    // A body drawn through its own buffer, holding a container drawn straight.
    auto* body = new CViewContainer(CRect(10, 40, 230, 96));
    body->setBackgroundColor(CColor{90, 24, 30, 255});
    frame->addView(body);
    // The panel's white windows keyed out over the body's colour.
    body->addView(withBitmap(new CView(CRect(-60, 20, 160, 56)), 128, true));
    body->addView(new BoxView(CRect(-4, 30, 20, 70), CColor{200, 180, 40, 255}, CColor{10, 10, 10, 255}));

    auto* inner = new CViewContainer(CRect(24, 4, 140, 52));
    inner->setOffscreenDrawing(false);
    inner->setBackgroundColor(CColor{24, 90, 40, 255});
    body->addView(inner);
    inner->addView(new BoxView(CRect(3, 3, 40, 20), CColor{30, 60, 200, 255}, CColor{250, 250, 250, 255}));
    inner->addView(new BoxView(CRect(30, 12, 52, 30), CColor{220, 100, 30, 255}, CColor{0, 0, 0, 255}));
    inner->addView(withBitmap(new BlendView(CRect(56, 2, 80, 26), 160), 133, false));
    inner->addView(withBitmap(new BlendView(CRect(82, 2, 106, 26), 64), 130, false));
    inner->addView(withBitmap(new CView(CRect(60, 28, 108, 52)), 132, true)); // cut by the bottom edge
    inner->addView(new BoxView(CRect(100, 40, 140, 70), CColor{240, 240, 240, 255}, CColor{200, 0, 0, 255}));

    // The splash strip seen through a window narrower than itself.
    body->addView(withBitmap(new CView(CRect(144, 4, 216, 40)), 134, false));
}

platform::Pixels renderSceneSoft()
{
    platform::SoftPlatform& soft = platform::softPlatform();
    platform::Platform* previous = &platform::current();
    platform::install(&soft);
    platform::WindowRef window = soft.createWindow(CRect(0, 0, kSceneWidth, kSceneHeight));
    auto* frame = new CFrame(CRect(0, 0, kSceneWidth, kSceneHeight), nullptr, nullptr);
    buildScene(frame);
    auto* context = new CDrawContext(frame, nullptr, window);
    frame->draw(context);
    context->release();
    frame->release();
    platform::Pixels result = *soft.windowPixels(window);
    soft.destroyWindow(window);
    platform::install(previous);
    return result;
}

} // namespace guitest
