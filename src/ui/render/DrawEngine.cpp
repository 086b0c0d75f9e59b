#include "ui/render/DrawEngine.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/core/ResourceImage.h"
#include "ui/core/WindowManager.h"
#include "ui/render/ImageDescription.h"

namespace SkinUI {

// ---- ImageDrawInfo --------------------------------------------------------------------------------

void ImageDrawInfo::Clear()
{
    description.Empty();
    imageName.Empty();
    parsed = false;
    image = nullptr;
    dest.Clear();
    source.Clear();
    corner.Clear();
    fade = 255;
    hole = false;
    tileX = false;
    tileY = false;
}

void ImageDrawInfo::SetDescription(const CStringUI& text)
{
    Clear();
    description = text;
}

// ---- ClipState ------------------------------------------------------------------------------------

ClipState::ClipState(ClipState&& other) noexcept
    : m_dc(std::exchange(other.m_dc, nullptr)), m_previous(std::move(other.m_previous)),
      m_region(std::move(other.m_region)), m_rect(other.m_rect)
{}

ClipState& ClipState::operator=(ClipState&& other) noexcept
{
    if (this != &other) {
        Restore();
        m_dc = std::exchange(other.m_dc, nullptr);
        m_previous = std::move(other.m_previous);
        m_region = std::move(other.m_region);
        m_rect = other.m_rect;
    }
    return *this;
}

void ClipState::Restore()
{
    if (m_dc == nullptr)
        return;
    m_dc->SelectClipRegion(m_previous ? &*m_previous : nullptr);
    m_dc = nullptr;
    m_previous.reset();
    m_region = plat::CRegion();
}

ClipState ClipState::Select(plat::CDeviceContext* dc, plat::CRegion region, const RectUI& rect)
{
    ClipState state;
    plat::CRegion previous;
    if (dc->GetClipRegion(previous))
        state.m_previous = std::move(previous);
    dc->SelectClipRegion(&region);
    state.m_dc = dc;
    state.m_region = std::move(region);
    state.m_rect = rect;
    return state;
}

RenderPlatformUI& RenderPlatform()
{
    static RenderPlatformUI functions;
    return functions;
}

namespace {

// Coordinates of images are kept within this range so that sums of a few of them cannot overflow.
constexpr int64_t kCoordinateLimit = 1 << 28;

int32_t Bounded(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, -kCoordinateLimit, kCoordinateLimit));
}

RectUI Bounded(const RectUI& r)
{
    return {Bounded(r.left), Bounded(r.top), Bounded(r.right), Bounded(r.bottom)};
}

bool IsTranslucentCopy(bool alpha, uint8_t fade)
{
    return alpha || fade != 255;
}

uint8_t ClampChannel(double value)
{
    return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
}

// Stands in for the platform's blend: the source alpha scaled by fade weighs source against
// destination, so the source reads as not premultiplied.
void SoftwareBlend(plat::CDeviceContext* dc, const RectUI& dst, const plat::CBitmap& src,
                   const RectUI& srcRect, uint8_t fade)
{
    plat::CBitmap* target = dc->Bitmap();
    if (target == nullptr || dst.IsEmpty() || srcRect.IsEmpty())
        return;
    plat::Rect box;
    if (dc->GetClipBox(box) == plat::kRegion_Null)
        return;
    plat::CRegion clip;
    const bool clipped = dc->GetClipRegion(clip);
    RectUI area;
    if (!area.Intersect(dst, FromPlatRect(box)))
        return;
    const RectUI source = {std::max(srcRect.left, 0), std::max(srcRect.top, 0),
                           std::min(srcRect.right, src.Width()), std::min(srcRect.bottom, src.Height())};
    if (source.IsEmpty())
        return;
    const int64_t dstW = dst.GetWidth(), dstH = dst.GetHeight();
    const int64_t srcW = srcRect.GetWidth(), srcH = srcRect.GetHeight();
    for (int y = area.top; y < area.bottom; ++y) {
        const int sy = static_cast<int>(srcRect.top + (y - dst.top) * srcH / dstH);
        if (sy < source.top || sy >= source.bottom)
            continue;
        const uint32_t* srcRow = src.Row(sy);
        uint32_t* dstRow = target->Row(y);
        for (int x = area.left; x < area.right; ++x) {
            const int sx = static_cast<int>(srcRect.left + (x - dst.left) * srcW / dstW);
            if (sx < source.left || sx >= source.right || (clipped && !clip.Contains(x, y)))
                continue;
            const uint32_t s = srcRow[sx];
            const uint32_t d = dstRow[x];
            const double weight = std::max(0.0, (s >> 24) * fade / 255.0 / 255.0);
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const double value = ((s >> shift) & 0xFF) * weight + ((d >> shift) & 0xFF) * (1 - weight);
                out |= static_cast<uint32_t>(ClampChannel(value)) << shift;
            }
            dstRow[x] = out;
        }
    }
    target->MarkDirty();
}

