#include <atomic>
#include <thread>

#include "WindowFixture.h"

using namespace plat;
using wintest::CRecorder;
using wintest::WindowTest;

namespace {

class MessageQueueTest : public WindowTest
{
};

TEST_F(MessageQueueTest, SentFromAnotherThreadIsHandledBeforePostedOnesWhichKeepTheirOrder)
{
    WindowHandle window = MakeWindow();
    ASSERT_TRUE(PostMessage(window, kWM_User + 1, 0, 0));
    ASSERT_TRUE(PostMessage(window, kWM_User + 2, 0, 0));
    std::thread sender([&] { SendMessage(window, kWM_User + 9, 0, 0); });
    test::WaitForSentMessages(1);

    EXPECT_EQ(Drain(), (std::vector<Uint>{kWM_User + 1, kWM_User + 2}));
    sender.join();
    std::vector<Uint> handled;
    for (const auto& item : CRecorder::Get().Take())
        handled.push_back(item.message);
    EXPECT_EQ(handled, (std::vector<Uint>{kWM_User + 9, kWM_User + 1, kWM_User + 2}));
}

TEST_F(MessageQueueTest, SendToAnotherThreadsWindowBlocksUntilItsOwnerHandledIt)
{
    WindowHandle window = MakeWindow();
    std::atomic<bool> returned{false};
    LResult answer = 0;
    std::thread sender([&] {
        answer = SendMessage(window, kWM_User + 5, 0, 0);
        returned = true;
    });
    test::WaitForSentMessages(1);
    EXPECT_FALSE(returned.load());
    EXPECT_TRUE(CRecorder::Get().Of(kWM_User + 5).empty());

    Msg msg;
    EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, kPM_Remove)); // handled inside, never returned
    sender.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(answer, 105);
    EXPECT_EQ(CRecorder::Get().Of(kWM_User + 5).size(), 1u);
}

// A procedure that runs its own loop until kWM_User + 2 arrives, as a modal dialog does.
LResult ModalProc(WindowHandle window, Uint message, WParam wParam, LParam lParam)
{
    if (message == kWM_User + 1) {
        Msg msg;
        while (GetMessage(msg, nullptr, 0, 0)) {
            if (msg.message == kWM_User + 2)
                break;
            DispatchMessage(msg);
        }
        return 0;
    }
    return wintest::RecordingProc(window, message, wParam, lParam);
}

TEST_F(MessageQueueTest, SentMessagesAreHandledInsideAModalLoop)
{
    WindowHandle window = MakeWindow();
    SetWindowProc(window, ModalProc);
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        EXPECT_EQ(SendMessage(window, kWM_User + 7, 0, 0), 107);
        sent = true;
        PostMessage(window, kWM_User + 2, 0, 0);
    });
    SendMessage(window, kWM_User + 1, 0, 0); // returns once the sender's post ended the inner loop
    sender.join();
    EXPECT_TRUE(sent.load());
    EXPECT_EQ(CRecorder::Get().Of(kWM_User + 7).size(), 1u);
}

TEST_F(MessageQueueTest, APostFromAnotherThreadWakesAWaitingGetMessage)
{
    WindowHandle window = MakeWindow();
    std::thread poster([&] { PostMessage(window, kWM_User + 3, 4, 5); });
    Msg msg;
    ASSERT_TRUE(GetMessage(msg, nullptr, 0, 0));
    poster.join();
    EXPECT_EQ(msg.window, window);
    EXPECT_EQ(msg.message, kWM_User + 3);
    EXPECT_EQ(msg.wParam, 4u);
    EXPECT_EQ(msg.lParam, 5);
}

TEST_F(MessageQueueTest, PaintAndTimerComeOnlyWhenNothingElseWaits)
{
    WindowHandle window = MakeWindow();
    ShowWindow(window, kSW_ShowNoActivate); // leaves the whole window to paint
    SetTimer(window, 3, 100);
    test::AdvanceClock(100);
    PostMessage(window, kWM_User + 1, 0, 0);
    PostMessage(window, kWM_User + 2, 0, 0);

    EXPECT_EQ(Drain(), (std::vector<Uint>{kWM_User + 1, kWM_User + 2, kWM_Paint, kWM_Timer}));
    auto timers = CRecorder::Get().Of(kWM_Timer);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].wParam, 3u);
}

