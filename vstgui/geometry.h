// Value types shared by the whole toolkit: points, rectangles, colours and
// the mouse state word.
#pragma once

#include <cstdint>

namespace VSTGUI {

struct CPoint
{
    int32_t x = 0;
    int32_t y = 0;

    CPoint() = default;
    CPoint(int32_t x, int32_t y) : x(x), y(y) {}

    CPoint& offset(int32_t dx, int32_t dy)
    {
        x += dx;
        y += dy;
        return *this;
    }
    bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const CPoint& o) const { return !(*this == o); }
};

struct CRect
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    CRect() = default;
    CRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
        : left(left), top(top), right(right), bottom(bottom)
    {
    }

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }

    CRect& offset(int32_t dx, int32_t dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }

    // Intersects with b; a rectangle wholly outside b ends with zero width or
    // height at b's edge, never a negative one.
    CRect& bound(const CRect& b)
    {
        if (left < b.left)
            left = b.left;
        if (top < b.top)
            top = b.top;
        if (right > b.right)
            right = b.right;
        if (bottom > b.bottom)
            bottom = b.bottom;
        if (bottom < top)
            bottom = top;
        if (right < left)
            right = left;
        return *this;
    }

    // Rectangles that only touch along an edge or at a corner overlap.
    bool rectOverlap(const CRect& b) const
    {
        return !(right < b.left || left > b.right || bottom < b.top || top > b.bottom);
    }

    // All four edges are inside.
    bool pointInside(const CPoint& p) const
    {
        return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
    }

    bool isEmpty() const { return right <= left || bottom <= top; }

    bool operator==(const CRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
};

struct CColor
{
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;

    bool operator==(const CColor& o) const
    {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
    bool operator!=(const CColor& o) const { return !(*this == o); }
};

constexpr CColor kBlackCColor{0, 0, 0, 255};
constexpr CColor kWhiteCColor{255, 255, 255, 255};
constexpr CColor kTransparentCColor{255, 255, 255, 0};

// Mouse state word. -1 means "not read yet": the receiver asks the drawing
// context for the current state.
enum CButton : int32_t
{
    kLeftButton = 1 << 0,
    kMiddleButton = 1 << 1,
    kRightButton = 1 << 2,
    kShiftKey = 1 << 3,
    kControlKey = 1 << 4,
    kAltKey = 1 << 5,
};

constexpr int32_t kMouseStateUnknown = -1;

} // namespace VSTGUI
