#include <cstdlib>
#include <map>
#include <utility>

#include "platform/System.h"

#include "platform/linux/WindowInternal.h"

namespace plat {

namespace detail {

namespace {
struct Tracking
{
    uint32_t flags = 0;
    uint32_t hoverTime = kHoverDefault;
    uint64_t restStart = 0;
    Point restPoint;
};

struct LastClick
{
    WindowHandle window = nullptr;
    unsigned button = 0;
    uint64_t time = 0;
    Point point;
    bool wasDouble = false;
};

// Input state of the UI thread.
struct InputState
{
    WindowHandle focus = nullptr;
    WindowHandle active = nullptr;
    WindowHandle capture = nullptr;
    WindowHandle mouseWindow = nullptr;
    Point cursorScreen;
    int cursor = kIDC_Arrow;
    bool keys[256] = {};
    std::map<WindowHandle, Tracking> tracking;
    LastClick lastClick;
};

InputState& Input()
{
    static InputState state;
    return state;
}

LParam PackPoint(int x, int y)
{
    return static_cast<LParam>((static_cast<uint32_t>(y & 0xFFFF) << 16) | static_cast<uint32_t>(x & 0xFFFF));
}

WParam MouseKeyState()
{
    const InputState& input = Input();
    WParam state = 0;
    if (input.keys[kVK_LButton])
        state |= kMK_LButton;
    if (input.keys[kVK_RButton])
        state |= kMK_RButton;
    if (input.keys[kVK_MButton])
        state |= kMK_MButton;
    if (input.keys[kVK_Shift])
        state |= kMK_Shift;
    if (input.keys[kVK_Control])
        state |= kMK_Control;
    return state;
}

bool Accepts(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    return record && record->enabled && !record->destroying;
}

bool InClient(WindowHandle window, const Point& screen)
{
    Rect rect;
    return GetWindowRect(window, rect) && screen.x >= rect.left && screen.x < rect.right &&
           screen.y >= rect.top && screen.y < rect.bottom;
}

void PostLeave(WindowHandle window)
{
    auto it = Input().tracking.find(window);
    if (it == Input().tracking.end() || !(it->second.flags & kTME_Leave))
        return;
    Input().tracking.erase(it);
    PostMessage(window, kWM_MouseLeave, 0, 0);
}

void RestartHover(WindowHandle window, const Point& screen)
{
    auto it = Input().tracking.find(window);
    if (it == Input().tracking.end())
        return;
    Tracking& tracking = it->second;
    if (std::abs(screen.x - tracking.restPoint.x) > kHoverDistance / 2 ||
        std::abs(screen.y - tracking.restPoint.y) > kHoverDistance / 2) {
        tracking.restPoint = screen;
        tracking.restStart = GetTickCount64();
    }
}

// Where a button message of the window goes when the class asks for double-clicks.
Uint ButtonDownMessage(WindowHandle window, unsigned button, const Point& screen)
{
    const Uint down = button == kVK_LButton   ? Uint{kWM_LButtonDown}
                      : button == kVK_RButton ? Uint{kWM_RButtonDown}
                                              : Uint{kWM_MButtonDown};
    LastClick& last = Input().lastClick;
    const uint64_t now = GetTickCount64();
    auto record = FindOwnWindow(window);
    const bool asks = record && (record->windowClass.style & kCS_DblClks);
    const bool isDouble = asks && !last.wasDouble && last.window == window && last.button == button &&
                          now - last.time <= kDoubleClickMs &&
                          std::abs(screen.x - last.point.x) <= kDoubleClickDistance / 2 &&
                          std::abs(screen.y - last.point.y) <= kDoubleClickDistance / 2;
    last = LastClick{window, button, now, screen, isDouble};
    return isDouble ? down + 2 : down;
}

void Activate(WindowHandle window, int hit, Uint message)
{
    if (Input().active == window)
        return;
    if (GetWindowExStyle(window) & kWS_Ex_NoActivate)
        return;
    const LResult answer = SendMessage(window, kWM_MouseActivate, reinterpret_cast<WParam>(window),
                                       PackPoint(hit, static_cast<int>(message)));
    if (answer == 3 || answer == 4) // MA_NOACTIVATE, MA_NOACTIVATEANDEAT
        return;
    SetActiveWindow(window);
}
} // namespace

void OnMouseMove(WindowHandle window, int x, int y)
{
    InputState& input = Input();
    Point screen{x, y};
    ClientToScreen(window, screen);
    input.cursorScreen = screen;
    if (input.capture) {
        Point client = screen;
        ScreenToClient(input.capture, client);
        RestartHover(input.capture, screen);
        PostMessage(input.capture, kWM_MouseMove, MouseKeyState(), PackPoint(client.x, client.y));
        return;
    }
    if (input.mouseWindow && input.mouseWindow != window)
        PostLeave(input.mouseWindow);
    input.mouseWindow = window;
    if (!Accepts(window))
        return;
    const int hit = static_cast<int>(SendMessage(window, kWM_NcHitTest, 0, PackPoint(screen.x, screen.y)));
    SendMessage(window, kWM_SetCursor, reinterpret_cast<WParam>(window), PackPoint(hit, kWM_MouseMove));
    if (hit != kHT_Client) {
        PostLeave(window);
        return;
    }
    RestartHover(window, screen);
    PostMessage(window, kWM_MouseMove, MouseKeyState(), PackPoint(x, y));
}

void OnMouseButton(WindowHandle window, unsigned button, bool down, int x, int y)
{
    InputState& input = Input();
    input.keys[button & 0xFF] = down;
    Point screen{x, y};
    ClientToScreen(window, screen);
    input.cursorScreen = screen;
    WindowHandle target = input.capture ? input.capture : window;
    if (!Accepts(target))
        return;
    Point client = screen;
    ScreenToClient(target, client);
    if (!input.capture) {
        const int hit =
            static_cast<int>(SendMessage(target, kWM_NcHitTest, 0, PackPoint(screen.x, screen.y)));
        if (down)
            Activate(target, hit, button == kVK_LButton ? kWM_LButtonDown : kWM_RButtonDown);
        if (hit != kHT_Client)
            return;
    }
    Uint message;
    if (down)
        message = ButtonDownMessage(target, button, screen);
    else
        message = button == kVK_LButton   ? Uint{kWM_LButtonUp}
                  : button == kVK_RButton ? Uint{kWM_RButtonUp}
                                          : Uint{kWM_MButtonUp};
    PostMessage(target, message, MouseKeyState(), PackPoint(client.x, client.y));
    if (!down && button == kVK_RButton && !input.capture)
        PostMessage(target, kWM_ContextMenu, reinterpret_cast<WParam>(target), PackPoint(screen.x, screen.y));
}

void OnMouseWheel(WindowHandle window, int delta, int x, int y)
{
    Point screen{x, y};
    ClientToScreen(window, screen);
    Input().cursorScreen = screen;
    WindowHandle target = Input().focus ? Input().focus : window;
    if (!Accepts(target))
        return;
    const WParam wParam =
        (static_cast<WParam>(static_cast<uint16_t>(static_cast<int16_t>(delta))) << 16) | MouseKeyState();
    PostMessage(target, kWM_MouseWheel, wParam, PackPoint(screen.x, screen.y));
}

void OnMouseExit(WindowHandle window)
{
    if (Input().mouseWindow == window)
        Input().mouseWindow = nullptr;
    if (!Input().capture)
        PostLeave(window);
}

void OnKey(unsigned virtualKey, bool down)
{
    InputState& input = Input();
    const unsigned key = virtualKey & 0xFF;
    const bool wasDown = input.keys[key];
    input.keys[key] = down;
    WindowHandle target = input.focus ? input.focus : input.active;
    if (!Accepts(target))
        return;
    const bool alt = input.keys[kVK_Menu] || key == kVK_Menu;
    const bool system = (alt && !input.keys[kVK_Control]) || key == 0x79; // F10 is a system key too
    Uint message = down ? kWM_KeyDown : kWM_KeyUp;
    if (system)
        message = down ? kWM_SysKeyDown : kWM_SysKeyUp;
    uint32_t flags = 1;
    if (alt)
        flags |= 1u << 29;
    if (wasDown)
        flags |= 1u << 30;
    if (!down)
        flags |= 3u << 30;
    PostMessage(target, message, key, static_cast<LParam>(flags));
}

void OnText(const std::wstring& text)
{
    InputState& input = Input();
    WindowHandle target = input.focus ? input.focus : input.active;
    if (!Accepts(target))
        return;
    // With Alt down the key-down's translation types the character as WM_SYSCHAR.
    if (input.keys[kVK_Menu] && !input.keys[kVK_Control])
        return;
    for (wchar_t ch : text)
        PostMessage(target, kWM_Char, static_cast<WParam>(ch), 1);
}

void OnWindowGone(WindowHandle window)
{
    InputState& input = Input();
    input.tracking.erase(window);
    if (input.capture == window)
        input.capture = nullptr;
    if (input.focus == window)
        input.focus = nullptr;
    if (input.active == window)
        input.active = nullptr;
    if (input.mouseWindow == window)
        input.mouseWindow = nullptr;
    if (input.lastClick.window == window)
        input.lastClick = LastClick{};
}

void OnFocusLost(WindowHandle window)
{
    InputState& input = Input();
    if (input.active == window)
        SetActiveWindow(nullptr);
}

void CheckHover()
{
    const uint64_t now = GetTickCount64();
    for (auto it = Input().tracking.begin(); it != Input().tracking.end(); ++it) {
        Tracking& tracking = it->second;
        if (!(tracking.flags & kTME_Hover) || now - tracking.restStart < tracking.hoverTime)
            continue;
        tracking.flags &= ~kTME_Hover;
        Point client = Input().cursorScreen;
        ScreenToClient(it->first, client);
        PostMessage(it->first, kWM_MouseHover, MouseKeyState(), PackPoint(client.x, client.y));
    }
}

bool HoverPending()
{
    for (const auto& entry : Input().tracking)
        if (entry.second.flags & kTME_Hover)
            return true;
    return false;
}

} // namespace detail

using namespace detail;

WindowHandle SetFocus(WindowHandle window)
{
    InputState& input = Input();
    const WindowHandle previous = input.focus;
    if (window && !FindOwnWindow(window))
        return nullptr;
    if (window == previous)
        return previous;
    input.focus = window;
    if (previous && IsWindow(previous))
        SendMessage(previous, kWM_KillFocus, reinterpret_cast<WParam>(window), 0);
    if (window && input.focus == window)
        SendMessage(window, kWM_SetFocus, reinterpret_cast<WParam>(previous), 0);
    return previous;
}

WindowHandle GetFocus()
{
    return IsWindow(Input().focus) ? Input().focus : nullptr;
}

WindowHandle SetActiveWindow(WindowHandle window)
{
    InputState& input = Input();
    const WindowHandle previous = input.active;
    if (window && !FindOwnWindow(window))
        return nullptr;
    if (window == previous)
        return previous;
    input.active = window;
    if (previous && IsWindow(previous))
        SendMessage(previous, kWM_Activate, 0, reinterpret_cast<LParam>(window));
    if (window) {
        SendMessage(window, kWM_Activate, 1, reinterpret_cast<LParam>(previous));
        SetFocus(window);
    } else {
        SetFocus(nullptr);
    }
    return previous;
}

WindowHandle GetActiveWindow()
{
    return IsWindow(Input().active) ? Input().active : nullptr;
}

bool SetForegroundWindow(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    if (record->sdl)
        RaiseSdlWindow(*record);
    SetActiveWindow(window);
    return true;
}

bool EnableWindow(WindowHandle window, bool enable)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    const bool wasDisabled = !record->enabled;
    if (record->enabled == enable)
        return wasDisabled;
    record->enabled = enable;
    if (!enable && Input().capture == window)
        ReleaseCapture();
    SendMessage(window, kWM_Enable, enable ? 1 : 0, 0);
    return wasDisabled;
}

