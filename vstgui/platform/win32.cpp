#include "vstgui/platform/win32.h"

#include "vstgui/platform/win32_drop_target.h"

#include <windows.h>

#include <new>

namespace VSTGUI {
namespace platform {

namespace {

typedef BOOL(WINAPI* AlphaBlendProc)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
typedef BOOL(WINAPI* TransparentBltProc)(HDC, int, int, int, int, HDC, int, int, int, int, UINT);

// Module-wide: looked up while a frame is built, shared by every frame.
AlphaBlendProc gAlphaBlend = nullptr;
TransparentBltProc gTransparentBlt = nullptr;
OSVERSIONINFOEXA gVersion = {};
int gBlitHolders = 0;

HDC dc(Surface* surface) { return reinterpret_cast<HDC>(surface); }
HGDIOBJ gdi(Object* object) { return reinterpret_cast<HGDIOBJ>(object); }
HBITMAP bitmap(Image* image) { return reinterpret_cast<HBITMAP>(image); }
COLORREF rgb(CColor c) { return RGB(c.red, c.green, c.blue); }

bool isWindows98()
{
    return gVersion.dwMajorVersion == 4 && gVersion.dwMinorVersion == 10 && gVersion.dwPlatformId == 1;
}

// An image selected into a memory context compatible with the target, for
// the length of one block transfer.
class SelectedImage
{
public:
    SelectedImage(HDC target, Image* image) : context(CreateCompatibleDC(target))
    {
        if (context)
            previous = SelectObject(context, bitmap(image));
    }
    ~SelectedImage()
    {
        if (!context)
            return;
        SelectObject(context, previous);
        DeleteDC(context);
    }
    HDC get() const { return context; }

private:
    HDC context;
    HGDIOBJ previous = nullptr;
};

// Keys out by hand: image xor, mask and, image xor again. Where the mask is
// 1 the two xors cancel and the surface stays; elsewhere the image lands.
void keyByHand(HDC target, const CRect& d, HDC image, CPoint origin, COLORREF key)
{
    const int w = d.width();
    const int h = d.height();
    const COLORREF oldBackground = SetBkColor(target, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(target, RGB(0, 0, 0));

    HDC maskContext = CreateCompatibleDC(target);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    if (maskContext && mask)
    {
        HGDIOBJ oldMask = SelectObject(maskContext, mask);
        const COLORREF oldImageBackground = SetBkColor(image, key);
        BitBlt(maskContext, 0, 0, w, h, image, origin.x, origin.y, SRCCOPY);
        SetBkColor(image, oldImageBackground);

        BitBlt(target, d.left, d.top, w, h, image, origin.x, origin.y, SRCINVERT);
        BitBlt(target, d.left, d.top, w, h, maskContext, 0, 0, SRCAND);
        BitBlt(target, d.left, d.top, w, h, image, origin.x, origin.y, SRCINVERT);
        SelectObject(maskContext, oldMask);
    }
    if (mask)
        DeleteObject(mask);
    if (maskContext)
        DeleteDC(maskContext);
    SetBkColor(target, oldBackground);
    SetTextColor(target, oldText);
}

HWND hwnd(WindowRef window) { return static_cast<HWND>(window); }

HINSTANCE moduleInstance()
{
    void* module = moduleHandle();
    return module ? static_cast<HINSTANCE>(module) : GetModuleHandleA(nullptr);
}

// Where a window keeps the drop target registered for it here.
const char kDropTargetProperty[] = "Quelt.CDropTarget";

CDropTarget* dropTarget(HWND window)
{
    return window ? static_cast<CDropTarget*>(GetPropA(window, kDropTargetProperty)) : nullptr;
}

void revoke(HWND window)
{
    if (CDropTarget* target = dropTarget(window))
    {
        target->detach();
        RemovePropA(window, kDropTargetProperty);
    }
    // The system's release of its reference destroys the target.
    RevokeDragDrop(window);
}

// The window procedure of every class registered here.
LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* listener = reinterpret_cast<WindowListener*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_DESTROY)
    {
        if (listener)
            listener->windowDestroyed();
        // A registration must not outlive its window, even one nobody revoked.
        if (dropTarget(window))
            revoke(window);
    }
    if (!listener)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message)
    {
    case WM_PAINT:
    {
        RECT update;
        if (!GetUpdateRect(window, &update, FALSE))
            break;
        PAINTSTRUCT paint;
        if (HDC context = BeginPaint(window, &paint))
        {
            const RECT& r = paint.rcPaint;
            listener->windowPaint(reinterpret_cast<Surface*>(context), CRect(r.left, r.top, r.right, r.bottom));
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        listener->windowButtonDown(CPoint(LOWORD(lParam), HIWORD(lParam)));
        return 0;
    case WM_MOUSEWHEEL:
    {
        // The wheel reports the cursor in screen coordinates.
        POINT where = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(window, &where);
        listener->windowWheel(CPoint(where.x, where.y), static_cast<short>(HIWORD(wParam)) / 120.0f);
        // The host's window hears of the wheel too.
        break;
    }
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

Surface* Win32Platform::acquireWindowSurface(WindowRef window)
{
    return reinterpret_cast<Surface*>(GetDC(static_cast<HWND>(window)));
}

void Win32Platform::releaseWindowSurface(WindowRef window, Surface* surface)
{
    if (surface)
        ReleaseDC(static_cast<HWND>(window), dc(surface));
}

bool Win32Platform::windowScreenRect(WindowRef window, CRect& out)
{
    RECT r;
    if (!window || !GetWindowRect(static_cast<HWND>(window), &r))
        return false;
    out = CRect(r.left, r.top, r.right, r.bottom);
    return true;
}

CPoint Win32Platform::cursorScreenPosition()
{
    POINT p = {0, 0};
    GetCursorPos(&p);
    return CPoint(p.x, p.y);
}

int32_t Win32Platform::physicalButtonState()
{
    const auto held = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
    int32_t state = 0;
    if (held(VK_LBUTTON))
        state |= kLeftButton;
    if (held(VK_MBUTTON))
        state |= kMiddleButton;
    if (held(VK_RBUTTON))
        state |= kRightButton;
    if (held(VK_SHIFT))
        state |= kShiftKey;
    if (held(VK_CONTROL))
        state |= kControlKey;
    if (held(VK_MENU))
        state |= kAltKey;
    return state;
}

Surface* Win32Platform::createMemorySurface(WindowRef compatibleWith, int32_t width, int32_t height)
{
    HWND window = static_cast<HWND>(compatibleWith);
    HDC windowContext = GetDC(window);
    if (!windowContext)
        return nullptr;
    HDC memory = CreateCompatibleDC(windowContext);
    HBITMAP pixmap = memory ? CreateCompatibleBitmap(windowContext, width, height) : nullptr;
    ReleaseDC(window, windowContext);
    if (!pixmap)
    {
        if (memory)
            DeleteDC(memory);
        return nullptr;
    }
    SelectObject(memory, pixmap);
    return reinterpret_cast<Surface*>(memory);
}

void Win32Platform::destroyMemorySurface(Surface* surface)
{
    if (!surface)
        return;
    HGDIOBJ pixmap = GetCurrentObject(dc(surface), OBJ_BITMAP);
    DeleteDC(dc(surface));
    if (pixmap)
        DeleteObject(pixmap);
}

Object* Win32Platform::createPen(PenStyle style, int32_t width, CColor colour)
{
    LOGPEN pen;
    pen.lopnStyle = style == PenStyle::dash ? PS_DASH : PS_SOLID;
    pen.lopnWidth.x = width;
    pen.lopnWidth.y = 0;
    pen.lopnColor = rgb(colour);
    return reinterpret_cast<Object*>(CreatePenIndirect(&pen));
}

Object* Win32Platform::createSolidBrush(CColor colour)
{
    LOGBRUSH brush;
    brush.lbStyle = BS_SOLID;
    brush.lbColor = rgb(colour);
    brush.lbHatch = 0;
    return reinterpret_cast<Object*>(CreateBrushIndirect(&brush));
}

Object* Win32Platform::createFont(const FontDescription& description)
{
    LOGFONTA font = {};
    font.lfHeight = description.height;
    font.lfWeight = description.weight;
    font.lfCharSet = description.charSet;
    font.lfOutPrecision = description.outPrecision;
    font.lfClipPrecision = description.clipPrecision;
    font.lfQuality = description.quality;
    font.lfPitchAndFamily = description.pitchAndFamily;
    lstrcpynA(font.lfFaceName, description.face, LF_FACESIZE);
    return reinterpret_cast<Object*>(CreateFontIndirectA(&font));
}

Object* Win32Platform::selectObject(Surface* surface, Object* object)
{
    if (!surface || !object)
        return nullptr;
    return reinterpret_cast<Object*>(SelectObject(dc(surface), gdi(object)));
}

Object* Win32Platform::currentObject(Surface* surface, ObjectKind kind)
{
    if (!surface)
        return nullptr;
    const UINT type = kind == ObjectKind::pen ? OBJ_PEN : kind == ObjectKind::brush ? OBJ_BRUSH : OBJ_FONT;
    return reinterpret_cast<Object*>(GetCurrentObject(dc(surface), type));
}

void Win32Platform::destroyObject(Object* object)
{
    if (object)
        DeleteObject(gdi(object));
}

void Win32Platform::prepareSurface(Surface* surface)
{
    if (!surface)
        return;
    SetBkMode(dc(surface), TRANSPARENT);
    SetROP2(dc(surface), R2_COPYPEN);
}

void Win32Platform::setBackgroundColour(Surface* surface, CColor colour)
{
    if (surface)
        SetBkColor(dc(surface), rgb(colour));
}

void Win32Platform::setTextColour(Surface* surface, CColor colour)
{
    if (surface)
        SetTextColor(dc(surface), rgb(colour));
}

void Win32Platform::setClip(Surface* surface, const CRect& clip)
{
    if (!surface)
        return;
    HRGN region = CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom);
    SelectClipRgn(dc(surface), region);
    if (region)
        DeleteObject(region);
}

void Win32Platform::outlineRect(Surface* surface, const CRect& r)
{
    if (!surface)
        return;
    HDC c = dc(surface);
    MoveToEx(c, r.left, r.top, nullptr);
    LineTo(c, r.right - 1, r.top);
    LineTo(c, r.right - 1, r.bottom - 1);
    LineTo(c, r.left, r.bottom - 1);
    LineTo(c, r.left, r.top);
}

void Win32Platform::fillRect(Surface* surface, const CRect& rect, Object* brush)
{
    if (!surface || !brush || rect.isEmpty())
        return;
    RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    FillRect(dc(surface), &r, reinterpret_cast<HBRUSH>(brush));
}

void Win32Platform::copy(Surface* target, const CRect& d, Surface* source, CPoint origin)
{
    if (!target || !source || d.isEmpty())
        return;
    BitBlt(dc(target), d.left, d.top, d.width(), d.height(), dc(source), origin.x, origin.y, SRCCOPY);
}

Image* Win32Platform::loadImage(int32_t resourceId)
{
    HBITMAP image = LoadBitmapA(moduleInstance(), MAKEINTRESOURCEA(resourceId & 0xFFFF));
    return reinterpret_cast<Image*>(image);
}

bool Win32Platform::imageSize(Image* image, int32_t& width, int32_t& height)
{
    BITMAP info;
    if (!image || !GetObjectA(bitmap(image), sizeof(info), &info))
        return false;
    width = info.bmWidth;
    height = info.bmHeight;
    return true;
}

void Win32Platform::destroyImage(Image* image)
{
    if (image)
        DeleteObject(bitmap(image));
}

void Win32Platform::drawImage(Surface* target, const CRect& d, Image* image, CPoint origin)
{
    if (!target || !image || d.isEmpty())
        return;
    SelectedImage source(dc(target), image);
    if (source.get())
        BitBlt(dc(target), d.left, d.top, d.width(), d.height(), source.get(), origin.x, origin.y, SRCCOPY);
}

void Win32Platform::drawImageKeyed(Surface* target, const CRect& d, Image* image, CPoint origin, CColor key)
{
    if (!target || !image || d.isEmpty())
        return;
    SelectedImage source(dc(target), image);
    if (!source.get())
        return;
    if (gTransparentBlt)
        gTransparentBlt(dc(target), d.left, d.top, d.width(), d.height(), source.get(), origin.x, origin.y,
                        d.width(), d.height(), rgb(key));
    else
        keyByHand(dc(target), d, source.get(), origin, rgb(key));
}

void Win32Platform::drawImageBlended(Surface* target, const CRect& d, Image* image, CPoint origin, uint8_t alpha)
{
    if (!target || !image || d.isEmpty() || !gAlphaBlend)
        return;
    SelectedImage source(dc(target), image);
    if (!source.get())
        return;
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, 0};
    const int w = d.width();
    const int h = d.height();
    if (!isWindows98())
    {
        gAlphaBlend(dc(target), d.left, d.top, w, h, source.get(), origin.x, origin.y, w, h, blend);
        return;
    }
    // Windows 98 blends only from a block of exactly the copied size.
    HDC temporaryContext = CreateCompatibleDC(source.get());
    HBITMAP temporary = CreateCompatibleBitmap(source.get(), w, h);
    if (temporaryContext && temporary)
    {
        HGDIOBJ previous = SelectObject(temporaryContext, temporary);
        BitBlt(temporaryContext, 0, 0, w, h, source.get(), origin.x, origin.y, SRCCOPY);
        gAlphaBlend(dc(target), d.left, d.top, w, h, temporaryContext, 0, 0, w, h, blend);
        SelectObject(temporaryContext, previous);
    }
    if (temporary)
        DeleteObject(temporary);
    if (temporaryContext)
        DeleteDC(temporaryContext);
}

void* Win32Platform::acquireBlitSupport()
{
    gAlphaBlend = nullptr;
    gTransparentBlt = nullptr;
    HMODULE library = LoadLibraryA("msimg32.dll");
    if (!library)
        return nullptr;
    ++gBlitHolders;
    gAlphaBlend = reinterpret_cast<AlphaBlendProc>(reinterpret_cast<void*>(GetProcAddress(library, "AlphaBlend")));
    gVersion = OSVERSIONINFOEXA{};
    gVersion.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&gVersion)) && gVersion.dwPlatformId > 1)
        gTransparentBlt = reinterpret_cast<TransparentBltProc>(
            reinterpret_cast<void*>(GetProcAddress(library, "TransparentBlt")));
    return library;
}

