#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "../graphics/GraphicsFixture.h"
#include "support/TempDir.h"
#include "ui/core/ResourceImage.h"
#include "ui/core/WindowManager.h"
#include "ui/render/DrawEngine.h"
#include "ui/render/MarkupText.h"

namespace {

using namespace SkinUI;

// Text pictures must not depend on the fonts of the machine: before anything loads a font, this
// process is given a fontconfig configuration that knows only the four DejaVu Sans files of
// fonts-dejavu-core, with fixed anti-aliasing and hinting.
class CPinnedFonts
{
public:
    CPinnedFonts()
    {
        char pattern[] = "/tmp/sk-markup-fonts-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            return;
        m_folder = pattern;
        const std::filesystem::path fonts = m_folder / "fonts";
        std::filesystem::create_directories(fonts);
        for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf",
                                 "DejaVuSans-BoldOblique.ttf"}) {
            std::error_code error;
            std::filesystem::create_symlink(std::filesystem::path("/usr/share/fonts/truetype/dejavu") / file,
                                            fonts / file, error);
        }
        std::ofstream conf(m_folder / "fonts.conf");
        conf << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
             << "  <dir>" << fonts.string() << "</dir>\n"
             << "  <cachedir>" << (m_folder / "cache").string() << "</cachedir>\n"
             << "  <match target=\"font\">\n"
             << "    <edit name=\"antialias\" mode=\"assign\"><bool>true</bool></edit>\n"
             << "    <edit name=\"hinting\" mode=\"assign\"><bool>true</bool></edit>\n"
             << "    <edit name=\"hintstyle\" mode=\"assign\"><const>hintslight</const></edit>\n"
             << "    <edit name=\"autohint\" mode=\"assign\"><bool>false</bool></edit>\n"
             << "    <edit name=\"rgba\" mode=\"assign\"><const>none</const></edit>\n"
             << "    <edit name=\"lcdfilter\" mode=\"assign\"><const>lcdnone</const></edit>\n"
             << "    <edit name=\"embeddedbitmap\" mode=\"assign\"><bool>false</bool></edit>\n"
             << "  </match>\n</fontconfig>\n";
        conf.close();
        setenv("FONTCONFIG_FILE", (m_folder / "fonts.conf").c_str(), 1);
    }
    ~CPinnedFonts()
    {
        std::error_code error;
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder, error);
    }

private:
    std::filesystem::path m_folder;
};
const CPinnedFonts g_pinnedFonts;

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr int kBaseFont = 1;

// Reviewed pictures live in tests/ui/golden; SK_UPDATE_GOLDEN=1 writes them anew.
std::filesystem::path GoldenPath(const std::string& name)
{
    return std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "ui" / "golden" / (name + ".png");
}

// Channels may differ this much per pixel (font rasterisers round differently across versions).
constexpr int kGoldenTolerance = 24;

class MarkupText : public testing::Test
{
protected:
    void SetUp() override
    {
        canvas.dc->FillSolidRect({0, 0, 200, 60}, kWhite);
        manager.SetWindowDC(canvas.dc.get());
        ASSERT_NE(manager.CacheFont(kBaseFont, L"DejaVu Sans", 14, false, false, false, false), nullptr);
        ASSERT_EQ(manager.FontRecordById(kBaseFont)->handle->Family(), L"DejaVu Sans");
    }

    RectUI Draw(const wchar_t* text, RectUI rect, unsigned format = plat::kDT_SingleLine,
                RectUI* links = nullptr, CStringUI* targets = nullptr, int* count = nullptr)
    {
        int none = 0;
        CDrawEngine::DrawMarkupText(canvas.dc.get(), &manager, rect, text, 0xFF000000, links, targets,
                                    count ? *count : none, kBaseFont, format);
        return rect;
    }

    RectUI Measure(const wchar_t* text, RectUI rect = {0, 0, 9999, 100},
                   unsigned format = plat::kDT_SingleLine)
    {
        return Draw(text, rect, format | plat::kDT_CalcRect);
    }

    // Width and height of plain text in a font of the base face.
    plat::Size Extent(std::wstring_view text, bool bold = false)
    {
        FontHandleUI font = bold ? manager.CacheFont(2, L"DejaVu Sans", 14, true, false, false, false)
                                 : manager.FontById(kBaseFont);
        plat::CFont* previous = canvas.dc->SelectFont(font);
        const plat::Size size = canvas.dc->GetTextExtent(text);
        canvas.dc->SelectFont(previous);
        return size;
    }

