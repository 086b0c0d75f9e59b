#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/System.h"
#include "platform/Window.h"
#include "ui/core/WindowWnd.h"

namespace {

using SkinUI::CWindowWnd;

constexpr plat::Uint kProbe = plat::kWM_User + 1;
constexpr plat::Uint kBaseProbe = plat::kWM_User + 5;
constexpr plat::LResult kBaseAnswer = 77;
constexpr const wchar_t* kTestClass = L"WindowWndTestClass";
constexpr const wchar_t* kBaseClass = L"WindowWndTestBase";
constexpr const wchar_t* kSuperClass = L"WindowWndTestSuper";

plat::LResult BaseClassProc(plat::WindowHandle window, plat::Uint message, plat::WParam wParam,
                            plat::LParam lParam)
{
    if (message == kBaseProbe)
        return kBaseAnswer;
    return plat::DefWindowProc(window, message, wParam, lParam);
}

class CTestWnd : public CWindowWnd
{
public:
    explicit CTestWnd(const wchar_t* className = kTestClass, const wchar_t* baseName = nullptr)
        : m_className(className), m_baseName(baseName)
    {}

    const wchar_t* ClassName() const override { return m_className; }
    const wchar_t* BaseClassName() const override { return m_baseName; }

    plat::LResult OnMessage(plat::Uint message, plat::WParam wParam, plat::LParam lParam) override
    {
        received.push_back(message);
        if (message == kProbe) {
            ownerEnabledDuringLoop = ownerToWatch && plat::IsWindowEnabled(ownerToWatch);
            return 42;
        }
        return CWindowWnd::OnMessage(message, wParam, lParam);
    }

    void OnWindowGone(plat::WindowHandle window) override
    {
        goneWindow = window;
        handleWhenGone = GetHWND();
    }

    bool Saw(plat::Uint message) const
    {
        for (plat::Uint item : received)
            if (item == message)
                return true;
        return false;
    }

    std::vector<plat::Uint> received;
    plat::WindowHandle goneWindow = nullptr;
    plat::WindowHandle handleWhenGone = reinterpret_cast<plat::WindowHandle>(1);
    plat::WindowHandle ownerToWatch = nullptr;
    bool ownerEnabledDuringLoop = true;

private:
    const wchar_t* m_className;
    const wchar_t* m_baseName;
};

class WindowWndTest : public ::testing::Test
{
protected:
    void SetUp() override { plat::test::UseManualClock(true); }

    void TearDown() override
    {
        SkinUI::CWindowWnd::SetMessagePreTranslator(nullptr);
        for (auto& window : m_windows)
            if (window->GetHWND())
                plat::DestroyWindow(window->GetHWND());
        plat::Msg msg;
        while (plat::PeekMessage(msg, nullptr, 0, 0, plat::kPM_Remove)) {
            if (msg.message != plat::kWM_Quit)
                plat::DispatchMessage(msg);
        }
        plat::test::UseManualClock(false);
    }

    CTestWnd& Make(int width = 200, int height = 100, plat::WindowHandle owner = nullptr,
                   const wchar_t* className = kTestClass, const wchar_t* baseName = nullptr)
    {
        m_windows.push_back(std::make_unique<CTestWnd>(className, baseName));
        CTestWnd& window = *m_windows.back();
        window.CreateNative(owner, L"", plat::kWS_Popup, 0, 10, 20, width, height, 0);
        return window;
    }

    static bool TakeQuit(int& exitCode)
    {
        plat::Msg msg;
        if (!plat::PeekMessage(msg, nullptr, plat::kWM_Quit, plat::kWM_Quit, plat::kPM_Remove))
            return false;
        exitCode = static_cast<int>(msg.wParam);
        return true;
    }

