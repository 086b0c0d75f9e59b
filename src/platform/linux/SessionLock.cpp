#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/System.h"
#include "platform/Text.h"

namespace plat {

namespace {
// Lock names come from file names; a separator in one must not lead elsewhere.
std::string LockFileName(const std::wstring& name, uint32_t uid)
{
    std::string file = WideToUtf8(name);
    for (char& c : file) {
        if (c == '/')
            c = '_';
    }
    return file + "." + std::to_string(uid) + ".lock";
}

bool EnsureLockFolder(const std::string& folder)
{
    struct stat st
    {
    };
    if (stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (mkdir(folder.c_str(), 01777) != 0 && errno != EEXIST)
        return false;
    // The umask trims the mode; root's folder must stay open to the desktop user too.
    chmod(folder.c_str(), 01777);
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Opens the lock file, creating it when missing. An existing file is opened without O_CREAT:
// in a sticky world-writable folder O_CREAT on another user's file is refused even to root.
int OpenLockFile(const std::string& path)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        fd = open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
        if (fd >= 0) {
            fchmod(fd, 0644);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}
} // namespace

LockResult AcquireSessionLock(const std::wstring& name)
{
    if (name.empty())
        return LockResult::kFailed;
    const std::string folder = WideToUtf8(GetRuntimeFolder());
    if (!EnsureLockFolder(folder))
        return LockResult::kFailed;
    const std::string path = folder + "/" + LockFileName(name, GetDesktopSession().uid);
    const int fd = OpenLockFile(path);
    if (fd < 0)
        return LockResult::kFailed;
    struct stat st
    {
    };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return LockResult::kFailed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        return error == EWOULDBLOCK ? LockResult::kAlreadyHeld : LockResult::kFailed;
    }
    // The descriptor stays open for the rest of the process: the kernel drops the lock when the
    // process ends, however it ends.
    return LockResult::kAcquired;
}

} // namespace plat
