#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/System.h"
#include "platform/Text.h"

namespace {

const std::wstring& ProfilePath()
{
    static const std::wstring path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "profile-fuzz-XXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            std::abort();
        close(fd);
        return plat::Utf8ToWide(pattern);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!plat::WriteFileBytes(ProfilePath(), data, size))
        return 0;
    for (const wchar_t* section : {L"LANSTR", L"PRODUCT", L"Language", L"URL"}) {
        for (const std::wstring& entry : plat::GetProfileSection(ProfilePath(), section))
            (void)entry;
    }
    (void)plat::GetProfileString(ProfilePath(), L"PRODUCT", L"STR_PRODUCT_NAME", L"", 256);
    (void)plat::GetProfileString(ProfilePath(), L"Language", L"1033", L"English", 1);
    return 0;
}
