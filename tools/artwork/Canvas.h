#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

namespace artwork {

// A colour as 0xRRGGBB with a separate opacity.
struct Paint
{
    uint32_t rgb = 0;
    double alpha = 1.0;
};

struct Stop
{
    double offset;
    Paint paint;
};

struct Rect
{
    double x, y, w, h;
    double Right() const { return x + w; }
    double Bottom() const { return y + h; }
    double CenterX() const { return x + w / 2; }
    double CenterY() const { return y + h / 2; }
};

struct PatternDeleter
{
    void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternDeleter>;

// Adds a path to the context; used for fills, outlines and shadows alike.
using PathFn = std::function<void(cairo_t*)>;

// An ARGB image being drawn, written out as PNG.
class CCanvas
{
public:
    CCanvas(int width, int height);
    ~CCanvas();
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    cairo_t* Cr() const { return m_cr; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool IsValid() const;
    bool WritePng(const std::string& path) const;

private:
    int m_width;
    int m_height;
    cairo_surface_t* m_surface;
    cairo_t* m_cr;
};

void SetPaint(cairo_t* cr, Paint paint);
PatternPtr LinearGradient(double x0, double y0, double x1, double y1, std::initializer_list<Stop> stops);
PatternPtr RadialGradient(double cx, double cy, double radius, std::initializer_list<Stop> stops);

// Paths.
void RoundedRect(cairo_t* cr, Rect rect, double radius);
void Circle(cairo_t* cr, double cx, double cy, double radius);
// A pill: a rounded rectangle whose radius is half its height.
void Pill(cairo_t* cr, Rect rect);

void FillPath(cairo_t* cr, const PathFn& path, Paint paint);
void FillPath(cairo_t* cr, const PathFn& path, const PatternPtr& pattern);
// A soft shadow of the path's shape, blurred by about blur pixels and moved by (dx, dy).
void DropShadow(const CCanvas& canvas, const PathFn& path, double blur, double dx, double dy, Paint paint);

// A line with round ends.
void Stroke(cairo_t* cr, double width, Paint paint);
void Line(cairo_t* cr, double x0, double y0, double x1, double y1, double width, Paint paint);

// Brand colours shared by every picture.
namespace colors {
inline constexpr uint32_t kBrand = 0x337BDD;
inline constexpr uint32_t kBrandDark = 0x1F5BB8;
inline constexpr uint32_t kBrandDeep = 0x17479A;
inline constexpr uint32_t kBrandLight = 0x5B9BEB;
inline constexpr uint32_t kSky = 0x8CC2FF;
inline constexpr uint32_t kMist = 0xEAF2FD;
inline constexpr uint32_t kCloud = 0xF5F8FC;
inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kSlate = 0xC9D6E8;
inline constexpr uint32_t kInk = 0x9AAAC2;
inline constexpr uint32_t kMint = 0x3CCB8F;
inline constexpr uint32_t kAmber = 0xFFC24B;
inline constexpr uint32_t kCoral = 0xFF7A6B;
} // namespace colors

} // namespace artwork