void BlendPart(plat::CDeviceContext* dc, const RectUI& dst, const plat::CBitmap& src, const RectUI& srcRect,
               uint8_t fade)
{
    if (RenderPlatform().hasAlphaBlend)
        dc->AlphaBlend(ToPlatRect(dst), src, ToPlatRect(srcRect), fade);
    else
        SoftwareBlend(dc, dst, src, srcRect, fade);
}

// Draws one part of the grid when its destination meets the paint rectangle.
struct CPartPainter
{
    plat::CDeviceContext* dc;
    const plat::CBitmap& bitmap;
    const RectUI& paint;
    bool blend;
    uint8_t fade;

    void operator()(const RectUI& dst, const RectUI& src) const
    {
        if (dst.IsEmpty() || src.IsEmpty() || !dst.Intersects(paint))
            return;
        if (blend)
            BlendPart(dc, dst, bitmap, src, fade);
        else
            dc->StretchBlt(ToPlatRect(dst), bitmap, ToPlatRect(src));
    }
};

// The first tile start at or before from on a grid of step from origin.
int FirstTileAt(int origin, int from, int step)
{
    if (from <= origin)
        return origin;
    return origin + static_cast<int>((static_cast<int64_t>(from) - origin) / step * step);
}

void DrawCentre(const CPartPainter& part, const RectUI& dst, const RectUI& src, bool tileX, bool tileY)
{
    const int sw = src.GetWidth(), sh = src.GetHeight();
    if (!tileX && !tileY) {
        part(dst, src);
        return;
    }
    if ((tileX && sw <= 0) || (tileY && sh <= 0) || dst.IsEmpty())
        return;
    RectUI visible;
    if (!visible.Intersect(dst, part.paint))
        return;
    // Only tiles that can meet the paint rectangle are walked.
    const int xStart = tileX ? FirstTileAt(dst.left, visible.left, sw) : dst.left;
    const int xEnd = tileX ? visible.right : dst.left + 1;
    const int yStart = tileY ? FirstTileAt(dst.top, visible.top, sh) : dst.top;
    const int yEnd = tileY ? visible.bottom : dst.top + 1;
    for (int y = yStart; y < yEnd; y += tileY ? sh : 1) {
        const int h = tileY ? std::min(sh, dst.bottom - y) : dst.GetHeight();
        for (int x = xStart; x < xEnd; x += tileX ? sw : 1) {
            const int w = tileX ? std::min(sw, dst.right - x) : dst.GetWidth();
            const RectUI to{x, y, x + w, y + h};
            const RectUI from{src.left, src.top, src.left + (tileX ? w : sw), src.top + (tileY ? h : sh)};
            part(to, from);
        }
    }
}

int BandExponent(int steps)
{
    if (steps < 4)
        return 1;
    if (steps < 8)
        return 2;
    if (steps < 16)
        return 3;
    if (steps < 32)
        return 4;
    if (steps < 64)
        return 5;
    return 6;
}

// 2^k solid bands from the second colour at the far edge to nearly the first at the near edge.
void FillGradientBands(plat::CDeviceContext* dc, const RectUI& rect, ColorUI first, ColorUI second,
                       bool vertical, int steps)
{
    const int k = BandExponent(steps);
    const int count = 1 << k;
    const int64_t size = vertical ? rect.GetHeight() : rect.GetWidth();
    const int edge = vertical ? rect.bottom : rect.right;
    for (int i = 0; i < count; ++i) {
        auto mix = [&](int shift) {
            const uint32_t a = (second >> shift) & 0xFF, b = (first >> shift) & 0xFF;
            return ((a * static_cast<uint32_t>(count - i) + b * static_cast<uint32_t>(i)) >> k) << shift;
        };
        const uint32_t rgb = mix(16) | mix(8) | mix(0);
        const int from = edge - static_cast<int>(size * (i + 1) >> k);
        const int to = edge - static_cast<int>(size * i >> k);
        if (from >= to)
            continue;
        const RectUI band =
            vertical ? RectUI{rect.left, from, rect.right, to} : RectUI{from, rect.top, to, rect.bottom};
        dc->FillSolidRect(ToPlatRect(band), rgb);
    }
}

