#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "DownloadFixture.h"
#include "net/HttpDownload.h"
#include "platform/System.h"
#include "support/FaultServer.h"

namespace {

using dltest::ClockPump;
using sktest::FaultServer;

class DownloadFaultTest : public dltest::FaultDownloadTest
{
protected:
    void SetUp() override
    {
        FaultDownloadTest::SetUp();
        plat::test::UseManualClock(true);
    }
    void ServeBody(size_t size)
    {
        m_body = FaultServer::PatternBytes(size);
        m_server.SetBody(m_body);
    }
    // Retry numbers of the "Request fail,  retry" records, per range index.
    std::map<int, std::vector<int>> RetriesByRange() const
    {
        std::map<int, std::vector<int>> retries;
        for (const std::string& record : Records()) {
            const size_t at = record.find("] Request fail,  retry ");
            if (at == std::string::npos)
                continue;
            // "[Thread][tid][index][Type] Request fail,  retry n...(WinHttp fail:w, Internet fail:i)"
            const size_t indexOpen = record.find('[', record.find(']', 8) + 1);
            const int index = std::stoi(record.substr(indexOpen + 1));
            retries[index].push_back(std::stoi(record.substr(at + 23)));
        }
        return retries;
    }
    std::vector<std::string> RangeHeaders() const
    {
        std::vector<std::string> headers;
        for (const sktest::RecordedRequest& request : m_server.Requests()) {
            if (request.RequestLine().rfind("GET ", 0) == 0)
                headers.push_back(request.Header("Range"));
        }
        return headers;
    }

