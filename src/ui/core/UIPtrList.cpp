#include "ui/core/UIPtrList.h"

#include <cstring>
#include <new>

namespace SkinUI {

CPtrListUI::CPtrListUI(const CPtrListUI& other)
{
    *this = other;
}

CPtrListUI& CPtrListUI::operator=(const CPtrListUI& other)
{
    if (this == &other)
        return *this;
    Empty();
    for (int i = 0; i < other.m_count; ++i)
        Add(other.m_items[i]);
    return *this;
}

CPtrListUI::CPtrListUI(CPtrListUI&& other) noexcept
    : m_items(other.m_items), m_count(other.m_count), m_capacity(other.m_capacity)
{
    other.m_items = nullptr;
    other.m_count = 0;
    other.m_capacity = 0;
}

CPtrListUI& CPtrListUI::operator=(CPtrListUI&& other) noexcept
{
    if (this == &other)
        return *this;
    delete[] m_items;
    m_items = other.m_items;
    m_count = other.m_count;
    m_capacity = other.m_capacity;
    other.m_items = nullptr;
    other.m_count = 0;
    other.m_capacity = 0;
    return *this;
}

CPtrListUI::~CPtrListUI()
{
    delete[] m_items;
}

bool CPtrListUI::Add(void* item)
{
    return InsertAt(m_count, item);
}

bool CPtrListUI::InsertAt(int index, void* item)
{
    if (item == nullptr || index < 0 || index > m_count)
        return false;
    if (m_count == m_capacity && !Grow())
        return false;
    std::memmove(m_items + index + 1, m_items + index, sizeof(void*) * static_cast<size_t>(m_count - index));
    m_items[index] = item;
    ++m_count;
    return true;
}

bool CPtrListUI::SetAt(int index, void* item)
{
    if (item == nullptr || index < 0 || index >= m_count)
        return false;
    m_items[index] = item;
    return true;
}

bool CPtrListUI::Remove(int index)
{
    if (index < 0 || index >= m_count)
        return false;
    --m_count;
    std::memmove(m_items + index, m_items + index + 1, sizeof(void*) * static_cast<size_t>(m_count - index));
    return true;
}

void CPtrListUI::Empty()
{
    delete[] m_items;
    m_items = nullptr;
    m_count = 0;
    m_capacity = 0;
}

int CPtrListUI::Find(const void* item) const
{
    if (item == nullptr)
        return -1;
    for (int i = 0; i < m_count; ++i) {
        if (m_items[i] == item)
            return i;
    }
    return -1;
}

void* CPtrListUI::GetAt(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    return m_items[index];
}

bool CPtrListUI::Grow()
{
    const int capacity = m_capacity == 0 ? kInitialCapacity : m_capacity * 2;
    auto* grown = new (std::nothrow) void*[static_cast<size_t>(capacity)];
    if (grown == nullptr)
        return false;
    if (m_count > 0)
        std::memcpy(grown, m_items, sizeof(void*) * static_cast<size_t>(m_count));
    delete[] m_items;
    m_items = grown;
    m_capacity = capacity;
    return true;
}

} // namespace SkinUI
