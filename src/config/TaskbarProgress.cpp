#include "config/TaskbarProgress.h"

TaskbarProgress::TaskbarProgress() : m_progress(std::make_unique<plat::LauncherProgress>()) {}

void TaskbarProgress::Attach(plat::WindowHandle window)
{
    m_window = window;
    m_attached = true;
    SetState(kState_Indeterminate);
}

void TaskbarProgress::SetState(int flags)
{
    if (m_attached)
        m_progress->SetState(flags);
}

void TaskbarProgress::SetValue(uint64_t completed, uint64_t total)
{
    if (m_attached)
        m_progress->SetValue(completed, total);
}

bool TaskbarProgress::IsAttached() const
{
    return m_attached;
}

int TaskbarProgress::State() const
{
    return m_progress->State();
}

double TaskbarProgress::Fraction() const
{
    return m_progress->Fraction();
}
