#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>

#include "platform/System.h"
#include "platform/Text.h"

namespace plat {

namespace {
std::mutex g_registryLock;
std::wstring g_registryRootOverride;

std::atomic<unsigned> g_tempCounter{0};

constexpr const char* kValueSuffix = ".value";

std::string RegistryRoot()
{
    std::lock_guard<std::mutex> lock(g_registryLock);
    return g_registryRootOverride.empty() ? std::string("/var/lib/valtrix-registry")
                                          : WideToUtf8(g_registryRootOverride);
}

std::string RootFolder(RegRoot root)
{
    std::string folder = RegistryRoot();
    if (root == RegRoot::kLocalMachine)
        return folder + "/HKLM";
    return folder + "/HKCU/" + std::to_string(GetDesktopSession().uid);
}

// One key or value name as a file name: case folded (names ignore case), and every byte that
// could leave the folder or clash with a value file ("/", ".", "%", "@") written as %XX.
std::string EncodeName(const std::wstring& name)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : WideToUtf8(name)) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c - 'A' + 'a');
        if (c == '/' || c == '.' || c == '%' || c == '@' || c < 0x20) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::vector<std::string> KeySegments(const std::wstring& subKey)
{
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= subKey.size()) {
        size_t end = subKey.find(L'\\', start);
        if (end == std::wstring::npos)
            end = subKey.size();
        if (end > start)
            segments.push_back(EncodeName(subKey.substr(start, end - start)));
        start = end + 1;
    }
    return segments;
}

bool IsFolder(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ValueFile(const RegKey& key, const std::wstring& valueName)
{
    return key.Folder() + "/" + (valueName.empty() ? std::string("@") : EncodeName(valueName)) + kValueSuffix;
}

size_t Utf16Units(const std::wstring& text)
{
    size_t units = 0;
    for (wchar_t c : text)
        units += static_cast<uint32_t>(c) > 0xFFFF ? 2 : 1;
    return units;
}
} // namespace

long RegCreateKey(RegRoot root, const std::wstring& subKey, RegKey& key, uint32_t* disposition)
{
    key = RegKey();
    std::string folder = RootFolder(root);
    if (CreateDirectoryTree(Utf8ToWide(folder)) > kError_Success && !IsFolder(folder))
        return kReg_AccessDenied;
    bool created = false;
    for (const std::string& segment : KeySegments(subKey)) {
        folder += "/" + segment;
        if (mkdir(folder.c_str(), 0755) == 0) {
            created = true;
            continue;
        }
        const int error = errno;
        if (error != EEXIST || !IsFolder(folder))
            return error == EEXIST || error == ENOTDIR ? kReg_AccessDenied : kReg_FileNotFound;
    }
    key.m_folder = folder;
    if (disposition)
        *disposition = created ? kReg_CreatedNewKey : kReg_OpenedExistingKey;
    return kReg_Success;
}

long RegOpenKey(RegRoot root, const std::wstring& subKey, RegKey& key)
{
    key = RegKey();
    std::string folder = RootFolder(root);
    for (const std::string& segment : KeySegments(subKey))
        folder += "/" + segment;
    if (!IsFolder(folder))
        return kReg_FileNotFound;
    key.m_folder = folder;
    return kReg_Success;
}

long RegQueryString(const RegKey& key, const std::wstring& valueName, std::wstring& value, size_t maxBytes)
{
    value.clear();
    if (!key.IsOpen())
        return kReg_FileNotFound;
    std::string bytes;
    if (!ReadFileBytes(Utf8ToWide(ValueFile(key, valueName)), bytes))
        return kReg_FileNotFound;
    std::wstring text = Utf8ToWide(bytes);
    if ((Utf16Units(text) + 1) * sizeof(char16_t) > maxBytes)
        return kReg_MoreData;
    value = std::move(text);
    return kReg_Success;
}

long RegSetString(const RegKey& key, const std::wstring& valueName, const std::wstring& value)
{
    if (!key.IsOpen() || !IsFolder(key.Folder()))
        return kReg_FileNotFound;
    const std::string file = ValueFile(key, valueName);
    // Written beside and renamed over, so a reader never sees half a value.
    const std::string temp = file + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(++g_tempCounter);
    const std::string bytes = WideToUtf8(value);
    if (!WriteFileBytes(Utf8ToWide(temp), bytes.data(), bytes.size())) {
        unlink(temp.c_str());
        return kReg_AccessDenied;
    }
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        unlink(temp.c_str());
        return kReg_AccessDenied;
    }
    return kReg_Success;
}

namespace test {
void SetRegistryRoot(const std::wstring& path)
{
    std::lock_guard<std::mutex> lock(g_registryLock);
    g_registryRootOverride = path;
}
} // namespace test

} // namespace plat
