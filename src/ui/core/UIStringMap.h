#pragma once

#include <cstdint>

#include "ui/core/UIString.h"

namespace SkinUI {

// A chained hash table from texts to pointers; it owns its keys but not the values.
class CStringMapUI
{
public:
    static constexpr int kDefaultBucketCount = 83;

    explicit CStringMapUI(int bucketCount = kDefaultBucketCount);
    CStringMapUI(const CStringMapUI&) = delete;
    CStringMapUI& operator=(const CStringMapUI&) = delete;
    ~CStringMapUI();

    static uint32_t Hash(const wchar_t* key);

    // A hit moves to the front of its chain. Null when absent (or when the key is null).
    void* Find(const wchar_t* key);
    bool Contains(const wchar_t* key) { return FindEntry(key) != nullptr; }
    // Refuses a key already present, a null key and a null value.
    bool Insert(const wchar_t* key, void* value);
    // Replaces the value of a present key (answering the old value) or inserts it (answering null).
    void* Set(const wchar_t* key, void* value);
    // Answers the removed value, or null when the key was absent.
    void* Remove(const wchar_t* key);
    void RemoveAll();

    int GetSize() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    int GetBucketCount() const { return m_bucketCount; }

    // Entries in bucket order, each chain front to back; null past the end. Visiting every index of a
    // map of n entries costs n squared: use ForEach to walk it all.
    const wchar_t* GetAt(int index) const;
    void* GetValueAt(int index) const;

    // Calls visit(key, value) for every entry in the same order; the map must not change meanwhile.
    template <typename Visit> void ForEach(Visit visit) const
    {
        for (int b = 0; b < m_bucketCount; ++b) {
            for (const Entry* e = m_buckets[b]; e != nullptr; e = e->next)
                visit(e->key.GetData(), e->value);
        }
    }

private:
    struct Entry
    {
        CStringUI key;
        void* value;
        Entry* next;
    };

    Entry* FindEntry(const wchar_t* key);
    const Entry* EntryAt(int index) const;

    Entry** m_buckets = nullptr;
    int m_bucketCount;
    int m_count = 0;
};

} // namespace SkinUI
