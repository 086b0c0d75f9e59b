#include "ui/core/UIAttributes.h"

#include <cwchar>

namespace SkinUI {

namespace {

bool IsSpace(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

} // namespace

bool ParseBool(const wchar_t* text)
{
    return text != nullptr && std::wcscmp(text, L"true") == 0;
}

int32_t ParseInt(const wchar_t* text, const wchar_t** end)
{
    if (end)
        *end = text;
    if (text == nullptr)
        return 0;
    const wchar_t* p = text;
    while (IsSpace(*p))
        ++p;
    const bool negative = *p == L'-';
    if (*p == L'-' || *p == L'+')
        ++p;
    if (*p < L'0' || *p > L'9')
        return 0;
    int64_t value = 0;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        if (value < limit)
            value = value * 10 + (*p - L'0');
    }
    if (value > limit)
        value = limit;
    if (end)
        *end = p;
    return static_cast<int32_t>(negative ? -value : value);
}

uint32_t ParseHex(const wchar_t* text, const wchar_t** end)
{
    if (end)
        *end = text;
    if (text == nullptr)
        return 0;
    const wchar_t* p = text;
    while (IsSpace(*p))
        ++p;
    const bool negative = *p == L'-';
    if (*p == L'-' || *p == L'+')
        ++p;
    if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X') && HexDigit(p[2]) >= 0)
        p += 2;
    if (HexDigit(*p) < 0)
        return 0;
    uint64_t value = 0;
    for (int d; (d = HexDigit(*p)) >= 0; ++p) {
        if (value <= 0xFFFFFFFFu)
            value = value * 16 + static_cast<uint64_t>(d);
    }
    if (end)
        *end = p;
    if (value > 0xFFFFFFFFu)
        return 0xFFFFFFFFu;
    const auto result = static_cast<uint32_t>(value);
    return negative ? 0u - result : result;
}

ColorUI ParseColor(const wchar_t* text)
{
    if (text != nullptr && *text == L'#')
        ++text;
    return ParseHex(text);
}

ColorUI ParseColorAfterBlanks(const wchar_t* text)
{
    while (text != nullptr && *text > 0 && *text <= L' ')
        ++text;
    return ParseColor(text);
}

int ParseIntList(const wchar_t* text, int32_t* values, int count)
{
    const wchar_t* p = text ? text : L"";
    int reached = 0;
    for (int i = 0; i < count; ++i)
        values[i] = 0;
    for (int i = 0; i < count; ++i) {
        // Exactly one separator is stepped over, but never the terminator.
        if (i > 0) {
            if (*p == 0)
                break;
            ++p;
        }
        values[i] = ParseInt(p, &p);
        ++reached;
    }
    return reached;
}

RectUI ParseRect(const wchar_t* text)
{
    int32_t v[4];
    ParseIntList(text, v, 4);
    return {v[0], v[1], v[2], v[3]};
}

SizeUI ParseSize(const wchar_t* text)
{
    int32_t v[2];
    ParseIntList(text, v, 2);
    return {v[0], v[1]};
}

PointUI ParsePoint(const wchar_t* text)
{
    int32_t v[2];
    ParseIntList(text, v, 2);
    return {v[0], v[1]};
}

} // namespace SkinUI
