#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// ZIP archives held in memory: unpacking the configuration archive, and building archives for
// setup-pack.

// Unpacks a ZIP archive held in memory into the folder, creating the folder and its parents.
// Entries are processed in archive order: one of uncompressed size 0 is a folder, any other a file
// written over whatever is there (its folder must exist: archives list folders first). Entries
// that would land outside the folder, exceed kMaxArchiveEntrySize, make a path longer than
// kMaxArchivePath characters, or fail to inflate are skipped with an "ERR:" log record. Failures
// of single entries are not reported: the result is always true.
bool ExtractArchiveToFolder(const void* bytes, size_t size, const std::wstring& folder);

inline constexpr uint64_t kMaxArchiveEntrySize = 64ull * 1024 * 1024;
// The longest target path, in characters, an entry may give.
inline constexpr size_t kMaxArchivePath = 259;

// True when an entry name stays inside the folder it is unpacked into: not absolute, no ".."
// component ("/" and "\" both separate).
bool IsContainedEntryName(const std::string& name);

// Builds a deflated ZIP archive in memory, entries in the order added.
class CZipBuilder
{
public:
    CZipBuilder();
    ~CZipBuilder();
    CZipBuilder(const CZipBuilder&) = delete;
    CZipBuilder& operator=(const CZipBuilder&) = delete;

    // A folder entry; the name gets a trailing "/" when it has none.
    bool AddFolder(const std::string& name);
    bool AddFile(const std::string& name, const std::string& bytes);
    // Closes the archive and hands out its bytes; false when any step failed.
    bool Finish(std::string& archive);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
