// Parses an image description and draws a small image the way the description says, so that
// extreme destinations, sources, corners and tiling reach the nine-part drawing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Graphics.h"
#include "ui/render/DrawEngine.h"
#include "ui/render/ImageDescription.h"

namespace {

struct CTarget
{
    CTarget()
        : canvas(plat::CBitmap::CreateDib(64, -64)), image(plat::CBitmap::CreateDib(8, -8)),
          dc(plat::CDeviceContext::CreateMemory())
    {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                image->Row(y)[x] = 0x80000000u | static_cast<uint32_t>(x * 0x101010 + y);
        image->MarkDirty();
        dc->SelectBitmap(canvas.get());
    }

    std::unique_ptr<plat::CBitmap> canvas;
    std::unique_ptr<plat::CBitmap> image;
    std::unique_ptr<plat::CDeviceContext> dc;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CTarget target;
    std::wstring text;
    for (size_t i = 0; i < size; ++i)
        text += static_cast<wchar_t>(data[i]);
    const SkinUI::ImageDescriptionUI d = SkinUI::ParseImageDescription(text.c_str());

    SkinUI::ImageDrawInfo info;
    info.dest = d.dest;
    info.source = d.source.IsZero() ? SkinUI::RectUI{0, 0, 8, 8} : d.source;
    info.source.right = std::min(info.source.right, 8);
    info.source.bottom = std::min(info.source.bottom, 8);
    const SkinUI::RectUI item{4, 4, 60, 60};
    const SkinUI::RectUI dest = SkinUI::ImageDestinationRect(item, d.dest);
    SkinUI::CDrawEngine::DrawImageParts(target.dc.get(), target.image.get(), dest, item, info.source,
                                        d.corner, size % 2 == 0, d.fade, d.hole, d.tileX, d.tileY);
    return 0;
}
