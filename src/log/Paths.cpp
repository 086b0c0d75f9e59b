#include "log/Paths.h"

#include <mutex>

#include "platform/System.h"
#include "platform/Text.h"

namespace {

template <typename Char> void NormalizeSeparators(std::basic_string<Char>& path, Char native, Char foreign)
{
    std::basic_string<Char> result;
    result.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        const Char c = path[i] == foreign ? native : path[i];
        result.push_back(c);
        const bool nextIsSeparator = i + 1 < path.size() && (path[i + 1] == native || path[i + 1] == foreign);
        if (c == native && nextIsSeparator)
            ++i;
    }
    path.swap(result);
}

bool IsDirectory(const std::wstring& path)
{
    return plat::GetFileAttributes(path) == plat::kFileAttribute_Directory;
}

std::mutex g_shortNameLock;
bool g_shortNameKnown = false;
std::string g_shortName;

} // namespace

void NormalizePath(std::string& path)
{
    NormalizeSeparators(path, plat::kPathSeparatorA, plat::kForeignSeparatorA);
}

void NormalizePath(std::wstring& path)
{
    NormalizeSeparators(path, plat::kPathSeparator, plat::kForeignSeparator);
}

bool CreateDirectories(std::wstring path)
{
    NormalizePath(path);
    if (path.size() > 1 && path.back() == plat::kPathSeparator)
        path.pop_back();
    if (path.empty())
        return false;
    if (IsDirectory(path))
        return true;
    path.push_back(plat::kPathSeparator);
    NormalizePath(path);
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] != plat::kPathSeparator)
            continue;
        const std::wstring part = path.substr(0, i);
        if (plat::GetFileAttributes(part) == plat::kInvalidFileAttributes)
            plat::CreateDirectory(part);
    }
    path.pop_back();
    plat::CreateDirectory(path);
    return IsDirectory(path);
}

std::string GetModuleShortName()
{
    std::lock_guard<std::mutex> lock(g_shortNameLock);
    if (g_shortNameKnown)
        return g_shortName;
    std::string path = plat::WideToUtf8(plat::GetModulePath());
    NormalizePath(path);
    const size_t slash = path.rfind(plat::kPathSeparatorA);
    if (slash != std::string::npos && slash + 1 < path.size())
        path.erase(0, slash + 1);
    const size_t dot = path.find('.');
    if (dot != std::string::npos)
        path.erase(dot);
    g_shortName = path;
    g_shortNameKnown = true;
    return g_shortName;
}

std::wstring GetExeDirectory()
{
    std::wstring path = plat::GetModulePath();
    NormalizePath(path);
    const size_t slash = path.rfind(plat::kPathSeparator);
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

namespace logtest {
void ResetModuleShortName()
{
    std::lock_guard<std::mutex> lock(g_shortNameLock);
    g_shortNameKnown = false;
    g_shortName.clear();
}
} // namespace logtest
