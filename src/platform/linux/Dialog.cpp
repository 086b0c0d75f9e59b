#include "platform/Dialog.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/Graphics.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "platform/linux/DialogInternal.h"
#include "platform/linux/WindowInternal.h"

// Message boxes are windows of their own on the UI thread, drawn with the platform's device
// contexts. Without any video device they are written to standard error and answered with the most
// cautious choice their buttons offer.
namespace plat {

using namespace detail;

namespace {
constexpr const wchar_t* kBoxClass = L"PlatMessageBox";
constexpr int kMargin = 16;
constexpr int kGap = 8;
constexpr int kIconSize = 32;
constexpr int kMaxTextWidth = 440;
constexpr int kMinButtonWidth = 88;
constexpr int kButtonHeight = 26;
constexpr int kBandPadding = 12;
constexpr int kMinWidth = 220;
constexpr Color kTopColor = 0xFFFFFF;
constexpr Color kBandColor = 0xF0F0F0;
constexpr Color kTextColor = 0x1A1A1A;

std::mutex g_responderLock;
std::function<int(const MessageBoxRequest&)> g_responder;

// Boxes open on the UI thread; a box asked for on another thread waits until none is.
std::mutex g_turnLock;
std::mutex g_openLock;
std::condition_variable g_openChanged;
int g_openBoxes = 0;
std::vector<WindowHandle> g_openWindows; // UI thread only

std::function<int(const MessageBoxRequest&)> Responder()
{
    std::lock_guard<std::mutex> lock(g_responderLock);
    return g_responder;
}

int AnswerOnStderr(const std::wstring& text, const std::wstring& caption, uint32_t flags)
{
    std::fprintf(stderr, "[%s] %s\n", WideToUtf8(caption).c_str(), WideToUtf8(text).c_str());
    return CautiousAnswer(flags);
}

struct Box
{
    std::wstring text;
    uint32_t flags = 0;
    std::vector<int> buttons;
    std::vector<Rect> buttonRects;
    const ButtonLabels* labels = nullptr;
    std::unique_ptr<CFont> font;
    std::unique_ptr<CFont> iconFont;
    Rect textRect;
    Rect iconRect;
    int bandTop = 0;
    int width = 0;
    int height = 0;
    size_t focused = 0;
    int pressed = -1;
    int answer = 0;

