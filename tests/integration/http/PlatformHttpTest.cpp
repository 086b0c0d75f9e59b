#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <thread>

#include "HttpClient.h"
#include "platform/Http.h"
#include "platform/System.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"
#include "support/TestCertificates.h"

namespace {

using httptest::CPlatformRequest;
using sktest::FaultServer;

constexpr uint32_t kWinHttpRefresh = plat::kWinHttpFlag_Refresh;
constexpr uint32_t kWinHttpSecure = plat::kWinHttpFlag_Secure;
constexpr uint32_t kWinInetFlags = 0x80CC8200;

// Tests reach their servers directly, whatever proxy the machine names.
class ScopedNoProxy
{
public:
    ScopedNoProxy()
    {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
    }
    ~ScopedNoProxy()
    {
        for (auto& [name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

private:
    static constexpr const char* kNames[] = {"http_proxy",  "HTTP_PROXY", "https_proxy",
                                             "HTTPS_PROXY", "all_proxy",  "ALL_PROXY"};
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// Moves the test clock on in steps of one second until stopped, so that a wait on it ends
// whenever it began.
class ClockPump
{
public:
    ClockPump()
        : m_thread([this] {
              while (!m_stop) {
                  plat::test::AdvanceClock(1000);
                  std::this_thread::yield();
              }
          })
    {}
    ~ClockPump()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class PlatformHttp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sktest::GetTestCertificates().ok);
        ASSERT_TRUE(m_plain.StartPlain());
        ASSERT_TRUE(
            m_tls.StartTls(sktest::GetTestCertificates().certFile, sktest::GetTestCertificates().keyFile));
        plat::test::MapHttpTarget("download.test", 80, m_plain.Port());
        plat::test::MapHttpTarget("download.test", 443, m_tls.Port());
        plat::test::MapHttpTarget("plain.test", 443, m_plain.Port());
    }
    void TearDown() override
    {
        plat::test::ClearHttpTargets();
        plat::test::ResetHttpOptions();
        plat::test::UseManualClock(false);
    }

    ScopedNoProxy m_noProxy;
    sktest::TrustTestCa m_trust;
    FaultServer m_plain;
    FaultServer m_tls;
};

TEST_F(PlatformHttp, EachBackEndSendsExactlyTheDocumentedHeaders)
{
    struct Case
    {
        bool winInet;
        const wchar_t* verb;
        uint32_t flags;
        uint16_t port;
        const wchar_t* headers;
        std::string expected;
    };
    const Case cases[] = {
        {false, L"GET", kWinHttpRefresh, 80, L"Range:bytes=0-332",
         "GET /dir/file.exe HTTP/1.1\r\nHost: download.test\r\nAccept: */*\r\nPragma: no-cache\r\n"
         "Cache-Control: no-cache\r\nRange:bytes=0-332\r\n\r\n"},
        {false, L"HEAD", kWinHttpSecure, 443, L"",
         "HEAD /dir/file.exe HTTP/1.1\r\nHost: download.test\r\nAccept: */*\r\n\r\n"},
        {true, L"GET", kWinInetFlags, 443, L"Range:bytes=666-999",
         "GET /dir/file.exe HTTP/1.1\r\nHost: download.test\r\nAccept: */*\r\nPragma: no-cache\r\n"
         "Cache-Control: no-cache\r\nRange:bytes=666-999\r\n\r\n"},
    };
    for (const Case& c : cases) {
        FaultServer& server = c.port == 443 ? m_tls : m_plain;
        size_t before = server.RequestCount();
        CPlatformRequest request(c.winInet);
        ASSERT_TRUE(request.Open(L"download.test", c.port, c.verb, L"dir/file.exe", c.flags));
        if (*c.headers) {
            ASSERT_TRUE(request.AddHeaders(c.headers));
        }
        ASSERT_TRUE(request.Send()) << plat::GetLastHttpError();
        ASSERT_EQ(server.RequestCount(), before + 1);
        EXPECT_EQ(server.Requests().back().raw, c.expected);
    }
}

TEST_F(PlatformHttp, PathsArePercentEncodedAsUtf8)
{
    CPlatformRequest request(false);
    ASSERT_TRUE(request.Open(L"download.test", 80, L"HEAD", L"dir/\u00FC x.exe?a=b c&d=%41", 0));
    ASSERT_TRUE(request.Send());
    EXPECT_EQ(m_plain.Requests().back().RequestLine(), "HEAD /dir/%C3%BC%20x.exe?a=b%20c&d=%41 HTTP/1.1");
}

TEST_F(PlatformHttp, SmallPullsReassembleTheBodyAndEndWithZero)
{
    std::string body = FaultServer::PatternBytes(200000);
    m_plain.SetBody(body);
    for (bool winInet : {false, true}) {
        for (uint32_t pull : {7u, 4096u, 102400u}) {
            CPlatformRequest request(winInet);
            FaultServer& server = winInet ? m_tls : m_plain;
            server.SetBody(body);
            ASSERT_TRUE(request.Open(L"download.test", winInet ? 443 : 80, L"GET", L"f",
                                     winInet ? kWinInetFlags : 0));
            ASSERT_TRUE(request.Send());
            std::string got;
            ASSERT_TRUE(request.ReadAll(got, pull));
            EXPECT_EQ(got.size(), body.size());
            EXPECT_TRUE(got == body);
            char more[16];
            EXPECT_EQ(request.Read(more, sizeof more), 0) << "the end stays the end";
        }
    }
}

TEST_F(PlatformHttp, ContentLengthReadsAsNumberAndText)
{
    m_plain.SetBody(std::string(12345, 'x'));
    CPlatformRequest request(false);
    ASSERT_TRUE(request.Open(L"download.test", 80, L"HEAD", L"f", 0));
    ASSERT_TRUE(request.Send());
    uint32_t number = 0;
    ASSERT_TRUE(request.QueryNumber(plat::kHttpQuery_ContentLength, number));
    EXPECT_EQ(number, 12345u);
    std::wstring text;
    ASSERT_TRUE(request.QueryText(plat::kHttpQuery_ContentLength, text));
    EXPECT_EQ(text, L"12345");
    uint32_t status = 0;
    ASSERT_TRUE(request.QueryNumber(plat::kHttpQuery_StatusCode, status));
    EXPECT_EQ(status, 200u);
    EXPECT_EQ(plat::HttpGetStatusCode(request.Handle()), 200);
}

TEST_F(PlatformHttp, ContentLengthQueriesFailWithTheirErrorNumbers)
{
    struct Case
    {
        bool noLength;
        std::string lengthText;
        uint32_t numberError; // 0: the number query succeeds
        bool textOk;
    };
    const Case cases[] = {
        {true, "", plat::kHttpError_HeaderNotFound, false},
        {false, "99999999999", plat::kHttpError_InvalidHeader, true},
    };
    for (const Case& c : cases) {
        m_plain.SetNoContentLength(c.noLength);
        m_plain.SetContentLengthText(c.lengthText);
        CPlatformRequest request(false);
        ASSERT_TRUE(request.Open(L"download.test", 80, L"HEAD", L"f", 0));
        ASSERT_TRUE(request.Send());
        uint32_t number = 0;
        EXPECT_FALSE(request.QueryNumber(plat::kHttpQuery_ContentLength, number));
        EXPECT_EQ(plat::GetLastHttpError(), c.numberError);
        std::wstring text;
        EXPECT_EQ(request.QueryText(plat::kHttpQuery_ContentLength, text), c.textOk);
    }
}

TEST_F(PlatformHttp, BrokenAnswersFailTheSendWithInvalidResponse)
{
    const std::string answers[] = {
        "garbage that is no HTTP at all\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n",
    };
    for (const std::string& answer : answers) {
        m_plain.SetRawAnswer(answer);
        for (bool winInet : {false, true}) {
            CPlatformRequest request(winInet);
            ASSERT_TRUE(request.Open(L"download.test", 80, L"GET", L"f", 0));
            EXPECT_FALSE(request.Send());
            EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_InvalidServerResponse) << answer;
        }
    }
}

TEST_F(PlatformHttp, AResetDuringTheBodyFailsTheReadWithTheFamilysNumber)
{
    m_plain.SetBody(FaultServer::PatternBytes(100000));
    m_plain.SetResetAfter(30000);
    for (auto [winInet, error] : {std::pair{false, plat::kHttpError_ConnectionAborted},
                                  std::pair{true, plat::kHttpError_ConnectionReset}}) {
        CPlatformRequest request(winInet);
        ASSERT_TRUE(request.Open(L"download.test", 80, L"GET", L"f", 0));
        ASSERT_TRUE(request.Send());
        std::string got;
        EXPECT_FALSE(request.ReadAll(got, 4096));
        EXPECT_EQ(plat::GetLastHttpError(), error);
        EXPECT_LE(got.size(), 30000u);
        char more[16];
        EXPECT_EQ(request.Read(more, sizeof more), -1) << "a failed transfer stays failed";
    }
}

TEST_F(PlatformHttp, ABodyCutShortByTheServerFailsTheRead)
{
    m_plain.SetContentLengthText("5000"); // 1000 bytes follow, then the server closes
    CPlatformRequest request(false);
    ASSERT_TRUE(request.Open(L"download.test", 80, L"GET", L"f", 0));
    ASSERT_TRUE(request.Send());
    std::string got;
    EXPECT_FALSE(request.ReadAll(got, 4096));
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_ConnectionAborted);
}

TEST_F(PlatformHttp, AServerThatNeverAnswersTimesOutAfterThirtySeconds)
{
    plat::test::UseManualClock(true);
    m_plain.SetStall(FaultServer::Stall::kBeforeAnswer);
    CPlatformRequest request(false);
    ASSERT_TRUE(request.Open(L"download.test", 80, L"GET", L"f", 0));
    ASSERT_TRUE(plat::WinHttpSendRequest(request.Handle()));
    uint64_t start = plat::GetTickCount64();
    {
        ClockPump pump;
        EXPECT_FALSE(plat::WinHttpReceiveResponse(request.Handle()));
    }
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_Timeout);
    EXPECT_GE(plat::GetTickCount64() - start, 30000u);
    m_plain.ReleaseStall();
}

