#include "ui/core/ResourceImage.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/Resources.h"
#include "platform/System.h"
#include "ui/core/ResourceFiles.h"
#include "ui/core/ResourceShared.h"
#include "ui/core/UIAttributes.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_MAX_DIMENSIONS SkinUI::kMaxImageSide
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#endif
#include <stb_image.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace SkinUI {

namespace {

struct StbiFree
{
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

// Converts 8-bit R, G, B, A pixels into the image's premultiplied B, G, R, A, clearing masked ones.
void StoreRgbaPixels(CachedImage& image, const uint8_t* rgba, ColorUI maskColour)
{
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    for (size_t i = 0; i < count; ++i, rgba += 4) {
        uint32_t red = rgba[0];
        uint32_t green = rgba[1];
        uint32_t blue = rgba[2];
        const uint32_t alpha = rgba[3];
        if (alpha != 255) {
            red = red * alpha / 255;
            green = green * alpha / 255;
            blue = blue * alpha / 255;
            image.hasAlpha = true;
        }
        uint32_t pixel = (alpha << 24) | (red << 16) | (green << 8) | blue;
        if (pixel == maskColour) {
            pixel = 0;
            image.hasAlpha = true;
        }
        image.pixels[i] = pixel;
    }
    image.bitmap->MarkDirty();
}

std::unique_ptr<CachedImage> MakeImage(const uint8_t* rgba, int width, int height, ColorUI maskColour)
{
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
        return nullptr;
    auto image = std::make_unique<CachedImage>();
    image->bitmap = plat::CBitmap::CreateDib(width, -height);
    if (!image->bitmap || image->bitmap->Stride() != width * 4)
        return nullptr;
    image->pixels = reinterpret_cast<uint32_t*>(image->bitmap->Bits());
    image->width = width;
    image->height = height;
    image->maskColour = maskColour;
    StoreRgbaPixels(*image, rgba, maskColour);
    return image;
}

bool FromResource(const ImageNameOrIdUI& nameOrId, const wchar_t* type, std::string& bytes)
{
    const plat::ModuleHandle module = CWindowManagerUI::ResourceModule();
    if (module == nullptr)
        return false;
    const plat::ResourceId name =
        nameOrId.IsId() ? plat::ResourceId(nameOrId.id) : plat::ResourceId(nameOrId.name);
    if (name.IsNumber() && name.number == 0)
        return false;
    const plat::ResourceHandle found = plat::FindResource(module, name, plat::ResourceId(type));
    if (found == nullptr)
        return false;
    const plat::ResourceData data = plat::LoadResource(module, found);
    const uint32_t size = plat::SizeofResource(module, found);
    const void* locked = plat::LockResource(data);
    if (locked == nullptr || size == 0)
        return false;
    bytes.assign(static_cast<const char*>(locked), size);
    return true;
}

bool FetchImageBytes(const ImageNameOrIdUI& nameOrId, const wchar_t* type, std::string& bytes)
{
    const bool typed = type != nullptr && type[0] != 0;
    if (typed && FromResource(nameOrId, type, bytes))
        return true;
    if (nameOrId.IsId())
        return false;
    if (!typed && FetchSkinBytes(nameOrId.name, kMaxEncodedImageBytes, bytes) == kSkinBytes_Read)
        return true;
    return nameOrId.name[0] != 0 &&
           ReadSkinFile(nameOrId.name, kMaxEncodedImageBytes, bytes) == kSkinFile_Read;
}

// A JPEG Huffman table lists at most 256 codes; the decoder writes its symbols into a table of that
// size without checking, so a table claiming more is refused here. Every "FF C4" is read the way
// the decoder reads a table definition, wherever it stands, so none can slip past.
bool JpegHuffmanTablesFit(const uint8_t* data, size_t size)
{
    const auto byteAt = [data, size](size_t at) -> uint32_t { return at < size ? data[at] : 0; };
    for (size_t marker = 0; marker + 1 < size; ++marker) {
        if (data[marker] != 0xFF || data[marker + 1] != 0xC4)
            continue;
        int64_t left = static_cast<int64_t>((byteAt(marker + 2) << 8) | byteAt(marker + 3)) - 2;
        size_t at = marker + 4;
        while (left > 0 && at < size) {
            uint32_t codes = 0;
            for (size_t i = 0; i < 16; ++i)
                codes += byteAt(at + 1 + i);
            if (codes > 256)
                return false;
            at += 17 + codes;
            left -= 17 + static_cast<int64_t>(codes);
        }
    }
    return true;
}

// The decoder takes a start-of-image marker after any number of 0xFF fill bytes.
bool IsJpeg(const uint8_t* data, size_t size)
{
    size_t at = 0;
    while (at < size && data[at] == 0xFF)
        ++at;
    return at > 0 && at < size && data[at] == 0xD8;
}

uint32_t LittleEndian(const uint8_t* data, size_t size, size_t at, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | (at + static_cast<size_t>(i) < size ? data[at + static_cast<size_t>(i)] : 0u);
    return value;
}

// The decoder reads missing BMP pixel rows as zeros; a file too short for the rows its header
// claims is damaged, and would otherwise cost a full-size image for a few bytes.
bool BmpHoldsItsPixels(const uint8_t* data, size_t size, int width, int height)
{
    if (size < 2 || data[0] != 'B' || data[1] != 'M')
        return true;
    const uint32_t headerSize = LittleEndian(data, size, 14, 4);
    const uint32_t bitsPerPixel = LittleEndian(data, size, headerSize == 12 ? 24 : 28, 2);
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
    return rowBytes * static_cast<uint64_t>(height) <= size;
}

uint32_t BigEndian32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

// The PNG decoder copies an empty data chunk that comes first into a buffer it has not made yet.
// Such chunks carry nothing, so the bytes are handed over without them.
bool DropEmptyPngDataChunks(const uint8_t* data, size_t size, std::string& copy)
{
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(data, kSignature, 8) != 0)
        return false;
    const auto isEmptyData = [data](size_t at) {
        return BigEndian32(data + at) == 0 && std::memcmp(data + at + 4, "IDAT", 4) == 0;
    };
    bool found = false;
    for (size_t at = 8; at + 8 <= size && !found; at += 12 + static_cast<size_t>(BigEndian32(data + at)))
        found = isEmptyData(at);
    if (!found)
        return false;
    copy.assign(reinterpret_cast<const char*>(data), 8);
    size_t at = 8;
    while (at + 8 <= size) {
        const uint64_t length =
            std::min<uint64_t>(12 + static_cast<uint64_t>(BigEndian32(data + at)), size - at);
        if (!isEmptyData(at))
            copy.append(reinterpret_cast<const char*>(data + at), static_cast<size_t>(length));
        at += static_cast<size_t>(length);
    }
    copy.append(reinterpret_cast<const char*>(data + at), size - at);
    return true;
}

} // namespace

