#include "editor/quelt_panel.h"

#include "vstgui/platform/platform.h"

#include <ctime>
#include <thread>

using namespace VSTGUI;

namespace {

enum Bitmap : int32_t
{
    kBackground = 128,
    kFirstStep,
    kStep,
    kLastStep,
    kMode,
    kRandom,
    kSplash,
    kPlayhead
};

// The rail under the step row, y 30 to 35, and each step's part of it: the
// x range of the step's button.
constexpr int32_t kRailLeft = 72;
constexpr int32_t kRailTop = 30;
constexpr int32_t kRailBottom = 36;

constexpr int32_t kFrameHeight = 24;  // one frame of every button strip

CRect buttonRect(int32_t index)
{
    if (index == 0)
        return CRect(72, 6, 99, 30);
    if (index < 15)
        return CRect(99 + 24 * (index - 1), 6, 123 + 24 * (index - 1), 30);
    if (index == 15)
        return CRect(435, 6, 456, 30);
    return CRect(462, 6, 510, 30);
}

CRect markRect(int32_t step)
{
    const CRect button = buttonRect(step);
    return CRect(button.left, kRailTop, step == 15 ? 456 : button.right, kRailBottom);
}

} // namespace

CPlayheadMark::CPlayheadMark(const CRect& size, CBitmap* litRail, int32_t railLeft)
    : CView(size), litRail(litRail), railLeft(railLeft)
{
    litRail->retain();
    setMouseEnabled(false);
}

CPlayheadMark::~CPlayheadMark() { litRail->release(); }

void CPlayheadMark::draw(CDrawContext* context)
{
    if (lit)
        litRail->draw(context, size, CPoint(size.left - railLeft, 0));
    setDirty(false);
}

void CPlayheadMark::setLit(bool on)
{
    if (on != lit)
    {
        lit = on;
        setDirty(true);
    }
}

QueltPanel::QueltPanel(PanelController& controller)
    : controller(controller), background(new CBitmap(kBackground)),
      // Time and instance: two panels made in the same second still draw apart.
      randomState(static_cast<uint64_t>(std::time(nullptr)) ^ (reinterpret_cast<uintptr_t>(this) * 0x9E3779B97F4A7C15ull))
{
}

QueltPanel::~QueltPanel()
{
    close();
    background->release();
}

bool QueltPanel::open(void* parentWindow, EditorBinding* binding)
{
    CBitmap* strips[] = {new CBitmap(kFirstStep), new CBitmap(kStep),   new CBitmap(kLastStep), new CBitmap(kMode),
                         new CBitmap(kRandom),    new CBitmap(kSplash), new CBitmap(kPlayhead)};
    bool complete = background->isLoaded();
    for (CBitmap* strip : strips)
        complete = complete && strip->isLoaded();
    CFrame* newFrame = complete ? new CFrame(CRect(0, 0, kWidth, kHeight), parentWindow, binding) : nullptr;
    if (!newFrame || !newFrame->getSystemWindow())
    {
        if (newFrame)
            newFrame->release();
        for (CBitmap* strip : strips)
            strip->release();
        return false;
    }
    newFrame->setBackground(background);

    for (int32_t k = 0; k < kButtons; ++k)
    {
        CBitmap* strip = k == 0 ? strips[0] : k < 15 ? strips[1] : k == 15 ? strips[2] : strips[3];
        button[k] = new CMovieButton(buttonRect(k), this, k, kFrameHeight, strip, CPoint(0, 0));
        button[k]->setValue(controller.getParameter(k));
        button[k]->setDefaultValue(k == 0 ? 1.0f : 0.0f);
        newFrame->addView(button[k]);
    }
    randomButton = new CKickButton(CRect(516, 6, 540, 30), this, kRandomTag, kFrameHeight, strips[4], CPoint(0, 0));
    newFrame->addView(randomButton);
    splash = new CSplashScreen(CRect(0, 0, 60, 36), this, kSplashTag, strips[5], CRect(0, 0, kWidth, kHeight),
                               CPoint(0, 0));
    newFrame->addView(splash);
    for (int32_t step = 0; step < 16; ++step)
    {
        marks[step] = new CPlayheadMark(markRect(step), strips[6], kRailLeft);
        newFrame->addView(marks[step]);
    }

    for (CBitmap* strip : strips)
        strip->release();
    frame = newFrame;
    published.store(newFrame);
    // A panel opened while the song plays shows the step at once.
    shownStep = 0;
    lastReports = playhead::count(controller.playhead());
    lastReportTicks = VSTGUI::platform::current().tickCount();
    showPlayhead();
    return true;
}

bool QueltPanel::idle()
{
    if (!frame || !frame->isOpen())
        return false;
    VSTGUI::platform::Platform& system = VSTGUI::platform::current();
    system.processWindowEvents();
    showPlayhead();
    frame->idle();
    lastIdleTicks = system.tickCount();
    return true;
}

void QueltPanel::idleWhileTracking()
{
    constexpr uint32_t kIntervalMs = 50;
    constexpr uint32_t kRestMs = 4;
    VSTGUI::platform::Platform& system = VSTGUI::platform::current();
    if (static_cast<int32_t>(system.tickCount() - lastIdleTicks) < static_cast<int32_t>(kIntervalMs))
    {
        system.sleep(kRestMs);
        return;
    }
    idle();
    system.dispatchOnePaint();
}

void QueltPanel::showPlayhead()
{
    if (!frame)
        return;
    const uint32_t report = controller.playhead();
    const uint32_t now = VSTGUI::platform::current().tickCount();
    if (playhead::count(report) != lastReports)
    {
        lastReports = playhead::count(report);
        lastReportTicks = now;
    }
    const int step = now - lastReportTicks < kPlayheadTimeoutMs ? playhead::step(report) : playhead::kNone;
    if (step == shownStep)
        return;
    if (shownStep != playhead::kNone)
        marks[shownStep - 1]->setLit(false);
    if (step != playhead::kNone)
        marks[step - 1]->setLit(true);
    shownStep = step;
}

void QueltPanel::close()
{
    if (!frame)
        return;
    CFrame* old = frame;
    frame = nullptr;
    published.store(nullptr);
    // A parameter change on another thread may be storing into a button right
    // now; it holds on only for that store.
    while (forwarding.load() != 0)
        std::this_thread::yield();
    old->release();
}

void QueltPanel::parameterChanged(int32_t index)
{
    if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(kButtons))
        return;
    forwarding.fetch_add(1);
    if (published.load() && button[index])
        button[index]->setValue(controller.getParameter(index));
    forwarding.fetch_sub(1);
}

bool QueltPanel::drawOpen()
{
    // splitmix64: every output bit, the lowest included, is odd or even with equal chance.
    uint64_t z = (randomState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return ((z ^ (z >> 31)) & 1) != 0;
}

void QueltPanel::valueChanged(CDrawContext*, CControl* control)
{
    const int32_t tag = control->getTag();
    const float value = control->getValue();
    if (static_cast<uint32_t>(tag) < static_cast<uint32_t>(kButtons))
    {
        controller.setParameterAutomated(tag, value);
        control->setDirty(true);
    }
    else if (tag == kRandomTag && value > 0.5f)
    {
        for (int32_t step = 0; step < 16; ++step)
        {
            controller.setParameterAutomated(step, drawOpen() ? 1.0f : 0.0f);
            control->setDirty(true);
        }
    }
}
