#include <sys/stat.h>
#include <sys/statvfs.h>

#include <mutex>

#include "platform/System.h"
#include "platform/Text.h"

namespace plat {

namespace {
std::mutex g_foldersLock;
std::wstring g_programFilesOverride;
std::wstring g_runtimeOverride;

bool IsFolder(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The path itself when it is a folder, else the nearest folder above it that exists.
std::string NearestExistingFolder(std::string path)
{
    while (!path.empty()) {
        if (IsFolder(path))
            return path;
        const size_t cut = path.find_last_of(kPathSeparatorA);
        if (cut == std::string::npos)
            break;
        path.resize(cut == 0 ? 1 : cut);
        if (path.size() == 1 && path[0] == kPathSeparatorA)
            return path;
    }
    return ".";
}
} // namespace

bool GetDiskFreeBytes(const std::wstring& path, uint64_t& freeBytes)
{
    freeBytes = 0;
    if (path.empty())
        return false;
    const std::string folder = NearestExistingFolder(WideToUtf8(path));
    struct statvfs vfs
    {
    };
    if (statvfs(folder.c_str(), &vfs) != 0)
        return false;
    freeBytes = static_cast<uint64_t>(vfs.f_bfree) * static_cast<uint64_t>(vfs.f_frsize);
    return true;
}

std::wstring GetProgramFilesFolder()
{
    std::lock_guard<std::mutex> lock(g_foldersLock);
    return g_programFilesOverride.empty() ? std::wstring(L"/opt") : g_programFilesOverride;
}

std::wstring GetRuntimeFolder()
{
    {
        std::lock_guard<std::mutex> lock(g_foldersLock);
        if (!g_runtimeOverride.empty())
            return g_runtimeOverride;
    }
    // /run/lock is world-writable with the sticky bit on Debian, so root and the user meet there.
    if (IsFolder("/run/lock"))
        return L"/run/lock";
    return L"/tmp/valtrix-locks";
}

namespace test {
void SetProgramFilesFolder(const std::wstring& path)
{
    std::lock_guard<std::mutex> lock(g_foldersLock);
    g_programFilesOverride = path;
}

void SetRuntimeFolder(const std::wstring& path)
{
    std::lock_guard<std::mutex> lock(g_foldersLock);
    g_runtimeOverride = path;
}
} // namespace test

} // namespace plat
