#include "vstgui/platform/soft.h"

#include "vstgui/platform/bmp.h"
#include "vstgui/platform/embedded_bitmaps.h"
#include "vstgui/platform/soft_window.h"

#include <algorithm>

namespace VSTGUI {
namespace platform {

struct Object
{
    ObjectKind kind;
    bool stock;
    CColor colour;
};

struct Image
{
    Pixels pixels;
};

struct Surface
{
    Pixels* pixels = nullptr;
    std::unique_ptr<Pixels> own;
    bool hasClip = false;
    CRect clip;
    Object* pen = nullptr;
    Object* brush = nullptr;
    Object* font = nullptr;
    CColor background = kWhiteCColor;
    CColor text = kBlackCColor;
    bool transparentText = false;
    std::vector<CRect> damage;  // what was drawn since the surface was acquired
};

namespace {

// A fresh surface starts with the stock black pen, white brush and system font.
Object gStockPen{ObjectKind::pen, true, kBlackCColor};
Object gStockBrush{ObjectKind::brush, true, kWhiteCColor};
Object gStockFont{ObjectKind::font, true, kBlackCColor};

CRect drawableArea(const Surface& s)
{
    CRect area = s.pixels->bounds();
    if (s.hasClip)
        area.bound(s.clip);
    return area;
}

CRect united(const CRect& a, const CRect& b)
{
    return CRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                 std::max(a.bottom, b.bottom));
}

// Keeps what a drawing operation wrote: a few rectangles, those that touch
// merged; beyond eight, one that holds them all.
void noteDamage(Surface& s, const CRect& written)
{
    if (written.isEmpty())
        return;
    CRect r = written;
    for (auto it = s.damage.begin(); it != s.damage.end();)
    {
        if (it->left <= r.right && r.left <= it->right && it->top <= r.bottom && r.top <= it->bottom)
        {
            r = united(r, *it);
            it = s.damage.erase(it);
        }
        else
            ++it;
    }
    s.damage.push_back(r);
    if (s.damage.size() > 8)
    {
        CRect all = s.damage.front();
        for (const CRect& d : s.damage)
            all = united(all, d);
        s.damage.assign(1, all);
    }
}

void plot(Surface& s, const CRect& area, int32_t x, int32_t y, uint32_t colour)
{
    if (x >= area.left && x < area.right && y >= area.top && y < area.bottom)
    {
        s.pixels->at(x, y) = colour;
        noteDamage(s, CRect(x, y, x + 1, y + 1));
    }
}

// Axis-aligned line from (x0, y0) towards (x1, y1), its end point left out.
void line(Surface& s, const CRect& area, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour)
{
    if (x0 != x1 && y0 != y1)
        return;
    const int32_t dx = (x1 > x0) - (x1 < x0);
    const int32_t dy = (y1 > y0) - (y1 < y0);
    for (int32_t x = x0, y = y0; x != x1 || y != y1; x += dx, y += dy)
        plot(s, area, x, y, colour);
}

// Visits every destination pixel of a block transfer that lands inside the
// target's clip and comes from inside the source.
template <typename PixelOp>
void transfer(Surface& target, const CRect& dest, const Pixels& source, CPoint origin, PixelOp op)
{
    if (dest.isEmpty())
        return;
    CRect area = drawableArea(target);
    area.bound(dest);
    noteDamage(target, area);
    for (int32_t y = area.top; y < area.bottom; ++y)
    {
        const int32_t sy = origin.y + (y - dest.top);
        for (int32_t x = area.left; x < area.right; ++x)
        {
            const int32_t sx = origin.x + (x - dest.left);
            if (source.contains(sx, sy))
                op(target.pixels->at(x, y), source.at(sx, sy));
        }
    }
}

} // namespace


void SoftPlatform::addImage(int32_t resourceId, const Pixels& pixels) { addedImages[resourceId] = pixels; }

void SoftPlatform::removeAddedImages() { addedImages.clear(); }

void SoftPlatform::resetCounters()
{
    stats.clipChanges = 0;
    stats.pensCreated = 0;
    stats.brushesCreated = 0;
    stats.fontsCreated = 0;
    stats.paintsDelivered = 0;
    stats.windowSurfacesAcquired = 0;
    stats.windowPixelsWritten = 0;
    stats.sleptMilliseconds = 0;
}

const Pixels* SoftPlatform::surfacePixels(Surface* surface) { return surface ? surface->pixels : nullptr; }

Surface* SoftPlatform::newSurface(Pixels* target, Window*)
{
    auto* s = new Surface;
    s->pixels = target;
    s->pen = &gStockPen;
    s->brush = &gStockBrush;
    s->font = &gStockFont;
    ++stats.liveSurfaces;
    return s;
}

Surface* SoftPlatform::acquireWindowSurface(WindowRef window)
{
    if (!window)
        return newSurface(&screen, nullptr);
    Window* w = find(window);
    if (!w)
        return nullptr;
    ++stats.windowSurfacesAcquired;
    return newSurface(&w->pixels, w);
}

void SoftPlatform::releaseWindowSurface(WindowRef window, Surface* surface)
{
    if (!surface)
        return;
    if (window)
        for (const CRect& r : surface->damage)
            stats.windowPixelsWritten += r.width() * r.height();
    delete surface;
    --stats.liveSurfaces;
}

const std::vector<CRect>& SoftPlatform::surfaceDamage(Surface* surface)
{
    static const std::vector<CRect> none;
    return surface ? surface->damage : none;
}

Surface* SoftPlatform::createMemorySurface(WindowRef, int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    auto own = std::make_unique<Pixels>(width, height, 0);
    Surface* s = newSurface(own.get(), nullptr);
    s->own = std::move(own);
    return s;
}

void SoftPlatform::destroyMemorySurface(Surface* surface) { releaseWindowSurface(nullptr, surface); }

Object* SoftPlatform::createPen(PenStyle, int32_t, CColor colour)
{
    // Pens are drawn one pixel wide and solid: the toolkit uses no others.
    ++stats.pensCreated;
    ++stats.liveObjects;
    return new Object{ObjectKind::pen, false, colour};
}

Object* SoftPlatform::createSolidBrush(CColor colour)
{
    if (brushFails)
        return nullptr;
    ++stats.brushesCreated;
    ++stats.liveObjects;
    return new Object{ObjectKind::brush, false, colour};
}

Object* SoftPlatform::createFont(const FontDescription&)
{
    ++stats.fontsCreated;
    ++stats.liveObjects;
    return new Object{ObjectKind::font, false, kBlackCColor};
}

Object* SoftPlatform::selectObject(Surface* surface, Object* object)
{
    if (!surface || !object)
        return nullptr;
    Object** slot = object->kind == ObjectKind::pen     ? &surface->pen
                    : object->kind == ObjectKind::brush ? &surface->brush
                                                        : &surface->font;
    Object* previous = *slot;
    *slot = object;
    return previous;
}

Object* SoftPlatform::currentObject(Surface* surface, ObjectKind kind)
{
    if (!surface)
        return nullptr;
    return kind == ObjectKind::pen ? surface->pen : kind == ObjectKind::brush ? surface->brush : surface->font;
}

void SoftPlatform::destroyObject(Object* object)
{
    if (!object || object->stock)
        return;
    delete object;
    --stats.liveObjects;
}

void SoftPlatform::prepareSurface(Surface* surface)
{
    if (surface)
        surface->transparentText = true;
}

void SoftPlatform::setBackgroundColour(Surface* surface, CColor colour)
{
    if (surface)
        surface->background = colour;
}

void SoftPlatform::setTextColour(Surface* surface, CColor colour)
{
    if (surface)
        surface->text = colour;
}

void SoftPlatform::setClip(Surface* surface, const CRect& clip)
{
    if (!surface)
        return;
    ++stats.clipChanges;
    surface->hasClip = true;
    surface->clip = clip;
}

void SoftPlatform::outlineRect(Surface* surface, const CRect& r)
{
    if (!surface)
        return;
    const CRect area = drawableArea(*surface);
    const uint32_t c = packRgb(surface->pen->colour);
    // Four lines, each without its end point, around [left, right-1] x [top, bottom-1].
    line(*surface, area, r.left, r.top, r.right - 1, r.top, c);
    line(*surface, area, r.right - 1, r.top, r.right - 1, r.bottom - 1, c);
    line(*surface, area, r.right - 1, r.bottom - 1, r.left, r.bottom - 1, c);
    line(*surface, area, r.left, r.bottom - 1, r.left, r.top, c);
}

void SoftPlatform::fillRect(Surface* surface, const CRect& rect, Object* brush)
{
    if (!surface || !brush || rect.isEmpty())
        return;
    CRect area = drawableArea(*surface);
    area.bound(rect);
    noteDamage(*surface, area);
    const uint32_t c = packRgb(brush->colour);
    for (int32_t y = area.top; y < area.bottom; ++y)
        for (int32_t x = area.left; x < area.right; ++x)
            surface->pixels->at(x, y) = c;
}

void SoftPlatform::copy(Surface* target, const CRect& dest, Surface* source, CPoint origin)
{
    if (!target || !source)
        return;
    const auto assign = [](uint32_t& d, uint32_t s) { d = s; };
    if (source->pixels != target->pixels)
    {
        transfer(*target, dest, *source->pixels, origin, assign);
        return;
    }
    // A copy within one surface reads from a snapshot, as a block transfer does.
    const Pixels snapshot = *source->pixels;
    transfer(*target, dest, snapshot, origin, assign);
}

Image* SoftPlatform::loadImage(int32_t resourceId)
{
    const int32_t id = resourceId & 0xFFFF;
    auto added = addedImages.find(id);
    Pixels pixels;
    if (added != addedImages.end())
        pixels = added->second;
    else
    {
        const EmbeddedBitmap* bitmap = findEmbeddedBitmap(id);
        if (!bitmap || !decodeBmp(bitmap->data, bitmap->size, pixels))
            return nullptr;
    }
    ++stats.liveImages;
    return new Image{std::move(pixels)};
}

bool SoftPlatform::imageSize(Image* image, int32_t& width, int32_t& height)
{
    if (!image)
        return false;
    width = image->pixels.width;
    height = image->pixels.height;
    return true;
}

void SoftPlatform::destroyImage(Image* image)
{
    if (!image)
        return;
    delete image;
    --stats.liveImages;
}

void SoftPlatform::drawImage(Surface* target, const CRect& dest, Image* image, CPoint origin)
{
    if (!target || !image)
        return;
    transfer(*target, dest, image->pixels, origin, [](uint32_t& d, uint32_t s) { d = s; });
}

void SoftPlatform::drawImageKeyed(Surface* target, const CRect& dest, Image* image, CPoint origin, CColor key)
{
    if (!target || !image)
        return;
    const uint32_t keyRgb = packRgb(key);
    transfer(*target, dest, image->pixels, origin, [keyRgb](uint32_t& d, uint32_t s) {
        if (s != keyRgb)
            d = s;
    });
}

uint8_t SoftPlatform::blendChannel(uint8_t target, uint8_t source, uint8_t alpha)
{
    return static_cast<uint8_t>((source * alpha + target * (255 - alpha) + 127) / 255);
}

void SoftPlatform::drawImageBlended(Surface* target, const CRect& dest, Image* image, CPoint origin, uint8_t alpha)
{
    if (!target || !image || dest.isEmpty())
        return;
    // A source block reaching outside the image is refused as a whole.
    const CRect source(origin.x, origin.y, origin.x + dest.width(), origin.y + dest.height());
    if (source.left < 0 || source.top < 0 || source.right > image->pixels.width ||
        source.bottom > image->pixels.height)
        return;
    transfer(*target, dest, image->pixels, origin, [alpha](uint32_t& d, uint32_t s) {
        const auto channel = [&](int shift) {
            return uint32_t(blendChannel(uint8_t(d >> shift), uint8_t(s >> shift), alpha)) << shift;
        };
        d = channel(16) | channel(8) | channel(0);
    });
}

void* SoftPlatform::acquireBlitSupport()
{
    ++stats.blitSupportHeld;
    return this;
}

void SoftPlatform::releaseBlitSupport(void* token)
{
    if (token)
        --stats.blitSupportHeld;
}

SoftPlatform& softPlatform()
{
    static SoftPlatform instance;
    return instance;
}

} // namespace platform
} // namespace VSTGUI
