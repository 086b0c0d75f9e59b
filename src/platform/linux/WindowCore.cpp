#include <algorithm>
#include <atomic>
#include <cassert>
#include <unordered_map>
#include <utility>

#include "platform/linux/WindowInternal.h"

namespace plat {

namespace detail {

namespace {
struct Registry
{
    std::mutex lock;
    // Handles are never reused: a stale handle finds nothing instead of another window.
    std::unordered_map<uintptr_t, std::shared_ptr<WindowRecord>> windows;
    std::vector<uintptr_t> order;
    uintptr_t nextId = 0x10;
    std::unordered_map<std::wstring, WindowClass> classes;
};

Registry& TheRegistry()
{
    static Registry* registry = new Registry; // windows may be looked up while threads wind down
    return *registry;
}

uintptr_t Key(WindowHandle window)
{
    return reinterpret_cast<uintptr_t>(window);
}
} // namespace

std::shared_ptr<WindowRecord> FindWindow(WindowHandle window)
{
    if (!window)
        return nullptr;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.lock);
    auto it = registry.windows.find(Key(window));
    return it == registry.windows.end() ? nullptr : it->second;
}

std::shared_ptr<WindowRecord> FindOwnWindow(WindowHandle window)
{
    auto record = FindWindow(window);
    if (!record)
        return nullptr;
    // Off its own thread a window may only be posted and sent to.
    assert(record->queue == CurrentQueue() && "window used off its own thread");
    if (record->queue != CurrentQueue())
        return nullptr;
    return record;
}

std::vector<std::shared_ptr<WindowRecord>> WindowsOfQueue(const ThreadQueue* queue)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.lock);
    std::vector<std::shared_ptr<WindowRecord>> result;
    for (uintptr_t id : registry.order) {
        auto& record = registry.windows[id];
        if (record->queue.get() == queue)
            result.push_back(record);
    }
    return result;
}

namespace {
std::shared_ptr<WindowRecord> AddWindow()
{
    auto record = std::make_shared<WindowRecord>();
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.lock);
    const uintptr_t id = registry.nextId;
    registry.nextId += 0x10;
    record->handle = reinterpret_cast<WindowHandle>(id);
    registry.windows[id] = record;
    registry.order.push_back(id);
    return record;
}

void RemoveWindow(WindowHandle window)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.lock);
    registry.windows.erase(Key(window));
    registry.order.erase(std::remove(registry.order.begin(), registry.order.end(), Key(window)),
                         registry.order.end());
}

// Windows owned by or children of window, in creation order.
std::vector<WindowHandle> Dependants(WindowHandle window)
{
    std::vector<WindowHandle> result;
    for (auto& record : WindowsOfQueue(CurrentQueue().get())) {
        if (record->parent == window || record->owner == window)
            result.push_back(record->handle);
    }
    return result;
}

// A default position stays kCW_UseDefault for a top-level window: the SDL side picks one.
void PlaceDefault(CreateStruct& cs, bool child)
{
    if (cs.width == kCW_UseDefault || cs.width < 0) {
        cs.width = 640;
        cs.height = 480;
    }
    if (cs.height < 0)
        cs.height = 0;
    if (cs.x == kCW_UseDefault)
        cs.y = child ? 0 : kCW_UseDefault;
    if (cs.x == kCW_UseDefault && child)
        cs.x = 0;
}
int CursorForHit(WindowHandle window, int hit)
{
    switch (hit) {
    case kHT_Client: {
        auto record = FindOwnWindow(window);
        return record ? record->windowClass.cursor : kIDC_Arrow;
    }
    case kHT_Left:
    case kHT_Right:
        return kIDC_SizeWE;
    case kHT_Top:
    case kHT_Bottom:
        return kIDC_SizeNS;
    case kHT_TopLeft:
    case kHT_BottomRight:
        return kIDC_SizeNWSE;
    case kHT_TopRight:
    case kHT_BottomLeft:
        return kIDC_SizeNESW;
    default:
        return kIDC_Arrow;
    }
}
} // namespace

