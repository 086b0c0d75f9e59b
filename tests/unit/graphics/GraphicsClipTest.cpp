#include "GraphicsFixture.h"

namespace {

using plat::CRegion;
using plat::Rect;
using sktest::CCanvas;

constexpr uint32_t kRed = 0xFFFF0000;

TEST(GraphicsRegion, RoundRectLeavesOutTheLastRowAndColumnAndItsCorners)
{
    const CRegion region = CRegion::RoundRect(0, 0, 21, 11, 6, 6);
    Rect box;
    EXPECT_EQ(region.Box(box), plat::kRegion_Complex);
    EXPECT_EQ(box.right, 20);
    EXPECT_EQ(box.bottom, 10);
    EXPECT_FALSE(region.Contains(0, 0));
    EXPECT_FALSE(region.Contains(19, 9));
    EXPECT_TRUE(region.Contains(10, 0));
    EXPECT_TRUE(region.Contains(0, 5));
    EXPECT_TRUE(region.Contains(19, 5));
    EXPECT_TRUE(region.Contains(3, 3));
}

TEST(GraphicsRegion, RoundRectWithoutEllipseIsARectangle)
{
    const CRegion region = CRegion::RoundRect(2, 2, 9, 9, 0, 0);
    EXPECT_EQ(region, CRegion(Rect{2, 2, 8, 8}));
    EXPECT_TRUE(CRegion::RoundRect(5, 5, 6, 9, 4, 4).IsEmpty());
}

TEST(GraphicsRegion, OversizedEllipseIsLimitedToTheRectangle)
{
    const CRegion region = CRegion::RoundRect(0, 0, 11, 11, 100, 100);
    EXPECT_TRUE(region.Contains(5, 5));
    EXPECT_TRUE(region.Contains(5, 0));
    EXPECT_FALSE(region.Contains(0, 0));
}

TEST(GraphicsRegion, CopiesAreIndependent)
{
    CRegion a(Rect{0, 0, 10, 10});
    CRegion b = a;
    b.Intersect(Rect{0, 0, 5, 5});
    EXPECT_TRUE(a.Contains(8, 8));
    EXPECT_FALSE(b.Contains(8, 8));
    CRegion moved = std::move(b);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_TRUE(moved.Contains(4, 4));
}

TEST(GraphicsClip, ClipBoxIsTheWholeBitmapWithoutAClip)
{
    CCanvas canvas(30, 20);
    Rect box;
    EXPECT_EQ(canvas.dc->GetClipBox(box), plat::kRegion_Simple);
    EXPECT_EQ(box.right, 30);
    EXPECT_EQ(box.bottom, 20);
    CRegion region;
    EXPECT_FALSE(canvas.dc->GetClipRegion(region));
}

TEST(GraphicsClip, ClipBoxStaysInsideTheBitmap)
{
    CCanvas canvas(30, 20);
    const CRegion region(Rect{-5, 10, 100, 100});
    canvas.dc->SelectClipRegion(&region);
    Rect box;
    canvas.dc->GetClipBox(box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 10);
    EXPECT_EQ(box.right, 30);
    EXPECT_EQ(box.bottom, 20);
}

TEST(GraphicsClip, RoundedClipKeepsFillsOutOfTheCorners)
{
    CCanvas canvas(20, 20);
    const CRegion rounded = CRegion::RoundRect(0, 0, 21, 21, 10, 10);
    EXPECT_EQ(canvas.dc->SelectClipRegion(&rounded), plat::kRegion_Complex);
    canvas.dc->FillSolidRect({0, 0, 20, 20}, kRed);
    EXPECT_EQ(canvas.At(0, 0), 0u);
    EXPECT_EQ(canvas.At(19, 19), 0u);
    EXPECT_EQ(canvas.At(19, 0), 0u);
    EXPECT_EQ(canvas.At(10, 10), kRed);
    EXPECT_EQ(canvas.At(10, 0), kRed);
    EXPECT_EQ(canvas.At(19, 10), kRed);
}

TEST(GraphicsClip, ClipsApplyToCopiesGradientsAndText)
{
    CCanvas source(20, 20);
    source.dc->FillSolidRect({0, 0, 20, 20}, kRed);
    CCanvas canvas(20, 20);
    const CRegion left(Rect{0, 0, 10, 20});
    canvas.dc->SelectClipRegion(&left);
    canvas.dc->BitBlt(0, 0, 20, 20, *source.dc, 0, 0);
    canvas.dc->GradientFill({0, 0, 20, 10}, 0xFF0000FF, 0xFF00FF00, false);
    canvas.dc->SetBkMode(plat::kBk_Transparent);
    Rect text{0, 10, 20, 20};
    canvas.dc->DrawText(L"WWWWWWWW", text, plat::kDT_SingleLine | plat::kDT_NoClip);
    EXPECT_EQ(canvas.CountInked({10, 0, 20, 20}), 0);
    EXPECT_EQ(canvas.CountInked({0, 0, 10, 20}), 200);
}

TEST(GraphicsClip, ReplacingTheClipDropsARoundedOneAndRestoreBringsItBack)
{
    CCanvas canvas(20, 20);
    const CRegion rounded = CRegion::RoundRect(0, 0, 21, 21, 10, 10);
    canvas.dc->SelectClipRegion(&rounded);
    const int saved = canvas.dc->Save();

    // The way a rectangular clip is set inside a rounded one: clip box and rect, replacing the region.
    Rect box;
    canvas.dc->GetClipBox(box);
    CRegion previous;
    ASSERT_TRUE(canvas.dc->GetClipRegion(previous));
    const CRegion square(Rect{0, 0, 20, 20});
    EXPECT_EQ(canvas.dc->SelectClipRegion(&square), plat::kRegion_Simple);
    canvas.dc->FillSolidRect({0, 0, 20, 20}, kRed);
    EXPECT_EQ(canvas.At(0, 0), kRed);

    canvas.dc->SelectClipRegion(&previous);
    canvas.dc->FillSolidRect({0, 0, 20, 20}, 0x0000FF);
    EXPECT_EQ(canvas.At(0, 0), kRed);
    EXPECT_EQ(canvas.At(10, 10), 0xFF0000FFu);

    canvas.dc->SelectClipRegion(nullptr);
    ASSERT_TRUE(canvas.dc->Restore(saved));
    canvas.dc->FillSolidRect({0, 0, 20, 20}, 0x00FF00);
    EXPECT_EQ(canvas.At(0, 0), kRed);
    EXPECT_EQ(canvas.At(10, 10), 0xFF00FF00u);
}

TEST(GraphicsClip, IntersectNarrowsTheCurrentClip)
{
    CCanvas canvas(20, 20);
    canvas.dc->IntersectClipRect({5, 5, 15, 15});
    canvas.dc->IntersectClipRect({10, 0, 20, 20});
    canvas.dc->FillSolidRect({0, 0, 20, 20}, kRed);
    EXPECT_EQ(canvas.CountInked(), 5 * 10);
}

TEST(GraphicsClip, EmptyClipDrawsNothing)
{
    CCanvas canvas(8, 8);
    const CRegion empty;
    EXPECT_EQ(canvas.dc->SelectClipRegion(&empty), plat::kRegion_Null);
    canvas.dc->FillSolidRect({0, 0, 8, 8}, kRed);
    EXPECT_EQ(canvas.CountInked(), 0);
}

TEST(GraphicsState, RestoreReturnsToTheSavedLevel)
{
    CCanvas canvas(4, 4);
    auto other = plat::CBitmap::CreateDib(2, -2);
    canvas.dc->SetTextColor(0x111111);
    const int first = canvas.dc->Save();
    canvas.dc->SetTextColor(0x222222);
    canvas.dc->SetBkMode(plat::kBk_Transparent);
    canvas.dc->SelectBitmap(other.get());
    EXPECT_EQ(canvas.dc->Save(), first + 1);
    canvas.dc->SetTextColor(0x333333);

    ASSERT_TRUE(canvas.dc->Restore(-1));
    EXPECT_EQ(canvas.dc->TextColor(), 0x222222u);
    ASSERT_TRUE(canvas.dc->Restore(first));
    EXPECT_EQ(canvas.dc->TextColor(), 0x111111u);
    EXPECT_EQ(canvas.dc->BkMode(), plat::kBk_Opaque);
    EXPECT_EQ(canvas.dc->Bitmap(), canvas.bitmap.get());
    EXPECT_FALSE(canvas.dc->Restore(-1));
    EXPECT_FALSE(canvas.dc->Restore(0));

    canvas.dc->FillSolidRect({0, 0, 4, 4}, kRed);
    EXPECT_EQ(canvas.At(3, 3), kRed);
    EXPECT_EQ(other->Pixel(0, 0), 0u);
}

} // namespace
