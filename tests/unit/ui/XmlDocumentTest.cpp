#include <gtest/gtest.h>

#include <string>

#include "XmlTestSupport.h"
#include "ui/core/XmlDocument.h"

using SkinUI::CXmlDocument;
using SkinUI::CXmlNode;
using xmltest::Describe;

namespace {

struct ParseCase
{
    const wchar_t* text;
    const wchar_t* tree;
};

TEST(XmlDocument, ParsesTheSkinSubset)
{
    const ParseCase cases[] = {
        {L"<a/>", L"a"},
        {L"<a />", L"a"},
        {L"<a></a>", L"a"},
        {L"<a\n\t/>", L"a"},
        {L"<?xml version=\"1.0\" encoding=\"utf-8\"?><!-- skin --><Window size=\"650,360\"/>",
         L"Window(size=650,360)"},
        {L"<Window><VerticalLayout><Button name=\"a\"/><Label/></VerticalLayout><Edit/></Window>",
         L"Window[VerticalLayout[Button(name=a) Label] Edit]"},
        {L"<a><b/><!-- between --><c/><?pi x?><d/></a>", L"a[b c d]"},
        {L"<ns:a_b1 x=\"1\"/>", L"ns:a_b1(x=1)"},
        {L"<L\u00E9gende \u00E9t\u00E9=\"1\"/>", L"L\u00E9gende(\u00E9t\u00E9=1)"},
        {L"< a/>", L"a"},
        {L"<a></ a >", L"a"},
        {L"<a/><b/>", L"a b"},
        {L"<a/></b>anything <at all", L"a"},
        {L"<a>text<b/></a>", L"a{text}[b]"},
        {L"<a>  spaced\n text </a>", L"a{  spaced\n text }"},
        {L"<a x=\" v  \n\"/>", L"a(x= v  \n)"},
        {L"<a x=''/>", L""},
    };
    for (const auto& c : cases) {
        CXmlDocument doc;
        const bool loaded = doc.LoadText(c.text);
        if (*c.tree == 0 && !loaded)
            continue;
        ASSERT_TRUE(loaded) << c.text << " " << doc.LastError();
        EXPECT_EQ(Describe(doc), c.tree) << c.text;
    }
}

TEST(XmlDocument, ReadsTheSkinsAttributeQuirks)
{
    const ParseCase cases[] = {
        {L"<Button disabledtextcolor=\"#00FFFFFF\"align=\"center\"/>",
         L"Button(disabledtextcolor=#00FFFFFF;align=center)"},
        {L"<Edit borderround =\"2,2\"/>", L"Edit(borderround=2,2)"},
        {L"<Edit borderround= \"2,2\" font=\"1\"/>", L"Edit(borderround=2,2;font=1)"},
        {L"<Button text=\"Install &gt;&gt;\"/>", L"Button(text=Install >>)"},
        {L"<a x=\"&lt;1&gt;\" y=\"2\" z=\"&quot;&apos;&amp;\"/>", L"a(x=<1>;y=2;z=\"'&)"},
        {L"<a x=\"&#65;&#x41;\"/>", L"a(x=&#65;&#x41;)"},
        {L"<a x=\"&&\" y=\"&amp\" z=\"&AMP;\" w=\"&amp;amp;\"/>", L"a(x=&&;y=&amp;z=&AMP;;w=&amp;)"},
        {L"<a>&lt;b&gt; &amp; c<b/></a>", L"a{<b> & c}[b]"},
        {L"<a>&amp;&amp;&amp;</a>", L"a{&&&}"},
        {L"<a x=\"1\" ></a>", L"a(x=1)"},
        {L"<a x=\"1\"/>", L"a(x=1)"},
    };
    for (const auto& c : cases) {
        CXmlDocument doc(c.text);
        ASSERT_TRUE(doc.IsLoaded()) << c.text << " " << doc.LastError();
        EXPECT_EQ(Describe(doc), c.tree) << c.text;
    }
}

TEST(XmlDocument, EmptyElementsHaveNoAttributesChildrenOrText)
{
    for (const wchar_t* text : {L"<r><a/></r>", L"<r><a /></r>"}) {
        CXmlDocument doc(text);
        const CXmlNode a = doc.Root().FirstChild();
        ASSERT_TRUE(a.IsValid()) << text;
        EXPECT_STREQ(a.Name(), L"a");
        EXPECT_FALSE(a.HasAttributes());
        EXPECT_FALSE(a.HasChildren());
        EXPECT_STREQ(a.Value(), L"");
        EXPECT_FALSE(a.NextSibling().IsValid());
    }
}

TEST(XmlDocument, TextsWithoutElementsLoadWithNoRoot)
{
    for (const wchar_t* text : {L"", L"   \r\n\t", L"<!-- only a comment -->", L"<?xml version=\"1.0\"?>\n",
                                L"</a>", L"</a><b/>"}) {
        CXmlDocument doc;
        EXPECT_TRUE(doc.LoadText(text)) << text;
        EXPECT_TRUE(doc.IsLoaded());
        EXPECT_FALSE(doc.Root().IsValid()) << text;
        EXPECT_EQ(doc.ElementCount(), 1u) << text;
    }
}

TEST(XmlDocument, RootAndItsChildrenMayStayOpenAtTheEnd)
{
    const ParseCase cases[] = {
        {L"<Window>", L"Window"},
        {L"<Window size=\"1,2\">", L"Window(size=1,2)"},
        {L"<Window>caption", L"Window{caption}"},
        {L"<Window>a &amp; b", L"Window{a & b}"},
        {L"<Window><Child/>", L"Window[Child]"},
        {L"<Window>&amp;x<Child>", L"Window{&x}[Child]"},
        {L"<Window><Child>", L"Window[Child]"},
        {L"<Window><Child>text", L"Window[Child{text}]"},
        {L"<Window><Child x=\"1\"><Grand/></Child>", L"Window[Child(x=1)[Grand]]"},
        {L"<Window><!-- open comment", L"Window"},
        {L"<Window>\n  <Child/>\n  ", L"Window{\n  }[Child]"},
    };
    for (const auto& c : cases) {
        CXmlDocument doc(c.text);
        ASSERT_TRUE(doc.IsLoaded()) << c.text << " " << doc.LastError();
        EXPECT_EQ(Describe(doc), c.tree) << c.text;
    }
}

TEST(XmlDocument, NodesWalkParentsChildrenAndSiblings)
{
    CXmlDocument doc(L"<r><a><b/></a><c/></r>");
    const CXmlNode r = doc.Root();
    const CXmlNode a = r.FirstChild();
    const CXmlNode b = a.FirstChild();
    const CXmlNode c = a.NextSibling();
    EXPECT_STREQ(b.Name(), L"b");
    EXPECT_STREQ(c.Name(), L"c");
    EXPECT_STREQ(b.Parent().Name(), L"a");
    EXPECT_STREQ(c.Parent().Name(), L"r");
    EXPECT_FALSE(r.Parent().IsValid());
    EXPECT_FALSE(r.NextSibling().IsValid());
    EXPECT_FALSE(c.NextSibling().IsValid());
    EXPECT_FALSE(b.FirstChild().IsValid());
}

TEST(XmlDocument, SeventyAttributesShowTheFirstSixtyFour)
{
    std::wstring text = L"<a";
    for (int i = 0; i < 70; ++i)
        text += L" k" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
    text += L"/>";
    CXmlDocument doc(text.c_str());
    const CXmlNode a = doc.Root();
    ASSERT_TRUE(a.IsValid()) << doc.LastError();
    EXPECT_EQ(a.AttributeCount(), 64);
    EXPECT_STREQ(a.AttributeName(63), L"k63");
    EXPECT_STREQ(a.AttributeValue(63), L"v63");
    EXPECT_STREQ(a.AttributeName(64), L"");
    EXPECT_STREQ(a.AttributeValue(64), L"");
    EXPECT_TRUE(a.FindAttributeValue(L"k63") != nullptr);
    EXPECT_EQ(a.FindAttributeValue(L"k64"), nullptr);
    wchar_t buffer[8] = {};
    EXPECT_FALSE(a.FindAttribute(L"k64", buffer, 7));
}

TEST(XmlDocument, AttributeLookupsAreExactAndFirstWins)
{
    CXmlDocument doc(L"<a Name=\"upper\" name=\"first\" name=\"second\"/>");
    const CXmlNode a = doc.Root();
    EXPECT_STREQ(a.FindAttributeValue(L"name"), L"first");
    EXPECT_STREQ(a.FindAttributeValue(L"Name"), L"upper");
    EXPECT_EQ(a.FindAttributeValue(L"NAME"), nullptr);
    EXPECT_STREQ(a.AttributeName(-1), L"");
}

TEST(XmlDocument, FindAttributeCopiesAtMostTheCapacity)
{
    CXmlDocument doc(L"<a text=\"Installing\"/>");
    const CXmlNode a = doc.Root();
    wchar_t buffer[6];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_TRUE(a.FindAttribute(L"text", buffer, 5));
    EXPECT_EQ(std::wstring(buffer, 6), L"Insta#");
    wchar_t roomy[32] = {};
    EXPECT_TRUE(a.FindAttribute(L"text", roomy, 31));
    EXPECT_STREQ(roomy, L"Installing");
}

TEST(XmlDocument, InvalidNodesAnswerSafely)
{
    const CXmlNode none;
    wchar_t buffer[4] = {};
    EXPECT_FALSE(none.IsValid());
    EXPECT_EQ(none.Name(), nullptr);
    EXPECT_EQ(none.Value(), nullptr);
    EXPECT_FALSE(none.FirstChild().IsValid());
    EXPECT_FALSE(none.NextSibling().IsValid());
    EXPECT_FALSE(none.Parent().IsValid());
    EXPECT_FALSE(none.HasChildren());
    EXPECT_FALSE(none.HasAttributes());
    EXPECT_EQ(none.AttributeCount(), 0);
    EXPECT_EQ(none.AttributeName(0), nullptr);
    EXPECT_EQ(none.AttributeValue(0), nullptr);
    EXPECT_FALSE(none.FindAttribute(L"x", buffer, 3));
    EXPECT_EQ(none.FindAttributeValue(L"x"), nullptr);
    EXPECT_FALSE(CXmlDocument().Root().IsValid());
}

TEST(XmlDocument, CopiedNodesKeepTheirMappedAttributes)
{
    CXmlDocument doc(L"<a x=\"1\" y=\"2\"><b z=\"3\"/></a>");
    CXmlNode a = doc.Root();
    EXPECT_EQ(a.AttributeCount(), 2);
    const CXmlNode copy = a;
    a = a.FirstChild();
    EXPECT_STREQ(copy.AttributeValue(1), L"2");
    EXPECT_STREQ(a.AttributeValue(0), L"3");
    EXPECT_EQ(a.AttributeCount(), 1);
}

TEST(XmlDocument, TheElementTableGrowsByHalfPlusFiveHundred)
{
    struct Case
    {
        int elements;
        uint32_t capacity;
    };
    // The count includes the reserved entry 0.
    const Case cases[] = {{0, 500}, {499, 500}, {500, 1250}, {1249, 1250}, {1250, 2375}};
    for (const auto& c : cases) {
        std::wstring text = L"<r>";
        for (int i = 1; i < c.elements; ++i)
            text += L"<e/>";
        if (c.elements == 0)
            text.clear();
        CXmlDocument doc;
        ASSERT_TRUE(doc.LoadText(text.c_str()));
        EXPECT_EQ(doc.ElementCount(), static_cast<uint32_t>(c.elements + 1));
        EXPECT_EQ(doc.ElementCapacity(), c.capacity) << c.elements;
    }
    std::wstring deep;
    for (int i = 0; i < 3000; ++i)
        deep += L"<e>";
    for (int i = 0; i < 3000; ++i)
        deep += L"</e>";
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadText(deep.c_str())) << doc.LastError();
    CXmlNode node = doc.Root();
    int depth = 0;
    for (; node.IsValid(); node = node.FirstChild())
        ++depth;
    EXPECT_EQ(depth, 3000);
}

TEST(XmlDocument, EveryLoadStartsFromAnEmptyTable)
{
    CXmlDocument doc(L"<a><b/><c/></a>");
    EXPECT_EQ(doc.ElementCount(), 4u);
    ASSERT_TRUE(doc.LoadText(L"<z/>"));
    EXPECT_EQ(doc.ElementCount(), 2u);
    EXPECT_EQ(Describe(doc), L"z");
    doc.Clear();
    EXPECT_FALSE(doc.IsLoaded());
    EXPECT_FALSE(doc.Root().IsValid());
    EXPECT_FALSE(doc.LoadText(nullptr));
}

} // namespace
