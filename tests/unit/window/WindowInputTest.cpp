#include "WindowFixture.h"

using namespace plat;
using wintest::CRecorder;
using wintest::WindowTest;

namespace {

LParam Pack(int low, int high)
{
    return static_cast<LParam>((static_cast<uint32_t>(high & 0xFFFF) << 16) |
                               static_cast<uint32_t>(low & 0xFFFF));
}

class WindowInputTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        test::ResetInput();
    }
    void TearDown() override
    {
        test::ResetInput();
        WindowTest::TearDown();
    }

    // Dispatches the queue and returns the recorded messages of those numbers, in order.
    std::vector<wintest::Received> Delivered(std::initializer_list<Uint> numbers)
    {
        Drain();
        std::vector<wintest::Received> result;
        for (const auto& item : CRecorder::Get().Take())
            for (Uint number : numbers)
                if (item.message == number)
                    result.push_back(item);
        return result;
    }
};

TEST_F(WindowInputTest, SetCursorComesBeforeEachMoveWhichCarriesTheClientPoint)
{
    WindowHandle window = MakeWindow();
    test::InjectMouseMove(window, 10, 5);
    auto items = Delivered({kWM_NcHitTest, kWM_SetCursor, kWM_MouseMove});
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].message, kWM_NcHitTest);
    EXPECT_EQ(items[0].lParam, Pack(20, 25)); // screen point: the window sits at (10, 20)
    EXPECT_EQ(items[1].message, kWM_SetCursor);
    EXPECT_EQ(items[1].lParam, Pack(kHT_Client, kWM_MouseMove));
    EXPECT_EQ(items[2].message, kWM_MouseMove);
    EXPECT_EQ(items[2].lParam, Pack(10, 5));
    EXPECT_EQ(GetCursor(), kIDC_Arrow);
    Point screen;
    GetCursorPos(screen);
    EXPECT_EQ(screen.x, 20);
}

int g_hitAnswer = kHT_Client;

LResult HitTestingProc(WindowHandle window, Uint message, WParam wParam, LParam lParam)
{
    if (message == kWM_NcHitTest) {
        wintest::RecordingProc(window, message, wParam, lParam);
        return g_hitAnswer;
    }
    return wintest::RecordingProc(window, message, wParam, lParam);
}

TEST_F(WindowInputTest, NonClientAreasGetTheirCursorAndNoClientMessages)
{
    struct Case
    {
        int hit;
        int cursor;
    };
    const Case cases[] = {
        {kHT_Caption, kIDC_Arrow},    {kHT_Left, kIDC_SizeWE},         {kHT_Bottom, kIDC_SizeNS},
        {kHT_TopLeft, kIDC_SizeNWSE}, {kHT_BottomLeft, kIDC_SizeNESW},
    };
    WindowHandle window = MakeWindow();
    SetWindowProc(window, HitTestingProc);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hit);
        SetCursor(kIDC_Hand);
        g_hitAnswer = c.hit;
        test::InjectMouseMove(window, 1, 1);
        test::InjectMouseButton(window, kVK_LButton, true, 1, 1);
        test::InjectMouseButton(window, kVK_LButton, false, 1, 1);
        EXPECT_TRUE(Delivered({kWM_MouseMove, kWM_LButtonDown, kWM_LButtonUp}).empty());
        EXPECT_EQ(GetCursor(), c.cursor);
    }
    g_hitAnswer = kHT_Client;
}

struct ClickCase
{
    const char* name;
    bool classAsks;
    uint64_t gapMs;
    int dx;
    std::vector<Uint> expected;
};

