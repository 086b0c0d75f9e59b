#include <gtest/gtest.h>

#include <utility>

#include "ui/core/UIString.h"

using SkinUI::CStringUI;

namespace {

std::wstring Repeat(wchar_t ch, int n)
{
    return std::wstring(static_cast<size_t>(n), ch);
}

TEST(UIString, KeepsTextsAcrossTheInlineLimit)
{
    for (int length : {0, 1, 61, 62, 63, 200}) {
        const std::wstring text = Repeat(L'x', length);
        CStringUI s(text.c_str());
        EXPECT_EQ(s.GetLength(), length);
        EXPECT_EQ(s.ToStdWString(), text);
        EXPECT_EQ(s.GetData()[length], L'\0');
    }
}

TEST(UIString, CopiesAreDeep)
{
    for (int length : {5, 100}) {
        CStringUI a(Repeat(L'a', length).c_str());
        CStringUI b(a);
        CStringUI c;
        c = a;
        a.SetAt(0, L'z');
        EXPECT_EQ(b.GetAt(0), L'a') << length;
        EXPECT_EQ(c.GetAt(0), L'a') << length;
        EXPECT_NE(a.GetData(), b.GetData());
    }
}

TEST(UIString, MovesLeaveTheSourceEmptyAndUsable)
{
    for (int length : {5, 100}) {
        const std::wstring text = Repeat(L'm', length);
        CStringUI a(text.c_str());
        CStringUI b(std::move(a));
        EXPECT_EQ(b.ToStdWString(), text);
        EXPECT_TRUE(a.IsEmpty());
        a = L"again";
        EXPECT_EQ(a.ToStdWString(), L"again");
        CStringUI c(L"short");
        c = std::move(b);
        EXPECT_EQ(c.ToStdWString(), text);
    }
}

TEST(UIString, AppendsGrowPastTheInlineBuffer)
{
    CStringUI s;
    std::wstring expected;
    for (int i = 0; i < 100; ++i) {
        s += static_cast<wchar_t>(L'a' + i % 26);
        expected += static_cast<wchar_t>(L'a' + i % 26);
    }
    s += L"tail";
    s += CStringUI(L"!");
    EXPECT_EQ(s.ToStdWString(), expected + L"tail!");
}

TEST(UIString, AppendingItselfDoublesTheText)
{
    CStringUI s(Repeat(L'q', 40).c_str());
    s += s;
    EXPECT_EQ(s.ToStdWString(), Repeat(L'q', 80));
    s.Assign(s.GetData() + 70);
    EXPECT_EQ(s.ToStdWString(), Repeat(L'q', 10));
}

TEST(UIString, ConvertsUtf8BothWays)
{
    const CStringUI s = CStringUI::FromUtf8("Install \xE4\xB8\xAD \xF0\x9F\x98\x80");
    EXPECT_EQ(s.ToStdWString(), std::wstring(L"Install \u4E2D ") + static_cast<wchar_t>(0x1F600));
    EXPECT_EQ(s.ToUtf8(), "Install \xE4\xB8\xAD \xF0\x9F\x98\x80");
}

TEST(UIString, ComparesExactlyOrIgnoringCase)
{
    const CStringUI s(L"Button");
    EXPECT_TRUE(s == L"Button");
    EXPECT_FALSE(s == L"button");
    EXPECT_TRUE(s.EqualsNoCase(L"BUTTON"));
    EXPECT_LT(s.Compare(L"Buttons"), 0);
    EXPECT_GT(s.Compare(L"Butto"), 0);
    EXPECT_LT(s.CompareNoCase(L"buttonS"), 0);
    EXPECT_TRUE(CStringUI() == L"");
    EXPECT_TRUE(CStringUI() == nullptr);
    EXPECT_TRUE(CStringUI(L"a") < CStringUI(L"b"));
}

TEST(UIString, FindsCharactersAndTexts)
{
    const CStringUI s(L"img\\button_normal.png");
    EXPECT_EQ(s.Find(L'\\'), 3);
    EXPECT_EQ(s.Find(L'n', 10), 11);
    EXPECT_EQ(s.Find(L'#'), -1);
    EXPECT_EQ(s.Find(L"normal"), 11);
    EXPECT_EQ(s.Find(L"png", 19), -1);
    EXPECT_EQ(s.Find(L"", 2), 2);
    EXPECT_EQ(s.Find(L'x', 99), -1);
    EXPECT_EQ(s.ReverseFind(L'.'), 17);
    EXPECT_EQ(s.ReverseFind(L'#'), -1);
}

TEST(UIString, SubstringsClampToTheText)
{
    const CStringUI s(L"abcdef");
    struct Case
    {
        CStringUI got;
        const wchar_t* want;
    };
    const Case cases[] = {
        {s.Left(2), L"ab"},   {s.Left(99), L"abcdef"},  {s.Left(-1), L""}, {s.Mid(2), L"cdef"},
        {s.Mid(2, 2), L"cd"}, {s.Mid(5, 9), L"f"},      {s.Mid(9), L""},   {s.Mid(-3, 2), L"ab"},
        {s.Right(2), L"ef"},  {s.Right(99), L"abcdef"}, {s.Right(0), L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got.ToStdWString(), c.want);
}

TEST(UIString, ReplacesEveryOccurrenceResumingAfterTheInsertedText)
{
    struct Case
    {
        const wchar_t* text;
        const wchar_t* from;
        const wchar_t* to;
        const wchar_t* want;
        int count;
    };
    const Case cases[] = {
        {L"PRODUCT is PRODUCT", L"PRODUCT", L"Valtrix", L"Valtrix is Valtrix", 2},
        {L"aaa", L"a", L"aa", L"aaaaaa", 3},
        {L"abc", L"x", L"y", L"abc", 0},
        {L"abc", L"", L"y", L"abc", 0},
        {L"a-b-c", L"-", nullptr, L"abc", 2},
    };
    for (const auto& c : cases) {
        CStringUI s(c.text);
        EXPECT_EQ(s.Replace(c.from, c.to), c.count) << c.text;
        EXPECT_EQ(s.ToStdWString(), c.want);
    }
}

TEST(UIString, FormatsWideAndNarrowArguments)
{
    CStringUI s;
    EXPECT_EQ(s.Format(L"%d%% %ls %s", 42, L"wide", "narrow"), 15);
    EXPECT_EQ(s.ToStdWString(), L"42% wide narrow");
    const std::wstring longText = Repeat(L'z', 1000);
    s.Format(L"[%ls]", longText.c_str());
    EXPECT_EQ(s.ToStdWString(), L"[" + longText + L"]");
    EXPECT_EQ(s.Format(L"%s", "caf\xC3\xA9"), 0);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(UIString, OutOfRangeAccessReadsTheTerminatorAndWritesNothing)
{
    CStringUI s(L"ab");
    EXPECT_EQ(s.GetAt(2), L'\0');
    EXPECT_EQ(s.GetAt(-1), L'\0');
    s.SetAt(5, L'x');
    s.SetAt(0, L'\0');
    EXPECT_EQ(s.ToStdWString(), L"ab");
}

TEST(UIString, ConcatenatesWithOperatorPlus)
{
    EXPECT_EQ((CStringUI(L"a") + L"b").ToStdWString(), L"ab");
    EXPECT_EQ((L"a" + CStringUI(L"b")).ToStdWString(), L"ab");
    EXPECT_EQ((CStringUI(L"a") + CStringUI(L"b")).ToStdWString(), L"ab");
}

TEST(UIString, IgnoresCaseBeyondAscii)
{
    EXPECT_TRUE(CStringUI(L"\u00C9T\u00C9").EqualsNoCase(L"\u00E9t\u00E9"));
    EXPECT_TRUE(CStringUI(L"\u0418\u043D").EqualsNoCase(L"\u0438\u041D"));
    CStringUI s(L"\u00E9\u00DFa");
    s.MakeUpper();
    EXPECT_EQ(s.ToStdWString(), L"\u00C9\u00DFA");
}

TEST(UIString, ChangesCase)
{
    CStringUI s(L"Segoe UI");
    s.MakeUpper();
    EXPECT_EQ(s.ToStdWString(), L"SEGOE UI");
    s.MakeLower();
    EXPECT_EQ(s.ToStdWString(), L"segoe ui");
}

} // namespace
