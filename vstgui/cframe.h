// The root container of the editor's view tree; its frame is itself.
#pragma once

#include "vstgui/cview_container.h"
#include "vstgui/platform/platform.h"

namespace VSTGUI {

class CFrame : public CViewContainer
{
public:
    // parentWindow is the host's window; editor is the owning editor object.
    CFrame(const CRect& size, platform::WindowRef parentWindow, void* editor);
    ~CFrame() override;

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    void* getEditor() const override { return pEditor; }
    bool isTypeOf(const char* className) const override;

    virtual void setFocusView(CView* view);
    virtual CView* getFocusView() const { return pFocusView; }
    // The cursor position relative to the frame's window.
    virtual bool getCurrentLocation(CPoint& where);
    // Draws view (a direct child; anything else means the whole frame) now.
    virtual void redrawView(CView* view);

    platform::WindowRef getSystemWindow() const { return window; }
    platform::WindowRef getParentWindow() const { return parentWindow; }
    bool isFirstDraw() const { return bFirstDraw; }

protected:
    // A context on the frame's window, owned by the caller.
    CDrawContext* makeContext();

    platform::Platform& platform;
    void* pEditor;
    platform::WindowRef parentWindow;
    CView* pModalView = nullptr;
    CView* pFocusView = nullptr;
    bool bFirstDraw = true;
    bool bOpenFlag = true;
    bool bDropActive = false;
    bool bUpdatesDisabled = false;
    platform::WindowRef window = nullptr;
    void* imageLibrary = nullptr;
};

} // namespace VSTGUI
