#pragma once

#include <string>
#include <string_view>

// Narrow texts are UTF-8 whatever the process locale; wide texts hold one code point per wchar_t.
namespace plat {

// Invalid UTF-8 sequences become U+FFFD each; never fails.
std::wstring Utf8ToWide(std::string_view text);
// Code points outside Unicode (and lone surrogates) become U+FFFD; never fails.
std::string WideToUtf8(std::wstring_view text);

} // namespace plat
