#include "ui/control/ControlContract.h"

#include <algorithm>

namespace SkinUI {

bool CDelegateBase::Equals(const CDelegateBase& other) const
{
    return m_object == other.m_object && m_functionSize == other.m_functionSize &&
           std::memcmp(m_function, other.m_function, m_functionSize) == 0;
}

void DelegateList::Add(const CDelegateBase& listener)
{
    for (const auto& existing : m_listeners) {
        if (existing->Equals(listener))
            return;
    }
    m_listeners.push_back(listener.Copy());
}

void DelegateList::Remove(const CDelegateBase& listener)
{
    const auto found = std::find_if(m_listeners.begin(), m_listeners.end(),
                                    [&](const auto& existing) { return existing->Equals(listener); });
    if (found != m_listeners.end())
        m_listeners.erase(found);
}

bool DelegateList::Invoke(void* param) const
{
    // By index: a listener may add another while the list is walked.
    for (size_t i = 0; i < m_listeners.size(); ++i) {
        if (!m_listeners[i]->Invoke(param))
            return false;
    }
    return true;
}

} // namespace SkinUI
