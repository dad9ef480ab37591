#include "vstgui/platform/x11_xdnd.h"

#include <X11/Xatom.h>

#include <climits>
#include <cstring>

namespace VSTGUI {
namespace platform {
namespace x11 {

namespace {

constexpr long kVersion = 5;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const int high = text[i] == '%' && i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low >= 0)
        {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        }
        else
            out += text[i];
    }
    return out;
}

} // namespace

std::vector<std::string> filesFromUriList(const std::string& list)
{
    std::vector<std::string> files;
    size_t start = 0;
    while (start < list.size())
    {
        size_t end = list.find('\n', start);
        if (end == std::string::npos)
            end = list.size();
        std::string line = list.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        // file://host/path and file:/path name local files; the host part is dropped.
        if (line.compare(0, 5, "file:") == 0)
        {
            size_t path = 5;
            if (line.compare(path, 2, "//") == 0)
                path = line.find('/', path + 2);
            if (path != std::string::npos)
            {
                files.push_back(percentDecoded(line.substr(path)));
                continue;
            }
        }
        files.push_back(line);
    }
    return files;
}

XdndReceiver::XdndReceiver(const Xlib& x, Display* display) : x(x), display(display)
{
    auto atom = [&](const char* name) { return x.XInternAtom(display, name, False); };
    aware = atom("XdndAware");
    enterAtom = atom("XdndEnter");
    positionAtom = atom("XdndPosition");
    statusAtom = atom("XdndStatus");
    leaveAtom = atom("XdndLeave");
    dropAtom = atom("XdndDrop");
    finishedAtom = atom("XdndFinished");
    selection = atom("XdndSelection");
    typeList = atom("XdndTypeList");
    actionCopy = atom("XdndActionCopy");
    property = atom("QUELT_XDND_DATA");
    uriList = atom("text/uri-list");
    for (const char* name : {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "STRING"})
        textTypes.push_back(atom(name));
}

void XdndReceiver::advertise(::Window window)
{
    const long version = kVersion;
    x.XChangeProperty(display, window, aware, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&version), 1);
}

void XdndReceiver::withdraw(::Window window)
{
    x.XDeleteProperty(display, window, aware);
    if (drag.target == window)
        drag = Drag();
}

bool XdndReceiver::handle(const XEvent& event, DropListener* listener)
{
    if (event.type == SelectionNotify)
    {
        if (event.xselection.requestor != drag.target || event.xselection.selection != selection)
            return false;
        receive(event.xselection, listener);
        return true;
    }
    if (event.type != ClientMessage || event.xclient.format != 32)
        return false;
    const XClientMessageEvent& message = event.xclient;
    const Atom type = message.message_type;
    if (type == enterAtom)
        enter(message);
    else if (message.window != drag.target || static_cast<::Window>(message.data.l[0]) != drag.source)
        return type == positionAtom || type == leaveAtom || type == dropAtom;  // a drag this side never entered
    else if (type == positionAtom)
        position(message, listener);
    else if (type == dropAtom)
        drop(message, listener);
    else if (type == leaveAtom)
    {
        if (drag.entered && drag.accepted && listener)
            listener->dropLeave();
        drag = Drag();
    }
    else
        return false;
    return true;
}

void XdndReceiver::enter(const XClientMessageEvent& message)
{
    drag = Drag();
    drag.target = message.window;
    drag.source = static_cast<::Window>(message.data.l[0]);
    std::vector<Atom> offered;
    if (message.data.l[1] & 1)
    {
        // More than three types: the full list is a property of the source.
        Atom actual = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        ErrorTrap trap(x, display);
        if (x.XGetWindowProperty(display, drag.source, typeList, 0, 1024, False, XA_ATOM, &actual, &format, &count,
                                 &after, &data) == Success &&
            data && format == 32)
        {
            const long* atoms = reinterpret_cast<const long*>(data);
            for (unsigned long i = 0; i < count; ++i)
                offered.push_back(static_cast<Atom>(atoms[i]));
        }
        if (data)
            x.XFree(data);
    }
    else
        for (int i = 2; i < 5; ++i)
            if (message.data.l[i])
                offered.push_back(static_cast<Atom>(message.data.l[i]));

    auto offers = [&](Atom wanted) {
        for (Atom a : offered)
            if (a == wanted)
                return true;
        return false;
    };
    if (offers(uriList))
    {
        drag.type = uriList;
        drag.kind = DragData::Kind::files;
        return;
    }
    for (Atom text : textTypes)
        if (offers(text))
        {
            drag.type = text;
            drag.kind = DragData::Kind::text;
            return;
        }
    drag.ready = true;  // nothing this side reads: the listener hears of an empty drag
}

