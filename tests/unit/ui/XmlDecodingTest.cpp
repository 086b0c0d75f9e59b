#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "XmlTestSupport.h"
#include "ui/core/XmlDocument.h"

using SkinUI::CXmlDocument;
using SkinUI::XmlEncoding;
using xmltest::Describe;

namespace {

using Bytes = std::vector<unsigned char>;

const char kSkinUtf8[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                         "<Window size=\"650,360\">\n"
                         "  <Label text=\"Caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80\" font=\"1\"/>\n"
                         "  <Button text=\"Install &gt;&gt;\"/>\n"
                         "</Window>\n";

Bytes Utf8(bool mark)
{
    Bytes out(kSkinUtf8, kSkinUtf8 + sizeof(kSkinUtf8) - 1);
    if (mark)
        out.insert(out.begin(), {0xEF, 0xBB, 0xBF});
    return out;
}

Bytes Utf16(const std::wstring& text, bool bigEndian, bool mark = true)
{
    std::vector<uint16_t> units;
    if (mark)
        units.push_back(0xFEFF);
    for (wchar_t wc : text) {
        const auto cp = static_cast<uint32_t>(wc);
        if (cp >= 0x10000) {
            units.push_back(static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            units.push_back(static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<uint16_t>(cp));
        }
    }
    Bytes out;
    for (uint16_t u : units) {
        const auto hi = static_cast<unsigned char>(u >> 8);
        const auto lo = static_cast<unsigned char>(u & 0xFF);
        out.push_back(bigEndian ? hi : lo);
        out.push_back(bigEndian ? lo : hi);
    }
    return out;
}

std::wstring Load(const Bytes& bytes, XmlEncoding encoding)
{
    CXmlDocument doc;
    if (!doc.LoadBytes(bytes.data(), bytes.size(), encoding))
        return L"failed: " + std::wstring(doc.LastError());
    return Describe(doc);
}

const std::wstring kExpected = std::wstring(L"Window(size=650,360){\n  }[Label(text=Caf\u00E9 \u4E2D ") +
                               static_cast<wchar_t>(0x1F600) + L";font=1) Button(text=Install >>)]";

TEST(XmlDecoding, EveryEncodingGivesTheSameDocument)
{
    std::wstring wide =
        std::wstring(L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Window size=\"650,360\">\n"
                     L"  <Label text=\"Caf\u00E9 \u4E2D ") +
        static_cast<wchar_t>(0x1F600) +
        L"\" font=\"1\"/>\n  <Button text=\"Install &gt;&gt;\"/>\n</Window>\n";
    struct Case
    {
        const char* name;
        Bytes bytes;
        XmlEncoding encoding;
    };
    const Case cases[] = {
        {"utf-8", Utf8(false), XmlEncoding::Utf8},
        {"utf-8 with mark", Utf8(true), XmlEncoding::Utf8},
        {"ansi", Utf8(false), XmlEncoding::Ansi},
        {"utf-16le", Utf16(wide, false), XmlEncoding::Utf16},
        {"utf-16be", Utf16(wide, true), XmlEncoding::Utf16},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Load(c.bytes, c.encoding), kExpected) << c.name;
    CXmlDocument fromText(wide.c_str());
    EXPECT_EQ(Describe(fromText), kExpected);
}

TEST(XmlDecoding, Utf16WithoutAMarkFailsAndLeavesNoDocument)
{
    const Bytes noMark = Utf16(L"<a/>", false, false);
    const Bytes cases[] = {noMark, Bytes{}, Bytes{0xFF}, Bytes{0x3C, 0x00}};
    for (const auto& bytes : cases) {
        CXmlDocument doc(L"<stale/>");
        ASSERT_TRUE(doc.IsLoaded());
        EXPECT_FALSE(doc.LoadBytes(bytes.data(), bytes.size(), XmlEncoding::Utf16));
        EXPECT_FALSE(doc.IsLoaded());
        EXPECT_FALSE(doc.Root().IsValid());
    }
}

TEST(XmlDecoding, Utf16DropsAnOddTrailingByteAndReplacesLoneSurrogates)
{
    Bytes bytes = Utf16(L"<a x=\"1\"/>", false);
    bytes.push_back(0x41);
    EXPECT_EQ(Load(bytes, XmlEncoding::Utf16), L"a(x=1)");
    // A high surrogate followed by a plain unit, and a low surrogate on its own.
    const Bytes lone = {0xFF, 0xFE, '<',  0,   'a', 0,    ' ',  0,   'x', 0,   '=', 0,   '"',
                        0,    0x00, 0xD8, 'b', 0,   0x00, 0xDC, '"', 0,   '/', 0,   '>', 0};
    EXPECT_EQ(Load(lone, XmlEncoding::Utf16), L"a(x=\uFFFDb\uFFFD)");
    EXPECT_EQ(Load(Bytes{0xFE, 0xFF}, XmlEncoding::Utf16), L"");
}

TEST(XmlDecoding, Utf8MarksAndMalformedBytes)
{
    struct Case
    {
        Bytes bytes;
        XmlEncoding encoding;
        std::wstring want;
    };
    const Case cases[] = {
        {{0xEF, 0xBB, 0xBF}, XmlEncoding::Utf8, L""},
        {{}, XmlEncoding::Utf8, L""},
        {{'<', 'a', ' ', 'x', '=', '"', 0xFF, 0xC3, '"', '/', '>'}, XmlEncoding::Utf8, L"a(x=\uFFFD\uFFFD)"},
        {{0xEF, 0xBB, 0xBF, '<', 'a', '/', '>'}, XmlEncoding::Ansi, L"failed: Expected start tag"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Load(c.bytes, c.encoding), c.want);
}

TEST(XmlDecoding, Utf8DecodesAlikeWhereverMultiByteSequencesFall)
{
    // The ASCII fast path takes sixteen bytes at a time: move the sequences across those blocks.
    for (int shift = 0; shift < 40; ++shift) {
        const std::string pad(static_cast<size_t>(shift), 'x');
        const std::string utf8 =
            "<a v=\"" + pad + "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xFF" + std::string(20, 'y') + "\"/>";
        const std::wstring want = L"a(v=" + std::wstring(pad.begin(), pad.end()) + L"\u00E9\u4E2D" +
                                  static_cast<wchar_t>(0x1F600) + L"\uFFFD" + std::wstring(20, L'y') + L")";
        EXPECT_EQ(Load(Bytes(utf8.begin(), utf8.end()), XmlEncoding::Utf8), want) << shift;
    }
}

TEST(XmlDecoding, AnEmbeddedNulEndsTheText)
{
    const Bytes bytes = {'<', 'a', '/', '>', 0, '<', 'b'};
    EXPECT_EQ(Load(bytes, XmlEncoding::Utf8), L"a");
}

} // namespace