void Win32Platform::releaseBlitSupport(void* token)
{
    if (!token)
        return;
    // The entry points must not outlive the last hold on the library.
    if (--gBlitHolders == 0)
    {
        gAlphaBlend = nullptr;
        gTransparentBlt = nullptr;
    }
    FreeLibrary(static_cast<HMODULE>(token));
}

void Win32Platform::setBlitEntriesEnabled(bool alphaBlend, bool transparentBlt)
{
    if (!alphaBlend)
        gAlphaBlend = nullptr;
    if (!transparentBlt)
        gTransparentBlt = nullptr;
}

void Win32Platform::setSystemVersion(uint32_t major, uint32_t minor, uint32_t platformId)
{
    gVersion.dwMajorVersion = major;
    gVersion.dwMinorVersion = minor;
    gVersion.dwPlatformId = platformId;
}

bool Win32Platform::hasAlphaBlend() { return gAlphaBlend != nullptr; }

bool Win32Platform::hasTransparentBlt() { return gTransparentBlt != nullptr; }

void Win32Platform::registerWindowClass(const char* className)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = moduleInstance();
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
}

void Win32Platform::unregisterWindowClass(const char* className) { UnregisterClassA(className, moduleInstance()); }

bool Win32Platform::isWindowClassRegistered(const char* className)
{
    WNDCLASSA windowClass;
    return GetClassInfoA(moduleInstance(), className, &windowClass) != 0;
}

