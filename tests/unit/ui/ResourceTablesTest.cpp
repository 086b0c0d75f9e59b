#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ResourceTestSupport.h"
#include "platform/Graphics.h"
#include "ui/core/WindowManager.h"

namespace {

using SkinUI::CachedImage;
using SkinUI::CWindowManagerUI;
using SkinUI::DefaultColorKind;
using SkinUI::FontHandleUI;
using SkinUI::FontRecord;

class ResourceTablesTest : public restest::ResourceTest
{
protected:
    void SetUp() override
    {
        restest::ResourceTest::SetUp();
        m_dir.WriteFile("green.bmp", restest::MakeBmp(2, 1, {0xFF00FF00, 0x80C86433}));
        m_dir.WriteFile("blue.bmp", restest::MakeBmp(1, 1, {0xFF0000FF}));
    }

    CWindowManagerUI m_window;
    CWindowManagerUI m_other;
};

TEST_F(ResourceTablesTest, ImagesGoToTheWindowUnlessSharedOrForced)
{
    CachedImage* own = m_window.CacheImage(L"green.bmp", nullptr, 0, false, false);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(m_window.FindImage(L"green.bmp"), own);
    EXPECT_EQ(m_other.FindImage(L"green.bmp"), nullptr);

    CachedImage* shared = m_window.CacheImage(L"blue.bmp", nullptr, 0, false, true);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(m_other.FindImage(L"blue.bmp"), shared);

    m_other.SetForceSharedResources(true);
    CachedImage* forced = m_other.CacheImage(L"green.bmp", nullptr, 0, false, false);
    ASSERT_NE(forced, nullptr);
    // The window's own entry hides the shared one of the same name.
    EXPECT_EQ(m_window.FindImage(L"green.bmp"), own);
    EXPECT_EQ(CWindowManagerUI().FindImage(L"green.bmp"), forced);

    m_window.ReleaseImages(false);
    EXPECT_EQ(m_window.FindImage(L"green.bmp"), forced);
    m_window.ReleaseImages(true);
    EXPECT_EQ(m_window.FindImage(L"green.bmp"), nullptr);
    EXPECT_EQ(m_other.FindImage(L"blue.bmp"), nullptr);
}

TEST_F(ResourceTablesTest, CachingAnImageAgainReplacesTheEntry)
{
    CachedImage* first = m_window.CacheImage(L"green.bmp", nullptr, 0, false, false);
    ASSERT_NE(first, nullptr);
    CachedImage* second = m_window.CacheImage(L"green.bmp", nullptr, 0xFF00FF00, true, false);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(m_window.FindImage(L"green.bmp"), second);
    EXPECT_EQ(second->maskColour, 0xFF00FF00u);
    EXPECT_TRUE(second->keepsSource);
    ASSERT_NE(second->sourcePixels, nullptr);
    EXPECT_EQ(second->sourcePixels[0], 0u);
    EXPECT_EQ(second->sourcePixels[1], 0x80643219u);
}

TEST_F(ResourceTablesTest, ImagesThatCannotLoadAreNotCached)
{
    EXPECT_EQ(m_window.CacheImage(L"", nullptr, 0, false, false), nullptr);
    EXPECT_EQ(m_window.CacheImage(nullptr, nullptr, 0, false, false), nullptr);
    EXPECT_EQ(m_window.CacheImage(L"missing.bmp", nullptr, 0, false, false), nullptr);
    m_dir.WriteFile("text.bmp", "not an image");
    EXPECT_EQ(m_window.FindOrLoadImage(L"text.bmp", nullptr, 0, false), nullptr);
    EXPECT_EQ(m_window.FindImage(L"text.bmp"), nullptr);
}

TEST_F(ResourceTablesTest, FindOrLoadImageLoadsOnceIntoTheWindow)
{
    CachedImage* loaded = m_window.FindOrLoadImage(L"green.bmp", nullptr, 0, false);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(m_window.FindOrLoadImage(L"green.bmp", nullptr, 0xFF00FF00, false), loaded);
    EXPECT_EQ(m_other.FindImage(L"green.bmp"), nullptr);
}

TEST_F(ResourceTablesTest, ColourWrittenWithALeadingDigitIsNotAResourceId)
{
    CachedImage* image = m_window.CacheImage(L"00FF00FF", L"*COLOR*", 0, false, false);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixels[0], 0u);
    CachedImage* green = m_window.CacheImage(L"#FF00FF00", L"*COLOR*", 0, false, false);
    ASSERT_NE(green, nullptr);
    EXPECT_EQ(green->pixels[0], 0xFF00FF00u);
    EXPECT_FALSE(green->hasAlpha);
    EXPECT_STREQ(green->resourceType.GetData(), L"*COLOR*");
}

