// The GDI backend and the software backend draw the same pixels: the same
// bitmaps, the same primitives and the same view tree, read back from GDI
// surfaces and compared pixel by pixel. Runs under wine with an X server.
#include "win32_test_support.h"
#include "gui_test_support.h"
#include "scene.h"

#include "vstgui/platform/win32.h"

#include <windows.h>

#include <functional>

using namespace guitest;
using platform::Win32Platform;

namespace {

using guitest::grab;

Pixels grab(CDrawContext* context, int32_t w, int32_t h)
{
    return grab(reinterpret_cast<HDC>(context->getSystemContext()), 0, 0, w, h);
}

class BackendAgreementTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { platform::setModuleHandle(GetModuleHandleA(nullptr)); }

    void SetUp() override { platform::install(&platform::win32Platform()); }
    void TearDown() override
    {
        Win32Platform::setSystemVersion(6, 2, 2);
        platform::install(nullptr);
    }

    // Runs a drawing on one backend into an offscreen surface and reads it back.
    static Pixels drawOn(platform::Platform& backend, int32_t w, int32_t h,
                         const std::function<void(CFrame*, CDrawContext*)>& drawing,
                         const std::function<void()>& afterFrame = [] {})
    {
        platform::install(&backend);
        auto* frame = new CFrame(CRect(0, 0, w, h), nullptr, nullptr);
        afterFrame();
        auto* target = new COffscreenContext(frame, w, h, kBlackCColor);
        drawing(frame, target);
        Pixels result = &backend == &platform::softPlatform() ? *SoftPlatform::surfacePixels(target->getSystemContext())
                                                              : grab(target, w, h);
        target->release();
        frame->release();
        platform::install(&platform::win32Platform());
        return result;
    }

    static Pixels sceneOnGdi(const std::function<void()>& afterFrame = [] {})
    {
        return drawOn(platform::win32Platform(), kSceneWidth, kSceneHeight,
                      [](CFrame* frame, CDrawContext* target) {
                          buildScene(frame);
                          frame->draw(target);
                      },
                      afterFrame);
    }
};

} // namespace

TEST_F(BackendAgreementTest, TheBlitEntryPointsAreFoundWhileAFrameLives)
{
    auto* frame = new CFrame(CRect(0, 0, 10, 10), nullptr, nullptr);
    EXPECT_TRUE(Win32Platform::hasAlphaBlend());
    EXPECT_TRUE(Win32Platform::hasTransparentBlt());
    frame->release();
    EXPECT_FALSE(Win32Platform::hasAlphaBlend());
    EXPECT_FALSE(Win32Platform::hasTransparentBlt());
}

TEST_F(BackendAgreementTest, AllBitmapsLoadWithTheSameSizesAndPixels)
{
    for (int32_t id = 128; id <= 135; ++id)
    {
        platform::install(&platform::softPlatform());
        auto* soft = new CBitmap(id);
        platform::install(&platform::win32Platform());
        auto* gdi = new CBitmap(id);
        ASSERT_TRUE(gdi->isLoaded()) << id;
        EXPECT_EQ(gdi->getWidth(), soft->getWidth()) << id;
        EXPECT_EQ(gdi->getHeight(), soft->getHeight()) << id;

        const int32_t w = soft->getWidth();
        const int32_t h = soft->getHeight();
        const auto copyOf = [&](platform::Platform& backend, CBitmap* bitmap) {
            return drawOn(backend, w, h, [&](CFrame*, CDrawContext* target) { bitmap->draw(target, CRect(0, 0, w, h)); });
        };
        const Pixels a = copyOf(platform::softPlatform(), soft);
        const Pixels b = copyOf(platform::win32Platform(), gdi);
        EXPECT_EQ(differingPixels(a, b), 0) << id << " " << firstDifference(a, b);
        platform::install(&platform::softPlatform());
        soft->release();
        platform::install(&platform::win32Platform());
        gdi->release();
    }
    auto* missing = new CBitmap(136);
    EXPECT_FALSE(missing->isLoaded());
    EXPECT_EQ(missing->getWidth(), 0);
    missing->release();
}

TEST_F(BackendAgreementTest, PrimitivesGiveTheSamePixels)
{
    const auto primitives = [](CFrame*, CDrawContext* c) {
        c->setFillColor(kRed);
        c->fillRect(CRect(0, 0, 10, 10));
        c->setFrameColor(kGreen);
        c->drawRect(CRect(0, 0, 10, 10));
        c->offset = CPoint(13, 4);
        c->setFillColor(kBlue);
        c->fillRect(CRect(0, 0, 7, 5));
        c->setFrameColor(CColor{250, 200, 10, 255});
        c->drawRect(CRect(2, 8, 3, 14));  // one pixel wide
        c->drawRect(CRect(6, 8, 6, 14));  // zero wide
        c->drawRect(CRect(10, 8, 16, 9)); // one pixel high
        c->fillRect(CRect(20, 20, 21, 30)); // nothing inside
        c->setClipRect(CRect(20, 0, 30, 6));
        c->setFillColor(kGrey);
        c->fillRect(CRect(15, -5, 40, 40));
        c->setClipRect(CRect(-13, -4, 60, 40));
        c->drawRect(CRect(40, 10, 50, 30));
    };
    const Pixels soft = drawOn(platform::softPlatform(), 64, 40, primitives);
    const Pixels gdi = drawOn(platform::win32Platform(), 64, 40, primitives);
    EXPECT_EQ(countColour(soft, CRect(1, 1, 10, 10), rgb(kRed)), 64); // the border covers the rest
    EXPECT_EQ(differingPixels(soft, gdi), 0) << firstDifference(soft, gdi);
}

