#include "log/FaultGuard.h"

#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cwchar>
#include <mutex>

namespace sklog {

namespace {

constexpr int kGuardedSignals[] = {SIGSEGV, SIGBUS};
// A wide record longer than this many characters is not written.
constexpr size_t kMaxWideChars = size_t(1) << 20;

struct sigaction g_previous[2];
std::once_flag g_installed;

thread_local sigjmp_buf* t_jump = nullptr;

void ChainToPrevious(int signal, siginfo_t* info, void* context)
{
    const struct sigaction& previous = g_previous[signal == SIGSEGV ? 0 : 1];
    if (previous.sa_flags & SA_SIGINFO) {
        if (previous.sa_sigaction) {
            previous.sa_sigaction(signal, info, context);
            return;
        }
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
        return;
    }
    // Default action: restore it and let the faulting instruction run again into it.
    std::signal(signal, SIG_DFL);
}

void OnFault(int signal, siginfo_t* info, void* context)
{
    if (sigjmp_buf* jump = t_jump) {
        t_jump = nullptr;
        siglongjmp(*jump, 1);
    }
    ChainToPrevious(signal, info, context);
}

void InstallHandlers()
{
    std::call_once(g_installed, [] {
        for (int i = 0; i < 2; ++i) {
            struct sigaction action
            {
            };
            action.sa_sigaction = OnFault;
            action.sa_flags = SA_SIGINFO | SA_NODEFER;
            sigemptyset(&action.sa_mask);
            sigaction(kGuardedSignals[i], &action, &g_previous[i]);
        }
    });
}

// Runs format(args) with the guard armed; false when it faulted. Only C calls happen while armed,
// so the jump back skips no destructor.
template <typename Formatter> bool RunGuarded(Formatter& formatter)
{
    InstallHandlers();
    sigjmp_buf jump;
    if (sigsetjmp(jump, 1) != 0)
        return false;
    t_jump = &jump;
    formatter();
    t_jump = nullptr;
    return true;
}

} // namespace

bool FormatGuarded(std::string& text, const char* format, va_list args)
{
    text.clear();
    int length = -1;
    auto measure = [&] {
        va_list copy;
        va_copy(copy, args);
        length = std::vsnprintf(nullptr, 0, format, copy);
        va_end(copy);
    };
    if (!RunGuarded(measure))
        return false;
    if (length <= 0)
        return length == 0;
    text.resize(static_cast<size_t>(length) + 1);
    auto print = [&] {
        va_list copy;
        va_copy(copy, args);
        std::vsnprintf(text.data(), text.size(), format, copy);
        va_end(copy);
    };
    if (!RunGuarded(print))
        return false;
    text.resize(static_cast<size_t>(length));
    return true;
}

bool FormatGuarded(std::wstring& text, const wchar_t* format, va_list args)
{
    // vswprintf cannot measure: it returns -1 for a short buffer, so grow until the text fits.
    std::wstring buffer(256, L'\0');
    for (;;) {
        int length = -1;
        auto print = [&] {
            va_list copy;
            va_copy(copy, args);
            length = std::vswprintf(buffer.data(), buffer.size(), format, copy);
            va_end(copy);
        };
        if (!RunGuarded(print))
            return false;
        if (length >= 0) {
            buffer.resize(static_cast<size_t>(length));
            text.swap(buffer);
            return true;
        }
        if (buffer.size() >= kMaxWideChars)
            return false;
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace sklog
