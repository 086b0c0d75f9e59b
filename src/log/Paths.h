#pragma once

#include <string>

// Path helpers shared by the log and the downloader. Paths use the native separator; the
// foreign one is turned into it.

// Turns every foreign separator into the native one, then halves doubled separators scanning left
// to right ("a//b" gives "a/b", a run of three gives two).
void NormalizePath(std::string& path);
void NormalizePath(std::wstring& path);

// Creates the folder and every missing parent. True when the folder exists afterwards.
bool CreateDirectories(std::wstring path);

// The executable's file name up to its first dot ("setup.tool.exe" gives "setup"), computed once.
std::string GetModuleShortName();

// The executable's folder, without a trailing separator.
std::wstring GetExeDirectory();

namespace logtest {
// Forgets the cached module short name.
void ResetModuleShortName();
} // namespace logtest
