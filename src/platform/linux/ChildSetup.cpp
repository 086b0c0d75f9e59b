#include "platform/linux/ChildSetup.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

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

} // namespace plat::detail