bool Win32Platform::buttonsSwapped() { return GetSystemMetrics(SM_SWAPBUTTON) > 0; }

WindowRef Win32Platform::createChildWindow(const char* className, WindowRef parent, int32_t width, int32_t height,
                                           WindowListener* listener)
{
    HWND window = CreateWindowExA(0, className, "Window", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                  0, 0, width, height, hwnd(parent), nullptr, moduleInstance(), nullptr);
    if (window)
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(listener));
    return window;
}

void Win32Platform::detachWindow(WindowRef window) { SetWindowLongPtrA(hwnd(window), GWLP_USERDATA, 0); }

void Win32Platform::destroyWindow(WindowRef window) { DestroyWindow(hwnd(window)); }

WindowRef Win32Platform::parentWindow(WindowRef window) { return GetParent(hwnd(window)); }

bool Win32Platform::windowHasCaption(WindowRef window)
{
    return (static_cast<DWORD>(GetWindowLongA(hwnd(window), GWL_STYLE)) & WS_CAPTION) != 0;
}

bool Win32Platform::windowClassName(WindowRef window, char* name, int32_t size)
{
    if (!name || size < 1)
        return false;
    name[0] = '\0';
    return GetClassNameA(hwnd(window), name, size) > 0;
}

CPoint Win32Platform::screenToClient(WindowRef window, CPoint screen)
{
    POINT p = {screen.x, screen.y};
    MapWindowPoints(nullptr, hwnd(window), &p, 1);
    return CPoint(p.x, p.y);
}

