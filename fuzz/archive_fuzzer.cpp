#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/Archive.h"
#include "platform/System.h"
#include "platform/Text.h"

namespace {

// One scratch folder per fuzzing process; the log goes there too.
const std::string& Scratch()
{
    static const std::string path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "archive-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        plat::test::SetModulePath(plat::Utf8ToWide(pattern + "/bin/fuzz.exe"));
        return pattern;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string target = Scratch() + "/out/language";
    ExtractArchiveToFolder(data, size, plat::Utf8ToWide(target));
    std::error_code ec;
    std::filesystem::remove_all(Scratch() + "/out", ec);
    // The folder must never be left through a hostile name.
    for (const auto& entry : std::filesystem::directory_iterator(Scratch()))
        if (entry.path().filename() != "bin")
            std::abort();
    return 0;
}
