#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Graphics.h"
#include "platform/Types.h"
#include "ui/core/UIGeometry.h"
#include "ui/core/UIString.h"

// What the window manager and the controls agree on: the input record, the flags, the listener
// lists and the virtual operations every control offers in a fixed order.
namespace SkinUI {

class CControlUI;
class CWindowManagerUI;

// Kinds of ControlEvent. The Begin and End kinds only mark the ranges of key and mouse events.
enum ControlEventKind : int
{
    EventFirst = 1,
    EventKeyBegin = 2,
    EventKeyDown = 3,
    EventKeyUp = 4,
    EventChar = 5,
    EventSysKey = 6,
    EventKeyEnd = 7,
    EventMouseBegin = 8,
    EventMouseMove = 9,
    EventMouseLeave = 10,
    EventMouseEnter = 11,
    EventMouseHover = 12,
    EventButtonDown = 13,
    EventButtonUp = 14,
    EventRightButtonDown = 15,
    EventDoubleClick = 16,
    EventContextMenu = 17,
    EventScrollWheel = 18,
    EventMouseEnd = 19,
    EventKillFocus = 20,
    EventSetFocus = 21,
    EventWindowSize = 22,
    EventSetCursor = 23,
    EventTimer = 24,
    EventNotify = 25,
    EventCommand = 26,
};

constexpr bool IsMouseEvent(int kind)
{
    return kind > EventMouseBegin && kind < EventMouseEnd;
}

constexpr bool IsKeyEvent(int kind)
{
    return kind > EventKeyBegin && kind < EventKeyEnd;
}

// Flags a control answers from GetFlags.
enum ControlFlag : unsigned
{
    FlagTabStop = 0x1,
    FlagSetCursor = 0x2,
};

// Flags of FindControl.
enum FindFlag : uint32_t
{
    FindVisible = 0x1,
    FindEnabled = 0x2,
    FindHitTest = 0x4,
    FindUpdateTest = 0x8,
    FindTopFirst = 0x10,
    FindMeFirst = 0x80000000u,
};

// The input record the window manager hands to a control.
struct ControlEvent
{
    int kind = 0;
    CControlUI* sender = nullptr;
    uint32_t timestamp = 0;
    PointUI mousePoint;
    uint16_t key = 0;
    uint16_t keyState = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// One notification from a control to the application. wParam and lParam are pointer-sized so that a
// raiser can pass a control or a text through them on every platform.
struct NotifyMessage
{
    CStringUI type;
    CStringUI virtualWindow;
    CControlUI* sender = nullptr;
    uint32_t timestamp = 0;
    PointUI mousePoint;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// A listener: an object and a function. Two listeners are equal when both are the same.
class CDelegateBase
{
public:
    virtual ~CDelegateBase() = default;
    // A new heap copy of this listener.
    virtual std::unique_ptr<CDelegateBase> Copy() const = 0;
    virtual bool Invoke(void* param) = 0;

    bool Equals(const CDelegateBase& other) const;
    void* GetObject() const { return m_object; }

protected:
    // The function is kept as its bytes so that member and free functions compare alike.
    static constexpr size_t kMaxFunctionBytes = 2 * sizeof(void*);

    template <typename Function> CDelegateBase(void* object, Function function) : m_object(object)
    {
        static_assert(sizeof(Function) <= kMaxFunctionBytes);
        m_functionSize = sizeof(Function);
        std::memcpy(m_function, &function, sizeof(Function));
    }
    CDelegateBase(const CDelegateBase&) = default;
    CDelegateBase& operator=(const CDelegateBase&) = default;

private:
    void* m_object = nullptr;
    unsigned char m_function[kMaxFunctionBytes] = {};
    size_t m_functionSize = 0;
};

// A free function taking the parameter.
class CStaticDelegateUI final : public CDelegateBase
{
public:
    using Function = bool (*)(void* param);
    explicit CStaticDelegateUI(Function function) : CDelegateBase(nullptr, function), m_function(function) {}

    std::unique_ptr<CDelegateBase> Copy() const override
    {
        return std::make_unique<CStaticDelegateUI>(*this);
    }
    bool Invoke(void* param) override { return m_function(param); }

private:
    Function m_function;
};

// A member function of an object, taking the parameter.
template <typename T> class CMemberDelegateUI final : public CDelegateBase
{
public:
    using Function = bool (T::*)(void* param);
    CMemberDelegateUI(T* object, Function function)
        : CDelegateBase(object, function), m_target(object), m_function(function)
    {}

    std::unique_ptr<CDelegateBase> Copy() const override
    {
        return std::make_unique<CMemberDelegateUI>(*this);
    }
    bool Invoke(void* param) override { return (m_target->*m_function)(param); }

private:
    T* m_target;
    Function m_function;
};

inline CStaticDelegateUI MakeDelegate(bool (*function)(void*))
{
    return CStaticDelegateUI(function);
}

template <typename T> CMemberDelegateUI<T> MakeDelegate(T* object, bool (T::*function)(void*))
{
    return CMemberDelegateUI<T>(object, function);
}

// An ordered list of owned listeners.
class DelegateList
{
public:
    DelegateList() = default;
    DelegateList(const DelegateList&) = delete;
    DelegateList& operator=(const DelegateList&) = delete;

    // Appends a copy unless an equal listener is already listed.
    void Add(const CDelegateBase& listener);
    void Remove(const CDelegateBase& listener);
    void Clear() { m_listeners.clear(); }
    // Calls every listener in order until one returns false; true when none did (or none is listed).
    bool Invoke(void* param) const;

    DelegateList& operator+=(const CDelegateBase& listener)
    {
        Add(listener);
        return *this;
    }
    DelegateList& operator-=(const CDelegateBase& listener)
    {
        Remove(listener);
        return *this;
    }