void DrawGradient(plat::CDeviceContext* dc, const RectUI& rect, ColorUI first, ColorUI second, bool vertical,
                  int steps)
{
    if (RenderPlatform().hasGradientFill)
        dc->GradientFill(ToPlatRect(rect), ColorOpaque(first), ColorOpaque(second), vertical);
    else
        FillGradientBands(dc, rect, first, second, vertical, steps);
}

double HueToChannel(double p, double q, double t)
{
    if (t < 0)
        t += 1;
    if (t > 1)
        t -= 1;
    if (t < 1.0 / 6)
        return p + (q - p) * 6 * t;
    if (t < 1.0 / 2)
        return q;
    if (t < 2.0 / 3)
        return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

plat::Pen MakePen(int style, int width, ColorUI color, bool insideFrame)
{
    plat::Pen pen;
    pen.style = style;
    pen.width = width;
    pen.rgb = color & 0x00FFFFFFu;
    pen.insideFrame = insideFrame;
    return pen;
}

} // namespace

// ---- Fills ----------------------------------------------------------------------------------------

void CDrawEngine::FillColor(plat::CDeviceContext* dc, const RectUI& rect, ColorUI color)
{
    if (dc == nullptr || rect.IsEmpty())
        return;
    const uint8_t alpha = ColorAlpha(color);
    if (alpha == 0)
        return;
    if (alpha == 255) {
        dc->FillSolidRect(ToPlatRect(rect), color & 0x00FFFFFFu);
        return;
    }
    std::unique_ptr<plat::CBitmap> pixel = plat::CBitmap::CreateDib(1, -1);
    if (!pixel)
        return;
    pixel->Row(0)[0] = color;
    pixel->MarkDirty();
    DrawImageParts(dc, pixel.get(), rect, rect, {0, 0, 1, 1}, {}, true, 255, false, false, false);
}

void CDrawEngine::FillGradient(plat::CDeviceContext* dc, const RectUI& rect, ColorUI first, ColorUI second,
                               bool vertical, int steps)
{
    if (dc == nullptr || rect.IsEmpty())
        return;
    const int opacity = (ColorAlpha(first) + ColorAlpha(second)) / 2;
    if (opacity == 0)
        return;
    if (opacity == 255) {
        DrawGradient(dc, rect, first, second, vertical, steps);
        return;
    }
    // Only the visible part of the rectangle needs an off-screen copy.
    plat::Rect box;
    dc->GetClipBox(box);
    RectUI visible;
    if (!visible.Intersect(rect, FromPlatRect(box)))
        return;
    std::unique_ptr<plat::CBitmap> bitmap =
        plat::CBitmap::CreateDib(visible.GetWidth(), -visible.GetHeight());
    std::unique_ptr<plat::CDeviceContext> memory = plat::CDeviceContext::CreateMemory();
    if (!bitmap || !memory)
        return;
    memory->SelectBitmap(bitmap.get());
    RectUI local = rect;
    local.Offset(-visible.left, -visible.top);
    DrawGradient(memory.get(), local, first, second, vertical, steps);
    memory->SelectBitmap(nullptr);
    BlendPart(dc, visible, *bitmap, {0, 0, visible.GetWidth(), visible.GetHeight()},
              static_cast<uint8_t>(opacity));
}

// ---- Lines and outlines ---------------------------------------------------------------------------

void CDrawEngine::DrawLine(plat::CDeviceContext* dc, const RectUI& rect, int penWidth, ColorUI color,
                           int penStyle)
{
    if (dc == nullptr)
        return;
    dc->DrawLine(rect.left, rect.top, rect.right, rect.bottom, MakePen(penStyle, penWidth, color, false));
}

void CDrawEngine::DrawRectOutline(plat::CDeviceContext* dc, const RectUI& rect, int penWidth, ColorUI color,
                                  int penStyle)
{
    if (dc == nullptr || rect.IsEmpty())
        return;
    dc->DrawRectOutline(ToPlatRect(rect), MakePen(penStyle, penWidth, color, true));
}

void CDrawEngine::DrawRoundRectOutline(plat::CDeviceContext* dc, const RectUI& rect, int penWidth,
                                       int ellipseWidth, int ellipseHeight, ColorUI color, int penStyle)
{
    if (dc == nullptr || rect.IsEmpty())
        return;
    dc->DrawRoundRectOutline(ToPlatRect(rect), ellipseWidth, ellipseHeight,
                             MakePen(penStyle, penWidth, color, true));
}

// ---- Text -----------------------------------------------------------------------------------------

