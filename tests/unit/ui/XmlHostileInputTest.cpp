#include <gtest/gtest.h>

#include <string>

#include "XmlTestSupport.h"
#include "ui/core/XmlDocument.h"

using SkinUI::CXmlDocument;
using xmltest::Describe;

namespace {

// Inputs whose walks end next to the terminator; under the sanitizers any read past the text fails.
TEST(XmlHostileInput, WalksThatEndAtTheTerminatorStayInsideTheText)
{
    struct Case
    {
        const wchar_t* text;
        const wchar_t* tree;
    };
    const Case cases[] = {
        {L"<a x=\"1\" >", L"a(x=1)"},
        {L"<a x=\"1\"\t>", L"a(x=1)"},
        {L"<a x=\"&amp;\" >", L"a(x=&)"},
        {L"<a><b x=\"1\" >", L"a[b(x=1)]"},
        {L"<a x=\"1\" >\"y\"", L"a(x=1){\"y\"}"},
    };
    for (const auto& c : cases) {
        CXmlDocument doc(c.text);
        ASSERT_TRUE(doc.IsLoaded()) << c.text;
        EXPECT_EQ(Describe(doc), c.tree) << c.text;
    }
    for (const wchar_t* text : {L"<a b=", L"<a b= ", L"<a></a", L"<a></a  "}) {
        CXmlDocument doc;
        EXPECT_FALSE(doc.LoadText(text)) << text;
        EXPECT_STREQ(doc.LastErrorLocation(), L"") << text;
    }
}

TEST(XmlHostileInput, DeepNestingNeedsNoStack)
{
    const int depth = 200000;
    std::wstring open;
    for (int i = 0; i < depth; ++i)
        open += L"<e>";
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadText(open.c_str()));
    EXPECT_STREQ(doc.LastError(), L"Expected end-tag start");
    std::wstring closed = open;
    for (int i = 0; i < depth; ++i)
        closed += L"</e>";
    ASSERT_TRUE(doc.LoadText(closed.c_str()));
    EXPECT_EQ(doc.ElementCount(), static_cast<uint32_t>(depth + 1));
}

TEST(XmlHostileInput, ManyEntitiesAndLongValuesDecodeInPlace)
{
    std::wstring value;
    std::wstring raw;
    for (int i = 0; i < 5000; ++i) {
        raw += L"&lt;&&amp;x";
        value += L"<&&x";
    }
    CXmlDocument doc((L"<a v=\"" + raw + L"\" w=\"2\">" + raw + L"<b/></a>").c_str());
    ASSERT_TRUE(doc.IsLoaded()) << doc.LastError();
    EXPECT_EQ(std::wstring(doc.Root().FindAttributeValue(L"v")), value);
    EXPECT_STREQ(doc.Root().FindAttributeValue(L"w"), L"2");
    EXPECT_EQ(std::wstring(doc.Root().Value()), value);
}

} // namespace