bool IsWindowEnabled(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    return record && record->enabled;
}

WindowHandle SetCapture(WindowHandle window)
{
    InputState& input = Input();
    const WindowHandle previous = input.capture;
    if (!FindOwnWindow(window))
        return nullptr;
    input.capture = window;
    if (previous && previous != window && IsWindow(previous))
        SendMessage(previous, kWM_CaptureChanged, 0, reinterpret_cast<LParam>(window));
    CaptureSdlMouse(true);
    return previous;
}

bool ReleaseCapture()
{
    InputState& input = Input();
    const WindowHandle previous = std::exchange(input.capture, nullptr);
    CaptureSdlMouse(false);
    if (previous && IsWindow(previous))
        SendMessage(previous, kWM_CaptureChanged, 0, 0);
    return true;
}

WindowHandle GetCapture()
{
    return IsWindow(Input().capture) ? Input().capture : nullptr;
}

int SetCursor(int cursorId)
{
    InputState& input = Input();
    const int previous = input.cursor;
    input.cursor = cursorId;
    if (cursorId != previous)
        ShowSdlCursor(cursorId);
    return previous;
}

int GetCursor()
{
    return Input().cursor;
}

bool GetCursorPos(Point& point)
{
    point = Input().cursorScreen;
    return true;
}

