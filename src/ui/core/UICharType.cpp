#include "ui/core/UICharType.h"

#include <locale>

namespace SkinUI {

namespace {

// The classic "C" locale classifies only ASCII; the UTF-8 flavour of it knows every script.
const std::ctype<wchar_t>& UnicodeCType()
{
    static const std::locale locale = [] {
        try {
            return std::locale("C.UTF-8");
        } catch (const std::exception&) {
            return std::locale::classic();
        }
    }();
    static const auto& facet = std::use_facet<std::ctype<wchar_t>>(locale);
    return facet;
}

} // namespace

bool IsAlnumChar(wchar_t ch)
{
    if (ch < 0x80) {
        return (ch >= L'0' && ch <= L'9') || (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
    }
    return UnicodeCType().is(std::ctype_base::alnum, ch);
}

wchar_t ToLowerChar(wchar_t ch)
{
    if (ch < 0x80)
        return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch + 32) : ch;
    return UnicodeCType().tolower(ch);
}

wchar_t ToUpperChar(wchar_t ch)
{
    if (ch < 0x80)
        return (ch >= L'a' && ch <= L'z') ? static_cast<wchar_t>(ch - 32) : ch;
    return UnicodeCType().toupper(ch);
}

} // namespace SkinUI