TEST_F(ResourceTablesTest, DefaultFontIsTheStockGuiFont)
{
    const plat::FontDesc stock = plat::StockGuiFont();
    FontRecord* record = m_window.DefaultFontRecord();
    ASSERT_NE(record, nullptr);
    ASSERT_NE(record->handle, nullptr);
    EXPECT_EQ(record->face.ToStdWString(), stock.face);
    EXPECT_EQ(record->size, 11);
    EXPECT_FALSE(record->bold);
    EXPECT_FALSE(record->underline);
    EXPECT_FALSE(record->italic);
    EXPECT_EQ(m_window.FontById(-1), record->handle.get());
    EXPECT_EQ(m_window.FontById(5), record->handle.get());
    EXPECT_EQ(m_window.FontRecordById(5), record);
}

TEST_F(ResourceTablesTest, CachingAFontWithAKnownIdReplacesIt)
{
    FontHandleUI first = m_window.CacheFont(0, L"Segoe UI Semibold", 26, false, false, false, false);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(m_window.FontById(0), first);
    FontHandleUI second = m_window.CacheFont(0, L"Segoe UI", 12, true, true, false, false);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(m_window.FontById(0), second);
    FontRecord* record = m_window.FontRecordById(0);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->face.GetData(), L"Segoe UI");
    EXPECT_EQ(record->size, 12);
    EXPECT_TRUE(record->bold);
    EXPECT_TRUE(record->underline);
    EXPECT_EQ(record->handle->Desc().height, -12);
    EXPECT_EQ(record->handle->Desc().weight, plat::StockGuiFont().weight + 700);
    EXPECT_TRUE(record->handle->Desc().underline);
    EXPECT_EQ(m_window.FindCachedFont(L"Segoe UI Semibold", 26, false, false, false), nullptr);
    EXPECT_EQ(m_window.FindCachedFont(L"Segoe UI", 12, true, true, false), second);
    EXPECT_EQ(m_window.FindCachedFont(L"segoe ui", 12, true, true, false), nullptr);
    EXPECT_EQ(m_window.FontRecordByHandle(second), record);
}

TEST_F(ResourceTablesTest, FontsFollowTheSameTablesAsImages)
{
    FontHandleUI shared = m_window.CacheFont(3, L"Segoe UI", 14, false, false, false, true);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(m_other.FontById(3), shared);
    FontHandleUI own = m_other.CacheFont(3, L"Segoe UI", 16, false, false, true, false);
    EXPECT_EQ(m_other.FontById(3), own);
    EXPECT_EQ(m_window.FontById(3), shared);
    EXPECT_EQ(m_window.FindCachedFont(L"Segoe UI", 14, false, false, false), shared);
    EXPECT_EQ(m_window.FontRecordByHandle(own), m_window.DefaultFontRecord());

    m_other.ReleaseFonts(false);
    EXPECT_EQ(m_other.FontById(3), shared);
    m_other.ReleaseFonts(true);
    EXPECT_EQ(m_other.FontById(3), m_other.DefaultFontRecord()->handle.get());
}

TEST_F(ResourceTablesTest, MetricsAreFilledOnceADeviceContextIsAtHand)
{
    m_window.CacheFont(1, L"Segoe UI", 20, false, false, false, false);
    EXPECT_EQ(m_window.FontRecordById(1)->metrics.height, 0);

    auto dc = plat::CDeviceContext::CreateMemory();
    ASSERT_TRUE(dc);
    m_window.SetWindowDC(dc.get());
    FontRecord* record = m_window.FontRecordById(1);
    EXPECT_EQ(record->metrics.height, record->handle->Metrics().height);
    EXPECT_GT(record->metrics.height, 0);
    EXPECT_EQ(dc->Font(), nullptr);
    EXPECT_GT(m_window.DefaultFontRecord()->metrics.height, 0);

    m_window.CacheFont(2, L"Segoe UI", 30, false, false, false, false);
    EXPECT_GT(m_window.FontRecordById(2)->metrics.height, record->metrics.height);
    m_window.SetWindowDC(nullptr);
}

TEST_F(ResourceTablesTest, WindowDefaultFontOverridesTheProcessOneOnlyForThatWindow)
{
    FontRecord* process = m_window.DefaultFontRecord();
    m_window.SetDefaultFont(L"Segoe UI", 18, true, false, false, false);
    FontRecord* own = m_window.DefaultFontRecord();
    EXPECT_NE(own, process);
    EXPECT_STREQ(own->face.GetData(), L"Segoe UI");
    EXPECT_EQ(own->size, 18);
    EXPECT_EQ(m_window.FontById(-1), own->handle.get());
    EXPECT_EQ(m_other.DefaultFontRecord(), process);
}

TEST_F(ResourceTablesTest, ProcessDefaultFontChangeReachesEveryWindowWithoutItsOwn)
{
    const plat::FontDesc stock = plat::StockGuiFont();
    m_window.SetDefaultFont(L"Segoe UI", 18, false, false, false, false);
    m_other.SetDefaultFont(L"Segoe UI", 15, false, false, true, true);
    EXPECT_EQ(m_other.DefaultFontRecord()->size, 15);
    EXPECT_TRUE(CWindowManagerUI().DefaultFontRecord()->italic);
    EXPECT_EQ(m_window.DefaultFontRecord()->size, 18);
    m_other.SetDefaultFont(stock.face.c_str(), -stock.height, false, false, false, true);
}