TEST_F(WindowInputTest, ASecondClickSoonAndCloseIsADoubleClickForClassesThatAskForIt)
{
    WindowClass dbl;
    dbl.name = L"DoubleClickWindow";
    dbl.proc = wintest::RecordingProc;
    dbl.style = kCS_DblClks;
    RegisterClass(dbl);
    const ClickCase cases[] = {
        {"soon and close", true, 100, 1, {kWM_LButtonDown, kWM_LButtonDblClk}},
        {"class does not ask", false, 100, 1, {kWM_LButtonDown, kWM_LButtonDown}},
        {"too late", true, kDoubleClickMs + 1, 1, {kWM_LButtonDown, kWM_LButtonDown}},
        {"too far", true, 100, kDoubleClickDistance, {kWM_LButtonDown, kWM_LButtonDown}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ResetInput();
        WindowHandle window = CreateWindowEx(0, c.classAsks ? L"DoubleClickWindow" : wintest::kRecordingClass,
                                             L"", kWS_Popup, 0, 0, 50, 50, nullptr, 0, nullptr);
        ASSERT_NE(window, nullptr);
        m_windows.push_back(window);
        CRecorder::Get().Clear();
        test::InjectMouseButton(window, kVK_LButton, true, 10, 10);
        test::InjectMouseButton(window, kVK_LButton, false, 10, 10);
        test::AdvanceClock(c.gapMs);
        test::InjectMouseButton(window, kVK_LButton, true, 10 + c.dx, 10);
        test::InjectMouseButton(window, kVK_LButton, false, 10 + c.dx, 10);
        std::vector<Uint> downs;
        for (const auto& item : Delivered({kWM_LButtonDown, kWM_LButtonDblClk}))
            downs.push_back(item.message);
        EXPECT_EQ(downs, c.expected);
    }
}

TEST_F(WindowInputTest, AThirdQuickClickStartsOverWithAPlainButtonDown)
{
    WindowClass dbl;
    dbl.name = L"DoubleClickWindow";
    dbl.proc = wintest::RecordingProc;
    dbl.style = kCS_DblClks;
    RegisterClass(dbl);
    WindowHandle window =
        CreateWindowEx(0, L"DoubleClickWindow", L"", kWS_Popup, 0, 0, 50, 50, nullptr, 0, nullptr);
    m_windows.push_back(window);
    CRecorder::Get().Clear();
    for (int i = 0; i < 3; ++i) {
        test::InjectMouseButton(window, kVK_LButton, true, 10, 10);
        test::InjectMouseButton(window, kVK_LButton, false, 10, 10);
    }
    std::vector<Uint> downs;
    for (const auto& item : Delivered({kWM_LButtonDown, kWM_LButtonDblClk}))
        downs.push_back(item.message);
    EXPECT_EQ(downs, (std::vector<Uint>{kWM_LButtonDown, kWM_LButtonDblClk, kWM_LButtonDown}));
}

TEST_F(WindowInputTest, AButtonDownActivatesAndFocusesTheWindow)
{
    WindowHandle window = MakeWindow();
    test::InjectMouseButton(window, kVK_LButton, true, 3, 4);
    auto items = Delivered({kWM_MouseActivate, kWM_Activate, kWM_SetFocus, kWM_LButtonDown});
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].message, kWM_MouseActivate);
    EXPECT_EQ(items[1].message, kWM_Activate);
    EXPECT_EQ(items[1].wParam, 1u);
    EXPECT_EQ(items[2].message, kWM_SetFocus);
    EXPECT_EQ(items[3].lParam, Pack(3, 4));
    EXPECT_EQ(items[3].wParam & kMK_LButton, WParam{kMK_LButton});
    EXPECT_EQ(GetActiveWindow(), window);
    EXPECT_EQ(GetFocus(), window);
    EXPECT_LT(GetKeyState(kVK_LButton), 0);
    test::InjectMouseButton(window, kVK_LButton, false, 3, 4);
    EXPECT_EQ(GetKeyState(kVK_LButton), 0);
}

