#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/linux/GraphicsCairo.h"

namespace plat {

namespace {
// Keeps width x height x 4 far below what an int stride and a size_t buffer can hold.
constexpr int kMaxDimension = 32767;

cairo_rectangle_int_t ToCairo(const Rect& rect)
{
    return {rect.left, rect.top, std::max(0, rect.Width()), std::max(0, rect.Height())};
}
} // namespace

// ---- CBitmap ----

CBitmap::Impl::~Impl()
{
    if (surface)
        cairo_surface_destroy(surface);
}

CBitmap::CBitmap(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
CBitmap::~CBitmap() = default;

std::unique_ptr<CBitmap> CBitmap::CreateDib(int width, int height)
{
    const bool topDown = height < 0;
    const int rows = topDown ? -height : height;
    if (width <= 0 || rows <= 0 || width > kMaxDimension || rows > kMaxDimension)
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->width = width;
    impl->height = rows;
    impl->stride = width * 4;
    impl->topDown = topDown;
    const size_t bytes = static_cast<size_t>(impl->stride) * static_cast<size_t>(rows);
    impl->owned.reset(new (std::nothrow) uint8_t[bytes]());
    if (!impl->owned)
        return nullptr;
    impl->memory = impl->owned.get();
    // A bottom-up bitmap is a top-down surface that starts at the last row and steps backwards.
    uint8_t* first = topDown ? impl->memory : impl->memory + static_cast<size_t>(rows - 1) * impl->stride;
    const int cairoStride = topDown ? impl->stride : -impl->stride;
    impl->surface = cairo_image_surface_create_for_data(first, CAIRO_FORMAT_ARGB32, width, rows, cairoStride);
    if (cairo_surface_status(impl->surface) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return std::unique_ptr<CBitmap>(new CBitmap(std::move(impl)));
}

std::unique_ptr<CBitmap> CBitmap::WrapPixels(void* pixels, int width, int height, int stride)
{
    if (!pixels || width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension ||
        stride < width * 4 || stride % 4 != 0)
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->memory = static_cast<uint8_t*>(pixels);
    impl->width = width;
    impl->height = height;
    impl->stride = stride;
    impl->topDown = true;
    impl->surface =
        cairo_image_surface_create_for_data(impl->memory, CAIRO_FORMAT_ARGB32, width, height, stride);
    if (cairo_surface_status(impl->surface) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return std::unique_ptr<CBitmap>(new CBitmap(std::move(impl)));
}

int CBitmap::Width() const
{
    return m_impl->width;
}
int CBitmap::Height() const
{
    return m_impl->height;
}
bool CBitmap::IsTopDown() const
{
    return m_impl->topDown;
}
int CBitmap::Stride() const
{
    return m_impl->stride;
}

uint8_t* CBitmap::Bits()
{
    cairo_surface_flush(m_impl->surface);
    return m_impl->memory;
}

const uint8_t* CBitmap::Bits() const
{
    cairo_surface_flush(m_impl->surface);
    return m_impl->memory;
}

uint32_t* CBitmap::Row(int y)
{
    return const_cast<uint32_t*>(static_cast<const CBitmap*>(this)->Row(y));
}

const uint32_t* CBitmap::Row(int y) const
{
    if (y < 0 || y >= m_impl->height)
        return nullptr;
    const int memoryRow = m_impl->topDown ? y : m_impl->height - 1 - y;
    return reinterpret_cast<const uint32_t*>(Bits() + static_cast<size_t>(memoryRow) * m_impl->stride);
}

uint32_t CBitmap::Pixel(int x, int y) const
{
    if (x < 0 || x >= m_impl->width)
        return 0;
    const uint32_t* row = Row(y);
    return row ? row[x] : 0;
}

void CBitmap::MarkDirty()
{
    cairo_surface_mark_dirty(m_impl->surface);
}

void CBitmap::Clear()
{
    for (int y = 0; y < m_impl->height; ++y)
        std::memset(Row(y), 0, static_cast<size_t>(m_impl->width) * 4);
    MarkDirty();
}

bool CBitmap::SaveToPng(const std::string& path) const
{
    cairo_surface_flush(m_impl->surface);
    return cairo_surface_write_to_png(m_impl->surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

// ---- CRegion ----

CRegion::Impl::~Impl()
{
    if (region)
        cairo_region_destroy(region);
}

CRegion::CRegion() : m_impl(std::make_unique<Impl>())
{
    m_impl->region = cairo_region_create();
}

CRegion::CRegion(const Rect& rect) : m_impl(std::make_unique<Impl>())
{
    const cairo_rectangle_int_t r = ToCairo(rect);
    m_impl->region = r.width > 0 && r.height > 0 ? cairo_region_create_rectangle(&r) : cairo_region_create();
}

CRegion::~CRegion() = default;

CRegion::CRegion(const CRegion& other) : m_impl(std::make_unique<Impl>())
{
    m_impl->region = cairo_region_copy(other.m_impl->region);
}

CRegion& CRegion::operator=(const CRegion& other)
{
    if (this != &other) {
        cairo_region_t* copy = cairo_region_copy(other.m_impl->region);
        cairo_region_destroy(m_impl->region);
        m_impl->region = copy;
    }
    return *this;
}

// A moved-from region is left empty, never without its object.
CRegion::CRegion(CRegion&& other) noexcept : CRegion()
{
    std::swap(m_impl, other.m_impl);
}

CRegion& CRegion::operator=(CRegion&& other) noexcept
{
    std::swap(m_impl, other.m_impl);
    return *this;
}

CRegion CRegion::RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    const int width = right - 1 - left;
    const int height = bottom - 1 - top;
    CRegion result;
    if (width <= 0 || height <= 0)
        return result;
    const int ew = std::min(width, std::abs(ellipseWidth));
    const int eh = std::min(height, std::abs(ellipseHeight));
    if (ew < 2 || eh < 2)
        return CRegion(Rect{left, top, left + width, top + height});
    const double rx = ew / 2.0;
    const double ry = eh / 2.0;
    for (int row = 0; row < height; ++row) {
        const double yc = row + 0.5;
        double dy = 0;
        if (yc < ry)
            dy = ry - yc;
        else if (yc > height - ry)
            dy = yc - (height - ry);
        const double t = dy / ry;
        const int inset = static_cast<int>(std::lround(rx - rx * std::sqrt(std::max(0.0, 1.0 - t * t))));
        if (width - 2 * inset <= 0)
            continue;
        const cairo_rectangle_int_t span{left + inset, top + row, width - 2 * inset, 1};
        cairo_region_union_rectangle(result.m_impl->region, &span);
    }
    return result;
}

bool CRegion::IsEmpty() const
{
    return cairo_region_is_empty(m_impl->region);
}

bool CRegion::Contains(int x, int y) const
{
    return cairo_region_contains_point(m_impl->region, x, y);
}

RegionType CRegion::Box(Rect& box) const
{
    cairo_rectangle_int_t extents;
    cairo_region_get_extents(m_impl->region, &extents);
    box = {extents.x, extents.y, extents.x + extents.width, extents.y + extents.height};
    const int count = cairo_region_num_rectangles(m_impl->region);
    if (count == 0) {
        box = {};
        return kRegion_Null;
    }
    return count == 1 ? kRegion_Simple : kRegion_Complex;
}

void CRegion::Intersect(const CRegion& other)
{
    cairo_region_intersect(m_impl->region, other.m_impl->region);
}

void CRegion::Intersect(const Rect& rect)
{
    const cairo_rectangle_int_t r = ToCairo(rect);
    cairo_region_intersect_rectangle(m_impl->region, &r);
}

void CRegion::Union(const CRegion& other)
{
    cairo_region_union(m_impl->region, other.m_impl->region);
}

void CRegion::Subtract(const CRegion& other)
{
    cairo_region_subtract(m_impl->region, other.m_impl->region);
}

void CRegion::Offset(int dx, int dy)
{
    cairo_region_translate(m_impl->region, dx, dy);
}

std::vector<Rect> CRegion::Rectangles() const
{
    std::vector<Rect> out;
    const int count = cairo_region_num_rectangles(m_impl->region);
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(m_impl->region, i, &r);
        out.push_back({r.x, r.y, r.x + r.width, r.y + r.height});
    }
    return out;
}

bool CRegion::operator==(const CRegion& other) const
{
    return cairo_region_equal(m_impl->region, other.m_impl->region);
}

} // namespace plat
