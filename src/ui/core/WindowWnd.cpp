#include "ui/core/WindowWnd.h"

#include <string>

#include "platform/Resources.h"
#include "ui/core/ResourceImage.h"
#include "ui/core/WindowManager.h"

namespace SkinUI {

namespace {

MessagePreTranslator g_preTranslator = nullptr;

const wchar_t* const kObjectProperty = L"WndX";

// No display metrics reach this layer; these are the desktop's usual icon edges.
constexpr int kLargeIconEdge = 32;
constexpr int kSmallIconEdge = 16;

int RoundUpTo16(int edge)
{
    return (edge + 15) / 16 * 16;
}

bool Registered(int result)
{
    return result == plat::kError_ClassRegistered || result == plat::kError_ClassAlreadyExists;
}

CWindowWnd* ObjectOnCreate(plat::LParam lParam)
{
    const auto* create = reinterpret_cast<const plat::CreateStruct*>(lParam);
    return create ? static_cast<CWindowWnd*>(create->createParam) : nullptr;
}

std::unique_ptr<CachedImage> LoadIconAtEdge(uint16_t resourceId, int edge)
{
    std::string bytes;
    if (!plat::LoadIconImage(CWindowManagerUI::ResourceModule(), plat::ResourceId(resourceId),
                             RoundUpTo16(edge), bytes))
        return nullptr;
    return DecodeImageData(bytes.data(), bytes.size(), 0);
}

} // namespace

plat::LResult CWindowWnd::OnMessage(plat::Uint message, plat::WParam wParam, plat::LParam lParam)
{
    return plat::CallWindowProc(m_originalProc, m_windowHandle, message, wParam, lParam);
}

void CWindowWnd::SetMessagePreTranslator(MessagePreTranslator translator)
{
    g_preTranslator = translator;
}

bool CWindowWnd::RegisterWindowClass()
{
    plat::WindowClass windowClass;
    windowClass.style = ClassStyle();
    windowClass.proc = NativeWindowProc;
    windowClass.cursor = plat::kIDC_Arrow;
    windowClass.name = ClassName() ? ClassName() : L"";
    return Registered(plat::RegisterClass(windowClass));
}

bool CWindowWnd::RegisterSuperclass()
{
    plat::WindowClass windowClass;
    if (!plat::GetClassInfo(BaseClassName(), windowClass))
        return false;
    m_originalProc = windowClass.proc;
    windowClass.proc = SuperclassWindowProc;
    windowClass.name = ClassName() ? ClassName() : L"";
    return Registered(plat::RegisterClass(windowClass));
}

plat::WindowHandle CWindowWnd::CreateNative(plat::WindowHandle parent, const wchar_t* title, uint32_t style,
                                            uint32_t exStyle, int32_t x, int32_t y, int32_t width,
                                            int32_t height, intptr_t menu)
{
    const bool registered = BaseClassName() ? RegisterSuperclass() : RegisterWindowClass();
    if (!registered)
        return nullptr;
    m_windowHandle = plat::CreateWindowEx(exStyle, ClassName(), title ? title : L"", style, x, y, width,
                                          height, parent, menu, this);
    return m_windowHandle;
}

plat::WindowHandle CWindowWnd::CreateNativeInRect(plat::WindowHandle parent, const wchar_t* title,
                                                  uint32_t style, uint32_t exStyle, const RectUI& rect,
                                                  intptr_t menu)
{
    return CreateNative(parent, title, style, exStyle, rect.left, rect.top, rect.GetWidth(), rect.GetHeight(),
                        menu);
}

plat::LResult CWindowWnd::NativeWindowProc(plat::WindowHandle window, plat::Uint message, plat::WParam wParam,
                                           plat::LParam lParam)
{
    CWindowWnd* object = nullptr;
    if (message == plat::kWM_NcCreate) {
        object = ObjectOnCreate(lParam);
        if (object) {
            object->m_windowHandle = window;
            plat::SetWindowUserData(window, object);
        }
    } else {
        object = static_cast<CWindowWnd*>(plat::GetWindowUserData(window));
    }
    if (!object)
        return plat::DefWindowProc(window, message, wParam, lParam);
    if (message != plat::kWM_NcDestroy)
        return object->OnMessage(message, wParam, lParam);

    const plat::LResult result =
        plat::CallWindowProc(object->m_originalProc, window, message, wParam, lParam);
    plat::SetWindowUserData(window, nullptr);
    if (object->m_subclassed)
        object->RestoreWindowProc();
    object->m_windowHandle = nullptr;
    object->OnWindowGone(window);
    return result;
}

plat::LResult CWindowWnd::SuperclassWindowProc(plat::WindowHandle window, plat::Uint message,
                                               plat::WParam wParam, plat::LParam lParam)
{
    CWindowWnd* object = nullptr;
    if (message == plat::kWM_NcCreate) {
        object = ObjectOnCreate(lParam);
        if (object) {
            object->m_windowHandle = window;
            plat::SetProp(window, kObjectProperty, object);
        }
    } else {
        object = static_cast<CWindowWnd*>(plat::GetProp(window, kObjectProperty));
    }
    if (!object)
        return plat::DefWindowProc(window, message, wParam, lParam);
    if (message != plat::kWM_NcDestroy)
        return object->OnMessage(message, wParam, lParam);

    const plat::LResult result =
        plat::CallWindowProc(object->m_originalProc, window, message, wParam, lParam);
    if (object->m_subclassed)
        object->RestoreWindowProc();
    plat::SetProp(window, kObjectProperty, nullptr);
    object->m_windowHandle = nullptr;
    object->OnWindowGone(window);
    return result;
}

void CWindowWnd::RestoreWindowProc()
{
    if (!plat::IsWindow(m_windowHandle) || !m_subclassed)
        return;
    plat::SetWindowProc(m_windowHandle, m_originalProc);
    m_originalProc = plat::DefWindowProc;
    m_subclassed = false;
}

void CWindowWnd::ShowNative(bool show, bool takeFocus)
{
    if (!plat::IsWindow(m_windowHandle))
        return;
    const int command =
        !show ? plat::kSW_Hide : (takeFocus ? plat::kSW_ShowNormal : plat::kSW_ShowNoActivate);
    plat::ShowWindow(m_windowHandle, command);
}

void CWindowWnd::Close(plat::WParam result)
{
    if (plat::IsWindow(m_windowHandle))
        plat::PostMessage(m_windowHandle, plat::kWM_Close, result, 0);
}

plat::WParam CWindowWnd::RunModal()
{
    plat::WParam result = 0;
    const plat::WindowHandle owner = plat::GetWindow(m_windowHandle, plat::kGW_Owner);
    plat::ShowWindow(m_windowHandle, plat::kSW_ShowNormal);
    if (owner)
        plat::EnableWindow(owner, false);

    bool quit = false;
    plat::Msg msg;
    while (plat::IsWindow(m_windowHandle)) {
        if (!plat::GetMessage(msg, nullptr, 0, 0)) {
            quit = true;
            break;
        }
        if (msg.message == plat::kWM_Close && msg.window == m_windowHandle) {
            result = msg.wParam;
            if (owner) {
                plat::EnableWindow(owner, true);
                plat::SetFocus(owner);
            }
        }
        if (!g_preTranslator || !g_preTranslator(msg)) {
            plat::TranslateMessage(msg);
            plat::DispatchMessage(msg);
        }
    }

    if (owner) {
        plat::EnableWindow(owner, true);
        plat::SetFocus(owner);
    }
    if (quit)
        plat::PostQuitMessage(static_cast<int>(msg.wParam));
    return result;
}

void CWindowWnd::CenterOnOwner()
{
    plat::Rect windowRect;
    if (!plat::GetWindowRect(m_windowHandle, windowRect))
        return;
    const plat::WindowHandle owner = plat::GetWindow(m_windowHandle, plat::kGW_Owner);
    plat::Rect area;
    if (!plat::GetMonitorWorkArea(owner ? owner : m_windowHandle, area))
        return;
    plat::Rect centre = area;
    if (owner && !plat::IsIconic(owner))
        plat::GetWindowRect(owner, centre);

    const int32_t width = windowRect.Width();
    const int32_t height = windowRect.Height();
    int32_t left = (centre.left + centre.right) / 2 - width / 2;
    int32_t top = (centre.top + centre.bottom) / 2 - height / 2;
    if (left < area.left)
        left = area.left;
    else if (left + width > area.right)
        left = area.right - width;
    if (top < area.top)
        top = area.top;
    else if (top + height > area.bottom)
        top = area.bottom - height;
    plat::SetWindowPos(m_windowHandle, nullptr, left, top, -1, -1,
                       plat::kSWP_NoSize | plat::kSWP_NoZOrder | plat::kSWP_NoActivate);
}

void CWindowWnd::SetIconResource(uint16_t resourceId)
{
    if (!plat::IsWindow(m_windowHandle))
        return;
    // The desktop shows one icon per window here, so the small one only stands in for a missing large one.
    std::unique_ptr<CachedImage> large = LoadIconAtEdge(resourceId, kLargeIconEdge);
    std::unique_ptr<CachedImage> small = LoadIconAtEdge(resourceId, kSmallIconEdge);
    const CachedImage* icon = large ? large.get() : small.get();
    if (icon && icon->bitmap)
        plat::SetWindowIcon(m_windowHandle, *icon->bitmap);
}

void CWindowWnd::ResizeClientArea(int32_t width, int32_t height)
{
    plat::Rect rect;
    if (!plat::GetClientRect(m_windowHandle, rect))
        return;
    if (width != -1)
        rect.right = rect.left + width;
    if (height != -1)
        rect.bottom = rect.top + height;
    // The platform has no window menus, so none is ever counted.
    const uint32_t style = plat::GetWindowStyle(m_windowHandle);
    plat::AdjustWindowRectEx(rect, style, false, plat::GetWindowExStyle(m_windowHandle));
    plat::SetWindowPos(m_windowHandle, nullptr, 0, 0, rect.Width(), rect.Height(),
                       plat::kSWP_NoMove | plat::kSWP_NoZOrder | plat::kSWP_NoActivate);
}

bool CWindowWnd::PostMsg(plat::Uint message, plat::WParam wParam, plat::LParam lParam)
{
    return plat::PostMessage(m_windowHandle, message, wParam, lParam);
}

plat::LResult CWindowWnd::SendMsg(plat::Uint message, plat::WParam wParam, plat::LParam lParam)
{
    return plat::SendMessage(m_windowHandle, message, wParam, lParam);
}

} // namespace SkinUI
