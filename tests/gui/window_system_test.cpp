// The GDI backend's window system with real windows under an X server: a host
// window holds the backend's child window, real input reaches it through the
// system, and OLE drives its drop target.
#include "vstgui/platform/win32.h"

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace VSTGUI;
using platform::DragData;
using platform::Win32Platform;

namespace {

Win32Platform& backend() { return platform::win32Platform(); }

constexpr char kFrameClass[] = "QueltTestFrame";
constexpr char kPlainClass[] = "QueltTestPlain";
constexpr COLORREF kPaintColour = RGB(200, 30, 60);

// Handles whatever reaches this thread's windows for a while.
void pump(DWORD milliseconds)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < milliseconds;)
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void sendMouse(DWORD flags, DWORD data = 0)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.mouseData = data;
    EXPECT_EQ(SendInput(1, &input, sizeof input), 1u);
}

HWND plainWindow(DWORD style, int x, int y, int w, int h, HWND parent)
{
    return CreateWindowExA(0, kPlainClass, "Host", style, x, y, w, h, parent, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

// Records the child window's reports; paints its rectangle in one colour.
struct WindowLog : platform::WindowListener
{
    int destroyed = 0;
    std::vector<CRect> paints;
    std::vector<CPoint> presses;
    std::vector<std::pair<CPoint, float>> wheels;
    virtual ~WindowLog() = default;

    void windowDestroyed() override { ++destroyed; }
    void windowPaint(platform::Surface* surface, const CRect& r) override
    {
        paints.push_back(r);
        HBRUSH brush = CreateSolidBrush(kPaintColour);
        RECT area = {r.left, r.top, r.right, r.bottom};
        FillRect(reinterpret_cast<HDC>(surface), &area, brush);
        DeleteObject(brush);
    }
    void windowButtonDown(CPoint where) override { presses.push_back(where); }
    void windowWheel(CPoint where, float notches) override { wheels.emplace_back(where, notches); }
    size_t reports() const { return destroyed + paints.size() + presses.size() + wheels.size(); }
};

// Records the drop target's reports, keeping copies of the dragged items.
struct DropLog : platform::DropListener
{
    bool accept = true;
    int enters = 0, overs = 0, leaves = 0, drops = 0;
    DragData::Kind kind = DragData::Kind::none;
    std::vector<std::string> items;
    virtual ~DropLog() = default;

    bool dropEnter(const DragData& data) override
    {
        ++enters;
        kind = data.kind;
        items.assign(data.items, data.items + data.count);
        return accept;
    }
    void dropOver() override { ++overs; }
    void dropLeave() override { ++leaves; }
    void dropDrop() override { ++drops; }
};

// The interfaces declare no destructor: COM objects go through Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// A COM object owned by the test, not by its references.
template <class Interface> struct Unowned : Interface
{
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override { return *out = nullptr, E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

// Offers one clipboard format; every GetData hands out a fresh memory block
// that counts itself when its medium is released.
struct DataObject : Unowned<IDataObject>
{
    DataObject(CLIPFORMAT format, std::string bytes) : format(format), bytes(std::move(bytes)) {}
    CLIPFORMAT format;
    std::string bytes;
    int handedOut = 0;
    int released = 0;

    struct Block : IUnknown
    {
        Block(DataObject* owner, HGLOBAL memory) : owner(owner), memory(memory) {}
        virtual ~Block() = default;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override { return *out = nullptr, E_NOINTERFACE; }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override
        {
            GlobalFree(memory);
            ++owner->released;
            delete this;
            return 0;
        }
        DataObject* owner;
        HGLOBAL memory;
    };

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* request, STGMEDIUM* medium) override
    {
        if (QueryGetData(request) != S_OK)
            return DV_E_FORMATETC;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        memcpy(GlobalLock(memory), bytes.data(), bytes.size());
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = new Block(this, memory);
        ++handedOut;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* request) override
    {
        return request->cfFormat == format && (request->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};

// Drops when the left button comes up, as the shell's sources do.
struct DropSource : Unowned<IDropSource>
{
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override
    {
        return escape ? DRAGDROP_S_CANCEL : (keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};
#pragma GCC diagnostic pop

// A drag that a press on a plain window starts, and how it ended.
struct Drag
{
    DataObject* data;
    HRESULT result = E_FAIL;
    DWORD effect = DROPEFFECT_NONE;
};

int gPlainWheels = 0;
LRESULT CALLBACK plainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    gPlainWheels += message == WM_MOUSEWHEEL;
    auto* drag = reinterpret_cast<Drag*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message != WM_LBUTTONDOWN || !drag)
        return DefWindowProcA(window, message, wParam, lParam);
    DropSource source;
    drag->result = DoDragDrop(drag->data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &drag->effect);
    return 0;
}

// One host window serves every case: without a window manager, wine takes two
// seconds to destroy a captioned top-level window.
HWND gHost = nullptr;
struct HostWindow : ::testing::Environment
{
    void TearDown() override { DestroyWindow(gHost); }
};
[[maybe_unused]] ::testing::Environment* const gHostWindow = ::testing::AddGlobalTestEnvironment(new HostWindow);

class WindowSystemTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        platform::setModuleHandle(GetModuleHandleA(nullptr));
        backend().registerWindowClass(kFrameClass);
        if (gHost)
            return;
        WNDCLASSA plain = {};
        plain.lpfnWndProc = plainProcedure;
        plain.hInstance = GetModuleHandleA(nullptr);
        plain.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        plain.lpszClassName = kPlainClass;
        RegisterClassA(&plain);
        gHost = plainWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 480, 320, nullptr);
        SetForegroundWindow(gHost);
    }
    static void TearDownTestSuite() { backend().unregisterWindowClass(kFrameClass); }

    void SetUp() override
    {
        ASSERT_NE(host, nullptr);
        child = static_cast<HWND>(backend().createChildWindow(kFrameClass, host, 320, 200, &log));
        ASSERT_NE(child, nullptr);
        pump(50);
        gPlainWheels = 0;
    }
    void TearDown() override { DestroyWindow(child); }

    POINT onScreen(HWND window, int x, int y) const
    {
        POINT p = {x, y};
        ClientToScreen(window, &p);
        return p;
    }

    HWND host = gHost;
    HWND child = nullptr;
    WindowLog log;
};

TEST_F(WindowSystemTest, TheClassRegistersOnceAndTheChildWindowSitsInItsParent)
{
    constexpr char name[] = "QueltTestOnce";
    EXPECT_FALSE(backend().isWindowClassRegistered(name));
    backend().registerWindowClass(name);
    backend().registerWindowClass(name);
    WNDCLASSA info = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), name, &info));
    EXPECT_EQ(info.style, UINT(CS_GLOBALCLASS));
    EXPECT_EQ(info.hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(info.hbrBackground, GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_TRUE(backend().isWindowClassRegistered(name));
    backend().unregisterWindowClass(name);
    EXPECT_FALSE(backend().isWindowClassRegistered(name));

    char className[64];
    ASSERT_TRUE(backend().windowClassName(child, className, sizeof className));
    EXPECT_STREQ(className, kFrameClass);
    ASSERT_TRUE(backend().windowClassName(child, className, 6));
    EXPECT_STREQ(className, "Quelt");
    const DWORD bits = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    EXPECT_EQ(DWORD(GetWindowLongA(child, GWL_STYLE)) & bits, bits);
    EXPECT_EQ(backend().parentWindow(child), host);
    EXPECT_TRUE(backend().windowHasCaption(host));
    EXPECT_FALSE(backend().windowHasCaption(child));

    RECT client;
    GetClientRect(child, &client);
    EXPECT_EQ(CPoint(client.right, client.bottom), CPoint(320, 200));
    const POINT origin = onScreen(host, 0, 0);
    EXPECT_EQ(onScreen(child, 0, 0).x, origin.x);
    EXPECT_EQ(onScreen(child, 0, 0).y, origin.y);
    EXPECT_EQ(backend().screenToClient(child, CPoint(origin.x + 7, origin.y + 9)), CPoint(7, 9));

    backend().setWindowSize(child, 200, 90);
    GetClientRect(child, &client);
    EXPECT_EQ(CPoint(client.right, client.bottom), CPoint(200, 90));
    EXPECT_EQ(onScreen(child, 0, 0).x, origin.x);

    DestroyWindow(child);
    EXPECT_FALSE(backend().windowClassName(child, className, sizeof className));

    const BOOL swapped = SwapMouseButton(TRUE);
    EXPECT_TRUE(backend().buttonsSwapped());
    SwapMouseButton(FALSE);
    EXPECT_FALSE(backend().buttonsSwapped());
    SwapMouseButton(swapped);
}

TEST_F(WindowSystemTest, PaintRequestsDrawOnTheWindowOnlyForANonEmptyRegion)
{
    ASSERT_FALSE(log.paints.empty());
    EXPECT_EQ(CPoint(log.paints[0].width(), log.paints[0].height()), CPoint(320, 200));
    HDC screen = GetDC(child);
    EXPECT_EQ(GetPixel(screen, 5, 5), kPaintColour);
    EXPECT_EQ(GetPixel(screen, 319, 199), kPaintColour);
    ReleaseDC(child, screen);

    log.paints.clear();
    const RECT part = {10, 20, 60, 50};
    InvalidateRect(child, &part, FALSE);
    pump(50);
    ASSERT_EQ(log.paints.size(), 1u);
    EXPECT_EQ(CPoint(log.paints[0].left, log.paints[0].top), CPoint(10, 20));
    EXPECT_EQ(CPoint(log.paints[0].right, log.paints[0].bottom), CPoint(60, 50));

    SendMessageA(child, WM_PAINT, 0, 0);
    EXPECT_EQ(log.paints.size(), 1u);
}

// The pointer rests before each press: under wine, a press that follows a
// move too closely may not yet be seen as held.
TEST_F(WindowSystemTest, RealButtonsAndWheelTurnsArriveInClientCoordinates)
{
    const struct
    {
        DWORD down, up;
        CPoint where;
    } presses[] = {{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, CPoint(12, 17)},
                   {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, CPoint(250, 33)},
                   {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, CPoint(140, 190)}};
    for (const auto& press : presses)
    {
        const POINT p = onScreen(child, press.where.x, press.where.y);
        SetCursorPos(p.x, p.y);
        pump(100);
        sendMouse(press.down);
        pump(30);
        sendMouse(press.up);
        pump(30);
    }
    ASSERT_EQ(log.presses.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(log.presses[i], presses[i].where) << i;

    const POINT p = onScreen(child, 77, 66);
    SetCursorPos(p.x, p.y);
    pump(100);
    sendMouse(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    pump(50);
    sendMouse(MOUSEEVENTF_WHEEL, DWORD(-WHEEL_DELTA));
    pump(50);
    ASSERT_EQ(log.wheels.size(), 2u);
    EXPECT_EQ(log.wheels[0].first, CPoint(77, 66));
    EXPECT_EQ(log.wheels[0].second, 1.0f);
    EXPECT_EQ(log.wheels[1].second, -1.0f);
    EXPECT_EQ(gPlainWheels, 2); // the host's window hears of both
}

TEST_F(WindowSystemTest, ADetachedWindowReportsNothingAndTheHostsDestructionIsReported)
{
    log = WindowLog();
    backend().detachWindow(child);
    InvalidateRect(child, nullptr, FALSE);
    pump(50);
    RECT update;
    EXPECT_FALSE(GetUpdateRect(child, &update, FALSE));
    SendMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(child, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    backend().destroyWindow(child);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(log.reports(), 0u);

    // The host destroys its own window, and with it the frame's inside,
    // while the frame still has its drop target registered.
    HWND parent = plainWindow(WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, host);
    WindowLog other;
    DropLog drops;
    HWND second = static_cast<HWND>(backend().createChildWindow(kFrameClass, parent, 40, 40, &other));
    const int32_t liveBefore = Win32Platform::liveDropTargets();
    ASSERT_TRUE(backend().beginDragAndDrop());
    ASSERT_TRUE(backend().registerDropTarget(second, &drops));
    EXPECT_EQ(Win32Platform::liveDropTargets(), liveBefore + 1);
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(other.destroyed, 1);
    EXPECT_EQ(Win32Platform::liveDropTargets(), liveBefore);
    backend().endDragAndDrop();
}

TEST_F(WindowSystemTest, EverySystemCursorBecomesTheCurrentOne)
{
    using platform::CursorShape;
    const std::pair<CursorShape, LPCSTR> shapes[] = {
        {CursorShape::wait, IDC_WAIT},         {CursorShape::sizeWE, IDC_SIZEWE},
        {CursorShape::sizeNS, IDC_SIZENS},     {CursorShape::sizeAll, IDC_SIZEALL},
        {CursorShape::sizeNESW, IDC_SIZENESW}, {CursorShape::sizeNWSE, IDC_SIZENWSE},
        {CursorShape::no, IDC_NO},             {CursorShape::hand, IDC_HAND}};
    const platform::CursorRef before = backend().currentCursor();
    for (const auto& shape : shapes)
    {
        const platform::CursorRef cursor = backend().systemCursor(shape.first);
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(cursor, LoadCursorA(nullptr, shape.second));
        backend().setCursor(cursor);
        EXPECT_EQ(GetCursor(), cursor);
        EXPECT_EQ(backend().currentCursor(), cursor);
    }
    backend().setCursor(before);
}

TEST_F(WindowSystemTest, TicksFollowSleepAndEachDispatchPaintsOneWindow)
{
    const uint32_t start = backend().tickCount();
    backend().sleep(200);
    const uint32_t elapsed = backend().tickCount() - start;
    EXPECT_GE(elapsed, 180u); // wine's count moves in steps of up to 16 ms
    EXPECT_LT(elapsed, 2000u);

    WindowLog other;
    HWND second = static_cast<HWND>(backend().createChildWindow(kFrameClass, host, 40, 40, &other));
    pump(50);
    ValidateRect(host, nullptr);
    log.paints.clear();
    other.paints.clear();
    InvalidateRect(child, nullptr, FALSE);
    InvalidateRect(second, nullptr, FALSE);
    backend().dispatchOnePaint();
    EXPECT_EQ(log.paints.size() + other.paints.size(), 1u);
    backend().dispatchOnePaint();
    backend().dispatchOnePaint();
    EXPECT_EQ(log.paints.size(), 1u);
    EXPECT_EQ(other.paints.size(), 1u);
    DestroyWindow(second);
}

// A DROPFILES block with narrow names, as the shell hands over a file list.
std::string fileList(const std::vector<std::string>& names)
{
    DROPFILES header = {};
    header.pFiles = sizeof header;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::string& name : names)
        bytes += name + '\0';
    return bytes + '\0';
}

class DropTargetTest : public WindowSystemTest
{
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        liveBefore = Win32Platform::liveDropTargets();
        ASSERT_TRUE(backend().beginDragAndDrop());
        ASSERT_TRUE(backend().registerDropTarget(child, &drops));
        target = Win32Platform::dropTargetOf(child);
        ASSERT_NE(target, nullptr);
    }
    void TearDown() override
    {
        backend().revokeDropTarget(child);
        EXPECT_EQ(Win32Platform::liveDropTargets(), liveBefore);
        WindowSystemTest::TearDown();
        backend().endDragAndDrop();
    }

    DropLog drops;
    IDropTarget* target = nullptr;
    int32_t liveBefore = 0;
};

TEST_F(DropTargetTest, RegistrationHoldsTheOnlyReferenceAndAnswersItsInterfaces)
{
    EXPECT_EQ(Win32Platform::liveDropTargets(), liveBefore + 1);
    EXPECT_FALSE(backend().registerDropTarget(child, &drops));
    EXPECT_FALSE(backend().registerDropTarget(nullptr, &drops));
    EXPECT_EQ(Win32Platform::liveDropTargets(), liveBefore + 1);
    EXPECT_EQ(Win32Platform::dropTargetOf(child), target);

    for (const IID& iid : {IID_IDropTarget, IID_IUnknown})
    {
        void* out = nullptr;
        ASSERT_EQ(target->QueryInterface(iid, &out), S_OK);
        EXPECT_EQ(out, target);
        target->Release();
    }
    void* out = target;
    EXPECT_EQ(target->QueryInterface(IID_IDataObject, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    // Someone still holding the target after the revocation hears nothing from it.
    target->AddRef();
    backend().revokeDropTarget(child);
    EXPECT_EQ(Win32Platform::dropTargetOf(child), nullptr);
    DataObject data(CF_TEXT, "late");
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(&data, MK_LBUTTON, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(drops.enters, 0);
    EXPECT_EQ(target->Release(), 0u);
    EXPECT_EQ(Win32Platform::liveDropTargets(), liveBefore);
}

TEST_F(DropTargetTest, DraggedTextAndFilesReachTheListenerAndEveryMediumIsReleased)
{
    const std::vector<std::string> files = {"C:\\music\\kick.wav", "C:\\music\\snare.wav", "D:\\hat.wav"};
    const struct
    {
        const char* name;
        CLIPFORMAT format;
        std::string bytes;
        bool accept;
        DragData::Kind kind;
        std::vector<std::string> items;
    } cases[] = {
        {"text", CF_TEXT, std::string("gate pattern", 13), true, DragData::Kind::text, {"gate pattern"}},
        {"unterminated text", CF_TEXT, "abc", true, DragData::Kind::text, {"abc"}},
        {"files", CF_HDROP, fileList(files), true, DragData::Kind::files, files},
        {"neither", CF_BITMAP, "x", true, DragData::Kind::none, {}},
        {"refused", CF_TEXT, std::string("no", 3), false, DragData::Kind::text, {"no"}},
    };
    const POINTL point = {0, 0};
    const DWORD offered = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        drops = DropLog();
        drops.accept = c.accept;
        DataObject data(c.format, c.bytes);

        DWORD effect = offered;
        ASSERT_EQ(target->DragEnter(&data, MK_LBUTTON, point, &effect), S_OK);
        EXPECT_EQ(effect, c.accept ? DWORD(DROPEFFECT_MOVE) : DWORD(DROPEFFECT_NONE));
        EXPECT_EQ(drops.kind, c.kind);
        EXPECT_EQ(drops.items, c.items);
        EXPECT_EQ(data.handedOut, c.format == CF_BITMAP ? 0 : 1);
        EXPECT_EQ(data.released, data.handedOut);

        // A refused drag leaves the effect as the system passes it.
        effect = offered;
        EXPECT_EQ(target->DragOver(MK_LBUTTON, point, &effect), S_OK);
        EXPECT_EQ(effect, c.accept ? DWORD(DROPEFFECT_MOVE) : offered);
        effect = DROPEFFECT_LINK;
        EXPECT_EQ(target->Drop(&data, 0, point, &effect), S_OK);
        EXPECT_EQ(effect, DWORD(DROPEFFECT_LINK));
        EXPECT_EQ(target->DragLeave(), S_OK);
        EXPECT_EQ(drops.overs, c.accept);
        EXPECT_EQ(drops.drops, c.accept);
        EXPECT_EQ(drops.leaves, 0);

        target->DragEnter(&data, MK_LBUTTON, point, &effect);
        EXPECT_EQ(target->DragLeave(), S_OK);
        EXPECT_EQ(drops.enters, 2);
        EXPECT_EQ(drops.leaves, c.accept);
        EXPECT_EQ(data.released, data.handedOut);
    }

    drops = DropLog();
    DWORD effect = offered;
    EXPECT_EQ(target->DragEnter(nullptr, MK_LBUTTON, point, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    effect = offered;
    target->DragOver(MK_LBUTTON, point, &effect);
    EXPECT_EQ(effect, offered);
    EXPECT_EQ(drops.enters + drops.overs, 0);
}

TEST_F(DropTargetTest, ARealDragFromAnotherWindowDropsOnTheFrameWindow)
{
    DataObject data(CF_TEXT, std::string("dragged", 8));
    Drag drag{&data};
    HWND source = plainWindow(WS_CHILD | WS_VISIBLE, 340, 20, 100, 100, host);
    SetWindowLongPtrA(source, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&drag));
    pump(50);

    // The user's hand, on a thread of its own while this one runs the drag loop.
    const POINT from = onScreen(source, 50, 50), to = onScreen(child, 150, 100);
    std::atomic<bool> done{false};
    std::thread hand([from, to, &done] {
        SetCursorPos(from.x, from.y);
        Sleep(100);
        sendMouse(MOUSEEVENTF_LEFTDOWN);
        Sleep(100);
        for (int step = 1; step <= 10; ++step, Sleep(30))
            SetCursorPos(from.x + (to.x - from.x) * step / 10, from.y + (to.y - from.y) * step / 10);
        Sleep(150);
        sendMouse(MOUSEEVENTF_LEFTUP);
        Sleep(100);
        done = true;
    });
    for (const DWORD start = GetTickCount(); !done && GetTickCount() - start < 5000;)
        pump(20);
    hand.join();
    DestroyWindow(source);

    EXPECT_EQ(drag.result, DRAGDROP_S_DROP);
    EXPECT_EQ(drag.effect, DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE)); // a drop leaves the offer as it was
    EXPECT_EQ(drops.enters, 1);
    EXPECT_EQ(drops.items, std::vector<std::string>{"dragged"});
    EXPECT_GE(drops.overs, 1);
    EXPECT_EQ(drops.drops, 1);
    EXPECT_EQ(drops.leaves, 0);
    EXPECT_EQ(data.released, data.handedOut);
}

TEST_F(DropTargetTest, AThreadInTheMultiThreadedApartmentHasNoDragAndDrop)
{
    HRESULT first = E_FAIL, again = E_FAIL, afterwards = E_FAIL;
    bool available = true;
    std::thread([&] {
        first = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        available = backend().beginDragAndDrop();
        // Still initialised exactly once: one more makes two, two uninitialisations end it.
        again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CoUninitialize();
        CoUninitialize();
        afterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CoUninitialize();
    }).join();
    EXPECT_EQ(first, S_OK);
    EXPECT_FALSE(available);
    EXPECT_EQ(again, S_FALSE);
    EXPECT_EQ(afterwards, S_OK);
}

BOOL CALLBACK countWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Wine answers 0 for the system's object counts; the window and drop target
// counts hold everywhere.
TEST_F(DropTargetTest, AThousandWindowsAndTargetsLeaveNoObjectsBehind)
{
    const auto cycle = [&] {
        WindowLog other;
        HWND window = static_cast<HWND>(backend().createChildWindow(kFrameClass, host, 64, 32, &other));
        UpdateWindow(window);
        const bool registered = backend().registerDropTarget(window, &drops);
        backend().revokeDropTarget(window);
        backend().detachWindow(window);
        backend().destroyWindow(window);
        return window && registered && other.paints.size() == 1;
    };
    const auto windows = [&] {
        int count = 0;
        EnumChildWindows(host, countWindow, reinterpret_cast<LPARAM>(&count));
        return count;
    };
    cycle();
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const int before = windows();
    int failures = 0;
    for (int i = 0; i < 1000; ++i)
        failures += !cycle();
    pump(20);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user);
    EXPECT_EQ(windows(), before);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(Win32Platform::liveDropTargets(), liveBefore + 1);
}

} // namespace
