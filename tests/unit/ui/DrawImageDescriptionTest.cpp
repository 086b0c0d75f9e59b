#include <gtest/gtest.h>

#include "../graphics/GraphicsFixture.h"
#include "support/TempDir.h"
#include "ui/core/ResourceImage.h"
#include "ui/core/WindowManager.h"
#include "ui/render/DrawEngine.h"
#include "ui/render/ImageDescription.h"

namespace {

using namespace SkinUI;
using sktest::CCanvas;

constexpr uint32_t kWhite = 0xFFFFFFFF;

// ---- The description language ---------------------------------------------------------------------

TEST(DrawImageDescriptionParser, ReadsEveryKeyOfTheLanguage)
{
    const ImageDescriptionUI d =
        ParseImageDescription(L"file='img/a.png' restype='PNG' dest='1,2,3,4' source='5,6,7,8' "
                              L"corner='9,10,11,12' mask='#FF00FF00' "
                              L"fade='128' hole='true' xtiled='true' ytiled='true' hsl='true' other='x'");
    EXPECT_EQ(d.imageName, L"img/a.png");
    EXPECT_EQ(d.resourceType, L"PNG");
    EXPECT_FALSE(d.usesResourceType);
    EXPECT_EQ(d.dest, (RectUI{1, 2, 3, 4}));
    EXPECT_EQ(d.source, (RectUI{5, 6, 7, 8}));
    EXPECT_EQ(d.corner, (RectUI{9, 10, 11, 12}));
    EXPECT_EQ(d.maskColour, 0xFF00FF00u);
    EXPECT_EQ(d.fade, 128);
    EXPECT_TRUE(d.hole);
    EXPECT_TRUE(d.tileX);
    EXPECT_TRUE(d.tileY);
    EXPECT_TRUE(d.keepSource);
}

TEST(DrawImageDescriptionParser, NamesResourcesColoursAndScaleNine)
{
    const ImageDescriptionUI res = ParseImageDescription(L"res='104' restype='ZIPRES' scale9='1 1 1 1'");
    EXPECT_EQ(res.imageName, L"104");
    EXPECT_EQ(res.resourceType, L"ZIPRES");
    EXPECT_TRUE(res.usesResourceType);
    EXPECT_EQ(res.corner, (RectUI{1, 1, 1, 1}));

    const ImageDescriptionUI color = ParseImageDescription(L"color='#FF336699' mask='00FFFFFF'");
    EXPECT_EQ(color.imageName, L"#FF336699");
    EXPECT_EQ(color.resourceType, kColorImageType);
    EXPECT_TRUE(color.usesResourceType);
    EXPECT_EQ(color.maskColour, 0x00FFFFFFu);
}

TEST(DrawImageDescriptionParser, StopsAtTheFirstMalformedPairKeepingWhatWasRead)
{
    struct Case
    {
        const wchar_t* text;
        const wchar_t* name;
        RectUI dest;
        uint8_t fade;
    };
    const Case cases[] = {
        // No pair at all: the whole description names a file.
        {L"img\\button_normal.png", L"img\\button_normal.png", {}, 255},
        {L"my image.png", L"my image.png", {}, 255},
        // An empty value is skipped; the name stays the whole description.
        {L"file=''", L"file=''", {}, 255},
        // Blanks around "=" are allowed, a missing quote or "=" stops.
        {L"file = 'a.png' dest ='0,8,14,22'", L"a.png", {0, 8, 14, 22}, 255},
        {L"file='a.png' dest=0,8,14,22", L"a.png", {}, 255},
        {L"file='a.png' dest '0,8,14,22'", L"a.png", {}, 255},
        {L"file='a.png' dest='0,8,14,22", L"a.png", {}, 255},
        // After a closing quote only one blank and more text lets parsing go on.
        {L"file='a.png'dest='1,1,1,1'", L"a.png", {}, 255},
        {L"file='a.png'\tdest='1,1,1,1'", L"a.png", {}, 255},
        {L"file='a.png'  dest='1,1,1,1'", L"a.png", {1, 1, 1, 1}, 255},
        {L"file='a.png' ", L"a.png", {}, 255},
        // Keys compare exactly; later pairs override earlier ones; fade keeps one byte.
        {L"FILE='b.png' file='c.png' fade='300'", L"c.png", {}, 44},
        {L"file='a.png' file='b.png'", L"b.png", {}, 255},
    };
    for (const auto& c : cases) {
        const ImageDescriptionUI d = ParseImageDescription(c.text);
        EXPECT_EQ(d.imageName, c.name) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(d.dest, c.dest) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(d.fade, c.fade) << testing::PrintToString(std::wstring(c.text));
    }
    EXPECT_TRUE(ParseImageDescription(nullptr).imageName.IsEmpty());
}

TEST(DrawImageDescriptionParser, ClearingResetsEveryField)
{
    ImageDrawInfo info;
    info.description = L"x";
    info.imageName = L"y";
    info.parsed = true;
    info.dest = {1, 1, 1, 1};
    info.source = {1, 1, 1, 1};
    info.corner = {1, 1, 1, 1};
    info.fade = 3;
    info.hole = info.tileX = info.tileY = true;
    info.SetDescription(L"next");
    EXPECT_EQ(info.description, L"next");
    EXPECT_TRUE(info.imageName.IsEmpty());
    EXPECT_FALSE(info.parsed);
    EXPECT_EQ(info.image, nullptr);
    EXPECT_TRUE(info.dest.IsZero() && info.source.IsZero() && info.corner.IsZero());
    EXPECT_EQ(info.fade, 255);
    EXPECT_FALSE(info.hole || info.tileX || info.tileY);
}

// ---- Drawing descriptions -------------------------------------------------------------------------

// A window manager whose images come from a fresh resource folder.
class DrawImageDescription : public testing::Test
{
protected:
    void SetUp() override
    {
        m_previousFolder = CWindowManagerUI::ResourceFolder();
        CWindowManagerUI::SetResourceFolder(m_folder.WPath().c_str());
        canvas.dc->FillSolidRect({0, 0, 120, 40}, kWhite);
    }
    void TearDown() override { CWindowManagerUI::SetResourceFolder(m_previousFolder.GetData()); }