    int LineHeight()
    {
        const plat::TextMetrics& m = manager.FontRecordById(kBaseFont)->handle->Metrics();
        return m.height + m.externalLeading;
    }

    RectUI InkBox(const RectUI& within = {0, 0, 200, 60}) const
    {
        RectUI box{10000, 10000, -1, -1};
        for (int y = within.top; y < within.bottom; ++y)
            for (int x = within.left; x < within.right; ++x)
                if (canvas.At(x, y) != kWhite)
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
        return box.right < 0 ? RectUI{} : box;
    }

    // Some pixel of the area is mostly the given channel (16 red, 8 green, 0 blue).
    bool HasInkOf(int shift, const RectUI& within = {0, 0, 200, 60}) const
    {
        for (int y = within.top; y < within.bottom; ++y)
            for (int x = within.left; x < within.right; ++x) {
                const uint32_t p = canvas.At(x, y);
                int strong = (p >> shift) & 0xFF, others = 0;
                for (int s : {0, 8, 16})
                    if (s != shift)
                        others = std::max(others, static_cast<int>((p >> s) & 0xFF));
                if (strong > 200 && others < 100)
                    return true;
            }
        return false;
    }

    void ExpectGolden(const std::string& name)
    {
        const std::filesystem::path path = GoldenPath(name);
        const char* update = std::getenv("SK_UPDATE_GOLDEN");
        if (update != nullptr && std::string(update) == "1") {
            std::filesystem::create_directories(path.parent_path());
            ASSERT_TRUE(canvas.bitmap->SaveToPng(path.string()));
            return;
        }
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << "no reviewed picture " << path;
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string data = bytes.str();
        std::unique_ptr<CachedImage> golden = DecodeImageData(data.data(), data.size(), 0);
        ASSERT_TRUE(golden);
        ASSERT_EQ(golden->width, canvas.bitmap->Width());
        ASSERT_EQ(golden->height, canvas.bitmap->Height());
        int worst = 0, worstX = 0, worstY = 0;
        for (int y = 0; y < golden->height; ++y)
            for (int x = 0; x < golden->width; ++x) {
                const uint32_t a = golden->pixels[y * golden->width + x], b = canvas.At(x, y);
                for (int s = 0; s < 32; s += 8) {
                    const int d =
                        std::abs(static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF));
                    if (d > worst)
                        worst = d, worstX = x, worstY = y;
                }
            }
        EXPECT_LE(worst, kGoldenTolerance) << name << " differs most at " << worstX << "," << worstY;
    }

    sktest::CCanvas canvas{200, 60};
    CWindowManagerUI manager;
};

TEST_F(MarkupText, BoldSwitchesToTheBoldVariantAndBack)
{
    const RectUI measured = Measure(L"{b}x{/b}y");
    EXPECT_EQ(measured.GetWidth(), Extent(L"x", true).cx + Extent(L"y").cx);
    EXPECT_EQ(measured.GetHeight(), LineHeight());
    Draw(L"{b}x{/b}y", {4, 4, 200, 60});
    ExpectGolden("markup_bold");
}

TEST_F(MarkupText, ColourTagsWithOrWithoutHashDrawInThatColour)
{
    Draw(L"{c #FF0000}red{/c}", {4, 4, 200, 30});
    Draw(L"{c FF0000}red{/c} black", {4, 30, 200, 60});
    EXPECT_TRUE(HasInkOf(16, {0, 0, 200, 30}));
    EXPECT_TRUE(HasInkOf(16, {0, 30, 200, 60}));
    // Text after the closing tag is in the base colour again.
    const int redWidth = Extent(L"red").cx;
    EXPECT_FALSE(HasInkOf(16, {4 + redWidth + 1, 30, 200, 60}));
    EXPECT_FALSE(InkBox({4 + redWidth + 1, 30, 200, 60}).IsEmpty());
    ExpectGolden("markup_colour");
}

