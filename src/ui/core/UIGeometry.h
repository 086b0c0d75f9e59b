#pragma once

#include <cstdint>

namespace SkinUI {

struct PointUI
{
    int32_t x = 0;
    int32_t y = 0;

    bool operator==(const PointUI&) const = default;
};

struct SizeUI
{
    int32_t cx = 0;
    int32_t cy = 0;

    bool operator==(const SizeUI&) const = default;
};

// Right and bottom are exclusive.
struct RectUI
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool operator==(const RectUI&) const = default;

    int32_t GetWidth() const { return right - left; }
    int32_t GetHeight() const { return bottom - top; }
    SizeUI GetSize() const { return {GetWidth(), GetHeight()}; }
    // A rectangle without area, inverted ones included.
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool IsZero() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    void Clear() { left = top = right = bottom = 0; }
    bool Contains(PointUI pt) const { return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom; }

    void Offset(int32_t dx, int32_t dy);
    void Inflate(int32_t dx, int32_t dy) { Inflate({dx, dy, dx, dy}); }
    // Grows each side by the matching field of the amounts.
    void Inflate(const RectUI& amounts);
    void Deflate(int32_t dx, int32_t dy) { Deflate({dx, dy, dx, dy}); }
    void Deflate(const RectUI& amounts);
    // Swaps the ends of an inverted axis.
    void Normalize();

    // Both answer false with an all-zero result when the outcome has no area.
    bool Intersect(const RectUI& a, const RectUI& b);
    // An empty operand does not widen the union.
    bool Union(const RectUI& a, const RectUI& b);
    bool Intersects(const RectUI& other) const;
};

} // namespace SkinUI
