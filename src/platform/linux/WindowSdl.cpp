#include <SDL.h>

#include <algorithm>

#include "platform/System.h"
#include "platform/Text.h"
#include "platform/linux/WindowInternal.h"

namespace plat::detail {

namespace {
constexpr const char* kHandleKey = "plat.window";

struct VideoState
{
    std::mutex lock;
    bool started = false;
    uint32_t uiThread = 0;
    uint32_t wakeEvent = 0;
    std::weak_ptr<ThreadQueue> uiQueue;
};

VideoState& Video()
{
    static VideoState* state = new VideoState;
    return *state;
}

WindowHandle HandleOf(uint32_t sdlWindowId)
{
    SDL_Window* sdl = SDL_GetWindowFromID(sdlWindowId);
    return sdl ? static_cast<WindowHandle>(SDL_GetWindowData(sdl, kHandleKey)) : nullptr;
}

void PostOwn(WindowHandle window, Uint message, WParam wParam, LParam lParam)
{
    if (window)
        PostMessage(window, message, wParam, lParam);
}

LParam PackPoint(int x, int y)
{
    return static_cast<LParam>((static_cast<uint32_t>(y & 0xFFFF) << 16) | static_cast<uint32_t>(x & 0xFFFF));
}

// What the window manager did to a window reaches our records here.
void HandleWindowEvent(const SDL_WindowEvent& event)
{
    const WindowHandle window = HandleOf(event.windowID);
    auto record = FindOwnWindow(window);
    if (!record)
        return;
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        // Alt+F4 and the taskbar ask through the system menu, so the window can question the close.
        PostOwn(window, kWM_SysCommand, kSC_Close, 0);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        InvalidateRect(window, nullptr, false);
        break;
    case SDL_WINDOWEVENT_MOVED:
        if (event.data1 != record->rect.left || event.data2 != record->rect.top) {
            const int width = record->rect.Width();
            const int height = record->rect.Height();
            record->rect = Rect{event.data1, event.data2, event.data1 + width, event.data2 + height};
            SendMessage(window, kWM_Move, 0, PackPoint(event.data1, event.data2));
        }
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        if (event.data1 != record->rect.Width() || event.data2 != record->rect.Height()) {
            record->rect.right = record->rect.left + event.data1;
            record->rect.bottom = record->rect.top + event.data2;
            ResizeBackBuffer(*record);
            SendMessage(window, kWM_Size, 0, PackPoint(event.data1, event.data2));
        }
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        record->minimized = true;
        break;
    case SDL_WINDOWEVENT_RESTORED:
        if (record->minimized) {
            record->minimized = false;
            InvalidateRect(window, nullptr, false);
        }
        break;
    default:
        break;
    }
}

unsigned VirtualKey(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return kVK_A + static_cast<unsigned>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return kVK_0 + static_cast<unsigned>(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return kVK_F1 + static_cast<unsigned>(key - SDLK_F1);
    switch (key) {
    case SDLK_BACKSPACE:
        return kVK_Back;
    case SDLK_TAB:
        return kVK_Tab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return kVK_Return;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return kVK_Shift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return kVK_Control;
    case SDLK_LALT:
    case SDLK_RALT:
        return kVK_Menu;
    case SDLK_PAUSE:
        return kVK_Pause;
    case SDLK_CAPSLOCK:
        return kVK_Capital;
    case SDLK_ESCAPE:
        return kVK_Escape;
    case SDLK_SPACE:
        return kVK_Space;
    case SDLK_PAGEUP:
        return kVK_Prior;
    case SDLK_PAGEDOWN:
        return kVK_Next;
    case SDLK_END:
        return kVK_End;
    case SDLK_HOME:
        return kVK_Home;
    case SDLK_LEFT:
        return kVK_Left;
    case SDLK_UP:
        return kVK_Up;
    case SDLK_RIGHT:
        return kVK_Right;
    case SDLK_DOWN:
        return kVK_Down;
    case SDLK_INSERT:
        return kVK_Insert;
    case SDLK_DELETE:
        return kVK_Delete;
    default:
        return 0;
    }
}

unsigned MouseButton(Uint8 button)
{
    switch (button) {
    case SDL_BUTTON_LEFT:
        return kVK_LButton;
    case SDL_BUTTON_RIGHT:
        return kVK_RButton;
    case SDL_BUTTON_MIDDLE:
        return kVK_MButton;
    default:
        return 0;
    }
}

void HandleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_WINDOWEVENT:
        HandleWindowEvent(event.window);
        if (event.window.event == SDL_WINDOWEVENT_LEAVE)
            OnMouseExit(HandleOf(event.window.windowID));
        else if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
            SetActiveWindow(HandleOf(event.window.windowID));
        else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            OnFocusLost(HandleOf(event.window.windowID));
        break;
    case SDL_MOUSEMOTION:
        if (WindowHandle window = HandleOf(event.motion.windowID))
            OnMouseMove(window, event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (WindowHandle window = HandleOf(event.button.windowID); window && MouseButton(event.button.button))
            OnMouseButton(window, MouseButton(event.button.button), event.type == SDL_MOUSEBUTTONDOWN,
                          event.button.x, event.button.y);
        break;
    case SDL_MOUSEWHEEL:
        if (WindowHandle window = HandleOf(event.wheel.windowID)) {
            int x = 0;
            int y = 0;
            SDL_GetMouseState(&x, &y);
            const int notches =
                event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
            OnMouseWheel(window, notches * 120, x, y);
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (const unsigned key = VirtualKey(event.key.keysym.sym))
            OnKey(key, event.type == SDL_KEYDOWN);
        break;
    case SDL_TEXTINPUT:
        OnText(Utf8ToWide(event.text.text));
        break;
    default:
        // SDL_QUIT never becomes WM_QUIT: it would skip the close question and the clean-up.
        break;
    }
}

// SDL asks this while the mouse is pressed over the window: the window's own hit test decides
// what drags or resizes it.
SDL_HitTestResult HitTest(SDL_Window* sdl, const SDL_Point* area, void* data)
{
    const auto window = static_cast<WindowHandle>(data);
    int left = 0;
    int top = 0;
    SDL_GetWindowPosition(sdl, &left, &top);
    const LParam point = PackPoint(area->x + left, area->y + top);
    switch (static_cast<int>(SendMessage(window, kWM_NcHitTest, 0, point))) {
    case kHT_Caption:
        return SDL_HITTEST_DRAGGABLE;
    case kHT_Left:
        return SDL_HITTEST_RESIZE_LEFT;
    case kHT_Right:
        return SDL_HITTEST_RESIZE_RIGHT;
    case kHT_Top:
        return SDL_HITTEST_RESIZE_TOP;
    case kHT_Bottom:
        return SDL_HITTEST_RESIZE_BOTTOM;
    case kHT_TopLeft:
        return SDL_HITTEST_RESIZE_TOPLEFT;
    case kHT_TopRight:
        return SDL_HITTEST_RESIZE_TOPRIGHT;
    case kHT_BottomLeft:
        return SDL_HITTEST_RESIZE_BOTTOMLEFT;
    case kHT_BottomRight:
        return SDL_HITTEST_RESIZE_BOTTOMRIGHT;
    default:
        return SDL_HITTEST_NORMAL;
    }
}

SDL_SystemCursor SystemCursor(int cursorId)
{
    switch (cursorId) {
    case kIDC_IBeam:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case kIDC_Wait:
        return SDL_SYSTEM_CURSOR_WAIT;
    case kIDC_Cross:
        return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case kIDC_SizeNWSE:
        return SDL_SYSTEM_CURSOR_SIZENWSE;
    case kIDC_SizeNESW:
        return SDL_SYSTEM_CURSOR_SIZENESW;
    case kIDC_SizeWE:
        return SDL_SYSTEM_CURSOR_SIZEWE;
    case kIDC_SizeNS:
        return SDL_SYSTEM_CURSOR_SIZENS;
    case kIDC_SizeAll:
        return SDL_SYSTEM_CURSOR_SIZEALL;
    case kIDC_No:
        return SDL_SYSTEM_CURSOR_NO;
    case kIDC_Hand:
        return SDL_SYSTEM_CURSOR_HAND;
    default:
        return SDL_SYSTEM_CURSOR_ARROW;
    }
}
} // namespace

bool EnsureVideo()
{
    VideoState& video = Video();
    std::lock_guard<std::mutex> lock(video.lock);
    const uint32_t self = GetCurrentThreadId();
    if (video.started)
        return video.uiThread == self;
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        return false;
    video.wakeEvent = SDL_RegisterEvents(1);
    video.started = true;
    video.uiThread = self;
    const auto& queue = CurrentQueue();
    video.uiQueue = queue;
    std::lock_guard<std::mutex> queueLock(queue->lock);
    queue->sdlThread = true;
    return true;
}

bool IsUiThread()
{
    VideoState& video = Video();
    std::lock_guard<std::mutex> lock(video.lock);
    return video.started && video.uiThread == GetCurrentThreadId();
}

std::shared_ptr<ThreadQueue> UiQueue()
{
    VideoState& video = Video();
    std::lock_guard<std::mutex> lock(video.lock);
    return video.uiQueue.lock();
}

void PushWake()
{
    SDL_Event event{};
    event.type = Video().wakeEvent;
    SDL_PushEvent(&event);
}

void PumpSdlEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
        HandleEvent(event);
}

