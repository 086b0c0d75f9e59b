#pragma once

#include <ostream>
#include <string>
#include <vector>

// Exit codes of setup-pack.
enum : int
{
    kPack_Success = 0,
    kPack_Failed = 1,
    kPack_Usage = 2,
};

// Runs setup-pack with its arguments (without the program name); messages go to the streams.
int RunSetupPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
