#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace SkinUI {

// What reading one entry of a skin archive found.
enum ArchiveEntryResult : int
{
    kEntry_Read = 0,
    kEntry_NotFound,
    kEntry_Empty,
    kEntry_TooLarge,
    kEntry_Damaged,
};

// Entry names of 256 bytes or more (in the narrow code page) are never found.
inline constexpr size_t kMaxArchiveEntryName = 256;

// A ZIP skin archive opened from a file or from bytes in memory, which it reads in place.
class CSkinArchiveUI
{
public:
    // Null when the file or the bytes are not a readable ZIP archive.
    static std::unique_ptr<CSkinArchiveUI> OpenFile(const std::wstring& path);
    // The bytes must stay valid as long as the archive is open.
    static std::unique_ptr<CSkinArchiveUI> OpenBytes(const void* bytes, size_t size);
    ~CSkinArchiveUI();
    CSkinArchiveUI(const CSkinArchiveUI&) = delete;
    CSkinArchiveUI& operator=(const CSkinArchiveUI&) = delete;

    // Reads the entry of that name: "\" matches "/" and case is ignored. Entries above maxBytes are
    // refused before anything is read; the bytes that are read never exceed the recorded size.
    ArchiveEntryResult ReadEntry(const wchar_t* name, uint64_t maxBytes, std::string& bytes);

    struct Impl;

private:
    explicit CSkinArchiveUI(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// The narrow entry name minizip is asked for: UTF-8, every "\" turned into "/".
std::string ArchiveEntryName(const wchar_t* name);

} // namespace SkinUI
