#include <algorithm>

#include "platform/linux/WindowInternal.h"

namespace plat {

using namespace detail;

namespace {
LParam PackSize(int32_t width, int32_t height)
{
    return static_cast<LParam>((static_cast<uint32_t>(height & 0xFFFF) << 16) |
                               static_cast<uint32_t>(width & 0xFFFF));
}

Rect ClientArea(const WindowRecord& record)
{
    return Rect{0, 0, record.rect.Width(), record.rect.Height()};
}

// The screen position of the window's client origin.
Point ScreenOrigin(const WindowRecord& record)
{
    Point origin{record.rect.left, record.rect.top};
    if (!record.parent)
        return origin;
    if (auto parent = FindOwnWindow(record.parent)) {
        const Point up = ScreenOrigin(*parent);
        origin.x += up.x;
        origin.y += up.y;
    }
    return origin;
}
bool Activates(int command)
{
    return command == kSW_ShowNormal || command == kSW_Show || command == kSW_Restore ||
           command == kSW_ShowMaximized;
}

// Showing activates a top-level window; hiding or minimising the active one hands activation to its
// owner.
void UpdateActivation(const WindowRecord& record, int command)
{
    if (!record.sdl || !IsWindow(record.handle))
        return;
    if (Activates(command) && !(record.exStyle & kWS_Ex_NoActivate)) {
        SetActiveWindow(record.handle);
        return;
    }
    if ((command == kSW_Hide || command == kSW_Minimize) && GetActiveWindow() == record.handle) {
        const WindowHandle owner = record.owner;
        SetActiveWindow(owner && IsWindowVisible(owner) && !IsIconic(owner) ? owner : nullptr);
    }
}
} // namespace

bool ShowWindow(WindowHandle window, int command)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    const bool wasVisible = record->visible;
    switch (command) {
    case kSW_Hide:
        if (!wasVisible)
            return false;
        record->visible = false;
        break;
    case kSW_Minimize:
    case kSW_ShowMinimized:
        record->visible = true;
        record->minimized = true;
        break;
    case kSW_Restore:
        record->visible = true;
        record->minimized = false;
        break;
    default:
        record->visible = true;
        record->minimized = false;
        break;
    }
    if (record->sdl)
        ShowSdlWindow(*record, command);
    if (!wasVisible && record->visible) {
        SendMessage(window, kWM_ShowWindow, 1, 0);
        InvalidateRect(window, nullptr, true);
    } else if (wasVisible && !record->visible) {
        SendMessage(window, kWM_ShowWindow, 0, 0);
    }
    UpdateActivation(*record, command);
    return wasVisible;
}

bool IsWindowVisible(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    return record && record->visible;
}

bool IsIconic(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    return record && record->minimized;
}

bool GetClientRect(WindowHandle window, Rect& rect)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    rect = ClientArea(*record);
    return true;
}

bool GetWindowRect(WindowHandle window, Rect& rect)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    const Point origin = ScreenOrigin(*record);
    rect = Rect{origin.x, origin.y, origin.x + record->rect.Width(), origin.y + record->rect.Height()};
    return true;
}

bool AdjustWindowRectEx(Rect& /*rect*/, uint32_t /*style*/, bool /*menu*/, uint32_t /*exStyle*/)
{
    return true;
}

bool ClientToScreen(WindowHandle window, Point& point)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    const Point origin = ScreenOrigin(*record);
    point.x += origin.x;
    point.y += origin.y;
    return true;
}

bool ScreenToClient(WindowHandle window, Point& point)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    const Point origin = ScreenOrigin(*record);
    point.x -= origin.x;
    point.y -= origin.y;
    return true;
}

bool SetWindowPos(WindowHandle window, WindowHandle /*insertAfter*/, int32_t x, int32_t y, int32_t width,
                  int32_t height, uint32_t flags)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    Rect next = record->rect;
    if (!(flags & kSWP_NoMove)) {
        next.right = x + next.Width();
        next.bottom = y + next.Height();
        next.left = x;
        next.top = y;
    }
    if (!(flags & kSWP_NoSize)) {
        next.right = next.left + std::max(width, 0);
        next.bottom = next.top + std::max(height, 0);
    }
    const bool moved = next.left != record->rect.left || next.top != record->rect.top;
    const bool resized = next.Width() != record->rect.Width() || next.Height() != record->rect.Height();
    record->rect = next;
    if ((moved || resized) && record->sdl)
        MoveSdlWindow(*record);
    if (resized && record->sdl)
        ResizeBackBuffer(*record);
    if (moved)
        SendMessage(window, kWM_Move, 0, PackSize(next.left, next.top));
    if (resized)
        SendMessage(window, kWM_Size, 0, PackSize(next.Width(), next.Height()));
    if (flags & kSWP_ShowWindow)
        ShowWindow(window, (flags & kSWP_NoActivate) ? kSW_ShowNoActivate : kSW_Show);
    if (flags & kSWP_HideWindow)
        ShowWindow(window, kSW_Hide);
    return true;
}

