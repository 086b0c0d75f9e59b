// Per-call costs of what the installer window draws most: its button (a nine-part image with a
// caption), its 650 x 290 banner and its licence line of markup. Images are generated here.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/Graphics.h"
#include "ui/core/WindowManager.h"
#include "ui/render/DrawEngine.h"

namespace {

using namespace SkinUI;

constexpr wchar_t kLicenceLine[] = L"I've read and agreed to {c #337BDD}Valtrix License Agreement{/c}";

// A bitmap with a soft vertical shade; translucent towards its edges when withAlpha.
std::unique_ptr<plat::CBitmap> MakeImage(int width, int height, bool withAlpha)
{
    auto bitmap = plat::CBitmap::CreateDib(width, -height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t alpha =
                withAlpha && (x < 3 || y < 3 || x >= width - 3 || y >= height - 3) ? 0x80 : 0xFF;
            const uint32_t shade = static_cast<uint32_t>(0x40 + (y * 0x80) / height) * alpha / 255;
            bitmap->Row(y)[x] = alpha << 24 | shade << 16 | (shade / 2) << 8 | (alpha * 0xC0 / 255);
        }
    bitmap->MarkDirty();
    return bitmap;
}

struct CScene
{
    CScene() : surface(plat::CBitmap::CreateDib(700, -400)), dc(plat::CDeviceContext::CreateMemory())
    {
        dc->SelectBitmap(surface.get());
        dc->FillSolidRect({0, 0, 700, 400}, 0xFFFFFF);
        manager.SetWindowDC(dc.get());
        manager.CacheFont(1, L"Segoe UI", 14, false, false, false, false);
        manager.CacheFont(2, L"Segoe UI Semibold", 20, false, false, false, false);
    }

    std::unique_ptr<plat::CBitmap> surface;
    std::unique_ptr<plat::CDeviceContext> dc;
    CWindowManagerUI manager;
};

CScene& Scene()
{
    static CScene scene;
    return scene;
}

void ButtonWithCaption(benchmark::State& state)
{
    CScene& scene = Scene();
    auto button = MakeImage(60, 40, true);
    const RectUI item{100, 320, 300, 370};
    for (auto _ : state) {
        CDrawEngine::DrawImageParts(scene.dc.get(), button.get(), item, item, {0, 0, 60, 40}, {6, 6, 6, 6},
                                    true, 255, false, false, false);
        RectUI text = item;
        CDrawEngine::DrawPlainText(scene.dc.get(), &scene.manager, text, L"Install", 0xFFFFFFFF, 2,
                                   plat::kDT_SingleLine | plat::kDT_Center | plat::kDT_VCenter);
    }
}
BENCHMARK(ButtonWithCaption)->Unit(benchmark::kMicrosecond);

void BannerBlend(benchmark::State& state)
{
    CScene& scene = Scene();
    auto banner = MakeImage(650, 290, true);
    const RectUI item{0, 0, 650, 290};
    for (auto _ : state)
        CDrawEngine::DrawImageParts(scene.dc.get(), banner.get(), item, item, {0, 0, 650, 290}, {}, true, 255,
                                    false, false, false);
}
BENCHMARK(BannerBlend)->Unit(benchmark::kMicrosecond);

void BannerOpaqueCopy(benchmark::State& state)
{
    CScene& scene = Scene();
    auto banner = MakeImage(650, 290, false);
    const RectUI item{0, 0, 650, 290};
    for (auto _ : state)
        CDrawEngine::DrawImageParts(scene.dc.get(), banner.get(), item, item, {0, 0, 650, 290}, {}, false,
                                    255, false, false, false);
}
BENCHMARK(BannerOpaqueCopy)->Unit(benchmark::kMicrosecond);

void LicenceLineMeasure(benchmark::State& state)
{
    CScene& scene = Scene();
    int none = 0;
    for (auto _ : state) {
        RectUI rect{0, 0, 9999, 100};
        CDrawEngine::DrawMarkupText(scene.dc.get(), &scene.manager, rect, kLicenceLine, 0xFF666666, nullptr,
                                    nullptr, none, 1, plat::kDT_SingleLine | plat::kDT_CalcRect);
        benchmark::DoNotOptimize(rect);
    }
}
BENCHMARK(LicenceLineMeasure)->Unit(benchmark::kMicrosecond);

void LicenceLineDraw(benchmark::State& state)
{
    CScene& scene = Scene();
    int none = 0;
    for (auto _ : state) {
        RectUI rect{40, 300, 600, 320};
        CDrawEngine::DrawMarkupText(scene.dc.get(), &scene.manager, rect, kLicenceLine, 0xFF666666, nullptr,
                                    nullptr, none, 1, plat::kDT_SingleLine | plat::kDT_VCenter);
    }
}
BENCHMARK(LicenceLineDraw)->Unit(benchmark::kMicrosecond);

} // namespace