int16_t GetKeyState(unsigned virtualKey)
{
    return Input().keys[virtualKey & 0xFF] ? static_cast<int16_t>(0x8000) : 0;
}

bool TrackMouseEvent(WindowHandle window, uint32_t flags, uint32_t hoverTime)
{
    if (!FindOwnWindow(window))
        return false;
    InputState& input = Input();
    if (flags & kTME_Cancel) {
        auto it = input.tracking.find(window);
        if (it != input.tracking.end()) {
            it->second.flags &= ~flags;
            if (!(it->second.flags & (kTME_Hover | kTME_Leave)))
                input.tracking.erase(it);
        }
        return true;
    }
    Tracking& tracking = input.tracking[window];
    tracking.flags |= flags & (kTME_Hover | kTME_Leave);
    if (flags & kTME_Hover) {
        tracking.hoverTime = hoverTime == 0 || hoverTime == 0xFFFFFFFF ? kHoverDefault : hoverTime;
        tracking.restStart = GetTickCount64();
        tracking.restPoint = input.cursorScreen;
    }
    if ((flags & kTME_Leave) && (input.mouseWindow != window || !InClient(window, input.cursorScreen)))
        PostLeave(window);
    return true;
}

namespace test {
void InjectMouseMove(WindowHandle window, int x, int y)
{
    OnMouseMove(window, x, y);
}

void InjectMouseButton(WindowHandle window, unsigned button, bool down, int x, int y)
{
    OnMouseButton(window, button, down, x, y);
}

void InjectMouseWheel(WindowHandle window, int delta, int x, int y)
{
    OnMouseWheel(window, delta, x, y);
}

void InjectMouseExit(WindowHandle window)
{
    OnMouseExit(window);
}

void InjectKey(unsigned virtualKey, bool down)
{
    OnKey(virtualKey, down);
}

void InjectText(const std::wstring& text)
{
    OnText(text);
}

void ResetInput()
{
    Input() = InputState{};
}
} // namespace test

} // namespace plat
