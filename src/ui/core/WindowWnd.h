#pragma once

#include <cstdint>

#include "platform/Window.h"
#include "ui/core/UIGeometry.h"

namespace SkinUI {

// Offered each queued message before the modal loop translates and dispatches it; true claims it.
using MessagePreTranslator = bool (*)(const plat::Msg& msg);

// One native window: registers its class (or a superclass of an existing one), creates the
// window, routes its messages to OnMessage and runs the modal message loop.
class CWindowWnd
{
public:
    CWindowWnd() = default;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;
    virtual ~CWindowWnd() = default;

    virtual const wchar_t* ClassName() const = 0;
    // Null unless the window superclasses an existing class.
    virtual const wchar_t* BaseClassName() const { return nullptr; }
    virtual uint32_t ClassStyle() const { return 0; }
    virtual plat::LResult OnMessage(plat::Uint message, plat::WParam wParam, plat::LParam lParam);
    virtual void OnWindowGone(plat::WindowHandle window) { (void)window; }

    plat::WindowHandle GetHWND() const { return m_windowHandle; }
    operator plat::WindowHandle() const { return m_windowHandle; }

    plat::WindowHandle CreateNative(plat::WindowHandle parent, const wchar_t* title, uint32_t style,
                                    uint32_t exStyle, int32_t x, int32_t y, int32_t width, int32_t height,
                                    intptr_t menu);
    plat::WindowHandle CreateNativeInRect(plat::WindowHandle parent, const wchar_t* title, uint32_t style,
                                          uint32_t exStyle, const RectUI& rect, intptr_t menu);

    // Puts the procedure the window had before back in place, when it was subclassed.
    void RestoreWindowProc();
    void ShowNative(bool show, bool takeFocus);
    void Close(plat::WParam result);
    // Returns the wParam of the WM_CLOSE that closed the window, 0 when none was seen.
    plat::WParam RunModal();
    void CenterOnOwner();
    void SetIconResource(uint16_t resourceId);
    // -1 keeps the current client width or height.
    void ResizeClientArea(int32_t width, int32_t height);

    bool PostMsg(plat::Uint message, plat::WParam wParam = 0, plat::LParam lParam = 0);
    plat::LResult SendMsg(plat::Uint message, plat::WParam wParam = 0, plat::LParam lParam = 0);

    // The window manager installs its pre-translation here; none means every message is dispatched.
    static void SetMessagePreTranslator(MessagePreTranslator translator);

    static plat::LResult NativeWindowProc(plat::WindowHandle window, plat::Uint message, plat::WParam wParam,
                                          plat::LParam lParam);
    static plat::LResult SuperclassWindowProc(plat::WindowHandle window, plat::Uint message,
                                              plat::WParam wParam, plat::LParam lParam);

protected:
    bool RegisterWindowClass();
    bool RegisterSuperclass();

    plat::WindowHandle m_windowHandle = nullptr;
    plat::WindowProc m_originalProc = plat::DefWindowProc;
    bool m_subclassed = false;
};

} // namespace SkinUI
