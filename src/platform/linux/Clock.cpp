#include <sched.h>
#include <time.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>

#include "platform/System.h"

namespace plat {

namespace {
struct ManualClock
{
    std::mutex lock;
    std::condition_variable changed;
    bool on = false;
    uint64_t now = 0;
    int sleepers = 0;
};

ManualClock& TestClock()
{
    static ManualClock clock;
    return clock;
}

uint64_t MonotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

void RealSleep(uint32_t ms)
{
    if (ms == 0) {
        sched_yield();
        return;
    }
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
} // namespace

uint64_t GetTickCount64()
{
    ManualClock& clock = TestClock();
    {
        std::lock_guard<std::mutex> lock(clock.lock);
        if (clock.on)
            return clock.now;
    }
    return MonotonicMs();
}

void Sleep(uint32_t ms)
{
    ManualClock& clock = TestClock();
    std::unique_lock<std::mutex> lock(clock.lock);
    if (!clock.on) {
        lock.unlock();
        RealSleep(ms);
        return;
    }
    const uint64_t end = clock.now + ms;
    ++clock.sleepers;
    clock.changed.notify_all();
    clock.changed.wait(lock, [&] { return !clock.on || clock.now >= end; });
    --clock.sleepers;
}

namespace test {
void UseManualClock(bool on)
{
    ManualClock& clock = TestClock();
    {
        std::lock_guard<std::mutex> lock(clock.lock);
        if (on && !clock.on)
            clock.now = MonotonicMs();
        clock.on = on;
    }
    clock.changed.notify_all();
}

void AdvanceClock(uint64_t ms)
{
    ManualClock& clock = TestClock();
    {
        std::lock_guard<std::mutex> lock(clock.lock);
        clock.now += ms;
    }
    clock.changed.notify_all();
}

int SleepingThreads()
{
    ManualClock& clock = TestClock();
    std::lock_guard<std::mutex> lock(clock.lock);
    return clock.sleepers;
}

void WaitForSleepingThreads(int count)
{
    ManualClock& clock = TestClock();
    std::unique_lock<std::mutex> lock(clock.lock);
    clock.changed.wait(lock, [&] { return clock.sleepers >= count; });
}
} // namespace test

} // namespace plat
