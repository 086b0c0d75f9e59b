#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "log/Log.h"
#include "net/HttpDownload.h"
#include "support/TempDir.h"

namespace {

// Parameter checks that fail before any request goes out.
class DownloadParamTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        logtest::ResetLog();
        InitLog(L"download.log", m_dir.WChild("Log").c_str());
    }
    void TearDown() override { logtest::ResetLog(); }

    static void Callback(int event, int a, int b, void* userData)
    {
        static_cast<DownloadParamTest*>(userData)->m_events.push_back({event, a, b});
    }
    int Run(int threads, const std::wstring& url, const std::wstring& savePath)
    {
        m_param.nDownloadThread = threads;
        m_param.pUserData = this;
        m_param.strDownloadUrl = url;
        m_param.strSavePath = savePath;
        CHttpDownload download(m_param, &Callback);
        return download.Download();
    }
    bool Logged(const std::string& text) const
    {
        return m_dir.ReadFile("Log/download.log").find(" " + text + "\n") != std::string::npos;
    }

    sktest::TempDir m_dir;
    DownloadParam m_param;
    std::vector<std::vector<int>> m_events;
};

TEST_F(DownloadParamTest, BadParametersGiveMinusOneWithTheirRecord)
{
    const std::wstring url = L"https://localhost:1/file.exe";
    const std::string folderFile = m_dir.Child("plain.txt");
    m_dir.WriteFile("plain.txt", "x");
    const struct
    {
        int threads;
        std::wstring url;
        std::wstring savePath;
        std::string record;
    } cases[] = {
        {0, url, m_dir.WChild("a.bin"), "ERR:invalid param (nDownloadThread = 0)"},
        {-3, url, m_dir.WChild("a.bin"), "ERR:invalid param (nDownloadThread = -3)"},
        {5, L"", m_dir.WChild("a.bin"), "ERR:invalid param (strDownloadUrl)"},
        // No separator at all: the folder part is empty.
        {5, url, L"valtrix-download.exe", "ERR:make dir () fail!"},
        // A folder that would have to go through a regular file.
        {5, url, m_dir.WChild("plain.txt/sub/a.bin"), "ERR:make dir (" + folderFile + "/sub) fail!"},
    };
    for (const auto& c : cases) {
        m_events.clear();
        EXPECT_EQ(Run(c.threads, c.url, c.savePath), -1) << c.record;
        EXPECT_TRUE(Logged(c.record)) << c.record;
        EXPECT_TRUE(Logged("ERR:CheckParam fail!"));
        EXPECT_EQ(m_events,
                  (std::vector<std::vector<int>>{{kDownload_Start, 0, 0}, {kDownload_Finish, -1, 0}}));
    }
    EXPECT_TRUE(Logged("HttpDownload,ret = -1 (time = 0 秒)"));
}

TEST_F(DownloadParamTest, HttpDownloadIsTrueOnlyForResultZero)
{
    DownloadParam param;
    param.nDownloadThread = 0;
    param.strDownloadUrl = L"https://localhost:1/file.exe";
    param.strSavePath = m_dir.WChild("a.bin");
    EXPECT_FALSE(HttpDownload(param, nullptr));
}

} // namespace