TEST_F(PlatformHttp, AStalledBodyTimesOutOnlyWhileAReadWaits)
{
    plat::test::UseManualClock(true);
    m_plain.SetBody(FaultServer::PatternBytes(50000));
    m_plain.SetStall(FaultServer::Stall::kAfterBytes, 20000);
    CPlatformRequest request(false);
    ASSERT_TRUE(request.Open(L"download.test", 80, L"GET", L"f", 0));
    ASSERT_TRUE(request.Send());
    ASSERT_TRUE(m_plain.WaitStalled(1));
    // The caller holding the transfer for minutes is no stall.
    plat::test::AdvanceClock(120000);
    std::string got;
    char buffer[1000];
    while (got.size() < 20000) {
        long n = request.Read(buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        got.append(buffer, static_cast<size_t>(n));
    }
    uint64_t start = plat::GetTickCount64();
    {
        ClockPump pump;
        EXPECT_EQ(request.Read(buffer, sizeof buffer), -1);
    }
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_Timeout);
    EXPECT_GE(plat::GetTickCount64() - start, 30000u);
    m_plain.ReleaseStall();
}

TEST_F(PlatformHttp, AHandshakeThatNeverCompletesTimesOutAfterSixtySeconds)
{
    // A listening socket nobody accepts from: the kernel completes TCP, TLS never starts.
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(fd, 4), 0);
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    plat::test::MapHttpTarget("tls.test", 443, ntohs(address.sin_port));

    plat::test::UseManualClock(true);
    CPlatformRequest request(false);
    ASSERT_TRUE(request.Open(L"tls.test", 443, L"GET", L"f", kWinHttpSecure));
    uint64_t start = plat::GetTickCount64();
    {
        ClockPump pump;
        EXPECT_FALSE(plat::WinHttpSendRequest(request.Handle()));
    }
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_Timeout);
    EXPECT_GE(plat::GetTickCount64() - start, 60000u);
    close(fd);
}