void Win32Platform::setWindowSize(WindowRef window, int32_t width, int32_t height)
{
    SetWindowPos(hwnd(window), HWND_TOP, 0, 0, width, height, SWP_NOMOVE);
}

int32_t Win32Platform::dialogFrameThickness() { return GetSystemMetrics(SM_CYDLGFRAME); }

CursorRef Win32Platform::currentCursor() { return GetCursor(); }

void Win32Platform::setCursor(CursorRef cursor) { SetCursor(static_cast<HCURSOR>(cursor)); }

CursorRef Win32Platform::systemCursor(CursorShape shape)
{
    LPCSTR name = IDC_ARROW;
    switch (shape)
    {
    case CursorShape::wait: name = IDC_WAIT; break;
    case CursorShape::sizeWE: name = IDC_SIZEWE; break;
    case CursorShape::sizeNS: name = IDC_SIZENS; break;
    case CursorShape::sizeAll: name = IDC_SIZEALL; break;
    case CursorShape::sizeNESW: name = IDC_SIZENESW; break;
    case CursorShape::sizeNWSE: name = IDC_SIZENWSE; break;
    case CursorShape::no: name = IDC_NO; break;
    case CursorShape::hand: name = IDC_HAND; break;
    }
    return LoadCursorA(nullptr, name);
}

