#include "WindowFixture.h"

using namespace plat;
using wintest::CRecorder;
using wintest::WindowTest;

namespace {

class WindowPaintTest : public WindowTest
{
protected:
    // Paints the window once through its queue; the paint rectangle BeginPaint gave, or an empty one.
    Rect PaintWith(WindowHandle window, Color rgb)
    {
        Msg msg;
        if (!PeekMessage(msg, window, kWM_Paint, kWM_Paint, kPM_Remove))
            return Rect{};
        PaintStruct ps;
        CDeviceContext* dc = BeginPaint(window, ps);
        if (!dc)
            return Rect{};
        Rect all;
        GetClientRect(window, all);
        dc->FillSolidRect(all, rgb); // the clip keeps it inside the update region
        EndPaint(window, ps);
        return ps.paint;
    }
};

TEST_F(WindowPaintTest, PaintedPixelsReachThePresentedFrame)
{
    WindowHandle window = MakeWindow(40, 30);
    ShowWindow(window, kSW_ShowNoActivate);
    Rect painted = PaintWith(window, 0x3366CC);
    EXPECT_EQ(painted.right, 40);
    EXPECT_EQ(painted.bottom, 30);
    auto frame = test::CapturePresentedFrame(window);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Width(), 40);
    EXPECT_EQ(frame->Height(), 30);
    EXPECT_EQ(frame->Pixel(0, 0), 0xFF3366CCu);
    EXPECT_EQ(frame->Pixel(39, 29), 0xFF3366CCu);
    Msg msg;
    EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, kPM_Remove)); // painting validated everything
}

TEST_F(WindowPaintTest, OnlyTheInvalidatedAreaIsRepainted)
{
    WindowHandle window = MakeWindow(40, 30);
    ShowWindow(window, kSW_ShowNoActivate);
    PaintWith(window, 0x000000);
    const Rect dirty{10, 5, 20, 15};
    InvalidateRect(window, &dirty, false);
    Rect box;
    ASSERT_TRUE(GetUpdateRect(window, box));
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.bottom, 15);
    Rect painted = PaintWith(window, 0xFFFFFF);
    EXPECT_EQ(painted.left, 10);
    EXPECT_EQ(painted.right, 20);
    auto frame = test::CapturePresentedFrame(window);
    EXPECT_EQ(frame->Pixel(10, 5), 0xFFFFFFFFu);
    EXPECT_EQ(frame->Pixel(19, 14), 0xFFFFFFFFu);
    EXPECT_EQ(frame->Pixel(20, 14), 0xFF000000u);
    EXPECT_EQ(frame->Pixel(9, 5), 0xFF000000u);
    EXPECT_FALSE(GetUpdateRect(window, box));
}

TEST_F(WindowPaintTest, InvalidationOutsideTheClientAreaLeavesNothingToPaint)
{
    WindowHandle window = MakeWindow(40, 30);
    ShowWindow(window, kSW_ShowNoActivate);
    PaintWith(window, 0);
    const Rect outside{50, 50, 60, 60};
    InvalidateRect(window, &outside, false);
    Rect box;
    EXPECT_FALSE(GetUpdateRect(window, box));
}

TEST_F(WindowPaintTest, ErasingIsAskedForOnceWhenTheInvalidationWantsIt)
{
    WindowHandle window = MakeWindow(40, 30);
    ShowWindow(window, kSW_ShowNoActivate);
    PaintWith(window, 0);
    CRecorder::Get().Clear();
    InvalidateRect(window, nullptr, false);
    PaintWith(window, 0);
    EXPECT_TRUE(CRecorder::Get().Of(kWM_EraseBkgnd).empty());
    InvalidateRect(window, nullptr, true);
    PaintWith(window, 0);
    EXPECT_EQ(CRecorder::Get().Of(kWM_EraseBkgnd).size(), 1u);
}

TEST_F(WindowPaintTest, ASecondBeginPaintInsideAPaintIsRefused)
{
    WindowHandle window = MakeWindow(40, 30);
    PaintStruct first;
    ASSERT_NE(BeginPaint(window, first), nullptr);
    PaintStruct second;
    EXPECT_EQ(BeginPaint(window, second), nullptr);
    EXPECT_TRUE(EndPaint(window, first));
    EXPECT_FALSE(EndPaint(window, first));
}

TEST_F(WindowPaintTest, ResizingTakesEffectAtOnceWithItsSizeMessage)
{
    WindowHandle window = MakeWindow(40, 30);
    ShowWindow(window, kSW_ShowNoActivate);
    PaintWith(window, 0);
    ASSERT_TRUE(SetWindowPos(window, nullptr, 0, 0, 80, 60, kSWP_NoMove | kSWP_NoZOrder | kSWP_NoActivate));
    auto sizes = CRecorder::Get().Of(kWM_Size);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].lParam, (60 << 16) | 80);
    EXPECT_TRUE(CRecorder::Get().Of(kWM_Move).empty());
    Rect rect;
    GetClientRect(window, rect);
    EXPECT_EQ(rect.right, 80);
    EXPECT_EQ(rect.bottom, 60);
    ASSERT_TRUE(GetUpdateRect(window, rect)); // the new buffer must be painted whole
    EXPECT_EQ(rect.right, 80);
    PaintWith(window, 0x102030);
    EXPECT_EQ(test::CapturePresentedFrame(window)->Pixel(79, 59), 0xFF102030u);
}

