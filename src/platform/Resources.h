#pragma once

#include <cstdint>
#include <string>

// Resources carried inside a program file (a table appended to it by setup-pack).
namespace plat {

// The fixed file version of a program file's version resource: ms holds major (high word) and
// minor (low word), ls build and revision. False when the file carries no version resource.
bool GetFileVersion(const std::wstring& programPath, uint32_t& ms, uint32_t& ls);

} // namespace plat
