#include "ui/core/UIString.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "platform/Text.h"
#include "ui/core/UICharType.h"

namespace SkinUI {

namespace {

int TextLength(const wchar_t* text, int length)
{
    if (text == nullptr)
        return 0;
    if (length < 0)
        return static_cast<int>(std::wcslen(text));
    return length;
}

// A format that never fits gives up instead of growing without bound.
constexpr size_t kMaxFormatLength = 1 << 24;

} // namespace

CStringUI::CStringUI() : m_data(m_inline)
{
    m_inline[0] = 0;
}

CStringUI::CStringUI(const wchar_t* text, int length) : CStringUI()
{
    Assign(text, length);
}

CStringUI::CStringUI(wchar_t ch) : CStringUI()
{
    Append(ch);
}

CStringUI::CStringUI(std::wstring_view text) : CStringUI()
{
    Assign(text.data(), static_cast<int>(text.size()));
}

CStringUI::CStringUI(const CStringUI& other) : CStringUI()
{
    Assign(other.m_data, other.m_length);
}

CStringUI::CStringUI(CStringUI&& other) noexcept : CStringUI()
{
    if (other.IsInline()) {
        std::wmemcpy(m_inline, other.m_inline, other.m_length + 1);
    } else {
        m_data = other.m_data;
        m_capacity = other.m_capacity;
        other.m_data = other.m_inline;
        other.m_capacity = kInlineCapacity;
    }
    m_length = other.m_length;
    other.m_length = 0;
    other.m_inline[0] = 0;
}

CStringUI::~CStringUI()
{
    ReleaseHeap();
}

CStringUI CStringUI::FromUtf8(std::string_view text)
{
    CStringUI result;
    result.AssignUtf8(text);
    return result;
}

CStringUI& CStringUI::operator=(const CStringUI& other)
{
    if (this != &other)
        Assign(other.m_data, other.m_length);
    return *this;
}

CStringUI& CStringUI::operator=(CStringUI&& other) noexcept
{
    if (this == &other)
        return *this;
    if (other.IsInline()) {
        Assign(other.m_data, other.m_length);
        other.Empty();
        return *this;
    }
    ReleaseHeap();
    m_data = other.m_data;
    m_capacity = other.m_capacity;
    m_length = other.m_length;
    other.m_data = other.m_inline;
    other.m_capacity = kInlineCapacity;
    other.m_length = 0;
    other.m_inline[0] = 0;
    return *this;
}

CStringUI& CStringUI::operator=(const wchar_t* text)
{
    Assign(text);
    return *this;
}

CStringUI& CStringUI::operator=(wchar_t ch)
{
    Empty();
    Append(ch);
    return *this;
}

CStringUI& CStringUI::operator=(std::wstring_view text)
{
    Assign(text.data(), static_cast<int>(text.size()));
    return *this;
}

void CStringUI::Assign(const wchar_t* text, int length)
{
    length = TextLength(text, length);
    if (text >= m_data && text <= m_data + m_length) {
        // Assigning a part of ourselves: copy out first, the buffer may move.
        std::wstring copy(text, static_cast<size_t>(length));
        Reserve(length);
        std::wmemcpy(m_data, copy.data(), length);
    } else {
        Reserve(length);
        if (length > 0)
            std::wmemcpy(m_data, text, length);
    }
    m_length = length;
    m_data[m_length] = 0;
}

void CStringUI::AssignUtf8(std::string_view text)
{
    const std::wstring wide = plat::Utf8ToWide(text);
    Assign(wide.data(), static_cast<int>(wide.size()));
}

void CStringUI::Append(const wchar_t* text, int length)
{
    length = TextLength(text, length);
    if (length == 0)
        return;
    if (text >= m_data && text <= m_data + m_length) {
        std::wstring copy(text, static_cast<size_t>(length));
        Append(copy.data(), length);
        return;
    }
    Reserve(m_length + length);
    std::wmemcpy(m_data + m_length, text, length);
    m_length += length;
    m_data[m_length] = 0;
}

void CStringUI::Append(wchar_t ch)
{
    if (ch == 0)
        return;
    Reserve(m_length + 1);
    m_data[m_length++] = ch;
    m_data[m_length] = 0;
}

CStringUI& CStringUI::operator+=(const CStringUI& other)
{
    Append(other.m_data, other.m_length);
    return *this;
}

CStringUI& CStringUI::operator+=(const wchar_t* text)
{
    Append(text);
    return *this;
}

CStringUI& CStringUI::operator+=(wchar_t ch)
{
    Append(ch);
    return *this;
}

std::string CStringUI::ToUtf8() const
{
    return plat::WideToUtf8(View());
}

void CStringUI::Empty()
{
    ReleaseHeap();
    m_length = 0;
    m_inline[0] = 0;
}

wchar_t CStringUI::GetAt(int index) const
{
    if (index < 0 || index >= m_length)
        return 0;
    return m_data[index];
}

void CStringUI::SetAt(int index, wchar_t ch)
{
    if (index < 0 || index >= m_length || ch == 0)
        return;
    m_data[index] = ch;
}

int CStringUI::Compare(const wchar_t* text) const
{
    return std::wcscmp(m_data, text ? text : L"");
}

int CStringUI::CompareNoCase(const wchar_t* text) const
{
    const wchar_t* a = m_data;
    const wchar_t* b = text ? text : L"";
    for (;; ++a, ++b) {
        const wchar_t la = ToLowerChar(*a);
        const wchar_t lb = ToLowerChar(*b);
        if (la != lb)
            return la < lb ? -1 : 1;
        if (*a == 0)
            return 0;
    }
}

int CStringUI::Find(wchar_t ch, int start) const
{
    if (start < 0 || start >= m_length || ch == 0)
        return -1;
    const wchar_t* hit = std::wmemchr(m_data + start, ch, m_length - start);
    return hit ? static_cast<int>(hit - m_data) : -1;
}

int CStringUI::Find(const wchar_t* text, int start) const
{
    if (text == nullptr || start < 0 || start > m_length)
        return -1;
    const size_t pos = View().find(text, static_cast<size_t>(start));
    return pos == std::wstring_view::npos ? -1 : static_cast<int>(pos);
}

int CStringUI::ReverseFind(wchar_t ch) const
{
    for (int i = m_length - 1; i >= 0; --i) {
        if (m_data[i] == ch)
            return i;
    }
    return -1;
}

CStringUI CStringUI::Left(int length) const
{
    length = std::clamp(length, 0, m_length);
    return CStringUI(m_data, length);
}

CStringUI CStringUI::Mid(int position, int length) const
{
    position = std::clamp(position, 0, m_length);
    const int available = m_length - position;
    if (length < 0 || length > available)
        length = available;
    return CStringUI(m_data + position, length);
}

CStringUI CStringUI::Right(int length) const
{
    length = std::clamp(length, 0, m_length);
    return CStringUI(m_data + m_length - length, length);
}

int CStringUI::Replace(const wchar_t* from, const wchar_t* to)
{
    const int fromLength = TextLength(from, -1);
    if (fromLength == 0)
        return 0;
    const std::wstring_view replacement(to ? to : L"");
    std::wstring result;
    int count = 0;
    size_t done = 0;
    const std::wstring_view view = View();
    for (size_t hit = view.find(from); hit != std::wstring_view::npos; hit = view.find(from, done)) {
        result.append(view.substr(done, hit - done));
        result.append(replacement);
        done = hit + static_cast<size_t>(fromLength);
        ++count;
    }
    if (count == 0)
        return 0;
    result.append(view.substr(done));
    Assign(result.data(), static_cast<int>(result.size()));
    return count;
}

void CStringUI::MakeUpper()
{
    for (int i = 0; i < m_length; ++i)
        m_data[i] = ToUpperChar(m_data[i]);
}

void CStringUI::MakeLower()
{
    for (int i = 0; i < m_length; ++i)
        m_data[i] = ToLowerChar(m_data[i]);
}

int CStringUI::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const int length = FormatV(format, args);
    va_end(args);
    return length;
}

