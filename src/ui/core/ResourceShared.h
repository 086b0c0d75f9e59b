#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "ui/core/ResourceArchive.h"
#include "ui/core/WindowManager.h"

namespace SkinUI {

// The process-wide resource settings and tables behind CWindowManagerUI's static side.
struct SharedResourceState
{
    plat::ModuleHandle programInstance = nullptr;
    CStringUI resourceFolder;
    CStringUI skinArchiveName;
    bool skinArchiveKeptOpen = true;
    std::unique_ptr<CSkinArchiveUI> skinArchive;
    // The bytes of the "membuffer" archive, so it can also be opened for a single lookup.
    const void* skinArchiveBytes = nullptr;
    size_t skinArchiveSize = 0;

    bool defaultsReady = false;
    DefaultColorsUI defaultColors;
    FontRecord defaultFont;
    ResourceTablesUI tables;
    CResourceTableUI<CStringUI> languageStrings;
};

SharedResourceState& SharedResources();

// Sets up the process-wide default font once, from the stock GUI font.
void PrepareSharedDefaults();

// What fetching a named file from the resource folder or the skin archive found.
enum SkinBytesResult : int
{
    kSkinBytes_Read = 0,
    kSkinBytes_FileOpenFailed,
    kSkinBytes_Empty,
    kSkinBytes_TooLarge,
    kSkinBytes_FileReadFailed,
    kSkinBytes_ArchiveOpenFailed,
    kSkinBytes_NotInArchive,
    kSkinBytes_UnzipFailed,
};

// The bytes of a skin file or image: resource folder + name on disk while no skin archive is named,
// else the archive's entry of that name (the held archive, or the named one opened just for this).
SkinBytesResult FetchSkinBytes(const wchar_t* name, uint64_t maxBytes, std::string& bytes);

// The name of the skin archive held in memory.
inline constexpr const wchar_t* kMemoryArchiveName = L"membuffer";

} // namespace SkinUI
