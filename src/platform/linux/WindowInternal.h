#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Window.h"

struct SDL_Window;

// What the window sources share: window records, the registry of live windows and the per-thread
// queues.
namespace plat::detail {

struct ThreadQueue;

struct SentRecord
{
    WindowHandle window = nullptr;
    Uint message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    // Set for work handed to the thread instead of a message.
    std::function<LResult()> call;
    LResult result = 0;
    bool done = false;
    std::shared_ptr<ThreadQueue> sender;
};

struct Timer
{
    WindowHandle window = nullptr;
    uintptr_t id = 0;
    uint32_t interval = 0;
    uint64_t due = 0;
};

struct ThreadQueue
{
    uint32_t threadId = 0;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Msg> posted;
    std::deque<std::shared_ptr<SentRecord>> sent;
    bool quitPosted = false;
    int quitCode = 0;
    bool alive = true;
    // Set once this thread runs SDL's event loop: it then waits inside SDL and needs an SDL wake-up.
    bool sdlThread = false;
    // One wake-up event in SDL's queue is enough; many would crowd out the input events.
    bool wakePending = false;
    // Owner-thread only.
    std::vector<Timer> timers;
    uintptr_t nextThreadTimerId = 1;

    // Call with lock held.
    void Wake();
};

struct WindowRecord
{
    WindowHandle handle = nullptr;
    std::shared_ptr<ThreadQueue> queue;
    // Everything below is touched by the owner thread only.
    WindowClass windowClass;
    WindowProc proc = nullptr;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    WindowHandle parent = nullptr; // WS_CHILD windows
    WindowHandle owner = nullptr;  // top-level windows
    std::wstring title;
    void* userData = nullptr;
    std::map<std::wstring, void*> props;
    SDL_Window* sdl = nullptr;
    // Window rectangle: screen coordinates for top-level windows, parent client coordinates for
    // children. The client area covers it whole (no frame is drawn by us).
    Rect rect;
    bool visible = false;
    bool minimized = false;
    bool enabled = true;
    bool destroying = false;
    CRegion update;
    bool eraseNeeded = false;
    std::unique_ptr<CBitmap> backBuffer;
    std::unique_ptr<CBitmap> presented;
    bool painting = false;
    std::unique_ptr<CDeviceContext> paintDc;
};

// The calling thread's queue, created on first use.
const std::shared_ptr<ThreadQueue>& CurrentQueue();
std::shared_ptr<WindowRecord> FindWindow(WindowHandle window);
// Live windows of one thread, in creation order.
std::vector<std::shared_ptr<WindowRecord>> WindowsOfQueue(const ThreadQueue* queue);
// Record of a window owned by the calling thread; null otherwise.
std::shared_ptr<WindowRecord> FindOwnWindow(WindowHandle window);

// Gives the back buffer the client size; a new buffer makes the whole window invalid.
void ResizeBackBuffer(WindowRecord& record);
void PostToQueue(ThreadQueue& queue, const Msg& msg);
// Runs call on the queue's thread inside its message calls, as a sent message is, and waits for it.
// False when that thread has ended.
bool CallOnThread(const std::shared_ptr<ThreadQueue>& target, std::function<LResult()> call, LResult& result);
// Owner-thread clean-up of a window that is going away.
void DropTimersOf(ThreadQueue& queue, WindowHandle window);
void DropPostedOf(ThreadQueue& queue, WindowHandle window);

// Input side (WindowInput.cpp), UI thread only. Points are client coordinates of window.
void OnMouseMove(WindowHandle window, int x, int y);
void OnMouseButton(WindowHandle window, unsigned button, bool down, int x, int y);
void OnMouseWheel(WindowHandle window, int delta, int x, int y);
void OnMouseExit(WindowHandle window);
void OnKey(unsigned virtualKey, bool down);
void OnText(const std::wstring& text);
void OnFocusLost(WindowHandle window);
void OnWindowGone(WindowHandle window);
// Posts WM_MOUSEHOVER for requests whose time has come.
void CheckHover();
bool HoverPending();

// Caret side (WindowCaret.cpp), UI thread only.
void CheckCaret();
// Milliseconds until the caret blinks next; -1 without a visible caret.
int CaretWaitLimit();
// Puts the caret back over a freshly presented area of the window.
void OverlayCaret(WindowRecord& record, const Rect& area);

// SDL side (WindowSdl.cpp): started once on the UI thread.
bool EnsureVideo();
bool IsUiThread();
// The UI thread's queue; null before any window exists.
std::shared_ptr<ThreadQueue> UiQueue();
void PushWake();
// Converts pending SDL events into posted messages of the calling (UI) thread.
void PumpSdlEvents();
// Waits up to timeoutMs (negative: no limit) for an SDL event and converts it.
void WaitSdlEvent(int timeoutMs);
SDL_Window* CreateSdlWindow(WindowRecord& record);
void DestroySdlWindow(WindowRecord& record);
void ShowSdlWindow(WindowRecord& record, int command);
void MoveSdlWindow(WindowRecord& record);
void SetSdlTitle(WindowRecord& record);
// The usable bounds of the window's display (the first display without a window).
bool SdlWorkArea(const WindowRecord* record, Rect& area);
// Queues the event the window manager sends when the user closes the window.
void PushCloseRequest(const WindowRecord& record);
void RaiseSdlWindow(WindowRecord& record);
void LimitSdlWindow(WindowRecord& record, const MinMaxInfo& info);
bool SetSdlOpacity(WindowRecord& record, uint8_t alpha);
bool SetSdlIcon(WindowRecord& record, const CBitmap& icon);
void CaptureSdlMouse(bool on);
void ShowSdlCursor(int cursorId);
// Inverts the colours of an area on the window surface (and in the presented copy) and shows it.
void InvertOnSdl(WindowRecord& record, const Rect& area);
// Copies the area of the back buffer to the window surface and shows it.
void PresentToSdl(WindowRecord& record, const Rect& area);

} // namespace plat::detail
