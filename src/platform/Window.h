#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Graphics.h"
#include "platform/Types.h"

// The window half of the platform layer: native top-level windows with window procedures, the
// per-thread message queue with the Windows message numbers, posted and cross-thread sent
// messages, timers, invalidation and painting.
//
// Windows and their messages belong to the thread that created them; the first thread that creates
// a window becomes the UI thread, and only it may create windows. PostMessage, SendMessage and
// PostThreadMessage may be called from any thread; everything else from the window's own thread.
namespace plat {

using Uint = uint32_t;
using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;

using WindowProc = LResult (*)(WindowHandle window, Uint message, WParam wParam, LParam lParam);

// ---- Message numbers -------------------------------------------------------------------------

enum : Uint
{
    kWM_Null = 0x0000,
    kWM_Create = 0x0001,
    kWM_Destroy = 0x0002,
    kWM_Move = 0x0003,
    kWM_Size = 0x0005,
    kWM_Activate = 0x0006,
    kWM_SetFocus = 0x0007,
    kWM_KillFocus = 0x0008,
    kWM_Enable = 0x000A,
    kWM_SetText = 0x000C,
    kWM_Paint = 0x000F,
    kWM_Close = 0x0010,
    kWM_Quit = 0x0012,
    kWM_EraseBkgnd = 0x0014,
    kWM_ShowWindow = 0x0018,
    kWM_SetCursor = 0x0020,
    kWM_MouseActivate = 0x0021,
    kWM_GetMinMaxInfo = 0x0024,
    kWM_Notify = 0x004E,
    kWM_ContextMenu = 0x007B,
    kWM_SetIcon = 0x0080,
    kWM_NcCreate = 0x0081,
    kWM_NcDestroy = 0x0082,
    kWM_NcCalcSize = 0x0083,
    kWM_NcHitTest = 0x0084,
    kWM_NcPaint = 0x0085,
    kWM_NcActivate = 0x0086,
    kWM_KeyDown = 0x0100,
    kWM_KeyUp = 0x0101,
    kWM_Char = 0x0102,
    kWM_SysKeyDown = 0x0104,
    kWM_SysKeyUp = 0x0105,
    kWM_SysChar = 0x0106,
    kWM_Command = 0x0111,
    kWM_SysCommand = 0x0112,
    kWM_Timer = 0x0113,
    kWM_CtlColorEdit = 0x0133,
    kWM_CtlColorStatic = 0x0138,
    kWM_MouseMove = 0x0200,
    kWM_LButtonDown = 0x0201,
    kWM_LButtonUp = 0x0202,
    kWM_LButtonDblClk = 0x0203,
    kWM_RButtonDown = 0x0204,
    kWM_RButtonUp = 0x0205,
    kWM_RButtonDblClk = 0x0206,
    kWM_MButtonDown = 0x0207,
    kWM_MButtonUp = 0x0208,
    kWM_MouseWheel = 0x020A,
    kWM_CaptureChanged = 0x0215,
    kWM_MouseHover = 0x02A1,
    kWM_MouseLeave = 0x02A3,
    kWM_Print = 0x0317,
    kWM_PrintClient = 0x0318,
    kWM_User = 0x0400,
    kWM_App = 0x8000,
};

// ---- Window and class styles -----------------------------------------------------------------

enum : uint32_t
{
    kWS_Overlapped = 0x00000000,
    kWS_Popup = 0x80000000,
    kWS_Child = 0x40000000,
    kWS_Minimize = 0x20000000,
    kWS_Visible = 0x10000000,
    kWS_Disabled = 0x08000000,
    kWS_ClipSiblings = 0x04000000,
    kWS_ClipChildren = 0x02000000,
    kWS_Maximize = 0x01000000,
    kWS_Caption = 0x00C00000,
    kWS_Border = 0x00800000,
    kWS_DlgFrame = 0x00400000,
    kWS_SysMenu = 0x00080000,
    kWS_ThickFrame = 0x00040000,
    kWS_MinimizeBox = 0x00020000,
    kWS_MaximizeBox = 0x00010000,
    kWS_OverlappedWindow = 0x00CF0000,

    kWS_Ex_Topmost = 0x00000008,
    kWS_Ex_ToolWindow = 0x00000080,
    kWS_Ex_AppWindow = 0x00040000,
    kWS_Ex_Layered = 0x00080000,
    kWS_Ex_NoActivate = 0x08000000,

