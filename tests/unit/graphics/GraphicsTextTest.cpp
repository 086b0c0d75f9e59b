#include "GraphicsFixture.h"

#include <algorithm>
#include <cstring>

namespace {

using plat::CFont;
using plat::FontDesc;
using plat::Rect;
using sktest::CCanvas;

std::unique_ptr<CFont> MakeFont(const wchar_t* face, int height = -16, int weight = plat::kFW_Normal)
{
    FontDesc desc;
    desc.face = face;
    desc.height = height;
    desc.weight = weight;
    return CFont::Create(desc);
}

// The box around every inked pixel; empty when nothing was drawn.
Rect InkBox(const CCanvas& canvas)
{
    Rect box{canvas.bitmap->Width(), canvas.bitmap->Height(), 0, 0};
    for (int y = 0; y < canvas.bitmap->Height(); ++y)
        for (int x = 0; x < canvas.bitmap->Width(); ++x)
            if (canvas.At(x, y) >> 24) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

class GraphicsText : public testing::Test
{
protected:
    void SetUp() override
    {
        font = MakeFont(L"Segoe UI");
        ASSERT_TRUE(font);
        canvas.dc->SelectFont(font.get());
        canvas.dc->SetBkMode(plat::kBk_Transparent);
    }

    int Width(std::wstring_view text) const { return canvas.dc->GetTextExtent(text).cx; }

    Rect Measure(std::wstring_view text, Rect rect, unsigned format) const
    {
        canvas.dc->DrawText(text, rect, format | plat::kDT_CalcRect);
        return rect;
    }

    std::unique_ptr<CFont> font;
    CCanvas canvas{240, 80};
};

TEST(GraphicsFont, MissingFacesResolveToAnInstalledSansKeepingTheirWeight)
{
    struct Case
    {
        const wchar_t* face;
        int weight;
        const wchar_t* family;
        int resolvedWeight;
    };
    const Case cases[] = {
        {L"Segoe UI", 400, L"Noto Sans", 400},
        {L"Segoe UI Semibold", 400, L"Noto Sans", 600},
        {L"Segoe UI Semibold", 400 + 700, L"Noto Sans", 700},
        {L"Microsoft YaHei", 400, L"Noto Sans", 400},
        {L"Tahoma", 700, L"Noto Sans", 700},
        {L"Segoe UI Light", 0, L"Noto Sans", 300},
        {L"DejaVu Sans", 400, L"DejaVu Sans", 400},
        {L"dejavu sans bold", 400, L"dejavu sans", 700},
        {L"", 400, L"Noto Sans", 400},
    };
    for (const auto& c : cases) {
        auto font = MakeFont(c.face, -12, c.weight);
        ASSERT_TRUE(font) << c.face;
        EXPECT_EQ(font->Family(), c.family) << c.face;
        EXPECT_EQ(font->Weight(), c.resolvedWeight) << c.face;
        EXPECT_EQ(font->Desc().face, c.face);
    }
}

TEST(GraphicsFont, WeightsAboveBoldDrawExactlyAsBold)
{
    auto bold = MakeFont(L"Segoe UI", -20, plat::kFW_Bold);
    auto heavy = MakeFont(L"Segoe UI", -20, plat::kFW_Normal + plat::kFW_Bold);
    ASSERT_TRUE(bold && heavy);
    EXPECT_EQ(heavy->Weight(), plat::kFW_Bold);
    EXPECT_EQ(heavy->Metrics().weight, plat::kFW_Bold);
    CCanvas a(200, 40), b(200, 40);
    a.dc->SelectFont(bold.get());
    b.dc->SelectFont(heavy.get());
    a.dc->TextOut(0, 0, L"Install Now");
    b.dc->TextOut(0, 0, L"Install Now");
    ASSERT_GT(a.CountInked(), 0);
    EXPECT_EQ(std::memcmp(a.bitmap->Bits(), b.bitmap->Bits(), 200 * 40 * 4), 0);
}

TEST(GraphicsFont, MetricsFollowTheHeightConvention)
{
    auto character = MakeFont(L"Segoe UI", -20);
    auto cell = MakeFont(L"Segoe UI", 20);
    ASSERT_TRUE(character && cell);
    const plat::TextMetrics& cm = character->Metrics();
    EXPECT_EQ(cm.height, cm.ascent + cm.descent);
    EXPECT_GE(cm.height, 20);
    EXPECT_EQ(cm.internalLeading, cm.height - 20);
    EXPECT_GE(cm.externalLeading, 0);
    EXPECT_GT(cm.aveCharWidth, 0);
    EXPECT_GE(cm.maxCharWidth, cm.aveCharWidth);
    EXPECT_GE(cm.maxCharWidth, 20);
    EXPECT_NEAR(cell->Metrics().height, 20, 1);
    EXPECT_LT(cell->Metrics().height, cm.height);
}

TEST(GraphicsFont, HeightsBeyondTheLimitAreHeldAt2048Pixels)
{
    for (int height : {-2147483647, -100000, 100000, 2147483647}) {
        auto font = MakeFont(L"Segoe UI", height);
        ASSERT_TRUE(font) << height;
        EXPECT_GT(font->Metrics().height, 0) << height;
        EXPECT_LE(font->Metrics().height, 2 * 2048) << height;
    }
}

TEST(GraphicsFont, StockGuiFontIsTheSansFaceAtEleven)
{
    const FontDesc stock = plat::StockGuiFont();
    EXPECT_FALSE(stock.face.empty());
    EXPECT_EQ(stock.height, -11);
    EXPECT_EQ(stock.weight, plat::kFW_Normal);
    EXPECT_FALSE(stock.italic || stock.underline);
    // Without a selected font the stock font measures.
    auto dc = plat::CDeviceContext::CreateMemory();
    EXPECT_GE(dc->GetTextMetrics().height, 11);
    EXPECT_GT(dc->GetTextExtent(L"abc").cx, 0);
}

TEST_F(GraphicsText, ExtentsGrowWithTheString)
{
    const std::wstring text = L"Install";
    int previous = 0;
    for (size_t n = 1; n <= text.size(); ++n) {
        const plat::Size size = canvas.dc->GetTextExtent(std::wstring_view(text).substr(0, n));
        EXPECT_GT(size.cx, previous) << n;
        EXPECT_EQ(size.cy, font->Metrics().height);
        previous = size.cx;
    }
    EXPECT_EQ(Width(L""), 0);
}

TEST_F(GraphicsText, CaretPositionsEndAtTheExtent)
{
    const std::vector<int> positions = canvas.dc->GetTextCaretPositions(L"Browse");
    ASSERT_EQ(positions.size(), 6u);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions.front(), Width(L"B"));
    EXPECT_EQ(positions.back(), Width(L"Browse"));
}

TEST_F(GraphicsText, BlankTrailingSpacingMakesUpItsAdvance)
{
    const plat::AbcWidths abc = canvas.dc->GetCharAbcWidths(L' ');
    EXPECT_EQ(abc.a + abc.b + abc.c, Width(L" "));
    EXPECT_GT(abc.c, 0);
    const plat::AbcWidths w = canvas.dc->GetCharAbcWidths(L'W');
    EXPECT_GT(w.b, 0);
    EXPECT_EQ(w.a + w.b + w.c, Width(L"W"));
}

TEST_F(GraphicsText, SingleLineCalcRectIsTheTextExtent)
{
    const Rect rect = Measure(L"Installation Path:", {10, 20, 9999, 100}, plat::kDT_SingleLine);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.right, 10 + Width(L"Installation Path:"));
    EXPECT_EQ(rect.bottom, 20 + font->Metrics().height);
}