    std::vector<std::unique_ptr<CTestWnd>> m_windows;
};

TEST_F(WindowWndTest, TwoWindowsOfOneClassEachReachTheirOwnObject)
{
    CTestWnd& first = Make();
    CTestWnd& second = Make();
    ASSERT_NE(first.GetHWND(), nullptr);
    ASSERT_NE(second.GetHWND(), nullptr);
    EXPECT_NE(first.GetHWND(), second.GetHWND());
    EXPECT_EQ(plat::GetWindowUserData(first.GetHWND()), &first);

    EXPECT_EQ(second.SendMsg(kProbe), 42);
    EXPECT_FALSE(first.Saw(kProbe));
    EXPECT_TRUE(second.Saw(kProbe));
    // Creation messages reach the object too.
    EXPECT_TRUE(first.Saw(plat::kWM_Create));
}

TEST_F(WindowWndTest, CreateInRectUsesTheRectangleSize)
{
    m_windows.push_back(std::make_unique<CTestWnd>());
    CTestWnd& window = *m_windows.back();
    ASSERT_NE(window.CreateNativeInRect(nullptr, L"", plat::kWS_Popup, 0, SkinUI::RectUI{30, 40, 130, 90}, 0),
              nullptr);
    plat::Rect rect;
    ASSERT_TRUE(plat::GetWindowRect(window.GetHWND(), rect));
    EXPECT_EQ(rect.Width(), 100);
    EXPECT_EQ(rect.Height(), 50);
}

TEST_F(WindowWndTest, SuperclassFallsBackToTheBaseClassProcedure)
{
    plat::WindowClass base;
    base.name = kBaseClass;
    base.proc = BaseClassProc;
    const int registered = plat::RegisterClass(base);
    ASSERT_TRUE(registered == plat::kError_ClassRegistered || registered == plat::kError_ClassAlreadyExists);

    CTestWnd& window = Make(200, 100, nullptr, kSuperClass, kBaseClass);
    ASSERT_NE(window.GetHWND(), nullptr);
    EXPECT_EQ(plat::GetProp(window.GetHWND(), L"WndX"), &window);
    EXPECT_EQ(window.SendMsg(kBaseProbe), kBaseAnswer);
    EXPECT_TRUE(window.Saw(kBaseProbe));
    EXPECT_EQ(window.SendMsg(kProbe), 42);

    CTestWnd& again = Make(200, 100, nullptr, kSuperClass, kBaseClass);
    ASSERT_NE(again.GetHWND(), nullptr);
    EXPECT_EQ(again.SendMsg(kBaseProbe), kBaseAnswer);
}

// Takes over a window made elsewhere, as a subclassing window class does.
class CSubclassingWnd : public CTestWnd
{
public:
    void Attach(plat::WindowHandle window)
    {
        m_windowHandle = window;
        plat::SetWindowUserData(window, this);
        m_originalProc = plat::SetWindowProc(window, NativeWindowProc);
        m_subclassed = true;
    }
    plat::WindowProc OriginalProc() const { return m_originalProc; }
    bool Subclassed() const { return m_subclassed; }
};

TEST_F(WindowWndTest, SubclassedWindowGetsItsProcedureBack)
{
    plat::WindowClass base;
    base.name = kBaseClass;
    base.proc = BaseClassProc;
    plat::RegisterClass(base);
    const plat::WindowHandle window =
        plat::CreateWindowEx(0, kBaseClass, L"", plat::kWS_Popup, 0, 0, 50, 50, nullptr, 0, nullptr);
    ASSERT_NE(window, nullptr);

    CSubclassingWnd restored;
    restored.Attach(window);
    EXPECT_EQ(plat::SendMessage(window, kBaseProbe, 0, 0), kBaseAnswer);
    EXPECT_TRUE(restored.Saw(kBaseProbe));
    restored.RestoreWindowProc();
    EXPECT_EQ(plat::GetWindowProc(window), &BaseClassProc);
    EXPECT_EQ(restored.OriginalProc(), &plat::DefWindowProc);
    EXPECT_FALSE(restored.Subclassed());

    CSubclassingWnd destroyed;
    destroyed.Attach(window);
    ASSERT_TRUE(plat::DestroyWindow(window));
    EXPECT_EQ(destroyed.goneWindow, window);
    EXPECT_EQ(destroyed.GetHWND(), nullptr);
    EXPECT_FALSE(destroyed.Subclassed());
}

TEST_F(WindowWndTest, RegistrationFailureCreatesNothing)
{
    struct Case
    {
        const wchar_t* className;
        const wchar_t* baseName;
    };
    const Case cases[] = {
        {L"", nullptr},
        {L"WindowWndTestOrphan", L"WindowWndTestNoSuchBase"},
    };
    for (const Case& c : cases) {
        CTestWnd& window = Make(200, 100, nullptr, c.className, c.baseName);
        EXPECT_EQ(window.GetHWND(), nullptr) << "class '" << c.className << "'";
        EXPECT_TRUE(window.received.empty());
        EXPECT_EQ(window.RunModal(), 0u) << "the loop ends at once without a window";
    }
}

TEST_F(WindowWndTest, RunModalReturnsTheCodeOfTheCloseThatDestroyedTheWindow)
{
    for (plat::WParam code : {plat::WParam{1}, plat::WParam{7}, plat::WParam{0}}) {
        CTestWnd& window = Make();
        ASSERT_NE(window.GetHWND(), nullptr);
        window.Close(code);
        EXPECT_EQ(window.RunModal(), code);
        EXPECT_EQ(window.GetHWND(), nullptr);
        int exitCode = 0;
        EXPECT_FALSE(TakeQuit(exitCode)) << "no quit message without one posted";
    }
}

TEST_F(WindowWndTest, RunModalEndsOnQuitAndPostsItAgain)
{
    CTestWnd& window = Make();
    ASSERT_NE(window.GetHWND(), nullptr);
    plat::PostQuitMessage(18);
    EXPECT_EQ(window.RunModal(), 0u);
    EXPECT_TRUE(plat::IsWindow(window.GetHWND()));
    EXPECT_TRUE(plat::IsWindowVisible(window.GetHWND()));
    int exitCode = 0;
    ASSERT_TRUE(TakeQuit(exitCode));
    EXPECT_EQ(exitCode, 18);
}

TEST_F(WindowWndTest, RunModalDisablesTheOwnerWhileItRuns)
{
    CTestWnd& owner = Make();
    CTestWnd& dialog = Make(200, 100, owner.GetHWND());
    ASSERT_NE(dialog.GetHWND(), nullptr);
    dialog.ownerToWatch = owner.GetHWND();
    dialog.PostMsg(kProbe);
    dialog.Close(3);
    EXPECT_EQ(dialog.RunModal(), 3u);
    EXPECT_FALSE(dialog.ownerEnabledDuringLoop);
    EXPECT_TRUE(plat::IsWindowEnabled(owner.GetHWND()));
}

TEST_F(WindowWndTest, RunModalLeavesClaimedMessagesUndispatched)
{
    SkinUI::CWindowWnd::SetMessagePreTranslator(
        [](const plat::Msg& msg) { return msg.message == plat::kWM_User + 3; });
    CTestWnd& window = Make();
    window.PostMsg(plat::kWM_User + 3);
    window.PostMsg(kProbe);
    window.Close(1);
    EXPECT_EQ(window.RunModal(), 1u);
    EXPECT_FALSE(window.Saw(plat::kWM_User + 3));
    EXPECT_TRUE(window.Saw(kProbe));
}

TEST_F(WindowWndTest, WindowGoneComesAfterTheLastMessageWithTheHandleCleared)
{
    CTestWnd& window = Make();
    const plat::WindowHandle handle = window.GetHWND();
    ASSERT_NE(handle, nullptr);
    ASSERT_TRUE(plat::DestroyWindow(handle));
    EXPECT_EQ(window.goneWindow, handle);
    EXPECT_EQ(window.handleWhenGone, nullptr);
    EXPECT_EQ(window.GetHWND(), nullptr);
    EXPECT_TRUE(window.Saw(plat::kWM_Destroy));
}

TEST_F(WindowWndTest, CenterOnOwnerKeepsTheWindowInsideTheWorkArea)
{
    plat::Rect area;
    ASSERT_TRUE(plat::GetMonitorWorkArea(nullptr, area));
    const int areaWidth = area.Width();
    const int areaHeight = area.Height();
    struct Case
    {
        const char* name;
        int width, height;
        int expectedLeft, expectedTop;
    };
    const Case cases[] = {
        {"fits", 200, 100, (area.left + area.right) / 2 - 100, (area.top + area.bottom) / 2 - 50},
        {"odd size", 201, 101, (area.left + area.right) / 2 - 100, (area.top + area.bottom) / 2 - 50},
        {"larger than the area", areaWidth + 100, areaHeight + 60, area.left, area.top},
    };
    for (const Case& c : cases) {
        CTestWnd& window = Make(c.width, c.height);
        ASSERT_NE(window.GetHWND(), nullptr);
        window.CenterOnOwner();
        plat::Rect rect;
        ASSERT_TRUE(plat::GetWindowRect(window.GetHWND(), rect));
        EXPECT_EQ(rect.left, c.expectedLeft) << c.name;
        EXPECT_EQ(rect.top, c.expectedTop) << c.name;
        EXPECT_EQ(rect.Width(), c.width) << c.name;
        EXPECT_EQ(rect.Height(), c.height) << c.name;
    }
}

TEST_F(WindowWndTest, CenterOnOwnerCentresOnTheOwnerAndPushesBackInside)
{
    plat::Rect area;
    ASSERT_TRUE(plat::GetMonitorWorkArea(nullptr, area));
    CTestWnd& owner = Make(400, 300);
    ASSERT_TRUE(plat::SetWindowPos(owner.GetHWND(), nullptr, area.left + 100, area.top + 100, 0, 0,
                                   plat::kSWP_NoSize | plat::kSWP_NoZOrder | plat::kSWP_NoActivate));
    CTestWnd& dialog = Make(200, 100, owner.GetHWND());
    dialog.CenterOnOwner();
    plat::Rect rect;
    ASSERT_TRUE(plat::GetWindowRect(dialog.GetHWND(), rect));
    EXPECT_EQ(rect.left, area.left + 200);
    EXPECT_EQ(rect.top, area.top + 200);

    // An owner hanging over the bottom-right corner pulls the window only as far as the edges.
    ASSERT_TRUE(plat::SetWindowPos(owner.GetHWND(), nullptr, area.right - 100, area.bottom - 50, 0, 0,
                                   plat::kSWP_NoSize | plat::kSWP_NoZOrder | plat::kSWP_NoActivate));
    dialog.CenterOnOwner();
    ASSERT_TRUE(plat::GetWindowRect(dialog.GetHWND(), rect));
    EXPECT_EQ(rect.right, area.right);
    EXPECT_EQ(rect.bottom, area.bottom);
}

TEST_F(WindowWndTest, ResizeClientAreaTakesEffectAtOnce)
{
    struct Case
    {
        int width, height;
        int expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {300, 150, 300, 150},
        {-1, 80, 300, 80},
        {120, -1, 120, 80},
        {-1, -1, 120, 80},
    };
    CTestWnd& window = Make();
    plat::Rect before;
    ASSERT_TRUE(plat::GetWindowRect(window.GetHWND(), before));
    for (const Case& c : cases) {
        window.ResizeClientArea(c.width, c.height);
        plat::Rect client;
        ASSERT_TRUE(plat::GetClientRect(window.GetHWND(), client));
        EXPECT_EQ(client.Width(), c.expectedWidth);
        EXPECT_EQ(client.Height(), c.expectedHeight);
    }
    plat::Rect after;
    ASSERT_TRUE(plat::GetWindowRect(window.GetHWND(), after));
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
}

TEST_F(WindowWndTest, ClosePostsCloseWithItsCode)
{
    CTestWnd& window = Make();
    window.Close(9);
    plat::Msg msg;
    ASSERT_TRUE(plat::PeekMessage(msg, window.GetHWND(), plat::kWM_Close, plat::kWM_Close, plat::kPM_Remove));
    EXPECT_EQ(msg.wParam, 9u);
    EXPECT_TRUE(plat::IsWindow(window.GetHWND())) << "closing is left to the message loop";

    CTestWnd unborn;
    unborn.Close(4);
    EXPECT_FALSE(plat::PeekMessage(msg, nullptr, plat::kWM_Close, plat::kWM_Close, plat::kPM_Remove));
}

TEST_F(WindowWndTest, ShowNativeHidesShowsAndActivatesOnlyWhenAsked)
{
    CTestWnd& window = Make();
    CTestWnd& other = Make();
    plat::SetActiveWindow(other.GetHWND());

    window.ShowNative(true, false);
    EXPECT_TRUE(plat::IsWindowVisible(window.GetHWND()));
    EXPECT_EQ(plat::GetActiveWindow(), other.GetHWND());

    window.ShowNative(true, true);
    EXPECT_EQ(plat::GetActiveWindow(), window.GetHWND());

    window.ShowNative(false, true);
    EXPECT_FALSE(plat::IsWindowVisible(window.GetHWND()));
}

TEST_F(WindowWndTest, IconOfAProgramWithoutIconsChangesNothing)
{
    CTestWnd& window = Make();
    window.SetIconResource(101);
    EXPECT_TRUE(plat::IsWindow(window.GetHWND()));

    CTestWnd unborn;
    unborn.SetIconResource(101);
}

TEST_F(WindowWndTest, PostAndSendReachTheWindowsOwnProcedure)
{
    CTestWnd& window = Make();
    EXPECT_EQ(window.SendMsg(kProbe), 42);
    window.received.clear();
    EXPECT_TRUE(window.PostMsg(kProbe));
    EXPECT_FALSE(window.Saw(kProbe));
    plat::Msg msg;
    ASSERT_TRUE(plat::PeekMessage(msg, window.GetHWND(), kProbe, kProbe, plat::kPM_Remove));
    plat::DispatchMessage(msg);
    EXPECT_TRUE(window.Saw(kProbe));
}

} // namespace