TEST_F(BackendAgreementTest, OffscreenCopiesAgree)
{
    const auto copies = [](CFrame* frame, CDrawContext* target) {
        auto* source = new COffscreenContext(frame, 60, 60, kBlackCColor);
        source->setFillColor(kRed);
        source->fillRect(CRect(23, -1, 48, 48));
        source->setFrameColor(kGreen);
        source->drawRect(CRect(20, 10, 40, 20));
        source->copyFrom(source, CRect(30, 30, 60, 60), CPoint(26, 26)); // overlapping, within one surface
        target->offset = CPoint(1, 2);
        source->copyFrom(target, CRect(10, 5, 34, 53), CPoint(24, 0));
        source->copyFrom(target, CRect(40, 0, 60, 30), CPoint(18, 8));
        source->release();
    };
    const Pixels soft = drawOn(platform::softPlatform(), 64, 64, copies);
    const Pixels gdi = drawOn(platform::win32Platform(), 64, 64, copies);
    // The block less the part of the green outline that lies in it.
    EXPECT_EQ(countColour(soft, CRect(11, 7, 35, 55), rgb(kRed)), 24 * 48 - 40);
    EXPECT_EQ(differingPixels(soft, gdi), 0) << firstDifference(soft, gdi);
}

TEST_F(BackendAgreementTest, TheViewTreeDrawsTheSamePixelsOnBothBackends)
{
    const Pixels soft = renderSceneSoft();
    const Pixels gdi = sceneOnGdi();
    ASSERT_EQ(gdi.width, kSceneWidth);
    EXPECT_EQ(differingPixels(soft, gdi), 0) << firstDifference(soft, gdi);
    // The scene is not trivially uniform.
    EXPECT_GT(countColour(gdi, gdi.bounds(), platform::packRgb(24, 90, 40)), 500);
}

TEST_F(BackendAgreementTest, HandKeyingAndTheWindows98BlendGiveTheSamePicture)
{
    const Pixels reference = renderSceneSoft();
    const Pixels byHand = sceneOnGdi([] { Win32Platform::setBlitEntriesEnabled(true, false); });
    EXPECT_EQ(differingPixels(reference, byHand), 0) << firstDifference(reference, byHand);
    const Pixels windows98 = sceneOnGdi([] { Win32Platform::setSystemVersion(4, 10, 1); });
    EXPECT_EQ(differingPixels(reference, windows98), 0) << firstDifference(reference, windows98);
}

TEST_F(BackendAgreementTest, AWindowSurfaceShowsWhatTheFrameDrew)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QueltBackendTest";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "QueltBackendTest", "", WS_POPUP | WS_VISIBLE, 0, 0,
                                  kSceneWidth, kSceneHeight, nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);

    auto* frame = new CFrame(CRect(0, 0, kSceneWidth, kSceneHeight), nullptr, nullptr);
    buildScene(frame);
    auto* context = new CDrawContext(frame, nullptr, window);
    RECT screen;
    GetWindowRect(window, &screen);
    EXPECT_EQ(context->offsetScreen, CPoint(screen.left, screen.top));
    frame->draw(context);
    context->release();
    frame->release();

    HDC windowContext = GetDC(window);
    const Pixels shown = grab(windowContext, 0, 0, kSceneWidth, kSceneHeight);
    ReleaseDC(window, windowContext);
    DestroyWindow(window);
    UnregisterClassA("QueltBackendTest", windowClass.hInstance);

    const Pixels reference = renderSceneSoft();
    EXPECT_EQ(differingPixels(reference, shown), 0) << firstDifference(reference, shown);
}

namespace {

void sendKey(WORD key, bool down)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(INPUT));
}

void sendButton(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(INPUT));
}

} // namespace

TEST_F(BackendAgreementTest, ButtonsModifiersAndTheCursorComeFromTheSystem)
{
    ASSERT_TRUE(SetCursorPos(123, 45));
    EXPECT_EQ(platform::current().cursorScreenPosition(), CPoint(123, 45));

    EXPECT_EQ(CDrawContext::getMouseButtons(), 0);
    sendKey(VK_SHIFT, true);
    sendKey(VK_CONTROL, true);
    EXPECT_EQ(CDrawContext::getMouseButtons(), kShiftKey | kControlKey);
    sendKey(VK_CONTROL, false);
    sendKey(VK_SHIFT, false);
    sendKey(VK_MENU, true);
    EXPECT_EQ(CDrawContext::getMouseButtons(), kAltKey);
    sendKey(VK_MENU, false);

    sendButton(MOUSEEVENTF_LEFTDOWN);
    EXPECT_EQ(CDrawContext::getMouseButtons(), kLeftButton);
    CDrawContext::setButtonsSwapped(true);
    EXPECT_EQ(CDrawContext::getMouseButtons(), kRightButton);
    CDrawContext::setButtonsSwapped(false);
    sendButton(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(CDrawContext::getMouseButtons(), 0);
}

TEST_F(BackendAgreementTest, WithoutAModuleHandleBitmapsComeFromTheProgram)
{
    platform::setModuleHandle(nullptr);
    auto* background = new CBitmap(128);
    EXPECT_TRUE(background->isLoaded());
    EXPECT_EQ(background->getWidth(), 600);
    background->release();
    platform::setModuleHandle(GetModuleHandleA(nullptr));
}
