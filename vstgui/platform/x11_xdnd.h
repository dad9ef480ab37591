// The receiving side of the XDND protocol (version 5) for the backend's
// windows: file lists (text/uri-list) and text reach a DropListener through
// its four calls, as OLE drags do on Windows.
#pragma once

#include "vstgui/platform/platform.h"
#include "vstgui/platform/x11_library.h"

#include <string>
#include <vector>

namespace VSTGUI {
namespace platform {
namespace x11 {

// One item per file (the local path, or the URI itself when it names no
// local file) from a text/uri-list.
std::vector<std::string> filesFromUriList(const std::string& list);

class XdndReceiver
{
public:
    XdndReceiver(const Xlib& x, Display* display);

    void advertise(::Window window);
    // Also ends a drag over window without telling anyone.
    void withdraw(::Window window);

    // Takes the event when it belongs to a drag; listener is the drop target
    // of the event's window, or null.
    bool handle(const XEvent& event, DropListener* listener);

private:
    struct Drag
    {
        ::Window target = 0;
        ::Window source = 0;
        Atom type = None;
        DragData::Kind kind = DragData::Kind::none;
        std::vector<std::string> items;
        bool requested = false;  // the data was asked of the source
        bool ready = false;      // and has arrived
        bool entered = false;    // the listener heard of the drag
        bool accepted = false;
        bool statusOwed = false;
        bool dropOwed = false;
    };

    void enter(const XClientMessageEvent& message);
    void position(const XClientMessageEvent& message, DropListener* listener);
    void drop(const XClientMessageEvent& message, DropListener* listener);
    void receive(const XSelectionEvent& event, DropListener* listener);
    // Tells the listener what it is owed once the data is known.
    void settle(DropListener* listener);
    void request(Time time);
    void reply(Atom messageType, long flags, long action);

    const Xlib& x;
    Display* display;
    Atom aware, enterAtom, positionAtom, statusAtom, leaveAtom, dropAtom, finishedAtom;
    Atom selection, typeList, actionCopy, property, uriList;
    std::vector<Atom> textTypes;
    Drag drag;
};

} // namespace x11
} // namespace platform
} // namespace VSTGUI
