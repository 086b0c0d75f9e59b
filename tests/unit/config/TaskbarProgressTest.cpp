#include <gtest/gtest.h>

#include <thread>

#include "config/TaskbarProgress.h"
#include "platform/System.h"

namespace {

// No session bus in these tests: the progress keeps its state only.
class Taskbar : public ::testing::Test
{
protected:
    Taskbar()
    {
        plat::DesktopSession session = plat::GetDesktopSession();
        session.environment.clear();
        plat::test::SetDesktopSession(&session);
    }
    ~Taskbar() override { plat::test::SetDesktopSession(nullptr); }
};

TEST_F(Taskbar, AttachShowsTheIndeterminateState)
{
    TaskbarProgress progress;
    EXPECT_FALSE(progress.IsAttached());
    progress.Attach(nullptr);
    EXPECT_TRUE(progress.IsAttached());
    EXPECT_EQ(progress.State(), TaskbarProgress::kState_Indeterminate);
}

TEST_F(Taskbar, NothingChangesBeforeAttach)
{
    TaskbarProgress progress;
    progress.SetState(TaskbarProgress::kState_Paused);
    progress.SetValue(1, 2);
    EXPECT_EQ(progress.State(), TaskbarProgress::kState_NoProgress);
    EXPECT_DOUBLE_EQ(progress.Fraction(), 0.0);
}

TEST_F(Taskbar, StateAndValueFollowTheInstallation)
{
    TaskbarProgress progress;
    progress.Attach(nullptr);
    progress.SetState(TaskbarProgress::kState_Normal);
    progress.SetValue(50, 100);
    EXPECT_EQ(progress.State(), TaskbarProgress::kState_Normal);
    EXPECT_DOUBLE_EQ(progress.Fraction(), 0.5);
    progress.SetState(TaskbarProgress::kState_Paused);
    EXPECT_EQ(progress.State(), TaskbarProgress::kState_Paused);
    progress.SetValue(100, 100);
    progress.SetState(TaskbarProgress::kState_NoProgress);
    EXPECT_EQ(progress.State(), TaskbarProgress::kState_NoProgress);
    EXPECT_DOUBLE_EQ(progress.Fraction(), 1.0);
}

TEST_F(Taskbar, WorkerThreadsMayReportAtTheSameTime)
{
    TaskbarProgress progress;
    progress.Attach(nullptr);
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&progress] {
            for (uint64_t i = 0; i <= 1000; ++i)
                progress.SetValue(i, 1000);
        });
    }
    for (auto& worker : workers)
        worker.join();
    EXPECT_DOUBLE_EQ(progress.Fraction(), 1.0);
}

} // namespace
