#pragma once

namespace SkinUI {

// An ordered array of pointers; it owns nothing, so destroying or emptying it frees no element.
class CPtrListUI
{
public:
    static constexpr int kInitialCapacity = 11;

    CPtrListUI() = default;
    CPtrListUI(const CPtrListUI& other);
    CPtrListUI& operator=(const CPtrListUI& other);
    CPtrListUI(CPtrListUI&& other) noexcept;
    CPtrListUI& operator=(CPtrListUI&& other) noexcept;
    ~CPtrListUI();

    // A null pointer or an index outside the list is refused (false); InsertAt accepts index == size.
    bool Add(void* item);
    bool InsertAt(int index, void* item);
    bool SetAt(int index, void* item);
    bool Remove(int index);
    void Empty();

    int Find(const void* item) const;
    void* GetAt(int index) const;
    void* operator[](int index) const { return GetAt(index); }
    int GetSize() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    int GetCapacity() const { return m_capacity; }

    void** begin() const { return m_items; }
    void** end() const { return m_items + m_count; }

private:
    bool Grow();

    void** m_items = nullptr;
    int m_count = 0;
    int m_capacity = 0;
};

} // namespace SkinUI
