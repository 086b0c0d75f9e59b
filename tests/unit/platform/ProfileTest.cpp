#include <gtest/gtest.h>

#include "platform/System.h"
#include "platform/Text.h"
#include "support/TempDir.h"

namespace {

std::string Utf16Le(const std::u16string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

const char* const kProfile = "; leading comment\r\n"
                             "[Other]\r\n"
                             "Name=other\r\n"
                             "  [ Strings ]  \r\n"
                             "Plain=value\r\n"
                             "  Spaced   =   around blanks   \r\n"
                             "Quoted=\"  kept inside  \"\r\n"
                             "Single='one pair'\r\n"
                             "Twice=\"\"twice\"\"\r\n"
                             "Dup=first\r\n"
                             "dup=second\r\n"
                             "; Commented=yes\r\n"
                             "Empty=\r\n"
                             "Equals=a=b=c\r\n"
                             "NoEquals line\r\n"
                             "Unicode=\xE4\xB8\xAD\xE6\x96\x87\n"
                             "[Strings]\r\n"
                             "Late=from a second section of the same name\r\n"
                             "[Tail\r\n"
                             "Odd=value in an unterminated header\r\n";

struct LookupCase
{
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* expected;
};

const LookupCase kLookups[] = {
    {L"Strings", L"Plain", L"value"},
    {L"STRINGS", L"plain", L"value"},
    {L"  strings ", L" PLAIN ", L"value"},
    {L"Strings", L"Spaced", L"around blanks"},
    {L"Strings", L"Quoted", L"  kept inside  "},
    {L"Strings", L"Single", L"one pair"},
    {L"Strings", L"Twice", L"\"twice\""},
    {L"Strings", L"Dup", L"first"},
    {L"Strings", L"Empty", L""},
    {L"Strings", L"Equals", L"a=b=c"},
    {L"Strings", L"Unicode", L"\u4E2D\u6587"},
    {L"Strings", L"Commented", L"<default>"},
    {L"Strings", L"NoEquals line", L"<default>"},
    {L"Strings", L"Late", L"<default>"},
    {L"Strings", L"Name", L"<default>"},
    {L"Other", L"Name", L"other"},
    {L"Tail", L"Odd", L"value in an unterminated header"},
    {L"Missing", L"Plain", L"<default>"},
};

class ProfileFile : public ::testing::Test
{
protected:
    sktest::TempDir m_dir;
};

TEST_F(ProfileFile, FollowsTheProfileReaderRulesInUtf8AndUtf16)
{
    m_dir.WriteFile("utf8.ini", kProfile);
    m_dir.WriteFile("bom.ini", std::string("\xEF\xBB\xBF") + kProfile);
    std::u16string wide;
    for (const wchar_t c : plat::Utf8ToWide(kProfile))
        wide += static_cast<char16_t>(c);
    m_dir.WriteFile("utf16.ini", Utf16Le(wide));
    for (const char* file : {"utf8.ini", "bom.ini", "utf16.ini"}) {
        for (const auto& c : kLookups) {
            EXPECT_EQ(plat::GetProfileString(m_dir.WChild(file), c.section, c.key, L"<default>", 256),
                      c.expected)
                << file << " [" << c.section << "] " << c.key;
        }
    }
}

TEST_F(ProfileFile, ReadsUtf16WithBlanksAroundTheEqualsSign)
{
    m_dir.WriteFile("text.ini", Utf16Le(u"[LANSTR]\r\nSTR_TITLE = Setup \u00FC\r\nSTR_NEXT\t=\tNext\r\n"));
    EXPECT_EQ(plat::GetProfileString(m_dir.WChild("text.ini"), L"LANSTR", L"STR_TITLE", L"", 256),
              L"Setup \u00FC");
    EXPECT_EQ(plat::GetProfileSection(m_dir.WChild("text.ini"), L"lanstr"),
              (std::vector<std::wstring>{L"STR_TITLE=Setup \u00FC", L"STR_NEXT=Next"}));
}

TEST_F(ProfileFile, SectionListsEntriesInFileOrderWithoutComments)
{
    m_dir.WriteFile("a.ini", kProfile);
    const std::vector<std::wstring> expected = {
        L"Plain=value",
        L"Spaced=around blanks",
        L"Quoted=\"  kept inside  \"",
        L"Single='one pair'",
        L"Twice=\"\"twice\"\"",
        L"Dup=first",
        L"dup=second",
        L"Empty=",
        L"Equals=a=b=c",
        L"NoEquals line",
        L"Unicode=\u4E2D\u6587",
    };
    EXPECT_EQ(plat::GetProfileSection(m_dir.WChild("a.ini"), L"strings"), expected);
}

TEST_F(ProfileFile, WholeSectionsAreReadWithoutASizeLimit)
{
    std::string text = "[Big]\n";
    for (int i = 0; i < 2000; ++i)
        text += "Key" + std::to_string(i) + "=" + std::string(40, 'v') + "\n";
    m_dir.WriteFile("big.ini", text);
    const auto entries = plat::GetProfileSection(m_dir.WChild("big.ini"), L"Big");
    ASSERT_EQ(entries.size(), 2000u);
    EXPECT_EQ(entries.back(), L"Key1999=" + std::wstring(40, L'v'));
}

TEST_F(ProfileFile, ValuesAreCutToTheBufferSize)
{
    m_dir.WriteFile("long.ini", "[S]\nK=" + std::string(300, 'x') + "\n");
    EXPECT_EQ(plat::GetProfileString(m_dir.WChild("long.ini"), L"S", L"K", L"", 256),
              std::wstring(255, L'x'));
    EXPECT_EQ(plat::GetProfileString(m_dir.WChild("long.ini"), L"S", L"K", L"", 0), L"");
    EXPECT_EQ(plat::GetProfileString(m_dir.WChild("long.ini"), L"S", L"missing", L"abcdef", 4), L"abc");
}

TEST_F(ProfileFile, MissingOrMalformedFilesGiveTheDefault)
{
    m_dir.WriteFile("odd16.ini", Utf16Le(u"[S]\r\nK=v\xD800\r\n") + "\x41");
    static const char kBinary[] = "[S]\nK=\xFF\xFE\x00\x01\n=\n[\n]\n[]\n";
    m_dir.WriteFile("binary.ini", std::string(kBinary, sizeof kBinary - 1));
    m_dir.WriteFile("folder.ini/inner", "x");
    EXPECT_EQ(plat::GetProfileString(m_dir.WChild("odd16.ini"), L"S", L"K", L"", 256), L"v\uFFFD");
    EXPECT_EQ(plat::GetProfileString(m_dir.WChild("binary.ini"), L"S", L"K", L"d", 256).substr(0, 2),
              L"\uFFFD\uFFFD");
    for (const char* file : {"missing.ini", "folder.ini", "odd16.ini/through-a-file"}) {
        EXPECT_EQ(plat::GetProfileString(m_dir.WChild(file), L"S", L"K", L"dflt", 256), L"dflt") << file;
        EXPECT_TRUE(plat::GetProfileSection(m_dir.WChild(file), L"S").empty()) << file;
    }
}

} // namespace
