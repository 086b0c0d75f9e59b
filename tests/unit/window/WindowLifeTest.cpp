#include "WindowFixture.h"

using namespace plat;
using wintest::CRecorder;
using wintest::WindowTest;

namespace {

class WindowLifeTest : public WindowTest
{
};

std::vector<Uint> Messages(const std::vector<wintest::Received>& items)
{
    std::vector<Uint> result;
    for (const auto& item : items)
        result.push_back(item.message);
    return result;
}

TEST_F(WindowLifeTest, CreationSendsNcCreateCreateMinMaxInfoAndSizeInThatOrder)
{
    int tag = 0;
    WindowHandle window =
        CreateWindowEx(0, wintest::kRecordingClass, L"t", kWS_Popup, 5, 6, 300, 150, nullptr, 0, &tag);
    ASSERT_NE(window, nullptr);
    m_windows.push_back(window);
    auto items = CRecorder::Get().Take();
    ASSERT_EQ(Messages(items), (std::vector<Uint>{kWM_NcCreate, kWM_Create, kWM_GetMinMaxInfo, kWM_Size}));
    EXPECT_EQ(items[3].lParam, (150 << 16) | 300);
    Rect rect;
    ASSERT_TRUE(GetWindowRect(window, rect));
    EXPECT_EQ(rect.left, 5);
    EXPECT_EQ(rect.top, 6);
    EXPECT_EQ(rect.Width(), 300);
    ASSERT_TRUE(GetClientRect(window, rect));
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.Height(), 150);
}

void* g_seenParam = nullptr;

LResult RefusingProc(WindowHandle window, Uint message, WParam wParam, LParam lParam)
{
    if (message == kWM_NcCreate) {
        g_seenParam = reinterpret_cast<const CreateStruct*>(lParam)->createParam;
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

TEST_F(WindowLifeTest, AWindowWhoseNcCreateAnswersZeroIsNotCreatedAndSawTheCreationParameter)
{
    WindowClass refusing;
    refusing.name = L"RefusingWindow";
    refusing.proc = RefusingProc;
    RegisterClass(refusing);
    int tag = 0;
    EXPECT_EQ(CreateWindowEx(0, L"RefusingWindow", L"", kWS_Popup, 0, 0, 10, 10, nullptr, 0, &tag), nullptr);
    EXPECT_EQ(g_seenParam, &tag);
}

TEST_F(WindowLifeTest, TwoWindowsOfOneClassAndTheClassRegisteredOnce)
{
    WindowClass again;
    again.name = wintest::kRecordingClass;
    again.proc = wintest::RecordingProc;
    EXPECT_EQ(RegisterClass(again), kError_ClassAlreadyExists);
    WindowClass nameless;
    nameless.proc = wintest::RecordingProc;
    EXPECT_EQ(RegisterClass(nameless), kError_InvalidClass);
    EXPECT_EQ(CreateWindowEx(0, L"NoSuchClass", L"", kWS_Popup, 0, 0, 10, 10, nullptr, 0, nullptr), nullptr);

    WindowHandle first = MakeWindow();
    WindowHandle second = MakeWindow();
    ASSERT_NE(first, second);
    CRecorder::Get().Clear();
    PostMessage(second, kWM_User + 1, 0, 0);
    PostMessage(first, kWM_User + 2, 0, 0);
    Drain();
    auto items = CRecorder::Get().Take();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].window, second);
    EXPECT_EQ(items[1].window, first);
    EXPECT_EQ(GetClassName(first), wintest::kRecordingClass);
}

struct CloseCase
{
    const char* name;
    Uint message;
    WParam wParam;
    std::vector<Uint> expected;
};