TEST_F(GraphicsText, WordBreakWrapsAtBlanksAndReportsTheWrappedSize)
{
    const int limit = Width(L"Install the product") + 2;
    const Rect rect =
        Measure(L"Install the product into this folder", {0, 0, limit, 1000}, plat::kDT_WordBreak);
    EXPECT_EQ(rect.bottom, 2 * font->Metrics().height);
    EXPECT_LE(rect.right, limit);
    EXPECT_GE(rect.right, Width(L"Install the product"));
    // Without word break the text stays one line however narrow the rectangle.
    const Rect unbroken = Measure(L"Install the product into this folder", {0, 0, limit, 1000}, 0);
    EXPECT_EQ(unbroken.bottom, font->Metrics().height);
    EXPECT_EQ(unbroken.right, Width(L"Install the product into this folder"));
}

TEST_F(GraphicsText, LineFeedsBreakOnlyInMultiLineMode)
{
    const int h = font->Metrics().height;
    EXPECT_EQ(Measure(L"one\ntwo", {0, 0, 500, 500}, 0).bottom, 2 * h);
    EXPECT_EQ(Measure(L"one\ntwo", {0, 0, 500, 500}, plat::kDT_SingleLine).bottom, h);
    EXPECT_EQ(Measure(L"one\ntwo", {0, 0, 500, 500}, plat::kDT_SingleLine).right, Width(L"onetwo"));
}

