// Drawing surfaces: a context bound to a window or a platform surface, and
// the offscreen context that containers draw into before one block copy.
#pragma once

#include "vstgui/creference_counter.h"
#include "vstgui/geometry.h"
#include "vstgui/platform/platform.h"

namespace VSTGUI {

class CFrame;

enum CDrawMode : int32_t
{
    kCopyMode = 0,
};

enum CLineStyle : int32_t
{
    kLineSolid = 0,
    kLineOnOffDash = 1,
};

enum CFont : int32_t
{
    kSystemFont = 0,
    kNumStandardFonts = 8,
};

class CDrawContext : public CReferenceCounter
{
public:
    // Moves both the drawing origin and the screen offset by `by` for the
    // life of the object; a null context is left alone.
    class OriginShift
    {
    public:
        OriginShift(CDrawContext* context, const CPoint& by);
        ~OriginShift();
        OriginShift(const OriginShift&) = delete;
        OriginShift& operator=(const OriginShift&) = delete;

    private:
        CDrawContext* context;
        CPoint savedOffset;
        CPoint savedOffsetScreen;
    };

    // Either of the last two may be null. Without a surface the context
    // obtains the window's own and gives it back when destroyed.
    CDrawContext(CFrame* frame, platform::Surface* systemContext, platform::WindowRef window);
    ~CDrawContext() override;

    void setFrameColor(CColor color);
    CColor getFrameColor() const { return frameColor; }
    void setLineWidth(int32_t width);
    int32_t getLineWidth() const { return frameWidth; }
    void setLineStyle(int32_t style);
    int32_t getLineStyle() const { return lineStyle; }
    void setFillColor(CColor color);
    CColor getFillColor() const { return fillColor; }
    void setFontColor(CColor color);
    CColor getFontColor() const { return fontColor; }
    void setFont(int32_t fontID, int32_t size = 0, int32_t style = 0);
    int32_t getFont() const { return fontId; }
    int32_t getFontSize() const { return fontSize; }
    void setDrawMode(int32_t mode);
    int32_t getDrawMode() const { return drawMode; }
    void moveTo(const CPoint& point);
    CPoint getPenLoc() const { return penLoc; }

    // Clip rectangles are given and answered in the caller's coordinates.
    void setClipRect(const CRect& clip);
    CRect& getClipRect(CRect& clip) const;

    // Exactly the border pixels of [left, right-1] x [top, bottom-1].
    void drawRect(const CRect& rect);
    // Pixels left+1 .. right-1 and top+1 .. bottom-1: with drawRect every pixel is covered.
    void fillRect(const CRect& rect);

    // The mouse state word of the buttons and modifier keys held right now.
    static int32_t getMouseButtons();
    // The system's swapped-buttons setting, read by the frame's window setup.
    static void setButtonsSwapped(bool swapped);
    static bool getButtonsSwapped();

    CFrame* getFrame() const { return frame; }
    platform::Surface* getSystemContext() const { return systemContext; }
    platform::WindowRef getWindow() const { return window; }
    platform::Platform& getPlatform() const { return platform; }

    // Screen position of the window's top-left corner, and the drawing
    // origin; containers shift both while they draw their children.
    CPoint offsetScreen;
    CPoint offset;

protected:
    void replacePen();
    void selectIntoSurface();

    platform::Platform& platform;
    platform::Surface* systemContext;
    platform::WindowRef window;
    CFrame* frame;

    int32_t fontSize = -1;
    int32_t fontStyle = 0;
    int32_t fontId = kNumStandardFonts;
    CColor fontColor{0, 0, 0, 0};
    CPoint penLoc;
    int32_t frameWidth = 0;
    CColor frameColor{0, 0, 0, 0};
    CColor fillColor{0, 0, 0, 0};
    int32_t lineStyle = kLineOnOffDash;
    int32_t drawMode = 3;
    CRect clipRect;

    platform::Object* brush = nullptr;
    platform::Object* pen = nullptr;
    platform::Object* font = nullptr;
    platform::Object* oldBrush = nullptr;
    platform::Object* oldPen = nullptr;
    platform::Object* oldFont = nullptr;
    platform::PenStyle penStyle = platform::PenStyle::solid;
    platform::Surface* ownDC = nullptr;
};

class COffscreenContext : public CDrawContext
{
public:
    // The surface matches the frame's window and starts filled with backgroundColor.
    COffscreenContext(CFrame* frame, int32_t width, int32_t height, CColor backgroundColor = kBlackCColor);
    ~COffscreenContext() override;

    // Plain copy of dest's size from this surface at source to target's
    // surface at dest, moved by target's drawing origin.
    void copyFrom(CDrawContext* target, const CRect& dest, const CPoint& source = CPoint(0, 0));

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }

protected:
    int32_t height;
    int32_t width;
    bool destroyPixmap = true;
    CColor backgroundColor;
};

} // namespace VSTGUI
