#pragma once

#include <cstdint>
#include <string>

namespace SkinUI {

// What reading a skin file from disk found.
enum SkinFileResult : int
{
    kSkinFile_Read = 0,
    kSkinFile_OpenFailed,
    kSkinFile_Empty,
    kSkinFile_TooLarge,
    kSkinFile_ReadFailed,
};

// The file a skin path names on this system: "\" separate folders like "/", and a path that does
// not exist as written is matched ignoring case, one component at a time (names from the skin
// were written for a system that ignores case). The path with native separators when nothing
// matches.
std::wstring ResolveSkinPath(const std::wstring& path);

// Reads a whole file found by ResolveSkinPath. Files above maxBytes are refused before anything
// is read; a folder cannot be opened.
SkinFileResult ReadSkinFile(const std::wstring& path, uint64_t maxBytes, std::string& bytes);

} // namespace SkinUI