    std::string m_body;
};

TEST_F(DownloadFaultTest, TheRangeHeadersCarryExactlyEachRangesFirstAndLastByte)
{
    ServeBody(1000);
    ASSERT_EQ(Run(Url(), SavePath(), 3), 0);
    EXPECT_EQ(Saved(), m_body);
    const std::vector<std::string> headers = RangeHeaders();
    EXPECT_EQ(std::set<std::string>(headers.begin(), headers.end()),
              (std::set<std::string>{"bytes=0-332", "bytes=333-665", "bytes=666-999"}));
    EXPECT_EQ(headers.size(), 3u);
    EXPECT_EQ(m_server.Requests().front().RequestLine(), "HEAD /dir/file.exe HTTP/1.1");
}

TEST_F(DownloadFaultTest, EmptyRangesAreNotRequested)
{
    ServeBody(3);
    ASSERT_EQ(Run(Url(), SavePath(), 5), 0);
    EXPECT_EQ(Saved(), m_body);
    EXPECT_EQ(RangeHeaders(), (std::vector<std::string>{"bytes=0-2"}));
    EXPECT_EQ(CountRecords("][0][Range:bytes=0--1] beging..."), 1u);
    EXPECT_EQ(CountRecords("] SUCCCESS!"), 5u);
}

TEST_F(DownloadFaultTest, ResetsMidRangeAreRetriedUntilTheFileIsWhole)
{
    ServeBody(600 * 1000 + 11);
    m_server.SetResetAfter(150 * 1000);
    {
        // Every range fails once before the resets stop.
        ClockPump pump([this] { m_server.SetResetAfter(-1); }, nullptr, 3);
        ASSERT_EQ(Run(Url(), SavePath(), 3), 0);
    }
    EXPECT_EQ(Saved(), m_body);
    const auto retries = RetriesByRange();
    EXPECT_EQ(retries.size(), 3u);
    for (const auto& [index, numbers] : retries)
        EXPECT_EQ(numbers, std::vector<int>{0}) << "range " << index;
    EXPECT_EQ(CountRecords("ERR:[WinHttp] download Fail ,dstSize: 200003 !=  downloadingSize: "), 2u);
    EXPECT_EQ(CountRecords("ERR:[WinHttp] download Fail ,dstSize: 200005 !=  downloadingSize: "), 1u);
    EXPECT_EQ(CountRecords("] SUCCCESS!"), 3u);
    // The bytes of the failed attempts were taken back: progress moves back once, then ends at
    // the file size.
    const auto events = m_events.Snapshot();
    EXPECT_EQ(events[events.size() - 2].a, static_cast<int>(m_body.size()));
    int highest = 0;
    bool movedBack = false;
    for (const auto& event : events) {
        if (event.event != kDownload_Progress)
            continue;
        movedBack = movedBack || event.a < highest;
        highest = std::max(highest, event.a);
    }
    EXPECT_TRUE(movedBack);
}

TEST_F(DownloadFaultTest, AfterWinHttpFailedMoreOftenTheRetriesUseWinInet)
{
    ServeBody(1000);
    m_server.SetResetAfter(10);
    {
        ClockPump pump([this] { m_server.SetResetAfter(-1); });
        ASSERT_EQ(Run(Url(), SavePath(), 1), 0);
    }
    EXPECT_EQ(Saved(), m_body);
    EXPECT_EQ(CountRecords("[WinHttp] Request fail,  retry 0...(WinHttp fail:1, Internet fail:0)"), 1u);
    EXPECT_EQ(CountRecords("Request fail"), 1u);
}

TEST_F(DownloadFaultTest, AServerIgnoringRangeWorksWithOneThread)
{
    ServeBody(250 * 1000);
    m_server.SetIgnoreRange(true);
    ASSERT_EQ(Run(Url(), SavePath(), 1), 0);
    EXPECT_EQ(Saved(), m_body);
}

// Every attempt fails: 11 per range, retry records 0 to 10, at least ten 2-second pauses, -4,
// and nothing of the whole-file answers lands in the file.
TEST_F(DownloadFaultTest, AServerIgnoringRangeFailsEveryAttemptOfSeveralThreads)
{
    ServeBody(3000);
    m_server.SetIgnoreRange(true);
    {
        ClockPump pump;
        EXPECT_EQ(Run(Url(), SavePath(), 3), -4);
    }
    const std::vector<int> zeroToTen = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const auto retries = RetriesByRange();
    ASSERT_EQ(retries.size(), 3u);
    for (const auto& [index, numbers] : retries)
        EXPECT_EQ(numbers, zeroToTen) << "range " << index;
    EXPECT_EQ(RangeHeaders().size(), 33u);
    EXPECT_EQ(CountRecords("] SUCCCESS!"), 0u);
    EXPECT_TRUE(HasRecord("ERR:DownLoadContent fail!"));
    EXPECT_EQ(Saved(), "");
    const auto events = m_events.Snapshot();
    EXPECT_EQ(events.back().event, kDownload_Finish);
    EXPECT_EQ(events.back().a, -4);
    EXPECT_GE(events.back().b, 20);
}

// A server that claims 206 but sends the whole file would otherwise write over the neighbours.
TEST_F(DownloadFaultTest, BytesPastTheRangeEndTheAttemptWithoutWritingThem)
{
    ServeBody(1000);
    m_server.SetRawAnswer(
        "HTTP/1.1 206 Partial Content\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n" + m_body);
    {
        ClockPump pump;
        EXPECT_EQ(Run(Url(), SavePath(), 2), -4);
    }
    EXPECT_EQ(Saved(), "");
    EXPECT_GE(CountRecords("download Fail ,dstSize: 500 !=  downloadingSize: 1000)"), 1u);
}

class DownloadStatusTest : public DownloadFaultTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(DownloadStatusTest, AnErrorAnswerToTheSizeQueryGivesMinusThree)
{
    ServeBody(1000);
    m_server.SetStatus(GetParam(), "<html>error page</html>");
    EXPECT_EQ(Run(Url(), SavePath(), 3), -3);
    EXPECT_TRUE(HasRecord("ERR:GetDownloadFileSize fail!"));
    EXPECT_EQ(GetRemoteFileSize(Url()), 0);
}

TEST_P(DownloadStatusTest, AnErrorAnswerToTheRangesIsNeverWrittenAndGivesMinusFour)
{
    ServeBody(1000);
    m_events.onFileSize = [this] { m_server.SetStatus(GetParam(), "<html>error page</html>"); };
    {
        ClockPump pump;
        EXPECT_EQ(Run(Url(), SavePath(), 2), -4);
    }
    EXPECT_EQ(Saved(), "");
    EXPECT_EQ(CountRecords("answered with status " + std::to_string(GetParam())), 22u);
}

TEST_P(DownloadStatusTest, AnErrorAnswerThatClearsUpIsFollowedByTheWholeFile)
{
    ServeBody(5000);
    m_events.onFileSize = [this] { m_server.SetStatus(GetParam(), "<html>error page</html>"); };
    {
        ClockPump pump([this] { m_server.SetStatus(0, ""); });
        ASSERT_EQ(Run(Url(), SavePath(), 2), 0);
    }
    EXPECT_EQ(Saved(), m_body);
}

INSTANTIATE_TEST_SUITE_P(Statuses, DownloadStatusTest, ::testing::Values(404, 500));

TEST_F(DownloadFaultTest, NoContentLengthGivesMinusThree)
{
    ServeBody(1000);
    m_server.SetNoContentLength(true);
    EXPECT_EQ(Run(Url(), SavePath(), 3), -3);
    EXPECT_TRUE(HasRecord("ERR:GetDownloadFileSize fail!"));
    EXPECT_EQ(m_events.Snapshot().back().a, -3);
    EXPECT_EQ(GetRemoteFileSize(Url()), 0);
}

TEST_F(DownloadFaultTest, ALengthOfTwoGibibytesOrMoreGivesMinusThreeWithTheReason)
{
    ServeBody(1000);
    const struct
    {
        const char* text;
        const char* record;
    } cases[] = {
        {"2147483648", "ERR:file size 2147483648 is 2 GiB or more, larger than a download can hold"},
        {"4294967296", "ERR:file size 4294967296 is 2 GiB or more, larger than a download can hold"},
        {"99999999999999999999999",
         "ERR:file size 9223372036854775807 is 2 GiB or more, larger than a download can hold"},
    };
    for (const auto& c : cases) {
        m_server.SetContentLengthText(c.text);
        EXPECT_EQ(Run(Url(), SavePath(), 3), -3) << c.text;
        EXPECT_TRUE(HasRecord(c.record)) << c.text;
        EXPECT_EQ(GetRemoteFileSize(Url()), 0) << c.text;
    }
    m_server.SetContentLengthText("2147483647");
    EXPECT_EQ(GetRemoteFileSize(Url()), 2147483647);
}

TEST_F(DownloadFaultTest, AContentLengthThatIsNoNumberGivesMinusThree)
{
    ServeBody(1000);
    for (const char* text : {"-5", "12abc", "0x10"}) {
        m_server.SetContentLengthText(text);
        EXPECT_EQ(Run(Url(), SavePath(), 3), -3) << text;
        EXPECT_EQ(GetRemoteFileSize(Url()), 0) << text;
    }
    EXPECT_EQ(CountRecords("ERR:file size"), 0u);
    EXPECT_EQ(CountRecords("ERR:GetDownloadFileSize fail!"), 3u);
}

TEST_F(DownloadFaultTest, AStallPastTheTimeOutIsFollowedByTheWholeFile)
{
    ServeBody(300 * 1000);
    m_server.SetStall(FaultServer::Stall::kAfterBytes, 20 * 1000);
    {
        ClockPump pump([this] { m_server.ReleaseStall(); }, &m_server);
        ASSERT_EQ(Run(Url(), SavePath(), 1), 0);
    }
    EXPECT_EQ(Saved(), m_body);
    EXPECT_EQ(RetriesByRange()[0], std::vector<int>{0});
}

TEST_F(DownloadFaultTest, ZeroThreadsAreRejectedBeforeAnyRequest)
{
    ServeBody(1000);
    EXPECT_EQ(Run(Url(), SavePath(), 0), -1);
    EXPECT_TRUE(HasRecord("ERR:invalid param (nDownloadThread = 0)"));
    EXPECT_TRUE(HasRecord("ERR:CheckParam fail!"));
    EXPECT_EQ(m_server.RequestCount(), 0u);
}

} // namespace
