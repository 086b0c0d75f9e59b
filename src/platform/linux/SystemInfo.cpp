#include <sys/utsname.h>

#include "platform/System.h"
#include "platform/Text.h"

namespace plat {

namespace {
// The shell-style value of an os-release line: one pair of quotes removed, backslash escapes undone.
std::string UnquoteOsReleaseValue(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size())
            ++i;
        out += value[i];
    }
    return out;
}
} // namespace

std::wstring OsProductNameFromOsRelease(const std::string& text)
{
    constexpr std::string_view kKey = "PRETTY_NAME=";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.substr(0, kKey.size()) == kKey)
            return Utf8ToWide(UnquoteOsReleaseValue(line.substr(kKey.size())));
        start = end + 1;
    }
    return {};
}

std::wstring GetOsProductName()
{
    for (const wchar_t* path : {L"/etc/os-release", L"/usr/lib/os-release"}) {
        std::string text;
        if (ReadFileBytes(path, text))
            return OsProductNameFromOsRelease(text);
    }
    return {};
}

int ProcessorArchitectureFromMachine(const std::string& machine)
{
    if (machine == "x86_64" || machine == "amd64")
        return kProcessorArchitecture_Amd64;
    if (machine == "ia64")
        return kProcessorArchitecture_Ia64;
    if (machine == "aarch64" || machine == "arm64" || machine == "aarch64_be")
        return kProcessorArchitecture_Arm64;
    if (machine.size() == 4 && machine[0] == 'i' && machine[1] >= '3' && machine[1] <= '6' &&
        machine.substr(2) == "86")
        return kProcessorArchitecture_Intel;
    if (machine.compare(0, 3, "arm") == 0)
        return kProcessorArchitecture_Arm;
    return kProcessorArchitecture_Unknown;
}

int GetNativeProcessorArchitecture()
{
    struct utsname names
    {
    };
    if (uname(&names) != 0)
        return kProcessorArchitecture_Unknown;
    return ProcessorArchitectureFromMachine(names.machine);
}

} // namespace plat
