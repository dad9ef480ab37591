#include "editor/quelt_editor.h"

#include "host/audio_effect.h"
#include "host/plugin_entry.h"

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
    kSplash
};

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

} // namespace

namespace {

// The toolkit loads bitmaps from the module it is told of; the background is
// loaded in the constructor, before any open, so it must know the module by then.
CBitmap* loadBackground()
{
    if (hInstance)
        platform::setModuleHandle(hInstance);
    return new CBitmap(kBackground);
}

} // namespace

QueltEditor::QueltEditor(AudioEffect* effect)
    : AEffGUIEditor(effect), button{}, splash(nullptr), randomButton(nullptr), background(loadBackground()),
      // Time and instance: two effects made in the same second still draw apart.
      randomState(static_cast<uint64_t>(std::time(nullptr)) ^ (reinterpret_cast<uintptr_t>(this) * 0x9E3779B97F4A7C15ull))
{
    rect.top = 0;
    rect.left = 0;
    rect.bottom = 36;
    rect.right = 600;
}

QueltEditor::~QueltEditor()
{
    // A host that ends the effect with the panel still open gets it closed here,
    // rather than a window left behind with nothing to serve it.
    close();
    background->release();
    background = nullptr;
}

bool QueltEditor::open(void* window)
{
    AEffEditor::open(window);
    CBitmap* strips[] = {new CBitmap(kFirstStep), new CBitmap(kStep),   new CBitmap(kLastStep),
                         new CBitmap(kMode),      new CBitmap(kRandom), new CBitmap(kSplash)};
    bool complete = background->isLoaded();
    for (CBitmap* strip : strips)
        complete = complete && strip->isLoaded();
    CFrame* newFrame = complete ? new CFrame(CRect(0, 0, 600, 36), window, this) : nullptr;
    if (!newFrame || !newFrame->getSystemWindow())
    {
        if (newFrame)
            newFrame->release();
        for (CBitmap* strip : strips)
            strip->release();
        systemWindow = nullptr;
        return false;
    }
    newFrame->setBackground(background);

    for (int32_t k = 0; k < kButtons; ++k)
    {
        CBitmap* strip = k == 0 ? strips[0] : k < 15 ? strips[1] : k == 15 ? strips[2] : strips[3];
        button[k] = new CMovieButton(buttonRect(k), this, k, kFrameHeight, strip, CPoint(0, 0));
        button[k]->setValue(effect->getParameter(k));
        button[k]->setDefaultValue(k == 0 ? 1.0f : 0.0f);
        newFrame->addView(button[k]);
    }
    randomButton = new CKickButton(CRect(516, 6, 540, 30), this, kRandomTag, kFrameHeight, strips[4], CPoint(0, 0));
    newFrame->addView(randomButton);
    splash = new CSplashScreen(CRect(0, 0, 60, 36), this, kSplashTag, strips[5], CRect(0, 0, 600, 36), CPoint(0, 0));
    newFrame->addView(splash);

    for (CBitmap* strip : strips)
        strip->release();
    frame = newFrame;
    published.store(newFrame);
    return true;
}

void QueltEditor::close()
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

void QueltEditor::setParameter(VstInt32 index, float)
{
    if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(kButtons))
        return;
    forwarding.fetch_add(1);
    if (published.load() && button[index])
        button[index]->setValue(effect->getParameter(index));
    forwarding.fetch_sub(1);
}

bool QueltEditor::drawOpen()
{
    // splitmix64: every output bit, the lowest included, is odd or even with equal chance.
    uint64_t z = (randomState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return ((z ^ (z >> 31)) & 1) != 0;
}

void QueltEditor::valueChanged(CDrawContext*, CControl* control)
{
    const int32_t tag = control->getTag();
    const float value = control->getValue();
    if (static_cast<uint32_t>(tag) < static_cast<uint32_t>(kButtons))
    {
        effect->setParameterAutomated(tag, value);
        control->setDirty(true);
    }
    else if (tag == kRandomTag && value > 0.5f)
    {
        for (int32_t step = 0; step < 16; ++step)
        {
            effect->setParameterAutomated(step, drawOpen() ? 1.0f : 0.0f);
            control->setDirty(true);
        }
    }
}
