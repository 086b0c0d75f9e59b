#include <algorithm>

#include "platform/Text.h"
#include "platform/linux/GraphicsCairo.h"

namespace plat {

namespace {

constexpr char kEllipsis[] = "...";

struct LayoutDeleter
{
    void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

// Display text in UTF-8 with the byte ranges that an "&" prefix underlines.
struct PreparedText
{
    std::string utf8;
    std::vector<std::pair<int, int>> underlines;
};

PreparedText Prepare(std::wstring_view text, bool prefixes, bool singleLine)
{
    PreparedText out;
    bool underlineNext = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (singleLine && (c == L'\r' || c == L'\n'))
            continue;
        if (prefixes && c == L'&') {
            if (i + 1 < text.size() && text[i + 1] == L'&')
                ++i;
            else {
                underlineNext = true;
                continue;
            }
        }
        const int start = static_cast<int>(out.utf8.size());
        out.utf8 += WideToUtf8(std::wstring_view(&text[i], 1));
        if (underlineNext)
            out.underlines.emplace_back(start, static_cast<int>(out.utf8.size()));
        underlineNext = false;
    }
    return out;
}

LayoutPtr MakeLayout(const CFont& font, const PreparedText& text, int wrapWidth)
{
    LayoutPtr layout(pango_layout_new(ThreadPangoContext()));
    pango_layout_set_font_description(layout.get(), font.GetImpl().pango);
    pango_layout_set_text(layout.get(), text.utf8.c_str(), static_cast<int>(text.utf8.size()));
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.Desc().underline)
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    for (const auto& [start, end] : text.underlines) {
        if (start >= static_cast<int>(text.utf8.size()))
            continue;
        PangoAttribute* attr = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        attr->start_index = static_cast<guint>(start);
        attr->end_index = static_cast<guint>(end);
        pango_attr_list_insert(attrs, attr);
    }
    pango_layout_set_attributes(layout.get(), attrs);
    pango_attr_list_unref(attrs);
    if (wrapWidth >= 0) {
        pango_layout_set_width(layout.get(), wrapWidth * PANGO_SCALE);
        pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD);
    }
    return layout;
}

int LineWidth(PangoLayoutLine* line)
{
    PangoRectangle logical;
    pango_layout_line_get_pixel_extents(line, nullptr, &logical);
    return logical.width;
}

int TextWidth(const CFont& font, const std::string& utf8)
{
    PreparedText text{utf8, {}};
    LayoutPtr layout = MakeLayout(font, text, -1);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    return logical.width;
}

// Cuts the line starting at byte lineStart back to the longest start that fits with "..." after it.
void EllipsizeLine(const CFont& font, PangoLayout* layout, int lineStart, int maxWidth, PreparedText& text)
{
    const std::string tail = text.utf8.substr(static_cast<size_t>(lineStart));
    int attrCount = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(layout, &attrCount);
    const int firstChar =
        static_cast<int>(g_utf8_pointer_to_offset(text.utf8.c_str(), text.utf8.c_str() + lineStart));
    std::vector<int> cuts; // byte lengths of the tail at each cursor position, shortest first
    const char* p = tail.c_str();
    for (int ch = 0; *p; ++ch) {
        p = g_utf8_next_char(p);
        const int index = firstChar + ch + 1;
        if (index < attrCount && attrs[index].is_cursor_position)
            cuts.push_back(static_cast<int>(p - tail.c_str()));
    }
    int lo = 0, hi = static_cast<int>(cuts.size()); // cuts[0..lo) fit
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (TextWidth(font, tail.substr(0, static_cast<size_t>(cuts[mid])) + kEllipsis) <= maxWidth)
            lo = mid + 1;
        else
            hi = mid;
    }
    const int keep = lo > 0 ? cuts[static_cast<size_t>(lo - 1)] : 0;
    text.utf8 = text.utf8.substr(0, static_cast<size_t>(lineStart + keep)) + kEllipsis;
}

void FillCell(cairo_t* cr, int x, int y, int w, int h, Color rgb)
{
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetSourceRgb(cr, rgb);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_restore(cr);
}

void ShowLine(cairo_t* cr, PangoLayoutLine* line, int x, int baseline, Color rgb)
{
    PangoRectangle logical;
    pango_layout_line_get_pixel_extents(line, nullptr, &logical);
    SetSourceRgb(cr, rgb);
    cairo_move_to(cr, x - logical.x, baseline);
    pango_cairo_show_layout_line(cr, line);
}

} // namespace

int CFont::MissingGlyphs(std::wstring_view text) const
{
    LayoutPtr layout = MakeLayout(*this, PreparedText{WideToUtf8(text), {}}, -1);
    return pango_layout_get_unknown_glyphs_count(layout.get());
}

const CFont* CDeviceContext::Impl::EffectiveFont() const
{
    if (state.font)
        return state.font;
    thread_local std::unique_ptr<CFont> stock = CFont::Create(StockGuiFont());
    return stock.get();
}

TextMetrics CDeviceContext::GetTextMetrics() const
{
    const CFont* font = m_impl->EffectiveFont();
    return font ? font->Metrics() : TextMetrics{};
}

