#include "SetupPack.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include "config/Archive.h"
#include "config/SystemServices.h"
#include "platform/Resources.h"
#include "platform/System.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kHelp = R"(usage: setup-pack --stub PROGRAM --skin FOLDER --config FOLDER --domain CODE
                  --icon ICON --version A.B.C.D --output FILE

Brands a setup program: copies the stub program to FILE with these resources attached.
  --stub PROGRAM    the setup program to brand (a table it already carries is replaced)
  --skin FOLDER     the skin (XML layouts and images), packed as the skin archive ("ZIPRES" 104)
  --config FOLDER   the configuration (language.ini, productInfo.ini and one folder per
                    language with text.ini, UrlInfo.ini and the banners), packed as RCDATA 105;
                    productInfo.ini, text.ini and UrlInfo.ini are UTF-8 and are stored as
                    UTF-16LE with a byte-order mark, everything else as it is
  --domain CODE     the market code, stored as RCDATA 106 followed by CR LF (at most 254 bytes
                    in all); an empty CODE stores no domain code
  --icon ICON       the window icon, an .ico or .png file (icon group 101)
  --version A.B.C.D the file version, four numbers from 0 to 65535
  --output FILE     the branded program; its file name without extension names the program's
                    lock and its working folder
  --help            shows this text

The resource table is found from the end of the file: setup-pack must be the last step that
touches the program (strip it before, never after). Files of size 0 and names too long for the
program's unpacking folder are refused. Nothing is written unless every step succeeds.
)";

constexpr size_t kMaxDomainBytes = 254;
constexpr uint16_t kIconGroup = 101;

struct Options
{
    std::map<std::string, std::string> values;
    bool help = false;
};

// Reports one failure; every caller returns right after.
class Failure
{
public:
    explicit Failure(std::ostream& err) : m_err(err) {}
    bool operator()(const std::string& message)
    {
        m_err << "setup-pack: error: " << message << "\n";
        return false;
    }

private:
    std::ostream& m_err;
};

bool ParseArgs(const std::vector<std::string>& args, Options& options, Failure& fail)
{
    static const char* const kNames[] = {"--stub", "--skin",    "--config", "--domain",
                                         "--icon", "--version", "--output"};
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            options.help = true;
            return true;
        }
        if (std::find(std::begin(kNames), std::end(kNames), args[i]) == std::end(kNames))
            return fail("unknown argument '" + args[i] + "' (see --help)");
        if (i + 1 >= args.size())
            return fail(args[i] + " needs a value");
        if (!options.values.emplace(args[i], args[i + 1]).second)
            return fail(args[i] + " given twice");
        ++i;
    }
    for (const char* name : kNames) {
        if (!options.values.count(name))
            return fail(std::string("missing ") + name + " (see --help)");
    }
    return true;
}

bool ReadFile(const std::string& path, std::string& bytes, Failure& fail)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        return fail("'" + path + "' does not exist");
    if (!fs::is_regular_file(path, ec))
        return fail("'" + path + "' is not a regular file");
    if (!plat::ReadFileBytes(plat::Utf8ToWide(path), bytes))
        return fail("cannot read '" + path + "'");
    return true;
}

std::string Utf16LeWithBom(const std::wstring& text)
{
    std::string out = "\xff\xfe";
    auto put = [&out](uint32_t unit) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    };
    for (wchar_t c : text) {
        const auto cp = static_cast<uint32_t>(c);
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

bool IsWideProfile(const std::string& fileName)
{
    return fileName == "productInfo.ini" || fileName == "text.ini" || fileName == "UrlInfo.ini";
}

// The UTF-8 source of a profile file as UTF-16LE with a byte-order mark; one already in UTF-16LE stays.
bool ConvertProfile(const std::string& path, std::string& bytes, Failure& fail)
{
    if (bytes.compare(0, 2, "\xff\xfe") == 0)
        return true;
    if (bytes.compare(0, 3, "\xef\xbb\xbf") == 0)
        bytes.erase(0, 3);
    const std::wstring wide = plat::Utf8ToWide(bytes);
    if (plat::WideToUtf8(wide) != bytes)
        return fail("'" + path + "' is not UTF-8 text");
    bytes = Utf16LeWithBom(wide);
    return true;
}

struct PackRules
{
    bool convertProfiles = false;
    std::wstring unpackFolder; // empty: names are not checked against a target folder
};

// Packs a folder: sorted, every folder entry before the files inside it.
bool PackFolder(const std::string& root, const PackRules& rules, std::string& archive, Failure& fail)
{
    std::error_code ec;
    if (!fs::is_directory(root, ec))
        return fail("'" + root + "' is not a folder");
    std::vector<fs::path> paths;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
        paths.push_back(it->path());
    if (ec)
        return fail("cannot list '" + root + "': " + ec.message());
    std::sort(paths.begin(), paths.end());
    if (paths.empty())
        return fail("'" + root + "' is empty");

    CZipBuilder builder;
    for (const fs::path& path : paths) {
        const std::string name = path.lexically_relative(root).generic_string();
        const bool folder = fs::is_directory(path, ec);
        const std::string entry = folder ? name + "/" : name;
        if (!rules.unpackFolder.empty() &&
            rules.unpackFolder.size() + plat::Utf8ToWide(entry).size() > kMaxArchivePath)
            return fail("'" + path.string() + "': the name is too long for the program's unpacking folder");
        if (folder) {
            if (!builder.AddFolder(name))
                return fail("cannot pack '" + path.string() + "'");
            continue;
        }
        std::string bytes;
        if (!ReadFile(path.string(), bytes, fail))
            return false;
        if (bytes.empty())
            return fail("'" + path.string() + "' is empty (an empty entry would unpack as a folder)");
        if (rules.convertProfiles && IsWideProfile(path.filename().string()) &&
            !ConvertProfile(path.string(), bytes, fail))
            return false;
        if (!builder.AddFile(name, bytes))
            return fail("cannot pack '" + path.string() + "'");
    }
    if (!builder.Finish(archive))
        return fail("cannot finish the archive of '" + root + "'");
    return true;
}

bool ParseVersion(const std::string& text, uint16_t (&parts)[4], Failure& fail)
{
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        size_t end = pos;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9' && end - pos < 6)
            ++end;
        const bool separatorOk = i == 3 ? end == text.size() : end < text.size() && text[end] == '.';
        if (end == pos || !separatorOk || std::stoul(text.substr(pos, end - pos)) > 0xFFFF)
            return fail("version '" + text + "' is not four numbers A.B.C.D from 0 to 65535");
        parts[i] = static_cast<uint16_t>(std::stoul(text.substr(pos, end - pos)));
        pos = end + 1;
    }
    return true;
}