    kCS_VRedraw = 0x0001,
    kCS_HRedraw = 0x0002,
    kCS_DblClks = 0x0008,
};

// x or width of CreateWindowEx meaning "let the system choose".
inline constexpr int32_t kCW_UseDefault = static_cast<int32_t>(0x80000000u);

// ---- Show commands, hit-test codes, system commands ------------------------------------------

enum : int
{
    kSW_Hide = 0,
    kSW_ShowNormal = 1,
    kSW_ShowMinimized = 2,
    kSW_ShowMaximized = 3,
    kSW_ShowNoActivate = 4,
    kSW_Show = 5,
    kSW_Minimize = 6,
    kSW_ShowNA = 8,
    kSW_Restore = 9,
};

enum : int
{
    kHT_Error = -2,
    kHT_Transparent = -1,
    kHT_Nowhere = 0,
    kHT_Client = 1,
    kHT_Caption = 2,
    kHT_SysMenu = 3,
    kHT_MinButton = 8,
    kHT_MaxButton = 9,
    kHT_Left = 10,
    kHT_Right = 11,
    kHT_Top = 12,
    kHT_TopLeft = 13,
    kHT_TopRight = 14,
    kHT_Bottom = 15,
    kHT_BottomLeft = 16,
    kHT_BottomRight = 17,
    kHT_Close = 20,
};

enum : WParam
{
    kSC_Size = 0xF000,
    kSC_Move = 0xF010,
    kSC_Minimize = 0xF020,
    kSC_Maximize = 0xF030,
    kSC_Close = 0xF060,
    kSC_Restore = 0xF120,
};

// ---- Keys, mouse-key state, cursors ----------------------------------------------------------

enum : unsigned
{
    kVK_LButton = 0x01,
    kVK_RButton = 0x02,
    kVK_MButton = 0x04,
    kVK_Back = 0x08,
    kVK_Tab = 0x09,
    kVK_Return = 0x0D,
    kVK_Shift = 0x10,
    kVK_Control = 0x11,
    kVK_Menu = 0x12,
    kVK_Pause = 0x13,
    kVK_Capital = 0x14,
    kVK_Escape = 0x1B,
    kVK_Space = 0x20,
    kVK_Prior = 0x21,
    kVK_Next = 0x22,
    kVK_End = 0x23,
    kVK_Home = 0x24,
    kVK_Left = 0x25,
    kVK_Up = 0x26,
    kVK_Right = 0x27,
    kVK_Down = 0x28,
    kVK_Insert = 0x2D,
    kVK_Delete = 0x2E,
    kVK_0 = 0x30,  // '0'..'9' are 0x30..0x39
    kVK_A = 0x41,  // 'A'..'Z' are 0x41..0x5A
    kVK_F1 = 0x70, // F1..F12 are 0x70..0x7B

