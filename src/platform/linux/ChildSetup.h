#pragma once

#include <string>
#include <vector>

#include "platform/System.h"

// Helpers for starting child processes: everything a child needs is prepared before fork, so the
// child itself only calls async-signal-safe functions.
namespace plat::detail {

// A NULL-terminated array of C strings over owned texts.
class CStringArray
{
public:
    CStringArray() = default;
    explicit CStringArray(std::vector<std::string> texts);
    CStringArray(const CStringArray&) = delete;
    CStringArray& operator=(const CStringArray&) = delete;
    char* const* Get() const { return m_pointers.data(); }
    bool Empty() const { return m_texts.empty(); }

private:
    std::vector<std::string> m_texts;
    std::vector<char*> m_pointers;
};

// Marks every descriptor from 3 up close-on-exec, so the program inherits only stdin, stdout
// and stderr. Safe to call between fork and exec.
void MarkDescriptorsCloseOnExec(int maxFd);
// The highest descriptor number worth marking (read before fork).
int MaxDescriptor();

// Writes an errno value to a pipe and ends the child (after a failed exec).
[[noreturn]] void ReportExecFailure(int fd, int error);
// Reads what ReportExecFailure wrote: 0 when the pipe closed without a word (exec succeeded).
int ReadExecFailure(int fd);

// This process's environment with the desktop session's variables put back (sudo and pkexec
// drop them) and, for a run as the desktop user, that user's HOME, USER and LOGNAME.
std::vector<std::string> SessionEnvironment(const DesktopSession& session, bool asDesktopUser);

} // namespace plat::detail