void WaitSdlEvent(int timeoutMs)
{
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeoutMs < 0 ? 1000 : timeoutMs))
        HandleEvent(event);
}

SDL_Window* CreateSdlWindow(WindowRecord& record)
{
    Uint32 flags = SDL_WINDOW_HIDDEN;
    const bool popup = (record.style & kWS_Popup) != 0;
    if (popup && (record.style & kWS_Caption) != kWS_Caption)
        flags |= SDL_WINDOW_BORDERLESS;
    if (record.style & kWS_ThickFrame)
        flags |= SDL_WINDOW_RESIZABLE;
    if (record.exStyle & kWS_Ex_Topmost)
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    if (record.exStyle & kWS_Ex_ToolWindow)
        flags |= SDL_WINDOW_SKIP_TASKBAR;
    const bool defaultPlace = record.rect.left == kCW_UseDefault;
    const int x = defaultPlace ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : record.rect.left;
    const int y = defaultPlace ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : record.rect.top;
    const int width = std::max(record.rect.Width(), 1);
    const int height = std::max(record.rect.Height(), 1);
    SDL_Window* sdl = SDL_CreateWindow(WideToUtf8(record.title).c_str(), x, y, width, height, flags);
    if (!sdl)
        return nullptr;
    SDL_SetWindowData(sdl, kHandleKey, record.handle);
    SDL_SetWindowHitTest(sdl, HitTest, record.handle);
    if (defaultPlace) {
        int left = 0;
        int top = 0;
        SDL_GetWindowPosition(sdl, &left, &top);
        record.rect = Rect{left, top, left + record.rect.Width(), top + record.rect.Height()};
    }
    return sdl;
}