void ResizeBackBuffer(WindowRecord& record)
{
    const int width = std::max(record.rect.Width(), 1);
    const int height = std::max(record.rect.Height(), 1);
    if (record.backBuffer && record.backBuffer->Width() == width && record.backBuffer->Height() == height)
        return;
    record.backBuffer = CBitmap::CreateDib(width, -height);
    record.update = CRegion(Rect{0, 0, record.rect.Width(), record.rect.Height()});
    record.eraseNeeded = true;
}

} // namespace detail

using namespace detail;

int RegisterClass(const WindowClass& windowClass)
{
    if (windowClass.name.empty() || !windowClass.proc)
        return kError_InvalidClass;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.lock);
    if (!registry.classes.emplace(windowClass.name, windowClass).second)
        return kError_ClassAlreadyExists;
    return kError_ClassRegistered;
}

bool GetClassInfo(const std::wstring& name, WindowClass& windowClass)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.lock);
    auto it = registry.classes.find(name);
    if (it == registry.classes.end())
        return false;
    windowClass = it->second;
    return true;
}

WindowHandle CreateWindowEx(uint32_t exStyle, const std::wstring& className, const std::wstring& title,
                            uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                            WindowHandle parent, intptr_t /*menu*/, void* createParam)
{
    WindowClass windowClass;
    if (!GetClassInfo(className, windowClass))
        return nullptr;
    const bool child = (style & kWS_Child) != 0;
    if (child && !FindOwnWindow(parent))
        return nullptr;
    if (!child && !EnsureVideo())
        return nullptr;

    CreateStruct cs{createParam, parent, style & ~kWS_Visible, exStyle, x, y,
                    width,       height, &className,           &title};
    PlaceDefault(cs, child);

    auto record = AddWindow();
    record->queue = CurrentQueue();
    record->windowClass = windowClass;
    record->proc = windowClass.proc;
    record->style = cs.style;
    record->exStyle = exStyle;
    record->parent = child ? parent : nullptr;
    record->owner = child ? nullptr : (FindOwnWindow(parent) ? parent : nullptr);
    record->title = title;
    record->enabled = (style & kWS_Disabled) == 0;
    record->rect = Rect{cs.x, cs.y, cs.x + cs.width, cs.y + cs.height};
    if (!child) {
        record->sdl = CreateSdlWindow(*record);
        if (!record->sdl) {
            RemoveWindow(record->handle);
            return nullptr;
        }
        ResizeBackBuffer(*record);
        cs.x = record->rect.left;
        cs.y = record->rect.top;
    }

    const WindowHandle window = record->handle;
    if (SendMessage(window, kWM_NcCreate, 0, reinterpret_cast<LParam>(&cs)) == 0 ||
        SendMessage(window, kWM_Create, 0, reinterpret_cast<LParam>(&cs)) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    if (!IsWindow(window))
        return nullptr;
    if (record->sdl) {
        MinMaxInfo limits;
        SendMessage(window, kWM_GetMinMaxInfo, 0, reinterpret_cast<LParam>(&limits));
        LimitSdlWindow(*record, limits);
    }
    const LParam size = static_cast<LParam>((static_cast<uint32_t>(record->rect.Height()) << 16) |
                                            (static_cast<uint32_t>(record->rect.Width()) & 0xFFFF));
    SendMessage(window, kWM_Size, 0, size);
    if ((style & kWS_Visible) && IsWindow(window))
        ShowWindow(window, kSW_Show);
    return IsWindow(window) ? window : nullptr;
}

bool DestroyWindow(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    if (!record || record->destroying)
        return false;
    record->destroying = true;
    if (record->visible)
        ShowWindow(window, kSW_Hide);
    SendMessage(window, kWM_Destroy, 0, 0);
    for (WindowHandle dependant : Dependants(window))
        DestroyWindow(dependant);
    SendMessage(window, kWM_NcDestroy, 0, 0);
    OnWindowGone(window);
    DropTimersOf(*record->queue, window);
    DropPostedOf(*record->queue, window);
    DestroySdlWindow(*record);
    RemoveWindow(window);
    return true;
}

bool IsWindow(WindowHandle window)
{
    return FindWindow(window) != nullptr;
}

LResult CallWindowProc(WindowProc proc, WindowHandle window, Uint message, WParam wParam, LParam lParam)
{
    return proc ? proc(window, message, wParam, lParam) : DefWindowProc(window, message, wParam, lParam);
}

LResult DefWindowProc(WindowHandle window, Uint message, WParam wParam, LParam lParam)
{
    switch (message) {
    case kWM_NcCreate:
        return 1;
    case kWM_Close:
        DestroyWindow(window);
        return 0;
    case kWM_SysCommand:
        switch (wParam & 0xFFF0) {
        case kSC_Close:
            SendMessage(window, kWM_Close, 0, 0);
            break;
        case kSC_Minimize:
            ShowWindow(window, kSW_Minimize);
            break;
        case kSC_Restore:
            ShowWindow(window, kSW_Restore);
            break;
        default:
            break;
        }
        return 0;
    case kWM_Paint: {
        PaintStruct ps;
        if (BeginPaint(window, ps))
            EndPaint(window, ps);
        return 0;
    }
    case kWM_EraseBkgnd:
        return 1;
    case kWM_NcHitTest: {
        Rect rect;
        if (!GetWindowRect(window, rect))
            return kHT_Nowhere;
        const int x = static_cast<int16_t>(lParam & 0xFFFF);
        const int y = static_cast<int16_t>((lParam >> 16) & 0xFFFF);
        return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom ? kHT_Client
                                                                                    : kHT_Nowhere;
    }
    case kWM_SetCursor:
        SetCursor(CursorForHit(window, static_cast<int16_t>(lParam & 0xFFFF)));
        return 1;
    case kWM_SetText:
        if (lParam)
            SetWindowText(window, *reinterpret_cast<const std::wstring*>(lParam));
        return 1;
    default:
        return 0;
    }
}

WindowProc GetWindowProc(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    return record ? record->proc : nullptr;
}

WindowProc SetWindowProc(WindowHandle window, WindowProc proc)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return nullptr;
    return std::exchange(record->proc, proc);
}

