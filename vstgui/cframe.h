// The root container of the editor's view tree; its frame is itself. It owns a
// child window inside the host's window and turns the window's paint, button
// and wheel reports into toolkit calls.
#pragma once

#include "vstgui/cview_container.h"
#include "vstgui/platform/platform.h"

namespace VSTGUI {

class CDragContainer;

// What a frame needs of the editor that owns it.
class EditorBinding
{
public:
    virtual ~EditorBinding() = default;
    // A user edit of parameter index begins or ends.
    virtual void beginEdit(int32_t index) = 0;
    virtual void endEdit(int32_t index) = 0;
    // The editor's throttled idle step, run by controls while they track the mouse.
    virtual void doIdleStuff() = 0;
    // Asks the host to give its window this size; true when the host can and did.
    virtual bool sizeWindow(int32_t width, int32_t height) = 0;
    virtual int32_t getKnobMode() const = 0;
};

enum CCursorType : int32_t
{
    kCursorDefault = 0,
    kCursorWait,
    kCursorHSize,
    kCursorVSize,
    kCursorSizeAll,
    kCursorNESWSize,
    kCursorNWSESize,
    kCursorCopy,
    kCursorNotAllowed,
    kCursorHand
};

class CFrame : public CViewContainer, private platform::WindowListener, private platform::DropListener
{
public:
    // parentWindow is the host's window (null: no window is made); editor is
    // the owning editor, answered by getEditor.
    CFrame(const CRect& size, platform::WindowRef parentWindow, EditorBinding* editor);
    ~CFrame() override;

    // Overrides of the container.
    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    void onMouseDown(CDrawContext* context, CPoint& where, int32_t buttons = kMouseStateUnknown) override;
    int32_t onKeyDown(VstKeyCode& keyCode) override;
    int32_t onKeyUp(VstKeyCode& keyCode) override;
    bool onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis, float distance) override;
    using CViewContainer::onWheel;
    void setViewSize(const CRect& rect) override;
    void* getEditor() const override { return pEditor; }
    bool isTypeOf(const char* className) const override;
    void update(CDrawContext* context) override;
    CView* getCurrentView() const override;
    bool focusNextView(CView* oldFocus = nullptr, bool reverse = false) override;

    virtual bool open(CPoint* position = nullptr);
    virtual bool close();
    virtual bool isOpen() const { return bOpenFlag; }
    // Redraws what is dirty, once the window has been painted.
    virtual void idle();
    virtual void doIdleWork();
    virtual uint32_t getTicks() const;
    virtual int32_t getKnobMode() const;
    virtual bool setPosition(int32_t x, int32_t y);
    // The outer window's top-left in its parent's client coordinates.
    virtual bool getPosition(int32_t& x, int32_t& y) const;
    virtual bool setSize(int32_t width, int32_t height);
    virtual bool getSize(CRect* rect) const;
    virtual bool getSize(CRect& rect) const;
    // 1 when installed (or cleared), 0 when another modal view is in place.
    virtual int32_t setModalView(CView* view);
    virtual CView* getModalView() const { return pModalView; }
    virtual void beginEdit(int32_t index);
    virtual void endEdit(int32_t index);
    // The cursor position relative to the frame's window.
    virtual bool getCurrentLocation(CPoint& where);
    virtual void setCursor(CCursorType type);
    virtual void setFocusView(CView* view);
    virtual CView* getFocusView() const { return pFocusView; }
    virtual bool setDropActive(bool active);
    virtual bool isDropActive() const { return bDropActive; }
    virtual void setOpenFlag(bool flag) { bOpenFlag = flag; }
    virtual bool getOpenFlag() const { return bOpenFlag; }
    // Marks every direct child overlapping rect dirty; draws nothing now.
    virtual void invalidate(const CRect& rect);
    // Answers the previous setting.
    virtual bool updatesDisabled(bool disabled);
    virtual bool updatesDisabled() const { return bUpdatesDisabled; }
    // Draws view (a direct child; anything else means the whole frame) now.
    virtual void redrawView(CView* view);

    platform::WindowRef getSystemWindow() const { return window; }
    platform::WindowRef getParentWindow() const { return parentWindow; }
    // The window whose top-left getPosition reports: the first one up the
    // chain with a caption, without a parent, or much larger than its parent.
    platform::WindowRef getOuterWindow() const;
    bool isFirstDraw() const { return bFirstDraw; }
    // Told by containers when one of their children goes, so that no
    // reference to it outlives it.
    void viewRemoved(CView* view);

    // The window class shared by all frames of the module, and how many
    // frames hold it.
    static const char* getClassName();
    static int32_t getClassUseCount();
    // The drag in progress over any frame of the module, if one is.
    static CDragContainer* getCurrentDragContainer();

protected:
    // A context on the frame's window, owned by the caller.
    CDrawContext* makeContext() const;
    void createWindow();

    platform::Platform& platform;
    EditorBinding* pEditor;
    platform::WindowRef parentWindow;
    CView* pModalView = nullptr;
    CView* pFocusView = nullptr;
    bool bFirstDraw = true;
    bool bOpenFlag = true;
    bool bDropActive = false;
    bool bUpdatesDisabled = false;
    platform::WindowRef window = nullptr;
    void* imageLibrary = nullptr;
    bool bDropTargetRegistered = false;
    bool bDragAndDropAvailable = false;
    platform::CursorRef defaultCursor = nullptr;
    bool bDefaultCursorSaved = false;

private:
    enum class DragEvent
    {
        enter,
        move,
        leave,
        drop
    };
    // Hands one drag event to the view tree at the cursor's frame position.
    void routeDrag(DragEvent event);
    void endDrag();

    void windowDestroyed() override;
    void windowPaint(platform::Surface* surface, const CRect& rect) override;
    void windowButtonDown(CPoint where) override;
    void windowWheel(CPoint where, float notches) override;

    bool dropEnter(const platform::DragData& data) override;
    void dropOver() override;
    void dropLeave() override;
    void dropDrop() override;
};

} // namespace VSTGUI