    kMK_LButton = 0x0001,
    kMK_RButton = 0x0002,
    kMK_Shift = 0x0004,
    kMK_Control = 0x0008,
    kMK_MButton = 0x0010,
};

enum : int
{
    kIDC_Arrow = 32512,
    kIDC_IBeam = 32513,
    kIDC_Wait = 32514,
    kIDC_Cross = 32515,
    kIDC_SizeNWSE = 32642,
    kIDC_SizeNESW = 32643,
    kIDC_SizeWE = 32644,
    kIDC_SizeNS = 32645,
    kIDC_SizeAll = 32646,
    kIDC_No = 32648,
    kIDC_Hand = 32649,
};

// ---- Queue flags and results -----------------------------------------------------------------

enum : Uint
{
    kPM_NoRemove = 0x0,
    kPM_Remove = 0x1,
};

enum : int
{
    kGW_Owner = 4,
};

// RegisterClass results, with the Windows error numbers.
enum : int
{
    kError_ClassRegistered = 0,
    kError_ClassAlreadyExists = 1410,
    kError_InvalidClass = 87,
};

// ---- Classes and windows ---------------------------------------------------------------------

struct WindowClass
{
    uint32_t style = 0;
    WindowProc proc = nullptr;
    int cursor = kIDC_Arrow;
    std::wstring name;
};

// kError_ClassRegistered, kError_ClassAlreadyExists for a name taken already, kError_InvalidClass for
// an empty name or no procedure.
int RegisterClass(const WindowClass& windowClass);
// False when no class of that name is registered.
bool GetClassInfo(const std::wstring& name, WindowClass& windowClass);

// What WM_NCCREATE and WM_CREATE carry in lParam (a pointer to this record).
struct CreateStruct
{
    void* createParam = nullptr;
    WindowHandle parent = nullptr;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    const std::wstring* className = nullptr;
    const std::wstring* title = nullptr;
};

// Creates a window of a registered class. A WS_CHILD window lives inside its parent and has no
// native window of its own; for any other window parent is the owner. WM_NCCREATE (answer 0 fails
// the creation), WM_CREATE (answer -1 fails it) and WM_SIZE are sent before it returns; WS_VISIBLE
// shows it. Null when the class is unknown, the calling thread is not the UI thread, or no video
// device can be opened.
WindowHandle CreateWindowEx(uint32_t exStyle, const std::wstring& className, const std::wstring& title,
                            uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                            WindowHandle parent, intptr_t menu, void* createParam);
// Sends WM_DESTROY, destroys owned and child windows, then sends WM_NCDESTROY; its timers end and
// its queued messages are dropped. False for a window that does not exist.
bool DestroyWindow(WindowHandle window);
bool IsWindow(WindowHandle window);

// The default handling: WM_CLOSE destroys the window; WM_SYSCOMMAND minimises, restores and closes
// (SC_CLOSE sends WM_CLOSE); WM_NCCREATE answers 1; WM_PAINT validates the update region;
// WM_ERASEBKGND answers 1; WM_NCHITTEST answers HTCLIENT inside the client area; WM_SETCURSOR shows
// the class cursor over the client area and the sizing cursors over the sizing borders.
LResult DefWindowProc(WindowHandle window, Uint message, WParam wParam, LParam lParam);
LResult CallWindowProc(WindowProc proc, WindowHandle window, Uint message, WParam wParam, LParam lParam);

// The window's procedure; replacing it returns the one before (subclassing).
WindowProc GetWindowProc(WindowHandle window);
WindowProc SetWindowProc(WindowHandle window, WindowProc proc);

// The user-data slot; setting returns the value before.
void* GetWindowUserData(WindowHandle window);
void* SetWindowUserData(WindowHandle window, void* data);
// Named properties; setting null removes the property.
bool SetProp(WindowHandle window, const std::wstring& name, void* value);
void* GetProp(WindowHandle window, const std::wstring& name);

uint32_t GetWindowStyle(WindowHandle window);
uint32_t GetWindowExStyle(WindowHandle window);
std::wstring GetClassName(WindowHandle window);
// kGW_Owner: the owner of a top-level window; null otherwise.
WindowHandle GetWindow(WindowHandle window, int relation);
WindowHandle GetParent(WindowHandle window);
bool SetWindowText(WindowHandle window, const std::wstring& text);
std::wstring GetWindowText(WindowHandle window);
uint32_t GetWindowThreadId(WindowHandle window);

// ---- Messages --------------------------------------------------------------------------------

struct Msg
{
    WindowHandle window = nullptr;
    Uint message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    uint64_t time = 0;
    Point pt;
};

// Waits for the next message of the calling thread. Messages sent from other threads are handled
// first (inside this call, never returned); then posted messages in the order they were posted;
// then WM_QUIT once it was asked for; then WM_PAINT for a window with an update region; then WM_TIMER
// for a due timer. A window filter takes that window's messages only (WM_QUIT always passes), and
// a message range [first, last] only those (both 0: all). Returns false for WM_QUIT.
bool GetMessage(Msg& msg, WindowHandle window, Uint first, Uint last);
// The same without waiting; false when nothing is there. kPM_NoRemove leaves a posted message in
// the queue.
bool PeekMessage(Msg& msg, WindowHandle window, Uint first, Uint last, Uint removeFlags);
// Turns a key-down into the characters the key types (WM_CHAR, WM_SYSCHAR with Alt).
bool TranslateMessage(const Msg& msg);
// Hands the message to its window's procedure; 0 for a window that no longer exists.
LResult DispatchMessage(const Msg& msg);

// Appends to the queue of the window's thread (any thread may call it). False for a window that does
// not exist.
bool PostMessage(WindowHandle window, Uint message, WParam wParam, LParam lParam);
// Posts a message with no window to a thread's queue; false when that thread has no queue.
bool PostThreadMessage(uint32_t threadId, Uint message, WParam wParam, LParam lParam);
// Calls the window's procedure and returns its answer. For a window of another thread the caller
// blocks until that thread has handled it in one of its message calls (handling messages sent to
// itself meanwhile); 0 when the window does not exist or is destroyed first.
LResult SendMessage(WindowHandle window, Uint message, WParam wParam, LParam lParam);
// Asks the calling thread's loop to end: GetMessage returns false with the code in wParam.
void PostQuitMessage(int exitCode);

// ---- Timers ----------------------------------------------------------------------------------

// Starts or restarts the window's timer id on the platform clock (GetTickCount64); its WM_TIMER
// carries the id in wParam. With no window a fresh id is chosen and returned. 0 on failure.
uintptr_t SetTimer(WindowHandle window, uintptr_t id, uint32_t ms);
bool KillTimer(WindowHandle window, uintptr_t id);

// ---- Showing, geometry ------------------------------------------------------------------------

// SW_HIDE, SW_SHOW / SW_SHOWNORMAL / SW_SHOWNOACTIVATE / SW_SHOWNA, SW_MINIMIZE / SW_SHOWMINIMIZED,
// SW_RESTORE. A minimised window is still visible. SW_SHOW, SW_SHOWNORMAL, SW_SHOWMAXIMIZED and
// SW_RESTORE activate the window (unless WS_EX_NOACTIVATE); hiding or minimising the active window
// activates its owner. Returns whether the window was visible before.
bool ShowWindow(WindowHandle window, int command);
bool IsWindowVisible(WindowHandle window);
bool IsIconic(WindowHandle window);

// The client area covers the whole window: the skinned windows of this system draw their own frame.
bool GetClientRect(WindowHandle window, Rect& rect);
// Screen coordinates for a top-level window, the parent's client coordinates for a child.
bool GetWindowRect(WindowHandle window, Rect& rect);
// Grows a client rectangle to the window rectangle of that style (the same here: no native frame).
bool AdjustWindowRectEx(Rect& rect, uint32_t style, bool menu, uint32_t exStyle);
bool ClientToScreen(WindowHandle window, Point& point);
bool ScreenToClient(WindowHandle window, Point& point);

enum : uint32_t
{
    kSWP_NoSize = 0x0001,
    kSWP_NoMove = 0x0002,
    kSWP_NoZOrder = 0x0004,
    kSWP_NoActivate = 0x0010,
    kSWP_ShowWindow = 0x0040,
    kSWP_HideWindow = 0x0080,
};

// A new size takes effect before the call returns, with its WM_SIZE; a new position sends WM_MOVE.
bool MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint);
bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int32_t x, int32_t y, int32_t width,
                  int32_t height, uint32_t flags);