int CStringUI::FormatV(const wchar_t* format, va_list args)
{
    Empty();
    if (format == nullptr)
        return 0;
    // vswprintf reports "too small" and encoding errors alike, so grow until it fits or give up.
    std::vector<wchar_t> buffer(256);
    while (buffer.size() <= kMaxFormatLength) {
        va_list copy;
        va_copy(copy, args);
        errno = 0;
        const int written = std::vswprintf(buffer.data(), buffer.size(), format, copy);
        va_end(copy);
        if (written >= 0) {
            Assign(buffer.data(), written);
            return written;
        }
        // A text that cannot be converted fails the same way at every size.
        if (errno == EILSEQ)
            return 0;
        buffer.resize(buffer.size() * 4);
    }
    return 0;
}

bool CStringUI::operator==(const CStringUI& other) const
{
    return m_length == other.m_length && std::wmemcmp(m_data, other.m_data, m_length) == 0;
}

void CStringUI::Reserve(int length)
{
    if (length <= m_capacity)
        return;
    int capacity = std::max(length, m_capacity * 2);
    auto* grown = new wchar_t[static_cast<size_t>(capacity) + 1];
    std::wmemcpy(grown, m_data, m_length + 1);
    ReleaseHeap();
    m_data = grown;
    m_capacity = capacity;
}

void CStringUI::ReleaseHeap()
{
    if (!IsInline())
        delete[] m_data;
    m_data = m_inline;
    m_capacity = kInlineCapacity;
}

CStringUI operator+(const CStringUI& left, const CStringUI& right)
{
    CStringUI result(left);
    result += right;
    return result;
}

CStringUI operator+(const CStringUI& left, const wchar_t* right)
{
    CStringUI result(left);
    result += right;
    return result;
}

CStringUI operator+(const wchar_t* left, const CStringUI& right)
{
    CStringUI result(left);
    result += right;
    return result;
}

} // namespace SkinUI
