#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/Types.h"

// Small stateless services through which the installer window and the language tables reach the
// system: profile files, folders, free space, system facts, processes, the shell and strings.
// Failures give an empty text, false, or nothing done; none of them logs or shows anything.

// Profile files.
std::wstring ReadIniString(const std::wstring& file, const std::wstring& section, const std::wstring& key);
// Overlays the section's entries on the map: named keys are replaced or added, the rest stay.
void ReadIniSection(const std::wstring& file, const std::wstring& section,
                    std::map<std::wstring, std::wstring>& entries);

// Folders and files.
std::wstring GetProgramFilesFolder();
std::wstring GetFileStem(const std::wstring& path);
std::wstring GetWorkFolder();
bool FileExists(const std::wstring& path);
bool GetDiskFreeMB(const std::wstring& path, uint32_t& freeMB);
// Free bytes as megabytes: shifted by 20, truncated to 32 bits.
uint32_t DiskFreeMBFromBytes(uint64_t freeBytes);

// System facts.
std::wstring GetUiLanguageId();
std::wstring GetOsProductName();
bool IsOs64Bit();
// The same decision for a given processor architecture number.
bool IsArchitecture64Bit(int architecture);
std::wstring GetFileVersionString(const std::wstring& path);
// "major.minor.build.revision" of the two version double words.
std::wstring FormatFileVersion(uint32_t ms, uint32_t ls);

// Processes and shell.
bool FindProcessByName(const std::wstring& imageName, uint32_t& processId);
bool KillProcessById(uint32_t processId);
void OpenWithShell(plat::WindowHandle owner, const std::wstring& target);
void RunProgram(const std::wstring& path, bool elevated);

// Strings.
std::wstring ReplaceAll(const std::wstring& text, const std::wstring& what, const std::wstring& by);
void SplitAtFirst(const std::wstring& text, const std::wstring& separator, std::wstring& key,
                  std::wstring& value);
std::wstring NarrowToWide(const std::string& text);
std::string WideToNarrow(const std::wstring& text);
