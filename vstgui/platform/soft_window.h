// A window of the software backend's window-system stand-in.
#pragma once

#include "vstgui/platform/soft.h"

namespace VSTGUI {
namespace platform {

struct SoftPlatform::Window
{
    CRect screenRect;
    Pixels pixels;
    WindowRef parent = nullptr;
    std::string className;
    bool caption = false;
    WindowListener* listener = nullptr;  // windows made by createChildWindow
    DropListener* dropTarget = nullptr;
    uint64_t serial = 0;                 // creation order
};

} // namespace platform
} // namespace VSTGUI
