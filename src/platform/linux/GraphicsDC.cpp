#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>
#include <utility>

#include "platform/linux/GraphicsCairo.h"

namespace plat {

namespace {

// On and off pixel counts of the dashed one-pixel pens.
constexpr int kDashPattern[] = {18, 6};
constexpr int kDotPattern[] = {3, 3};
constexpr int kDashDotPattern[] = {9, 6, 3, 6};
constexpr int kDashDotDotPattern[] = {9, 3, 3, 3, 3, 3};
// Strokes longer than this are not walked pixel by pixel (they are drawn solid by cairo instead).
constexpr long kMaxWalk = 1 << 16;

long WalkLength(int x1, int y1, int x2, int y2)
{
    return std::max(std::labs(static_cast<long>(x2) - x1), std::labs(static_cast<long>(y2) - y1));
}

std::span<const int> DashesOf(int style)
{
    switch (style) {
    case kPS_Dash:
        return kDashPattern;
    case kPS_Dot:
        return kDotPattern;
    case kPS_DashDot:
        return kDashDotPattern;
    case kPS_DashDotDot:
        return kDashDotDotPattern;
    default:
        return {};
    }
}

int PenWidth(const Pen& pen)
{
    return std::max(1, pen.width);
}

bool IsInsideFrame(const Pen& pen)
{
    return pen.insideFrame || pen.style == kPS_InsideFrame;
}

// Counts pixels along a one-pixel stroke and says which of them the pen's dash pattern draws.
class CDashWalker
{
public:
    explicit CDashWalker(const Pen& pen)
        : m_dashes(PenWidth(pen) == 1 ? DashesOf(pen.style) : std::span<const int>{})
    {}

    bool NextIsOn()
    {
        if (m_dashes.empty())
            return true;
        const bool on = m_segment % 2 == 0;
        if (++m_count >= m_dashes[m_segment]) {
            m_count = 0;
            m_segment = (m_segment + 1) % m_dashes.size();
        }
        return on;
    }

private:
    std::span<const int> m_dashes;
    size_t m_segment = 0;
    int m_count = 0;
};

// Gathers single pixels into horizontal runs and fills them in one go.
class CPixelPath
{
public:
    explicit CPixelPath(cairo_t* cr) : m_cr(cr) { cairo_new_path(cr); }

    void Add(int x, int y)
    {
        if (m_length > 0 && y == m_y && x == m_x + m_length) {
            ++m_length;
            return;
        }
        Flush();
        m_x = x, m_y = y, m_length = 1;
    }

    void Fill(Color rgb)
    {
        Flush();
        SetSourceRgb(m_cr, rgb);
        cairo_fill(m_cr);
    }

private:
    void Flush()
    {
        if (m_length > 0)
            cairo_rectangle(m_cr, m_x, m_y, m_length, 1);
        m_length = 0;
    }

