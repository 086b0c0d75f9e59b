#include <gtest/gtest.h>

#include <string>

#include "ui/core/XmlDocument.h"

using SkinUI::CXmlDocument;

namespace {

struct ErrorCase
{
    const wchar_t* text;
    const wchar_t* message;
    const wchar_t* location;
};

TEST(XmlErrors, EachFailureReportsItsMessageAndLocation)
{
    const ErrorCase cases[] = {
        {L"abc", L"Expected start tag", L"abc"},
        {L"  <a/>  x", L"Expected start tag", L"x"},
        {L"<a>x</a>junk", L"Expected start tag", L"junk"},
        {L"<a>text<b/>more</a>", L"Expected start tag", L"more</a>"},
        {L"<a><b><c/>", L"Expected start tag", L""},
        {L"<a><b><c/>   ", L"Expected start tag", L""},
        {L"<a><b><!-- -->", L"Expected start tag", L""},
        {L"<a", L"Error parsing element name", L""},
        {L"<", L"Error parsing element name", L""},
        {L"<a b>", L"Error while parsing attributes", L">"},
        {L"<a b=\"1\"c", L"Error while parsing attributes", L""},
        {L"<a -x=\"1\"/>", L"Error while parsing attributes", L"-x=\"1\"/>"},
        {L"<a b='1'/>", L"Expected attribute value", L"1'/>"},
        {L"<a b=", L"Expected attribute value", L""},
        {L"<a b=\"1", L"Error while parsing attribute string", L""},
        {L"<a b=\"1&amp;2", L"Error while parsing attribute string", L""},
        {L"<a b=\"1\" / >", L"Expected start-tag closing", L"/ >"},
        {L"<a b=\"1\" ?>", L"Error while parsing attributes", L"?>"},
        {L"<a b=\"1\" /x>", L"Expected start-tag closing", L"/x>"},
        {L"<a><b><c>text", L"Expected end-tag start", L""},
        {L"<a></b>", L"Unmatched closing tag", L"b>"},
        {L"<ab></a>", L"Unmatched closing tag", L"a>"},
        {L"<a></ab>", L"Unmatched closing tag", L">"},
        {L"<a></a", L"Unmatched closing tag", L""},
        {L"<a><b></a></b>", L"Unmatched closing tag", L"a></b>"},
    };
    for (const auto& c : cases) {
        CXmlDocument doc;
        EXPECT_FALSE(doc.LoadText(c.text)) << c.text;
        EXPECT_STREQ(doc.LastError(), c.message) << c.text;
        EXPECT_STREQ(doc.LastErrorLocation(), c.location) << c.text;
        EXPECT_FALSE(doc.IsLoaded()) << c.text;
        EXPECT_FALSE(doc.Root().IsValid()) << c.text;
    }
}

TEST(XmlErrors, TheLocationKeepsAtMostFortyNineCharacters)
{
    const std::wstring tail(100, L'x');
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadText((L"<a/>" + tail).c_str()));
    EXPECT_EQ(std::wstring(doc.LastErrorLocation()), tail.substr(0, 49));
}

TEST(XmlErrors, TheLocationReadsTheRewrittenText)
{
    // The failing value was decoded in place before the text ended.
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadText(L"<a><b><c x=\"&lt;\">&amp;"));
    EXPECT_STREQ(doc.LastError(), L"Expected end-tag start");
    EXPECT_STREQ(doc.LastErrorLocation(), L"");
    // After a closing name the location skips the character that should have been ">".
    EXPECT_FALSE(doc.LoadText(L"<a></a b>"));
    EXPECT_STREQ(doc.LastErrorLocation(), L">");
}

TEST(XmlErrors, TheErrorSurvivesClearButNotTheNextParse)
{
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadText(L"<a></b>"));
    doc.Clear();
    EXPECT_STREQ(doc.LastError(), L"Unmatched closing tag");
    EXPECT_TRUE(doc.LoadText(L"<a/>"));
    EXPECT_STREQ(doc.LastError(), L"");
    EXPECT_STREQ(doc.LastErrorLocation(), L"");
}

TEST(XmlErrors, AFailedLoadLeavesNothingOfAnEarlierDocument)
{
    CXmlDocument doc(L"<Window/>");
    ASSERT_TRUE(doc.Root().IsValid());
    EXPECT_FALSE(doc.LoadText(L"<a></b>"));
    EXPECT_FALSE(doc.IsLoaded());
    EXPECT_FALSE(doc.Root().IsValid());
}

TEST(XmlErrors, FailLoadRecordsAMessageWithoutLocation)
{
    CXmlDocument doc(L"<a></b>");
    ASSERT_STRNE(doc.LastErrorLocation(), L"");
    ASSERT_TRUE(doc.LoadText(L"<a/>"));
    EXPECT_FALSE(doc.FailLoad(L"File too large"));
    EXPECT_STREQ(doc.LastError(), L"File too large");
    EXPECT_STREQ(doc.LastErrorLocation(), L"");
    EXPECT_FALSE(doc.IsLoaded());
    const std::wstring longMessage(150, L'm');
    doc.FailLoad(longMessage.c_str());
    EXPECT_EQ(std::wstring(doc.LastError()), longMessage.substr(0, 99));
}

} // namespace
