// Writes the pictures a person looks at: the test scene and the seven
// bitmaps side by side, and checks that what was written reads back.
#include "gui_test_support.h"
#include "png_io.h"
#include "scene.h"

#include <algorithm>

using namespace guitest;

namespace {

class PictureTest : public SoftTest
{
protected:
    static std::string artifact(const char* name) { return std::string(QUELT_ARTIFACT_DIR) + "/" + name; }
};

} // namespace

TEST_F(PictureTest, TheSceneRendersToAPngThatReadsBackUnchanged)
{
    const Pixels scene = renderSceneSoft();
    // Every leaf of the scene left its mark: no pixel of the raw buffers stays.
    EXPECT_GT(countColour(scene, scene.bounds(), platform::packRgb(90, 24, 30)), 500);
    EXPECT_GT(countColour(scene, scene.bounds(), platform::packRgb(24, 90, 40)), 500);
    EXPECT_GT(countColour(scene, scene.bounds(), platform::packRgb(200, 180, 40)), 100);
    EXPECT_GT(countColour(scene, scene.bounds(), platform::packRgb(30, 60, 200)), 300);
    EXPECT_EQ(soft().counters().liveSurfaces, 0);
    EXPECT_EQ(soft().counters().liveImages, 0);
    EXPECT_EQ(soft().counters().liveObjects, 0);

    const std::string path = artifact("view_tree.png");
    ASSERT_TRUE(writePng(path, scene));
    Pixels back;
    ASSERT_TRUE(readPng(path, back));
    EXPECT_EQ(back.width, kSceneWidth);
    EXPECT_EQ(back.height, kSceneHeight);
    EXPECT_EQ(back.data, scene.data);

    // The same drawing twice gives the same pixels.
    EXPECT_EQ(renderSceneSoft().data, scene.data);
}

TEST_F(PictureTest, TheSevenBitmapsSideBySide)
{
    constexpr int32_t kGap = 8;
    std::vector<CBitmap*> bitmaps;
    int32_t width = 0;
    int32_t height = 0;
    for (int32_t id = 128; id <= 134; ++id)
    {
        bitmaps.push_back(new CBitmap(id));
        width += bitmaps.back()->getWidth() + (id > 128 ? kGap : 0);
        height = std::max(height, bitmaps.back()->getHeight());
    }
    ASSERT_EQ(width, 600 + 27 + 24 + 21 + 48 + 24 + 600 + 6 * kGap);
    ASSERT_EQ(height, 48);

    CFrame frame(CRect(0, 0, width, height), nullptr, nullptr);
    auto* sheet = new COffscreenContext(&frame, width, height, CColor{60, 60, 60, 255});
    int32_t x = 0;
    for (CBitmap* bitmap : bitmaps)
    {
        bitmap->draw(sheet, CRect(x, 0, x + bitmap->getWidth(), bitmap->getHeight()));
        x += bitmap->getWidth() + kGap;
    }
    const Pixels sheetPixels = pixelsOf(sheet);
    // The step strip's lower frame lands where it should: compare with a
    // direct copy of the bitmap.
    auto* probe = new COffscreenContext(&frame, 24, 48, kBlackCColor);
    bitmaps[2]->draw(probe, CRect(0, 0, 24, 48));
    const Pixels& strip = pixelsOf(probe);
    const int32_t stripX = 600 + kGap + 27 + kGap;
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t sx = 0; sx < 24; ++sx)
            ASSERT_EQ(sheetPixels.at(stripX + sx, y), strip.at(sx, y)) << sx << "," << y;
    probe->release();
    sheet->release();
    for (CBitmap* bitmap : bitmaps)
        bitmap->release();

    const std::string path = artifact("bitmaps.png");
    ASSERT_TRUE(writePng(path, sheetPixels));
    Pixels back;
    ASSERT_TRUE(readPng(path, back));
    EXPECT_EQ(back.data, sheetPixels.data);
}
