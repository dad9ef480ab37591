#include "vstgui/cdraw_context.h"

#include "vstgui/cframe.h"

#include <utility>

namespace VSTGUI {

namespace {

bool gButtonsSwapped = false;

const platform::FontDescription kSystemFontDescription{"Arial", 12, 700, 34, 2, 1, 0, 0};

} // namespace

CDrawContext::OriginShift::OriginShift(CDrawContext* context, const CPoint& by) : context(context)
{
    if (!context)
        return;
    savedOffset = context->offset;
    savedOffsetScreen = context->offsetScreen;
    context->offset.offset(by.x, by.y);
    context->offsetScreen.offset(by.x, by.y);
}

CDrawContext::OriginShift::~OriginShift()
{
    if (!context)
        return;
    context->offset = savedOffset;
    context->offsetScreen = savedOffsetScreen;
}

CDrawContext::CDrawContext(CFrame* frame, platform::Surface* systemContext, platform::WindowRef window)
    : platform(platform::current()), systemContext(systemContext), window(window), frame(frame)
{
    if (frame)
        frame->getViewSize(clipRect);
    else
        clipRect = CRect(0, 0, 1000, 1000);

    if (!this->systemContext && window)
    {
        this->systemContext = platform.acquireWindowSurface(window);
        ownDC = this->systemContext;
    }
    if (this->systemContext)
    {
        oldBrush = platform.currentObject(this->systemContext, platform::ObjectKind::brush);
        oldPen = platform.currentObject(this->systemContext, platform::ObjectKind::pen);
        oldFont = platform.currentObject(this->systemContext, platform::ObjectKind::font);
        platform.prepareSurface(this->systemContext);
    }
    if (window)
    {
        CRect screen;
        if (platform.windowScreenRect(window, screen))
            offsetScreen = CPoint(screen.left, screen.top);
    }

    // The state above differs from every default, so each setter takes effect.
    setFrameColor(kWhiteCColor);
    setLineStyle(kLineSolid);
    setLineWidth(1);
    setFillColor(kBlackCColor);
    setFontColor(kWhiteCColor);
    setFont(kSystemFont);
    setDrawMode(kCopyMode);
}

CDrawContext::~CDrawContext()
{
    if (systemContext)
    {
        if (oldBrush)
            platform.selectObject(systemContext, oldBrush);
        if (oldPen)
            platform.selectObject(systemContext, oldPen);
        if (oldFont)
            platform.selectObject(systemContext, oldFont);
    }
    platform.destroyObject(brush);
    platform.destroyObject(pen);
    platform.destroyObject(font);
    if (ownDC)
        platform.releaseWindowSurface(window, ownDC);
}

void CDrawContext::replacePen()
{
    platform::Object* newPen = platform.createPen(penStyle, frameWidth, frameColor);
    if (!newPen)
        return;
    if (systemContext)
        platform.selectObject(systemContext, newPen);
    platform.destroyObject(pen);
    pen = newPen;
}

void CDrawContext::setFrameColor(CColor color)
{
    if (color == frameColor)
        return;
    frameColor = color;
    replacePen();
}

void CDrawContext::setLineWidth(int32_t width)
{
    if (width == frameWidth)
        return;
    frameWidth = width;
    replacePen();
}

void CDrawContext::setLineStyle(int32_t style)
{
    if (style == lineStyle)
        return;
    lineStyle = style;
    penStyle = style == kLineOnOffDash ? platform::PenStyle::dash : platform::PenStyle::solid;
    replacePen();
}

void CDrawContext::setFillColor(CColor color)
{
    if (color == fillColor)
        return;
    fillColor = color;
    if (systemContext)
        platform.setBackgroundColour(systemContext, color);
    platform::Object* newBrush = platform.createSolidBrush(color);
    if (!newBrush)
        return; // the previous brush stays
    if (systemContext)
        platform.selectObject(systemContext, newBrush);
    platform.destroyObject(brush);
    brush = newBrush;
}

void CDrawContext::setFontColor(CColor color)
{
    fontColor = color;
    if (systemContext)
        platform.setTextColour(systemContext, color);
}

void CDrawContext::setFont(int32_t fontID, int32_t size, int32_t style)
{
    if (fontID < 0 || fontID >= kNumStandardFonts)
        fontID = kSystemFont;
    if (size <= 0)
        size = kSystemFontDescription.height;
    if (fontID == fontId && size == fontSize && style == fontStyle)
        return;
    platform::FontDescription description = kSystemFontDescription;
    description.height = size;
    platform::Object* newFont = platform.createFont(description);
    if (!newFont)
        return;
    if (systemContext)
        platform.selectObject(systemContext, newFont);
    platform.destroyObject(font);
    font = newFont;
    fontId = fontID;
    fontSize = size;
    fontStyle = style;
}

void CDrawContext::setDrawMode(int32_t mode)
{
    // Copy is the only mode; the surface was prepared for it.
    drawMode = mode;
}

void CDrawContext::moveTo(const CPoint& point) { penLoc = point; }

void CDrawContext::setClipRect(const CRect& clip)
{
    CRect r = clip;
    r.offset(offset.x, offset.y);
    if (r == clipRect)
        return;
    clipRect = r;
    if (systemContext)
        platform.setClip(systemContext, r);
}

CRect& CDrawContext::getClipRect(CRect& clip) const
{
    clip = clipRect;
    clip.offset(-offset.x, -offset.y);
    return clip;
}

void CDrawContext::drawRect(const CRect& rect)
{
    CRect r = rect;
    r.offset(offset.x, offset.y);
    platform.outlineRect(systemContext, r);
}

void CDrawContext::fillRect(const CRect& rect)
{
    CRect r = rect;
    r.offset(offset.x, offset.y);
    platform.fillRect(systemContext, CRect(r.left + 1, r.top + 1, r.right, r.bottom), brush);
}

int32_t CDrawContext::getMouseButtons()
{
    const int32_t held = platform::current().physicalButtonState();
    int32_t buttons = held & (kMiddleButton | kShiftKey | kControlKey | kAltKey);
    const int32_t left = gButtonsSwapped ? kRightButton : kLeftButton;
    const int32_t right = gButtonsSwapped ? kLeftButton : kRightButton;
    if (held & kLeftButton)
        buttons |= left;
    if (held & kRightButton)
        buttons |= right;
    return buttons;
}

void CDrawContext::setButtonsSwapped(bool swapped) { gButtonsSwapped = swapped; }

bool CDrawContext::getButtonsSwapped() { return gButtonsSwapped; }

//------------------------------------------------------------------------------

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height, CColor backgroundColor)
    : CDrawContext(frame, nullptr, nullptr), height(height), width(width), backgroundColor(backgroundColor)
{
    clipRect = CRect(0, 0, width, height);
    if (clipRect.right < clipRect.left)
        std::swap(clipRect.left, clipRect.right);
    if (clipRect.bottom < clipRect.top)
        std::swap(clipRect.top, clipRect.bottom);

    systemContext = platform.createMemorySurface(frame ? frame->getSystemWindow() : nullptr, width, height);
    if (systemContext)
    {
        // The pen, brush and font made before the surface existed are put in
        // use now, so the clearing below draws with this context's own state.
        platform.prepareSurface(systemContext);
        platform.selectObject(systemContext, pen);
        platform.selectObject(systemContext, brush);
        platform.selectObject(systemContext, font);
        platform.setBackgroundColour(systemContext, fillColor);
        platform.setTextColour(systemContext, fontColor);
    }

    setFillColor(backgroundColor);
    setFrameColor(backgroundColor);
    const CRect all(0, 0, width, height);
    fillRect(all);
    drawRect(all);
}

COffscreenContext::~COffscreenContext()
{
    if (systemContext)
    {
        platform.destroyMemorySurface(systemContext);
        systemContext = nullptr;
    }
}

void COffscreenContext::copyFrom(CDrawContext* target, const CRect& dest, const CPoint& source)
{
    if (!target)
        return;
    CRect r = dest;
    r.offset(target->offset.x, target->offset.y);
    platform.copy(target->getSystemContext(), r, systemContext, source);
}

} // namespace VSTGUI