TEST_F(PlatformHttp, TlsFailuresAreSecureFailuresOfEachFamily)
{
    // The plain server turns a ClientHello away at once.
    for (auto [winInet, error] : {std::pair{false, plat::kHttpError_SecureFailure},
                                  std::pair{true, plat::kHttpError_SecurityChannelError}}) {
        CPlatformRequest request(winInet);
        ASSERT_TRUE(request.Open(L"plain.test", 443, L"GET", L"f", winInet ? kWinInetFlags : kWinHttpSecure));
        EXPECT_FALSE(request.Send());
        EXPECT_EQ(plat::GetLastHttpError(), error);
    }
    EXPECT_EQ(m_plain.TlsHellos(), 2);
    EXPECT_EQ(m_plain.RequestCount(), 0u);
}

TEST_F(PlatformHttp, AnUntrustedCertificateIsRefused)
{
    FaultServer untrusted;
    const auto& certs = sktest::GetTestCertificates();
    ASSERT_TRUE(untrusted.StartTls(certs.untrustedCertFile, certs.untrustedKeyFile));
    plat::test::MapHttpTarget("tls.test", 443, untrusted.Port());
    CPlatformRequest request(false);
    ASSERT_TRUE(request.Open(L"tls.test", 443, L"GET", L"f", kWinHttpSecure));
    EXPECT_FALSE(request.Send());
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_InvalidCa);
    EXPECT_EQ(untrusted.RequestCount(), 0u);
}

