#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/System.h"
#include "platform/Text.h"
#include "support/TempDir.h"

namespace {

class ShellRequests : public ::testing::Test
{
protected:
    ShellRequests()
    {
        plat::test::SetShellResponder([this](const plat::ShellRequest& request) {
            m_requests.push_back(request);
            return m_answer;
        });
    }
    ~ShellRequests() override { plat::test::SetShellResponder({}); }

    std::vector<plat::ShellRequest> m_requests;
    bool m_answer = true;
};

TEST_F(ShellRequests, ReachTheResponderInsteadOfStartingPrograms)
{
    EXPECT_TRUE(plat::ShellOpen(L"https://example.invalid/landing?a=1&b=2"));
    EXPECT_TRUE(plat::ShellExecuteProgram(L"/opt/Valtrix/Norvane"));
    m_answer = false;
    EXPECT_FALSE(plat::RunAsDesktopUser(L"/opt/Valtrix/Norvane"));
    ASSERT_EQ(m_requests.size(), 3u);
    EXPECT_EQ(m_requests[0].kind, plat::ShellRequest::kOpen);
    EXPECT_EQ(m_requests[0].target, L"https://example.invalid/landing?a=1&b=2");
    EXPECT_EQ(m_requests[1].kind, plat::ShellRequest::kExecute);
    EXPECT_EQ(m_requests[2].kind, plat::ShellRequest::kRunAsDesktopUser);
    EXPECT_EQ(m_requests[2].target, L"/opt/Valtrix/Norvane");
}

TEST(ShellPrograms, AProgramThatCannotStartIsAFailure)
{
    sktest::TempDir dir;
    EXPECT_FALSE(plat::ShellExecuteProgram(dir.WChild("missing")));
    EXPECT_FALSE(plat::RunAsDesktopUser(dir.WChild("missing")));
    EXPECT_FALSE(plat::ShellExecuteProgram(L""));
}

// Runs a script that writes its uid, HOME and DISPLAY into a FIFO, and reads that line back.
class DetachedRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        chmod(m_dir.Path().c_str(), 0755); // the desktop user must reach the script
        const std::string fifo = m_dir.Child("report");
        ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
        chmod(fifo.c_str(), 0666);
        m_dir.WriteFile("report.sh",
                        "#!/bin/sh\nprintf '%s %s %s\\n' \"$(id -u)\" \"$HOME\" \"$DISPLAY\" > " + fifo +
                            "\n");
        chmod(m_dir.Child("report.sh").c_str(), 0755);
        m_reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(m_reader, 0);
    }
    void TearDown() override
    {
        if (m_reader >= 0)
            close(m_reader);
        plat::test::SetDesktopSession(nullptr);
    }

    // The script's line; the bound only keeps a broken run from hanging the suite.
    std::string ReadReport()
    {
        std::string line;
        while (line.find('\n') == std::string::npos) {
            pollfd p{m_reader, POLLIN, 0};
            if (poll(&p, 1, 30000) <= 0)
                break;
            char buffer[256];
            const ssize_t n = read(m_reader, buffer, sizeof buffer);
            if (n < 0 && errno == EAGAIN)
                continue;
            if (n <= 0)
                break;
            line.append(buffer, static_cast<size_t>(n));
        }
        return line;
    }

    sktest::TempDir m_dir;
    int m_reader = -1;
};

TEST_F(DetachedRun, RunsAsTheDesktopUserInTheDesktopSession)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "dropping to another user needs root";
    plat::DesktopSession nobody = plat::MakeDesktopSession(
        [](const char* name) -> const char* {
            if (std::string(name) == "PKEXEC_UID")
                return "65534";
            if (std::string(name) == "DISPLAY")
                return ":77";
            return nullptr;
        },
        true);
    ASSERT_EQ(nobody.uid, 65534u);
    plat::test::SetDesktopSession(&nobody);
    ASSERT_TRUE(plat::RunAsDesktopUser(m_dir.WChild("report.sh")));
    EXPECT_EQ(ReadReport(), "65534 " + nobody.home + " :77\n");
}

TEST_F(DetachedRun, ExecuteKeepsThisProcessRightsAndAddsTheSession)
{
    plat::DesktopSession session = plat::GetDesktopSession();
    session.environment = {{"DISPLAY", ":78"}};
    plat::test::SetDesktopSession(&session);
    ASSERT_TRUE(plat::ShellExecuteProgram(m_dir.WChild("report.sh")));
    const char* home = std::getenv("HOME");
    EXPECT_EQ(ReadReport(), std::to_string(geteuid()) + " " + (home ? home : "") + " :78\n");
}

} // namespace
