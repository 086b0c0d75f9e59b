#include "log/Log.h"

#include <log4cpp/Category.hh>
#include <log4cpp/PatternLayout.hh>
#include <log4cpp/Priority.hh>
#include <log4cpp/RollingFileAppender.hh>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "log/FaultGuard.h"
#include "log/Paths.h"
#include "platform/Debug.h"
#include "platform/Dialog.h"
#include "platform/Text.h"

namespace {

constexpr size_t kMaxFileSize = 10 * 1024 * 1024;
constexpr unsigned kBackupFiles = 1;
constexpr mode_t kFileMode = 0644;
constexpr const char* kPattern = "%d %m%n ";

// Guards the check-and-configure step so exactly one appender is ever added.
std::mutex& InitLock()
{
    static std::mutex lock;
    return lock;
}

bool IsConfigured(const std::string& shortName)
{
    return log4cpp::Category::getRoot().getAppender(shortName) != nullptr;
}

void ConfigureLocked(const wchar_t* fileName, const wchar_t* directory)
{
    const std::string shortName = GetModuleShortName();
    if (IsConfigured(shortName))
        return;
    std::wstring folder = directory && *directory ? std::wstring(directory) : GetExeDirectory() + L"/Log";
    CreateDirectories(folder);
    const std::wstring name =
        fileName && *fileName ? std::wstring(fileName) : plat::Utf8ToWide(shortName) + L".log";
    const std::wstring fullPath = folder + plat::kPathSeparator + name;

    auto* appender = new log4cpp::RollingFileAppender(shortName, plat::WideToUtf8(fullPath), kMaxFileSize,
                                                      kBackupFiles, true, kFileMode);
    auto* layout = new log4cpp::PatternLayout();
    layout->setConversionPattern(kPattern);
    appender->setLayout(layout);
    log4cpp::Category& root = log4cpp::Category::getRoot();
    root.addAppender(appender);
    root.setPriority(log4cpp::Priority::DEBUG);
}

bool PriorityOf(int level, log4cpp::Priority::Value& priority)
{
    switch (level) {
    case kLog_Debug:
        priority = log4cpp::Priority::DEBUG;
        return true;
    case kLog_Info:
        priority = log4cpp::Priority::INFO;
        return true;
    case kLog_Warn:
        priority = log4cpp::Priority::WARN;
        return true;
    case kLog_Error:
        priority = log4cpp::Priority::ERROR;
        return true;
    default:
        return false;
    }
}

void Sink(int level, const std::string& text)
{
    {
        std::lock_guard<std::mutex> lock(InitLock());
        ConfigureLocked(nullptr, nullptr);
    }
    log4cpp::Priority::Value priority;
    if (text.empty() || !PriorityOf(level, priority))
        return;
    log4cpp::Category::getRoot().log(priority, text);
}

template <typename Char> std::basic_string<Char> BaseName(const Char* file)
{
    std::basic_string<Char> path = file ? file : std::basic_string<Char>();
    const size_t slash = path.find_last_of(std::basic_string<Char>{Char('/'), Char('\\')});
    return slash == std::basic_string<Char>::npos ? path : path.substr(slash + 1);
}

void WriteLine(bool withPosition, const char* function, const char* file, int line, int level,
               const std::string& message)
{
    if (!withPosition) {
        Sink(level, message);
        return;
    }
    std::string text = "[" + BaseName(file) + ":" + std::to_string(line) + "][" + (function ? function : "") +
                       "] " + message;
    Sink(level, text);
}

void WriteLineW(bool withPosition, const wchar_t* function, const wchar_t* file, int line, int level,
                const std::wstring& message)
{
    if (!withPosition) {
        Sink(level, plat::WideToUtf8(message));
        return;
    }
    std::wstring text = L"[" + BaseName(file) + L":" + std::to_wstring(line) + L"][" +
                        (function ? function : L"") + L"] " + message;
    Sink(level, plat::WideToUtf8(text));
}

void ShowAssertDialog(const char* expression, const char* function, int line, const std::string& message)
{
    char header[64];
    std::snprintf(header, sizeof header, "%d", line);
    const std::string text = std::string("Assert(") + (expression ? expression : "") + ");\n (in function " +
                             (function ? function : "") + ",at line " + header + ")\n is Debug?\n" + message +
                             "\n";
    const int answer = plat::MessageBox(nullptr, plat::Utf8ToWide(text), L"AssertError!", plat::kMB_YesNo);
    if (answer == plat::kID_Yes && plat::IsDebuggerPresent())
        plat::DebugBreak();
}

} // namespace

void InitLog(const wchar_t* fileName, const wchar_t* directory)
{
    std::lock_guard<std::mutex> lock(InitLock());
    ConfigureLocked(fileName, directory);
}

void LogWrite(const char* function, const char* file, int line, int level, const char* format, ...)
{
    if (!format || !*format)
        return;
    std::string message;
    va_list args;
    va_start(args, format);
    const bool formatted = sklog::FormatGuarded(message, format, args);
    va_end(args);
    if (formatted)
        WriteLine(false, function, file, line, level, message);
    else
        WriteLine(true, function, file, line, level, std::string(kFatalCheckText));
}

void LogWriteW(const wchar_t* function, const wchar_t* file, int line, int level, const wchar_t* format, ...)
{
    if (!format || !*format)
        return;
    std::wstring message;
    va_list args;
    va_start(args, format);
    const bool formatted = sklog::FormatGuarded(message, format, args);
    va_end(args);
    if (formatted)
        WriteLineW(false, function, file, line, level, message);
    else
        WriteLineW(true, function, file, line, level, plat::Utf8ToWide(kFatalCheckText));
}

void DebugTrace(const char* format, ...)
{
    if (!format || !*format)
        return;
    std::string text;
    va_list args;
    va_start(args, format);
    const bool formatted = sklog::FormatGuarded(text, format, args);
    va_end(args);
    if (!formatted)
        return;
    std::printf("%s", text.c_str());
    std::fflush(stdout);
    plat::OutputDebugString(text.c_str());
}

void AssertCheck(bool condition, const char* expression, const char* function, int line)
{
    if (!condition)
        ShowAssertDialog(expression, function, line, std::string());
}

void AssertCheckFormat(bool condition, const char* expression, const char* function, int line,
                       const char* format, ...)
{
    if (condition)
        return;
    std::string message;
    if (format && *format) {
        va_list args;
        va_start(args, format);
        sklog::FormatGuarded(message, format, args);
        va_end(args);
    }
    ShowAssertDialog(expression, function, line, message);
}

namespace logtest {
void ResetLog()
{
    std::lock_guard<std::mutex> lock(InitLock());
    log4cpp::Category::getRoot().removeAllAppenders();
    ResetModuleShortName();
}
} // namespace logtest