    int GetSize() const { return static_cast<int>(m_listeners.size()); }
    bool IsEmpty() const { return m_listeners.empty(); }

private:
    std::vector<std::unique_ptr<CDelegateBase>> m_listeners;
};

// Four fractions of the parent's width and height that place a floating control.
struct FloatPercent
{
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    bool operator==(const FloatPercent&) const = default;
};

// The callback of FindControl: answers the control when it is the one searched for, else null.
using FindControlProc = CControlUI* (*)(CControlUI* control, void* data);

// The device context controls paint into.
using PaintDC = plat::CDeviceContext*;

// The virtual operations of every control, in their fixed order. The control base derives from this
// and gives each its behaviour; subclasses append their own operations after these.
class CControlContractUI
{
public:
    virtual void DestroySelf() = 0;
    virtual ~CControlContractUI() = default;
    virtual CStringUI GetName() const = 0;
    virtual void SetName(const CStringUI& name) = 0;
    virtual CStringUI GetClassName() const = 0;
    virtual void* FindInterface(const wchar_t* name) = 0;
    virtual unsigned GetFlags() const = 0;
    virtual plat::WindowHandle GetNativeHandle() const = 0;
    virtual bool TryActivate() = 0;
    virtual CWindowManagerUI* GetManager() const = 0;
    virtual void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool init) = 0;
    virtual CControlUI* GetParent() const = 0;
    virtual CControlUI* GetOverlay() const = 0;
    virtual void SetOverlay(CControlUI* control) = 0;
    virtual CStringUI GetText() const = 0;
    virtual void SetText(const CStringUI& text) = 0;
    virtual const RectUI& GetRect() const = 0;
    virtual RectUI GetRelativeRect() const = 0;
    virtual RectUI GetClientRect() const = 0;
    virtual void SetRect(const RectUI& rect, bool invalidate) = 0;
    virtual void Offset(int dx, int dy, bool invalidate) = 0;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual int GetLeft() const = 0;
    virtual int GetTop() const = 0;
    virtual RectUI GetPadding() const = 0;
    virtual void SetPadding(const RectUI& padding) = 0;
    virtual SizeUI GetFloatOffset() const = 0;
    virtual void SetFloatOffset(const SizeUI& offset) = 0;
    virtual FloatPercent GetFloatPercent() const = 0;
    virtual void SetFloatPercent(const FloatPercent& percent) = 0;
    virtual int GetFixedWidth() const = 0;
    virtual void SetFixedWidth(int width) = 0;
    virtual int GetFixedHeight() const = 0;
    virtual void SetFixedHeight(int height) = 0;
    virtual int GetMinWidth() const = 0;
    virtual void SetMinWidth(int width) = 0;
    virtual int GetMaxWidth() const = 0;
    virtual void SetMaxWidth(int width) = 0;
    virtual int GetMinHeight() const = 0;
    virtual void SetMinHeight(int height) = 0;
    virtual int GetMaxHeight() const = 0;
    virtual void SetMaxHeight(int height) = 0;
    virtual CStringUI GetToolTip() const = 0;
    virtual void SetToolTip(const CStringUI& text) = 0;
    virtual void SetToolTipWidth(int width) = 0;
    virtual int GetToolTipWidth() const = 0;
    virtual wchar_t GetShortcut() const = 0;
    virtual void SetShortcut(wchar_t ch) = 0;
    virtual bool IsContextMenuEnabled() const = 0;
    virtual void SetContextMenuEnabled(bool enabled) = 0;
    virtual const CStringUI& GetUserData() const = 0;
    virtual void SetUserData(const CStringUI& text) = 0;
    virtual uintptr_t GetTag() const = 0;
    virtual void SetTag(uintptr_t tag) = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void SetParentVisible(bool visible) = 0;
    virtual bool IsEnabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsMouseEnabled() const = 0;
    virtual void SetMouseEnabled(bool enabled) = 0;
    virtual bool IsKeyboardEnabled() const = 0;
    virtual void SetKeyboardEnabled(bool enabled) = 0;
    virtual bool IsFocused() const = 0;
    virtual void SetFocus() = 0;
    virtual bool IsFloat() const = 0;
    virtual void SetFloat(bool floating) = 0;
    virtual CControlUI* FindControl(FindControlProc proc, void* data, uint32_t flags) = 0;
    virtual void Init() = 0;
    virtual void InitSelf() = 0;
    virtual void HandleEvent(ControlEvent& event) = 0;
    virtual void ProcessEvent(ControlEvent& event) = 0;
    virtual CStringUI GetAttribute(const wchar_t* name) = 0;
    virtual void SetAttribute(const wchar_t* name, const wchar_t* value) = 0;
    virtual CStringUI GetAttributeList() = 0;
    virtual void SetAttributeList(const wchar_t* list) = 0;
    virtual SizeUI MeasureSize(SizeUI available) = 0;
    virtual bool Paint(PaintDC dc, const RectUI& paintRect, CControlUI* stopControl) = 0;
    virtual bool PaintSelf(PaintDC dc, const RectUI& paintRect, CControlUI* stopControl) = 0;
    virtual void PaintBackColor(PaintDC dc) = 0;
    virtual void PaintBackImage(PaintDC dc) = 0;
    virtual void PaintStateImage(PaintDC dc) = 0;
    virtual void PaintText(PaintDC dc) = 0;
    virtual void PaintBorder(PaintDC dc) = 0;
    virtual void PaintAfter(PaintDC dc, const RectUI& paintRect) = 0;

protected:
    CControlContractUI() = default;
    CControlContractUI(const CControlContractUI&) = delete;
    CControlContractUI& operator=(const CControlContractUI&) = delete;
};

} // namespace SkinUI
