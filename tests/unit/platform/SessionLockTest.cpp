#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/System.h"
#include "support/TempDir.h"

namespace {

class SessionLock : public ::testing::Test
{
protected:
    SessionLock() { plat::test::SetRuntimeFolder(m_dir.WChild("run")); }
    ~SessionLock() override { plat::test::SetRuntimeFolder(L""); }

    sktest::TempDir m_dir;
};

// A child process that takes the lock, reports the result and holds it until told to go.
class LockHolder
{
public:
    // With startChild, the holder also starts a long-lived program after taking the lock.
    explicit LockHolder(const std::wstring& name, bool startChild = false)
    {
        int report[2];
        int release[2];
        if (pipe(report) != 0 || pipe(release) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            close(report[0]);
            close(release[1]);
            const char result = static_cast<char>(plat::AcquireSessionLock(name));
            int32_t childPid = 0;
            if (startChild) {
                plat::Process sleeper;
                if (plat::CreateProcess(L"/bin/sleep", L"sleep 600", false, sleeper))
                    childPid = static_cast<int32_t>(sleeper.Id());
            }
            if (write(report[1], &result, 1) != 1 ||
                write(report[1], &childPid, sizeof childPid) != sizeof childPid)
                _exit(2);
            char ignored;
            while (read(release[0], &ignored, 1) > 0) {
            }
            _exit(0);
        }
        close(report[1]);
        close(release[0]);
        m_release = release[1];
        char result = -1;
        if (read(report[0], &result, 1) == 1)
            m_result = static_cast<plat::LockResult>(result);
        int32_t childPid = 0;
        if (read(report[0], &childPid, sizeof childPid) == sizeof childPid)
            m_childPid = childPid;
        close(report[0]);
    }

    ~LockHolder()
    {
        End();
        if (m_childPid > 0)
            kill(m_childPid, SIGKILL);
    }

    plat::LockResult Result() const { return m_result; }
    pid_t ChildPid() const { return m_childPid; }

    // Ends the holder by killing it, as a crash would.
    void Kill()
    {
        if (m_pid > 0)
            kill(m_pid, SIGKILL);
        End();
    }

private:
    void End()
    {
        if (m_release >= 0)
            close(m_release);
        m_release = -1;
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    pid_t m_pid = -1;
    pid_t m_childPid = -1;
    int m_release = -1;
    plat::LockResult m_result = plat::LockResult::kFailed;
};

TEST_F(SessionLock, RefusesASecondHolderAndIsFreedWhenTheHolderDies)
{
    LockHolder holder(L"setup-2");
    ASSERT_EQ(holder.Result(), plat::LockResult::kAcquired);
    EXPECT_EQ(plat::AcquireSessionLock(L"setup-2"), plat::LockResult::kAlreadyHeld);
    holder.Kill();
    EXPECT_EQ(plat::AcquireSessionLock(L"setup-2"), plat::LockResult::kAcquired);
    // Held by this process now, for the rest of its life.
    EXPECT_EQ(plat::AcquireSessionLock(L"setup-2"), plat::LockResult::kAlreadyHeld);
    LockHolder late(L"setup-2");
    EXPECT_EQ(late.Result(), plat::LockResult::kAlreadyHeld);
}

TEST_F(SessionLock, ProgramsTheHolderStartedDoNotKeepItHeld)
{
    LockHolder holder(L"setup-2", true);
    ASSERT_EQ(holder.Result(), plat::LockResult::kAcquired);
    ASSERT_GT(holder.ChildPid(), 0);
    holder.Kill();
    ASSERT_EQ(kill(holder.ChildPid(), 0), 0); // the started program still runs
    EXPECT_EQ(plat::AcquireSessionLock(L"setup-2"), plat::LockResult::kAcquired);
}

TEST_F(SessionLock, DifferentNamesDoNotBlockEachOther)
{
    LockHolder holder(L"setup-2");
    ASSERT_EQ(holder.Result(), plat::LockResult::kAcquired);
    EXPECT_EQ(plat::AcquireSessionLock(L"setup-3"), plat::LockResult::kAcquired);
    EXPECT_EQ(plat::AcquireSessionLock(L"setup"), plat::LockResult::kAcquired);
}

TEST_F(SessionLock, TheLockFileIsNamedByTheLockAndTheDesktopUser)
{
    ASSERT_EQ(plat::AcquireSessionLock(L"setup.tar"), plat::LockResult::kAcquired);
    const std::string file = "run/setup.tar." + std::to_string(plat::GetDesktopSession().uid) + ".lock";
    EXPECT_TRUE(std::filesystem::is_regular_file(m_dir.Child(file)));
    ASSERT_EQ(plat::AcquireSessionLock(L"../escape"), plat::LockResult::kAcquired);
    EXPECT_FALSE(std::filesystem::exists(
        m_dir.Child("escape." + std::to_string(plat::GetDesktopSession().uid) + ".lock")));
}

TEST_F(SessionLock, FailsWhereNoLockFileCanBeMade)
{
    m_dir.WriteFile("run", "a file where the folder should be");
    EXPECT_EQ(plat::AcquireSessionLock(L"setup-2"), plat::LockResult::kFailed);
    EXPECT_EQ(plat::AcquireSessionLock(L""), plat::LockResult::kFailed);
}

} // namespace

namespace {

TEST(SessionLockInput, AnOverLongNameFailsCleanly)
{
    sktest::TempDir dir;
    plat::test::SetRuntimeFolder(dir.WChild("run"));
    EXPECT_EQ(plat::AcquireSessionLock(std::wstring(5000, L'x')), plat::LockResult::kFailed);
    plat::test::SetRuntimeFolder(L"");
}

} // namespace
