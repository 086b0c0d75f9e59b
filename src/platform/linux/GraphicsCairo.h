#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <optional>
#include <vector>

#include "platform/Graphics.h"

// What the graphics sources share about their cairo and pango objects.
namespace plat {

struct CBitmap::Impl
{
    std::unique_ptr<uint8_t[]> owned;
    uint8_t* memory = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    bool topDown = true;
    cairo_surface_t* surface = nullptr;

    ~Impl();
};

struct CRegion::Impl
{
    cairo_region_t* region = nullptr;
    ~Impl();
};

struct CFont::Impl
{
    FontDesc desc;
    PangoFontDescription* pango = nullptr;
    std::wstring family;
    int weight = kFW_Normal;
    TextMetrics metrics;
    ~Impl();
};

struct DcState
{
    CBitmap* bitmap = nullptr;
    CFont* font = nullptr;
    Color textColor = 0;
    Color bkColor = 0xFFFFFF;
    int bkMode = kBk_Opaque;
    std::optional<CRegion> clip;
};

struct CDeviceContext::Impl
{
    DcState state;
    std::vector<DcState> saved;
    cairo_t* cr = nullptr;
    bool clipApplied = false;

    ~Impl();
    // The drawing context of the selected bitmap with the clip in force; null without a bitmap.
    cairo_t* Canvas();
    void BindBitmap(CBitmap* bitmap);
    void InvalidateClip() { clipApplied = false; }
    // The selected font, else the stock GUI font; null only when no font can be loaded at all.
    const CFont* EffectiveFont() const;
};

// The pango context every layout of this thread is made with.
PangoContext* ThreadPangoContext();
void SetSourceRgb(cairo_t* cr, Color rgb);

} // namespace plat
