#include <gtest/gtest.h>

#include <string>

#include "DownloadFixture.h"
#include "net/DownloadRange.h"
#include "net/HttpDownload.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"

namespace {

using dltest::EventLog;

class DownloadNginxTest : public dltest::DownloadTest
{
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        ASSERT_TRUE(sktest::NginxServer::Available());
    }
    // Serves a file of this size over TLS and gives its URL.
    std::wstring Serve(size_t size, const std::string& limitRate = "")
    {
        m_body = sktest::FaultServer::PatternBytes(size);
        m_nginx.WriteFile("dir/file.exe", m_body);
        EXPECT_TRUE(m_nginx.Start({true, limitRate})) << m_nginx.ErrorLog();
        return L"https://localhost:" + std::to_wstring(m_nginx.Port()) + L"/dir/file.exe";
    }

    sktest::NginxServer m_nginx;
    std::string m_body;
};

struct WholeFileCase
{
    size_t size;
    int threads;
};

class DownloadNginxWholeFileTest : public DownloadNginxTest,
                                   public ::testing::WithParamInterface<WholeFileCase>
{
};

// Start, size, progress up to the whole file, finish with 0, and the file byte for byte.
TEST_P(DownloadNginxWholeFileTest, FetchesAByteIdenticalFileAndReportsEveryEvent)
{
    const WholeFileCase c = GetParam();
    const std::wstring url = Serve(c.size);
    ASSERT_EQ(Run(url, SavePath(), c.threads), 0);
    EXPECT_EQ(Saved(), m_body);

    const auto events = m_events.Snapshot();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front().event, kDownload_Start);
    EXPECT_EQ(events[1].event, kDownload_FileSize);
    EXPECT_EQ(events[1].a, static_cast<int>(c.size));
    EXPECT_EQ(events.back().event, kDownload_Finish);
    EXPECT_EQ(events.back().a, 0);
    if (c.size > 0) {
        const auto& lastProgress = events[events.size() - 2];
        EXPECT_EQ(lastProgress.event, kDownload_Progress);
        EXPECT_EQ(lastProgress.a, static_cast<int>(c.size));
        EXPECT_EQ(lastProgress.b, static_cast<int>(c.size));
    }
    EXPECT_FALSE(m_events.overlapped) << "progress calls ran at the same time";
    EXPECT_EQ(CountRecords("] SUCCCESS!"), static_cast<size_t>(ClampDownloadThreads(c.threads)));
    EXPECT_EQ(CountRecords("Request fail"), 0u);
    EXPECT_EQ(CountRecords("HttpDownload,ret = 0 (time = "), 1u);
    EXPECT_EQ(CountRecords(" 秒)"), 1u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DownloadNginxWholeFileTest,
                         ::testing::Values(WholeFileCase{1000, 3}, WholeFileCase{1000, 1},
                                           // Fewer bytes than threads: all ranges but the last are empty.
                                           WholeFileCase{3, 5}, WholeFileCase{1, 64},
                                           // Many blocks per range, remainder in the last.
                                           WholeFileCase{3 * 1024 * 1024 + 7, 5},
                                           WholeFileCase{1024 * 1024 + 63, 64}),
                         [](const ::testing::TestParamInfo<WholeFileCase>& info) {
                             return std::to_string(info.param.size) + "BytesIn" +
                                    std::to_string(info.param.threads) + "Threads";
                         });

TEST_F(DownloadNginxTest, WithoutACallbackTheDownloadRunsAndHttpDownloadIsTrue)
{
    const std::wstring url = Serve(70 * 1000);
    DownloadParam param;
    param.nDownloadThread = 5;
    param.strDownloadUrl = url;
    param.strSavePath = SavePath();
    EXPECT_TRUE(HttpDownload(param, nullptr));
    EXPECT_EQ(Saved(), m_body);
}

TEST_F(DownloadNginxTest, AHundredThreadsRunSixtyFour)
{
    const std::wstring url = Serve(64 * 1000 + 5);
    ASSERT_EQ(Run(url, SavePath(), 100), 0);
    EXPECT_EQ(Saved(), m_body);
    EXPECT_TRUE(HasRecord("DownLoadContent: ThreadNum = 64 (request thread num = 100)"));
    EXPECT_EQ(CountRecords("] beging..."), 64u);
    EXPECT_EQ(CountRecords("] SUCCCESS!"), 64u);
}

TEST_F(DownloadNginxTest, EachRangeAsksForItsOwnBytesWithTheRemainderLast)
{
    const std::wstring url = Serve(1000);
    ASSERT_EQ(Run(url, SavePath(), 3), 0);
    EXPECT_TRUE(HasRecord("DownLoadContent: ThreadNum = 3"));
    EXPECT_EQ(CountRecords("][0][Range:bytes=0-332] beging..."), 1u);
    EXPECT_EQ(CountRecords("][1][Range:bytes=333-665] beging..."), 1u);
    EXPECT_EQ(CountRecords("][2][Range:bytes=666-999] beging..."), 1u);
}

// Backslashes are the foreign separator here: they become folders, created before the download.
TEST_F(DownloadNginxTest, BackslashesInTheSavePathAreNormalisedAndTheirFoldersMade)
{
    const std::wstring url = Serve(5000);
    m_param.strSavePath.clear();
    ASSERT_EQ(Run(url, m_dir.WPath() + L"\\made\\deeper\\\\file.bin", 2), 0);
    EXPECT_EQ(m_param.strSavePath, m_dir.WPath() + L"/made/deeper/file.bin");
    EXPECT_EQ(m_dir.ReadFile("made/deeper/file.bin"), m_body);
}

TEST_F(DownloadNginxTest, AnOutputPathThatIsAFolderFailsWithMinusFour)
{
    const std::wstring url = Serve(1000);
    m_dir.WriteFile("out/file.bin/inside", "x");
    EXPECT_EQ(Run(url, SavePath(), 3), -4);
    EXPECT_TRUE(HasRecord("ERR:Open file fail! (" + m_dir.Child("out/file.bin") + ")"));
    EXPECT_TRUE(HasRecord("ERR:DownLoadContent fail!"));
    EXPECT_EQ(m_events.Snapshot().back().a, -4);
}

TEST_F(DownloadNginxTest, AnExistingFileIsReplacedWhole)
{
    const std::wstring url = Serve(1000);
    m_dir.WriteFile("out/file.bin", std::string(5000, 'z'));
    ASSERT_EQ(Run(url, SavePath(), 4), 0);
    EXPECT_EQ(Saved(), m_body);
}

TEST_F(DownloadNginxTest, ThrottledConnectionsStillDeliverTheWholeFile)
{
    const std::wstring url = Serve(256 * 1024, "64k");
    ASSERT_EQ(Run(url, SavePath(), 8), 0);
    EXPECT_EQ(Saved(), m_body);
}

TEST_F(DownloadNginxTest, GetRemoteFileSizeGivesTheLengthOrZero)
{
    const std::wstring url = Serve(12345);
    EXPECT_EQ(GetRemoteFileSize(url), 12345);
    EXPECT_EQ(GetRemoteFileSize(L"https://localhost:" + std::to_wstring(m_nginx.Port()) + L"/missing.exe"),
              0);
}

} // namespace
