#include "vstgui/platform/bmp.h"

#include <utility>

namespace VSTGUI {
namespace platform {

namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr int64_t kMaxPixels = int64_t(1) << 26;

uint32_t readU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t readU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

struct Header
{
    int32_t width;
    int32_t height; // always positive here
    bool topDown;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t paletteSize;
};

class PixelSink
{
public:
    PixelSink(Pixels& pixels, bool topDown) : pixels(pixels), topDown(topDown) {}

    // row counts from the first row stored, which is the bottom one unless top-down
    void put(int32_t x, int32_t row, uint32_t colour)
    {
        if (x < 0 || x >= pixels.width || row < 0 || row >= pixels.height)
            return;
        const int32_t y = topDown ? row : pixels.height - 1 - row;
        pixels.at(x, y) = colour;
    }

private:
    Pixels& pixels;
    bool topDown;
};

bool decodeRgb(const Header& h, const uint32_t* palette, const uint8_t* bits, size_t available, PixelSink& sink)
{
    const uint64_t rowBits = uint64_t(h.width) * h.bitCount;
    const uint64_t stride = ((rowBits + 31) / 32) * 4;
    if (stride * uint64_t(h.height) > available)
        return false;
    for (int32_t row = 0; row < h.height; ++row)
    {
        const uint8_t* line = bits + stride * uint64_t(row);
        for (int32_t x = 0; x < h.width; ++x)
        {
            uint32_t colour = 0;
            switch (h.bitCount)
            {
            case 1:
                colour = palette[(line[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                colour = palette[(line[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
                break;
            case 8:
                colour = palette[line[x]];
                break;
            case 24:
                colour = packRgb(line[x * 3 + 2], line[x * 3 + 1], line[x * 3]);
                break;
            case 32:
                colour = packRgb(line[x * 4 + 2], line[x * 4 + 1], line[x * 4]);
                break;
            default:
                return false;
            }
            sink.put(x, row, colour);
        }
    }
    return true;
}

// Run-length encoded 8- or 4-bit data; pixels the stream skips stay black.
bool decodeRle(const Header& h, const uint32_t* palette, const uint8_t* bits, size_t available, PixelSink& sink)
{
    const bool four = h.compression == kRle4;
    size_t i = 0;
    int32_t x = 0;
    int32_t row = 0;
    auto colourOf = [&](uint8_t byte, int32_t n) {
        return four ? palette[(n & 1) ? (byte & 0x0F) : (byte >> 4)] : palette[byte];
    };
    while (i + 1 < available)
    {
        const uint8_t count = bits[i];
        const uint8_t value = bits[i + 1];
        i += 2;
        if (count > 0)
        {
            for (int32_t n = 0; n < count; ++n)
                sink.put(x++, row, colourOf(value, n));
            continue;
        }
        switch (value)
        {
        case 0: // end of line
            x = 0;
            ++row;
            break;
        case 1: // end of bitmap
            return true;
        case 2: // delta
            if (i + 1 >= available)
                return false;
            x += bits[i];
            row += bits[i + 1];
            i += 2;
            break;
        default: // absolute run of `value` pixels, padded to a 16-bit boundary
        {
            const size_t bytes = four ? (value + 1u) / 2u : value;
            const size_t padded = (bytes + 1u) & ~size_t(1);
            if (i + bytes > available)
                return false;
            for (int32_t n = 0; n < value; ++n)
                sink.put(x++, row, colourOf(four ? bits[i + n / 2] : bits[i + n], n));
            i += padded;
            break;
        }
        }
        if (row >= h.height)
            return true;
    }
    // A stream without its end marker still gives what it drew.
    return true;
}

} // namespace

bool decodeBmp(const uint8_t* data, size_t size, Pixels& out)
{
    if (!data)
        return false;
    size_t infoStart = 0;
    size_t bitsOffset = 0;
    if (size >= kFileHeaderSize && data[0] == 'B' && data[1] == 'M')
    {
        infoStart = kFileHeaderSize;
        bitsOffset = readU32(data + 10);
    }
    if (size < infoStart + kInfoHeaderSize)
        return false;
    const uint8_t* info = data + infoStart;
    const uint32_t infoSize = readU32(info);
    if (infoSize < kInfoHeaderSize || infoSize > size - infoStart)
        return false;

    Header h{};
    h.width = static_cast<int32_t>(readU32(info + 4));
    const int32_t rawHeight = static_cast<int32_t>(readU32(info + 8));
    const uint16_t planes = readU16(info + 12);
    h.bitCount = readU16(info + 14);
    h.compression = readU32(info + 16);
    const uint32_t clrUsed = readU32(info + 32);
    if (planes != 1 || h.width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN)
        return false;
    h.topDown = rawHeight < 0;
    h.height = h.topDown ? -rawHeight : rawHeight;
    if (int64_t(h.width) * h.height > kMaxPixels)
        return false;

    const bool paletted = h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8;
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    if (h.compression == kRle8 && h.bitCount != 8)
        return false;
    if (h.compression == kRle4 && h.bitCount != 4)
        return false;
    if (!rle && h.compression != kRgb)
        return false;
    if (!paletted && h.bitCount != 24 && h.bitCount != 32)
        return false;
    if (rle && h.topDown)
        return false;

    uint32_t palette[256] = {};
    const size_t paletteStart = infoStart + infoSize;
    if (paletted)
    {
        const uint32_t maxEntries = 1u << h.bitCount;
        h.paletteSize = clrUsed == 0 ? maxEntries : clrUsed;
        if (h.paletteSize > maxEntries)
            return false;
        if (paletteStart + size_t(h.paletteSize) * 4 > size)
            return false;
        for (uint32_t n = 0; n < h.paletteSize; ++n)
        {
            const uint8_t* q = data + paletteStart + n * 4;
            palette[n] = packRgb(q[2], q[1], q[0]);
        }
    }
    if (bitsOffset == 0)
        bitsOffset = paletteStart + size_t(h.paletteSize) * 4;
    if (bitsOffset > size)
        return false;

    Pixels pixels(h.width, h.height, 0);
    PixelSink sink(pixels, h.topDown);
    const bool ok = rle ? decodeRle(h, palette, data + bitsOffset, size - bitsOffset, sink)
                        : decodeRgb(h, palette, data + bitsOffset, size - bitsOffset, sink);
    if (!ok)
        return false;
    out = std::move(pixels);
    return true;
}

} // namespace platform
} // namespace VSTGUI
