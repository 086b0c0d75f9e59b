#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace sktest {

namespace {
std::wstring Widen(const std::string& s)
{
    // Test paths are ASCII; plain widening is enough.
    return std::wstring(s.begin(), s.end());
}
} // namespace

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "sktest-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::wstring TempDir::WPath() const { return Widen(m_path); }

std::wstring TempDir::WChild(const std::string& name) const { return Widen(Child(name)); }

void TempDir::WriteFile(const std::string& name, const std::string& bytes) const
{
    fs::path p = Child(name);
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDir::ReadFile(const std::string& name) const
{
    std::ifstream in(Child(name), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace sktest
