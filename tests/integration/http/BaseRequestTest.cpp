#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "log/Log.h"
#include "net/ApiError.h"
#include "net/BaseRequest.h"
#include "net/InternetRequest.h"
#include "net/WinHttpRequest.h"
#include "platform/Http.h"
#include "platform/System.h"
#include "support/FaultServer.h"
#include "support/LogRecords.h"
#include "support/NginxServer.h"
#include "support/TempDir.h"
#include "support/TestCertificates.h"

namespace {

using sktest::FaultServer;

// Servers behind fixed names: plain.test answers plain HTTP on 443 and 80 (a TLS ClientHello is
// turned away at once), tls.test answers TLS on 443 and nothing on 80.
class BaseRequestTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name :
             {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            unsetenv(name);
        ASSERT_TRUE(sktest::GetTestCertificates().ok);
        ASSERT_TRUE(m_plain.StartPlain());
        ASSERT_TRUE(
            m_tls.StartTls(sktest::GetTestCertificates().certFile, sktest::GetTestCertificates().keyFile));
        plat::test::MapHttpTarget("plain.test", 443, m_plain.Port());
        plat::test::MapHttpTarget("plain.test", 80, m_plain.Port());
        plat::test::MapHttpTarget("tls.test", 443, m_tls.Port());
        plat::test::MapHttpTarget("tls.test", 80, sktest::FreeLoopbackPort());
        logtest::ResetLog();
        InitLog(L"net.log", m_dir.WChild("Log").c_str());
    }
    void TearDown() override
    {
        logtest::ResetLog();
        plat::test::ClearHttpTargets();
        plat::test::ResetHttpOptions();
        plat::test::UseManualClock(false);
    }

    static std::unique_ptr<CBaseRequest> Make(int type)
    {
        return std::unique_ptr<CBaseRequest>(CBaseRequest::CreateInstance(type));
    }

    std::vector<std::string> Records() const
    {
        return sktest::SplitLogRecords(m_dir.ReadFile("Log/net.log"));
    }

    static std::string Thread() { return "[Thread][" + std::to_string(plat::GetCurrentThreadId()) + "] "; }
    static std::string Text(uint32_t code)
    {
        return plat::FormatHttpMessage(plat::GetHttpMessageModule(), code);
    }
    static std::string ApiRecord(const std::string& context, const std::string& api, uint32_t code)
    {
        return Thread() + "[" + context + "]call " + api + " fail " + std::to_string(code) + ", " +
               Text(code) + "\n";
    }

    sktest::TrustTestCa m_trust;
    sktest::TempDir m_dir;
    FaultServer m_plain;
    FaultServer m_tls;
};

TEST_F(BaseRequestTest, APlainOnlyServerIsReachedByWinHttpOnItsSecondAttemptButNotByWinInet)
{
    auto winHttp = Make(0);
    EXPECT_TRUE(winHttp->SendUrlRequest(L"http://plain.test/dir/file.exe"));
    EXPECT_EQ(winHttp->GetStatusCode(), 200);
    EXPECT_EQ(m_plain.RequestCount(), 1u);
    EXPECT_EQ(m_plain.TlsHellos(), 1);
    EXPECT_EQ(Records(),
              (std::vector<std::string>{ApiRecord("CWinHttpRequest::SendRequest", "WinHttpSendRequest",
                                                  plat::kHttpError_SecureFailure)}));

    auto internet = Make(1);
    EXPECT_FALSE(internet->SendUrlRequest(L"http://plain.test/dir/file.exe"));
    EXPECT_EQ(m_plain.RequestCount(), 1u);
    EXPECT_EQ(m_plain.TlsHellos(), 3) << "both WinINet attempts use TLS on 443";
    std::string failed =
        ApiRecord("CInternetRequest::SendRequest", "HttpSendRequest", plat::kHttpError_SecurityChannelError);
    std::vector<std::string> records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1], failed);
    EXPECT_EQ(records[2], failed);
}

