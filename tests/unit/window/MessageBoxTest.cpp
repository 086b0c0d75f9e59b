#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <thread>

#include "WindowFixture.h"
#include "platform/Dialog.h"
#include "platform/Text.h"
#include "platform/linux/DialogInternal.h"
#include "support/TempDir.h"

using namespace plat;
using wintest::CRecorder;
using wintest::WindowTest;

namespace {

// Whatever the owner's timer should do while a box is open; runs on the UI thread.
std::function<void(WindowHandle)> g_onTimer;
std::atomic<int> g_ticks{0};
std::mutex g_tickLock;
std::condition_variable g_ticked;

LResult OwnerProc(WindowHandle window, Uint message, WParam wParam, LParam lParam)
{
    if (message == kWM_Timer) {
        {
            std::lock_guard<std::mutex> lock(g_tickLock);
            ++g_ticks;
        }
        g_ticked.notify_all();
        if (g_onTimer)
            g_onTimer(window);
        return 0;
    }
    return wintest::RecordingProc(window, message, wParam, lParam);
}

class MessageBoxTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        test::ResetInput();
        g_ticks = 0;
        m_owner = MakeWindow(400, 300);
        SetWindowProc(m_owner, OwnerProc);
        ShowWindow(m_owner, kSW_ShowNormal);
        SetActiveWindow(m_owner);
        Drain();
    }
    void TearDown() override
    {
        g_onTimer = nullptr;
        test::SetMessageBoxResponder({});
        test::ResetInput();
        WindowTest::TearDown();
    }

    // The timer is due at once, so it fires inside the box's loop after the box has painted.
    void ActInsideTheBox(std::function<void(WindowHandle)> action)
    {
        g_onTimer = std::move(action);
        SetTimer(m_owner, 1, 10);
        test::AdvanceClock(10);
    }

    static void Press(unsigned key)
    {
        test::InjectKey(key, true);
        test::InjectKey(key, false);
    }

    WindowHandle m_owner = nullptr;
};

