// The Xlib entry points the X11 backend uses, looked up at run time: a host
// that scans plug-ins on a machine without an X server, or without the X
// library, must still load this one.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

// X.h names a query class CursorShape; the platform interface's enum wins.
#undef CursorShape

namespace VSTGUI {
namespace platform {
namespace x11 {

#define QUELT_XLIB_FUNCTIONS(F)                                                                                        \
    F(XOpenDisplay)                                                                                                    \
    F(XCloseDisplay)                                                                                                   \
    F(XCreateWindow)                                                                                                   \
    F(XDestroyWindow)                                                                                                  \
    F(XMapWindow)                                                                                                      \
    F(XResizeWindow)                                                                                                   \
    F(XRaiseWindow)                                                                                                    \
    F(XSelectInput)                                                                                                    \
    F(XSetClassHint)                                                                                                   \
    F(XGetClassHint)                                                                                                   \
    F(XGetWindowAttributes)                                                                                            \
    F(XTranslateCoordinates)                                                                                           \
    F(XQueryTree)                                                                                                      \
    F(XQueryPointer)                                                                                                   \
    F(XFree)                                                                                                           \
    F(XFlush)                                                                                                          \
    F(XSync)                                                                                                           \
    F(XNextRequest)                                                                                                    \
    F(XPending)                                                                                                        \
    F(XEventsQueued)                                                                                                   \
    F(XNextEvent)                                                                                                      \
    F(XCheckTypedEvent)                                                                                                \
    F(XSendEvent)                                                                                                      \
    F(XSetErrorHandler)                                                                                                \
    F(XCreateGC)                                                                                                       \
    F(XFreeGC)                                                                                                         \
    F(XCreateImage)                                                                                                    \
    F(XPutImage)                                                                                                       \
    F(XCreateFontCursor)                                                                                               \
    F(XFreeCursor)                                                                                                     \
    F(XDefineCursor)                                                                                                   \
    F(XUndefineCursor)                                                                                                 \
    F(XInternAtom)                                                                                                     \
    F(XGetAtomName)                                                                                                    \
    F(XChangeProperty)                                                                                                 \
    F(XDeleteProperty)                                                                                                 \
    F(XGetWindowProperty)                                                                                              \
    F(XConvertSelection)

struct Xlib
{
#define QUELT_XLIB_POINTER(name) decltype(&::name) name = nullptr;
    QUELT_XLIB_FUNCTIONS(QUELT_XLIB_POINTER)
#undef QUELT_XLIB_POINTER
};

// The entry points, or null when the library or one of them is missing.
// Loaded once and kept for the life of the process.
const Xlib* xlib();

// Collects the X errors of one display for the length of a scope instead of
// letting Xlib's default handler end the host's process. Errors of other
// displays go on to the handler that was installed before. Scopes nest; the
// outermost one waits for the server's answer to everything sent inside it,
// and sends nothing when nothing was sent inside it.
class ErrorTrap
{
public:
    ErrorTrap(const Xlib& x, Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Whether the server refused anything sent so far in this scope.
    bool failed();

private:
    const Xlib& x;
    Display* display;
    int errorsBefore;
    unsigned long firstRequest;
};

} // namespace x11
} // namespace platform
} // namespace VSTGUI
