#include "GraphicsFixture.h"
#include "support/TempDir.h"

namespace {

using plat::CBitmap;
using plat::Rect;
using sktest::CCanvas;

TEST(GraphicsBitmap, RefusesEmptyAndOversizedDimensions)
{
    EXPECT_FALSE(CBitmap::CreateDib(0, 10));
    EXPECT_FALSE(CBitmap::CreateDib(10, 0));
    EXPECT_FALSE(CBitmap::CreateDib(-4, 10));
    EXPECT_FALSE(CBitmap::CreateDib(40000, -2));
    EXPECT_FALSE(CBitmap::WrapPixels(nullptr, 4, 4, 16));
}

TEST(GraphicsBitmap, NewPixelsAreTransparentBlack)
{
    CCanvas canvas(8, 8);
    EXPECT_EQ(canvas.CountInked(), 0);
}

TEST(GraphicsBitmap, PixelsLieBlueGreenRedAlphaInMemory)
{
    CCanvas canvas(2, 2);
    canvas.dc->FillSolidRect({0, 0, 1, 1}, 0x123456);
    const uint8_t* bytes = canvas.bitmap->Bits();
    EXPECT_EQ(bytes[0], 0x56);
    EXPECT_EQ(bytes[1], 0x34);
    EXPECT_EQ(bytes[2], 0x12);
    EXPECT_EQ(bytes[3], 0xFF);
    EXPECT_EQ(canvas.bitmap->Stride(), 8);
}

TEST(GraphicsBitmap, BottomUpBitmapKeepsTheTopRowLastInMemory)
{
    CCanvas canvas(3, 4, false);
    ASSERT_FALSE(canvas.bitmap->IsTopDown());
    canvas.dc->FillSolidRect({0, 0, 3, 1}, 0x0000FF);
    const auto* lastMemoryRow =
        reinterpret_cast<const uint32_t*>(canvas.bitmap->Bits() + 3 * canvas.bitmap->Stride());
    EXPECT_EQ(lastMemoryRow[0], 0xFF0000FFu);
    EXPECT_EQ(canvas.bitmap->Row(0), lastMemoryRow);
    EXPECT_EQ(canvas.At(0, 1), 0u);
}

TEST(GraphicsBitmap, WrappedPixelsAreDrawnInPlace)
{
    uint32_t pixels[4 * 2] = {};
    auto bitmap = CBitmap::WrapPixels(pixels, 3, 2, 16);
    ASSERT_TRUE(bitmap);
    auto dc = plat::CDeviceContext::CreateMemory();
    dc->SelectBitmap(bitmap.get());
    dc->FillSolidRect({2, 1, 3, 2}, 0x00FF00);
    EXPECT_EQ(pixels[4 + 2], 0xFF00FF00u);
    EXPECT_EQ(pixels[3], 0u); // the padding column stays untouched
}

TEST(GraphicsFill, OpaqueFillCoversExactlyTheRectangle)
{
    CCanvas canvas(10, 10);
    canvas.dc->FillSolidRect({2, 3, 5, 7}, 0xFF336699);
    EXPECT_EQ(canvas.At(2, 3), 0xFF336699u);
    EXPECT_EQ(canvas.At(4, 6), 0xFF336699u);
    EXPECT_EQ(canvas.CountInked(), 3 * 4);
}

TEST(GraphicsFill, FillIgnoresTheColoursAlpha)
{
    CCanvas canvas(2, 2);
    canvas.dc->FillSolidRect({0, 0, 2, 2}, 0x00FF0000);
    EXPECT_EQ(canvas.At(1, 1), 0xFFFF0000u);
}

TEST(GraphicsBlend, HalfBlackPixelOverWhiteGives85)
{
    CCanvas canvas(4, 4);
    canvas.dc->FillSolidRect({0, 0, 4, 4}, 0xFFFFFF);
    auto pixel = CBitmap::CreateDib(1, -1);
    pixel->Row(0)[0] = 0xAA000000;
    pixel->MarkDirty();
    ASSERT_TRUE(canvas.dc->AlphaBlend({0, 0, 4, 4}, *pixel, {0, 0, 1, 1}, 255));
    EXPECT_EQ(canvas.At(0, 0), 0xFF555555u);
    EXPECT_EQ(canvas.At(3, 3), 0xFF555555u);
}

TEST(GraphicsBlend, ConstantAlphaScalesThePremultipliedSource)
{
    struct Case
    {
        uint32_t source;
        uint8_t alpha;
        uint32_t overWhite;
    };
    const Case cases[] = {
        {0xFF000000, 255, 0xFF000000}, // opaque black replaces
        {0xFF000000, 0, 0xFFFFFFFF},   // constant alpha 0 leaves the target
        {0xFFFF0000, 51, 0xFFFFCCCC},  // 20 % red over white
        {0x80800000, 255, 0xFFFF7F7F}, // premultiplied half red
        {0x00000000, 255, 0xFFFFFFFF}, // transparent source
    };
    for (const auto& c : cases) {
        CCanvas canvas(2, 2);
        canvas.dc->FillSolidRect({0, 0, 2, 2}, 0xFFFFFF);
        auto source = CBitmap::CreateDib(1, -1);
        source->Row(0)[0] = c.source;
        source->MarkDirty();
        canvas.dc->AlphaBlend({0, 0, 2, 2}, *source, {0, 0, 1, 1}, c.alpha);
        EXPECT_EQ(canvas.At(1, 1), c.overWhite) << std::hex << c.source << " alpha " << int(c.alpha);
    }
}

TEST(GraphicsBlend, BlendOntoTransparentKeepsPremultipliedSource)
{
    CCanvas canvas(1, 1);
    auto source = CBitmap::CreateDib(1, -1);
    source->Row(0)[0] = 0x80400000;
    source->MarkDirty();
    canvas.dc->AlphaBlend({0, 0, 1, 1}, *source, {0, 0, 1, 1}, 255);
    EXPECT_EQ(canvas.At(0, 0), 0x80400000u);
}

// Rows 0..3 of a 1-wide source, each its own colour.
std::unique_ptr<CBitmap> FourRows()
{
    auto source = CBitmap::CreateDib(1, -4);
    const uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    for (int y = 0; y < 4; ++y)
        source->Row(y)[0] = colours[y];
    source->MarkDirty();
    return source;
}

TEST(GraphicsStretch, ShrinkingDropsRowsInsteadOfAveraging)
{
    auto source = FourRows();
    CCanvas canvas(1, 2);
    ASSERT_TRUE(canvas.dc->StretchBlt({0, 0, 1, 2}, *source, {0, 0, 1, 4}));
    EXPECT_EQ(canvas.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(canvas.At(0, 1), 0xFF0000FFu);
}

TEST(GraphicsStretch, GrowingRepeatsPixelsWithoutSmoothing)
{
    auto source = FourRows();
    CCanvas canvas(3, 8);
    canvas.dc->StretchBlt({0, 0, 3, 8}, *source, {0, 0, 1, 4});
    for (int y = 0; y < 8; ++y)
        EXPECT_EQ(canvas.At(2, y), source->Pixel(0, y / 2)) << y;
}

TEST(GraphicsStretch, BlendedStretchIsNearestNeighbourToo)
{
    auto source = FourRows();
    CCanvas canvas(1, 8);
    canvas.dc->AlphaBlend({0, 0, 1, 8}, *source, {0, 1, 1, 3}, 255);
    EXPECT_EQ(canvas.At(0, 0), 0xFF00FF00u);
    EXPECT_EQ(canvas.At(0, 3), 0xFF00FF00u);
    EXPECT_EQ(canvas.At(0, 4), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(0, 7), 0xFF0000FFu);
}

TEST(GraphicsCopy, BitBltCopiesAlphaAndOnlyTheGivenArea)
{
    CCanvas source(4, 4);
    source.bitmap->Row(1)[1] = 0x40102030;
    source.bitmap->MarkDirty();
    CCanvas target(4, 4);
    target.dc->FillSolidRect({0, 0, 4, 4}, 0xFFFFFF);
    ASSERT_TRUE(target.dc->BitBlt(2, 2, 2, 2, *source.dc, 1, 1));
    EXPECT_EQ(target.At(2, 2), 0x40102030u);
    EXPECT_EQ(target.At(3, 3), 0u);
    EXPECT_EQ(target.At(1, 1), 0xFFFFFFFFu);
}

TEST(GraphicsCopy, NothingIsDrawnWithoutABitmap)
{
    auto dc = plat::CDeviceContext::CreateMemory();
    auto source = FourRows();
    EXPECT_FALSE(dc->StretchBlt({0, 0, 2, 2}, *source, {0, 0, 1, 4}));
    EXPECT_FALSE(dc->GradientFill({0, 0, 2, 2}, 0xFF000000, 0xFFFFFFFF, true));
    dc->FillSolidRect({0, 0, 2, 2}, 0);
    Rect box;
    EXPECT_EQ(dc->GetClipBox(box), plat::kRegion_Null);
}

struct GradientCase
{
    bool vertical;
    uint32_t first;
    uint32_t second;
};

TEST(GraphicsGradient, EndsCarryTheTwoColoursExactly)
{
    const GradientCase cases[] = {
        {true, 0xFFFF0000, 0xFF0000FF},
        {false, 0xFF00FF00, 0xFF000000},
        {true, 0xFFFFFFFF, 0xFF202020},
    };
    for (const auto& c : cases) {
        CCanvas canvas(20, 30);
        ASSERT_TRUE(canvas.dc->GradientFill({0, 0, 20, 30}, c.first, c.second, c.vertical));
        EXPECT_EQ(canvas.At(0, 0), c.first);
        EXPECT_EQ(canvas.At(19, 29), c.second);
        // The colour changes along one axis only.
        if (c.vertical)
            EXPECT_EQ(canvas.At(0, 5), canvas.At(19, 5));
        else
            EXPECT_EQ(canvas.At(5, 0), canvas.At(5, 29));
    }
}

TEST(GraphicsGradient, MiddleLiesBetweenTheEnds)
{
    CCanvas canvas(1, 101);
    canvas.dc->GradientFill({0, 0, 1, 101}, 0xFF000000, 0xFFC8C8C8, true);
    const uint32_t middle = canvas.At(0, 50);
    EXPECT_NEAR(static_cast<int>(middle & 0xFF), 100, 1);
    EXPECT_LT(canvas.At(0, 25) & 0xFF, middle & 0xFF);
}

TEST(GraphicsGradient, AlphaIsWrittenPremultiplied)
{
    CCanvas canvas(1, 2);
    canvas.dc->GradientFill({0, 0, 1, 2}, 0x80FF0000, 0x80FF0000, true);
    EXPECT_EQ(canvas.At(0, 0), 0x80800000u);
}

TEST(GraphicsGradient, OneRowTakesTheFirstColour)
{
    CCanvas canvas(4, 1);
    canvas.dc->GradientFill({0, 0, 4, 1}, 0xFF112233, 0xFF445566, true);
    EXPECT_EQ(canvas.At(2, 0), 0xFF112233u);
}

TEST(GraphicsBitmap, SavesAPng)
{
    CCanvas canvas(4, 4);
    canvas.dc->FillSolidRect({0, 0, 2, 2}, 0xFF0000);
    sktest::TempDir dir;
    ASSERT_TRUE(canvas.bitmap->SaveToPng(dir.Child("bitmap.png")));
    EXPECT_EQ(dir.ReadFile("bitmap.png").substr(1, 3), "PNG");
}

} // namespace

namespace {

// Draws the same picture whichever way the rows lie in memory.
TEST(GraphicsBitmap, BottomUpAndTopDownBitmapsShowTheSamePicture)
{
    sktest::CCanvas down(60, 40, true);
    sktest::CCanvas up(60, 40, false);
    auto source = FourRows();
    for (auto* canvas : {&down, &up}) {
        plat::CDeviceContext& dc = *canvas->dc;
        dc.GradientFill({0, 0, 60, 20}, 0xFFFF0000, 0xFF0000FF, true);
        dc.StretchBlt({0, 20, 10, 40}, *source, {0, 0, 1, 4});
        const plat::CRegion rounded = plat::CRegion::RoundRect(10, 20, 31, 41, 8, 8);
        dc.SelectClipRegion(&rounded);
        dc.FillSolidRect({10, 20, 30, 40}, 0x00FF00);
        dc.SelectClipRegion(nullptr);
        dc.DrawRoundRectOutline({30, 20, 60, 40}, 6, 6, plat::Pen{plat::kPS_Solid, 1, 0x000000, true});
        dc.SetBkMode(plat::kBk_Transparent);
        dc.TextOut(34, 22, L"Ag");
    }
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(down.At(x, y), up.At(x, y)) << x << "," << y;
    EXPECT_EQ(up.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(up.At(0, 39), 0xFFFFFFFFu);
}

} // namespace