    cairo_t* m_cr;
    int m_x = 0;
    int m_y = 0;
    int m_length = 0;
};

void AddBresenham(CPixelPath& path, CDashWalker& dashes, int x1, int y1, int x2, int y2)
{
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1, y = y1;
    while (x != x2 || y != y2) {
        if (dashes.NextIsOn())
            path.Add(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy)
            err += dy, x += sx;
        if (e2 <= dx)
            err += dx, y += sy;
    }
}

// A rounded-rectangle path whose corners are quarter ellipses of radii rx, ry.
void RoundRectPath(cairo_t* cr, double x0, double y0, double x1, double y1, double rx, double ry)
{
    rx = std::min(rx, (x1 - x0) / 2);
    ry = std::min(ry, (y1 - y0) / 2);
    cairo_new_path(cr);
    if (rx <= 0 || ry <= 0) {
        cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
        return;
    }
    const struct
    {
        double cx, cy, from;
    } corners[] = {{x1 - rx, y0 + ry, -M_PI / 2},
                   {x1 - rx, y1 - ry, 0},
                   {x0 + rx, y1 - ry, M_PI / 2},
                   {x0 + rx, y0 + ry, M_PI}};
    for (const auto& c : corners) {
        cairo_save(cr);
        cairo_translate(cr, c.cx, c.cy);
        cairo_scale(cr, rx, ry);
        cairo_arc(cr, 0, 0, 1, c.from, c.from + M_PI / 2);
        cairo_restore(cr);
    }
    cairo_close_path(cr);
}

} // namespace

void SetSourceRgb(cairo_t* cr, Color rgb)
{
    cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

// ---- state ----

CDeviceContext::Impl::~Impl()
{
    if (cr)
        cairo_destroy(cr);
}

void CDeviceContext::Impl::BindBitmap(CBitmap* bitmap)
{
    if (cr)
        cairo_destroy(cr);
    cr = bitmap ? cairo_create(bitmap->GetImpl().surface) : nullptr;
    clipApplied = false;
}

cairo_t* CDeviceContext::Impl::Canvas()
{
    if (!cr)
        return nullptr;
    if (!clipApplied) {
        cairo_reset_clip(cr);
        if (state.clip) {
            cairo_new_path(cr);
            for (const Rect& r : state.clip->Rectangles())
                cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
            cairo_clip(cr);
        }
        clipApplied = true;
    }
    cairo_new_path(cr);
    return cr;
}

CDeviceContext::CDeviceContext(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
CDeviceContext::~CDeviceContext() = default;

std::unique_ptr<CDeviceContext> CDeviceContext::CreateMemory()
{
    return std::unique_ptr<CDeviceContext>(new CDeviceContext(std::make_unique<Impl>()));
}

CBitmap* CDeviceContext::SelectBitmap(CBitmap* bitmap)
{
    CBitmap* previous = m_impl->state.bitmap;
    if (bitmap != previous) {
        m_impl->state.bitmap = bitmap;
        m_impl->BindBitmap(bitmap);
    }
    return previous;
}

CFont* CDeviceContext::SelectFont(CFont* font)
{
    return std::exchange(m_impl->state.font, font);
}
Color CDeviceContext::SetTextColor(Color rgb)
{
    return std::exchange(m_impl->state.textColor, rgb & 0xFFFFFF);
}
Color CDeviceContext::SetBkColor(Color rgb)
{
    return std::exchange(m_impl->state.bkColor, rgb & 0xFFFFFF);
}

int CDeviceContext::SetBkMode(int mode)
{
    if (mode != kBk_Transparent && mode != kBk_Opaque)
        return 0;
    return std::exchange(m_impl->state.bkMode, mode);
}

CBitmap* CDeviceContext::Bitmap() const
{
    return m_impl->state.bitmap;
}
CFont* CDeviceContext::Font() const
{
    return m_impl->state.font;
}
Color CDeviceContext::TextColor() const
{
    return m_impl->state.textColor;
}
Color CDeviceContext::BkColor() const
{
    return m_impl->state.bkColor;
}
int CDeviceContext::BkMode() const
{
    return m_impl->state.bkMode;
}

int CDeviceContext::Save()
{
    m_impl->saved.push_back(m_impl->state);
    return static_cast<int>(m_impl->saved.size());
}

bool CDeviceContext::Restore(int saved)
{
    const int depth = static_cast<int>(m_impl->saved.size());
    const int level = saved < 0 ? depth + saved + 1 : saved;
    if (saved == 0 || level < 1 || level > depth)
        return false;
    CBitmap* before = m_impl->state.bitmap;
    m_impl->state = std::move(m_impl->saved[static_cast<size_t>(level - 1)]);
    m_impl->saved.resize(static_cast<size_t>(level - 1));
    if (m_impl->state.bitmap != before)
        m_impl->BindBitmap(m_impl->state.bitmap);
    m_impl->InvalidateClip();
    return true;
}

// ---- clip ----

RegionType CDeviceContext::GetClipBox(Rect& box) const
{
    const CBitmap* bitmap = m_impl->state.bitmap;
    if (!bitmap) {
        box = {};
        return kRegion_Null;
    }
    CRegion visible(Rect{0, 0, bitmap->Width(), bitmap->Height()});
    if (m_impl->state.clip)
        visible.Intersect(*m_impl->state.clip);
    return visible.Box(box);
}

bool CDeviceContext::GetClipRegion(CRegion& region) const
{
    if (!m_impl->state.clip)
        return false;
    region = *m_impl->state.clip;
    return true;
}

RegionType CDeviceContext::SelectClipRegion(const CRegion* region)
{
    if (region)
        m_impl->state.clip = *region;
    else
        m_impl->state.clip.reset();
    m_impl->InvalidateClip();
    Rect box;
    return GetClipBox(box);
}

RegionType CDeviceContext::IntersectClipRect(const Rect& rect)
{
    if (!m_impl->state.clip) {
        const CBitmap* bitmap = m_impl->state.bitmap;
        m_impl->state.clip = CRegion(bitmap ? Rect{0, 0, bitmap->Width(), bitmap->Height()} : Rect{});
    }
    m_impl->state.clip->Intersect(rect);
    m_impl->InvalidateClip();
    Rect box;
    return GetClipBox(box);
}

// ---- fills and copies ----

void CDeviceContext::FillSolidRect(const Rect& rect, Color rgb)
{
    cairo_t* cr = m_impl->Canvas();
    if (!cr || rect.IsEmpty())
        return;
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetSourceRgb(cr, rgb);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_fill(cr);
    cairo_restore(cr);
}

namespace {
// Draws srcRect of src into dst, scaled by nearest neighbour, with the operator and constant alpha.
bool Composite(cairo_t* cr, const Rect& dst, const CBitmap& src, const Rect& srcRect, cairo_operator_t op,
               uint8_t alpha)
{
    if (!cr || dst.IsEmpty() || srcRect.IsEmpty())
        return false;
    if (alpha == 0)
        return true;
    cairo_save(cr);
    cairo_rectangle(cr, dst.left, dst.top, dst.Width(), dst.Height());
    cairo_clip(cr);
    cairo_translate(cr, dst.left, dst.top);
    cairo_scale(cr, static_cast<double>(dst.Width()) / srcRect.Width(),
                static_cast<double>(dst.Height()) / srcRect.Height());
    cairo_set_source_surface(cr, src.GetImpl().surface, -srcRect.left, -srcRect.top);
    cairo_pattern_t* pattern = cairo_get_source(cr);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_set_operator(cr, op);
    if (alpha == 255)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, alpha / 255.0);
    cairo_restore(cr);
    return true;
}
} // namespace

bool CDeviceContext::BitBlt(int x, int y, int w, int h, const CBitmap& src, int srcX, int srcY)
{
    return Composite(m_impl->Canvas(), Rect{x, y, x + w, y + h}, src, Rect{srcX, srcY, srcX + w, srcY + h},
                     CAIRO_OPERATOR_SOURCE, 255);
}

bool CDeviceContext::BitBlt(int x, int y, int w, int h, const CDeviceContext& src, int srcX, int srcY)
{
    const CBitmap* bitmap = src.Bitmap();
    return bitmap && BitBlt(x, y, w, h, *bitmap, srcX, srcY);
}

bool CDeviceContext::StretchBlt(const Rect& dst, const CBitmap& src, const Rect& srcRect)
{
    return Composite(m_impl->Canvas(), dst, src, srcRect, CAIRO_OPERATOR_SOURCE, 255);
}

bool CDeviceContext::StretchBlt(const Rect& dst, const CDeviceContext& src, const Rect& srcRect)
{
    const CBitmap* bitmap = src.Bitmap();
    return bitmap && StretchBlt(dst, *bitmap, srcRect);
}

bool CDeviceContext::AlphaBlend(const Rect& dst, const CBitmap& src, const Rect& srcRect,
                                uint8_t constantAlpha)
{
    return Composite(m_impl->Canvas(), dst, src, srcRect, CAIRO_OPERATOR_OVER, constantAlpha);
}

bool CDeviceContext::AlphaBlend(const Rect& dst, const CDeviceContext& src, const Rect& srcRect,
                                uint8_t constantAlpha)
{
    const CBitmap* bitmap = src.Bitmap();
    return bitmap && AlphaBlend(dst, *bitmap, srcRect, constantAlpha);
}

bool CDeviceContext::GradientFill(const Rect& rect, Color first, Color second, bool vertical)
{
    cairo_t* cr = m_impl->Canvas();
    if (!cr || rect.IsEmpty())
        return false;
    const int length = vertical ? rect.Height() : rect.Width();
    // Stops sit on the first and last pixel centres so both end rows carry their colour exactly.
    const double start = (vertical ? rect.top : rect.left) + 0.5;
    const double end = start + length - 1;
    cairo_pattern_t* pattern = vertical ? cairo_pattern_create_linear(0, start, 0, std::max(end, start + 1))
                                        : cairo_pattern_create_linear(start, 0, std::max(end, start + 1), 0);
    auto addStop = [pattern](double offset, Color c) {
        cairo_pattern_add_color_stop_rgba(pattern, offset, ((c >> 16) & 0xFF) / 255.0,
                                          ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0, (c >> 24) / 255.0);
    };
    addStop(0, first);
    addStop(1, length > 1 ? second : first);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_pattern_destroy(pattern);
    return true;
}

// ---- pens ----

void CDeviceContext::DrawLine(int x1, int y1, int x2, int y2, const Pen& pen)
{
    cairo_t* cr = m_impl->Canvas();
    if (!cr || pen.style == kPS_Null || (x1 == x2 && y1 == y2))
        return;
    const int width = PenWidth(pen);
    cairo_save(cr);
    if (width == 1 && WalkLength(x1, y1, x2, y2) <= kMaxWalk) {
        CPixelPath path(cr);
        CDashWalker dashes(pen);
        AddBresenham(path, dashes, x1, y1, x2, y2);
        path.Fill(pen.rgb);
    } else if (x1 == x2 || y1 == y2) {
        // A wide straight line is the band of pen width centred on the pixel line, end left out.
        const int before = (width - 1) / 2;
        Rect band = y1 == y2 ? Rect{std::min(x1, x2), y1 - before, std::max(x1, x2), y1 - before + width}
                             : Rect{x1 - before, std::min(y1, y2), x1 - before + width, std::max(y1, y2)};
        if (x1 > x2)
            ++band.left, ++band.right;
        if (y1 > y2)
            ++band.top, ++band.bottom;
        SetSourceRgb(cr, pen.rgb);
        cairo_rectangle(cr, band.left, band.top, band.Width(), band.Height());
        cairo_fill(cr);
    } else {
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_line_width(cr, width);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        SetSourceRgb(cr, pen.rgb);
        cairo_move_to(cr, x1 + 0.5, y1 + 0.5);
        cairo_line_to(cr, x2 + 0.5, y2 + 0.5);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

void CDeviceContext::DrawRectOutline(const Rect& rect, const Pen& pen)
{
    cairo_t* cr = m_impl->Canvas();
    if (!cr || rect.IsEmpty() || pen.style == kPS_Null)
        return;
    const int width = PenWidth(pen);
    cairo_save(cr);
    if (width == 1 && 2 * (WalkLength(rect.left, rect.top, rect.right, rect.bottom)) <= kMaxWalk) {
        CPixelPath path(cr);
        CDashWalker dashes(pen);
        const int l = rect.left, t = rect.top, r = rect.right - 1, b = rect.bottom - 1;
        if (l == r || t == b) {
            AddBresenham(path, dashes, l, t, r + (l == r ? 0 : 1), b + (l == r ? 1 : 0));
        } else {
            AddBresenham(path, dashes, l, t, r, t);
            AddBresenham(path, dashes, r, t, r, b);
            AddBresenham(path, dashes, r, b, l, b);
            AddBresenham(path, dashes, l, b, l, t);
        }
        path.Fill(pen.rgb);
    } else {
        Rect outer = rect;
        if (!IsInsideFrame(pen)) {
            const int grow = (width - 1) / 2;
            outer = {rect.left - grow, rect.top - grow, rect.right + grow, rect.bottom + grow};
        }
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_rectangle(cr, outer.left, outer.top, outer.Width(), outer.Height());
        if (outer.Width() > 2 * width && outer.Height() > 2 * width)
            cairo_rectangle(cr, outer.left + width, outer.top + width, outer.Width() - 2 * width,
                            outer.Height() - 2 * width);
        SetSourceRgb(cr, pen.rgb);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void CDeviceContext::DrawRoundRectOutline(const Rect& rect, int ellipseWidth, int ellipseHeight,
                                          const Pen& pen)
{
    cairo_t* cr = m_impl->Canvas();
    if (!cr || rect.IsEmpty() || pen.style == kPS_Null)
        return;
    const int width = PenWidth(pen);
    const double ew = std::min(std::abs(ellipseWidth), rect.Width());
    const double eh = std::min(std::abs(ellipseHeight), rect.Height());
    Rect outer = rect;
    if (width > 1 && !IsInsideFrame(pen)) {
        const int grow = (width - 1) / 2;
        outer = {rect.left - grow, rect.top - grow, rect.right + grow, rect.bottom + grow};
    }
    const double half = width / 2.0;
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    SetSourceRgb(cr, pen.rgb);
    if (outer.Width() <= width || outer.Height() <= width) {
        RoundRectPath(cr, outer.left, outer.top, outer.right, outer.bottom, ew / 2, eh / 2);
        cairo_fill(cr);
        cairo_restore(cr);
        return;
    }
    RoundRectPath(cr, outer.left + half, outer.top + half, outer.right - half, outer.bottom - half,
                  std::max(0.0, ew / 2 - half), std::max(0.0, eh / 2 - half));
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    const std::span<const int> dashes = width == 1 ? DashesOf(pen.style) : std::span<const int>{};
    if (!dashes.empty()) {
        double lengths[6];
        for (size_t i = 0; i < dashes.size(); ++i)
            lengths[i] = dashes[i];
        cairo_set_dash(cr, lengths, static_cast<int>(dashes.size()), 0);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

} // namespace plat