    bool Mirrored() const { return (flags & kMB_RtlReading) != 0; }
    bool RightAligned() const { return (flags & (kMB_Right | kMB_RtlReading)) != 0; }
    int IconKind() const { return static_cast<int>(flags & 0xF0); }
};

void OpenChanged(int delta)
{
    std::lock_guard<std::mutex> lock(g_openLock);
    g_openBoxes += delta;
    g_openChanged.notify_all();
}

Size MeasureText(CFont& font, const std::wstring& text, int maxWidth, unsigned format)
{
    auto dc = CDeviceContext::CreateMemory();
    auto bitmap = CBitmap::CreateDib(1, -1);
    if (!dc || !bitmap)
        return Size{};
    dc->SelectBitmap(bitmap.get());
    dc->SelectFont(&font);
    Rect rect{0, 0, maxWidth, 0};
    dc->DrawText(text, rect, format | kDT_CalcRect);
    return Size{rect.Width(), rect.Height()};
}

bool LayOut(Box& box)
{
    FontDesc desc = StockGuiFont();
    desc.height = -13;
    box.font = CFont::Create(desc);
    desc.height = -22;
    desc.weight = kFW_Bold;
    box.iconFont = CFont::Create(desc);
    if (!box.font || !box.iconFont)
        return false;

    const Size text = MeasureText(*box.font, box.text, kMaxTextWidth, kDT_WordBreak | kDT_NoPrefix);
    int buttonWidth = kMinButtonWidth;
    for (int id : box.buttons) {
        const Size label =
            MeasureText(*box.font, LabelOf(*box.labels, id), 1000, kDT_SingleLine | kDT_NoPrefix);
        buttonWidth = std::max(buttonWidth, label.cx + 24);
    }
    const int count = static_cast<int>(box.buttons.size());
    const int buttonsWidth = count * buttonWidth + (count - 1) * kGap;
    const bool icon = box.IconKind() != 0;
    const int contentWidth = (icon ? kIconSize + kMargin : 0) + text.cx;
    box.width = std::max({contentWidth + 2 * kMargin, buttonsWidth + 2 * kMargin, kMinWidth});
    const int upper = std::max(icon ? kIconSize : 0, text.cy) + 2 * kMargin;
    box.bandTop = upper;
    box.height = upper + kButtonHeight + 2 * kBandPadding;

    const int iconLeft = box.Mirrored() ? box.width - kMargin - kIconSize : kMargin;
    box.iconRect = icon ? Rect{iconLeft, kMargin, iconLeft + kIconSize, kMargin + kIconSize} : Rect{};
    const int textLeft = icon && !box.Mirrored() ? kMargin + kIconSize + kMargin : kMargin;
    const int textRight = icon && box.Mirrored() ? box.width - 2 * kMargin - kIconSize : box.width - kMargin;
    const int textTop = kMargin + (icon && text.cy < kIconSize ? (kIconSize - text.cy) / 2 : 0);
    box.textRect = Rect{textLeft, textTop, textRight, textTop + text.cy};

    // Right to left: the first button stands on the left edge's side of the row, mirrored.
    box.buttonRects.clear();
    const int top = box.bandTop + kBandPadding;
    for (int i = 0; i < count; ++i) {
        const int fromEdge = (count - 1 - i) * (buttonWidth + kGap);
        const int left = box.Mirrored() ? kMargin + fromEdge : box.width - kMargin - buttonWidth - fromEdge;
        box.buttonRects.push_back(Rect{left, top, left + buttonWidth, top + kButtonHeight});
    }
    box.focused = (box.flags & kMB_DefButton2) && count > 1 ? 1 : 0;
    return true;
}

void PaintIcon(CDeviceContext& dc, const Box& box)
{
    static const struct
    {
        int kind;
        Color fill;
        Color mark;
        const wchar_t* symbol;
    } kIcons[] = {
        {kMB_IconStop, 0xC42B1C, 0xFFFFFF, L"\u2715"},
        {kMB_IconQuestion, 0x1F6FC5, 0xFFFFFF, L"?"},
        {kMB_IconWarning, 0xF2B200, 0x1A1A1A, L"!"},
        {kMB_IconInformation, 0x1F6FC5, 0xFFFFFF, L"i"},
    };
    for (const auto& icon : kIcons) {
        if (icon.kind != box.IconKind())
            continue;
        const Rect& r = box.iconRect;
        dc.Save();
        CRegion disc = CRegion::RoundRect(r.left, r.top, r.right + 1, r.bottom + 1, kIconSize, kIconSize);
        dc.SelectClipRegion(&disc);
        dc.FillSolidRect(r, icon.fill);
        dc.SelectFont(box.iconFont.get());
        dc.SetBkMode(kBk_Transparent);
        dc.SetTextColor(icon.mark);
        Rect textRect = r;
        dc.DrawText(icon.symbol, textRect, kDT_Center | kDT_VCenter | kDT_SingleLine | kDT_NoPrefix);
        dc.Restore();
    }
}

void PaintButton(CDeviceContext& dc, const Box& box, size_t index)
{
    const Rect& r = box.buttonRects[index];
    const bool focused = index == box.focused;
    dc.FillSolidRect(r, box.pressed == static_cast<int>(index) ? 0xCCE4F7 : 0xE1E1E1);
    Pen outline;
    outline.rgb = focused ? 0x0078D7 : 0xADADAD;
    dc.DrawRectOutline(r, outline);
    if (focused)
        dc.DrawRectOutline(Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, outline);
    Rect label = r;
    dc.SetTextColor(kTextColor);
    dc.DrawText(LabelOf(*box.labels, box.buttons[index]), label,
                kDT_Center | kDT_VCenter | kDT_SingleLine | kDT_NoPrefix);
}

void Paint(WindowHandle window, Box& box)
{
    PaintStruct ps;
    CDeviceContext* dc = BeginPaint(window, ps);
    if (!dc)
        return;
    dc->FillSolidRect(Rect{0, 0, box.width, box.bandTop}, kTopColor);
    dc->FillSolidRect(Rect{0, box.bandTop, box.width, box.height}, kBandColor);
    PaintIcon(*dc, box);
    dc->SelectFont(box.font.get());
    dc->SetBkMode(kBk_Transparent);
    dc->SetTextColor(kTextColor);
    Rect text = box.textRect;
    dc->DrawText(box.text, text, kDT_WordBreak | kDT_NoPrefix | (box.RightAligned() ? kDT_Right : kDT_Left));
    for (size_t i = 0; i < box.buttons.size(); ++i)
        PaintButton(*dc, box, i);
    EndPaint(window, ps);
}

int ButtonAt(const Box& box, LParam lParam)
{
    const int x = static_cast<int16_t>(lParam & 0xFFFF);
    const int y = static_cast<int16_t>((lParam >> 16) & 0xFFFF);
    for (size_t i = 0; i < box.buttonRects.size(); ++i) {
        const Rect& r = box.buttonRects[i];
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return static_cast<int>(i);
    }
    return -1;
}

// Arrow keys move in the direction they point, whichever way the row is mirrored.
void MoveFocus(WindowHandle window, Box& box, int step)
{
    const int count = static_cast<int>(box.buttons.size());
    box.focused = static_cast<size_t>((static_cast<int>(box.focused) + step + count) % count);
    InvalidateRect(window, nullptr, false);
}

bool HandleKey(WindowHandle window, Box& box, unsigned key)
{
    const int forward = box.Mirrored() ? -1 : 1;
    switch (key) {
    case kVK_Return:
    case kVK_Space:
        box.answer = box.buttons[box.focused];
        return true;
    case kVK_Escape:
        if (const int answer = CloseAnswer(box.flags))
            box.answer = answer;
        return true;
    case kVK_Tab:
        MoveFocus(window, box, (GetKeyState(kVK_Shift) < 0) ? -1 : 1);
        return true;
    case kVK_Right:
        MoveFocus(window, box, forward);
        return true;
    case kVK_Left:
        MoveFocus(window, box, -forward);
        return true;
    default:
        return false;
    }
}

LResult BoxProc(WindowHandle window, Uint message, WParam wParam, LParam lParam)
{
    if (message == kWM_NcCreate) {
        SetWindowUserData(window, reinterpret_cast<const CreateStruct*>(lParam)->createParam);
        return 1;
    }
    auto* box = static_cast<Box*>(GetWindowUserData(window));
    if (!box)
        return DefWindowProc(window, message, wParam, lParam);
    switch (message) {
    case kWM_Paint:
        Paint(window, *box);
        return 0;
    case kWM_LButtonDown:
        box->pressed = ButtonAt(*box, lParam);
        if (box->pressed >= 0) {
            box->focused = static_cast<size_t>(box->pressed);
            SetCapture(window);
            InvalidateRect(window, nullptr, false);
        }
        return 0;
    case kWM_LButtonUp: {
        const int pressed = std::exchange(box->pressed, -1);
        if (pressed < 0)
            return 0;
        ReleaseCapture();
        InvalidateRect(window, nullptr, false);
        if (ButtonAt(*box, lParam) == pressed)
            box->answer = box->buttons[static_cast<size_t>(pressed)];
        return 0;
    }
    case kWM_KeyDown:
        HandleKey(window, *box, static_cast<unsigned>(wParam));
        return 0;
    case kWM_Close:
        // As on Windows, a box without Cancel (or a lone OK) cannot be closed by its close button.
        if (const int answer = CloseAnswer(box->flags))
            box->answer = answer;
        return 0;
    case kWM_NcDestroy:
        SetWindowUserData(window, nullptr);
        return 0;
    default:
        return DefWindowProc(window, message, wParam, lParam);
    }
}

Point BoxPosition(WindowHandle owner, int width, int height)
{
    Rect area{0, 0, 1024, 768};
    GetMonitorWorkArea(owner, area);
    Rect reference = area;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, reference);
    int x = reference.left + (reference.Width() - width) / 2;
    int y = reference.top + (reference.Height() - height) / 2;
    x = std::max(area.left, std::min(x, area.right - width));
    y = std::max(area.top, std::min(y, area.bottom - height));
    return Point{x, y};
}

// Disables the owner while the box is open; enables and activates it again afterwards.
class COwnerLock
{
public:
    explicit COwnerLock(WindowHandle owner) : m_owner(IsWindow(owner) ? owner : nullptr)
    {
        m_wasDisabled = m_owner && EnableWindow(m_owner, false);
        OpenChanged(1);
    }
    ~COwnerLock()
    {
        if (m_owner && IsWindow(m_owner)) {
            if (!m_wasDisabled)
                EnableWindow(m_owner, true);
            SetActiveWindow(m_owner);
        }
        OpenChanged(-1);
    }
    COwnerLock(const COwnerLock&) = delete;
    COwnerLock& operator=(const COwnerLock&) = delete;

private:
    WindowHandle m_owner;
    bool m_wasDisabled = false;
};

// Pumps the UI thread's messages until done says so; a WM_QUIT seen meanwhile is posted again.
template <typename Done> void PumpUntil(Done done)
{
    bool quit = false;
    int quitCode = 0;
    Msg msg;
    while (!done()) {
        if (!GetMessage(msg, nullptr, 0, 0)) {
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            break;
        }
        TranslateMessage(msg);
        DispatchMessage(msg);
    }
    if (quit)
        PostQuitMessage(quitCode);
}

int AnswerThroughResponder(const std::function<int(const MessageBoxRequest&)>& responder,
                           const MessageBoxRequest& request)
{
    COwnerLock ownerLock(request.owner);
    std::atomic<bool> answered{false};
    int answer = 0;
    const uint32_t uiThread = GetCurrentThreadId();
    // The responder answers on a thread of its own so this thread's timers and messages go on.
    std::thread helper([&] {
        answer = responder(request);
        answered = true;
        PostThreadMessage(uiThread, kWM_Null, 0, 0);
    });
    PumpUntil([&] { return answered.load(); });
    helper.join(); // after a WM_QUIT the answer is awaited without dispatching anything more
    return answer;
}

bool RegisterBoxClass()
{
    WindowClass boxClass;
    boxClass.name = kBoxClass;
    boxClass.proc = BoxProc;
    const int result = RegisterClass(boxClass);
    return result == kError_ClassRegistered || result == kError_ClassAlreadyExists;
}

int ShowBoxWindow(const MessageBoxRequest& request)
{
    Box box;
    box.text = request.text;
    box.flags = request.flags;
    box.buttons = ButtonsFor(request.flags);
    box.labels = &LabelsFor(GetUserDefaultUILanguage());
    if (!RegisterBoxClass() || !LayOut(box))
        return AnswerOnStderr(request.text, request.caption, request.flags);
    const WindowHandle owner = IsWindow(request.owner) ? request.owner : nullptr;
    const Point at = BoxPosition(owner, box.width, box.height);
    COwnerLock ownerLock(owner);
    WindowHandle window =
        CreateWindowEx(kWS_Ex_Topmost, kBoxClass, request.caption, kWS_Popup | kWS_Caption | kWS_SysMenu,
                       at.x, at.y, box.width, box.height, owner, 0, &box);
    if (!window)
        return AnswerOnStderr(request.text, request.caption, request.flags);
    g_openWindows.push_back(window);
    ShowWindow(window, kSW_ShowNormal);
    if (request.flags & kMB_SetForeground)
        SetForegroundWindow(window);
    else
        SetActiveWindow(window);
    PumpUntil([&] { return box.answer != 0 || !IsWindow(window); });
    g_openWindows.erase(std::remove(g_openWindows.begin(), g_openWindows.end(), window), g_openWindows.end());
    DestroyWindow(window);
    return box.answer != 0 ? box.answer : CautiousAnswer(request.flags);
}

// On the UI thread (or the main thread before any window exists).
int MessageBoxHere(const MessageBoxRequest& request)
{
    if (auto responder = Responder())
        return AnswerThroughResponder(responder, request);
    return ShowBoxWindow(request);
}

bool IsMainThread()
{
    return static_cast<uint32_t>(getpid()) == GetCurrentThreadId();
}
} // namespace

int MessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption, uint32_t flags)
{
    const MessageBoxRequest request{owner, text, caption, flags};
    if (IsUiThread())
        return MessageBoxHere(request);

    const std::shared_ptr<ThreadQueue> ui = UiQueue();
    if (ui) {
        // Another thread's box: one at a time, after the UI thread's own boxes, answered there.
        std::lock_guard<std::mutex> turn(g_turnLock);
        {
            std::unique_lock<std::mutex> lock(g_openLock);
            g_openChanged.wait(lock, [] { return g_openBoxes == 0; });
        }
        LResult answer = 0;
        if (CallOnThread(
                ui, [&] { return static_cast<LResult>(MessageBoxHere(request)); }, answer))
            return static_cast<int>(answer);
    }
    if (auto responder = Responder())
        return responder(request);
    // Only the main thread may become the UI thread; a worker without one writes the box out.
    if (!ui && IsMainThread() && EnsureVideo())
        return ShowBoxWindow(request);
    return AnswerOnStderr(text, caption, flags);
}

namespace test {
void SetMessageBoxResponder(std::function<int(const MessageBoxRequest&)> responder)
{
    std::lock_guard<std::mutex> lock(g_responderLock);
    g_responder = std::move(responder);
}

WindowHandle OpenMessageBox()
{
    return g_openWindows.empty() ? nullptr : g_openWindows.back();
}
} // namespace test

} // namespace plat
