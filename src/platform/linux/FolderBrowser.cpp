#include "platform/FolderBrowser.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/System.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "platform/linux/ChildSetup.h"
#include "platform/linux/WindowInternal.h"

namespace plat {

namespace {
std::mutex g_hookLock;
std::function<FolderBrowserResult(const FolderBrowserRequest&, std::wstring&)> g_responder;
std::string g_program;

// Exit status of a chooser that could not be started at all.
constexpr int kNotStarted = 127;

std::string FindOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir =
            dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        struct stat info
        {
        };
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111))
            return candidate;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return {};
}

struct ChildRun
{
    int status = kNotStarted;
    std::string output;
};

// Runs the chooser as the desktop user and collects what it prints.
ChildRun RunChooser(const std::vector<std::string>& args)
{
    ChildRun run;
    const DesktopSession& session = GetDesktopSession();
    const bool change = geteuid() == 0 && session.uid != 0;
    std::vector<gid_t> groups(session.groups.begin(), session.groups.end());
    const detail::CStringArray argv(args);
    const detail::CStringArray envp(detail::SessionEnvironment(session, true));
    const int maxFd = detail::MaxDescriptor();
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return run;
    const pid_t child = fork();
    if (child == 0) {
        detail::MarkDescriptorsCloseOnExec(maxFd);
        dup2(out[1], STDOUT_FILENO);
        if (change && (setgroups(groups.size(), groups.data()) != 0 || setgid(session.gid) != 0 ||
                       setuid(session.uid) != 0))
            _exit(kNotStarted);
        execve(argv.Get()[0], argv.Get(), envp.Get());
        _exit(kNotStarted);
    }
    close(out[1]);
    if (child < 0) {
        close(out[0]);
        return run;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got > 0)
            run.output.append(buffer, static_cast<size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    close(out[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : kNotStarted;
    return run;
}

// Runs the chooser on a helper thread; the UI thread keeps pumping with the owner disabled.
ChildRun RunModally(const FolderBrowserRequest& request, const std::vector<std::string>& args)
{
    if (!detail::IsUiThread())
        return RunChooser(args);
    const WindowHandle owner = IsWindow(request.owner) ? request.owner : nullptr;
    const bool wasDisabled = owner && EnableWindow(owner, false);
    std::atomic<bool> done{false};
    ChildRun run;
    const uint32_t uiThread = GetCurrentThreadId();
    std::thread helper([&] {
        run = RunChooser(args);
        done = true;
        PostThreadMessage(uiThread, kWM_Null, 0, 0);
    });
    bool quit = false;
    int quitCode = 0;
    Msg msg;
    while (!done.load()) {
        if (!GetMessage(msg, nullptr, 0, 0)) {
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            break;
        }
        TranslateMessage(msg);
        DispatchMessage(msg);
    }
    helper.join();
    if (quit)
        PostQuitMessage(quitCode);
    if (owner && IsWindow(owner)) {
        if (!wasDisabled)
            EnableWindow(owner, true);
        SetActiveWindow(owner);
    }
    return run;
}
} // namespace

FolderBrowserResult BrowseForFolder(const FolderBrowserRequest& request, std::wstring& path)
{
    std::function<FolderBrowserResult(const FolderBrowserRequest&, std::wstring&)> responder;
    std::string program;
    {
        std::lock_guard<std::mutex> lock(g_hookLock);
        responder = g_responder;
        program = g_program;
    }
    if (responder) {
        std::wstring chosen;
        const FolderBrowserResult result = responder(request, chosen);
        if (result == kFolderBrowser_Chosen)
            path = chosen;
        return result;
    }
    if (program.empty())
        program = FindOnPath("zenity");
    if (program.empty()) {
        std::fprintf(stderr, "No folder chooser is available: zenity is not installed.\n");
        return kFolderBrowser_Unavailable;
    }
    std::vector<std::string> args = {program, "--file-selection", "--directory",
                                     "--title=" + WideToUtf8(request.title)};
    if (!request.startFolder.empty()) {
        std::string start = WideToUtf8(request.startFolder);
        if (start.back() != '/')
            start += '/';
        args.push_back("--filename=" + start);
    }
    const ChildRun run = RunModally(request, args);
    if (run.status == 1)
        return kFolderBrowser_Cancelled;
    std::string chosen = run.output;
    while (!chosen.empty() && (chosen.back() == '\n' || chosen.back() == '\r'))
        chosen.pop_back();
    if (run.status != 0 || chosen.empty())
        return kFolderBrowser_Unavailable;
    path = Utf8ToWide(chosen);
    return kFolderBrowser_Chosen;
}

namespace test {
void SetFolderBrowserResponder(
    std::function<FolderBrowserResult(const FolderBrowserRequest&, std::wstring&)> responder)
{
    std::lock_guard<std::mutex> lock(g_hookLock);
    g_responder = std::move(responder);
}

void SetFolderBrowserProgram(const std::wstring& program)
{
    std::lock_guard<std::mutex> lock(g_hookLock);
    g_program = WideToUtf8(program);
}
} // namespace test

} // namespace plat
