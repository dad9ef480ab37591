// The base of everything that occupies a rectangle of the editor.
#pragma once

#include "host/vst_interface.h"
#include "vstgui/cbitmap.h"
#include "vstgui/cdraw_context.h"
#include "vstgui/creference_counter.h"
#include "vstgui/geometry.h"

namespace VSTGUI {

class CFrame;
class CDragContainer;
class CViewContainer;

enum CMouseWheelAxis : int32_t
{
    kMouseWheelAxisX = 0,
    kMouseWheelAxisY = 1,
};

// Answered with 1 by containers, and only when the message is this very
// pointer: a copy of the text is a different message.
extern const char* const kMsgCheckIfViewContainer;

class CView : public CReferenceCounter
{
public:
    explicit CView(const CRect& size);
    ~CView() override;

    virtual void draw(CDrawContext* context);
    virtual void drawRect(CDrawContext* context, const CRect& updateRect);
    virtual bool overlapsUpdate(const CRect& rect) const;
    virtual void onMouseDown(CDrawContext* context, CPoint& where, int32_t buttons = kMouseStateUnknown);
    virtual void setBackground(CBitmap* background);
    virtual CBitmap* getBackground() const;
    virtual int32_t onKeyDown(VstKeyCode& keyCode);
    virtual int32_t onKeyUp(VstKeyCode& keyCode);
    virtual bool onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis, float distance);
    virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);
    virtual bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void loseFocus(CDrawContext* context);
    virtual void gainFocus(CDrawContext* context);
    virtual bool isDirty() const;
    virtual void setDirty(bool dirty = true);
    virtual void setMouseEnabled(bool enabled = true);
    virtual bool getMouseEnabled() const;
    virtual void setMouseableArea(const CRect& rect);
    virtual CRect& getMouseableArea(CRect& rect) const;
    virtual bool hitTest(const CPoint& where, int32_t buttons = kMouseStateUnknown);
    virtual void setTransparency(bool transparent);
    virtual bool getTransparency() const;
    virtual void setViewSize(const CRect& rect);
    virtual CRect& getViewSize(CRect& rect) const;
    virtual bool onRemoved(CView* parent);
    virtual bool onAttached(CView* parent);
    virtual void getMouseLocation(CDrawContext* context, CPoint& point);
    virtual CPoint& frameToLocal(CPoint& point) const;
    virtual CPoint& localToFrame(CPoint& point) const;
    virtual void* getEditor() const;
    virtual int32_t notify(CView* sender, const char* message);
    virtual void redrawRect(CDrawContext* context, const CRect& rect);
    virtual bool wantsFocus() const;
    virtual void setWantsFocus(bool wants);
    virtual bool isTypeOf(const char* className) const;
    virtual void update(CDrawContext* context);

    CFrame* getFrame() const { return pParentFrame; }
    CView* getParentView() const { return pParentView; }

protected:
    friend class CViewContainer;

    CRect size;
    CRect mouseableArea;
    CFrame* pParentFrame = nullptr;
    CView* pParentView = nullptr;
    bool bDirty = false;
    bool bMouseEnabled = true;
    bool bTransparencyEnabled = false;
    bool bWantsFocus = false;
    CBitmap* pBackground = nullptr;
};

} // namespace VSTGUI