void CDrawEngine::DrawPlainText(plat::CDeviceContext* dc, CWindowManagerUI* manager, RectUI& rect,
                                const wchar_t* text, ColorUI color, int font, unsigned format)
{
    if (dc == nullptr || manager == nullptr || text == nullptr)
        return;
    const bool measureOnly = (format & plat::kDT_CalcRect) != 0;
    if (!measureOnly && rect.IsEmpty())
        return;
    const CStringUI expanded = CWindowManagerUI::ExpandLanguageTokens(text);
    const int saved = dc->Save();
    dc->SetBkMode(plat::kBk_Transparent);
    dc->SetTextColor(color & 0x00FFFFFFu);
    dc->SelectFont(manager->FontById(font));
    plat::Rect area = ToPlatRect(rect);
    dc->DrawText(expanded.View(), area, format | plat::kDT_NoPrefix);
    dc->Restore(saved);
    if (measureOnly)
        rect = FromPlatRect(area);
}

// ---- Images ---------------------------------------------------------------------------------------

void CDrawEngine::DrawImageParts(plat::CDeviceContext* dc, const plat::CBitmap* bitmap, const RectUI& dest,
                                 const RectUI& paint, const RectUI& source, const RectUI& corner, bool alpha,
                                 uint8_t fade, bool hole, bool tileX, bool tileY)
{
    if (dc == nullptr || bitmap == nullptr)
        return;
    const RectUI D = Bounded(dest), S = Bounded(source), C = Bounded(corner);
    // Nothing outside the context's clip box can show, so tiles there are never walked.
    plat::Rect box;
    dc->GetClipBox(box);
    RectUI P;
    if (!P.Intersect(Bounded(paint), FromPlatRect(box)))
        return;
    const bool blend = IsTranslucentCopy(alpha, fade);
    if (!blend && !hole && C.IsZero() && D.GetSize() == S.GetSize()) {
        // Same size and no grid: copy just the painted part, unscaled.
        RectUI area;
        if (area.Intersect(D, P))
            dc->BitBlt(area.left, area.top, area.GetWidth(), area.GetHeight(), *bitmap,
                       S.left + area.left - D.left, S.top + area.top - D.top);
        return;
    }
    const CPartPainter part{dc, *bitmap, P, blend, fade};
    const int sw = S.GetWidth() - C.left - C.right;
    const int sh = S.GetHeight() - C.top - C.bottom;
    if (!hole) {
        DrawCentre(part, {D.left + C.left, D.top + C.top, D.right - C.right, D.bottom - C.bottom},
                   {S.left + C.left, S.top + C.top, S.left + C.left + sw, S.top + C.top + sh}, tileX, tileY);
    }
    if (C.left > 0 && C.top > 0)
        part({D.left, D.top, D.left + C.left, D.top + C.top},
             {S.left, S.top, S.left + C.left, S.top + C.top});
    if (C.top > 0)
        part({D.left + C.left, D.top, D.right - C.right, D.top + C.top},
             {S.left + C.left, S.top, S.left + C.left + sw, S.top + C.top});
    if (C.right > 0 && C.top > 0)
        part({D.right - C.right, D.top, D.right, D.top + C.top},
             {S.right - C.right, S.top, S.right, S.top + C.top});
    if (C.left > 0)
        part({D.left, D.top + C.top, D.left + C.left, D.bottom - C.bottom},
             {S.left, S.top + C.top, S.left + C.left, S.top + C.top + sh});
    if (C.right > 0)
        part({D.right - C.right, D.top + C.top, D.right, D.bottom - C.bottom},
             {S.right - C.right, S.top + C.top, S.right, S.top + C.top + sh});
    if (C.left > 0 && C.bottom > 0)
        part({D.left, D.bottom - C.bottom, D.left + C.left, D.bottom},
             {S.left, S.bottom - C.bottom, S.left + C.left, S.bottom});
    if (C.bottom > 0)
        part({D.left + C.left, D.bottom - C.bottom, D.right - C.right, D.bottom},
             {S.left + C.left, S.bottom - C.bottom, S.left + C.left + sw, S.bottom});
    if (C.right > 0 && C.bottom > 0)
        part({D.right - C.right, D.bottom - C.bottom, D.right, D.bottom},
             {S.right - C.right, S.bottom - C.bottom, S.right, S.bottom});
}

