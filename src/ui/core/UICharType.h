#pragma once

namespace SkinUI {

// Character classes and case mapping by Unicode rules, whatever locale the process has selected.
bool IsAlnumChar(wchar_t ch);
wchar_t ToLowerChar(wchar_t ch);
wchar_t ToUpperChar(wchar_t ch);

} // namespace SkinUI
