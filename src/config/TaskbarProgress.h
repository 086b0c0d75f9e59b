#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/System.h"
#include "platform/Types.h"

// The progress shown on the setup program's launcher entry. Created on the UI thread, then called
// from the UI thread and worker threads alike. Shows nothing until attached to a window.
class TaskbarProgress
{
public:
    // Taskbar state flags.
    enum : int
    {
        kState_NoProgress = 0,
        kState_Indeterminate = 1,
        kState_Normal = 2,
        kState_Error = 4,
        kState_Paused = 8,
    };

    TaskbarProgress();

    // Remembers the window and shows the indeterminate state.
    void Attach(plat::WindowHandle window);
    void SetState(int flags);
    void SetValue(uint64_t completed, uint64_t total);

    bool IsAttached() const;
    int State() const;
    double Fraction() const;

private:
    std::unique_ptr<plat::LauncherProgress> m_progress;
    std::atomic<plat::WindowHandle> m_window{nullptr};
    std::atomic<bool> m_attached{false};
};