TEST_F(WindowLifeTest, CloseAndSystemCloseDestroyTheWindowDestroyBeforeNcDestroy)
{
    const CloseCase cases[] = {
        {"close", kWM_Close, 0, {kWM_Close, kWM_ShowWindow, kWM_Destroy, kWM_NcDestroy}},
        {"system close",
         kWM_SysCommand,
         kSC_Close,
         {kWM_SysCommand, kWM_Close, kWM_ShowWindow, kWM_Destroy, kWM_NcDestroy}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WindowHandle window = MakeWindow();
        ShowWindow(window, kSW_ShowNoActivate);
        Drain();
        CRecorder::Get().Clear();
        PostMessage(window, c.message, c.wParam, 0);
        Drain();
        EXPECT_EQ(Messages(CRecorder::Get().Take()), c.expected);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_FALSE(PostMessage(window, kWM_User, 0, 0));
        EXPECT_EQ(SendMessage(window, kWM_User, 0, 0), 0);
    }
}

TEST_F(WindowLifeTest, DestroyingAWindowDestroysTheWindowsItOwnsAndDropsItsTimersAndMessages)
{
    WindowHandle owner = MakeWindow();
    WindowHandle owned =
        CreateWindowEx(0, wintest::kRecordingClass, L"", kWS_Popup, 0, 0, 10, 10, owner, 0, nullptr);
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(GetWindow(owned, kGW_Owner), owner);
    SetTimer(owner, 1, 10);
    PostMessage(owner, kWM_User + 1, 0, 0);
    CRecorder::Get().Clear();
    ASSERT_TRUE(DestroyWindow(owner));
    EXPECT_FALSE(IsWindow(owned));
    auto items = CRecorder::Get().Take();
    ASSERT_EQ(Messages(items), (std::vector<Uint>{kWM_Destroy, kWM_Destroy, kWM_NcDestroy, kWM_NcDestroy}));
    EXPECT_EQ(items[0].window, owner);
    EXPECT_EQ(items[1].window, owned);
    EXPECT_EQ(items[3].window, owner);
    test::AdvanceClock(100);
    EXPECT_TRUE(Drain().empty());
    EXPECT_FALSE(DestroyWindow(owner));
}

TEST_F(WindowLifeTest, SystemMinimiseAndRestoreKeepTheWindowVisible)
{
    WindowHandle window = MakeWindow();
    ShowWindow(window, kSW_Show);
    SendMessage(window, kWM_SysCommand, kSC_Minimize, 0);
    EXPECT_TRUE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_NE(GetWindowStyle(window) & kWS_Minimize, 0u);
    SendMessage(window, kWM_SysCommand, kSC_Restore, 0);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(window));
    ShowWindow(window, kSW_Hide);
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(WindowLifeTest, UserDataPropertiesAndProcedureBelongToTheWindow)
{
    WindowHandle first = MakeWindow();
    WindowHandle second = MakeWindow();
    int a = 0;
    int b = 0;
    EXPECT_EQ(SetWindowUserData(first, &a), nullptr);
    EXPECT_EQ(SetWindowUserData(first, &b), &a);
    EXPECT_EQ(GetWindowUserData(first), &b);
    EXPECT_EQ(GetWindowUserData(second), nullptr);
    EXPECT_TRUE(SetProp(first, L"WndX", &a));
    EXPECT_EQ(GetProp(first, L"WndX"), &a);
    EXPECT_EQ(GetProp(second, L"WndX"), nullptr);
    SetProp(first, L"WndX", nullptr);
    EXPECT_EQ(GetProp(first, L"WndX"), nullptr);
    EXPECT_EQ(GetWindowProc(first), wintest::RecordingProc);
    EXPECT_TRUE(SetWindowText(first, L"Title"));
    EXPECT_EQ(GetWindowText(first), L"Title");
}

TEST_F(WindowLifeTest, NothingIsFoundThroughAStaleOrForeignHandle)
{
    WindowHandle window = MakeWindow();
    DestroyWindow(window);
    EXPECT_EQ(GetWindowUserData(window), nullptr);
    Rect rect;
    EXPECT_FALSE(GetClientRect(window, rect));
    EXPECT_FALSE(IsWindow(reinterpret_cast<WindowHandle>(uintptr_t{0x7}))); // never handed out
    EXPECT_FALSE(DestroyWindow(nullptr));
}

} // namespace