TEST_F(BaseRequestTest, AnHttpsUrlIsNeverRetriedOverPlainHttp)
{
    for (int type : {0, 1}) {
        auto request = Make(type);
        EXPECT_FALSE(request->SendUrlRequest(L"https://plain.test/dir/file.exe"));
    }
    EXPECT_EQ(m_plain.TlsHellos(), 2);
    EXPECT_EQ(m_plain.RequestCount(), 0u);
    EXPECT_EQ(Records().size(), 2u);
}

TEST_F(BaseRequestTest, APortWrittenInTheUrlIsUsedForBothAttempts)
{
    auto winHttp = Make(0);
    std::wstring port = std::to_wstring(m_plain.Port());
    EXPECT_TRUE(winHttp->SendUrlRequest(L"http://127.0.0.1:" + port + L"/f.exe"));
    EXPECT_EQ(m_plain.TlsHellos(), 1);
    ASSERT_EQ(m_plain.RequestCount(), 1u);
    EXPECT_EQ(m_plain.Requests()[0].Header("Host"), "127.0.0.1:" + std::to_string(m_plain.Port()));

    auto internet = Make(1);
    EXPECT_TRUE(internet->SendUrlRequest(L"https://localhost:" + std::to_wstring(m_tls.Port()) + L"/f.exe"));
    EXPECT_EQ(m_tls.RequestCount(), 1u);

    auto bad = Make(0);
    EXPECT_FALSE(bad->SendUrlRequest(L"http://plain.test:http/f.exe"));
    EXPECT_EQ(Records().back(),
              ApiRecord("CWinHttpRequest::ConnectSession", "WinHttpConnect", plat::kHttpError_InvalidUrl));
}

TEST_F(BaseRequestTest, AnErrorStatusWithContentLengthIsASuccessfulSendWithThatLength)
{
    for (FaultServer* server : {&m_plain, &m_tls})
        server->SetStatus(404, "no such file");
    for (int type : {0, 1}) {
        auto request = Make(type);
        request->m_verb = type == 0 ? L"HEAD" : L"GET";
        ASSERT_TRUE(request->SendUrlRequest(L"http://tls.test/missing.exe"));
        int size = 0;
        EXPECT_TRUE(request->GetUrlFileSize(size));
        EXPECT_EQ(size, 12);
        EXPECT_EQ(request->GetStatusCode(), 404);
    }
    EXPECT_TRUE(Records().empty());
}

TEST_F(BaseRequestTest, HttpReadGivesZeroAtTheEndAndMinusOneAfterAReset)
{
    std::string body = FaultServer::PatternBytes(250000);
    for (FaultServer* server : {&m_plain, &m_tls})
        server->SetBody(body);
    for (int type : {0, 1}) {
        auto request = Make(type);
        ASSERT_TRUE(request->SendUrlRequest(L"https://tls.test/file.exe"));
        std::string got;
        std::vector<char> buffer(102400);
        int n;
        while ((n = request->HttpRead(buffer.data(), static_cast<int>(buffer.size()))) > 0)
            got.append(buffer.data(), static_cast<size_t>(n));
        EXPECT_EQ(n, 0);
        EXPECT_TRUE(got == body);
        EXPECT_EQ(request->HttpRead(buffer.data(), static_cast<int>(buffer.size())), 0);
    }
    EXPECT_TRUE(Records().empty());

    m_tls.SetResetAfter(100000);
    const char* contexts[] = {"CWinHttpRequest::HttpRead", "CInternetRequest::HttpRead"};
    const char* apis[] = {"WinHttpReadData", "InternetReadFile"};
    uint32_t errors[] = {plat::kHttpError_ConnectionAborted, plat::kHttpError_ConnectionReset};
    for (int type : {0, 1}) {
        auto request = Make(type);
        ASSERT_TRUE(request->SendUrlRequest(L"https://tls.test/file.exe"));
        std::vector<char> buffer(102400);
        int n;
        int total = 0;
        while ((n = request->HttpRead(buffer.data(), static_cast<int>(buffer.size()))) > 0)
            total += n;
        EXPECT_EQ(n, -1);
        EXPECT_LE(total, 100000);
        EXPECT_EQ(Records().back(), ApiRecord(contexts[type], apis[type], errors[type]));
    }
}

