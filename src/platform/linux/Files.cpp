#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <mutex>

#include "platform/System.h"
#include "platform/Text.h"

namespace plat {

namespace {
std::mutex g_moduleLock;
std::wstring g_modulePathOverride;

std::string Narrow(const std::wstring& path) { return WideToUtf8(path); }
} // namespace

std::wstring GetModulePath()
{
    {
        std::lock_guard<std::mutex> lock(g_moduleLock);
        if (!g_modulePathOverride.empty())
            return g_modulePathOverride;
    }
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return Utf8ToWide(std::string_view(buffer, static_cast<size_t>(n)));
}

uint32_t GetFileAttributes(const std::wstring& path)
{
    if (path.empty())
        return kInvalidFileAttributes;
    struct stat st {};
    if (stat(Narrow(path).c_str(), &st) != 0)
        return kInvalidFileAttributes;
    return S_ISDIR(st.st_mode) ? kFileAttribute_Directory : kFileAttribute_Normal;
}

bool CreateDirectory(const std::wstring& path)
{
    return !path.empty() && mkdir(Narrow(path).c_str(), 0755) == 0;
}

int CreateDirectoryTree(const std::wstring& path)
{
    if (path.empty())
        return kError_PathNotFound;
    if (GetFileAttributes(path) == kFileAttribute_Directory)
        return kError_AlreadyExists;
    std::string narrow = Narrow(path);
    for (size_t i = 1; i <= narrow.size(); ++i) {
        if (i < narrow.size() && narrow[i] != kPathSeparatorA)
            continue;
        const std::string part = narrow.substr(0, i);
        struct stat st {};
        if (stat(part.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return kError_PathNotFound;
            continue;
        }
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return errno == EACCES ? kError_AccessDenied : kError_PathNotFound;
    }
    return GetFileAttributes(path) == kFileAttribute_Directory ? kError_Success : kError_PathNotFound;
}

bool DeleteFile(const std::wstring& path)
{
    if (GetFileAttributes(path) != kFileAttribute_Normal)
        return false;
    return unlink(Narrow(path).c_str()) == 0;
}

FilePtr OpenFile(const std::wstring& path, const char* mode)
{
    if (path.empty() || !mode)
        return nullptr;
    const std::string narrow = Narrow(path);
    // fopen happily opens a folder for reading; callers always mean a file.
    struct stat st {};
    if (stat(narrow.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return nullptr;
    return FilePtr(std::fopen(narrow.c_str(), mode));
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes)
{
    FilePtr file = OpenFile(path, "rb");
    if (!file)
        return false;
    bytes.clear();
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, n);
    return !std::ferror(file.get());
}

bool WriteFileBytes(const std::wstring& path, const void* data, size_t size)
{
    FilePtr file = OpenFile(path, "wb");
    if (!file)
        return false;
    if (size && std::fwrite(data, 1, size, file.get()) != size)
        return false;
    return std::fflush(file.get()) == 0;
}

namespace test {
void SetModulePath(const std::wstring& path)
{
    std::lock_guard<std::mutex> lock(g_moduleLock);
    g_modulePathOverride = path;
}
} // namespace test

} // namespace plat