TEST_F(MessageBoxTest, TheBoxIsDrawnAnswersFromTheKeyboardAndHandsTheOwnerBack)
{
    sktest::TempDir dir;
    bool ownerWasEnabled = true;
    std::unique_ptr<CBitmap> frame;
    ActInsideTheBox([&](WindowHandle) {
        KillTimer(m_owner, 1);
        WindowHandle box = test::OpenMessageBox();
        ASSERT_NE(box, nullptr);
        ownerWasEnabled = IsWindowEnabled(m_owner);
        frame = test::CapturePresentedFrame(box);
        Press(kVK_Right); // from Yes to No
        Press(kVK_Return);
    });
    const int answer =
        MessageBox(m_owner, L"Stop the download and quit the setup?", L"Setup", kMB_YesNo | kMB_IconQuestion);
    EXPECT_EQ(answer, kID_No);
    EXPECT_FALSE(ownerWasEnabled);
    EXPECT_TRUE(IsWindowEnabled(m_owner));
    EXPECT_EQ(GetActiveWindow(), m_owner);
    EXPECT_EQ(test::OpenMessageBox(), nullptr);

    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Pixel(2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(frame->Pixel(2, frame->Height() - 2), 0xFFF0F0F0u);
    EXPECT_TRUE(frame->SaveToPng(dir.Child("box.png")));
    if (const char* keep = std::getenv("SK_KEEP_FRAMES"))
        frame->SaveToPng(std::string(keep) + "/messagebox-yesno.png");
}

struct CloseCase
{
    const char* name;
    uint32_t flags;
    int closeAnswer; // 0: the close button does nothing
};

TEST_F(MessageBoxTest, TheCloseButtonCancelsOnlyBoxesThatHaveACancelOrALoneOk)
{
    const CloseCase cases[] = {
        {"ok", kMB_Ok, kID_Ok},
        {"ok cancel", kMB_OkCancel, kID_Cancel},
        {"yes no cancel", kMB_YesNoCancel, kID_Cancel},
        {"retry cancel", kMB_RetryCancel, kID_Cancel},
        {"yes no", kMB_YesNo, 0},
        {"abort retry ignore", kMB_AbortRetryIgnore, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int tick = 0;
        bool stillOpen = false;
        ActInsideTheBox([&](WindowHandle) {
            WindowHandle box = test::OpenMessageBox();
            if (++tick == 1) {
                test::RequestClose(box);
                test::AdvanceClock(10);
                return;
            }
            KillTimer(m_owner, 1);
            stillOpen = box != nullptr;
            Press(kVK_Return); // the first button
        });
        const int answer = MessageBox(m_owner, L"text", L"caption", c.flags);
        if (c.closeAnswer) {
            EXPECT_EQ(answer, c.closeAnswer);
        } else {
            EXPECT_TRUE(stillOpen);
            EXPECT_EQ(answer, detail::ButtonsFor(c.flags)[0]);
        }
        Drain();
    }
}

TEST_F(MessageBoxTest, AClickOnAButtonAnswersWithIt)
{
    ActInsideTheBox([&](WindowHandle) {
        KillTimer(m_owner, 1);
        WindowHandle box = test::OpenMessageBox();
        Rect client;
        GetClientRect(box, client);
        // The rightmost button of a left-to-right row sits at the bottom right corner.
        const int x = client.right - 16 - 10;
        const int y = client.bottom - 12 - 10;
        test::InjectMouseButton(box, kVK_LButton, true, x, y);
        test::InjectMouseButton(box, kVK_LButton, false, x, y);
    });
    EXPECT_EQ(MessageBox(m_owner, L"Download failed.", L"Setup", kMB_AbortRetryIgnore | kMB_IconWarning),
              kID_Ignore);
}

TEST_F(MessageBoxTest, ARightToLeftBoxMirrorsItsRowAndLooksRight)
{
    std::unique_ptr<CBitmap> frame;
    ActInsideTheBox([&](WindowHandle) {
        KillTimer(m_owner, 1);
        WindowHandle box = test::OpenMessageBox();
        frame = test::CapturePresentedFrame(box);
        Rect client;
        GetClientRect(box, client);
        // Mirrored, the last button (No) sits at the bottom left corner.
        const int x = 16 + 10;
        const int y = client.bottom - 12 - 10;
        test::InjectMouseButton(box, kVK_LButton, true, x, y);
        test::InjectMouseButton(box, kVK_LButton, false, x, y);
    });
    const int answer = MessageBox(m_owner, L"هل تريد إيقاف التثبيت؟", L"الإعداد",
                                  kMB_YesNo | kMB_IconInformation | 0x190000);
    EXPECT_EQ(answer, kID_No);
    ASSERT_NE(frame, nullptr);
    if (const char* keep = std::getenv("SK_KEEP_FRAMES"))
        frame->SaveToPng(std::string(keep) + "/messagebox-rtl.png");
}

TEST_F(MessageBoxTest, TimersKeepFiringWhileTheResponderAnswers)
{
    std::vector<MessageBoxRequest> requests;
    test::SetMessageBoxResponder([&](const MessageBoxRequest& request) {
        requests.push_back(request);
        test::AdvanceClock(50);
        std::unique_lock<std::mutex> lock(g_tickLock);
        g_ticked.wait(lock, [] { return g_ticks >= 1; });
        return kID_Retry;
    });
    bool ownerWasEnabled = true;
    g_onTimer = [&](WindowHandle) {
        KillTimer(m_owner, 1);
        ownerWasEnabled = IsWindowEnabled(m_owner);
    };
    SetTimer(m_owner, 1, 50);
    EXPECT_EQ(MessageBox(m_owner, L"Retry?", L"Setup", kMB_RetryCancel), kID_Retry);
    EXPECT_GE(g_ticks.load(), 1);
    EXPECT_FALSE(ownerWasEnabled);
    EXPECT_TRUE(IsWindowEnabled(m_owner));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].owner, m_owner);
    EXPECT_EQ(requests[0].text, L"Retry?");
}

