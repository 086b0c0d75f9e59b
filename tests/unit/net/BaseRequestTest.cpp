#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/BaseRequest.h"
#include "net/InternetRequest.h"
#include "net/WinHttpRequest.h"
#include "platform/Dialog.h"

namespace {

struct SplitCase
{
    const wchar_t* url;
    bool ok;
    const wchar_t* host;
    const wchar_t* path;
    bool https;
};

TEST(SplitUrl, CutsTheSchemeAndSplitsAtTheFirstSlash)
{
    const SplitCase cases[] = {
        {L"https://dl.example.com/dir/file.exe", true, L"dl.example.com", L"dir/file.exe", true},
        {L"http://dl.example.com/dir/file.exe", true, L"dl.example.com", L"dir/file.exe", false},
        {L"http://host/", true, L"host", L"", false},
        {L"http://host/a/b?x=1&y=/z", true, L"host", L"a/b?x=1&y=/z", false},
        {L"https://host:8443/f.exe", true, L"host:8443", L"f.exe", true},
        {L"http:///f", true, L"", L"f", false},
        {L"https://dl.example.com", false, L"", L"", false},
        {L"ftp://host/file", false, L"", L"", false},
        {L"see https://host/file", false, L"", L"", false},
        {L"HTTP://host/file", false, L"", L"", false},
        {L"https:/host/file", false, L"", L"", false},
        {L"", false, L"", L"", false},
    };
    for (const SplitCase& c : cases) {
        std::wstring host = L"unchanged";
        std::wstring path = L"unchanged";
        bool https = !c.https;
        ASSERT_EQ(CBaseRequest::SplitUrl(c.url, host, path, &https), c.ok) << c.url;
        if (!c.ok)
            continue;
        EXPECT_EQ(host, c.host) << c.url;
        EXPECT_EQ(path, c.path) << c.url;
        EXPECT_EQ(https, c.https) << c.url;
    }
}

TEST(SplitUrl, AMalformedUrlFailsTheSendBeforeAnyHandleIsOpened)
{
    for (const wchar_t* url : {L"https://host", L"file:///etc/passwd", L"//host/x"}) {
        CWinHttpRequest request;
        EXPECT_FALSE(request.SendUrlRequest(url));
        EXPECT_EQ(request.m_session, nullptr);
        EXPECT_TRUE(request.m_host.empty());
    }
}

TEST(BaseRequest, StartsAsAGetWithNothingOpen)
{
    CInternetRequest request;
    EXPECT_EQ(request.m_verb, L"GET");
    EXPECT_TRUE(request.m_headers.empty());
    EXPECT_EQ(request.m_session, nullptr);
    EXPECT_EQ(request.m_connection, nullptr);
    EXPECT_EQ(request.m_request, nullptr);
    EXPECT_EQ(request.m_maxConnectionsPerServer, 0);
    EXPECT_EQ(request.GetStatusCode(), 0);
    int size = 7;
    EXPECT_FALSE(request.GetUrlFileSize(size));
    EXPECT_EQ(size, 7);
}

TEST(BaseRequest, CreateInstanceGivesEachBackEndAndAssertsOnOtherTypes)
{
    std::vector<plat::MessageBoxRequest> boxes;
    plat::test::SetMessageBoxResponder([&](const plat::MessageBoxRequest& box) {
        boxes.push_back(box);
        return plat::kID_No;
    });
    std::unique_ptr<CBaseRequest> winHttp(CBaseRequest::CreateInstance(0));
    std::unique_ptr<CBaseRequest> internet(CBaseRequest::CreateInstance(1));
    ASSERT_TRUE(winHttp && internet);
    EXPECT_STREQ(winHttp->GetTypeName(), "WinHttp");
    EXPECT_STREQ(internet->GetTypeName(), "Internet");
    EXPECT_TRUE(boxes.empty());

    EXPECT_EQ(CBaseRequest::CreateInstance(2), nullptr);
    EXPECT_EQ(CBaseRequest::CreateInstance(-1), nullptr);
    plat::test::SetMessageBoxResponder(nullptr);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"Assert(false);\n (in function CBaseRequest::CreateInstance,at line 15)\n is "
                             L"Debug?\nERR:un support type 2\n");
    EXPECT_EQ(boxes[0].caption, L"AssertError!");
    EXPECT_NE(boxes[1].text.find(L"ERR:un support type -1"), std::wstring::npos);
}

} // namespace
