#include <algorithm>

#include "platform/System.h"
#include "platform/linux/WindowInternal.h"

namespace plat {

namespace detail {

namespace {
struct Caret
{
    WindowHandle window = nullptr;
    int width = 0;
    int height = 0;
    Point pos;
    int hideCount = 1; // created hidden
    bool on = false;   // drawn on screen now
    uint64_t nextToggle = 0;
};

Caret& TheCaret()
{
    static Caret caret;
    return caret;
}

Rect CaretRect(const Caret& caret)
{
    return Rect{caret.pos.x, caret.pos.y, caret.pos.x + std::max(caret.width, 1), caret.pos.y + caret.height};
}

// Takes the caret off the screen or puts it on; inverting twice restores the frame.
void Toggle(Caret& caret)
{
    auto record = FindOwnWindow(caret.window);
    if (!record || !record->sdl)
        return;
    caret.on = !caret.on;
    InvertOnSdl(*record, CaretRect(caret));
}

void TakeOff(Caret& caret)
{
    if (caret.on)
        Toggle(caret);
}

bool Visible(const Caret& caret)
{
    return caret.window && caret.hideCount == 0;
}

void RestartBlink(Caret& caret)
{
    caret.nextToggle = GetTickCount64() + kCaretBlinkMs;
}
} // namespace

void CheckCaret()
{
    Caret& caret = TheCaret();
    if (!Visible(caret) || GetTickCount64() < caret.nextToggle)
        return;
    if (!IsWindow(caret.window)) {
        caret = Caret{};
        return;
    }
    Toggle(caret);
    RestartBlink(caret);
}

int CaretWaitLimit()
{
    const Caret& caret = TheCaret();
    if (!Visible(caret))
        return -1;
    const uint64_t now = GetTickCount64();
    return caret.nextToggle > now ? static_cast<int>(caret.nextToggle - now) : 0;
}

void OverlayCaret(WindowRecord& record, const Rect& area)
{
    Caret& caret = TheCaret();
    if (!caret.on || caret.window != record.handle)
        return;
    const Rect rect = CaretRect(caret);
    const Rect overlap{std::max(rect.left, area.left), std::max(rect.top, area.top),
                       std::min(rect.right, area.right), std::min(rect.bottom, area.bottom)};
    if (!overlap.IsEmpty())
        InvertOnSdl(record, overlap); // the presented pixels under it are fresh, not inverted
}

} // namespace detail

using namespace detail;

bool CreateCaret(WindowHandle window, int width, int height)
{
    if (!FindOwnWindow(window) || height <= 0)
        return false;
    DestroyCaret();
    Caret& caret = TheCaret();
    caret.window = window;
    caret.width = width;
    caret.height = height;
    return true;
}

bool DestroyCaret()
{
    Caret& caret = TheCaret();
    if (!caret.window)
        return false;
    TakeOff(caret);
    caret = Caret{};
    return true;
}

bool SetCaretPos(int x, int y)
{
    Caret& caret = TheCaret();
    if (!caret.window)
        return false;
    const bool wasOn = caret.on;
    TakeOff(caret);
    caret.pos = Point{x, y};
    if (wasOn || Visible(caret)) {
        Toggle(caret); // shown at once where it went, as a typing user expects
        RestartBlink(caret);
    }
    return true;
}

bool GetCaretPos(Point& point)
{
    const Caret& caret = TheCaret();
    if (!caret.window)
        return false;
    point = caret.pos;
    return true;
}

bool ShowCaret(WindowHandle window)
{
    Caret& caret = TheCaret();
    if (!caret.window || (window && window != caret.window) || caret.hideCount == 0)
        return false;
    if (--caret.hideCount == 0) {
        Toggle(caret);
        RestartBlink(caret);
    }
    return true;
}

bool HideCaret(WindowHandle window)
{
    Caret& caret = TheCaret();
    if (!caret.window || (window && window != caret.window))
        return false;
    if (caret.hideCount++ == 0)
        TakeOff(caret);
    return true;
}

} // namespace plat
