#include "platform/linux/ChildSetup.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace plat::detail {

CStringArray::CStringArray(std::vector<std::string> texts) : m_texts(std::move(texts))
{
    for (std::string& text : m_texts)
        m_pointers.push_back(text.data());
    m_pointers.push_back(nullptr);
}

int MaxDescriptor()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 65536)
        return 65536;
    return static_cast<int>(limit.rlim_cur);
}

void MarkDescriptorsCloseOnExec(int maxFd)
{
#if defined(SYS_close_range)
    constexpr unsigned kCloseRangeCloexec = 1u << 2;
    if (syscall(SYS_close_range, 3u, ~0u, kCloseRangeCloexec) == 0)
        return;
#endif
    for (int fd = 3; fd < maxFd; ++fd) {
        const int flags = fcntl(fd, F_GETFD);
        if (flags >= 0 && !(flags & FD_CLOEXEC))
            fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

void ReportExecFailure(int fd, int error)
{
    const ssize_t ignored = write(fd, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

int ReadExecFailure(int fd)
{
    int error = 0;
    size_t got = 0;
    while (got < sizeof error) {
        const ssize_t n = read(fd, reinterpret_cast<char*>(&error) + got, sizeof error - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    if (got == 0)
        return 0;
    return error ? error : ECHILD;
}

namespace {
std::string VariableName(const char* entry)
{
    const char* eq = std::strchr(entry, '=');
    return eq ? std::string(entry, static_cast<size_t>(eq - entry)) : std::string(entry);
}
} // namespace

std::vector<std::string> SessionEnvironment(const DesktopSession& session, bool asDesktopUser)
{
    std::vector<std::pair<std::string, std::string>> overrides = session.environment;
    if (asDesktopUser) {
        overrides.emplace_back("HOME", session.home);
        if (!session.userName.empty()) {
            overrides.emplace_back("USER", session.userName);
            overrides.emplace_back("LOGNAME", session.userName);
        }
    }
    std::vector<std::string> env;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string name = VariableName(*entry);
        bool replaced = false;
        for (const auto& item : overrides)
            replaced = replaced || item.first == name;
        if (!replaced)
            env.emplace_back(*entry);
    }
    for (const auto& item : overrides)
        env.push_back(item.first + "=" + item.second);
    return env;
}

} // namespace plat::detail