TEST_F(BaseRequestTest, TheRangeHeaderArrivesByteForByte)
{
    for (int type : {0, 1}) {
        auto request = Make(type);
        request->m_headers = L"Range:bytes=333-665";
        request->m_maxConnectionsPerServer = 50;
        ASSERT_TRUE(request->SendUrlRequest(L"http://tls.test/dir/valtrix setup.exe"));
        EXPECT_EQ(request->GetStatusCode(), 206);
        EXPECT_EQ(
            m_tls.Requests().back().raw,
            "GET /dir/valtrix%20setup.exe HTTP/1.1\r\nHost: tls.test\r\nAccept: */*\r\nPragma: no-cache\r\n"
            "Cache-Control: no-cache\r\nRange:bytes=333-665\r\n\r\n");
        std::string got;
        char buffer[4096];
        int n;
        while ((n = request->HttpRead(buffer, sizeof buffer)) > 0)
            got.append(buffer, static_cast<size_t>(n));
        EXPECT_TRUE(got == m_tls.Body().substr(333, 333));
    }
}

TEST_F(BaseRequestTest, ConnectionOptionsAreLeftAloneWhenTheLimitIsZero)
{
    auto option = [](uint32_t number) {
        std::string value;
        int result = -1;
        if (CBaseRequest::QueryInternetOpt(number, value) && value.size() == sizeof result)
            std::memcpy(&result, value.data(), sizeof result);
        return result;
    };
    int per11 = option(plat::kInternetOption_MaxConnsPerServer);
    int per10 = option(plat::kInternetOption_MaxConnsPer10Server);
    ASSERT_GT(per11, 0);
    ASSERT_GT(per10, 0);
    for (int type : {0, 1}) {
        auto request = Make(type);
        ASSERT_TRUE(request->SendUrlRequest(L"https://tls.test/f"));
        EXPECT_EQ(option(plat::kInternetOption_MaxConnsPerServer), per11);
        EXPECT_EQ(option(plat::kInternetOption_MaxConnsPer10Server), per10);
    }
    auto limited = Make(0); // applied whatever the back end
    limited->m_maxConnectionsPerServer = 50;
    ASSERT_TRUE(limited->SendUrlRequest(L"https://tls.test/f"));
    EXPECT_EQ(option(plat::kInternetOption_MaxConnsPerServer), 50);
    EXPECT_EQ(option(plat::kInternetOption_MaxConnsPer10Server), 50);
    EXPECT_TRUE(CBaseRequest::InternetSetOpt(plat::kInternetOption_MaxConnsPerServer, 50));
    EXPECT_FALSE(CBaseRequest::InternetSetOpt(plat::kInternetOption_MaxConnsPerServer, -3));
    EXPECT_EQ(Records().back(), "ERR: InternetSetOption fail! 0x57");
    std::string unused;
    EXPECT_FALSE(CBaseRequest::QueryInternetOpt(12345, unused));
}

TEST_F(BaseRequestTest, AMissingOrUnusableContentLengthFailsWithOneRecord)
{
    struct Case
    {
        bool noLength;
        const char* lengthText;
        uint32_t error;
    };
    const Case cases[] = {
        {true, "", plat::kHttpError_HeaderNotFound},
        {false, "3000000000", plat::kHttpError_InvalidHeader},
        {false, "99999999999", plat::kHttpError_InvalidHeader},
    };
    const char* contexts[] = {"CWinHttpRequest::GetUrlFileSize", "CInternetRequest::GetUrlFileSize"};
    const char* apis[] = {"WinHttpQueryHeaders", "HttpQueryInfo"};
    for (const Case& c : cases) {
        m_tls.SetNoContentLength(c.noLength);
        m_tls.SetContentLengthText(c.lengthText);
        for (int type : {0, 1}) {
            auto request = Make(type);
            request->m_verb = L"HEAD";
            ASSERT_TRUE(request->SendUrlRequest(L"https://tls.test/f"));
            size_t before = Records().size();
            int size = -7;
            EXPECT_FALSE(request->GetUrlFileSize(size));
            EXPECT_EQ(size, -7);
            std::vector<std::string> records = Records();
            ASSERT_EQ(records.size(), before + 1) << c.lengthText;
            EXPECT_EQ(records.back(), ApiRecord(contexts[type], apis[type], c.error));
        }
    }
}

