#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

#include "../graphics/GraphicsFixture.h"
#include "support/TempDir.h"
#include "ui/core/ResourceImage.h"
#include "ui/core/WindowManager.h"
#include "ui/render/DrawEngine.h"

namespace {

using namespace SkinUI;
using sktest::CCanvas;

constexpr uint32_t kWhite = 0xFFFFFFFF;

int Channel(uint32_t pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xFF);
}

// A canvas filled with one opaque colour.
struct CFilledCanvas : CCanvas
{
    CFilledCanvas(int width, int height, uint32_t color = kWhite) : CCanvas(width, height)
    {
        dc->FillSolidRect({0, 0, width, height}, color);
    }

    // True when every pixel of rect satisfies the check.
    bool All(const RectUI& rect, const std::function<bool(uint32_t)>& check) const
    {
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                if (!check(At(x, y)))
                    return false;
        return true;
    }
    bool AllEqual(const RectUI& rect, uint32_t pixel) const
    {
        return All(rect, [pixel](uint32_t p) { return p == pixel; });
    }
};

// A bitmap whose pixel (x, y) is opaque with red x * 10, green y * 10 and blue 7, so every source
// position can be recognised where it lands.
std::unique_ptr<plat::CBitmap> CoordinateBitmap(int width, int height)
{
    auto bitmap = plat::CBitmap::CreateDib(width, -height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap->Row(y)[x] = MakeColor(255, static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 10), 7);
    bitmap->MarkDirty();
    return bitmap;
}

uint32_t CoordinatePixel(int x, int y)
{
    return MakeColor(255, static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 10), 7);
}

// Restores the platform functions whatever a test switched off.
class DrawEngine : public testing::Test
{
protected:
    void TearDown() override { RenderPlatform() = RenderPlatformUI{}; }
};

// ---- FillColor ------------------------------------------------------------------------------------

TEST_F(DrawEngine, FillColorBlendsTheUnpremultipliedColourAndSaturates)
{
    struct Case
    {
        ColorUI fill;
        uint32_t below;
        uint32_t expected;
    };
    const Case cases[] = {
        {0xAA000000, kWhite, 0xFF555555},     // 0 + 255 * 85 / 255 in every channel
        {0x00FF0000, kWhite, kWhite},         // alpha 0 draws nothing
        {0x80FFFFFF, kWhite, kWhite},         // 255 + 255 * 127 / 255 saturates at 255
        {0x80404040, 0xFF000000, 0xFF404040}, // the colour itself over black
        {0xFF123456, kWhite, 0xFF123456},     // opaque
    };
    for (const auto& c : cases) {
        CFilledCanvas canvas(8, 8, c.below);
        CDrawEngine::FillColor(canvas.dc.get(), {2, 2, 6, 6}, c.fill);
        EXPECT_TRUE(canvas.AllEqual({2, 2, 6, 6}, c.expected))
            << std::hex << c.fill << " gave " << canvas.At(3, 3);
        EXPECT_EQ(canvas.At(1, 1), c.below);
        EXPECT_EQ(canvas.At(6, 6), c.below);
    }
}

TEST_F(DrawEngine, FillColorIgnoresMissingInput)
{
    CFilledCanvas canvas(4, 4);
    CDrawEngine::FillColor(nullptr, {0, 0, 4, 4}, 0xFF000000);
    CDrawEngine::FillColor(canvas.dc.get(), {3, 3, 1, 1}, 0xFF000000);
    EXPECT_TRUE(canvas.AllEqual({0, 0, 4, 4}, kWhite));
}

// ---- FillGradient ---------------------------------------------------------------------------------

TEST_F(DrawEngine, OpaqueGradientsHoldTheirColoursExactlyAtBothEnds)
{
    for (bool vertical : {true, false}) {
        CFilledCanvas canvas(20, 20);
        CDrawEngine::FillGradient(canvas.dc.get(), {0, 0, 20, 20}, 0xFF0000FF, 0xFFFF0000, vertical, 16);
        const auto at = [&](int i) { return vertical ? canvas.At(5, i) : canvas.At(i, 5); };
        EXPECT_EQ(at(0), 0xFF0000FFu);
        EXPECT_EQ(at(19), 0xFFFF0000u);
        // Rows between are the linear mix, each channel rounded to within one step of the exact value.
        for (int i = 1; i < 19; ++i) {
            const double exact = 255.0 * i / 19;
            EXPECT_NEAR(Channel(at(i), 16), exact, 1.0) << i;
            EXPECT_NEAR(Channel(at(i), 0), 255 - exact, 1.0) << i;
        }
    }
}

