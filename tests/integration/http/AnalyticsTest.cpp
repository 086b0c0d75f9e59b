#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "net/AnalyticsClient.h"
#include "platform/Http.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"
#include "support/TempDir.h"
#include "support/TestCertificates.h"

namespace {

using sktest::FaultServer;

constexpr const wchar_t* kClientKey = L"SOFTWARE\\WOW6432Node\\Valtrix\\ValtrixDown";

// collect.test stands for the collection host; each test maps its ports 443 and 80 to a server.
class AnalyticsTest : public ::testing::Test
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
        plat::test::SetRegistryRoot(m_dir.WChild("registry"));
        m_client = CAnalyticsClient::GetInstance();
    }
    void TearDown() override
    {
        plat::test::ClearHttpTargets();
        plat::test::SetRegistryRoot(L"");
        m_client->SetHitTarget(L"", L"");
    }

    void Route(uint16_t tlsPort, uint16_t plainPort)
    {
        plat::test::MapHttpTarget("collect.test", 443, tlsPort);
        plat::test::MapHttpTarget("collect.test", 80, plainPort);
    }

    static std::string HitLine(const std::string& id, const std::string& action)
    {
        return "HEAD /collect?v=1&t=event&tid=UA-31809472-27&cid=" + id +
               "&ec=Valtrix%20Norvane%20(Windows%20version)&el=" + id + "&ea=" + action + " HTTP/1.1";
    }

    sktest::TrustTestCa m_trust;
    sktest::TempDir m_dir;
    FaultServer m_plain;
    FaultServer m_tls;
    CAnalyticsClient* m_client = nullptr;
};

TEST_F(AnalyticsTest, TheThreeEventsSendTheirExactHitsOverTls)
{
    Route(m_tls.Port(), m_plain.Port());
    ComposeAnalyticsTarget(L"Valtrix Norvane", L"collect.test");
    const std::string id = plat::WideToUtf8(m_client->GetClientId());
    ASSERT_EQ(id.size(), 36u);

    EXPECT_TRUE(m_client->SendStartInstall());
    EXPECT_TRUE(m_client->SendDownloaderInstalled());
    EXPECT_TRUE(m_client->SendInstalledSucceed());
    auto requests = m_tls.Requests();
    ASSERT_EQ(requests.size(), 3u);
    const char* actions[] = {"Downloader_Start_Install", "Downloader_Installed", "Installed_Succeed"};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(requests[i].raw, HitLine(id, actions[i]) + "\r\nHost: collect.test\r\nAccept: */*\r\n\r\n");
    EXPECT_EQ(m_plain.RequestCount(), 0u);
}

TEST_F(AnalyticsTest, WhenTlsIsBlockedTheFirstHitFallsBackAndLaterHitsGoStraightToPlain)
{
    Route(m_plain.Port(), m_plain.Port()); // the ClientHello on 443 is turned away
    ComposeAnalyticsTarget(L"Valtrix Norvane", L"collect.test");
    const std::string id = plat::WideToUtf8(m_client->GetClientId());

    EXPECT_TRUE(m_client->SendStartInstall());
    EXPECT_EQ(m_plain.TlsHellos(), 1);
    EXPECT_FALSE(m_client->IsUsingTls());
    EXPECT_TRUE(m_client->SendDownloaderInstalled());
    EXPECT_TRUE(m_client->SendInstalledSucceed());
    EXPECT_EQ(m_plain.TlsHellos(), 1) << "no TLS attempt after the fallback";
    auto requests = m_plain.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].raw, HitLine(id, "Downloader_Start_Install") +
                                   "\r\nHost: collect.test\r\nAccept: */*\r\nPragma: no-cache\r\n"
                                   "Cache-Control: no-cache\r\n\r\n");
    EXPECT_EQ(requests[2].RequestLine(), HitLine(id, "Installed_Succeed"));

    // A later start-install hit tries TLS again.
    Route(m_tls.Port(), m_plain.Port());
    EXPECT_TRUE(m_client->SendStartInstall());
    EXPECT_TRUE(m_client->IsUsingTls());
    EXPECT_EQ(m_tls.RequestCount(), 1u);
}

TEST_F(AnalyticsTest, WithBothPortsBlockedEveryHitFailsQuietly)
{
    uint16_t closed = sktest::FreeLoopbackPort();
    Route(closed, closed);
    ComposeAnalyticsTarget(L"Valtrix Norvane", L"collect.test");
    EXPECT_FALSE(m_client->SendStartInstall());
    EXPECT_FALSE(m_client->SendDownloaderInstalled());
    EXPECT_FALSE(m_client->SendInstalledSucceed());
}

TEST_F(AnalyticsTest, WithoutAHostOrHitPathNoRequestIsMade)
{
    Route(m_tls.Port(), m_plain.Port());
    ComposeAnalyticsTarget(L"Valtrix Norvane", L"");
    EXPECT_TRUE(m_client->Host().empty());
    EXPECT_FALSE(m_client->HitPath().empty());
    EXPECT_FALSE(m_client->SendStartInstall());
    EXPECT_FALSE(m_client->SendInstalledSucceed());
    m_client->SetHitTarget(L"collect.test", L"");
    EXPECT_FALSE(m_client->SendStartInstall());
    EXPECT_EQ(m_tls.RequestCount() + m_plain.RequestCount(), 0u);
    EXPECT_EQ(m_plain.TlsHellos(), 0);
}