// The work area (the usable bounds) of the display nearest to the window, in screen coordinates;
// with no window, of the first display.
bool GetMonitorWorkArea(WindowHandle window, Rect& area);

// What WM_GETMINMAXINFO carries in lParam (a pointer to this record): the tracking sizes a user's
// resize keeps to. 0 leaves a limit out. Sent once after WM_CREATE.
struct MinMaxInfo
{
    Point maxSize;
    Point maxPosition;
    Point minTrackSize;
    Point maxTrackSize;
};

// Uniform opacity of the whole window (255 opaque), as far as the display can show it.
bool SetWindowOpacity(WindowHandle window, uint8_t alpha);
// The icon the desktop shows for the window (task bar, title bar).
bool SetWindowIcon(WindowHandle window, const CBitmap& icon);

// ---- Caret ---------------------------------------------------------------------------------

// One caret for the UI thread: a block inverted over what the window shows, blinking every
// kCaretBlinkMs on the platform clock by itself (no WM_TIMER reaches the window). Created hidden;
// ShowCaret and HideCaret nest. Creating another caret replaces the one before.
inline constexpr uint32_t kCaretBlinkMs = 530;
bool CreateCaret(WindowHandle window, int width, int height);
bool DestroyCaret();
bool SetCaretPos(int x, int y);
bool GetCaretPos(Point& point);
bool ShowCaret(WindowHandle window);
bool HideCaret(WindowHandle window);

// ---- Invalidation and painting ---------------------------------------------------------------