TEST_F(DrawEngine, GradientOpacityIsTheAverageOfBothAlphas)
{
    CFilledCanvas clear(10, 10);
    CDrawEngine::FillGradient(clear.dc.get(), {0, 0, 10, 10}, 0x00000000, 0x00000000, true, 8);
    EXPECT_TRUE(clear.AllEqual({0, 0, 10, 10}, kWhite));

    // (0xFF + 0x01) / 2 = 128: black at 128 over white leaves 255 * 127 / 255 = 127.
    CFilledCanvas half(10, 10);
    CDrawEngine::FillGradient(half.dc.get(), {0, 0, 10, 10}, 0xFF000000, 0x01000000, true, 8);
    EXPECT_TRUE(half.All({0, 0, 10, 10},
                         [](uint32_t p) {
                             return std::abs(Channel(p, 16) - 127) <= 1 && Channel(p, 16) == Channel(p, 0) &&
                                    (p >> 24) == 255;
                         }))
        << std::hex << half.At(0, 0);
}

TEST_F(DrawEngine, TranslucentGradientsStayInsideTheirRectangleAndTheClip)
{
    CFilledCanvas canvas(20, 20);
    ClipState clip = CDrawEngine::ClipToRect(canvas.dc.get(), {0, 0, 20, 10});
    CDrawEngine::FillGradient(canvas.dc.get(), {5, 5, 15, 15}, 0x80000000, 0x80000000, false, 8);
    clip.Restore();
    EXPECT_NE(canvas.At(5, 5), kWhite);
    EXPECT_NE(canvas.At(14, 9), kWhite);
    EXPECT_EQ(canvas.At(10, 10), kWhite);
    EXPECT_EQ(canvas.At(4, 5), kWhite);
    EXPECT_EQ(canvas.At(15, 5), kWhite);
}

TEST_F(DrawEngine, WithoutAPlatformGradientBandsApproximateIt)
{
    RenderPlatform().hasGradientFill = false;
    // Steps 8..15 give 2^3 bands; over 16 rows each band is two rows, band 0 at the bottom.
    CFilledCanvas canvas(4, 16);
    const ColorUI first = 0xFF000000, second = 0xFFF0F0F0;
    CDrawEngine::FillGradient(canvas.dc.get(), {0, 0, 4, 16}, first, second, true, 8);
    for (int i = 0; i < 8; ++i) {
        const uint32_t value = (0xF0u * static_cast<uint32_t>(8 - i)) >> 3;
        const uint32_t expected = 0xFF000000u | value << 16 | value << 8 | value;
        EXPECT_EQ(canvas.At(1, 15 - 2 * i), expected) << i;
        EXPECT_EQ(canvas.At(1, 14 - 2 * i), expected) << i;
    }

    // Steps below 4 give two bands; a rectangle of 3 columns splits as 1 (band 0, right) and 2.
    CFilledCanvas narrow(3, 1);
    CDrawEngine::FillGradient(narrow.dc.get(), {0, 0, 3, 1}, 0xFF000000, 0xFF0000FE, false, 1);
    EXPECT_EQ(narrow.At(2, 0), 0xFF0000FEu);
    EXPECT_EQ(narrow.At(1, 0), 0xFF00007Fu);
    EXPECT_EQ(narrow.At(0, 0), 0xFF00007Fu);
}

// ---- Lines and outlines ---------------------------------------------------------------------------