TEST_F(WindowPaintTest, MovingKeepsTheSizeAndShiftsScreenCoordinates)
{
    WindowHandle window = MakeWindow(40, 30);
    ASSERT_TRUE(MoveWindow(window, 100, 200, 40, 30, false));
    EXPECT_EQ(CRecorder::Get().Of(kWM_Move).size(), 1u);
    EXPECT_TRUE(CRecorder::Get().Of(kWM_Size).empty());
    Rect rect;
    GetWindowRect(window, rect);
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.bottom, 230);
    Point point{5, 6};
    ClientToScreen(window, point);
    EXPECT_EQ(point.x, 105);
    EXPECT_EQ(point.y, 206);
    ScreenToClient(window, point);
    EXPECT_EQ(point.x, 5);
    EXPECT_EQ(point.y, 6);
}

TEST_F(WindowPaintTest, TheWorkAreaIsTheDisplaysUsableBounds)
{
    WindowHandle window = MakeWindow();
    Rect area;
    ASSERT_TRUE(GetMonitorWorkArea(window, area));
    EXPECT_FALSE(area.IsEmpty());
    Rect first;
    ASSERT_TRUE(GetMonitorWorkArea(nullptr, first));
    EXPECT_EQ(first.Width(), area.Width());
}

TEST_F(WindowPaintTest, DefaultPlacementGivesASizeAndAPlaceOnScreen)
{
    WindowHandle window = CreateWindowEx(0, wintest::kRecordingClass, L"", kWS_Popup, kCW_UseDefault, 0,
                                         kCW_UseDefault, 0, nullptr, 0, nullptr);
    ASSERT_NE(window, nullptr);
    m_windows.push_back(window);
    Rect rect;
    GetWindowRect(window, rect);
    EXPECT_GT(rect.Width(), 0);
    EXPECT_GT(rect.Height(), 0);
    EXPECT_NE(rect.left, kCW_UseDefault);
}

TEST_F(WindowPaintTest, TheWindowManagersCloseRequestArrivesAsSystemClose)
{
    WindowHandle window = MakeWindow();
    ShowWindow(window, kSW_ShowNoActivate);
    ASSERT_TRUE(test::RequestClose(window));
    Drain();
    auto commands = CRecorder::Get().Of(kWM_SysCommand);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, kSC_Close);
    EXPECT_EQ(CRecorder::Get().Of(kWM_Close).size(), 1u);
    EXPECT_FALSE(IsWindow(window));
}

} // namespace

namespace {

class CaretTest : public WindowPaintTest
{
protected:
    void TearDown() override
    {
        DestroyCaret();
        WindowPaintTest::TearDown();
    }
};

TEST_F(CaretTest, TheCaretBlinksOverThePresentedFrameWithoutTimerMessages)
{
    WindowHandle window = MakeWindow(40, 30);
    ShowWindow(window, kSW_ShowNoActivate);
    PaintWith(window, 0x000000);
    ASSERT_TRUE(CreateCaret(window, 2, 10));
    SetCaretPos(5, 5);
    EXPECT_EQ(test::CapturePresentedFrame(window)->Pixel(5, 5), 0xFF000000u); // created hidden
    ASSERT_TRUE(ShowCaret(window));
    auto frame = test::CapturePresentedFrame(window);
    EXPECT_EQ(frame->Pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(frame->Pixel(6, 14), 0xFFFFFFFFu);
    EXPECT_EQ(frame->Pixel(7, 5), 0xFF000000u);
    EXPECT_EQ(frame->Pixel(5, 15), 0xFF000000u);

    test::AdvanceClock(kCaretBlinkMs);
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(test::CapturePresentedFrame(window)->Pixel(5, 5), 0xFF000000u);
    test::AdvanceClock(kCaretBlinkMs);
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(test::CapturePresentedFrame(window)->Pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_TRUE(CRecorder::Get().Of(kWM_Timer).empty());
}

TEST_F(CaretTest, RepaintingUnderTheCaretKeepsItAndHidingNests)
{
    WindowHandle window = MakeWindow(40, 30);
    ShowWindow(window, kSW_ShowNoActivate);
    PaintWith(window, 0x000000);
    CreateCaret(window, 1, 8);
    SetCaretPos(10, 10);
    ShowCaret(window);
    InvalidateRect(window, nullptr, false);
    PaintWith(window, 0x000000);
    EXPECT_EQ(test::CapturePresentedFrame(window)->Pixel(10, 10), 0xFFFFFFFFu);

    HideCaret(window);
    HideCaret(window);
    ShowCaret(window);
    EXPECT_EQ(test::CapturePresentedFrame(window)->Pixel(10, 10), 0xFF000000u); // still hidden once
    ShowCaret(window);
    EXPECT_EQ(test::CapturePresentedFrame(window)->Pixel(10, 10), 0xFFFFFFFFu);
    SetCaretPos(20, 10);
    auto frame = test::CapturePresentedFrame(window);
    EXPECT_EQ(frame->Pixel(10, 10), 0xFF000000u);
    EXPECT_EQ(frame->Pixel(20, 10), 0xFFFFFFFFu);
    DestroyCaret();
    EXPECT_EQ(test::CapturePresentedFrame(window)->Pixel(20, 10), 0xFF000000u);
}

} // namespace
