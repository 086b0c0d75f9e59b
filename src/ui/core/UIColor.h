#pragma once

#include <cstdint>

namespace SkinUI {

// Colours are 0xAARRGGBB.
using ColorUI = uint32_t;

constexpr ColorUI MakeColor(uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue)
{
    return (static_cast<ColorUI>(alpha) << 24) | (static_cast<ColorUI>(red) << 16) |
           (static_cast<ColorUI>(green) << 8) | blue;
}
constexpr uint8_t ColorAlpha(ColorUI c)
{
    return static_cast<uint8_t>(c >> 24);
}
constexpr uint8_t ColorRed(ColorUI c)
{
    return static_cast<uint8_t>(c >> 16);
}
constexpr uint8_t ColorGreen(ColorUI c)
{
    return static_cast<uint8_t>(c >> 8);
}
constexpr uint8_t ColorBlue(ColorUI c)
{
    return static_cast<uint8_t>(c);
}
constexpr ColorUI ColorWithAlpha(ColorUI c, uint8_t alpha)
{
    return (c & 0x00FFFFFFu) | (static_cast<ColorUI>(alpha) << 24);
}
// Lines, outlines and text use only red, green and blue.
constexpr ColorUI ColorOpaque(ColorUI c)
{
    return c | 0xFF000000u;
}
// The platform's 0x00BBGGRR form of the red, green and blue of a colour.
constexpr uint32_t ColorToColorRef(ColorUI c)
{
    return static_cast<uint32_t>(ColorRed(c)) | (static_cast<uint32_t>(ColorGreen(c)) << 8) |
           (static_cast<uint32_t>(ColorBlue(c)) << 16);
}

} // namespace SkinUI