TEST_F(PlatformHttp, RedirectsAreFollowedWithTheirHeadersButNeverFromTlsToPlain)
{
    FaultServer target;
    ASSERT_TRUE(target.StartPlain());
    plat::test::MapHttpTarget("plain.test", 80, target.Port());
    m_plain.SetStatus(302, "");
    m_plain.SetExtraHeaders({"Location: http://plain.test/moved.exe"});
    {
        CPlatformRequest request(false);
        ASSERT_TRUE(request.Open(L"download.test", 80, L"GET", L"f", 0));
        ASSERT_TRUE(request.AddHeaders(L"Range:bytes=5-9"));
        ASSERT_TRUE(request.Send());
        EXPECT_EQ(plat::HttpGetStatusCode(request.Handle()), 206);
        ASSERT_EQ(target.RequestCount(), 1u);
        EXPECT_EQ(target.Requests()[0].RequestLine(), "GET /moved.exe HTTP/1.1");
        EXPECT_EQ(target.Requests()[0].Header("Range"), "bytes=5-9");
    }
    m_tls.SetStatus(302, "");
    m_tls.SetExtraHeaders({"Location: http://plain.test/moved.exe"});
    CPlatformRequest request(false);
    ASSERT_TRUE(request.Open(L"download.test", 443, L"GET", L"f", kWinHttpSecure));
    EXPECT_FALSE(request.Send());
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_RedirectFailed);
    EXPECT_EQ(target.RequestCount(), 1u);
}

TEST_F(PlatformHttp, ConnectionOptionsLimitOnlyWinInetRequests)
{
    uint32_t value = 0;
    uint32_t length = 0;
    EXPECT_FALSE(
        plat::InternetQueryOption(nullptr, plat::kInternetOption_MaxConnsPerServer, nullptr, &length));
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_InsufficientBuffer);
    EXPECT_EQ(length, 4u);
    uint32_t one = 1;
    ASSERT_TRUE(plat::InternetSetOption(nullptr, plat::kInternetOption_MaxConnsPerServer, &one, sizeof one));
    ASSERT_TRUE(plat::InternetQueryOption(nullptr, plat::kInternetOption_MaxConnsPerServer, &value, &length));
    EXPECT_EQ(value, 1u);

    // Two WinHTTP requests to the same server hold connections at the same time.
    CPlatformRequest a(false);
    CPlatformRequest b(false);
    ASSERT_TRUE(a.Open(L"download.test", 80, L"GET", L"f", 0) && a.Send());
    ASSERT_TRUE(b.Open(L"download.test", 80, L"GET", L"f", 0) && b.Send());

    CPlatformRequest first(true);
    ASSERT_TRUE(first.Open(L"download.test", 80, L"GET", L"f", 0) && first.Send());
    size_t before = m_plain.RequestCount();
    bool secondSent = false;
    std::thread second([&] {
        CPlatformRequest request(true);
        secondSent = request.Open(L"download.test", 80, L"GET", L"f", 0) && request.Send();
    });
    while (plat::test::HttpRequestsWaitingForSlot() == 0)
        std::this_thread::yield();
    EXPECT_EQ(m_plain.RequestCount(), before);
    first.Close();
    second.join();
    EXPECT_TRUE(secondSent);
    EXPECT_EQ(m_plain.RequestCount(), before + 1);
}

