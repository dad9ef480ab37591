// Shared pieces of the toolkit tests: a fixture on the software backend,
// pixel helpers and a view that records what reaches it.
#pragma once

#include "vstgui/cdrag_container.h"
#include "vstgui/cframe.h"
#include "vstgui/platform/soft.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace guitest {

using namespace VSTGUI;
using platform::Pixels;
using platform::SoftPlatform;

constexpr CColor kRed{255, 0, 0, 255};
constexpr CColor kGreen{0, 255, 0, 255};
constexpr CColor kBlue{0, 0, 255, 255};
constexpr CColor kGrey{128, 128, 128, 255};

inline uint32_t rgb(CColor c) { return platform::packRgb(c); }

// Every test of this kind draws with the software backend, whatever the
// platform's default is.
class SoftTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        platform::install(&soft());
        soft().resetCounters();
        soft().removeAddedImages();
        soft().setButtonState(0);
        soft().setCursorPosition(CPoint(0, 0));
        soft().setBrushCreationFails(false);
        soft().setButtonsSwapped(false);
        soft().setDragAndDropAvailable(true);
        soft().setTicks(0);
        CDrawContext::setButtonsSwapped(false);
    }
    void TearDown() override
    {
        soft().removeAddedImages();
        platform::install(nullptr);
    }
    static SoftPlatform& soft() { return platform::softPlatform(); }
    static const Pixels& pixelsOf(CDrawContext* context)
    {
        return *SoftPlatform::surfacePixels(context->getSystemContext());
    }
};

// Pixels of one colour inside rect (right and bottom excluded).
inline int countColour(const Pixels& p, const CRect& rect, uint32_t colour)
{
    int n = 0;
    for (int32_t y = rect.top; y < rect.bottom; ++y)
        for (int32_t x = rect.left; x < rect.right; ++x)
            n += p.contains(x, y) && p.at(x, y) == colour;
    return n;
}

// A small image: a frame of `border` colour around a `fill` interior.
inline Pixels framedImage(int32_t w, int32_t h, CColor border, CColor fill)
{
    Pixels p(w, h, rgb(fill));
    for (int32_t x = 0; x < w; ++x)
        p.at(x, 0) = p.at(x, h - 1) = rgb(border);
    for (int32_t y = 0; y < h; ++y)
        p.at(0, y) = p.at(w - 1, y) = rgb(border);
    return p;
}

// A view that writes what reaches it into a shared log.
class ProbeView : public CView
{
public:
    ProbeView(const CRect& size, std::string name, std::vector<std::string>* log)
        : CView(size), name(std::move(name)), log(log)
    {
    }

    void draw(CDrawContext* context) override
    {
        ++draws;
        if (fill)
        {
            context->setFillColor(*fill);
            context->fillRect(size);
            context->setFrameColor(*fill);
            context->drawRect(size);
        }
        CView::draw(context);
    }
    void onMouseDown(CDrawContext*, CPoint& where, int32_t buttons) override
    {
        record("mouse " + std::to_string(where.x) + "," + std::to_string(where.y) + " b" + std::to_string(buttons));
    }
    int32_t onKeyDown(VstKeyCode&) override
    {
        record("keydown");
        return keyAnswer;
    }
    int32_t onKeyUp(VstKeyCode&) override
    {
        record("keyup");
        return keyAnswer;
    }
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override
    {
        record("wheel " + std::to_string(where.x) + "," + std::to_string(where.y) + " d" +
               std::to_string(static_cast<int>(distance)) + " o" + std::to_string(context ? context->offset.x : -1));
        return true;
    }
    void onDragEnter(CDrawContext*, CDragContainer* drag, const CPoint& where) override
    {
        recordDrag("dragenter", drag, where);
    }
    void onDragMove(CDrawContext*, CDragContainer* drag, const CPoint& where) override
    {
        recordDrag("dragmove", drag, where);
    }
    void onDragLeave(CDrawContext*, CDragContainer* drag, const CPoint& where) override
    {
        recordDrag("dragleave", drag, where);
    }
    bool onDrop(CDrawContext*, CDragContainer* drag, const CPoint& where) override
    {
        recordDrag("drop", drag, where);
        return dropAnswer;
    }
    void loseFocus(CDrawContext*) override { record("loseFocus"); }
    void gainFocus(CDrawContext*) override { record("gainFocus"); }
    bool onAttached(CView* parent) override
    {
        record("attached");
        return CView::onAttached(parent);
    }
    bool onRemoved(CView* parent) override
    {
        record("removed");
        return CView::onRemoved(parent);
    }

    int draws = 0;
    int32_t keyAnswer = -1;
    bool dropAnswer = true;
    const CColor* fill = nullptr;

private:
    void recordDrag(const char* what, CDragContainer* drag, const CPoint& where)
    {
        record(std::string(what) + " " + std::to_string(where.x) + "," + std::to_string(where.y) + " n" +
               std::to_string(drag ? drag->getCount() : -1));
    }
    void record(const std::string& what)
    {
        if (log)
            log->push_back(name + ": " + what);
    }
    std::string name;
    std::vector<std::string>* log;
};

// Counts destructions, for the ownership tests.
class CountedView : public CView
{
public:
    CountedView(const CRect& size, int* destroyed) : CView(size), destroyed(destroyed) {}
    ~CountedView() override { ++*destroyed; }

private:
    int* destroyed;
};

} // namespace guitest
