// A view holding an ordered list of child views: draws them through an
// offscreen buffer of its own, routes input to them and decides which of
// them must be redrawn.
#pragma once

#include "vstgui/cview.h"

namespace VSTGUI {

enum CUpdateMode : int32_t
{
    kUpdateAll = 0,
    kUpdateDirtyOnly = 1,
};

class CViewContainer : public CView
{
public:
    explicit CViewContainer(const CRect& size);
    ~CViewContainer() override;

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    void onMouseDown(CDrawContext* context, CPoint& where, int32_t buttons = kMouseStateUnknown) override;
    int32_t onKeyDown(VstKeyCode& keyCode) override;
    int32_t onKeyUp(VstKeyCode& keyCode) override;
    bool onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis, float distance) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void loseFocus(CDrawContext* context) override;
    void gainFocus(CDrawContext* context) override;
    bool isDirty() const override;
    void setViewSize(const CRect& rect) override;
    bool onRemoved(CView* parent) override;
    bool onAttached(CView* parent) override;
    CPoint& frameToLocal(CPoint& point) const override;
    CPoint& localToFrame(CPoint& point) const override;
    int32_t notify(CView* sender, const char* message) override;
    void redrawRect(CDrawContext* context, const CRect& rect) override;
    bool isTypeOf(const char* className) const override;
    void update(CDrawContext* context) override;

    virtual void addView(CView* view, const CRect& mouseableArea, bool mouseEnabled = true);
    virtual void addView(CView* view);
    virtual void removeView(CView* view, bool withRelease = true);
    virtual void removeAll(bool withRelease = true);
    virtual bool isChild(CView* view) const;
    virtual int32_t getViewCount() const;
    virtual CView* getView(int32_t index) const;
    virtual void setBackgroundColor(CColor color);
    virtual CColor getBackgroundColor() const;
    virtual void setBackgroundOffset(const CPoint& offset);
    virtual const CPoint& getBackgroundOffset() const;
    virtual void drawBackgroundRect(CDrawContext* context, const CRect& rect);
    virtual void setMode(int32_t mode);
    virtual int32_t getMode() const;
    virtual void setOffscreenDrawing(bool enabled);
    virtual CView* getCurrentView() const;
    virtual CView* getViewAt(const CPoint& where, bool deep = false) const;
    virtual bool focusNextView(CView* oldFocus = nullptr, bool reverse = false);

    bool getOffscreenDrawing() const { return bDrawInOffscreen; }
    // The child a drag in progress is over.
    CView* getCurrentDragView() const { return pCurrentDragView; }
    COffscreenContext* getOffscreenContext() const { return pOffscreenContext; }
    // True when view is a child, a child of a child, and so on.
    bool isDescendant(const CView* view) const;

protected:
    // One node per child, holding one reference to it.
    struct CCView
    {
        CView* pView;
        CCView* pNext;
        CCView* pPrevious;
    };

    // Where a container draws: its offscreen buffer, or the given context
    // shifted to the container's origin until restore().
    class DrawTarget
    {
    public:
        DrawTarget(CViewContainer& container, CDrawContext* context);
        CDrawContext* get() const { return target; }

    private:
        CDrawContext::OriginShift shift;
        CDrawContext* target;
    };

    // The given context's clip in this container's drawing coordinates;
    // kept receives it as read, for restoring afterwards.
    CRect readClip(CDrawContext* context, CRect& kept) const;
    // Everything removing a child does before its list node goes.
    void detachChild(CView* view, bool withRelease);

    // Children from last to first; the first answer other than -1 counts.
    using KeyHandler = int32_t (CView::*)(VstKeyCode&);
    int32_t routeKey(KeyHandler handler, VstKeyCode& keyCode);

    void createOffscreenContext();
    void releaseOffscreenContext();
    CRect localBounds() const { return CRect(0, 0, size.width(), size.height()); }
    void drawBackground(CDrawContext* target, const CRect& rect, const CRect& destination);
    void attachSubtree(CFrame* frame);
    // The child a drag was over hears that it left; no child is current then.
    void leaveDragView(CDrawContext* context, CDragContainer* drag, const CPoint& local);

    CCView* pFirstView = nullptr;
    CCView* pLastView = nullptr;
    int32_t mode = kUpdateDirtyOnly;
    COffscreenContext* pOffscreenContext = nullptr;
    CColor backgroundColor = kBlackCColor;
    CPoint backgroundOffset;
    bool bDrawInOffscreen = true;
    CView* pCurrentDragView = nullptr;
};

} // namespace VSTGUI