TEST_F(DrawEngine, OutlinesLieInsideTheRectangleAndIgnoreAlpha)
{
    CFilledCanvas canvas(20, 20);
    CDrawEngine::DrawRectOutline(canvas.dc.get(), {2, 2, 18, 18}, 3, 0x00FF0000);
    EXPECT_EQ(canvas.At(2, 2), 0xFFFF0000u);
    EXPECT_EQ(canvas.At(4, 10), 0xFFFF0000u);
    EXPECT_EQ(canvas.At(15, 10), 0xFFFF0000u);
    EXPECT_EQ(canvas.At(5, 10), kWhite);
    EXPECT_EQ(canvas.At(1, 10), kWhite);
    EXPECT_EQ(canvas.At(18, 10), kWhite);

    CFilledCanvas round(20, 20);
    CDrawEngine::DrawRoundRectOutline(round.dc.get(), {0, 0, 20, 20}, 2, 8, 8, 0x000000FF);
    EXPECT_EQ(round.At(10, 0), 0xFF0000FFu);
    EXPECT_EQ(round.At(10, 19), 0xFF0000FFu);
    EXPECT_EQ(round.At(0, 0), kWhite); // the corner is rounded off
    EXPECT_EQ(round.At(10, 10), kWhite);
}

TEST_F(DrawEngine, LinesRunFromTheTopLeftToTheBottomRightOfTheirRectangle)
{
    CFilledCanvas canvas(20, 20);
    // A vertical line has a rectangle without width; it is drawn all the same.
    CDrawEngine::DrawLine(canvas.dc.get(), {5, 2, 5, 12}, 1, 0x1200FF00);
    EXPECT_EQ(canvas.At(5, 2), 0xFF00FF00u);
    EXPECT_EQ(canvas.At(5, 11), 0xFF00FF00u);
    EXPECT_EQ(canvas.At(5, 12), kWhite);
    EXPECT_EQ(canvas.At(6, 5), kWhite);
}

// ---- DrawImageParts -------------------------------------------------------------------------------

TEST_F(DrawEngine, CornersKeepTheirSizeAndTheEdgesStretch)
{
    auto image = CoordinateBitmap(20, 20);
    CFilledCanvas canvas(100, 30);
    CDrawEngine::DrawImageParts(canvas.dc.get(), image.get(), {0, 0, 100, 30}, {0, 0, 100, 30},
                                {0, 0, 20, 20}, {4, 4, 4, 4}, false, 255, false, false, false);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(canvas.At(x, y), CoordinatePixel(x, y));
            EXPECT_EQ(canvas.At(96 + x, y), CoordinatePixel(16 + x, y));
            EXPECT_EQ(canvas.At(x, 26 + y), CoordinatePixel(x, 16 + y));
            EXPECT_EQ(canvas.At(96 + x, 26 + y), CoordinatePixel(16 + x, 16 + y));
        }
    // The top edge stretches 12 source columns over 92; its rows stay unscaled.
    EXPECT_EQ(canvas.At(4, 0), CoordinatePixel(4, 0));
    EXPECT_EQ(canvas.At(95, 3), CoordinatePixel(15, 3));
    // The centre stretches 12 x 12 over 92 x 22.
    EXPECT_EQ(canvas.At(4, 4), CoordinatePixel(4, 4));
    EXPECT_EQ(canvas.At(95, 25), CoordinatePixel(15, 15));
}

TEST_F(DrawEngine, PartsOutsideThePaintRectangleAreSkipped)
{
    auto image = CoordinateBitmap(20, 20);
    CFilledCanvas canvas(100, 30);
    CDrawEngine::DrawImageParts(canvas.dc.get(), image.get(), {0, 0, 100, 30}, {0, 0, 3, 3}, {0, 0, 20, 20},
                                {4, 4, 4, 4}, false, 255, false, false, false);
    // Only the top-left corner meets the paint rectangle, and it is drawn whole.
    EXPECT_EQ(canvas.At(3, 3), CoordinatePixel(3, 3));
    EXPECT_EQ(canvas.At(4, 0), kWhite);
    EXPECT_EQ(canvas.At(0, 4), kWhite);
    EXPECT_EQ(canvas.At(50, 15), kWhite);
}