TEST_F(GraphicsText, EndEllipsisShowsTheStartFollowedByThreeDots)
{
    const std::wstring text = L"Downloading the full installer";
    const int limit = Width(L"Downloading") + 3;
    const Rect rect = Measure(text, {0, 0, limit, 40}, plat::kDT_SingleLine | plat::kDT_EndEllipsis);
    EXPECT_LE(rect.right, limit);

    // The longest start that fits with "..." is what is drawn.
    std::wstring expected = L"...";
    for (size_t n = text.size(); n > 0; --n)
        if (Width(text.substr(0, n) + L"...") <= limit) {
            expected = text.substr(0, n) + L"...";
            break;
        }
    EXPECT_EQ(rect.right, Width(expected));
    Rect drawRect{0, 0, limit, 40};
    canvas.dc->DrawText(text, drawRect, plat::kDT_SingleLine | plat::kDT_EndEllipsis);
    CCanvas reference(240, 80);
    reference.dc->SelectFont(font.get());
    reference.dc->SetBkMode(plat::kBk_Transparent);
    reference.dc->TextOut(0, 0, expected);
    EXPECT_EQ(std::memcmp(canvas.bitmap->Bits(), reference.bitmap->Bits(), 240 * 80 * 4), 0);
}

TEST_F(GraphicsText, EndEllipsisLeavesFittingTextAlone)
{
    const Rect rect = Measure(L"Start Now", {0, 0, 200, 40}, plat::kDT_SingleLine | plat::kDT_EndEllipsis);
    EXPECT_EQ(rect.right, Width(L"Start Now"));
}

TEST_F(GraphicsText, PrefixesUnderlineAndDoubleAmpersandsShowOne)
{
    const unsigned single = plat::kDT_SingleLine;
    EXPECT_EQ(Measure(L"&Install", {0, 0, 500, 50}, single).right, Width(L"Install"));
    EXPECT_EQ(Measure(L"Q&&A", {0, 0, 500, 50}, single).right, Width(L"Q&A"));
    EXPECT_EQ(Measure(L"&Install", {0, 0, 500, 50}, single | plat::kDT_NoPrefix).right, Width(L"&Install"));

    Rect r{0, 0, 240, 40};
    canvas.dc->DrawText(L"&Install", r, single);
    CCanvas plain(240, 80);
    plain.dc->SelectFont(font.get());
    plain.dc->SetBkMode(plat::kBk_Transparent);
    Rect p{0, 0, 240, 40};
    plain.dc->DrawText(L"Install", p, single);
    const int ascent = font->Metrics().ascent;
    // The same glyphs, plus an underline below the baseline under the first letter only.
    EXPECT_EQ(canvas.CountInked({0, 0, 240, ascent}), plain.CountInked({0, 0, 240, ascent}));
    EXPECT_GT(canvas.CountInked({0, ascent, Width(L"I"), 40}),
              plain.CountInked({0, ascent, Width(L"I"), 40}));
    EXPECT_EQ(canvas.CountInked({Width(L"In"), ascent, 240, 40}),
              plain.CountInked({Width(L"In"), ascent, 240, 40}));
}

TEST_F(GraphicsText, AlignmentPlacesTheLine)
{
    struct Case
    {
        unsigned format;
        bool nearLeft, nearRight, nearMiddleRow;
    };
    const Case cases[] = {
        {plat::kDT_SingleLine, true, false, false},
        {plat::kDT_SingleLine | plat::kDT_Right, false, true, false},
        {plat::kDT_SingleLine | plat::kDT_Center | plat::kDT_VCenter, false, false, true},
        {plat::kDT_Center | plat::kDT_VCenter, false, false, false}, // vertical centre needs single line
    };
    for (const auto& c : cases) {
        CCanvas target(240, 80);
        target.dc->SelectFont(font.get());
        target.dc->SetBkMode(plat::kBk_Transparent);
        Rect rect{0, 0, 240, 80};
        target.dc->DrawText(L"Finish", rect, c.format);
        const Rect ink = InkBox(target);
        ASSERT_FALSE(ink.IsEmpty());
        EXPECT_EQ(ink.left < 10, c.nearLeft) << c.format;
        EXPECT_EQ(ink.right > 230, c.nearRight) << c.format;
        EXPECT_EQ(ink.top > 20, c.nearMiddleRow) << c.format;
        if (c.format & plat::kDT_Center)
            EXPECT_NEAR((ink.left + ink.right) / 2, 120, 4) << c.format;
    }
    CCanvas bottom(240, 80);
    bottom.dc->SelectFont(font.get());
    Rect rect{0, 0, 240, 80};
    bottom.dc->DrawText(L"Finish", rect, plat::kDT_SingleLine | plat::kDT_Bottom);
    EXPECT_GT(InkBox(bottom).top, 80 - font->Metrics().height - 1);
}

TEST_F(GraphicsText, TextIsClippedToItsRectangle)
{
    Rect rect{0, 0, Width(L"Ins"), 80};
    canvas.dc->DrawText(L"Installation", rect, plat::kDT_SingleLine);
    EXPECT_LE(InkBox(canvas).right, rect.right);
}