TEST_F(WindowInputTest, ShowingActivatesUnlessToldNotToAndHidingHandsActivationToTheOwner)
{
    WindowHandle owner = MakeWindow();
    ShowWindow(owner, kSW_ShowNormal);
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_EQ(GetFocus(), owner);
    WindowHandle popup =
        CreateWindowEx(0, wintest::kRecordingClass, L"", kWS_Popup, 0, 0, 20, 20, owner, 0, nullptr);
    m_windows.push_back(popup);
    ShowWindow(popup, kSW_ShowNoActivate);
    EXPECT_EQ(GetActiveWindow(), owner);
    ShowWindow(popup, kSW_Show);
    EXPECT_EQ(GetActiveWindow(), popup);
    ShowWindow(popup, kSW_Hide);
    EXPECT_EQ(GetActiveWindow(), owner);
    ShowWindow(popup, kSW_ShowNormal);
    DestroyWindow(popup);
    EXPECT_EQ(GetActiveWindow(), owner);
    ShowWindow(owner, kSW_Minimize);
    EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(WindowInputTest, FocusMovesWithKillFocusBeforeSetFocus)
{
    WindowHandle first = MakeWindow();
    WindowHandle second = MakeWindow();
    SetFocus(first);
    CRecorder::Get().Clear();
    EXPECT_EQ(SetFocus(second), first);
    auto items = CRecorder::Get().Take();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].window, first);
    EXPECT_EQ(items[0].message, kWM_KillFocus);
    EXPECT_EQ(items[0].wParam, reinterpret_cast<WParam>(second));
    EXPECT_EQ(items[1].window, second);
    EXPECT_EQ(items[1].message, kWM_SetFocus);
    EXPECT_EQ(items[1].wParam, reinterpret_cast<WParam>(first));
    DestroyWindow(second);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowInputTest, TheCaptureWindowGetsTheMouseWhereverItIs)
{
    WindowHandle first = MakeWindow(); // at (10, 20)
    WindowHandle second = MakeWindow();
    MoveWindow(second, 300, 20, 200, 100, false);
    SetCapture(first);
    CRecorder::Get().Clear();
    test::InjectMouseMove(second, 5, 5);
    test::InjectMouseButton(second, kVK_LButton, false, 5, 5);
    auto items = Delivered({kWM_MouseMove, kWM_LButtonUp, kWM_NcHitTest, kWM_SetCursor});
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].window, first);
    EXPECT_EQ(items[0].lParam, Pack(295, 5));
    EXPECT_EQ(items[1].message, kWM_LButtonUp);
    EXPECT_EQ(items[1].window, first);
    EXPECT_EQ(GetCapture(), first);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(CRecorder::Get().Of(kWM_CaptureChanged).size(), 1u);
}

TEST_F(WindowInputTest, KeysGiveVirtualKeyCodesAndTextGivesCharacters)
{
    WindowHandle window = MakeWindow();
    SetFocus(window);
    CRecorder::Get().Clear();
    test::InjectKey(kVK_A, true);
    test::InjectText(L"a\u00e9");
    test::InjectKey(kVK_A, false);
    test::InjectKey(kVK_Return, true);
    auto items = Delivered({kWM_KeyDown, kWM_KeyUp, kWM_Char, kWM_SysKeyDown, kWM_SysChar});
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].message, kWM_KeyDown);
    EXPECT_EQ(items[0].wParam, WParam{kVK_A});
    EXPECT_EQ(items[1].message, kWM_Char);
    EXPECT_EQ(items[1].wParam, WParam{L'a'});
    EXPECT_EQ(items[2].wParam, WParam{0xE9});
    EXPECT_EQ(items[3].message, kWM_KeyUp);
    EXPECT_NE(items[3].lParam & (LParam{1} << 31), 0);
    EXPECT_EQ(items[4].message, kWM_KeyDown);
    EXPECT_EQ(items[4].wParam, WParam{kVK_Return});
    EXPECT_EQ(items[5].message, kWM_Char); // typed by the translation of the key-down
    EXPECT_EQ(items[5].wParam, WParam{0x0D});
}

TEST_F(WindowInputTest, AltCombinationsAreSystemKeysTypingSystemCharacters)
{
    WindowHandle window = MakeWindow();
    SetFocus(window);
    CRecorder::Get().Clear();
    test::InjectKey(kVK_Menu, true);
    test::InjectKey(kVK_A + ('F' - 'A'), true);
    test::InjectText(L"f"); // the display may still report the text: it must not arrive twice
    test::InjectKey(kVK_A + ('F' - 'A'), false);
    test::InjectKey(kVK_Menu, false);
    auto items = Delivered({kWM_KeyDown, kWM_Char, kWM_SysKeyDown, kWM_SysKeyUp, kWM_SysChar});
    std::vector<Uint> messages;
    for (const auto& item : items)
        messages.push_back(item.message);
    EXPECT_EQ(messages,
              (std::vector<Uint>{kWM_SysKeyDown, kWM_SysKeyDown, kWM_SysChar, kWM_SysKeyUp, kWM_SysKeyUp}));
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[1].wParam, WParam{'F'});
    EXPECT_EQ(items[2].wParam, WParam{L'f'});
    EXPECT_NE(items[1].lParam & (LParam{1} << 29), 0);
}

