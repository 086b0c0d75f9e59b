#include "config/SystemServices.h"

#include <cstdio>

#include "platform/Resources.h"
#include "platform/System.h"
#include "platform/Text.h"

namespace {
constexpr size_t kIniStringChars = 256; // 255 characters and the terminator
constexpr size_t kOsProductNameChars = 2048 / sizeof(char16_t) - 1;
} // namespace

std::wstring ReadIniString(const std::wstring& file, const std::wstring& section, const std::wstring& key)
{
    return plat::GetProfileString(file, section, key, L"", kIniStringChars);
}

void ReadIniSection(const std::wstring& file, const std::wstring& section,
                    std::map<std::wstring, std::wstring>& entries)
{
    for (const std::wstring& entry : plat::GetProfileSection(file, section)) {
        std::wstring key;
        std::wstring value;
        SplitAtFirst(entry, L"=", key, value);
        entries[key] = value;
    }
}

std::wstring GetProgramFilesFolder()
{
    return plat::GetProgramFilesFolder() + plat::kPathSeparator;
}

std::wstring GetFileStem(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"/\\");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos)
        name.resize(dot);
    return name;
}

std::wstring GetWorkFolder()
{
    return GetProgramFilesFolder() + L"valtrix_down" + plat::kPathSeparator +
           GetFileStem(plat::GetModulePath()) + plat::kPathSeparator;
}

bool FileExists(const std::wstring& path)
{
    return plat::OpenFile(path, "rb") != nullptr;
}

uint32_t DiskFreeMBFromBytes(uint64_t freeBytes)
{
    return static_cast<uint32_t>(freeBytes >> 20);
}

bool GetDiskFreeMB(const std::wstring& path, uint32_t& freeMB)
{
    uint64_t freeBytes = 0;
    if (!plat::GetDiskFreeBytes(path, freeBytes))
        return false;
    freeMB = DiskFreeMBFromBytes(freeBytes);
    return true;
}

std::wstring GetUiLanguageId()
{
    return std::to_wstring(plat::GetUserDefaultUILanguage());
}

std::wstring GetOsProductName()
{
    std::wstring name = plat::GetOsProductName();
    if (name.size() > kOsProductNameChars)
        name.resize(kOsProductNameChars);
    return name;
}

bool IsArchitecture64Bit(int architecture)
{
    return architecture == plat::kProcessorArchitecture_Amd64 ||
           architecture == plat::kProcessorArchitecture_Ia64;
}

bool IsOs64Bit()
{
    return IsArchitecture64Bit(plat::GetNativeProcessorArchitecture());
}

std::wstring FormatFileVersion(uint32_t ms, uint32_t ls)
{
    wchar_t text[64];
    std::swprintf(text, sizeof text / sizeof text[0], L"%d.%d.%d.%d", static_cast<int>(ms >> 16),
                  static_cast<int>(ms & 0xFFFF), static_cast<int>(ls >> 16), static_cast<int>(ls & 0xFFFF));
    return text;
}

std::wstring GetFileVersionString(const std::wstring& path)
{
    uint32_t ms = 0;
    uint32_t ls = 0;
    if (!plat::GetFileVersion(path, ms, ls))
        return {};
    return FormatFileVersion(ms, ls);
}

bool FindProcessByName(const std::wstring& imageName, uint32_t& processId)
{
    for (const plat::ProcessEntry& entry : plat::SnapshotProcesses()) {
        if (entry.imageName == imageName) {
            processId = entry.pid;
            return true;
        }
    }
    return false;
}

bool KillProcessById(uint32_t processId)
{
    return plat::TerminateProcess(processId);
}

void OpenWithShell(plat::WindowHandle owner, const std::wstring& target)
{
    plat::ShellOpen(target);
}

void RunProgram(const std::wstring& path, bool elevated)
{
    if (elevated)
        plat::ShellExecuteProgram(path);
    else
        plat::RunAsDesktopUser(path);
}

std::wstring ReplaceAll(const std::wstring& text, const std::wstring& what, const std::wstring& by)
{
    // Nothing to look for: an empty pattern would match everywhere without end.
    if (what.empty())
        return text;
    std::wstring result = text;
    size_t pos = 0;
    while ((pos = result.find(what, pos)) != std::wstring::npos) {
        result.replace(pos, what.size(), by);
        pos += by.size();
    }
    return result;
}

void SplitAtFirst(const std::wstring& text, const std::wstring& separator, std::wstring& key,
                  std::wstring& value)
{
    const size_t pos = separator.empty() ? std::wstring::npos : text.find(separator);
    if (pos == std::wstring::npos) {
        key = text;
        value.clear();
        return;
    }
    key = text.substr(0, pos);
    value = text.substr(pos + separator.size());
}

std::wstring NarrowToWide(const std::string& text)
{
    return plat::Utf8ToWide(text);
}

std::string WideToNarrow(const std::wstring& text)
{
    return plat::WideToUtf8(text);
}