bool MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint)
{
    if (!SetWindowPos(window, nullptr, x, y, width, height, kSWP_NoZOrder | kSWP_NoActivate))
        return false;
    if (repaint)
        InvalidateRect(window, nullptr, true);
    return true;
}

bool SetWindowOpacity(WindowHandle window, uint8_t alpha)
{
    auto record = FindOwnWindow(window);
    return record && record->sdl && SetSdlOpacity(*record, alpha);
}

bool SetWindowIcon(WindowHandle window, const CBitmap& icon)
{
    auto record = FindOwnWindow(window);
    return record && record->sdl && SetSdlIcon(*record, icon);
}

bool GetMonitorWorkArea(WindowHandle window, Rect& area)
{
    auto record = window ? FindOwnWindow(window) : nullptr;
    if (window && !record)
        return false;
    if (!EnsureVideo())
        return false;
    return SdlWorkArea(record.get(), area);
}

bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    if (!record->sdl)
        return true; // children have nothing of their own to paint
    CRegion area(ClientArea(*record));
    if (rect)
        area.Intersect(*rect);
    record->update.Union(area);
    record->eraseNeeded = record->eraseNeeded || erase;
    return true;
}

bool ValidateRect(WindowHandle window, const Rect* rect)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    if (rect)
        record->update.Subtract(CRegion(*rect));
    else
        record->update = CRegion();
    return true;
}

bool GetUpdateRect(WindowHandle window, Rect& rect)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    rect = Rect{};
    record->update.Box(rect);
    return !record->update.IsEmpty();
}

bool UpdateWindow(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    if (!record)
        return false;
    if (record->visible && !record->update.IsEmpty())
        SendMessage(window, kWM_Paint, 0, 0);
    return true;
}

CDeviceContext* BeginPaint(WindowHandle window, PaintStruct& ps)
{
    auto record = FindOwnWindow(window);
    if (!record || !record->backBuffer || record->painting)
        return nullptr;
    if (!record->paintDc)
        record->paintDc = CDeviceContext::CreateMemory();
    if (!record->paintDc)
        return nullptr;
    CRegion area = record->update;
    record->update = CRegion();
    ps = PaintStruct{};
    area.Box(ps.paint);
    ps.erase = record->eraseNeeded;
    record->eraseNeeded = false;
    CDeviceContext& dc = *record->paintDc;
    dc.SelectBitmap(record->backBuffer.get());
    dc.SelectClipRegion(&area);
    record->painting = true;
    if (ps.erase)
        SendMessage(window, kWM_EraseBkgnd, 0, reinterpret_cast<LParam>(&dc));
    ps.dc = &dc;
    return ps.dc;
}

bool EndPaint(WindowHandle window, const PaintStruct& ps)
{
    auto record = FindOwnWindow(window);
    if (!record || !record->painting)
        return false;
    record->painting = false;
    record->paintDc->SelectClipRegion(nullptr);
    if (record->sdl && !ps.paint.IsEmpty())
        PresentToSdl(*record, ps.paint);
    return true;
}

namespace test {
bool RequestClose(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    if (!record || !record->sdl)
        return false;
    PushCloseRequest(*record);
    return true;
}

std::unique_ptr<CBitmap> CapturePresentedFrame(WindowHandle window)
{
    auto record = FindOwnWindow(window);
    if (!record || !record->sdl)
        return nullptr;
    const int width = std::max(record->rect.Width(), 1);
    const int height = std::max(record->rect.Height(), 1);
    auto frame = CBitmap::CreateDib(width, -height);
    if (!frame)
        return nullptr;
    for (int y = 0; y < height; ++y) {
        uint32_t* row = frame->Row(y);
        for (int x = 0; x < width; ++x)
            row[x] = 0xFF000000u;
    }
    if (record->presented) {
        const int w = std::min(width, record->presented->Width());
        const int h = std::min(height, record->presented->Height());
        for (int y = 0; y < h; ++y) {
            const uint32_t* src = record->presented->Row(y);
            uint32_t* dst = frame->Row(y);
            for (int x = 0; x < w; ++x)
                dst[x] = src[x] | 0xFF000000u;
        }
    }
    frame->MarkDirty();
    return frame;
}
} // namespace test

} // namespace plat
