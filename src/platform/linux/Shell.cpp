#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/System.h"
#include "platform/Text.h"
#include "platform/linux/ChildSetup.h"

namespace plat {

namespace {
std::mutex g_responderLock;
std::function<bool(const ShellRequest&)> g_responder;

bool AskResponder(const ShellRequest& request, bool& answer)
{
    std::function<bool(const ShellRequest&)> responder;
    {
        std::lock_guard<std::mutex> lock(g_responderLock);
        responder = g_responder;
    }
    if (!responder)
        return false;
    answer = responder(request);
    return true;
}

struct Identity
{
    bool change = false;
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
    std::string home;
};

// Starts argv in a grandchild that nobody waits for (it is handed to init), with the session's
// environment and, when asked, as the desktop user. False when the program could not be run.
bool RunDetached(const std::vector<std::string>& args, bool asDesktopUser)
{
    const DesktopSession& session = GetDesktopSession();
    Identity identity;
    identity.home = session.home;
    if (asDesktopUser && geteuid() == 0 && session.uid != 0) {
        identity.change = true;
        identity.uid = session.uid;
        identity.gid = session.gid;
        identity.groups.assign(session.groups.begin(), session.groups.end());
    }
    const detail::CStringArray argv(args);
    const detail::CStringArray envp(detail::SessionEnvironment(session, asDesktopUser));
    const int maxFd = detail::MaxDescriptor();
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int failure[2];
    if (pipe2(failure, O_CLOEXEC) != 0) {
        if (devNull >= 0)
            close(devNull);
        return false;
    }

    const pid_t child = fork();
    if (child == 0) {
        setsid();
        const pid_t grandchild = fork();
        if (grandchild != 0)
            _exit(grandchild < 0 ? 1 : 0);
        detail::MarkDescriptorsCloseOnExec(maxFd);
        if (devNull >= 0)
            dup2(devNull, STDIN_FILENO);
        if (identity.change) {
            if (setgroups(identity.groups.size(), identity.groups.data()) != 0 || setgid(identity.gid) != 0 ||
                setuid(identity.uid) != 0)
                detail::ReportExecFailure(failure[1], errno);
        }
        if (asDesktopUser && !identity.home.empty() && chdir(identity.home.c_str()) != 0) {
            const int ignored = chdir("/");
            (void)ignored;
        }
        execvpe(argv.Get()[0], argv.Get(), envp.Get());
        detail::ReportExecFailure(failure[1], errno);
    }
    close(failure[1]);
    if (devNull >= 0)
        close(devNull);
    if (child < 0) {
        close(failure[0]);
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const int error = detail::ReadExecFailure(failure[0]);
    close(failure[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && error == 0;
}

bool Run(ShellRequest::Kind kind, const std::wstring& target, std::vector<std::string> args,
         bool asDesktopUser)
{
    bool answer = false;
    if (AskResponder({kind, target}, answer))
        return answer;
    if (target.empty())
        return false;
    return RunDetached(args, asDesktopUser);
}
} // namespace

bool ShellOpen(const std::wstring& fileOrUrl)
{
    // Browsers refuse to run as root, and the page belongs in the user's own browser anyway.
    return Run(ShellRequest::kOpen, fileOrUrl, {"xdg-open", WideToUtf8(fileOrUrl)}, true);
}

bool ShellExecuteProgram(const std::wstring& program)
{
    return Run(ShellRequest::kExecute, program, {WideToUtf8(program)}, false);
}

bool RunAsDesktopUser(const std::wstring& program)
{
    return Run(ShellRequest::kRunAsDesktopUser, program, {WideToUtf8(program)}, true);
}

namespace test {
void SetShellResponder(std::function<bool(const ShellRequest&)> responder)
{
    std::lock_guard<std::mutex> lock(g_responderLock);
    g_responder = std::move(responder);
}
} // namespace test

} // namespace plat