std::unique_ptr<CachedImage> DecodeImageData(const void* bytes, size_t size, ColorUI maskColour)
{
    if (bytes == nullptr || size == 0 || size > static_cast<size_t>(INT32_MAX))
        return nullptr;
    const auto* data = static_cast<const stbi_uc*>(bytes);
    std::string withoutEmptyChunks;
    if (DropEmptyPngDataChunks(data, size, withoutEmptyChunks)) {
        data = reinterpret_cast<const stbi_uc*>(withoutEmptyChunks.data());
        size = withoutEmptyChunks.size();
    }
    const int length = static_cast<int>(size);
    int width = 0;
    int height = 0;
    int channels = 0;
    if (IsJpeg(data, size) && !JpegHuffmanTablesFit(data, size))
        return nullptr;
    // The header alone tells a refused size, before any pixel memory is reserved.
    if (!stbi_info_from_memory(data, length, &width, &height, &channels))
        return nullptr;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
        return nullptr;
    if (!BmpHoldsItsPixels(data, size, width, height))
        return nullptr;
    std::unique_ptr<stbi_uc, StbiFree> rgba(
        stbi_load_from_memory(data, length, &width, &height, &channels, 4));
    if (!rgba)
        return nullptr;
    return MakeImage(rgba.get(), width, height, maskColour);
}

std::unique_ptr<CachedImage> MakeColorImage(ColorUI color, ColorUI maskColour)
{
    const uint8_t rgba[4] = {ColorRed(color), ColorGreen(color), ColorBlue(color), ColorAlpha(color)};
    return MakeImage(rgba, 1, 1, maskColour);
}

std::unique_ptr<CachedImage> LoadImageData(const ImageNameOrIdUI& nameOrId, const wchar_t* type,
                                           ColorUI maskColour)
{
    if (type != nullptr && std::wcscmp(type, kColorImageType) == 0) {
        // An id stands for the colour its decimal digits spell.
        const CStringUI text =
            nameOrId.IsId() ? CStringUI(std::to_wstring(nameOrId.id)) : CStringUI(nameOrId.name);
        return MakeColorImage(ParseColor(text.GetData()), maskColour);
    }
    std::string bytes;
    if (!FetchImageBytes(nameOrId, type, bytes))
        return nullptr;
    std::unique_ptr<CachedImage> image = DecodeImageData(bytes.data(), bytes.size(), maskColour);
    if (image && type != nullptr)
        image->resourceType = type;
    return image;
}

} // namespace SkinUI