bool CDrawEngine::DrawImageDescription(plat::CDeviceContext* dc, CWindowManagerUI* manager,
                                       const RectUI& item, const RectUI& paint, ImageDrawInfo& info)
{
    if (manager == nullptr)
        return true;
    if (info.image == nullptr) {
        if (info.parsed)
            return false;
        info.parsed = true;
        if (info.description.IsEmpty())
            return false;
        const ImageDescriptionUI parsed = ParseImageDescription(info.description.GetData());
        info.imageName = parsed.imageName;
        info.dest = parsed.dest;
        info.source = parsed.source;
        info.corner = parsed.corner;
        info.fade = parsed.fade;
        info.hole = parsed.hole;
        info.tileX = parsed.tileX;
        info.tileY = parsed.tileY;
        info.image = manager->FindOrLoadImage(
            parsed.imageName.GetData(), parsed.usesResourceType ? parsed.resourceType.GetData() : nullptr,
            parsed.maskColour, parsed.keepSource);
        if (info.image == nullptr)
            return false;
        if (info.source.IsZero())
            info.source = {0, 0, info.image->width, info.image->height};
    }
    info.source.right = std::min(info.source.right, info.image->width);
    info.source.bottom = std::min(info.source.bottom, info.image->height);
    if (dc == nullptr)
        return true;
    RectUI dest = item;
    if (!info.dest.IsZero()) {
        dest = {item.left + info.dest.left, item.top + info.dest.top,
                std::min(item.right, item.left + info.dest.right),
                std::min(item.bottom, item.top + info.dest.bottom)};
    }
    if (dest.Intersects(item) && dest.Intersects(paint)) {
        DrawImageParts(dc, info.image->bitmap.get(), dest, paint, info.source, info.corner,
                       info.image->hasAlpha, info.fade, info.hole, info.tileX, info.tileY);
    }
    return true;
}

RectUI ImageDestinationRect(const RectUI& item, const RectUI& dest)
{
    if (dest.IsZero())
        return item;
    return {Bounded(int64_t{item.left} + dest.left), Bounded(int64_t{item.top} + dest.top),
            Bounded(std::min<int64_t>(item.right, int64_t{item.left} + dest.right)),
            Bounded(std::min<int64_t>(item.bottom, int64_t{item.top} + dest.bottom))};
}

// ---- Colour ---------------------------------------------------------------------------------------

ColorUI CDrawEngine::AdjustColorHSL(ColorUI color, int hue, int saturation, int lightness)
{
    if (hue == 180 && saturation == 100 && lightness == 100)
        return color;
    const double r = ColorRed(color) / 255.0, g = ColorGreen(color) / 255.0, b = ColorBlue(color) / 255.0;
    const double high = std::max({r, g, b}), low = std::min({r, g, b});
    double h = 0, s = 0, l = (high + low) / 2;
    if (high > low) {
        const double d = high - low;
        s = l > 0.5 ? d / (2 - high - low) : d / (high + low);
        if (high == r)
            h = (g - b) / d + (g < b ? 6 : 0);
        else if (high == g)
            h = (b - r) / d + 2;
        else
            h = (r - g) / d + 4;
        h *= 60;
    }
    h += hue - 180;
    if (h <= 0)
        h += 360;
    s *= saturation / 100.0;
    l *= lightness / 100.0;
    double outR = l, outG = l, outB = l;
    if (s != 0) {
        const double t = std::fmod(h, 360.0) / 360.0;
        const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
        const double p = 2 * l - q;
        outR = HueToChannel(p, q, t + 1.0 / 3);
        outG = HueToChannel(p, q, t);
        outB = HueToChannel(p, q, t - 1.0 / 3);
    }
    return MakeColor(ColorAlpha(color), ClampChannel(outR * 255), ClampChannel(outG * 255),
                     ClampChannel(outB * 255));
}

// ---- Clips ----------------------------------------------------------------------------------------

ClipState CDrawEngine::ClipToRect(plat::CDeviceContext* dc, const RectUI& rect)
{
    if (dc == nullptr)
        return {};
    plat::Rect box;
    dc->GetClipBox(box);
    RectUI narrowed;
    narrowed.Intersect(FromPlatRect(box), rect);
    return ClipState::Select(dc, plat::CRegion(ToPlatRect(narrowed)), rect);
}

ClipState CDrawEngine::ClipToRoundRect(plat::CDeviceContext* dc, const RectUI& paint, const RectUI& item,
                                       int ellipseWidth, int ellipseHeight)
{
    if (dc == nullptr)
        return {};
    plat::Rect box;
    dc->GetClipBox(box);
    RectUI narrowed;
    narrowed.Intersect(FromPlatRect(box), paint);
    plat::CRegion region = plat::CRegion::RoundRect(item.left, item.top, item.right + 1, item.bottom + 1,
                                                    ellipseWidth, ellipseHeight);
    region.Intersect(ToPlatRect(narrowed));
    return ClipState::Select(dc, std::move(region), item);
}

} // namespace SkinUI