uint32_t Win32Platform::tickCount() { return GetTickCount(); }

void Win32Platform::sleep(uint32_t milliseconds) { Sleep(milliseconds); }

void Win32Platform::dispatchOnePaint()
{
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageA(&message);
}

bool Win32Platform::beginDragAndDrop()
{
    const HRESULT result = OleInitialize(nullptr);
    return result == S_OK || result == S_FALSE;
}

void Win32Platform::endDragAndDrop() { OleUninitialize(); }

bool Win32Platform::registerDropTarget(WindowRef window, DropListener* listener)
{
    if (!window || !listener)
        return false;
    auto* target = new (std::nothrow) CDropTarget(listener);
    if (!target)
        return false;
    // Held here across the registration: a refused target goes with this release.
    target->AddRef();
    const bool registered = RegisterDragDrop(hwnd(window), target) == S_OK;
    if (registered)
        SetPropA(hwnd(window), kDropTargetProperty, target);
    target->Release();
    return registered;
}

void Win32Platform::revokeDropTarget(WindowRef window)
{
    if (window)
        revoke(hwnd(window));
}

IDropTarget* Win32Platform::dropTargetOf(WindowRef window) { return dropTarget(hwnd(window)); }

int32_t Win32Platform::liveDropTargets() { return CDropTarget::liveCount(); }

Win32Platform& win32Platform()
{
    static Win32Platform instance;
    return instance;
}

} // namespace platform
} // namespace VSTGUI