AbcWidths CDeviceContext::GetCharAbcWidths(wchar_t ch) const
{
    const CFont* font = m_impl->EffectiveFont();
    return font ? font->CharAbcWidths(ch) : AbcWidths{};
}

Size CDeviceContext::GetTextExtent(std::wstring_view text) const
{
    const CFont* font = m_impl->EffectiveFont();
    if (!font)
        return {};
    return {TextWidth(*font, WideToUtf8(text)), font->Metrics().height};
}

std::vector<int> CDeviceContext::GetTextCaretPositions(std::wstring_view text) const
{
    std::vector<int> positions;
    const CFont* font = m_impl->EffectiveFont();
    if (!font || text.empty())
        return positions;
    PreparedText prepared{WideToUtf8(text), {}};
    LayoutPtr layout = MakeLayout(*font, prepared, -1);
    PangoLayoutLine* line = pango_layout_get_line_readonly(layout.get(), 0);
    const char* start = prepared.utf8.c_str();
    const char* p = start;
    for (size_t i = 0; i < text.size() && *p; ++i) {
        p = g_utf8_next_char(p);
        int x = 0;
        pango_layout_line_index_to_x(line, static_cast<int>(p - start), FALSE, &x);
        positions.push_back(static_cast<int>(PANGO_PIXELS(x)));
    }
    positions.resize(text.size(), positions.empty() ? 0 : positions.back());
    return positions;
}

void CDeviceContext::TextOut(int x, int y, std::wstring_view text)
{
    const CFont* font = m_impl->EffectiveFont();
    cairo_t* cr = m_impl->Canvas();
    if (!font || !cr || text.empty())
        return;
    PreparedText prepared{WideToUtf8(text), {}};
    LayoutPtr layout = MakeLayout(*font, prepared, -1);
    PangoLayoutLine* line = pango_layout_get_line_readonly(layout.get(), 0);
    const TextMetrics& tm = font->Metrics();
    if (m_impl->state.bkMode == kBk_Opaque)
        FillCell(cr, x, y, LineWidth(line), tm.height, m_impl->state.bkColor);
    ShowLine(cr, line, x, y + tm.ascent, m_impl->state.textColor);
}

int CDeviceContext::DrawText(std::wstring_view text, Rect& rect, unsigned format)
{
    const CFont* font = m_impl->EffectiveFont();
    if (!font)
        return 0;
    const TextMetrics& tm = font->Metrics();
    const bool singleLine = format & kDT_SingleLine;
    const int wrapWidth = !singleLine && (format & kDT_WordBreak) ? std::max(0, rect.Width()) : -1;
    PreparedText prepared = Prepare(text, !(format & kDT_NoPrefix), singleLine);
    LayoutPtr layout = MakeLayout(*font, prepared, wrapWidth);

    if (format & kDT_EndEllipsis) {
        // Only the end of the text gets the dots; earlier lines that overflow are just clipped.
        const int last = pango_layout_get_line_count(layout.get()) - 1;
        PangoLayoutLine* line = pango_layout_get_line_readonly(layout.get(), last);
        if (LineWidth(line) > rect.Width()) {
            EllipsizeLine(*font, layout.get(), line->start_index, rect.Width(), prepared);
            layout = MakeLayout(*font, prepared, wrapWidth);
        }
    }

    const int lineCount = pango_layout_get_line_count(layout.get());
    const int total = lineCount * tm.height;
    if (format & kDT_CalcRect) {
        int widest = 0;
        for (int i = 0; i < lineCount; ++i)
            widest = std::max(widest, LineWidth(pango_layout_get_line_readonly(layout.get(), i)));
        rect.right = rect.left + widest;
        rect.bottom = rect.top + total;
        return total;
    }

    cairo_t* cr = m_impl->Canvas();
    if (!cr)
        return total;
    int top = rect.top;
    if (singleLine && (format & kDT_VCenter))
        top = rect.top + (rect.Height() - tm.height) / 2;
    else if (singleLine && (format & kDT_Bottom))
        top = rect.bottom - tm.height;
    cairo_save(cr);
    if (!(format & kDT_NoClip)) {
        cairo_rectangle(cr, rect.left, rect.top, std::max(0, rect.Width()), std::max(0, rect.Height()));
        cairo_clip(cr);
    }
    for (int i = 0; i < lineCount; ++i) {
        PangoLayoutLine* line = pango_layout_get_line_readonly(layout.get(), i);
        const int width = LineWidth(line);
        int x = rect.left;
        if (format & kDT_Center)
            x = rect.left + (rect.Width() - width) / 2;
        else if (format & kDT_Right)
            x = rect.right - width;
        const int y = top + i * tm.height;
        if (m_impl->state.bkMode == kBk_Opaque)
            FillCell(cr, x, y, width, tm.height, m_impl->state.bkColor);
        ShowLine(cr, line, x, y + tm.ascent, m_impl->state.textColor);
    }
    cairo_restore(cr);
    return total;
}

} // namespace plat