TEST_F(DrawEngine, AHoleLeavesTheCentreOut)
{
    auto image = CoordinateBitmap(20, 20);
    CFilledCanvas canvas(40, 40);
    CDrawEngine::DrawImageParts(canvas.dc.get(), image.get(), {0, 0, 40, 40}, {0, 0, 40, 40}, {0, 0, 20, 20},
                                {4, 4, 4, 4}, false, 255, true, false, false);
    EXPECT_TRUE(canvas.AllEqual({4, 4, 36, 36}, kWhite));
    EXPECT_EQ(canvas.At(0, 0), CoordinatePixel(0, 0));
    EXPECT_EQ(canvas.At(20, 0), CoordinatePixel(10, 0));

    CFilledCanvas plain(20, 20);
    CDrawEngine::DrawImageParts(plain.dc.get(), image.get(), {0, 0, 20, 20}, {0, 0, 20, 20}, {0, 0, 20, 20},
                                {}, false, 255, true, false, false);
    EXPECT_TRUE(plain.AllEqual({0, 0, 20, 20}, kWhite));
}

TEST_F(DrawEngine, TiledCentresRepeatAndCutTheLastTile)
{
    auto image = CoordinateBitmap(10, 5);
    // Nearest-pixel stretch of n source pixels over m, sampled at pixel centres (the sizes keep every
    // centre off a source edge, where rounding is the platform's choice).
    const auto stretched = [](int at, int n, int m) {
        return static_cast<int>(std::floor((at + 0.5) * n / m));
    };
    struct Case
    {
        bool tileX, tileY;
        // Source position expected at canvas (x, y).
        std::function<std::pair<int, int>(int, int)> source;
    };
    const Case cases[] = {
        // Across: copies 10 wide at 0, 10, 20 (the last 4 wide, columns 0..3), each stretched 5 -> 12 rows.
        {true, false,
         [&](int x, int y) {
             return std::pair{x % 10, stretched(y, 5, 12)};
         }},
        // Down: copies 5 high at 0, 5, 10 (the last 2 high), each stretched 10 -> 24 columns.
        {false, true,
         [&](int x, int y) {
             return std::pair{stretched(x, 10, 24), y % 5};
         }},
        // Both: unscaled tiles in rows and columns, the last row and column cut.
        {true, true,
         [](int x, int y) {
             return std::pair{x % 10, y % 5};
         }},
    };
    for (const auto& c : cases) {
        CFilledCanvas canvas(30, 16);
        CDrawEngine::DrawImageParts(canvas.dc.get(), image.get(), {0, 0, 24, 12}, {0, 0, 30, 16},
                                    {0, 0, 10, 5}, {}, false, 255, false, c.tileX, c.tileY);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 24; ++x) {
                const auto [sx, sy] = c.source(x, y);
                ASSERT_EQ(canvas.At(x, y), CoordinatePixel(sx, sy))
                    << c.tileX << c.tileY << " at " << x << "," << y;
            }
        EXPECT_TRUE(canvas.AllEqual({24, 0, 30, 16}, kWhite));
        EXPECT_TRUE(canvas.AllEqual({0, 12, 30, 16}, kWhite));
    }
}

TEST_F(DrawEngine, ATiledAxisWithoutTileSizeDrawsNoCentre)
{
    auto image = CoordinateBitmap(8, 8);
    CFilledCanvas canvas(20, 20);
    CDrawEngine::DrawImageParts(canvas.dc.get(), image.get(), {0, 0, 20, 20}, {0, 0, 20, 20}, {0, 0, 8, 8},
                                {4, 0, 4, 0}, false, 255, false, true, false);
    EXPECT_TRUE(canvas.AllEqual({4, 0, 16, 20}, kWhite));
    EXPECT_EQ(canvas.At(0, 0), CoordinatePixel(0, 0));
}

TEST_F(DrawEngine, AnUnscaledCopyTakesOnlyThePaintedPartFromTheMatchingPosition)
{
    auto image = CoordinateBitmap(20, 20);
    CFilledCanvas canvas(40, 40);
    CDrawEngine::DrawImageParts(canvas.dc.get(), image.get(), {10, 10, 20, 20}, {15, 12, 40, 40},
                                {5, 5, 15, 15}, {}, false, 255, false, false, false);
    EXPECT_EQ(canvas.At(15, 12), CoordinatePixel(10, 7));
    EXPECT_EQ(canvas.At(19, 19), CoordinatePixel(14, 14));
    EXPECT_EQ(canvas.At(14, 15), kWhite);
    EXPECT_EQ(canvas.At(16, 11), kWhite);
}

