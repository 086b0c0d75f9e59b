// Draws and measures arbitrary markup: the first byte picks the format flags, the rest is the text
// (one character per byte). Images named "a.png" and "strip.png" exist; other names do not.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Graphics.h"
#include "ui/core/WindowManager.h"
#include "ui/render/DrawEngine.h"

namespace {

using namespace SkinUI;

struct CTarget
{
    CTarget() : canvas(plat::CBitmap::CreateDib(120, -40)), dc(plat::CDeviceContext::CreateMemory())
    {
        char folder[] = "/tmp/sk-markup-fuzz-XXXXXX";
        if (mkdtemp(folder) != nullptr) {
            auto image = plat::CBitmap::CreateDib(12, -6);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 12; ++x)
                    image->Row(y)[x] = x < 6 ? 0xFFFF0000u : 0x80000080u;
            image->MarkDirty();
            image->SaveToPng(std::string(folder) + "/a.png");
            image->SaveToPng(std::string(folder) + "/strip.png");
            CWindowManagerUI::SetResourceFolder(std::wstring(folder, folder + sizeof(folder) - 1).c_str());
        }
        dc->SelectBitmap(canvas.get());
        manager.SetWindowDC(dc.get());
        manager.CacheFont(1, L"DejaVu Sans", 12, false, false, false, false);
    }

    std::unique_ptr<plat::CBitmap> canvas;
    std::unique_ptr<plat::CDeviceContext> dc;
    CWindowManagerUI manager;
};

constexpr unsigned kFormats[] = {plat::kDT_Center,     plat::kDT_Right,     plat::kDT_VCenter,
                                 plat::kDT_Bottom,     plat::kDT_WordBreak, plat::kDT_SingleLine,
                                 plat::kDT_EndEllipsis};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CTarget target;
    if (size == 0)
        return 0;
    unsigned format = 0;
    for (size_t bit = 0; bit < std::size(kFormats); ++bit)
        if (data[0] & (1u << bit))
            format |= kFormats[bit];
    std::wstring text;
    for (size_t i = 1; i < size; ++i)
        text += static_cast<wchar_t>(data[i]);

    RectUI links[3];
    CStringUI targets[3];
    int count = (data[0] & 0x80) ? 3 : 0;
    RectUI area{2, 2, 118, 38};
    CDrawEngine::DrawMarkupText(target.dc.get(), &target.manager, area, text.c_str(), 0xFF000000, links,
                                targets, count, 1, format);
    if (count < 0 || count > 3)
        abort();
    RectUI measured{0, 0, 9999, 100};
    int none = 0;
    CDrawEngine::DrawMarkupText(target.dc.get(), &target.manager, measured, text.c_str(), 0xFF000000, nullptr,
                                nullptr, none, 1, format | plat::kDT_CalcRect);
    return 0;
}
