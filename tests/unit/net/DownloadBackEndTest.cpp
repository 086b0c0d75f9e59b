#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "net/BaseRequest.h"
#include "net/DownloadBackEnd.h"

namespace {

constexpr int kWinHttp = CBaseRequest::kType_WinHttp;
constexpr int kInternet = CBaseRequest::kType_Internet;

TEST(DownloadBackEndTest, LevelCountersAlternateByAttemptAndOtherwiseTheLessFailedWins)
{
    const struct
    {
        int winHttpFailures;
        int internetFailures;
        int attempt;
        int type;
    } cases[] = {
        {0, 0, 0, kWinHttp},  {0, 0, 1, kInternet}, {0, 0, 2, kWinHttp},  {3, 3, 9, kInternet},
        {1, 0, 0, kInternet}, {1, 0, 1, kInternet}, {5, 2, 2, kInternet}, {0, 1, 1, kWinHttp},
        {2, 7, 0, kWinHttp},  {2, 7, 3, kWinHttp},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseBackEnd(c.winHttpFailures, c.internetFailures, c.attempt), c.type)
            << c.winHttpFailures << "/" << c.internetFailures << " attempt " << c.attempt;
    }
}

TEST(DownloadBackEndTest, FailuresOfAllThreadsAreCountedWithoutLoss)
{
    downloadtest::ResetBackEndFailures();
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 1000; ++i)
                CountBackEndFailure(t % 2 == 0 ? kWinHttp : kInternet);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(WinHttpFailures(), 4000);
    EXPECT_EQ(InternetFailures(), 4000);
    CountBackEndFailure(kWinHttp);
    EXPECT_EQ(ChooseBackEnd(0), kInternet);
    EXPECT_EQ(ChooseBackEnd(1), kInternet);
    downloadtest::ResetBackEndFailures();
    EXPECT_EQ(ChooseBackEnd(0), kWinHttp);
}

} // namespace