TEST_F(MessageBoxTest, ABoxAskedForOnAnotherThreadIsAnsweredOnTheUiThreadWhileTheCallerWaits)
{
    std::atomic<uint32_t> answeredWhileUiIn{0};
    const uint32_t uiThread = GetCurrentThreadId();
    test::SetMessageBoxResponder([&](const MessageBoxRequest&) { return kID_Yes; });
    std::atomic<bool> returned{false};
    int answer = 0;
    std::thread worker([&] {
        answer = MessageBox(m_owner, L"Free space is low. Continue?", L"Setup", kMB_YesNo);
        returned = true;
    });
    test::WaitForSentMessages(1);
    EXPECT_FALSE(returned.load());
    ActInsideTheBox([&](WindowHandle) {
        KillTimer(m_owner, 1);
        answeredWhileUiIn = GetCurrentThreadId();
    });
    Drain(); // the sent box runs here, with the owner's timer firing inside it
    worker.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(answer, kID_Yes);
    EXPECT_EQ(answeredWhileUiIn.load(), uiThread);
}

struct LabelCase
{
    uint16_t language;
    const wchar_t* yes;
    const wchar_t* cancel;
};

TEST(MessageBoxLabelsTest, ButtonsAreLabelledInTheUsersLanguageWithEnglishForOthers)
{
    const LabelCase cases[] = {
        {1033, L"Yes", L"Cancel"},  {1031, L"Ja", L"Abbrechen"},    {1036, L"Oui", L"Annuler"},
        {2052, L"是", L"取消"},     {1041, L"はい", L"キャンセル"}, {1025, L"نعم", L"إلغاء الأمر"},
        {3082, L"Sí", L"Cancelar"}, {1054, L"ใช่", L"ยกเลิก"},        {9999, L"Yes", L"Cancel"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        const auto& labels = detail::LabelsFor(c.language);
        EXPECT_STREQ(detail::LabelOf(labels, kID_Yes), c.yes);
        EXPECT_STREQ(detail::LabelOf(labels, kID_Cancel), c.cancel);
    }
    for (uint16_t language : {1033, 2052, 1028, 1043, 1036, 1031, 1040, 1041, 3082, 2070, 1042, 1025, 1054,
                              1045, 1053, 1086, 1057}) {
        SCOPED_TRACE(language);
        const auto& labels = detail::LabelsFor(language);
        EXPECT_TRUE(language == 1033 || &labels != &detail::LabelsFor(1033));
        for (int id : {kID_Ok, kID_Cancel, kID_Abort, kID_Retry, kID_Ignore, kID_Yes, kID_No})
            EXPECT_NE(std::wstring(detail::LabelOf(labels, id)), L"");
    }
}

TEST(MessageBoxLabelsTest, ButtonSetsComeInReadingOrderAndUnseenBoxesGetTheCautiousAnswer)
{
    EXPECT_EQ(detail::ButtonsFor(kMB_Ok), (std::vector<int>{kID_Ok}));
    EXPECT_EQ(detail::ButtonsFor(kMB_OkCancel), (std::vector<int>{kID_Ok, kID_Cancel}));
    EXPECT_EQ(detail::ButtonsFor(kMB_AbortRetryIgnore), (std::vector<int>{kID_Abort, kID_Retry, kID_Ignore}));
    EXPECT_EQ(detail::ButtonsFor(kMB_YesNoCancel), (std::vector<int>{kID_Yes, kID_No, kID_Cancel}));
    EXPECT_EQ(detail::ButtonsFor(kMB_YesNo | kMB_IconStop), (std::vector<int>{kID_Yes, kID_No}));
    EXPECT_EQ(detail::ButtonsFor(kMB_RetryCancel), (std::vector<int>{kID_Retry, kID_Cancel}));
    EXPECT_EQ(detail::CautiousAnswer(kMB_YesNo), kID_No);
    EXPECT_EQ(detail::CautiousAnswer(kMB_AbortRetryIgnore), kID_Abort);
    EXPECT_EQ(detail::CautiousAnswer(kMB_Ok), kID_Ok);
}

} // namespace
