#include "platform/Debug.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>

namespace plat {

bool IsDebuggerPresent()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("TracerPid:", 0) == 0)
            return std::stoi(line.substr(10)) != 0;
    }
    return false;
}

void OutputDebugString(const char* text)
{
    if (text && IsDebuggerPresent())
        std::fputs(text, stderr);
}

void DebugBreak()
{
    if (IsDebuggerPresent())
        std::raise(SIGTRAP);
}

} // namespace plat
