#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>

#include "platform/System.h"
#include "platform/Text.h"
#include "platform/linux/ChildSetup.h"

namespace plat {

namespace {
std::string BaseName(const std::string& path)
{
    const size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::wstring ImageName(const std::string& pidText)
{
    char buffer[PATH_MAX];
    const std::string dir = "/proc/" + pidText;
    const ssize_t n = readlink((dir + "/exe").c_str(), buffer, sizeof buffer - 1);
    if (n > 0) {
        std::string target(buffer, static_cast<size_t>(n));
        constexpr std::string_view kDeleted = " (deleted)";
        if (target.size() > kDeleted.size() &&
            target.compare(target.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
            target.resize(target.size() - kDeleted.size());
        return Utf8ToWide(BaseName(target));
    }
    // Kernel threads and other users' processes have no readable exe link; their short name still counts.
    std::string comm;
    if (!ReadFileBytes(Utf8ToWide(dir + "/comm"), comm))
        return {};
    while (!comm.empty() && comm.back() == '\n')
        comm.pop_back();
    return Utf8ToWide(comm);
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

bool MakePipe(int fds[2])
{
    return pipe2(fds, O_CLOEXEC) == 0;
}

bool IsRunnable(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}
} // namespace

std::vector<ProcessEntry> SnapshotProcesses()
{
    std::vector<ProcessEntry> entries;
    DIR* dir = opendir("/proc");
    if (!dir)
        return entries;
    while (dirent* item = readdir(dir)) {
        const std::string name = item->d_name;
        if (name.empty() ||
            !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        if (name.size() > 10)
            continue;
        const unsigned long pid = std::stoul(name);
        if (pid == 0 || pid > UINT32_MAX)
            continue;
        std::wstring image = ImageName(name);
        if (image.empty())
            continue; // ended while we looked
        entries.push_back({static_cast<uint32_t>(pid), std::move(image)});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
    return entries;
}

bool TerminateProcess(uint32_t pid)
{
    // 0 and values beyond INT_MAX would reach process groups or every process.
    if (pid == 0 || pid > static_cast<uint32_t>(INT_MAX))
        return false;
    return kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine)
{
    std::vector<std::wstring> args;
    size_t i = 0;
    const size_t n = commandLine.size();
    auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };

    // The program name: quotes group, backslashes are plain characters.
    std::wstring program;
    bool inQuotes = false;
    for (; i < n; ++i) {
        const wchar_t c = commandLine[i];
        if (c == L'"') {
            inQuotes = !inQuotes;
            continue;
        }
        if (!inQuotes && isBlank(c))
            break;
        program += c;
    }
    if (n == 0)
        return args;
    args.push_back(std::move(program));

    while (true) {
        while (i < n && isBlank(commandLine[i]))
            ++i;
        if (i >= n)
            break;
        std::wstring arg;
        inQuotes = false;
        while (i < n) {
            const wchar_t c = commandLine[i];
            if (c == L'\\') {
                size_t slashes = 0;
                while (i < n && commandLine[i] == L'\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && commandLine[i] == L'"') {
                    arg.append(slashes / 2, L'\\');
                    if (slashes % 2) {
                        arg += L'"';
                        ++i;
                    }
                } else {
                    arg.append(slashes, L'\\');
                }
                continue;
            }
            if (c == L'"') {
                // Inside quotes a doubled quote stands for one quote character.
                if (inQuotes && i + 1 < n && commandLine[i + 1] == L'"') {
                    arg += L'"';
                    i += 2;
                    continue;
                }
                inQuotes = !inQuotes;
                ++i;
                continue;
            }
            if (!inQuotes && isBlank(c))
                break;
            arg += c;
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

bool CreateProcess(const std::wstring& applicationPath, const std::wstring& commandLine, bool suspended,
                   Process& process)
{
    process = Process();
    std::vector<std::wstring> wideArgs = SplitCommandLine(commandLine);
    if (wideArgs.empty())
        wideArgs.push_back(applicationPath);
    if (wideArgs[0].empty())
        wideArgs[0] = applicationPath;
    const bool searchPath = applicationPath.empty();
    const std::string program = WideToUtf8(searchPath ? wideArgs[0] : applicationPath);
    if (program.empty())
        return false;
    // A suspended child execs only on Resume: refuse a program that cannot run now, while the
    // caller can still be told.
    if (!searchPath && !IsRunnable(program))
        return false;

    std::vector<std::string> narrowArgs;
    for (const std::wstring& arg : wideArgs)
        narrowArgs.push_back(WideToUtf8(arg));
    const detail::CStringArray argv(std::move(narrowArgs));
    const int maxFd = detail::MaxDescriptor();

    int resume[2] = {-1, -1};
    int failure[2] = {-1, -1};
    if (!MakePipe(failure))
        return false;
    if (suspended && !MakePipe(resume)) {
        CloseFd(failure[0]);
        CloseFd(failure[1]);
        return false;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        detail::MarkDescriptorsCloseOnExec(maxFd);
        if (suspended) {
            close(resume[1]);
            char go = 0;
            ssize_t got;
            while ((got = read(resume[0], &go, 1)) < 0 && errno == EINTR) {
            }
            if (got != 1)
                _exit(127); // the parent gave up on this child
        }
        if (searchPath)
            execvp(program.c_str(), argv.Get());
        else
            execv(program.c_str(), argv.Get());
        detail::ReportExecFailure(failure[1], errno);
    }
    CloseFd(failure[1]);
    CloseFd(resume[0]);
    if (pid < 0) {
        CloseFd(failure[0]);
        CloseFd(resume[1]);
        return false;
    }
    process.m_pid = pid;
    if (suspended) {
        process.m_resumeFd = resume[1];
        process.m_errorFd = failure[0];
        return true;
    }
    const int error = detail::ReadExecFailure(failure[0]);
    CloseFd(failure[0]);
    if (error != 0) {
        process.Wait(kInfinite);
        process = Process();
        return false;
    }
    return true;
}

Process::~Process()
{
    if (m_pid > 0 && m_resumeFd >= 0) {
        kill(m_pid, SIGKILL);
        Wait(kInfinite);
    }
    CloseFd(m_resumeFd);
    CloseFd(m_errorFd);
}

Process::Process(Process&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)), m_resumeFd(std::exchange(other.m_resumeFd, -1)),
      m_errorFd(std::exchange(other.m_errorFd, -1)), m_reaped(std::exchange(other.m_reaped, false)),
      m_status(std::exchange(other.m_status, 0))
{}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        Process old(std::move(*this));
        m_pid = std::exchange(other.m_pid, -1);
        m_resumeFd = std::exchange(other.m_resumeFd, -1);
        m_errorFd = std::exchange(other.m_errorFd, -1);
        m_reaped = std::exchange(other.m_reaped, false);
        m_status = std::exchange(other.m_status, 0);
    }
    return *this;
}

bool Process::Resume()
{
    if (m_pid <= 0)
        return false;
    if (m_resumeFd < 0)
        return true;
    const char go = 1;
    ssize_t written;
    while ((written = write(m_resumeFd, &go, 1)) < 0 && errno == EINTR) {
    }
    CloseFd(m_resumeFd);
    const int error = m_errorFd >= 0 ? detail::ReadExecFailure(m_errorFd) : 0;
    CloseFd(m_errorFd);
    if (written != 1 || error != 0) {
        Wait(kInfinite);
        return false;
    }
    return true;
}

WaitResult Process::Wait(uint32_t timeoutMs, uint32_t* exitCode)
{
    if (m_pid <= 0)
        return WaitResult::kFailed;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto backoff = std::chrono::microseconds(200);
    while (!m_reaped) {
        int status = 0;
        const pid_t got = waitpid(m_pid, &status, timeoutMs == kInfinite ? 0 : WNOHANG);
        if (got == m_pid) {
            m_reaped = true;
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return WaitResult::kFailed;
        if (std::chrono::steady_clock::now() >= deadline)
            return WaitResult::kTimeout;
        std::this_thread::sleep_for(backoff);
        backoff = std::min(backoff * 2, std::chrono::microseconds(20000));
    }
    if (exitCode)
        *exitCode = static_cast<uint32_t>(m_status);
    return WaitResult::kExited;
}

} // namespace plat