void XdndReceiver::position(const XClientMessageEvent& message, DropListener* listener)
{
    if (!drag.ready)
    {
        if (!drag.requested)
            request(static_cast<Time>(message.data.l[3]));
        drag.statusOwed = true;
        return;
    }
    if (drag.entered && drag.accepted && listener)
        listener->dropOver();
    drag.statusOwed = true;
    settle(listener);
}

void XdndReceiver::drop(const XClientMessageEvent& message, DropListener* listener)
{
    drag.dropOwed = true;
    if (!drag.ready)
    {
        if (!drag.requested)
            request(static_cast<Time>(message.data.l[2]));
        return;
    }
    settle(listener);
}

void XdndReceiver::request(Time time)
{
    drag.requested = true;
    ErrorTrap trap(x, display);
    x.XConvertSelection(display, selection, drag.type, property, drag.target, time);
}

void XdndReceiver::receive(const XSelectionEvent& event, DropListener* listener)
{
    std::string text;
    if (event.property != None)
    {
        Atom actual = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        ErrorTrap trap(x, display);
        if (x.XGetWindowProperty(display, drag.target, event.property, 0, LONG_MAX / 4, True, AnyPropertyType,
                                 &actual, &format, &count, &after, &data) == Success &&
            data && format == 8)
            text.assign(reinterpret_cast<const char*>(data), count);
        if (data)
            x.XFree(data);
    }
    if (drag.kind == DragData::Kind::files)
        drag.items = filesFromUriList(text);
    else if (event.property != None)
        drag.items.assign(1, text);
    if (drag.items.empty())
        drag.kind = DragData::Kind::none;
    drag.ready = true;
    settle(listener);
}

void XdndReceiver::settle(DropListener* listener)
{
    if (!drag.entered)
    {
        drag.entered = true;
        std::vector<const char*> texts;
        for (const std::string& item : drag.items)
            texts.push_back(item.c_str());
        DragData data;
        data.kind = drag.kind;
        data.count = static_cast<int32_t>(texts.size());
        data.items = texts.data();
        drag.accepted = listener && listener->dropEnter(data);
    }
    if (drag.statusOwed)
    {
        drag.statusOwed = false;
        // Bit 1: keep sending positions, the views under the cursor may change.
        reply(statusAtom, (drag.accepted ? 1 : 0) | 2, drag.accepted ? static_cast<long>(actionCopy) : None);
    }
    if (drag.dropOwed)
    {
        const bool accepted = drag.accepted && listener;
        if (accepted)
            listener->dropDrop();
        reply(finishedAtom, accepted ? 1 : 0, accepted ? static_cast<long>(actionCopy) : None);
        drag = Drag();
    }
}

void XdndReceiver::reply(Atom messageType, long flags, long action)
{
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = drag.source;
    event.xclient.message_type = messageType;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(drag.target);
    event.xclient.data.l[1] = flags;
    if (messageType == statusAtom)
        event.xclient.data.l[4] = action;  // the rectangle in l[2] and l[3] stays empty
    else
        event.xclient.data.l[2] = action;
    ErrorTrap trap(x, display);
    x.XSendEvent(display, drag.source, False, NoEventMask, &event);
}

} // namespace x11
} // namespace platform
} // namespace VSTGUI
