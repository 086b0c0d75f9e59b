#include "ui/core/UIStringMap.h"

#include <cwchar>

namespace SkinUI {

CStringMapUI::CStringMapUI(int bucketCount) : m_bucketCount(bucketCount > 0 ? bucketCount : 1)
{
    m_buckets = new Entry*[static_cast<size_t>(m_bucketCount)]();
}

CStringMapUI::~CStringMapUI()
{
    RemoveAll();
    delete[] m_buckets;
}

uint32_t CStringMapUI::Hash(const wchar_t* key)
{
    uint32_t h = 0;
    for (size_t n = std::wcslen(key); n-- > 0;)
        h = (h << 5) + h + static_cast<uint32_t>(key[n]);
    return h;
}

CStringMapUI::Entry* CStringMapUI::FindEntry(const wchar_t* key)
{
    if (key == nullptr)
        return nullptr;
    Entry** head = &m_buckets[Hash(key) % static_cast<uint32_t>(m_bucketCount)];
    for (Entry** link = head; *link != nullptr; link = &(*link)->next) {
        Entry* e = *link;
        if (e->key == key) {
            if (link != head) {
                *link = e->next;
                e->next = *head;
                *head = e;
            }
            return e;
        }
    }
    return nullptr;
}

void* CStringMapUI::Find(const wchar_t* key)
{
    Entry* e = FindEntry(key);
    return e ? e->value : nullptr;
}

bool CStringMapUI::Insert(const wchar_t* key, void* value)
{
    if (key == nullptr || value == nullptr || FindEntry(key) != nullptr)
        return false;
    Entry*& head = m_buckets[Hash(key) % static_cast<uint32_t>(m_bucketCount)];
    head = new Entry{CStringUI(key), value, head};
    ++m_count;
    return true;
}

void* CStringMapUI::Set(const wchar_t* key, void* value)
{
    if (key == nullptr || value == nullptr)
        return nullptr;
    if (Entry* e = FindEntry(key)) {
        void* old = e->value;
        e->value = value;
        return old;
    }
    Insert(key, value);
    return nullptr;
}

void* CStringMapUI::Remove(const wchar_t* key)
{
    if (key == nullptr)
        return nullptr;
    for (Entry** link = &m_buckets[Hash(key) % static_cast<uint32_t>(m_bucketCount)]; *link != nullptr;
         link = &(*link)->next) {
        Entry* e = *link;
        if (e->key == key) {
            void* value = e->value;
            *link = e->next;
            delete e;
            --m_count;
            return value;
        }
    }
    return nullptr;
}

void CStringMapUI::RemoveAll()
{
    for (int b = 0; b < m_bucketCount; ++b) {
        for (Entry* e = m_buckets[b]; e != nullptr;) {
            Entry* next = e->next;
            delete e;
            e = next;
        }
        m_buckets[b] = nullptr;
    }
    m_count = 0;
}

const CStringMapUI::Entry* CStringMapUI::EntryAt(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    for (int b = 0; b < m_bucketCount; ++b) {
        for (const Entry* e = m_buckets[b]; e != nullptr; e = e->next) {
            if (index-- == 0)
                return e;
        }
    }
    return nullptr;
}

const wchar_t* CStringMapUI::GetAt(int index) const
{
    const Entry* e = EntryAt(index);
    return e ? e->key.GetData() : nullptr;
}

void* CStringMapUI::GetValueAt(int index) const
{
    const Entry* e = EntryAt(index);
    return e ? e->value : nullptr;
}

} // namespace SkinUI
