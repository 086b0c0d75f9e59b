#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/System.h"

namespace {

class ManualClock : public ::testing::Test
{
protected:
    ManualClock() { plat::test::UseManualClock(true); }
    ~ManualClock() override { plat::test::UseManualClock(false); }
};

TEST_F(ManualClock, StandsStillUntilAdvanced)
{
    const uint64_t start = plat::GetTickCount64();
    EXPECT_EQ(plat::GetTickCount64(), start);
    plat::test::AdvanceClock(250);
    EXPECT_EQ(plat::GetTickCount64(), start + 250);
}

TEST_F(ManualClock, SleepReturnsOnceTheClockPassesItsEnd)
{
    std::atomic<bool> woke{false};
    std::thread sleeper([&] {
        plat::Sleep(1500);
        woke = true;
    });
    plat::test::WaitForSleepingThreads(1);
    plat::test::AdvanceClock(1000);
    EXPECT_EQ(plat::test::SleepingThreads(), 1);
    EXPECT_FALSE(woke);
    plat::test::AdvanceClock(500);
    sleeper.join();
    EXPECT_TRUE(woke);
    EXPECT_EQ(plat::test::SleepingThreads(), 0);
}

TEST_F(ManualClock, SleepOfZeroDoesNotBlock)
{
    plat::Sleep(0);
    EXPECT_EQ(plat::test::SleepingThreads(), 0);
}

TEST_F(ManualClock, TurningItOffReleasesSleepers)
{
    std::thread sleeper([] { plat::Sleep(60000); });
    plat::test::WaitForSleepingThreads(1);
    plat::test::UseManualClock(false);
    sleeper.join();
    EXPECT_EQ(plat::test::SleepingThreads(), 0);
}

TEST(RealClock, NeverRunsBackwards)
{
    uint64_t last = plat::GetTickCount64();
    for (int i = 0; i < 1000; ++i) {
        const uint64_t now = plat::GetTickCount64();
        EXPECT_GE(now, last);
        last = now;
    }
}

} // namespace