TEST_F(DrawEngine, BlendingUsesFadeAsAConstantOpacity)
{
    auto image = plat::CBitmap::CreateDib(1, -1);
    image->Row(0)[0] = 0xFF000000;
    image->MarkDirty();
    CFilledCanvas canvas(4, 4);
    CDrawEngine::DrawImageParts(canvas.dc.get(), image.get(), {0, 0, 4, 4}, {0, 0, 4, 4}, {0, 0, 1, 1}, {},
                                false, 51, false, false, false);
    // Black at 51 / 255 over white: 255 * (1 - 0.2) = 204.
    EXPECT_NEAR(Channel(canvas.At(2, 2), 8), 204, 1);
}

TEST_F(DrawEngine, WithoutAPlatformBlendTheSourceIsMixedAsNotPremultiplied)
{
    RenderPlatform().hasAlphaBlend = false;
    auto image = plat::CBitmap::CreateDib(1, -1);
    // Premultiplied half-transparent red; the stand-in reads its 0x80 red as the colour itself.
    image->Row(0)[0] = 0x80800000;
    image->MarkDirty();
    CFilledCanvas canvas(6, 6, 0xFF0000FF);
    ClipState clip = CDrawEngine::ClipToRect(canvas.dc.get(), {0, 0, 6, 3});
    CDrawEngine::DrawImageParts(canvas.dc.get(), image.get(), {0, 0, 6, 6}, {0, 0, 6, 6}, {0, 0, 1, 1}, {},
                                true, 255, false, false, false);
    clip.Restore();
    // x = 128 / 255: red = 128 * x, blue = 255 * (1 - x), alpha = 128 * x + 255 * (1 - x).
    const double x = 128 * 255 / 255.0 / 255.0;
    const uint32_t p = canvas.At(2, 1);
    EXPECT_EQ(Channel(p, 16), static_cast<int>(128 * x));
    EXPECT_EQ(Channel(p, 0), static_cast<int>(255 * (1 - x)));
    EXPECT_EQ(Channel(p, 24), static_cast<int>(128 * x + 255 * (1 - x)));
    EXPECT_EQ(canvas.At(2, 4), 0xFF0000FFu); // outside the clip
}

TEST_F(DrawEngine, ImagePartsWithoutABitmapOrContextDrawNothing)
{
    CFilledCanvas canvas(4, 4);
    CDrawEngine::DrawImageParts(canvas.dc.get(), nullptr, {0, 0, 4, 4}, {0, 0, 4, 4}, {0, 0, 1, 1}, {}, false,
                                255, false, false, false);
    auto image = CoordinateBitmap(2, 2);
    CDrawEngine::DrawImageParts(nullptr, image.get(), {0, 0, 4, 4}, {0, 0, 4, 4}, {0, 0, 2, 2}, {}, false,
                                255, false, false, false);
    EXPECT_TRUE(canvas.AllEqual({0, 0, 4, 4}, kWhite));
}

TEST_F(DrawEngine, ExtremeSkinNumbersNeitherOverflowNorWalkEndlessTiles)
{
    auto image = CoordinateBitmap(4, 4);
    CFilledCanvas canvas(16, 16);
    constexpr int kMax = 2147483647, kMin = -2147483647 - 1;
    const RectUI corners[] = {{kMax, kMax, kMax, kMax}, {kMin, 0, kMin, 0}, {0, 0, 0, 0}, {1, 1, 1, 1}};
    for (const RectUI& corner : corners)
        for (bool tile : {false, true}) {
            CDrawEngine::DrawImageParts(canvas.dc.get(), image.get(), {kMin, kMin, kMax, kMax},
                                        {kMin, kMin, kMax, kMax}, {0, 0, 1, 1}, corner, false, 255, false,
                                        tile, tile);
            CDrawEngine::DrawImageParts(canvas.dc.get(), image.get(), {0, 0, 16, 16}, {0, 0, 16, 16},
                                        {kMin, kMin, kMax, kMax}, corner, true, 128, false, tile, !tile);
        }
    // A destination relative to the item with the largest offsets stays inside the item's bounds.
    const RectUI dest = ImageDestinationRect({10, 10, 20, 20}, {kMax, kMax, kMax, kMax});
    EXPECT_TRUE(dest.IsEmpty());
    EXPECT_EQ(ImageDestinationRect({10, 10, 20, 20}, {}), (RectUI{10, 10, 20, 20}));
    EXPECT_EQ(ImageDestinationRect({10, 10, 20, 20}, {1, 2, 5, 50}), (RectUI{11, 12, 15, 20}));
}