TEST_F(MarkupText, EscapesDrawTheirCharacterAndLoneBracketsAreText)
{
    struct Case
    {
        const wchar_t* markup;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {L"{<}", L"<"},   {L"{>}", L">"},       {L"<{>", L"{"},   {L"<}>", L"}"},
        {L"{{}", L"{{}"}, {L"a < b", L"a < b"}, {L"{B}", L"{B}"}, {L"x{/}y", L"x{/}y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Measure(c.markup).GetWidth(), Extent(c.shown).cx)
            << testing::PrintToString(std::wstring(c.markup));
    Draw(L"{<}b{>} <{>c<}> {{}", {4, 4, 200, 60});
    ExpectGolden("markup_escapes");
}

TEST_F(MarkupText, RawModeShowsTagsLiterally)
{
    EXPECT_EQ(Measure(L"{r}{b}{/r}").GetWidth(), Extent(L"{b}").cx);
    EXPECT_EQ(Measure(L"<r>{b}x</r>").GetWidth(), Extent(L"{b}x").cx);
    Draw(L"{r}{b}{/r}", {4, 4, 200, 60});
    ExpectGolden("markup_raw");
}

TEST_F(MarkupText, NewLineTagsBreakOnlyInMultiLineMode)
{
    const RectUI single = Measure(L"a{n}b");
    EXPECT_EQ(single.GetWidth(), Extent(L"ab").cx);
    EXPECT_EQ(single.GetHeight(), LineHeight());
    const RectUI multi = Measure(L"a{n}b", {0, 0, 200, 100}, 0);
    EXPECT_EQ(multi.GetWidth(), std::max(Extent(L"a").cx, Extent(L"b").cx));
    EXPECT_EQ(multi.GetHeight(), 2 * LineHeight());
    Draw(L"a{n}b", {4, 4, 100, 60}, 0);
    Draw(L"a{n}b", {100, 4, 200, 60}, plat::kDT_SingleLine);
    ExpectGolden("markup_newline");
}

TEST_F(MarkupText, ALinkSplitOverTwoLinesGivesTwoSegmentsWithOneTarget)
{
    RectUI links[4];
    CStringUI targets[4];
    int count = 4;
    const int width = Extent(L"see some").cx + 2;
    Draw(L"see {a https://x.test/}some long link{/a} end", {0, 0, width, 60}, plat::kDT_WordBreak, links,
         targets, &count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(targets[0], L"https://x.test/");
    EXPECT_EQ(targets[1], L"https://x.test/");
    EXPECT_EQ(links[0].left, Extent(L"see ").cx);
    EXPECT_EQ(links[0].top, 0);
    EXPECT_EQ(links[0].bottom, LineHeight());
    EXPECT_EQ(links[1].left, 0);
    EXPECT_EQ(links[1].top, LineHeight());
    EXPECT_EQ(links[1].right, Extent(L" ").cx + Extent(L"long link").cx);
    EXPECT_TRUE(HasInkOf(0));
    ExpectGolden("markup_link_split");
}

TEST_F(MarkupText, WithoutCapacityLinksAreDrawnButNotCollected)
{
    RectUI links[1] = {{1, 2, 3, 4}};
    CStringUI targets[1];
    int count = 0;
    Draw(L"go {a there}here{/a}", {4, 4, 200, 60}, plat::kDT_SingleLine, links, targets, &count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(links[0], (RectUI{1, 2, 3, 4}));
    EXPECT_TRUE(targets[0].IsEmpty());
    // Link text has the link colour and is underlined: ink below the base line, in blue.
    EXPECT_TRUE(HasInkOf(0, {4 + Extent(L"go ").cx, 0, 200, 60}));
    EXPECT_FALSE(HasInkOf(0, {0, 0, 4 + Extent(L"go").cx, 60}));
}

TEST_F(MarkupText, EndEllipsisShowsTheBeginningAndDotsClippedAtTheEdge)
{
    const RectUI rect{4, 4, 84, 40};
    Draw(L"abcdefghijklmnopqrstuvwxyz", rect, plat::kDT_SingleLine | plat::kDT_EndEllipsis);
    const RectUI ink = InkBox();
    EXPECT_LE(ink.right, rect.right);
    EXPECT_GE(ink.right, rect.right - Extent(L"a").cx * 2);
    ExpectGolden("markup_ellipsis");
}

TEST_F(MarkupText, CalculatingGivesTheNaturalWidth)
{
    const RectUI measured = Measure(L"I've read and agreed to {c #337BDD}Valtrix License Agreement{/c}");
    EXPECT_EQ(measured.left, 0);
    EXPECT_EQ(measured.right, Extent(L"I've read and agreed to Valtrix License Agreement").cx);
    EXPECT_EQ(measured.bottom, LineHeight());
    // Measuring draws nothing.
    EXPECT_EQ(InkBox(), RectUI{});
}

TEST_F(MarkupText, WordBreakCutsAfterTheLastNonLetter)
{
    // "one two th" passes the edge: "h" is dropped, then the cut goes back to after the blank.
    const int width = Extent(L"one two th").cx - 1;
    const RectUI measured = Measure(L"one two three", {0, 0, width, 100}, plat::kDT_WordBreak);
    EXPECT_EQ(measured.GetHeight(), 2 * LineHeight());
    EXPECT_EQ(measured.right, Extent(L"one two ").cx);
    // Without word break the line is cut inside the word.
    const RectUI chars = Measure(L"one two three", {0, 0, width, 100}, 0);
    EXPECT_EQ(chars.GetHeight(), 2 * LineHeight());
    EXPECT_EQ(chars.right, Extent(L"one two t").cx);
}

TEST_F(MarkupText, SingleLineAlignmentMovesTheText)
{
    const int textWidth = Extent(L"mid").cx;
    Draw(L"mid", {0, 0, 200, 60}, plat::kDT_SingleLine | plat::kDT_Center | plat::kDT_VCenter);
    const RectUI ink = InkBox();
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 100, 2);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 30, 4);
    canvas.dc->FillSolidRect({0, 0, 200, 60}, kWhite);
    Draw(L"mid", {0, 0, 200, 60}, plat::kDT_SingleLine | plat::kDT_Right | plat::kDT_Bottom);
    const RectUI right = InkBox();
    EXPECT_GE(right.left, 200 - textWidth - 1);
    EXPECT_GE(right.top, 60 - LineHeight());
}

TEST_F(MarkupText, MultiLineCentringIsPerLineAndMovesTheLinks)
{
    RectUI links[2];
    CStringUI targets[2];
    int count = 2;
    Draw(L"{a t}ab{/a}{n}abcdef", {0, 0, 200, 60}, plat::kDT_Center, links, targets, &count);
    ASSERT_EQ(count, 1);
    const int ab = Extent(L"ab").cx;
    EXPECT_EQ(links[0].left, (200 - ab) / 2);
    EXPECT_EQ(links[0].right, (200 - ab) / 2 + ab);
    const RectUI first = InkBox({0, 0, 200, LineHeight()});
    const RectUI second = InkBox({0, LineHeight(), 200, 60});
    EXPECT_NEAR((first.left + first.right) / 2.0, 100, 2);
    EXPECT_NEAR((second.left + second.right) / 2.0, 100, 2);
}

TEST_F(MarkupText, MarkupFontsAreCachedUnderIdsFrom30000)
{
    const int before = NextMarkupFontId();
    EXPECT_GE(before, kFirstMarkupFontId);
    Measure(L"{f Tahoma 20 Bold Italic}big{/f}");
    const int after = NextMarkupFontId();
    EXPECT_EQ(after, before + 2);
    FontRecord* record = manager.FontRecordById(before + 1);
    ASSERT_NE(record, manager.DefaultFontRecord());
    EXPECT_EQ(record->face, L"Tahoma");
    EXPECT_EQ(record->size, 20);
    EXPECT_TRUE(record->bold);
    EXPECT_TRUE(record->italic);
    EXPECT_FALSE(record->underline);
    // The same font again is found, not created.
    Measure(L"{f Tahoma 20 bold italic}again{/f}");
    EXPECT_EQ(NextMarkupFontId(), after + 1);
}

TEST_F(MarkupText, OffsetsLineHeightsAndSelection)
{
    EXPECT_EQ(Measure(L"{x 30}a").GetWidth(), 30 + Extent(L"a").cx);
    EXPECT_EQ(Measure(L"{x -5}a").right, -5 + Extent(L"a").cx);
    EXPECT_EQ(Measure(L"{y 40}a").GetHeight(), 40);
    EXPECT_EQ(Measure(L"{p 9}a", {0, 0, 200, 100}, 0).GetHeight(), 9 + LineHeight());
    manager.SetDefaultColor(DefaultColorKind::SelectedBackColor, 0xFF00FF00, false);
    Draw(L"{s}sel{/s} no", {4, 4, 200, 60});
    EXPECT_EQ(canvas.At(5, 5), 0xFF00FF00u);
    EXPECT_EQ(canvas.At(4 + Extent(L"sel ").cx + 2, 5), kWhite);
}

TEST_F(MarkupText, ImageTagsDrawTheChosenFrame)
{
    sktest::TempDir folder;
    const CStringUI previous = CWindowManagerUI::ResourceFolder();
    CWindowManagerUI::SetResourceFolder(folder.WPath().c_str());
    auto strip = plat::CBitmap::CreateDib(30, -10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 30; ++x)
            strip->Row(y)[x] = x < 10 ? 0xFFFF0000u : x < 20 ? 0xFF00FF00u : 0xFF0000FFu;
    strip->MarkDirty();
    ASSERT_TRUE(strip->SaveToPng(folder.Child("strip.png")));

    Draw(L"{i strip.png 3 1}", {10, 0, 200, 60});
    EXPECT_EQ(InkBox(), (RectUI{10, LineHeight() - 10, 20, LineHeight()}));
    EXPECT_EQ(canvas.At(15, LineHeight() - 5), 0xFF00FF00u);
    // A bad index falls back to the first frame; the key-value form names the file.
    canvas.dc->FillSolidRect({0, 0, 200, 60}, kWhite);
    Draw(L"{v top}{i strip.png 3 7}{/v}{i file='strip.png'}", {10, 0, 200, 60});
    EXPECT_EQ(canvas.At(15, 5), 0xFFFF0000u);
    EXPECT_EQ(canvas.At(25, LineHeight() - 5), 0xFFFF0000u);
    EXPECT_EQ(canvas.At(45, LineHeight() - 5), 0xFF0000FFu);
    EXPECT_EQ(Measure(L"{i strip.png 3}").GetWidth(), 10);
    EXPECT_EQ(Measure(L"{i missing.png}x").GetWidth(), Extent(L"x").cx);
    CWindowManagerUI::SetResourceFolder(previous.GetData());
}

TEST_F(MarkupText, NothingHappensWithoutTextManagerOrArea)
{
    RectUI rect{0, 0, 100, 20};
    int count = 3;
    CDrawEngine::DrawMarkupText(canvas.dc.get(), nullptr, rect, L"x", 0, nullptr, nullptr, count, kBaseFont,
                                0);
    EXPECT_EQ(count, 0);
    CDrawEngine::DrawMarkupText(canvas.dc.get(), &manager, rect, nullptr, 0, nullptr, nullptr, count,
                                kBaseFont, 0);
    RectUI empty{10, 10, 10, 20};
    CDrawEngine::DrawMarkupText(canvas.dc.get(), &manager, empty, L"x", 0, nullptr, nullptr, count, kBaseFont,
                                0);
    EXPECT_EQ(InkBox(), RectUI{});
    // The context's own font and clip come back.
    EXPECT_EQ(canvas.dc->Font(), nullptr);
    Draw(L"{b}{c 123456}x", {0, 0, 100, 20});
    EXPECT_EQ(canvas.dc->Font(), nullptr);
    plat::CRegion clip;
    EXPECT_FALSE(canvas.dc->GetClipRegion(clip));
}

TEST_F(MarkupText, HostileMarkupEndsWithoutHanging)
{
    const wchar_t* texts[] = {
        L"{x 2147483647}a{x 2147483647}b",
        L"{y 2147483647}a{n}b{n}c",
        L"{y -2147483647}a{n}b{n}c",
        L"{b{i{u{a",
        L"{f 99999}a{f}{/f}{/f}{/b}{/i}{/u}{/a}{/c}{/p}{/v}",
        L"{p -99999}x{/p}{p 99999}y",
        L"{i }{i {i",
        L"{c #FFFFFFFFFFFFFFFFFFFF}x",
        L"{f   }x",
        L"{a",
        L"<r>never closed",
        L"\n\n\n{n}{n}",
        L"{i strip.png -5 -5}",
        L"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW",
        // Found by fuzzing: a font size past the 32-bit range.
        L"{f Tahoma 17777777777777777777772 b}x{/f}",
    };
    for (const wchar_t* text : texts) {
        for (unsigned format :
             {0u, unsigned{plat::kDT_SingleLine}, unsigned{plat::kDT_WordBreak},
              unsigned{plat::kDT_EndEllipsis}, plat::kDT_EndEllipsis | plat::kDT_WordBreak}) {
            Draw(text, {0, 0, 7, 60}, format);
            Measure(text, {0, 0, 7, 60}, format);
            Measure(text, {0, 0, 9999, 100}, format);
        }
    }
    SUCCEED();
}

TEST_F(MarkupText, LinksUnderTheMouseTakeTheHoverColour)
{
    RectUI links[2];
    CStringUI targets[2];
    int count = 2;
    Draw(L"{a one}first{/a} {a two}second{/a}", {0, 0, 200, 60}, plat::kDT_SingleLine, links, targets,
         &count);
    ASSERT_EQ(count, 2);
    manager.SetMousePos({links[1].left + 1, links[1].top + 1});
    manager.SetDefaultColor(DefaultColorKind::LinkHoverTextColor, 0xFFFF0000, false);
    canvas.dc->FillSolidRect({0, 0, 200, 60}, kWhite);
    Draw(L"{a one}first{/a} {a two}second{/a}", {0, 0, 200, 60}, plat::kDT_SingleLine, links, targets,
         &count);
    EXPECT_TRUE(HasInkOf(16, links[1]));
    EXPECT_FALSE(HasInkOf(16, links[0]));
}

} // namespace
