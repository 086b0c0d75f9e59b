#pragma once

#include <cstdarg>
#include <string>

// Formatting that survives a fault raised by a bad argument (an invalid pointer for "%s"):
// SIGSEGV and SIGBUS raised on this thread while it formats jump back to the caller; every other
// fault goes to the handler that was there before.
namespace sklog {

// printf into text, sized exactly; false when formatting faulted.
bool FormatGuarded(std::string& text, const char* format, va_list args);
// swprintf into text; false when formatting faulted or the text never fit.
bool FormatGuarded(std::wstring& text, const wchar_t* format, va_list args);

} // namespace sklog
