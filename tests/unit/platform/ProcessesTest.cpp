#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/System.h"
#include "platform/Text.h"
#include "support/TempDir.h"

namespace {

struct SplitCase
{
    const wchar_t* line;
    std::vector<std::wstring> args;
};

TEST(CommandLine, SplitsByTheWindowsRules)
{
    const SplitCase cases[] = {
        {L"", {}},
        {L"prog", {L"prog"}},
        {L"prog a  b\tc", {L"prog", L"a", L"b", L"c"}},
        {L"\"C:\\Program Files\\p.exe\" x", {L"C:\\Program Files\\p.exe", L"x"}},
        {L"C:\\dir\\p.exe \"a b\" c", {L"C:\\dir\\p.exe", L"a b", L"c"}},
        {L"p a\\\\b", {L"p", L"a\\\\b"}},
        {L"p a\\\"b", {L"p", L"a\"b"}},
        {L"p a\\\\\"b c\"", {L"p", L"a\\b c"}},
        {L"p \"a\"\"b\"", {L"p", L"a\"b"}},
        {L"p \"\"", {L"p", L""}},
        {L"p ab\"c d\"e", {L"p", L"abc de"}},
        {L"p \"unterminated arg", {L"p", L"unterminated arg"}},
        // A line that starts with a blank has an empty program name; every switch stays an argument.
        {L" /verysilent /wait_run /path=\"/opt/\" /progress=\"/tmp/w/temp.progress\"",
         {L"", L"/verysilent", L"/wait_run", L"/path=/opt/", L"/progress=/tmp/w/temp.progress"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::SplitCommandLine(c.line), c.args) << c.line;
}

class ChildProcess : public ::testing::Test
{
protected:
    std::wstring Script(const std::string& name, const std::string& body)
    {
        m_dir.WriteFile(name, "#!/bin/sh\n" + body + "\n");
        chmod(m_dir.Child(name).c_str(), 0755);
        return m_dir.WChild(name);
    }

    // A copy of sleep under a name no other process has.
    std::wstring Sleeper(const std::string& name)
    {
        std::filesystem::copy_file("/bin/sleep", m_dir.Child(name));
        return m_dir.WChild(name);
    }

    sktest::TempDir m_dir;
};

TEST_F(ChildProcess, ArgumentsReachTheProgramAndTheExitCodeComesBack)
{
    const std::wstring script = Script("args.sh", "printf '%s\\n' \"$@\" > \"$1\"; exit 7");
    plat::Process process;
    const std::wstring out = m_dir.WChild("out");
    ASSERT_TRUE(plat::CreateProcess(script, L" " + out + L" \"two words\" \\\"quoted\\\"", false, process));
    uint32_t code = 0;
    ASSERT_EQ(process.Wait(plat::kInfinite, &code), plat::WaitResult::kExited);
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(m_dir.ReadFile("out"), m_dir.Child("out") + "\ntwo words\n\"quoted\"\n");
}

TEST_F(ChildProcess, ASuspendedChildRunsNothingUntilResumed)
{
    const std::wstring script = Script("touch.sh", "echo ran > \"$1\"");
    plat::Process process;
    ASSERT_TRUE(plat::CreateProcess(script, L"touch.sh " + m_dir.WChild("ran"), true, process));
    // Still the image of this test program: the child waits before exec.
    char self[4096] = {};
    char child[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    ASSERT_GT(readlink(("/proc/" + std::to_string(process.Id()) + "/exe").c_str(), child, sizeof child - 1),
              0);
    EXPECT_STREQ(child, self);
    EXPECT_EQ(process.Wait(0), plat::WaitResult::kTimeout);

    ASSERT_TRUE(process.Resume());
    ASSERT_EQ(process.Wait(plat::kInfinite), plat::WaitResult::kExited);
    EXPECT_EQ(m_dir.ReadFile("ran"), "ran\n");
}

TEST_F(ChildProcess, AProgramThatCannotRunIsReportedAsAFailure)
{
    m_dir.WriteFile("not-a-program", "\x01\x02\x03 garbage");
    chmod(m_dir.Child("not-a-program").c_str(), 0755);
    m_dir.WriteFile("not-executable", "#!/bin/sh\n");
    chmod(m_dir.Child("not-executable").c_str(), 0644);
    plat::Process process;
    for (bool suspended : {false, true}) {
        EXPECT_FALSE(plat::CreateProcess(m_dir.WChild("missing"), L"", suspended, process));
        EXPECT_FALSE(plat::CreateProcess(m_dir.WPath(), L"", suspended, process));
    }
    EXPECT_FALSE(plat::CreateProcess(m_dir.WChild("not-executable"), L"", false, process));
    EXPECT_FALSE(plat::CreateProcess(m_dir.WChild("not-a-program"), L"", false, process));
    EXPECT_FALSE(plat::CreateProcess(L"", L"no-such-program-anywhere-1f2e", false, process));
    EXPECT_FALSE(process.IsValid());

    // The failure of a suspended child shows when it is resumed.
    ASSERT_TRUE(plat::CreateProcess(m_dir.WChild("not-a-program"), L"", true, process));
    EXPECT_FALSE(process.Resume());
}

TEST_F(ChildProcess, DroppingAChildThatWasNeverResumedEndsIt)
{
    uint32_t pid = 0;
    {
        plat::Process process;
        ASSERT_TRUE(plat::CreateProcess(Script("never.sh", "exit 0"), L"", true, process));
        pid = process.Id();
        EXPECT_EQ(kill(static_cast<pid_t>(pid), 0), 0);
    }
    EXPECT_EQ(kill(static_cast<pid_t>(pid), 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

TEST_F(ChildProcess, SnapshotFindsTheImageNameCaseSensitivelyAndTerminateEndsIt)
{
    const std::string name = "Norvane-" + std::to_string(getpid()) + ".exe";
    plat::Process process;
    ASSERT_TRUE(plat::CreateProcess(Sleeper(name), L"sleep 600", true, process));
    ASSERT_TRUE(process.Resume());

    const std::wstring wideName = plat::Utf8ToWide(name);
    std::wstring lower = wideName;
    lower[0] = L'n';
    bool found = false;
    for (const plat::ProcessEntry& entry : plat::SnapshotProcesses()) {
        EXPECT_NE(entry.imageName, lower);
        if (entry.imageName == wideName) {
            EXPECT_EQ(entry.pid, process.Id());
            found = true;
        }
    }
    EXPECT_TRUE(found);

    ASSERT_TRUE(plat::TerminateProcess(process.Id()));
    uint32_t code = 0;
    ASSERT_EQ(process.Wait(plat::kInfinite, &code), plat::WaitResult::kExited);
    EXPECT_EQ(code, 128u + SIGKILL);
    EXPECT_FALSE(plat::TerminateProcess(process.Id()));
}

TEST(ProcessSnapshot, ListsThisProcessInIdOrder)
{
    const auto entries = plat::SnapshotProcesses();
    ASSERT_FALSE(entries.empty());
    bool self = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(entries[i - 1].pid, entries[i].pid);
        }
        self = self || entries[i].pid == static_cast<uint32_t>(getpid());
    }
    EXPECT_TRUE(self);
}

TEST(ProcessTermination, RefusesIdsThatWouldReachProcessGroups)
{
    EXPECT_FALSE(plat::TerminateProcess(0));
    EXPECT_FALSE(plat::TerminateProcess(0xFFFFFFFFu));
    EXPECT_FALSE(plat::TerminateProcess(0x80000000u));
}

} // namespace
