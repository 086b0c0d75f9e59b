#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/Graphics.h"
#include "ui/core/UIColor.h"
#include "ui/core/UIString.h"

namespace SkinUI {

// One decoded image, owned by the table that holds it.
struct CachedImage
{
    // 32-bit top-down section; its pixels are B, G, R, A in memory, colours premultiplied by alpha.
    std::unique_ptr<plat::CBitmap> bitmap;
    uint32_t* pixels = nullptr;
    // An untouched copy of the pixels, kept only for images cached with the keep-source flag.
    std::unique_ptr<uint32_t[]> sourcePixels;
    int32_t width = 0;
    int32_t height = 0;
    // Some pixel is not fully opaque or was cleared by the mask colour.
    bool hasAlpha = false;
    bool keepsSource = false;
    CStringUI resourceType;
    ColorUI maskColour = 0;
};

// A text name or a small integer resource id.
struct ImageNameOrIdUI
{
    ImageNameOrIdUI(const wchar_t* text) : name(text ? text : L"") {}
    explicit ImageNameOrIdUI(uint16_t resourceId) : id(resourceId) {}

    bool IsId() const { return name == nullptr; }

    const wchar_t* name = nullptr;
    uint16_t id = 0;
};

// Images wider or taller than this are refused, as are images without pixels.
inline constexpr int kMaxImageSide = 16384;
// The largest encoded image read from a file or an archive entry: an uncompressed 32-bit image of
// the largest size plus room for its headers.
inline constexpr uint64_t kMaxEncodedImageBytes =
    static_cast<uint64_t>(kMaxImageSide) * kMaxImageSide * 4 + 64 * 1024;

// The type that makes the name a colour (hexadecimal AARRGGBB, optional "#") of a 1 x 1 image.
inline constexpr const wchar_t* kColorImageType = L"*COLOR*";

// Fetches the encoded bytes (from the embedded resources when a type is given, else from the
// resource folder or the skin archive, and at last from the name as a plain path) and decodes
// them. Null when nothing can be found or decoded.
std::unique_ptr<CachedImage> LoadImageData(const ImageNameOrIdUI& nameOrId, const wchar_t* type,
                                           ColorUI maskColour);

// Decodes PNG, JPEG, BMP or GIF bytes (the first frame) into a premultiplied image; pixels whose
// premultiplied 0xAARRGGBB value equals maskColour are cleared. Null when the bytes do not decode.
std::unique_ptr<CachedImage> DecodeImageData(const void* bytes, size_t size, ColorUI maskColour);

// A 1 x 1 image of the colour, premultiplied and masked like a decoded one.
std::unique_ptr<CachedImage> MakeColorImage(ColorUI color, ColorUI maskColour);

} // namespace SkinUI