// ---- Clips ----------------------------------------------------------------------------------------

TEST_F(DrawEngine, ARectangleClipNarrowsTheCurrentOneAndRestoringReselectsIt)
{
    CFilledCanvas canvas(20, 20);
    ClipState outer = CDrawEngine::ClipToRect(canvas.dc.get(), {0, 0, 10, 20});
    {
        ClipState inner = CDrawEngine::ClipToRect(canvas.dc.get(), {5, 5, 15, 15});
        plat::Rect box;
        canvas.dc->GetClipBox(box);
        EXPECT_EQ(FromPlatRect(box), (RectUI{5, 5, 10, 15}));
        CDrawEngine::FillColor(canvas.dc.get(), {0, 0, 20, 20}, 0xFF000000);
    }
    EXPECT_EQ(canvas.At(5, 5), 0xFF000000u);
    EXPECT_EQ(canvas.At(10, 10), kWhite);
    EXPECT_EQ(canvas.At(4, 4), kWhite);
    CDrawEngine::FillColor(canvas.dc.get(), {0, 0, 20, 2}, 0xFF00FF00);
    EXPECT_EQ(canvas.At(0, 0), 0xFF00FF00u);
    EXPECT_EQ(canvas.At(12, 0), kWhite);
    outer.Restore();
    plat::CRegion region;
    EXPECT_FALSE(canvas.dc->GetClipRegion(region));
}

TEST_F(DrawEngine, ARoundClipCutsTheCornersOfTheItem)
{
    CFilledCanvas canvas(20, 20);
    {
        ClipState clip =
            CDrawEngine::ClipToRoundRect(canvas.dc.get(), {0, 0, 20, 20}, {0, 0, 20, 20}, 10, 10);
        CDrawEngine::FillColor(canvas.dc.get(), {0, 0, 20, 20}, 0xFF000000);
    }
    EXPECT_EQ(canvas.At(0, 0), kWhite);
    EXPECT_EQ(canvas.At(19, 19), kWhite);
    EXPECT_EQ(canvas.At(10, 0), 0xFF000000u);
    EXPECT_EQ(canvas.At(10, 19), 0xFF000000u);
    EXPECT_EQ(canvas.At(19, 10), 0xFF000000u);
}

// ---- Colour ---------------------------------------------------------------------------------------

TEST_F(DrawEngine, HslAdjustmentTurnsHueAndScalesSaturationAndLightness)
{
    struct Case
    {
        ColorUI in;
        int hue, saturation, lightness;
        ColorUI expected;
    };
    const Case cases[] = {
        {0x12345678, 180, 100, 100, 0x12345678}, // neutral values leave the colour alone
        {0xFFFF0000, 300, 100, 100, 0xFF00FF00}, // red turned by 120 degrees is green
        {0x80FF0000, 60, 100, 100, 0x800000FF},  // turned by -120 degrees: blue, alpha kept
        {0xFFFF0000, 180, 0, 100, 0xFF7F7F7F},   // no saturation: grey of the same lightness
        {0xFFFF0000, 180, 100, 50, 0xFF7F0000},  // half the lightness
        {0xFF808080, 180, 100, 300, 0xFFFFFFFF}, // channels clamp at 255
    };
    for (const auto& c : cases)
        EXPECT_EQ(CDrawEngine::AdjustColorHSL(c.in, c.hue, c.saturation, c.lightness), c.expected)
            << std::hex << c.in << std::dec << " " << c.hue << " " << c.saturation << " " << c.lightness;
}

} // namespace
