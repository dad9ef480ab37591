#include "vstgui/platform/platform.h"

#if defined(_WIN32)
#include "vstgui/platform/win32.h"
#elif defined(QUELT_X11)
#include "vstgui/platform/x11.h"
#else
#include "vstgui/platform/soft.h"
#endif

namespace VSTGUI {
namespace platform {

namespace {

Platform* gInstalled = nullptr;
void* gModule = nullptr;

Platform& defaultPlatform()
{
#if defined(_WIN32)
    return win32Platform();
#elif defined(QUELT_X11)
    return x11Platform();
#else
    return softPlatform();
#endif
}

} // namespace

Platform& current() { return gInstalled ? *gInstalled : defaultPlatform(); }

void install(Platform* platform) { gInstalled = platform; }

void setModuleHandle(void* module) { gModule = module; }

void* moduleHandle() { return gModule; }

} // namespace platform
} // namespace VSTGUI
