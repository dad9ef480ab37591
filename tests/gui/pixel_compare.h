// Comparing two pictures pixel by pixel, with a readable first difference.
#pragma once

#include "vstgui/platform/pixels.h"

#include <cstdio>
#include <string>

namespace guitest {

using VSTGUI::platform::Pixels;

// How many pixels differ; -1 when the sizes do.
inline int differingPixels(const Pixels& a, const Pixels& b)
{
    if (a.width != b.width || a.height != b.height)
        return -1;
    int n = 0;
    for (size_t i = 0; i < a.data.size(); ++i)
        n += a.data[i] != b.data[i];
    return n;
}

inline std::string firstDifference(const Pixels& a, const Pixels& b)
{
    for (int32_t y = 0; y < a.height; ++y)
        for (int32_t x = 0; x < a.width; ++x)
            if (a.at(x, y) != b.at(x, y))
            {
                char text[96];
                std::snprintf(text, sizeof text, "first at (%d, %d): %06x vs %06x", x, y, a.at(x, y), b.at(x, y));
                return text;
            }
    return "none";
}

} // namespace guitest
