#include <gtest/gtest.h>

#include "platform/Text.h"

namespace {

struct Utf8Case
{
    const char* utf8;
    std::wstring wide;
};

TEST(Utf8Text, RoundTripsEveryPlane)
{
    const Utf8Case cases[] = {
        {"", L""},
        {"abc", L"abc"},
        {"Start\xC2\xA0Now", L"Start\u00A0Now"},
        {"\xE4\xB8\xAD\xE6\x96\x87", L"\u4E2D\u6587"},
        {"\xD8\xB9\xD8\xB1\xD8\xA8\xD9\x8A", L"\u0639\u0631\u0628\u064A"},
        {"\xF0\x9F\x98\x80", std::wstring(1, static_cast<wchar_t>(0x1F600))},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plat::Utf8ToWide(c.utf8), c.wide) << c.utf8;
        EXPECT_EQ(plat::WideToUtf8(c.wide), c.utf8);
    }
}

TEST(Utf8Text, MalformedBytesBecomeReplacementCharacters)
{
    EXPECT_EQ(plat::Utf8ToWide("a\xFF" "b"), L"a\uFFFDb");
    EXPECT_EQ(plat::Utf8ToWide("a\xE4\xB8"), L"a\uFFFD");          // cut sequence at the end
    EXPECT_EQ(plat::Utf8ToWide("\xC0\x80"), L"\uFFFD");             // over-long form
    EXPECT_EQ(plat::Utf8ToWide("\xED\xA0\x80"), L"\uFFFD");         // encoded surrogate
    EXPECT_EQ(plat::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}

} // namespace
