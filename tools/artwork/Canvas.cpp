#include "Canvas.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace artwork {

namespace {

double Channel(uint32_t rgb, int shift)
{
    return ((rgb >> shift) & 0xFF) / 255.0;
}

void AddStops(cairo_pattern_t* pattern, std::initializer_list<Stop> stops)
{
    for (const Stop& stop : stops)
        cairo_pattern_add_color_stop_rgba(pattern, stop.offset, Channel(stop.paint.rgb, 16),
                                          Channel(stop.paint.rgb, 8), Channel(stop.paint.rgb, 0),
                                          stop.paint.alpha);
}

// One pass of a running-average blur along rows (step 1) or columns (step stride).
void BoxBlurPass(std::vector<uint8_t>& pixels, int count, int lines, int step, int lineStep, int radius)
{
    std::vector<uint8_t> line(count);
    const int window = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        uint8_t* base = pixels.data() + static_cast<size_t>(l) * lineStep;
        for (int i = 0; i < count; ++i)
            line[i] = base[static_cast<size_t>(i) * step];
        int sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += line[std::clamp(i, 0, count - 1)];
        for (int i = 0; i < count; ++i) {
            base[static_cast<size_t>(i) * step] = static_cast<uint8_t>(sum / window);
            sum += line[std::min(i + radius + 1, count - 1)] - line[std::max(i - radius, 0)];
        }
    }
}

} // namespace

CCanvas::CCanvas(int width, int height)
    : m_width(width), m_height(height),
      m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)), m_cr(cairo_create(m_surface))
{
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_BEST);
}

CCanvas::~CCanvas()
{
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
}

bool CCanvas::IsValid() const
{
    return cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS &&
           cairo_status(m_cr) == CAIRO_STATUS_SUCCESS;
}

bool CCanvas::WritePng(const std::string& path) const
{
    cairo_surface_flush(m_surface);
    return cairo_surface_write_to_png(m_surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void SetPaint(cairo_t* cr, Paint paint)
{
    cairo_set_source_rgba(cr, Channel(paint.rgb, 16), Channel(paint.rgb, 8), Channel(paint.rgb, 0),
                          paint.alpha);
}

PatternPtr LinearGradient(double x0, double y0, double x1, double y1, std::initializer_list<Stop> stops)
{
    PatternPtr pattern(cairo_pattern_create_linear(x0, y0, x1, y1));
    AddStops(pattern.get(), stops);
    return pattern;
}

PatternPtr RadialGradient(double cx, double cy, double radius, std::initializer_list<Stop> stops)
{
    PatternPtr pattern(cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius));
    AddStops(pattern.get(), stops);
    return pattern;
}

void RoundedRect(cairo_t* cr, Rect rect, double radius)
{
    const double r = std::min({radius, rect.w / 2, rect.h / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, rect.Right() - r, rect.y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, rect.Right() - r, rect.Bottom() - r, r, 0, M_PI / 2);
    cairo_arc(cr, rect.x + r, rect.Bottom() - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, rect.x + r, rect.y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void Circle(cairo_t* cr, double cx, double cy, double radius)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
    cairo_close_path(cr);
}

void Pill(cairo_t* cr, Rect rect)
{
    RoundedRect(cr, rect, rect.h / 2);
}

void FillPath(cairo_t* cr, const PathFn& path, Paint paint)
{
    cairo_new_path(cr);
    path(cr);
    SetPaint(cr, paint);
    cairo_fill(cr);
}

void FillPath(cairo_t* cr, const PathFn& path, const PatternPtr& pattern)
{
    cairo_new_path(cr);
    path(cr);
    cairo_set_source(cr, pattern.get());
    cairo_fill(cr);
}

void DropShadow(const CCanvas& canvas, const PathFn& path, double blur, double dx, double dy, Paint paint)
{
    const int width = canvas.Width();
    const int height = canvas.Height();
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    cairo_t* mcr = cairo_create(mask);
    cairo_translate(mcr, dx, dy);
    path(mcr);
    cairo_set_source_rgba(mcr, 0, 0, 0, 1);
    cairo_fill(mcr);
    cairo_destroy(mcr);
    cairo_surface_flush(mask);

    // Three box passes each way come close to a Gaussian blur.
    const int stride = cairo_image_surface_get_stride(mask);
    uint8_t* data = cairo_image_surface_get_data(mask);
    std::vector<uint8_t> pixels(data, data + static_cast<size_t>(stride) * height);
    const int radius = std::max(1, static_cast<int>(std::lround(blur / 3)));
    for (int pass = 0; pass < 3; ++pass) {
        BoxBlurPass(pixels, width, height, 1, stride, radius);
        BoxBlurPass(pixels, height, width, stride, 1, radius);
    }
    std::copy(pixels.begin(), pixels.end(), data);
    cairo_surface_mark_dirty(mask);

    cairo_t* cr = canvas.Cr();
    cairo_save(cr);
    cairo_identity_matrix(cr);
    SetPaint(cr, paint);
    cairo_mask_surface(cr, mask, 0, 0);
    cairo_restore(cr);
    cairo_surface_destroy(mask);
}

void Stroke(cairo_t* cr, double width, Paint paint)
{
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetPaint(cr, paint);
    cairo_stroke(cr);
}

void Line(cairo_t* cr, double x0, double y0, double x1, double y1, double width, Paint paint)
{
    cairo_new_path(cr);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    Stroke(cr, width, paint);
}

} // namespace artwork