    // An opaque image of one colour, or with a translucent left half.
    void WriteImage(const char* name, int width, int height, uint32_t color, bool halfTranslucent = false)
    {
        auto bitmap = plat::CBitmap::CreateDib(width, -height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bitmap->Row(y)[x] = halfTranslucent && x < width / 2 ? 0x80000000u : color;
        bitmap->MarkDirty();
        ASSERT_TRUE(bitmap->SaveToPng(m_folder.Child(name)));
    }

    bool Draw(ImageDrawInfo& info, const RectUI& item, const RectUI& paint)
    {
        return CDrawEngine::DrawImageDescription(canvas.dc.get(), &manager, item, paint, info);
    }

    // The box around every pixel that is no longer white.
    RectUI InkBox() const
    {
        RectUI box{1000, 1000, 0, 0};
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 120; ++x)
                if (canvas.At(x, y) != kWhite)
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
        return box.IsEmpty() ? RectUI{} : box;
    }

    sktest::TempDir m_folder;
    CStringUI m_previousFolder;
    CWindowManagerUI manager;
    CCanvas canvas{120, 40};
};

TEST_F(DrawImageDescription, APlainNameDrawsTheWholeImageStretched)
{
    WriteImage("red.png", 4, 4, 0xFFFF0000);
    ImageDrawInfo info;
    info.SetDescription(L"red.png");
    EXPECT_TRUE(Draw(info, {10, 10, 30, 20}, {0, 0, 120, 40}));
    EXPECT_EQ(InkBox(), (RectUI{10, 10, 30, 20}));
    EXPECT_EQ(canvas.At(29, 19), 0xFFFF0000u);
    EXPECT_TRUE(info.parsed);
    ASSERT_NE(info.image, nullptr);
    EXPECT_EQ(info.source, (RectUI{0, 0, 4, 4}));
}

TEST_F(DrawImageDescription, DestIsRelativeToTheItemAndClippedToIt)
{
    WriteImage("green.png", 10, 10, 0xFF00FF00);
    ImageDrawInfo info;
    info.SetDescription(L"file='green.png' dest='0,0,10,10'");
    EXPECT_TRUE(Draw(info, {20, 5, 25, 10}, {0, 0, 120, 40}));
    EXPECT_EQ(InkBox(), (RectUI{20, 5, 25, 10}));

    ImageDrawInfo offset;
    offset.SetDescription(L"file='green.png' dest='0,8,14,22'");
    canvas.dc->FillSolidRect({0, 0, 120, 40}, kWhite);
    EXPECT_TRUE(Draw(offset, {40, 0, 100, 40}, {0, 0, 120, 40}));
    EXPECT_EQ(InkBox(), (RectUI{40, 8, 54, 22}));
}

TEST_F(DrawImageDescription, TheSourceIsLimitedToTheImage)
{
    WriteImage("blue.png", 100, 100, 0xFF0000FF);
    ImageDrawInfo info;
    info.SetDescription(L"file='blue.png' source='0,0,500,500'");
    EXPECT_TRUE(Draw(info, {0, 0, 50, 20}, {0, 0, 120, 40}));
    EXPECT_EQ(info.source, (RectUI{0, 0, 100, 100}));
    EXPECT_EQ(InkBox(), (RectUI{0, 0, 50, 20}));
    EXPECT_EQ(canvas.At(49, 19), 0xFF0000FFu);
}

TEST_F(DrawImageDescription, NothingIsDrawnOutsideThePaintRectangle)
{
    WriteImage("red.png", 4, 4, 0xFFFF0000);
    ImageDrawInfo info;
    info.SetDescription(L"red.png");
    EXPECT_TRUE(Draw(info, {0, 0, 10, 10}, {50, 0, 120, 40}));
    EXPECT_EQ(InkBox(), RectUI{});
    EXPECT_NE(info.image, nullptr);
}

TEST_F(DrawImageDescription, AFailedLoadIsNotRetriedUntilTheDescriptionChanges)
{
    ImageDrawInfo info;
    info.SetDescription(L"late.png");
    EXPECT_FALSE(Draw(info, {0, 0, 10, 10}, {0, 0, 120, 40}));
    EXPECT_TRUE(info.parsed);
    WriteImage("late.png", 2, 2, 0xFF000000);
    EXPECT_FALSE(Draw(info, {0, 0, 10, 10}, {0, 0, 120, 40}));
    EXPECT_EQ(InkBox(), RectUI{});
    info.SetDescription(L"late.png");
    EXPECT_TRUE(Draw(info, {0, 0, 10, 10}, {0, 0, 120, 40}));
    EXPECT_EQ(InkBox(), (RectUI{0, 0, 10, 10}));
}

TEST_F(DrawImageDescription, EmptyValuesAndEmptyDescriptionsLoadNothing)
{
    WriteImage("a.png", 2, 2, 0xFF000000);
    ImageDrawInfo emptyValue;
    emptyValue.SetDescription(L"file=''");
    EXPECT_FALSE(Draw(emptyValue, {0, 0, 10, 10}, {0, 0, 120, 40}));
    EXPECT_EQ(emptyValue.imageName, L"file=''");
    ImageDrawInfo empty;
    EXPECT_FALSE(Draw(empty, {0, 0, 10, 10}, {0, 0, 120, 40}));
    EXPECT_EQ(InkBox(), RectUI{});
}

TEST_F(DrawImageDescription, ANullContextOnlyLoadsAndNoManagerDoesNothing)
{
    WriteImage("a.png", 6, 3, 0xFF000000);
    ImageDrawInfo info;
    info.SetDescription(L"a.png");
    EXPECT_TRUE(CDrawEngine::DrawImageDescription(nullptr, &manager, {0, 0, 10, 10}, {0, 0, 10, 10}, info));
    ASSERT_NE(info.image, nullptr);
    EXPECT_EQ(info.image->width, 6);
    EXPECT_EQ(info.image->height, 3);

    ImageDrawInfo other;
    other.SetDescription(L"a.png");
    EXPECT_TRUE(
        CDrawEngine::DrawImageDescription(canvas.dc.get(), nullptr, {0, 0, 10, 10}, {0, 0, 10, 10}, other));
    EXPECT_FALSE(other.parsed);
    EXPECT_EQ(InkBox(), RectUI{});
}

TEST_F(DrawImageDescription, ColourImagesAndImagesWithAlphaBlend)
{
    ImageDrawInfo color;
    color.SetDescription(L"color='#FF00FF00'");
    EXPECT_TRUE(Draw(color, {0, 0, 10, 10}, {0, 0, 120, 40}));
    EXPECT_EQ(canvas.At(5, 5), 0xFF00FF00u);

    WriteImage("half.png", 4, 2, 0xFF0000FF, true);
    ImageDrawInfo half;
    half.SetDescription(L"file='half.png' fade='255'");
    EXPECT_TRUE(Draw(half, {20, 0, 24, 2}, {0, 0, 120, 40}));
    ASSERT_NE(half.image, nullptr);
    EXPECT_TRUE(half.image->hasAlpha);
    // Black at half opacity over white; the opaque half is the image's blue.
    EXPECT_NEAR(static_cast<int>(canvas.At(20, 0) & 0xFF), 127, 1);
    EXPECT_EQ(canvas.At(23, 1), 0xFF0000FFu);
}

TEST_F(DrawImageDescription, CornersOfANinePartImageStayUnscaled)
{
    // A 20 x 20 image whose 4-pixel frame is black around a white centre, over a 100 x 30 control.
    auto bitmap = plat::CBitmap::CreateDib(20, -20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            bitmap->Row(y)[x] = (x < 4 || y < 4 || x >= 16 || y >= 16) ? 0xFF000000u : 0xFFFF0000u;
    bitmap->MarkDirty();
    ASSERT_TRUE(bitmap->SaveToPng(m_folder.Child("frame.png")));
    ImageDrawInfo info;
    info.SetDescription(L"file='frame.png' corner='4,4,4,4'");
    EXPECT_TRUE(Draw(info, {10, 5, 110, 35}, {0, 0, 120, 40}));
    for (const auto& [x, y] : {std::pair{10, 5}, {13, 8}, {106, 5}, {109, 34}, {10, 34}, {60, 5}, {10, 20}})
        EXPECT_EQ(canvas.At(x, y), 0xFF000000u) << x << "," << y;
    for (const auto& [x, y] : {std::pair{14, 9}, {105, 30}, {60, 20}})
        EXPECT_EQ(canvas.At(x, y), 0xFFFF0000u) << x << "," << y;
}

// ---- Plain text -----------------------------------------------------------------------------------

TEST_F(DrawImageDescription, PlainTextExpandsLanguageTokensAndShowsAmpersands)
{
    manager.SetWindowDC(canvas.dc.get());
    CWindowManagerUI::SetLanguageString(41, L"W&W");
    const int font = 7;
    ASSERT_NE(manager.CacheFont(font, L"DejaVu Sans", 14, false, false, false, false), nullptr);

    RectUI expanded{0, 0, 9999, 100};
    CDrawEngine::DrawPlainText(canvas.dc.get(), &manager, expanded, L"%{41}", 0xFF000000, font,
                               plat::kDT_SingleLine | plat::kDT_CalcRect);
    canvas.dc->SelectFont(manager.FontById(font));
    const plat::Size literal = canvas.dc->GetTextExtent(L"W&W");
    canvas.dc->SelectFont(nullptr);
    EXPECT_EQ(expanded.GetWidth(), literal.cx);
    EXPECT_EQ(expanded.GetHeight(), literal.cy);
    CWindowManagerUI::ReleaseLanguageStrings();

    // "&" is no prefix: three of them measure as three.
    RectUI ampersands{0, 0, 9999, 100};
    CDrawEngine::DrawPlainText(canvas.dc.get(), &manager, ampersands, L"&&&", 0xFF000000, font,
                               plat::kDT_SingleLine | plat::kDT_CalcRect);
    canvas.dc->SelectFont(manager.FontById(font));
    EXPECT_EQ(ampersands.GetWidth(), canvas.dc->GetTextExtent(L"&&&").cx);
    canvas.dc->SelectFont(nullptr);

    RectUI area{0, 0, 120, 40};
    CDrawEngine::DrawPlainText(canvas.dc.get(), &manager, area, L"&&&", 0x00FF0000, font,
                               plat::kDT_SingleLine);
    EXPECT_EQ(area, (RectUI{0, 0, 120, 40}));
    const RectUI ink = InkBox();
    EXPECT_FALSE(ink.IsEmpty());
    bool sawRed = false;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x) {
            const uint32_t p = canvas.At(x, y);
            sawRed |= (p & 0xFFFF0000u) == 0xFFFF0000u && (p & 0xFF) < 64 && ((p >> 8) & 0xFF) == (p & 0xFF);
        }
    EXPECT_TRUE(sawRed);
    // The context's own settings come back.
    EXPECT_EQ(canvas.dc->Font(), nullptr);
    EXPECT_EQ(canvas.dc->BkMode(), plat::kBk_Opaque);
}

} // namespace