TEST_F(ResourceTablesTest, DefaultColoursFollowTheProcessValuesUntilChanged)
{
    EXPECT_EQ(m_window.GetDefaultColor(DefaultColorKind::DisabledTextColor), 0xFFA7A6AAu);
    EXPECT_EQ(m_window.GetDefaultColor(DefaultColorKind::TextColor), 0xFF000000u);
    EXPECT_EQ(m_window.GetDefaultColor(DefaultColorKind::LinkTextColor), 0xFF0000FFu);
    EXPECT_EQ(m_window.GetDefaultColor(DefaultColorKind::LinkHoverTextColor), 0xFFD3215Fu);
    EXPECT_EQ(m_window.GetDefaultColor(DefaultColorKind::SelectedBackColor), 0xFFBAE4FFu);

    m_other.SetDefaultColor(DefaultColorKind::TextColor, 0xFF101010, false);
    m_window.SetDefaultColor(DefaultColorKind::TextColor, 0xFF202020, true);
    EXPECT_EQ(m_window.GetDefaultColor(DefaultColorKind::TextColor), 0xFF202020u);
    EXPECT_EQ(m_other.GetDefaultColor(DefaultColorKind::TextColor), 0xFF101010u);
    EXPECT_EQ(CWindowManagerUI::SharedDefaultColor(DefaultColorKind::TextColor), 0xFF202020u);
    EXPECT_EQ(CWindowManagerUI().GetDefaultColor(DefaultColorKind::TextColor), 0xFF202020u);
    m_window.SetDefaultColor(DefaultColorKind::TextColor, 0xFF000000, true);
}

TEST_F(ResourceTablesTest, DefaultAttributeListsMatchTheExactElementName)
{
    m_window.SetDefaultAttributes(L"Button", L"height=\"30\"", false);
    m_window.SetDefaultAttributes(L"Label", L"font=\"1\"", true);
    m_window.SetDefaultAttributes(L"VScrollBar", nullptr, false);
    EXPECT_STREQ(m_window.DefaultAttributesFor(L"Button"), L"height=\"30\"");
    EXPECT_EQ(m_window.DefaultAttributesFor(L"button"), nullptr);
    EXPECT_STREQ(m_window.DefaultAttributesFor(L"Label"), L"font=\"1\"");
    EXPECT_STREQ(m_window.DefaultAttributesFor(L"VScrollBar"), L"");
    EXPECT_EQ(m_other.DefaultAttributesFor(L"Button"), nullptr);
    EXPECT_STREQ(m_other.DefaultAttributesFor(L"Label"), L"font=\"1\"");

    m_window.SetDefaultAttributes(L"Button", L"height=\"40\"", false);
    EXPECT_STREQ(m_window.DefaultAttributesFor(L"Button"), L"height=\"40\"");
    m_other.SetForceSharedResources(true);
    m_other.SetDefaultAttributes(L"Option", L"width=\"10\"", false);
    EXPECT_STREQ(m_window.DefaultAttributesFor(L"Option"), L"width=\"10\"");
}

TEST_F(ResourceTablesTest, LanguageStringsAreReplacedById)
{
    EXPECT_EQ(CWindowManagerUI::LanguageString(3), nullptr);
    CWindowManagerUI::SetLanguageString(3, L"Install");
    CWindowManagerUI::SetLanguageString(3, L"Installer");
    EXPECT_STREQ(CWindowManagerUI::LanguageString(3), L"Installer");
}

TEST_F(ResourceTablesTest, LanguageTokensWithAStringAreReplacedEverywhere)
{
    CWindowManagerUI::SetLanguageString(3, L"Install");
    CWindowManagerUI::SetLanguageString(12, L"Start %{3}");
    CWindowManagerUI::SetLanguageString(7, L"%{7}!");
    struct Case
    {
        const wchar_t* text;
        const wchar_t* expanded;
    };
    const Case cases[] = {
        {L"%{3} now, %{3} later", L"Install now, Install later"},
        {L"%{03}", L"Install"},
        {L"%{x}", L"%{x}"},
        {L"%{3", L"%{3"},
        {L"%{}", L"%{}"},
        {L"%{4}", L"%{4}"},
        {L"%%{3}%", L"%Install%"},
        {L"{3} % {3}", L"{3} % {3}"},
        {L"%{12}", L"Start %{3}"},
        {L"%{7}", L"%{7}!"},
        {L"%{99999999999999999999}", L"%{99999999999999999999}"},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(CWindowManagerUI::ExpandLanguageTokens(c.text).GetData(), c.expanded) << c.text;
}

} // namespace