TEST_F(PlatformHttp, AServerThatAnsweredHttp10IsLimitedByOption74)
{
    uint32_t one = 1;
    uint32_t five = 5;
    ASSERT_TRUE(
        plat::InternetSetOption(nullptr, plat::kInternetOption_MaxConnsPerServer, &five, sizeof five));
    ASSERT_TRUE(
        plat::InternetSetOption(nullptr, plat::kInternetOption_MaxConnsPer10Server, &one, sizeof one));
    m_plain.SetRawAnswer("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc");
    {
        CPlatformRequest learn(true);
        ASSERT_TRUE(learn.Open(L"download.test", 80, L"GET", L"f", 0) && learn.Send());
    }
    CPlatformRequest first(true);
    ASSERT_TRUE(first.Open(L"download.test", 80, L"GET", L"f", 0) && first.Send());
    bool secondSent = false;
    std::thread second([&] {
        CPlatformRequest request(true);
        secondSent = request.Open(L"download.test", 80, L"GET", L"f", 0) && request.Send();
    });
    while (plat::test::HttpRequestsWaitingForSlot() == 0)
        std::this_thread::yield();
    std::string body;
    EXPECT_TRUE(first.ReadAll(body, 16)); // the end of the body frees the slot
    EXPECT_EQ(body, "abc");
    second.join();
    EXPECT_TRUE(secondSent);
}

TEST_F(PlatformHttp, HandlesOfTheWrongFamilyOrStateAreRefused)
{
    CPlatformRequest winInet(true);
    ASSERT_TRUE(winInet.Open(L"download.test", 80, L"GET", L"f", 0));
    uint32_t read = 0;
    char buffer[4];
    EXPECT_FALSE(plat::WinHttpReadData(winInet.Handle(), buffer, sizeof buffer, &read));
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_IncorrectHandleType);
    EXPECT_FALSE(plat::InternetReadFile(winInet.Handle(), buffer, sizeof buffer, &read));
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_IncorrectHandleState);
    EXPECT_FALSE(plat::WinHttpCloseHandle(nullptr));
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_InvalidHandle);
    plat::HttpHandle session = plat::WinHttpOpen(nullptr, 1, nullptr, nullptr, 0);
    EXPECT_EQ(plat::WinHttpConnect(session, L"bad host/x", 80), nullptr);
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_InvalidUrl);
    EXPECT_TRUE(plat::WinHttpCloseHandle(session));
    EXPECT_FALSE(plat::WinHttpCloseHandle(session));
    EXPECT_EQ(plat::GetLastHttpError(), plat::kHttpError_InvalidHandle);
}

TEST(PlatformHttpState, ConnectedStateNamesAProxyOnlyWhenTheEnvironmentDoes)
{
    ScopedNoProxy noProxy;
    uint32_t flags = 0;
    ASSERT_TRUE(plat::InternetGetConnectedState(&flags));
    EXPECT_EQ(flags & plat::kInternetConnection_Proxy, 0u);
    setenv("https_proxy", "http://127.0.0.1:9", 1);
    ASSERT_TRUE(plat::InternetGetConnectedState(&flags));
    EXPECT_NE(flags & plat::kInternetConnection_Proxy, 0u);
}

TEST(PlatformHttpState, ErrorNumbersHaveTextsInTheMessageModule)
{
    plat::MessageModule module = plat::GetHttpMessageModule();
    for (uint32_t code : {12002u, 12007u, 12029u, 12030u, 12031u, 12152u, 12157u, 12175u})
        EXPECT_FALSE(plat::FormatHttpMessage(module, code).empty()) << code;
    EXPECT_TRUE(plat::FormatHttpMessage(module, 4242).empty());
    EXPECT_TRUE(plat::FormatHttpMessage(nullptr, 12002).empty());
}

TEST(PlatformHttpNginx, BothFamiliesFetchAFileOverPlainAndTls)
{
    ASSERT_TRUE(sktest::NginxServer::Available());
    ScopedNoProxy noProxy;
    sktest::TrustTestCa trust;
    std::string body = FaultServer::PatternBytes(3 * 1024 * 1024 + 17);
    for (bool https : {false, true}) {
        sktest::NginxServer nginx;
        nginx.WriteFile("dir/file.exe", body);
        ASSERT_TRUE(nginx.Start({https, ""})) << nginx.ErrorLog();
        for (bool winInet : {false, true}) {
            CPlatformRequest request(winInet);
            uint32_t flags = winInet ? (https ? kWinInetFlags : 0) : (https ? kWinHttpSecure : 0);
            ASSERT_TRUE(request.Open(L"localhost", nginx.Port(), L"GET", L"dir/file.exe", flags));
            ASSERT_TRUE(request.Send()) << plat::GetLastHttpError();
            std::string got;
            ASSERT_TRUE(request.ReadAll(got, 102400));
            EXPECT_EQ(got.size(), body.size());
            EXPECT_TRUE(got == body);
        }
    }
}

} // namespace
