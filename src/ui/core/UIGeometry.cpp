#include "ui/core/UIGeometry.h"

#include <algorithm>
#include <utility>

namespace SkinUI {

void RectUI::Offset(int32_t dx, int32_t dy)
{
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
}

void RectUI::Inflate(const RectUI& amounts)
{
    left -= amounts.left;
    top -= amounts.top;
    right += amounts.right;
    bottom += amounts.bottom;
}

void RectUI::Deflate(const RectUI& amounts)
{
    left += amounts.left;
    top += amounts.top;
    right -= amounts.right;
    bottom -= amounts.bottom;
}

void RectUI::Normalize()
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}

bool RectUI::Intersect(const RectUI& a, const RectUI& b)
{
    const RectUI r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                   std::min(a.bottom, b.bottom)};
    if (r.IsEmpty()) {
        Clear();
        return false;
    }
    *this = r;
    return true;
}

bool RectUI::Union(const RectUI& a, const RectUI& b)
{
    if (a.IsEmpty() && b.IsEmpty()) {
        Clear();
        return false;
    }
    if (a.IsEmpty()) {
        *this = b;
        return true;
    }
    if (b.IsEmpty()) {
        *this = a;
        return true;
    }
    *this = {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
             std::max(a.bottom, b.bottom)};
    return true;
}

bool RectUI::Intersects(const RectUI& other) const
{
    RectUI r;
    return r.Intersect(*this, other);
}

} // namespace SkinUI