TEST_F(MessageQueueTest, PaintRepeatsUntilTheUpdateRegionIsValidated)
{
    WindowHandle window = MakeWindow();
    ShowWindow(window, kSW_ShowNoActivate);
    Msg msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, kPM_Remove));
    EXPECT_EQ(msg.message, kWM_Paint);
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, kPM_Remove)); // not painted yet
    EXPECT_EQ(msg.message, kWM_Paint);
    DispatchMessage(msg); // the default handling paints nothing and validates
    EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, kPM_Remove));
}

TEST_F(MessageQueueTest, AHiddenWindowGetsNoPaint)
{
    WindowHandle window = MakeWindow();
    InvalidateRect(window, nullptr, true);
    Msg msg;
    EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, kPM_Remove));
}

TEST_F(MessageQueueTest, TimerFiresEachPeriodOnThePlatformClockAndOnceWhenLate)
{
    WindowHandle window = MakeWindow();
    ASSERT_NE(SetTimer(window, 7, 50), 0u);
    test::AdvanceClock(49);
    EXPECT_TRUE(Drain().empty());
    test::AdvanceClock(1);
    EXPECT_EQ(Drain(), std::vector<Uint>{kWM_Timer});
    test::AdvanceClock(500); // ten periods late: one message, not ten
    EXPECT_EQ(Drain(), std::vector<Uint>{kWM_Timer});
    test::AdvanceClock(49);
    EXPECT_TRUE(Drain().empty());
    EXPECT_TRUE(KillTimer(window, 7));
    test::AdvanceClock(100);
    EXPECT_TRUE(Drain().empty());
    EXPECT_FALSE(KillTimer(window, 7));
}

TEST_F(MessageQueueTest, SettingALiveTimerAgainRestartsItsPeriod)
{
    WindowHandle window = MakeWindow();
    SetTimer(window, 1, 100);
    test::AdvanceClock(80);
    SetTimer(window, 1, 100);
    test::AdvanceClock(80);
    EXPECT_TRUE(Drain().empty());
    test::AdvanceClock(20);
    EXPECT_EQ(Drain(), std::vector<Uint>{kWM_Timer});
}

TEST_F(MessageQueueTest, QuitArrivesWithItsCodeAfterThePostedMessages)
{
    WindowHandle window = MakeWindow();
    PostMessage(window, kWM_User + 1, 0, 0);
    PostQuitMessage(7);
    Msg msg;
    ASSERT_TRUE(GetMessage(msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, kWM_User + 1);
    EXPECT_FALSE(GetMessage(msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, kWM_Quit);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, kPM_Remove));
}

TEST_F(MessageQueueTest, PeekWithoutRemoveLeavesTheMessageAndFiltersByWindowAndRange)
{
    WindowHandle first = MakeWindow();
    WindowHandle second = MakeWindow();
    PostMessage(first, kWM_User + 1, 0, 0);
    PostMessage(second, kWM_User + 2, 0, 0);
    Msg msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, kPM_NoRemove));
    EXPECT_EQ(msg.message, kWM_User + 1);
    ASSERT_TRUE(PeekMessage(msg, second, 0, 0, kPM_NoRemove));
    EXPECT_EQ(msg.message, kWM_User + 2);
    ASSERT_TRUE(PeekMessage(msg, nullptr, kWM_User + 2, kWM_User + 2, kPM_Remove));
    EXPECT_EQ(msg.window, second);
    EXPECT_EQ(Drain(), std::vector<Uint>{kWM_User + 1});
}

TEST_F(MessageQueueTest, ThreadMessagesReachTheQueueWithoutAWindow)
{
    ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), kWM_App + 4, 1, 2));
    Msg msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, kPM_Remove));
    EXPECT_EQ(msg.window, nullptr);
    EXPECT_EQ(msg.message, kWM_App + 4);
    EXPECT_EQ(DispatchMessage(msg), 0);
}

TEST_F(MessageQueueTest, ASendToAWindowDestroyedBeforeItsTurnIsAnsweredZero)
{
    WindowHandle window = MakeWindow();
    LResult answer = -1;
    std::thread sender([&] { answer = SendMessage(window, kWM_User + 1, 0, 0); });
    test::WaitForSentMessages(1);
    DestroyWindow(window);
    Drain();
    sender.join();
    EXPECT_EQ(answer, 0);
    EXPECT_TRUE(CRecorder::Get().Of(kWM_User + 1).empty());
}

} // namespace
