#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Types.h"

// Modal message boxes with the Windows flag values and answers.
namespace plat {

enum : uint32_t
{
    kMB_Ok = 0x0,
    kMB_OkCancel = 0x1,
    kMB_AbortRetryIgnore = 0x2,
    kMB_YesNoCancel = 0x3,
    kMB_YesNo = 0x4,
    kMB_RetryCancel = 0x5,
    kMB_IconStop = 0x10,
    kMB_IconQuestion = 0x20,
    kMB_IconWarning = 0x30,
    kMB_IconInformation = 0x40,
    kMB_DefButton2 = 0x100,
    kMB_SetForeground = 0x10000,
    kMB_Right = 0x80000,
    kMB_RtlReading = 0x100000,
};

enum : int
{
    kID_Ok = 1,
    kID_Cancel = 2,
    kID_Abort = 3,
    kID_Retry = 4,
    kID_Ignore = 5,
    kID_Yes = 6,
    kID_No = 7,
};

// Shows a modal message box and returns the button chosen (kID_*). The box is a window of the UI
// thread: the owner is disabled while it is open and activated again afterwards, and the thread's
// messages and timers go on meanwhile. Asked for on another thread, it waits for the UI thread's own
// boxes and is answered there while the caller blocks. Labels follow the user's UI language. Yes/No
// and Abort/Retry/Ignore boxes cannot be closed by their close button. Without any video device the
// box is written to standard error and answered with the most cautious choice of its buttons.
int MessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption, uint32_t flags);

struct MessageBoxRequest
{
    WindowHandle owner;
    std::wstring text;
    std::wstring caption;
    uint32_t flags;
};

namespace test {
// Answers every message box in place of the user; an empty function restores the real dialog.
// On the UI thread it is called on a thread of its own while the UI thread pumps its messages.
void SetMessageBoxResponder(std::function<int(const MessageBoxRequest&)> responder);
// The message box window open on the calling (UI) thread, the innermost one; null when none is.
WindowHandle OpenMessageBox();
} // namespace test

} // namespace plat
