#pragma once

#include <cstdint>
#include <optional>

#include "platform/Graphics.h"
#include "ui/core/UIColor.h"
#include "ui/core/UIGeometry.h"
#include "ui/core/UIString.h"

namespace SkinUI {

class CWindowManagerUI;
struct CachedImage;

// One image slot of a control: the description as the skin wrote it and what parsing it gave.
struct ImageDrawInfo
{
    CStringUI description;
    CStringUI imageName;
    // The description was parsed and a load attempted; a failed load is not retried.
    bool parsed = false;
    // Owned by the window manager's image cache.
    CachedImage* image = nullptr;
    // Offsets from the control's top-left; all zero means the whole control.
    RectUI dest;
    // All zero means the whole image.
    RectUI source;
    // Border widths of the nine-part grid, in image pixels.
    RectUI corner;
    uint8_t fade = 255;
    bool hole = false;
    bool tileX = false;
    bool tileY = false;

    void Clear();
    // Clears, then keeps the new description for the next draw to parse.
    void SetDescription(const CStringUI& text);
};

// A clip that CDrawEngine narrowed; restoring (or destroying) it selects the clip from before.
class ClipState
{
public:
    ClipState() = default;
    ClipState(ClipState&& other) noexcept;
    ClipState& operator=(ClipState&& other) noexcept;
    ClipState(const ClipState&) = delete;
    ClipState& operator=(const ClipState&) = delete;
    ~ClipState() { Restore(); }

    void Restore();
    const RectUI& GetRect() const { return m_rect; }

private:
    friend class CDrawEngine;
    // Selects region as the clip, remembering the clip from before.
    static ClipState Select(plat::CDeviceContext* dc, plat::CRegion region, const RectUI& rect);

    plat::CDeviceContext* m_dc = nullptr;
    // None when no clip was selected before.
    std::optional<plat::CRegion> m_previous;
    plat::CRegion m_region;
    RectUI m_rect;
};

// Which of the platform's blending and gradient functions the engine found at first use. Tests turn
// them off to see the drawing that stands in for a missing one.
struct RenderPlatformUI
{
    bool hasAlphaBlend = true;
    bool hasGradientFill = true;
};
RenderPlatformUI& RenderPlatform();

// Stateless drawing on a device context. A null context or an empty rectangle draws nothing.
// Lines, outlines and text use only the red, green and blue of their colour.
class CDrawEngine
{
public:
    // Alpha 0 draws nothing, 255 fills opaquely, anything between blends the colour as given, its
    // channels not multiplied by alpha (each channel saturates at 255).
    static void FillColor(plat::CDeviceContext* dc, const RectUI& rect, ColorUI color);
    // First colour exactly in the top (vertical) or left row, second exactly in the bottom or right one;
    // rows between are the linear mix, each channel within one unit of the exact value. The opacity is
    // the average of both alphas.
    static void FillGradient(plat::CDeviceContext* dc, const RectUI& rect, ColorUI first, ColorUI second,
                             bool vertical, int steps);

    // From (left, top) to (right, bottom).
    static void DrawLine(plat::CDeviceContext* dc, const RectUI& rect, int penWidth, ColorUI color,
                         int penStyle = plat::kPS_Solid);
    // The pen lies inside the rectangle; nothing is filled.
    static void DrawRectOutline(plat::CDeviceContext* dc, const RectUI& rect, int penWidth, ColorUI color,
                                int penStyle = plat::kPS_Solid);
    static void DrawRoundRectOutline(plat::CDeviceContext* dc, const RectUI& rect, int penWidth,
                                     int ellipseWidth, int ellipseHeight, ColorUI color,
                                     int penStyle = plat::kPS_Solid);

    // One font, "&" shown as is, language tokens expanded. With kDT_CalcRect rect receives the extent.
    static void DrawPlainText(plat::CDeviceContext* dc, CWindowManagerUI* manager, RectUI& rect,
                              const wchar_t* text, ColorUI color, int font, unsigned format);

    // Text with inline tags in braces or angle brackets. linkCount is the capacity of linkRects and
    // linkTargets on the way in (0: collect nothing) and the number filled on the way out.
    static void DrawMarkupText(plat::CDeviceContext* dc, CWindowManagerUI* manager, RectUI& rect,
                               const wchar_t* text, ColorUI color, RectUI* linkRects, CStringUI* linkTargets,
                               int& linkCount, int font, unsigned format);

    // The nine parts of source (cut by corner) into dest, in a fixed order; a part is drawn only when
    // its destination meets paint. The centre is stretched or tiled, or left out for a hole.
    static void DrawImageParts(plat::CDeviceContext* dc, const plat::CBitmap* bitmap, const RectUI& dest,
                               const RectUI& paint, const RectUI& source, const RectUI& corner, bool alpha,
                               uint8_t fade, bool hole, bool tileX, bool tileY);

    // Parses and loads on first use; a null dc only parses and loads. False when the description is
    // empty or its image cannot be loaded (not retried until the description changes).
    static bool DrawImageDescription(plat::CDeviceContext* dc, CWindowManagerUI* manager, const RectUI& item,
                                     const RectUI& paint, ImageDrawInfo& info);

    // Hue in degrees around 180, saturation and lightness in percent around 100.
    static ColorUI AdjustColorHSL(ColorUI color, int hue, int saturation, int lightness);

    // The new clip is the current clip box within rect.
    static ClipState ClipToRect(plat::CDeviceContext* dc, const RectUI& rect);
    // Clip box within paint within the rounded rectangle over item (right and bottom edges included).
    static ClipState ClipToRoundRect(plat::CDeviceContext* dc, const RectUI& paint, const RectUI& item,
                                     int ellipseWidth, int ellipseHeight);
};

// Where an image description draws in an item: the item, or dest relative to its top-left and cut
// at its right and bottom.
RectUI ImageDestinationRect(const RectUI& item, const RectUI& dest);

inline plat::Rect ToPlatRect(const RectUI& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

inline RectUI FromPlatRect(const plat::Rect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

} // namespace SkinUI