TEST_F(GraphicsText, OpaqueTextOnTransparentPixelsIsVisibleAndPremultiplied)
{
    canvas.dc->SetTextColor(0x337BDD);
    canvas.dc->TextOut(4, 4, L"License Agreement");
    int opaque = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 240; ++x) {
            const uint32_t p = canvas.At(x, y);
            const uint32_t a = p >> 24;
            opaque += a == 255;
            EXPECT_LE((p >> 16) & 0xFF, a);
            EXPECT_LE(p & 0xFF, a);
            if (a == 255)
                EXPECT_EQ(p, 0xFF337BDDu);
        }
    EXPECT_GT(opaque, 20);
}

TEST_F(GraphicsText, OpaqueBackgroundFillsTheCell)
{
    canvas.dc->SetBkMode(plat::kBk_Opaque);
    canvas.dc->SetBkColor(0x00FF00);
    canvas.dc->TextOut(10, 10, L"sel");
    const Rect cell{10, 10, 10 + Width(L"sel"), 10 + font->Metrics().height};
    EXPECT_EQ(canvas.CountInked(cell), cell.Width() * cell.Height());
    EXPECT_EQ(canvas.CountInked(), cell.Width() * cell.Height());
}

struct ScriptCase
{
    const char* name;
    const wchar_t* text;
};

TEST_F(GraphicsText, EveryScriptDrawsWithTheResolvedFont)
{
    const ScriptCase cases[] = {
        {"latin", L"Install Now"},
        {"arabic", L"\u062A\u062B\u0628\u064A\u062A \u0627\u0644\u0622\u0646"},
        {"thai",
         L"\u0E15\u0E34\u0E14\u0E15\u0E31\u0E49\u0E07\u0E40\u0E14\u0E35\u0E4B\u0E22\u0E27\u0E19\u0E35\u0E49"},
        {"chinese", L"\u7ACB\u5373\u5B89\u88C5"},
        {"japanese", L"\u4ECA\u3059\u3050\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB"},
        {"korean", L"\uC9C0\uAE08 \uC124\uCE58"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(font->MissingGlyphs(c.text), 0) << c.name;
        CCanvas target(240, 40);
        target.dc->SelectFont(font.get());
        Rect rect{0, 0, 240, 40};
        target.dc->DrawText(c.text, rect, plat::kDT_SingleLine | plat::kDT_VCenter);
        EXPECT_GT(target.CountInked(), 30) << c.name;
    }
}

TEST_F(GraphicsText, ArabicRunsRightToLeft)
{
    const std::vector<int> positions = canvas.dc->GetTextCaretPositions(L"\u062A\u062B\u0628\u064A\u062A");
    ASSERT_EQ(positions.size(), 5u);
    // The first letter sits at the right: the caret after it is left of the run's right end.
    EXPECT_GT(positions[0], positions[3]);
    EXPECT_LT(positions[0], Width(L"\u062A\u062B\u0628\u064A\u062A"));
}

TEST_F(GraphicsText, ArabicLettersJoinIntoNarrowerForms)
{
    // Joined medial forms are narrower than the same letters standing alone.
    const int joined = Width(L"\u0633\u0633\u0633");
    const int isolated = 3 * Width(L"\u0633");
    EXPECT_LT(joined, isolated);
}

TEST_F(GraphicsText, ThaiMarksDoNotAdvance)
{
    EXPECT_EQ(Width(L"\u0E17\u0E35\u0E48"), Width(L"\u0E17"));
}

} // namespace

namespace {

TEST_F(GraphicsText, WordBreakNeverSplitsAWordThatIsTooLong)
{
    const Rect rect = Measure(L"Installation folder", {0, 0, Width(L"Inst"), 1000}, plat::kDT_WordBreak);
    EXPECT_EQ(rect.bottom, 2 * font->Metrics().height);
    EXPECT_EQ(rect.right, Width(L"Installation"));
}

TEST_F(GraphicsText, EndEllipsisCutsOnlyTheLastLineOfWrappedText)
{
    const int limit = Width(L"Install the") + 2;
    const std::wstring text = L"Installationfolder the product Installationfolder";
    const unsigned wrap = plat::kDT_WordBreak;
    const Rect plain = Measure(text, {0, 0, limit, 1000}, wrap);
    const Rect cut = Measure(text, {0, 0, limit, 1000}, wrap | plat::kDT_EndEllipsis);
    EXPECT_EQ(plain.right, Width(L"Installationfolder"));
    // The first line still overflows; the last one now ends in dots within the width.
    EXPECT_EQ(cut.right, plain.right);
    EXPECT_EQ(cut.bottom, plain.bottom);
    const Rect lastLine = Measure(L"Installationfolder", {0, 0, limit, 1000}, wrap | plat::kDT_EndEllipsis);
    EXPECT_LE(lastLine.right, limit);
    EXPECT_GT(lastLine.right, Width(L"..."));
}

} // namespace