void DestroySdlWindow(WindowRecord& record)
{
    if (!record.sdl)
        return;
    SDL_SetWindowData(record.sdl, kHandleKey, nullptr);
    SDL_DestroyWindow(record.sdl);
    record.sdl = nullptr;
}

void ShowSdlWindow(WindowRecord& record, int command)
{
    switch (command) {
    case kSW_Hide:
        SDL_HideWindow(record.sdl);
        break;
    case kSW_Minimize:
    case kSW_ShowMinimized:
        SDL_ShowWindow(record.sdl);
        SDL_MinimizeWindow(record.sdl);
        break;
    case kSW_Restore:
        SDL_ShowWindow(record.sdl);
        SDL_RestoreWindow(record.sdl);
        break;
    case kSW_ShowNoActivate:
    case kSW_ShowNA:
        SDL_ShowWindow(record.sdl);
        break;
    default:
        SDL_ShowWindow(record.sdl);
        SDL_RaiseWindow(record.sdl);
        break;
    }
}

void MoveSdlWindow(WindowRecord& record)
{
    SDL_SetWindowPosition(record.sdl, record.rect.left, record.rect.top);
    SDL_SetWindowSize(record.sdl, std::max(record.rect.Width(), 1), std::max(record.rect.Height(), 1));
}

void SetSdlTitle(WindowRecord& record)
{
    if (record.sdl)
        SDL_SetWindowTitle(record.sdl, WideToUtf8(record.title).c_str());
}

void RaiseSdlWindow(WindowRecord& record)
{
    SDL_RaiseWindow(record.sdl);
}

void LimitSdlWindow(WindowRecord& record, const MinMaxInfo& info)
{
    if (info.minTrackSize.x > 0 && info.minTrackSize.y > 0)
        SDL_SetWindowMinimumSize(record.sdl, info.minTrackSize.x, info.minTrackSize.y);
    if (info.maxTrackSize.x > 0 && info.maxTrackSize.y > 0)
        SDL_SetWindowMaximumSize(record.sdl, info.maxTrackSize.x, info.maxTrackSize.y);
}

bool SetSdlOpacity(WindowRecord& record, uint8_t alpha)
{
    return SDL_SetWindowOpacity(record.sdl, static_cast<float>(alpha) / 255.0f) == 0;
}

bool SetSdlIcon(WindowRecord& record, const CBitmap& icon)
{
    // SDL wants straight alpha; the bitmap holds premultiplied pixels.
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, icon.Width(), icon.Height(), 32, SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return false;
    for (int y = 0; y < icon.Height(); ++y) {
        const uint32_t* src = icon.Row(y);
        auto* dst = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < icon.Width(); ++x) {
            const uint32_t p = src[x];
            const uint32_t a = p >> 24;
            if (a == 0) {
                dst[x] = 0;
                continue;
            }
            auto straight = [&](int shift) {
                return std::min<uint32_t>(255, ((p >> shift) & 0xFF) * 255 / a);
            };
            dst[x] = (a << 24) | (straight(16) << 16) | (straight(8) << 8) | straight(0);
        }
    }
    SDL_SetWindowIcon(record.sdl, surface);
    SDL_FreeSurface(surface);
    return true;
}

