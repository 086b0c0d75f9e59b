#include "WindowFixture.h"

namespace wintest {

CRecorder& CRecorder::Get()
{
    static CRecorder recorder;
    return recorder;
}

void CRecorder::Add(const Received& item)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_items.push_back(item);
}

std::vector<Received> CRecorder::Take()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return std::exchange(m_items, {});
}

std::vector<Received> CRecorder::Of(plat::Uint message)
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<Received> result;
    for (const auto& item : m_items)
        if (item.message == message)
            result.push_back(item);
    return result;
}

void CRecorder::Clear()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_items.clear();
}

plat::LResult RecordingProc(plat::WindowHandle window, plat::Uint message, plat::WParam wParam,
                            plat::LParam lParam)
{
    CRecorder::Get().Add(Received{window, message, wParam, lParam});
    if (message >= plat::kWM_User && message < plat::kWM_User + 100)
        return 100 + static_cast<plat::LResult>(message - plat::kWM_User);
    return plat::DefWindowProc(window, message, wParam, lParam);
}

void WindowTest::SetUp()
{
    plat::test::UseManualClock(true);
    plat::WindowClass windowClass;
    windowClass.name = kRecordingClass;
    windowClass.proc = RecordingProc;
    const int result = plat::RegisterClass(windowClass);
    ASSERT_TRUE(result == plat::kError_ClassRegistered || result == plat::kError_ClassAlreadyExists);
    Drain();
    CRecorder::Get().Clear();
}

void WindowTest::TearDown()
{
    for (plat::WindowHandle window : m_windows)
        plat::DestroyWindow(window);
    Drain();
    plat::Msg msg;
    while (plat::PeekMessage(msg, nullptr, plat::kWM_Quit, plat::kWM_Quit, plat::kPM_Remove)) {
    }
    CRecorder::Get().Clear();
    plat::test::UseManualClock(false);
}

plat::WindowHandle WindowTest::MakeWindow(int width, int height, uint32_t style)
{
    plat::WindowHandle window =
        plat::CreateWindowEx(0, kRecordingClass, L"test", style, 10, 20, width, height, nullptr, 0, nullptr);
    EXPECT_NE(window, nullptr);
    if (window)
        m_windows.push_back(window);
    CRecorder::Get().Clear();
    return window;
}

std::vector<plat::Uint> WindowTest::Drain()
{
    std::vector<plat::Uint> taken;
    plat::Msg msg;
    while (plat::PeekMessage(msg, nullptr, 0, 0, plat::kPM_Remove)) {
        if (msg.message == plat::kWM_Quit)
            break;
        taken.push_back(msg.message);
        plat::TranslateMessage(msg);
        plat::DispatchMessage(msg);
    }
    return taken;
}

} // namespace wintest

// fontconfig keeps its parsed configuration for the life of the process on purpose.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
