#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace SkinUI {

// The toolkit's text: wide characters, short texts inline, longer ones on the heap; copies are deep.
class CStringUI
{
public:
    static constexpr int kInlineCapacity = 62;

    CStringUI();
    CStringUI(const wchar_t* text, int length = -1);
    explicit CStringUI(wchar_t ch);
    explicit CStringUI(std::wstring_view text);
    CStringUI(const CStringUI& other);
    CStringUI(CStringUI&& other) noexcept;
    ~CStringUI();

    // Narrow texts are UTF-8.
    static CStringUI FromUtf8(std::string_view text);

    CStringUI& operator=(const CStringUI& other);
    CStringUI& operator=(CStringUI&& other) noexcept;
    CStringUI& operator=(const wchar_t* text);
    CStringUI& operator=(wchar_t ch);
    CStringUI& operator=(std::wstring_view text);

    void Assign(const wchar_t* text, int length = -1);
    void AssignUtf8(std::string_view text);
    void Append(const wchar_t* text, int length = -1);
    void Append(wchar_t ch);

    CStringUI& operator+=(const CStringUI& other);
    CStringUI& operator+=(const wchar_t* text);
    CStringUI& operator+=(wchar_t ch);

    bool IsEmpty() const { return m_length == 0; }
    int GetLength() const { return m_length; }
    const wchar_t* GetData() const { return m_data; }
    std::wstring_view View() const { return {m_data, static_cast<size_t>(m_length)}; }
    std::wstring ToStdWString() const { return std::wstring(View()); }
    std::string ToUtf8() const;
    void Empty();

    // Out-of-range indexes read as the terminator and are ignored on write.
    wchar_t GetAt(int index) const;
    wchar_t operator[](int index) const { return GetAt(index); }
    void SetAt(int index, wchar_t ch);

    // Ordinal comparisons: negative, zero or positive.
    int Compare(const wchar_t* text) const;
    int CompareNoCase(const wchar_t* text) const;
    bool Equals(const wchar_t* text) const { return Compare(text) == 0; }
    bool EqualsNoCase(const wchar_t* text) const { return CompareNoCase(text) == 0; }

    // Positions are character indexes; -1 when not found.
    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* text, int start = 0) const;
    int ReverseFind(wchar_t ch) const;

    // Lengths and positions are clamped to the text, so these never fail.
    CStringUI Left(int length) const;
    CStringUI Mid(int position, int length = -1) const;
    CStringUI Right(int length) const;

    // Replaces every occurrence, left to right, resuming after each inserted text; returns the count.
    int Replace(const wchar_t* from, const wchar_t* to);
    void MakeUpper();
    void MakeLower();

    // Wide printf: wide text arguments take %ls; %s takes an ASCII char* (other narrow texts cannot
    // be converted in the C locale and leave the result empty). Returns the resulting length.
    int Format(const wchar_t* format, ...);
    int FormatV(const wchar_t* format, va_list args);

    bool operator==(const CStringUI& other) const;
    bool operator==(const wchar_t* text) const { return Compare(text) == 0; }
    bool operator<(const CStringUI& other) const { return Compare(other.m_data) < 0; }

private:
    void Reserve(int length);
    bool IsInline() const { return m_data == m_inline; }
    void ReleaseHeap();

    wchar_t* m_data;
    int m_length = 0;
    int m_capacity = kInlineCapacity;
    wchar_t m_inline[kInlineCapacity + 1];
};

CStringUI operator+(const CStringUI& left, const CStringUI& right);
CStringUI operator+(const CStringUI& left, const wchar_t* right);
CStringUI operator+(const wchar_t* left, const CStringUI& right);

} // namespace SkinUI
