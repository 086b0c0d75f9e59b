#include "platform/Resources.h"

namespace plat {

bool GetFileVersion(const std::wstring& programPath, uint32_t& ms, uint32_t& ls)
{
    ms = ls = 0;
    return false;
}

} // namespace plat
