// A block of 32-bit pixels, 0x00RRGGBB, rows top to bottom.
#pragma once

#include "vstgui/geometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace VSTGUI {
namespace platform {

struct Pixels
{
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> data;

    Pixels() = default;
    Pixels(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w > 0 ? w : 0), height(h > 0 ? h : 0),
          data(static_cast<size_t>(width) * static_cast<size_t>(height), fill)
    {
    }

    bool contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint32_t& at(int32_t x, int32_t y) { return data[static_cast<size_t>(y) * width + x]; }
    uint32_t at(int32_t x, int32_t y) const { return data[static_cast<size_t>(y) * width + x]; }
    CRect bounds() const { return CRect(0, 0, width, height); }
};

constexpr uint32_t packRgb(CColor c)
{
    return (uint32_t(c.red) << 16) | (uint32_t(c.green) << 8) | uint32_t(c.blue);
}

constexpr uint32_t packRgb(uint8_t r, uint8_t g, uint8_t b)
{
    return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

} // namespace platform
} // namespace VSTGUI
