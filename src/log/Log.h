#pragma once

#include <cstddef>
#include <string_view>

#include "log/FunctionName.h"

// The process-wide log file, the debug trace and the assertion dialog.
//
// Records go to one rolling file. A record written before InitLog configures the log goes to
// "<module short name>.log" in the Log folder beside the executable, and so does the rest of the run.

enum LogLevel : int
{
    kLog_Debug = 0,
    kLog_Info = 1,
    kLog_Warn = 2,
    kLog_Error = 3,
};

// Configures the log file once per process; null or empty arguments take the defaults. The first
// configuration wins; later calls change nothing.
void InitLog(const wchar_t* fileName = nullptr, const wchar_t* directory = nullptr);

// Formats one record with printf rules and writes it. A fault while formatting (an invalid "%s"
// argument) writes the fatal-check record with the caller's position instead.
void LogWrite(const char* function, const char* file, int line, int level, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
// The same with a wide format; wide string arguments are written with "%ls".
void LogWriteW(const wchar_t* function, const wchar_t* file, int line, int level, const wchar_t* format, ...);

// Writes the formatted text to standard output and to an attached debugger; no line break added.
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Shows the assertion dialog when the condition is false; answering Yes breaks into an attached
// debugger. Never ends the process.
void AssertCheck(bool condition, const char* expression, const char* function, int line);
void AssertCheckFormat(bool condition, const char* expression, const char* function, int line,
                       const char* format, ...) __attribute__((format(printf, 5, 6)));

// The text written in place of a record whose formatting faulted.
inline constexpr std::string_view kFatalCheckText = "***Fatal Error Check,Please Fix it!***";

namespace logtest {
// Forgets the log configuration and the module short name, as if the process had just started.
void ResetLog();
} // namespace logtest

#define SK_WIDEN_(text) L##text
#define SK_WIDEN(text) SK_WIDEN_(text)

#define SK_LOG_(level, ...) ::LogWrite(SK_FUNCTION, __FILE__, __LINE__, level, __VA_ARGS__)
#define SK_LOGW_(level, ...) ::LogWriteW(SK_FUNCTIONW, SK_WIDEN(__FILE__), __LINE__, level, __VA_ARGS__)

#define LOG_DEBUG(...) SK_LOG_(kLog_Debug, __VA_ARGS__)
#define LOG_INFO(...) SK_LOG_(kLog_Info, __VA_ARGS__)
#define LOG_WARN(...) SK_LOG_(kLog_Warn, __VA_ARGS__)
#define LOG_ERROR(...) SK_LOG_(kLog_Error, __VA_ARGS__)
#define LOG_DEBUGW(...) SK_LOGW_(kLog_Debug, __VA_ARGS__)
#define LOG_INFOW(...) SK_LOGW_(kLog_Info, __VA_ARGS__)
#define LOG_WARNW(...) SK_LOGW_(kLog_Warn, __VA_ARGS__)
#define LOG_ERRORW(...) SK_LOGW_(kLog_Error, __VA_ARGS__)

#define SK_ASSERT(expr) ::AssertCheck(static_cast<bool>(expr), #expr, SK_FUNCTION, __LINE__)
#define SK_ASSERT_MSG(expr, ...)                                                                             \
    ::AssertCheckFormat(static_cast<bool>(expr), #expr, SK_FUNCTION, __LINE__, __VA_ARGS__)
