#pragma once

#include <memory>

#include "ui/core/UIStringMap.h"

namespace SkinUI {

// A string-keyed table (83 buckets) that owns its values: replacing or removing one frees it.
template <typename T> class CResourceTableUI
{
public:
    CResourceTableUI() = default;
    CResourceTableUI(const CResourceTableUI&) = delete;
    CResourceTableUI& operator=(const CResourceTableUI&) = delete;
    ~CResourceTableUI() { RemoveAll(); }

    T* Find(const wchar_t* key) { return static_cast<T*>(m_map.Find(key)); }

    // Stores the value, freeing any value stored under that key before. Null (and the value freed)
    // for a missing key.
    T* Set(const wchar_t* key, std::unique_ptr<T> value)
    {
        if (key == nullptr || !value)
            return nullptr;
        T* stored = value.release();
        std::unique_ptr<T> previous(static_cast<T*>(m_map.Set(key, stored)));
        return stored;
    }

    void Remove(const wchar_t* key) { std::unique_ptr<T> removed(static_cast<T*>(m_map.Remove(key))); }

    void RemoveAll()
    {
        m_map.ForEach([](const wchar_t*, void* value) { std::unique_ptr<T> owned(static_cast<T*>(value)); });
        m_map.RemoveAll();
    }

    // The first value (in table order) that the predicate accepts, or null.
    template <typename Predicate> T* FindIf(Predicate accept) const
    {
        T* found = nullptr;
        m_map.ForEach([&](const wchar_t*, void* value) {
            if (found == nullptr && accept(*static_cast<T*>(value)))
                found = static_cast<T*>(value);
        });
        return found;
    }

    int GetSize() const { return m_map.GetSize(); }
    bool IsEmpty() const { return m_map.IsEmpty(); }

private:
    CStringMapUI m_map{CStringMapUI::kDefaultBucketCount};
};

} // namespace SkinUI
