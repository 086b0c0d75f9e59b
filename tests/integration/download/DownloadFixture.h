#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/DownloadParam.h"
#include "support/FaultServer.h"
#include "support/TempDir.h"
#include "support/TestCertificates.h"

namespace dltest {

// What one download reported through its callback.
struct EventLog
{
    struct Event
    {
        int event;
        int a;
        int b;
    };
    std::mutex lock;
    std::vector<Event> events;
    std::atomic<int> inProgressCall{0};
    std::atomic<bool> overlapped{false};
    // Runs on the calling thread right after kDownload_FileSize (to change a server between the
    // size query and the ranges).
    std::function<void()> onFileSize;

    static void Callback(int event, int a, int b, void* userData);
    std::vector<Event> Snapshot();
};

// Moves the test clock on whenever at least `sleepers` workers pause between attempts (first
// running onPause) or, with a server given, whenever that server holds a stalled connection.
class ClockPump
{
public:
    explicit ClockPump(std::function<void()> onPause = {}, sktest::FaultServer* stalls = nullptr,
                       int sleepers = 1);
    ~ClockPump();
    ClockPump(const ClockPump&) = delete;
    ClockPump& operator=(const ClockPump&) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A temporary folder with the log in it, the process-wide state of downloads levelled, and
// the test clock off.
class DownloadTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The log's records without their time stamps.
    std::vector<std::string> Records() const;
    size_t CountRecords(const std::string& text) const;
    bool HasRecord(const std::string& text) const;

    // Runs a download of url into the save path with the given thread count.
    int Run(const std::wstring& url, const std::wstring& savePath, int threads);
    std::wstring SavePath() const { return m_dir.WChild("out/file.bin"); }
    std::string Saved() const { return m_dir.ReadFile("out/file.bin"); }

    sktest::TrustTestCa m_trust;
    sktest::TempDir m_dir;
    EventLog m_events;
    DownloadParam m_param;
};

// A TLS fault server reached as https://localhost:PORT/FILE.
class FaultDownloadTest : public DownloadTest
{
protected:
    void SetUp() override;
    std::wstring Url() const;

    sktest::FaultServer m_server;
};

} // namespace dltest