TEST_F(AnalyticsTest, AHostWithAPortIsReachedOnThatPort)
{
    ComposeAnalyticsTarget(L"Valtrix Norvane", L"127.0.0.1:" + std::to_wstring(m_plain.Port()));
    EXPECT_TRUE(m_client->SendStartInstall());
    ASSERT_EQ(m_plain.RequestCount(), 1u);
    EXPECT_EQ(m_plain.Requests()[0].Header("Host"), "127.0.0.1:" + std::to_string(m_plain.Port()));
}

TEST_F(AnalyticsTest, TheClientIdIsMadeOnceAndReused)
{
    const std::wstring first = m_client->GetClientId();
    static const std::wregex kShape(L"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9a-f]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    EXPECT_TRUE(std::regex_match(first, kShape)) << plat::WideToUtf8(first);
    EXPECT_EQ(m_client->GetClientId(), first);

    plat::RegKey key;
    ASSERT_EQ(plat::RegOpenKey(plat::RegRoot::kLocalMachine, kClientKey, key), plat::kReg_Success);
    std::wstring stored;
    ASSERT_EQ(plat::RegQueryString(key, L"GUID", stored, 2048), plat::kReg_Success);
    EXPECT_EQ(stored, first);
}

TEST_F(AnalyticsTest, AnExistingKeyWithoutAnIdGetsANewOneThatIsKept)
{
    plat::RegKey key;
    uint32_t disposition = 0;
    ASSERT_EQ(plat::RegCreateKey(plat::RegRoot::kLocalMachine, kClientKey, key, &disposition),
              plat::kReg_Success);
    ASSERT_EQ(disposition, plat::kReg_CreatedNewKey);
    ASSERT_EQ(plat::RegSetString(key, L"Other", L"x"), plat::kReg_Success);

    const std::wstring id = m_client->GetClientId();
    EXPECT_EQ(id.size(), 36u);
    EXPECT_EQ(m_client->GetClientId(), id);
    std::wstring stored;
    ASSERT_EQ(plat::RegQueryString(key, L"GUID", stored, 2048), plat::kReg_Success);
    EXPECT_EQ(stored, id);
}

TEST_F(AnalyticsTest, AnUnusableRegistryGivesAnEmptyIdAndHitsStillGoOut)
{
    m_dir.WriteFile("file", "not a folder");
    plat::test::SetRegistryRoot(m_dir.WChild("file/registry"));
    Route(m_tls.Port(), m_plain.Port());
    ComposeAnalyticsTarget(L"Valtrix Norvane", L"collect.test");
    EXPECT_TRUE(m_client->GetClientId().empty());
    EXPECT_TRUE(m_client->SendStartInstall());
    ASSERT_EQ(m_tls.RequestCount(), 1u);
    EXPECT_EQ(m_tls.Requests()[0].RequestLine(), HitLine("", "Downloader_Start_Install"));
}

TEST_F(AnalyticsTest, TheSenderThreadRoutineSendsTheEventOfItsKind)
{
    Route(m_tls.Port(), m_plain.Port());
    ComposeAnalyticsTarget(L"Valtrix Norvane", L"collect.test");
    const std::string id = plat::WideToUtf8(m_client->GetClientId());
    const std::pair<int, const char*> kinds[] = {{1, "Downloader_Installed"},
                                                 {2, "Installed_Succeed"},
                                                 {0, "Downloader_Start_Install"},
                                                 {7, "Downloader_Start_Install"}};
    for (const auto& [kind, action] : kinds) {
        EXPECT_EQ(AnalyticsEventThread(new AnalyticsEventJob{false, m_client, kind}), 0u);
        EXPECT_EQ(m_tls.Requests().back().RequestLine(), HitLine(id, action));
    }
}

TEST_F(AnalyticsTest, ASenderThreadRunsDetachedAndDeliversItsHit)
{
    Route(m_tls.Port(), m_plain.Port());
    ComposeAnalyticsTarget(L"Valtrix Norvane", L"collect.test");
    const std::string id = plat::WideToUtf8(m_client->GetClientId());
    ASSERT_TRUE(m_client->SendStartInstall());
    // One TLS attempt and no fallback: once its request has arrived the sender no longer needs
    // anything this test tears down.
    ASSERT_TRUE(StartAnalyticsEventThread(CAnalyticsClient::kEvent_DownloaderInstalled));
    ASSERT_TRUE(m_tls.WaitForRequests(2));
    EXPECT_EQ(m_tls.Requests()[1].RequestLine(), HitLine(id, "Downloader_Installed"));
}

TEST(AnalyticsHitPath, PiecesComeInTheirOrder)
{
    EXPECT_EQ(BuildHitPath(L"ID", L"Valtrix Norvane"),
              L"collect?v=1&t=event&tid=UA-31809472-27&cid=ID&ec=Valtrix Norvane (Windows version)&el=ID");
}

} // namespace
