// libFuzzer target: LoadImageData over arbitrary bytes, read from a file in the resource folder.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/System.h"
#include "ui/core/ResourceImage.h"
#include "ui/core/WindowManager.h"

namespace {

std::string g_folder;

void RemoveFolder()
{
    std::remove((g_folder + "/input.img").c_str());
    ::rmdir(g_folder.c_str());
}

// The promises of a decoded image: a size within the limits, colours premultiplied (no channel
// above alpha) and hasAlpha set whenever a pixel is not opaque.
void CheckImage(const SkinUI::CachedImage& image)
{
    if (image.width < 1 || image.height < 1 || image.width > SkinUI::kMaxImageSide ||
        image.height > SkinUI::kMaxImageSide || image.pixels == nullptr || !image.bitmap)
        std::abort();
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    bool translucent = false;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = image.pixels[i];
        const uint32_t a = p >> 24;
        if (((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a)
            std::abort();
        translucent |= a != 255;
    }
    if (translucent && !image.hasAlpha)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char pattern[] = "/tmp/image-fuzz-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        std::abort();
    g_folder = pattern;
    std::atexit(RemoveFolder);
    SkinUI::CWindowManagerUI::SetResourceFolder(SkinUI::CStringUI::FromUtf8(g_folder).GetData());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::wstring path = SkinUI::CStringUI::FromUtf8(g_folder + "/input.img").ToStdWString();
    if (!plat::WriteFileBytes(path, data, size))
        std::abort();
    // The last four bytes double as the mask colour, so masking meets real pixels too.
    uint32_t mask = 0;
    for (size_t i = size >= 4 ? size - 4 : 0; i < size; ++i)
        mask = (mask << 8) | data[i];
    std::unique_ptr<SkinUI::CachedImage> image = SkinUI::LoadImageData(L"input.img", nullptr, mask);
    if (image)
        CheckImage(*image);
    return 0;
}