void* GetWindowUserData(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    return record ? record->userData : nullptr;
}

void* SetWindowUserData(WindowHandle window, void* data)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return nullptr;
    return std::exchange(record->userData, data);
}

bool SetProp(WindowHandle window, const std::wstring& name, void* value)
{
    auto record = FindOwnWindow(window);
    if (!record || name.empty())
        return false;
    if (value)
        record->props[name] = value;
    else
        record->props.erase(name);
    return true;
}

void* GetProp(WindowHandle window, const std::wstring& name)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return nullptr;
    auto it = record->props.find(name);
    return it == record->props.end() ? nullptr : it->second;
}

uint32_t GetWindowStyle(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return 0;
    uint32_t style = record->style;
    if (record->visible)
        style |= kWS_Visible;
    if (record->minimized)
        style |= kWS_Minimize;
    if (!record->enabled)
        style |= kWS_Disabled;
    return style;
}

uint32_t GetWindowExStyle(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    return record ? record->exStyle : 0;
}

std::wstring GetClassName(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    return record ? record->windowClass.name : std::wstring();
}

WindowHandle GetWindow(WindowHandle window, int relation)
{
    auto record = FindOwnWindow(window);
    if (!record || relation != kGW_Owner)
        return nullptr;
    return IsWindow(record->owner) ? record->owner : nullptr;
}

WindowHandle GetParent(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return nullptr;
    WindowHandle parent = record->parent ? record->parent : record->owner;
    return IsWindow(parent) ? parent : nullptr;
}

bool SetWindowText(WindowHandle window, const std::wstring& text)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    record->title = text;
    SetSdlTitle(*record);
    return true;
}

std::wstring GetWindowText(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    return record ? record->title : std::wstring();
}

uint32_t GetWindowThreadId(WindowHandle window)
{
    auto record = FindWindow(window);
    return record ? record->queue->threadId : 0;
}

} // namespace plat
