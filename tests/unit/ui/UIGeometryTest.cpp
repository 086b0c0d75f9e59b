#include <gtest/gtest.h>

#include "ui/core/UIColor.h"
#include "ui/core/UIGeometry.h"

using SkinUI::PointUI;
using SkinUI::RectUI;

namespace {

TEST(UIGeometry, RightAndBottomAreExclusive)
{
    const RectUI r{10, 20, 30, 40};
    EXPECT_EQ(r.GetWidth(), 20);
    EXPECT_EQ(r.GetHeight(), 20);
    EXPECT_TRUE(r.Contains({10, 20}));
    EXPECT_TRUE(r.Contains({29, 39}));
    EXPECT_FALSE(r.Contains({30, 39}));
    EXPECT_FALSE(r.Contains({29, 40}));
    EXPECT_FALSE(r.Contains({9, 25}));
}

TEST(UIGeometry, EmptyMeansNoArea)
{
    EXPECT_TRUE((RectUI{}).IsEmpty());
    EXPECT_TRUE((RectUI{5, 5, 5, 10}).IsEmpty());
    EXPECT_TRUE((RectUI{5, 5, 4, 10}).IsEmpty());
    EXPECT_FALSE((RectUI{5, 5, 6, 6}).IsEmpty());
}

TEST(UIGeometry, IntersectAnswersTheCommonPartOrZero)
{
    struct Case
    {
        RectUI a, b, want;
        bool meets;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {5, 5, 15, 15}, {5, 5, 10, 10}, true},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {}, false},
        {{0, 0, 10, 10}, {2, 2, 3, 3}, {2, 2, 3, 3}, true},
        {{0, 0, 10, 10}, {20, 20, 30, 30}, {}, false},
    };
    for (const auto& c : cases) {
        RectUI r{1, 1, 1, 1};
        EXPECT_EQ(r.Intersect(c.a, c.b), c.meets);
        EXPECT_EQ(r, c.want);
        EXPECT_EQ(c.a.Intersects(c.b), c.meets);
    }
}

TEST(UIGeometry, UnionIgnoresEmptyOperands)
{
    RectUI r;
    EXPECT_TRUE(r.Union({0, 0, 10, 10}, {20, 5, 30, 30}));
    EXPECT_EQ(r, (RectUI{0, 0, 30, 30}));
    EXPECT_TRUE(r.Union({}, {20, 5, 30, 30}));
    EXPECT_EQ(r, (RectUI{20, 5, 30, 30}));
    EXPECT_TRUE(r.Union({-5, -5, 0, 0}, {100, 100, 100, 100}));
    EXPECT_EQ(r, (RectUI{-5, -5, 0, 0}));
    EXPECT_FALSE(r.Union({}, {3, 3, 3, 9}));
    EXPECT_EQ(r, RectUI{});
}

TEST(UIGeometry, OffsetInflateDeflateAndNormalize)
{
    RectUI r{10, 10, 20, 20};
    r.Offset(5, -5);
    EXPECT_EQ(r, (RectUI{15, 5, 25, 15}));
    r.Inflate(1, 2);
    EXPECT_EQ(r, (RectUI{14, 3, 26, 17}));
    r.Deflate({1, 2, 3, 4});
    EXPECT_EQ(r, (RectUI{15, 5, 23, 13}));
    r.Deflate(1, 2);
    EXPECT_EQ(r, (RectUI{16, 7, 22, 11}));
    RectUI inverted{10, 20, 0, 5};
    inverted.Normalize();
    EXPECT_EQ(inverted, (RectUI{0, 5, 10, 20}));
}

TEST(UIColor, SplitsAndJoinsArgb)
{
    constexpr SkinUI::ColorUI c = 0x80FF1A57;
    static_assert(SkinUI::ColorAlpha(c) == 0x80);
    static_assert(SkinUI::ColorRed(c) == 0xFF);
    static_assert(SkinUI::ColorGreen(c) == 0x1A);
    static_assert(SkinUI::ColorBlue(c) == 0x57);
    static_assert(SkinUI::MakeColor(0x80, 0xFF, 0x1A, 0x57) == c);
    static_assert(SkinUI::ColorWithAlpha(c, 0x10) == 0x10FF1A57);
    static_assert(SkinUI::ColorOpaque(0x00123456) == 0xFF123456);
    static_assert(SkinUI::ColorToColorRef(0xFF0000DC) == 0x00DC0000);
    static_assert(SkinUI::ColorToColorRef(0xFFDC0000) == 220);
    SUCCEED();
}

} // namespace
