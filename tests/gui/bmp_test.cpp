#include "vstgui/platform/bmp.h"
#include "vstgui/platform/embedded_bitmaps.h"

#include <gtest/gtest.h>

#include <vector>

using VSTGUI::platform::decodeBmp;
using VSTGUI::platform::packRgb;
using VSTGUI::platform::Pixels;

namespace {

void put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}
void put16(std::vector<uint8_t>& b, uint16_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

// A bare resource: info header, palette and pixel bytes.
std::vector<uint8_t> dib(int32_t w, int32_t h, uint16_t bits, uint32_t compression,
                         const std::vector<uint32_t>& palette, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> b;
    put32(b, 40);
    put32(b, uint32_t(w));
    put32(b, uint32_t(h));
    put16(b, 1);
    put16(b, bits);
    put32(b, compression);
    put32(b, uint32_t(data.size()));
    put32(b, 2835);
    put32(b, 2835);
    put32(b, uint32_t(palette.size()));
    put32(b, 0);
    for (uint32_t c : palette)
        put32(b, c); // 0x00RRGGBB is the byte order blue, green, red, 0
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::vector<uint8_t> withFileHeader(const std::vector<uint8_t>& bare, size_t paletteEntries)
{
    std::vector<uint8_t> f = {'B', 'M'};
    put32(f, uint32_t(14 + bare.size()));
    put32(f, 0);
    put32(f, uint32_t(14 + 40 + paletteEntries * 4));
    f.insert(f.end(), bare.begin(), bare.end());
    return f;
}

} // namespace

TEST(BmpDecoder, TwentyFourBitRowsArePaddedAndStoredBottomUp)
{
    // 2 x 2: bottom row red, blue; top row green, white. Rows pad to 8 bytes.
    const std::vector<uint8_t> data = {0, 0, 255, 255, 0, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0, 0};
    Pixels p;
    ASSERT_TRUE(decodeBmp(dib(2, 2, 24, 0, {}, data).data(), dib(2, 2, 24, 0, {}, data).size(), p));
    EXPECT_EQ(p.at(0, 1), packRgb(255, 0, 0));
    EXPECT_EQ(p.at(1, 1), packRgb(0, 0, 255));
    EXPECT_EQ(p.at(0, 0), packRgb(0, 255, 0));
    EXPECT_EQ(p.at(1, 0), packRgb(255, 255, 255));

    const auto file = withFileHeader(dib(2, 2, 24, 0, {}, data), 0);
    Pixels q;
    ASSERT_TRUE(decodeBmp(file.data(), file.size(), q));
    EXPECT_EQ(q.data, p.data);
}

TEST(BmpDecoder, PalettedImagesOfOneFourAndEightBits)
{
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    Pixels p;
    auto eight = dib(3, 1, 8, 0, palette, {3, 1, 2, 0});
    ASSERT_TRUE(decodeBmp(eight.data(), eight.size(), p));
    EXPECT_EQ(p.data, (std::vector<uint32_t>{0x0000FF, 0xFF0000, 0x00FF00}));

    auto four = dib(3, 1, 4, 0, palette, {0x31, 0x20, 0, 0});
    ASSERT_TRUE(decodeBmp(four.data(), four.size(), p));
    EXPECT_EQ(p.data, (std::vector<uint32_t>{0x0000FF, 0xFF0000, 0x00FF00}));

    auto one = dib(3, 1, 1, 0, {0x000000, 0xFFFFFF}, {0xA0, 0, 0, 0});
    ASSERT_TRUE(decodeBmp(one.data(), one.size(), p));
    EXPECT_EQ(p.data, (std::vector<uint32_t>{0xFFFFFF, 0x000000, 0xFFFFFF}));
}

TEST(BmpDecoder, RunLengthEncodedEightBitWithAbsoluteRunsDeltasAndLineEnds)
{
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    // Bottom row: 3 x red, absolute (green, blue, red) padded, end of line.
    // Top row: delta right 2, 1 x blue, end of bitmap.
    const std::vector<uint8_t> rle = {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 0, 1, 3, 0, 1};
    auto bytes = dib(6, 2, 8, 1, palette, rle);
    Pixels p;
    ASSERT_TRUE(decodeBmp(bytes.data(), bytes.size(), p));
    EXPECT_EQ(p.at(0, 1), 0xFF0000u);
    EXPECT_EQ(p.at(2, 1), 0xFF0000u);
    EXPECT_EQ(p.at(3, 1), 0x00FF00u);
    EXPECT_EQ(p.at(4, 1), 0x0000FFu);
    EXPECT_EQ(p.at(5, 1), 0xFF0000u);
    EXPECT_EQ(p.at(0, 0), 0u); // skipped by the delta
    EXPECT_EQ(p.at(2, 0), 0x0000FFu);
}

TEST(BmpDecoder, RunLengthEncodedFourBitAlternatesNibbles)
{
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    // Bottom row: 4 pixels alternating 1 and 2, end of line. Top row: an
    // absolute run of 3 (indices 3, 1, 2 in two bytes), end of bitmap.
    const std::vector<uint8_t> rle = {4, 0x12, 0, 0, 0, 3, 0x31, 0x20, 0, 1};
    auto bytes = dib(5, 2, 4, 2, palette, rle);
    Pixels p;
    ASSERT_TRUE(decodeBmp(bytes.data(), bytes.size(), p));
    EXPECT_EQ(std::vector<uint32_t>(p.data.begin() + 5, p.data.end()),
              (std::vector<uint32_t>{0xFF0000, 0x00FF00, 0xFF0000, 0x00FF00, 0}));
    EXPECT_EQ(std::vector<uint32_t>(p.data.begin(), p.data.begin() + 5),
              (std::vector<uint32_t>{0x0000FF, 0xFF0000, 0x00FF00, 0, 0}));
}

TEST(BmpDecoder, TopDownImagesAreAccepted)
{
    const std::vector<uint8_t> data = {0, 0, 255, 0, 0, 255, 0, 0};
    auto bytes = dib(1, -2, 24, 0, {}, data);
    Pixels p;
    ASSERT_TRUE(decodeBmp(bytes.data(), bytes.size(), p));
    EXPECT_EQ(p.at(0, 0), 0xFF0000u);
    EXPECT_EQ(p.at(0, 1), 0x00FF00u);
}

TEST(BmpDecoder, MalformedInputIsRefusedAndLeavesTheOutputAlone)
{
    Pixels p(1, 1, 0x123456);
    const std::vector<uint8_t> data = {0, 0, 255, 0, 255, 0, 0, 0};
    auto good = dib(2, 1, 24, 0, {}, data);
    for (size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(decodeBmp(good.data(), cut, p)) << cut;
    auto bits = dib(2, 1, 16, 0, {}, data);
    EXPECT_FALSE(decodeBmp(bits.data(), bits.size(), p));
    auto zeroWidth = dib(0, 1, 24, 0, {}, data);
    EXPECT_FALSE(decodeBmp(zeroWidth.data(), zeroWidth.size(), p));
    auto huge = dib(100000, 100000, 24, 0, {}, data);
    EXPECT_FALSE(decodeBmp(huge.data(), huge.size(), p));
    auto rleWrongDepth = dib(2, 1, 24, 1, {}, data);
    EXPECT_FALSE(decodeBmp(rleWrongDepth.data(), rleWrongDepth.size(), p));
    auto bigPalette = dib(2, 1, 1, 0, {0, 1, 2}, data);
    EXPECT_FALSE(decodeBmp(bigPalette.data(), bigPalette.size(), p));
    // An absolute run longer than the data.
    auto shortRun = dib(8, 1, 8, 1, {0, 0xFFFFFF}, {0, 6, 1, 1});
    EXPECT_FALSE(decodeBmp(shortRun.data(), shortRun.size(), p));
    EXPECT_FALSE(decodeBmp(nullptr, 100, p));
    EXPECT_EQ(p.width, 1);
    EXPECT_EQ(p.at(0, 0), 0x123456u);
}

TEST(BmpDecoder, RunsPastTheRightEdgeAreCutNotWrittenOutOfBounds)
{
    auto bytes = dib(2, 1, 8, 1, {0, 0xFFFFFF}, {200, 1, 0, 1});
    Pixels p;
    ASSERT_TRUE(decodeBmp(bytes.data(), bytes.size(), p));
    EXPECT_EQ(p.data, (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF}));
}

// The artwork's fixed layout, read from the module's own bitmaps.
TEST(ModuleArtwork, BackgroundHasTheWhiteWindowsAndBeatMarks)
{
    const auto* embedded = VSTGUI::platform::findEmbeddedBitmap(128);
    ASSERT_NE(embedded, nullptr);
    Pixels p;
    ASSERT_TRUE(decodeBmp(embedded->data, embedded->size, p));
    ASSERT_EQ(p.width, 600);
    ASSERT_EQ(p.height, 36);
    const uint32_t white = 0xFFFFFF;
    auto allWhite = [&](int l, int t, int r, int b) {
        for (int y = t; y <= b; ++y)
            for (int x = l; x <= r; ++x)
                if (p.at(x, y) != white)
                    return false;
        return true;
    };
    EXPECT_TRUE(allWhite(72, 6, 455, 29));
    EXPECT_TRUE(allWhite(462, 6, 509, 29));
    EXPECT_TRUE(allWhite(516, 6, 539, 29));
    int whiteCount = 0;
    for (uint32_t c : p.data)
        whiteCount += c == white;
    EXPECT_EQ(whiteCount, 384 * 24 + 48 * 24 + 24 * 24);

    auto luminance = [&](int x, int y) {
        const uint32_t c = p.at(x, y);
        return 0.3 * (c >> 16) + 0.59 * ((c >> 8) & 0xFF) + 0.11 * (c & 0xFF);
    };
    for (int step = 0; step < 4; ++step)
    {
        const int x0 = 82 + 96 * step;
        for (int y = 31; y <= 34; ++y)
            for (int x = x0; x <= x0 + 3; ++x)
                EXPECT_LT(luminance(x, y) + 60, luminance(x0 - 3, y)) << x << "," << y;
    }
}

TEST(ModuleArtwork, ButtonStripsHaveTwoFramesThatDiffer)
{
    for (int32_t id : {129, 130, 131, 132, 133})
    {
        const auto* embedded = VSTGUI::platform::findEmbeddedBitmap(id);
        ASSERT_NE(embedded, nullptr) << id;
        Pixels p;
        ASSERT_TRUE(decodeBmp(embedded->data, embedded->size, p)) << id;
        ASSERT_EQ(p.height, 48) << id;
        int differing = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < p.width; ++x)
                differing += p.at(x, y) != p.at(x, y + 24);
        EXPECT_GT(differing, 20) << id;
    }
    EXPECT_EQ(VSTGUI::platform::findEmbeddedBitmap(127), nullptr);
    EXPECT_EQ(VSTGUI::platform::findEmbeddedBitmap(136), nullptr);
}
