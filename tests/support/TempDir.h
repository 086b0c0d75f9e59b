#pragma once

#include <string>

namespace sktest {

// A fresh folder below the system's temporary folder, removed with everything in it on destruction.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::wstring WPath() const;
    // Path of a child: Path() + "/" + name.
    std::string Child(const std::string& name) const { return m_path + "/" + name; }
    std::wstring WChild(const std::string& name) const;

    // Writes bytes to a child file, creating the parent folders first.
    void WriteFile(const std::string& name, const std::string& bytes) const;
    std::string ReadFile(const std::string& name) const;

private:
    std::string m_path;
};

} // namespace sktest