void CaptureSdlMouse(bool on)
{
    if (IsUiThread())
        SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE);
}

void ShowSdlCursor(int cursorId)
{
    if (!IsUiThread())
        return;
    // System cursors are made once and kept for the life of the program.
    static SDL_Cursor* cursors[SDL_NUM_SYSTEM_CURSORS] = {};
    const SDL_SystemCursor id = SystemCursor(cursorId);
    if (!cursors[id])
        cursors[id] = SDL_CreateSystemCursor(id);
    if (cursors[id])
        SDL_SetCursor(cursors[id]);
}

bool SdlWorkArea(const WindowRecord* record, Rect& area)
{
    int display = record && record->sdl ? SDL_GetWindowDisplayIndex(record->sdl) : 0;
    if (display < 0)
        display = 0;
    SDL_Rect bounds{};
    if (SDL_GetDisplayUsableBounds(display, &bounds) != 0 && SDL_GetDisplayBounds(display, &bounds) != 0)
        return false;
    area = Rect{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    return !area.IsEmpty();
}

void PushCloseRequest(const WindowRecord& record)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = SDL_GetWindowID(record.sdl);
    SDL_PushEvent(&event);
}

void InvertOnSdl(WindowRecord& record, const Rect& area)
{
    SDL_Surface* surface = SDL_GetWindowSurface(record.sdl);
    if (!surface || surface->format->BytesPerPixel != 4)
        return;
    const int left = std::max(area.left, 0);
    const int top = std::max(area.top, 0);
    const int right = std::min(area.right, surface->w);
    const int bottom = std::min(area.bottom, surface->h);
    if (right <= left || bottom <= top)
        return;
    SDL_LockSurface(surface);
    for (int y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch);
        for (int x = left; x < right; ++x)
            row[x] ^= 0x00FFFFFFu;
    }
    SDL_UnlockSurface(surface);
    if (record.presented) {
        for (int y = top; y < std::min(bottom, record.presented->Height()); ++y)
            for (int x = left; x < std::min(right, record.presented->Width()); ++x)
                record.presented->Row(y)[x] ^= 0x00FFFFFFu;
    }
    SDL_Rect rect{left, top, right - left, bottom - top};
    SDL_UpdateWindowSurfaceRects(record.sdl, &rect, 1);
}

void PresentToSdl(WindowRecord& record, const Rect& area)
{
    CBitmap& buffer = *record.backBuffer;
    if (!record.presented || record.presented->Width() != buffer.Width() ||
        record.presented->Height() != buffer.Height())
        record.presented = CBitmap::CreateDib(buffer.Width(), -buffer.Height());
    const int left = std::max(area.left, 0);
    const int top = std::max(area.top, 0);
    const int right = std::min(area.right, buffer.Width());
    const int bottom = std::min(area.bottom, buffer.Height());
    if (right <= left || bottom <= top)
        return;
    for (int y = top; y < bottom; ++y)
        std::copy(buffer.Row(y) + left, buffer.Row(y) + right, record.presented->Row(y) + left);

    SDL_Surface* surface = SDL_GetWindowSurface(record.sdl);
    if (!surface || surface->format->BytesPerPixel != 4)
        return;
    const int surfaceRight = std::min(right, surface->w);
    const int surfaceBottom = std::min(bottom, surface->h);
    if (surfaceRight <= left || surfaceBottom <= top)
        return;
    SDL_LockSurface(surface);
    const bool xrgb = surface->format->format == SDL_PIXELFORMAT_RGB888 ||
                      surface->format->format == SDL_PIXELFORMAT_ARGB8888;
    for (int y = top; y < surfaceBottom; ++y) {
        const uint32_t* src = buffer.Row(y);
        auto* dst = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch);
        for (int x = left; x < surfaceRight; ++x) {
            // Premultiplied pixels over black: the colour channels as they stand.
            const uint32_t p = src[x];
            dst[x] = xrgb ? (p & 0xFFFFFFu) | 0xFF000000u
                          : SDL_MapRGB(surface->format, (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
        }
    }
    SDL_UnlockSurface(surface);
    SDL_Rect rect{left, top, surfaceRight - left, surfaceBottom - top};
    SDL_UpdateWindowSurfaceRects(record.sdl, &rect, 1);
    OverlayCaret(record, Rect{left, top, right, bottom});
}

} // namespace plat::detail
