#include "ui/core/ResourceFiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/System.h"
#include "platform/Types.h"
#include "ui/core/UIString.h"

namespace SkinUI {

namespace {

bool Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

struct DirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The entry of the folder whose name equals component ignoring case; the smallest such name when
// several do, so the choice does not depend on the folder's order. Empty when none does.
std::string FindIgnoringCase(const std::string& folder, const std::string& component)
{
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir)
        return {};
    const CStringUI wanted = CStringUI::FromUtf8(component);
    std::string best;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (CStringUI::FromUtf8(name).CompareNoCase(wanted.GetData()) != 0)
            continue;
        if (best.empty() || name < best)
            best = name;
    }
    return best;
}

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(plat::kPathSeparatorA, start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

} // namespace

std::wstring ResolveSkinPath(const std::wstring& path)
{
    std::wstring native = path;
    std::replace(native.begin(), native.end(), plat::kForeignSeparator, plat::kPathSeparator);
    const std::string narrow = CStringUI(native).ToUtf8();
    if (narrow.empty() || Exists(narrow))
        return native;

    const bool absolute = narrow.front() == plat::kPathSeparatorA;
    std::string resolved = absolute ? std::string(1, plat::kPathSeparatorA) : std::string();
    for (const std::string& component : SplitComponents(narrow)) {
        std::string next = resolved;
        if (!next.empty() && next.back() != plat::kPathSeparatorA)
            next += plat::kPathSeparatorA;
        std::string candidate = next + component;
        if (component != "." && component != ".." && !Exists(candidate)) {
            const std::string match = FindIgnoringCase(resolved, component);
            if (match.empty())
                return native;
            candidate = next + match;
        }
        resolved = std::move(candidate);
    }
    return CStringUI::FromUtf8(resolved).ToStdWString();
}

SkinFileResult ReadSkinFile(const std::wstring& path, uint64_t maxBytes, std::string& bytes)
{
    bytes.clear();
    const std::wstring resolved = ResolveSkinPath(path);
    if (resolved.empty() || plat::GetFileAttributes(resolved) != plat::kFileAttribute_Normal)
        return kSkinFile_OpenFailed;
    plat::FilePtr file = plat::OpenFile(resolved, "rb");
    if (!file)
        return kSkinFile_OpenFailed;
    struct stat st;
    if (::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))
        return kSkinFile_OpenFailed;
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size == 0)
        return kSkinFile_Empty;
    if (size > maxBytes)
        return kSkinFile_TooLarge;
    bytes.resize(static_cast<size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        bytes.clear();
        return kSkinFile_ReadFailed;
    }
    return kSkinFile_Read;
}

} // namespace SkinUI
