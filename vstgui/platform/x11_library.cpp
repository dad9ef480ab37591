#include "vstgui/platform/x11_library.h"

#include <dlfcn.h>

namespace VSTGUI {
namespace platform {
namespace x11 {

namespace {

Xlib* load()
{
    void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return nullptr;
    static Xlib table;
    bool complete = true;
#define QUELT_XLIB_LOOKUP(name)                                                                                        \
    table.name = reinterpret_cast<decltype(table.name)>(dlsym(library, #name));                                        \
    complete = complete && table.name;
    QUELT_XLIB_FUNCTIONS(QUELT_XLIB_LOOKUP)
#undef QUELT_XLIB_LOOKUP
    // The library stays loaded: Xlib keeps process-wide state of its own.
    return complete ? &table : nullptr;
}

// The trap's state is process-wide because Xlib's error handler is; all of it
// is touched on the user-interface thread only.
int gDepth = 0;
Display* gTrapped = nullptr;
int gErrors = 0;
XErrorHandler gPrevious = nullptr;

int collect(Display* display, XErrorEvent* error)
{
    if (display == gTrapped)
    {
        ++gErrors;
        return 0;
    }
    return gPrevious ? gPrevious(display, error) : 0;
}

} // namespace

const Xlib* xlib()
{
    static const Xlib* table = load();
    return table;
}

ErrorTrap::ErrorTrap(const Xlib& x, Display* display)
    : x(x), display(display), errorsBefore(gErrors), firstRequest(x.XNextRequest(display))
{
    if (gDepth++ == 0)
    {
        gTrapped = display;
        gPrevious = x.XSetErrorHandler(collect);
    }
}

ErrorTrap::~ErrorTrap()
{
    if (--gDepth > 0)
        return;
    // The round trip that collects the answers is a request itself: made only
    // when this scope sent something, so an idle with nothing to do sends nothing.
    if (x.XNextRequest(display) != firstRequest)
        x.XSync(display, False);
    x.XSetErrorHandler(gPrevious);
    gPrevious = nullptr;
    gTrapped = nullptr;
}

bool ErrorTrap::failed()
{
    x.XSync(display, False);
    return gErrors != errorsBefore;
}

} // namespace x11
} // namespace platform
} // namespace VSTGUI
