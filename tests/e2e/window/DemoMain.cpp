// A small native window for the end-to-end test: a blue caption strip to drag by, a white client area
// with a button-like rectangle. It reports on stdout what the test waits for, one line per event.
#include <cstdio>

#include "DemoLayout.h"
#include "platform/Graphics.h"
#include "platform/Window.h"

namespace {

const wchar_t kClassName[] = L"SkE2eDemo";

int16_t LowWord(plat::LParam value)
{
    return static_cast<int16_t>(static_cast<uint32_t>(value) & 0xFFFF);
}

int16_t HighWord(plat::LParam value)
{
    return static_cast<int16_t>((static_cast<uint32_t>(value) >> 16) & 0xFFFF);
}

void Report(const char* what, int x, int y)
{
    std::printf("%s %d %d\n", what, x, y);
    std::fflush(stdout);
}

void Paint(plat::WindowHandle window)
{
    plat::PaintStruct ps;
    plat::CDeviceContext* dc = plat::BeginPaint(window, ps);
    if (!dc)
        return;
    using namespace e2edemo;
    dc->FillSolidRect(plat::Rect{0, 0, kWidth, kHeight}, kClientRgb);
    dc->FillSolidRect(plat::Rect{0, 0, kWidth, kCaptionHeight}, kCaptionRgb);
    dc->FillSolidRect(kButton, kButtonRgb);
    dc->DrawRectOutline(kButton, plat::Pen{plat::kPS_Solid, 1, kButtonEdgeRgb, false});
    const plat::FontDesc captionFont{L"Sans", -14, plat::kFW_Bold, false, false};
    std::unique_ptr<plat::CFont> font = plat::CFont::Create(captionFont);
    if (font) {
        plat::CFont* before = dc->SelectFont(font.get());
        dc->SetBkMode(plat::kBk_Transparent);
        dc->SetTextColor(0xFFFFFF);
        plat::Rect title{10, 0, kWidth - 10, kCaptionHeight};
        dc->DrawText(L"End-to-end window", title, plat::kDT_SingleLine | plat::kDT_VCenter);
        dc->SetTextColor(0x000000);
        plat::Rect label = kButton;
        dc->DrawText(L"Click me", label, plat::kDT_SingleLine | plat::kDT_VCenter | plat::kDT_Center);
        dc->SelectFont(before);
    }
    plat::EndPaint(window, ps);
}

plat::LResult DemoProc(plat::WindowHandle window, plat::Uint message, plat::WParam wParam,
                       plat::LParam lParam)
{
    switch (message) {
    case plat::kWM_NcHitTest: {
        plat::Point point{LowWord(lParam), HighWord(lParam)};
        plat::ScreenToClient(window, point);
        return point.y >= 0 && point.y < e2edemo::kCaptionHeight ? plat::kHT_Caption : plat::kHT_Client;
    }
    case plat::kWM_LButtonDown:
        Report("click", LowWord(lParam), HighWord(lParam));
        return 0;
    case plat::kWM_Move:
        Report("moved", LowWord(lParam), HighWord(lParam));
        return 0;
    case plat::kWM_Paint:
        Paint(window);
        return 0;
    case plat::kWM_Destroy:
        plat::PostQuitMessage(0);
        return 0;
    default:
        return plat::DefWindowProc(window, message, wParam, lParam);
    }
}

} // namespace

int main()
{
    plat::WindowClass windowClass;
    windowClass.name = kClassName;
    windowClass.proc = DemoProc;
    if (plat::RegisterClass(windowClass) != plat::kError_ClassRegistered) {
        std::fprintf(stderr, "e2e_window_demo: the window class cannot be registered\n");
        return 2;
    }
    plat::WindowHandle window =
        plat::CreateWindowEx(0, kClassName, e2edemo::kTitle, plat::kWS_Popup, e2edemo::kStartX,
                             e2edemo::kStartY, e2edemo::kWidth, e2edemo::kHeight, nullptr, 0, nullptr);
    if (!window) {
        std::fprintf(stderr, "e2e_window_demo: no window (is a display there?)\n");
        return 3;
    }
    plat::ShowWindow(window, plat::kSW_Show);
    plat::UpdateWindow(window);
    plat::Rect rect;
    plat::GetWindowRect(window, rect);
    Report("ready", rect.left, rect.top);

    plat::Msg msg;
    while (plat::GetMessage(msg, nullptr, 0, 0)) {
        plat::TranslateMessage(msg);
        plat::DispatchMessage(msg);
    }
    std::printf("exit %d\n", static_cast<int>(msg.wParam));
    std::fflush(stdout);
    return static_cast<int>(msg.wParam);
}

// fontconfig keeps its parsed configuration and libdbus (opened by SDL's X11 backend) its connection
// data for the life of the process on purpose; under the sanitizers neither is a leak of ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