// A PNG becomes an icon file with that one image.
std::string IcoFromPng(const std::string& png)
{
    auto be32 = [&png](size_t at) {
        return uint32_t(uint8_t(png[at])) << 24 | uint32_t(uint8_t(png[at + 1])) << 16 |
               uint32_t(uint8_t(png[at + 2])) << 8 | uint32_t(uint8_t(png[at + 3]));
    };
    const uint32_t width = be32(16);
    const uint32_t height = be32(20);
    std::string ico = {0, 0, 1, 0, 1, 0};
    ico.push_back(static_cast<char>(width >= 256 ? 0 : width));
    ico.push_back(static_cast<char>(height >= 256 ? 0 : height));
    ico += std::string("\0\0\1\0\x20\0", 6);
    const uint32_t size = static_cast<uint32_t>(png.size());
    const uint32_t offset = 22;
    for (uint32_t value : {size, offset})
        for (int i = 0; i < 4; ++i)
            ico.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return ico + png;
}

bool LoadIcon(const std::string& path, std::vector<plat::Resource>& resources, Failure& fail)
{
    std::string bytes;
    if (!ReadFile(path, bytes, fail))
        return false;
    const bool png = bytes.size() >= 24 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
    if (!plat::MakeIconResources(png ? IcoFromPng(bytes) : bytes, kIconGroup, 1, resources))
        return fail("'" + path + "' is neither an .ico nor a .png file");
    return true;
}

bool DomainResource(const std::string& code, std::vector<plat::Resource>& resources, Failure& fail)
{
    if (code.empty())
        return true;
    if (std::any_of(code.begin(), code.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return fail("the domain code must not hold control characters");
    const std::string bytes = code + "\r\n";
    if (bytes.size() > kMaxDomainBytes)
        return fail("the domain code is " + std::to_string(bytes.size()) + " bytes with its CR LF; at most " +
                    std::to_string(kMaxDomainBytes) + " fit");
    resources.push_back(
        {plat::ResourceId(plat::kResourceType_RcData), plat::ResourceId(uint16_t{106}), bytes});
    return true;
}

// Writes next to the output and renames, so a failure never leaves a half-written program.
bool WriteOutput(const std::string& output, const std::string& bytes, mode_t mode, Failure& fail)
{
    std::string temp = output + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return fail("cannot write '" + output +
                    "': " + std::error_code(errno, std::generic_category()).message());
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    const bool written = done == bytes.size() && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), output.c_str()) != 0) {
        const std::string reason = std::error_code(errno, std::generic_category()).message();
        unlink(temp.c_str());
        return fail("cannot write '" + output + "': " + reason);
    }
    return true;
}

bool Pack(const Options& options, Failure& fail)
{
    const auto& v = options.values;
    std::string program;
    if (!ReadFile(v.at("--stub"), program, fail))
        return false;
    struct stat st
    {
    };
    const mode_t mode = stat(v.at("--stub").c_str(), &st) == 0 ? (st.st_mode & 07777) | 0700 : 0755;

    uint16_t version[4];
    if (!ParseVersion(v.at("--version"), version, fail))
        return false;

    std::vector<plat::Resource> resources;
    std::string skin;
    if (!PackFolder(v.at("--skin"), PackRules{}, skin, fail))
        return false;
    resources.push_back({plat::ResourceId(L"ZIPRES"), plat::ResourceId(uint16_t{104}), skin});

    // Where the program unpacks its configuration: the working folder named by the output's stem.
    const std::wstring stem = GetFileStem(plat::Utf8ToWide(v.at("--output")));
    const std::wstring unpackFolder = GetProgramFilesFolder() + L"valtrix_down/" + stem + L"/language/";
    std::string config;
    if (!PackFolder(v.at("--config"), PackRules{true, unpackFolder}, config, fail))
        return false;
    resources.push_back(
        {plat::ResourceId(plat::kResourceType_RcData), plat::ResourceId(uint16_t{105}), config});

    if (!DomainResource(v.at("--domain"), resources, fail) || !LoadIcon(v.at("--icon"), resources, fail))
        return false;
    resources.push_back({plat::ResourceId(plat::kResourceType_Version), plat::ResourceId(uint16_t{1}),
                         plat::MakeVersionResource(version[0], version[1], version[2], version[3])});

    if (!plat::AttachResources(program, resources))
        return fail("cannot attach the resources");
    return WriteOutput(v.at("--output"), program, mode, fail);
}

} // namespace

int RunSetupPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    Failure fail(err);
    Options options;
    if (!ParseArgs(args, options, fail))
        return kPack_Usage;
    if (options.help) {
        out << kHelp;
        return kPack_Success;
    }
    if (!Pack(options, fail))
        return kPack_Failed;
    out << "setup-pack: wrote " << options.values["--output"] << "\n";
    return kPack_Success;
}
