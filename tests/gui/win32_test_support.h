// Pieces of the tests that run real windows under wine: pixels read back from
// GDI device contexts, message pumping and child-window counting.
#pragma once

#include "pixel_compare.h"
#include "vstgui/platform/pixels.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace guitest {

using VSTGUI::platform::Pixels;

// Copies a block of any device context into memory through a DIB section.
inline Pixels grab(HDC source, int32_t x, int32_t y, int32_t w, int32_t h)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, source, x, y, SRCCOPY);
    GdiFlush();
    Pixels out(w, h);
    const auto* words = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < out.data.size(); ++i)
        out.data[i] = words[i] & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(dib);
    return out;
}

// Handles every message waiting for this thread's windows.
inline void pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

inline BOOL CALLBACK countWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Every window below parent, at any depth.
inline int childWindows(HWND parent)
{
    int n = 0;
    EnumChildWindows(parent, countWindow, reinterpret_cast<LPARAM>(&n));
    return n;
}

} // namespace guitest