// Adds the rectangle (null: the whole client area) to the window's update region.
bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase);
bool ValidateRect(WindowHandle window, const Rect* rect);
// The bounding box of the update region; false when there is nothing to paint.
bool GetUpdateRect(WindowHandle window, Rect& rect);
// Sends WM_PAINT at once when the window has something to paint.
bool UpdateWindow(WindowHandle window);

struct PaintStruct
{
    CDeviceContext* dc = nullptr;
    bool erase = false;
    Rect paint;
};

// Hands out a device context over the window's back buffer, clipped to the update region, and
// validates that region. EndPaint shows the painted area on screen. Null outside a window of the
// calling thread, or while the window is painted already.
CDeviceContext* BeginPaint(WindowHandle window, PaintStruct& ps);
bool EndPaint(WindowHandle window, const PaintStruct& ps);

// ---- Input: focus, activation, capture, cursors, keys ----------------------------------------

// Keyboard focus among the windows of the UI thread: the old one gets WM_KILLFOCUS (wParam = the new
// one), the new one WM_SETFOCUS (wParam = the old one). Returns the window that had it.
WindowHandle SetFocus(WindowHandle window);
WindowHandle GetFocus();
// Activation of a top-level window (WM_ACTIVATE 1 to it, 0 to the one before); it takes the focus.
WindowHandle SetActiveWindow(WindowHandle window);
WindowHandle GetActiveWindow();
// Activates the window and raises it on screen.
bool SetForegroundWindow(WindowHandle window);

// A disabled window gets no mouse or keyboard input. Returns whether it was disabled before.
bool EnableWindow(WindowHandle window, bool enable);
bool IsWindowEnabled(WindowHandle window);

// Mouse messages go to the capture window wherever the mouse is. ReleaseCapture sends
// WM_CAPTURECHANGED to the window that had it.
WindowHandle SetCapture(WindowHandle window);
bool ReleaseCapture();
WindowHandle GetCapture();

// A system cursor by kIDC_ id; returns the one shown before. Unknown ids show the arrow.
int SetCursor(int cursorId);
int GetCursor();
// The last known mouse position in screen coordinates.
bool GetCursorPos(Point& point);

// Bit 15 set (a negative value) while the key or mouse button is down.
int16_t GetKeyState(unsigned virtualKey);

enum : uint32_t
{
    kTME_Hover = 0x00000001,
    kTME_Leave = 0x00000002,
    kTME_Cancel = 0x80000000,
};

// Default hover time of TrackMouseEvent, and the distance the mouse may wander while hovering.
inline constexpr uint32_t kHoverDefault = 400;
inline constexpr int kHoverDistance = 4;
// Two clicks this close in time and place make a double-click (class style CS_DBLCLKS).
inline constexpr uint64_t kDoubleClickMs = 500;
inline constexpr int kDoubleClickDistance = 4;

// WM_MOUSELEAVE when the mouse leaves the client area (at once if it is not over it), WM_MOUSEHOVER
// when it has rested there for hoverTime; each is posted once per request.
bool TrackMouseEvent(WindowHandle window, uint32_t flags, uint32_t hoverTime);

namespace test {
// What real input produces, fed through the same path as the events from the display. Points are
// client coordinates of the window.
void InjectMouseMove(WindowHandle window, int x, int y);
// button: kVK_LButton, kVK_RButton or kVK_MButton.
void InjectMouseButton(WindowHandle window, unsigned button, bool down, int x, int y);
// delta: 120 per notch away from the user.
void InjectMouseWheel(WindowHandle window, int delta, int x, int y);
// The mouse left the window for the desktop.
void InjectMouseExit(WindowHandle window);
void InjectKey(unsigned virtualKey, bool down);
// Committed text (from the keyboard or an input method) typed into the focus window.
void InjectText(const std::wstring& text);
// Forgets pressed keys and buttons, capture, focus, tracking and the last click.
void ResetInput();
} // namespace test

namespace test {
// A copy of what the window shows now (every pixel opaque), built from the frames it presented;
// null for a window without a native window.
std::unique_ptr<CBitmap> CapturePresentedFrame(WindowHandle window);
// Delivers the close request a user gives through the window manager (Alt+F4, the taskbar), through
// the same event path.
bool RequestClose(WindowHandle window);
} // namespace test

namespace test {
// Blocks until the calling thread's queue holds at least count messages sent from other threads.
void WaitForSentMessages(int count);
} // namespace test

} // namespace plat