TEST_F(WindowInputTest, ADisabledWindowIgnoresInput)
{
    WindowHandle window = MakeWindow();
    SetFocus(window);
    EXPECT_FALSE(EnableWindow(window, false));
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_NE(GetWindowStyle(window) & kWS_Disabled, 0u);
    CRecorder::Get().Clear();
    test::InjectMouseMove(window, 5, 5);
    test::InjectMouseButton(window, kVK_LButton, true, 5, 5);
    test::InjectMouseButton(window, kVK_LButton, false, 5, 5);
    test::InjectKey(kVK_Space, true);
    test::InjectText(L" ");
    test::InjectMouseWheel(window, 120, 5, 5);
    EXPECT_TRUE(Delivered({kWM_MouseMove, kWM_LButtonDown, kWM_LButtonUp, kWM_KeyDown, kWM_Char,
                           kWM_MouseWheel, kWM_SetCursor})
                    .empty());
    EXPECT_TRUE(EnableWindow(window, true));
    EXPECT_EQ(CRecorder::Get().Of(kWM_Enable).size(), 1u);
    test::InjectMouseMove(window, 5, 5);
    EXPECT_EQ(Delivered({kWM_MouseMove}).size(), 1u);
}

TEST_F(WindowInputTest, TheWheelGivesItsDeltaAndTheScreenPoint)
{
    WindowHandle window = MakeWindow();
    test::InjectMouseWheel(window, -240, 4, 6);
    auto items = Delivered({kWM_MouseWheel});
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(static_cast<int16_t>(items[0].wParam >> 16), -240);
    EXPECT_EQ(items[0].lParam, Pack(14, 26));
}

TEST_F(WindowInputTest, LeaveIsPostedOnceWhenTheMouseGoesElsewhere)
{
    WindowHandle first = MakeWindow();
    WindowHandle second = MakeWindow();
    test::InjectMouseMove(first, 5, 5);
    ASSERT_TRUE(TrackMouseEvent(first, kTME_Leave, 0));
    EXPECT_TRUE(Delivered({kWM_MouseLeave}).empty());
    test::InjectMouseMove(second, 5, 5);
    test::InjectMouseMove(second, 6, 5);
    auto leaves = Delivered({kWM_MouseLeave});
    ASSERT_EQ(leaves.size(), 1u);
    EXPECT_EQ(leaves[0].window, first);

    TrackMouseEvent(first, kTME_Leave, 0); // the mouse is not over it: at once
    EXPECT_EQ(Delivered({kWM_MouseLeave}).size(), 1u);
    TrackMouseEvent(second, kTME_Leave, 0);
    test::InjectMouseExit(second);
    EXPECT_EQ(Delivered({kWM_MouseLeave}).size(), 1u);
}

TEST_F(WindowInputTest, HoverIsPostedOnceAfterTheMouseRestedForTheHoverTime)
{
    WindowHandle window = MakeWindow();
    test::InjectMouseMove(window, 5, 5);
    ASSERT_TRUE(TrackMouseEvent(window, kTME_Hover | kTME_Leave, 300));
    test::AdvanceClock(200);
    test::InjectMouseMove(window, 30, 30); // moving on starts the rest again
    test::AdvanceClock(299);
    EXPECT_TRUE(Delivered({kWM_MouseHover}).empty());
    test::AdvanceClock(1);
    auto hovers = Delivered({kWM_MouseHover});
    ASSERT_EQ(hovers.size(), 1u);
    EXPECT_EQ(hovers[0].lParam, Pack(30, 30));
    test::AdvanceClock(1000);
    EXPECT_TRUE(Delivered({kWM_MouseHover}).empty());
    test::InjectMouseExit(window); // leave tracking stays armed after the hover
    EXPECT_EQ(Delivered({kWM_MouseLeave}).size(), 1u);
}

} // namespace
