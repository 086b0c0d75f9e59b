#include "DownloadFixture.h"

#include <chrono>
#include <cstdlib>

#include "log/Log.h"
#include "net/DownloadBackEnd.h"
#include "net/HttpDownload.h"
#include "platform/Http.h"
#include "platform/System.h"
#include "support/LogRecords.h"

namespace dltest {

void EventLog::Callback(int event, int a, int b, void* userData)
{
    auto* self = static_cast<EventLog*>(userData);
    if (event == kDownload_Progress && self->inProgressCall.fetch_add(1) != 0)
        self->overlapped = true;
    {
        std::lock_guard<std::mutex> guard(self->lock);
        self->events.push_back({event, a, b});
    }
    if (event == kDownload_Progress)
        self->inProgressCall.fetch_sub(1);
    if (event == kDownload_FileSize && self->onFileSize)
        self->onFileSize();
}

std::vector<EventLog::Event> EventLog::Snapshot()
{
    std::lock_guard<std::mutex> guard(lock);
    return events;
}

ClockPump::ClockPump(std::function<void()> onPause, sktest::FaultServer* stalls, int sleepers)
{
    m_thread = std::thread([this, onPause, stalls, sleepers] {
        while (!m_stop) {
            if (plat::test::SleepingThreads() >= sleepers) {
                if (onPause)
                    onPause();
                plat::test::AdvanceClock(2000);
            } else if (stalls && stalls->StalledConnections() > 0) {
                plat::test::AdvanceClock(1000);
            }
            // Polling interval only; no outcome depends on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

ClockPump::~ClockPump()
{
    m_stop = true;
    m_thread.join();
}

void DownloadTest::SetUp()
{
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        unsetenv(name);
    ASSERT_TRUE(sktest::GetTestCertificates().ok);
    downloadtest::ResetBackEndFailures();
    logtest::ResetLog();
    InitLog(L"download.log", m_dir.WChild("Log").c_str());
}

void DownloadTest::TearDown()
{
    logtest::ResetLog();
    plat::test::ResetHttpOptions();
    plat::test::UseManualClock(false);
}

std::vector<std::string> DownloadTest::Records() const
{
    return sktest::SplitLogRecords(m_dir.ReadFile("Log/download.log"));
}

size_t DownloadTest::CountRecords(const std::string& text) const
{
    size_t count = 0;
    for (const std::string& record : Records())
        count += record.find(text) != std::string::npos;
    return count;
}

bool DownloadTest::HasRecord(const std::string& text) const
{
    for (const std::string& record : Records()) {
        if (record == text)
            return true;
    }
    return false;
}

int DownloadTest::Run(const std::wstring& url, const std::wstring& savePath, int threads)
{
    m_param.nDownloadThread = threads;
    m_param.pUserData = &m_events;
    m_param.strDownloadUrl = url;
    m_param.strSavePath = savePath;
    CHttpDownload download(m_param, &EventLog::Callback);
    return download.Download();
}

void FaultDownloadTest::SetUp()
{
    DownloadTest::SetUp();
    const sktest::TestCertificates& certificates = sktest::GetTestCertificates();
    ASSERT_TRUE(m_server.StartTls(certificates.certFile, certificates.keyFile));
}

std::wstring FaultDownloadTest::Url() const
{
    return L"https://localhost:" + std::to_wstring(m_server.Port()) + L"/dir/file.exe";
}

} // namespace dltest