TEST_F(BaseRequestTest, AServerThatNeverAnswersFailsWithinTheStallTimeOut)
{
    plat::test::UseManualClock(true);
    m_tls.SetStall(FaultServer::Stall::kBeforeAnswer);
    // The clock moves only once the server holds the request, so connecting never counts.
    auto failsAfterStall = [&](CBaseRequest& request, int stalled) {
        std::atomic<bool> done{false};
        std::thread pump([&] {
            if (!m_tls.WaitStalled(stalled))
                return;
            while (!done) {
                plat::test::AdvanceClock(1000);
                std::this_thread::yield();
            }
        });
        bool sent = request.SendUrlRequest(L"https://tls.test/f");
        done = true;
        pump.join();
        return !sent;
    };
    auto winHttp = Make(0);
    EXPECT_TRUE(failsAfterStall(*winHttp, 1));
    auto internet = Make(1);
    EXPECT_TRUE(failsAfterStall(*internet, 2));
    m_tls.ReleaseStall();
    EXPECT_EQ(
        Records(),
        (std::vector<std::string>{
            ApiRecord("CWinHttpRequest::SendRequest", "WinHttpReceiveResponse", plat::kHttpError_Timeout),
            ApiRecord("CInternetRequest::SendRequest", "HttpSendRequest", plat::kHttpError_Timeout)}));
}

TEST_F(BaseRequestTest, ShowApiErrorWritesTheRecordWithOrWithoutAContext)
{
    ShowApiError("WinHttpConnect", 12029, plat::GetHttpMessageModule(), "CWinHttpRequest::ConnectSession");
    ShowApiError("\"HttpAddRequestHeaders\"", 12150, plat::GetHttpMessageModule(), nullptr);
    ShowApiError("InternetOpen", 12029, nullptr, nullptr);
    EXPECT_EQ(Records(), (std::vector<std::string>{
                             Thread() + "[CWinHttpRequest::ConnectSession]call WinHttpConnect fail 12029, " +
                                 Text(12029) + "\n",
                             Thread() + "call \"HttpAddRequestHeaders\" fail 12150, " + Text(12150) + "\n",
                             Thread() + "call InternetOpen fail 12029, \n",
                         }));
}

TEST(BaseRequestNginx, BothBackEndsFetchARangeFromNginx)
{
    ASSERT_TRUE(sktest::NginxServer::Available());
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        unsetenv(name);
    sktest::TrustTestCa trust;
    sktest::NginxServer nginx;
    std::string body = FaultServer::PatternBytes(1000);
    nginx.WriteFile("dir/file.exe", body);
    ASSERT_TRUE(nginx.Start({true, ""})) << nginx.ErrorLog();
    for (int type : {0, 1}) {
        std::unique_ptr<CBaseRequest> request(CBaseRequest::CreateInstance(type));
        request->m_headers = L"Range:bytes=666-999";
        ASSERT_TRUE(request->SendUrlRequest(L"https://localhost:" + std::to_wstring(nginx.Port()) +
                                            L"/dir/file.exe"));
        EXPECT_EQ(request->GetStatusCode(), 206);
        int size = 0;
        ASSERT_TRUE(request->GetUrlFileSize(size));
        EXPECT_EQ(size, 334);
        std::string got(400, '\0');
        int n = 0;
        int total = 0;
        while ((n = request->HttpRead(got.data() + total, 400 - total)) > 0)
            total += n;
        EXPECT_EQ(n, 0);
        EXPECT_EQ(got.substr(0, static_cast<size_t>(total)), body.substr(666));
    }
}

} // namespace
