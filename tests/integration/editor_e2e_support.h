// What the end-to-end tests of the panel share on every window system: where
// the controls are, the panel as the software backend draws it for a set of
// values, and the begin, automate and end calls a user's edit must produce.
#pragma once

#include "support/test_host.h"

#include "editor/aeff_gui_editor.h"
#include "host/audio_effect.h"
#include "host/plugin_entry.h"
#include "vstgui/platform/soft.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace e2e {

using namespace quelt_test;
using namespace VSTGUI;
using platform::Pixels;

constexpr int kWidth = 600;
constexpr int kHeight = 36;
using Values = std::array<float, 17>;

// Centres of the controls, in panel coordinates.
struct PanelPoint
{
    int x;
    int y;
};
constexpr PanelPoint stepCentre(int k)
{
    return k == 0 ? PanelPoint{85, 18} : k == 15 ? PanelPoint{445, 18} : PanelPoint{111 + 24 * (k - 1), 18};
}
constexpr PanelPoint kMode{486, 18};
constexpr PanelPoint kRandom{528, 18};
constexpr PanelPoint kLogo{30, 18};

// The effect's 17 parameter values as the host reads them.
inline Values values(TestHost& h)
{
    Values v{};
    for (int k = 0; k < 17; ++k)
        v[k] = h.getParameter(k);
    return v;
}

// Clicks on the open splash: a left click on the logo opens it, a right click
// elsewhere keeps it, a left click anywhere closes it; none reaches a button.
struct SplashClick
{
    PanelPoint at;
    bool left;
    bool openAfter;
    const char* stage;
};
constexpr SplashClick kSplashClicks[] = {
    {kLogo, true, true, "splash opened"},
    {stepCentre(3), false, true, "splash after right click"},
    {stepCentre(3), true, false, "splash closed"},
};

inline VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The same panel drawn in this process by the software backend: a Quelt of its
// own with these values, its editor opened in a soft window and painted.
inline Pixels softPanel(const Values& values, bool splashOpen)
{
    platform::SoftPlatform& soft = platform::softPlatform();
    platform::install(&soft);
    AudioEffect* effect = createEffectInstance(quietHost);
    for (int k = 0; k < 17; ++k)
        effect->setParameter(k, values[k]);
    auto* editor = static_cast<AEffGUIEditor*>(effect->getEditor());
    platform::WindowRef parent = soft.createWindow(CRect(0, 0, kWidth, kHeight));
    editor->open(parent);
    platform::WindowRef child = editor->getFrame()->getSystemWindow();
    soft.postPaint(child, CRect(0, 0, kWidth, kHeight));
    soft.pumpMessages();
    if (splashOpen)
    {
        soft.setButtonState(kLeftButton);
        soft.postButtonDown(child, CPoint(kLogo.x, kLogo.y));
        soft.pumpMessages();
        soft.setButtonState(0);
        editor->idle();
    }
    Pixels out = *soft.windowPixels(child);
    editor->close();
    soft.destroyWindow(parent);
    effect->getAeffect()->dispatcher(effect->getAeffect(), effClose, 0, 0, nullptr, 0.0f);
    platform::install(nullptr);
    return out;
}

// Writes pixels as a binary PPM, for the README's picture.
inline void savePicture(const Pixels& p, const std::string& path)
{
    if (FILE* f = std::fopen(path.c_str(), "wb"))
    {
        std::fprintf(f, "P6\n%d %d\n255\n", p.width, p.height);
        for (uint32_t word : p.data)
        {
            const unsigned char rgb[3] = {static_cast<unsigned char>(word >> 16), static_cast<unsigned char>(word >> 8),
                                          static_cast<unsigned char>(word)};
            std::fwrite(rgb, 1, 3, f);
        }
        std::fclose(f);
    }
}

struct Edit
{
    VstInt32 opcode;
    VstInt32 index;
    float opt;
};

// The begin, end and automate calls a host recorded, in order.
inline std::vector<Edit> edits(const TestHost& host)
{
    std::vector<Edit> out;
    for (const HostCall& c : host.calls())
        if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit || c.opcode == audioMasterAutomate)
            out.push_back({c.opcode, c.index, c.opt});
    return out;
}

inline std::string describe(const std::vector<Edit>& list)
{
    std::string text;
    for (const Edit& e : list)
        text += e.opcode == audioMasterBeginEdit ? "begin " + std::to_string(e.index) + "; "
                : e.opcode == audioMasterEndEdit ? "end " + std::to_string(e.index) + "; "
                                                 : "auto " + std::to_string(e.index) + "=" +
                                                       std::to_string(static_cast<int>(e.opt)) + "; ";
    return text;
}

// A click on the button for parameter index sends begin, one or more automates
// of the new value, and end.
inline void expectEditOf(const std::vector<Edit>& seen, int index, float expected)
{
    std::printf("[calls] click on %d: %s\n", index, describe(seen).c_str());
    ASSERT_GE(seen.size(), 3u) << describe(seen);
    EXPECT_EQ(seen.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(seen.front().index, index);
    EXPECT_EQ(seen.back().opcode, audioMasterEndEdit);
    EXPECT_EQ(seen.back().index, index);
    for (size_t i = 1; i + 1 < seen.size(); ++i)
    {
        EXPECT_EQ(seen[i].opcode, audioMasterAutomate) << describe(seen);
        EXPECT_EQ(seen[i].index, index);
        EXPECT_EQ(seen[i].opt, expected);
    }
}

// The random button sends begin 1000, whole batches of the sixteen steps at 0
// or 1, and end 1000.
inline void expectRandomBatches(const std::vector<Edit>& seen)
{
    ASSERT_GE(seen.size(), 18u) << describe(seen);
    EXPECT_EQ(seen.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(seen.front().index, 1000);
    EXPECT_EQ(seen.back().opcode, audioMasterEndEdit);
    EXPECT_EQ(seen.back().index, 1000);
    EXPECT_EQ((seen.size() - 2) % 16, 0u) << describe(seen);
    for (size_t i = 1; i + 1 < seen.size(); ++i)
    {
        EXPECT_EQ(seen[i].opcode, audioMasterAutomate) << describe(seen);
        EXPECT_EQ(seen[i].index, static_cast<VstInt32>((i - 1) % 16));
        EXPECT_TRUE(seen[i].opt == 0.0f || seen[i].opt == 1.0f);
    }
}

} // namespace e2e
