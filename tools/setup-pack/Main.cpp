#include <iostream>

#include "SetupPack.h"

int main(int argc, char** argv)
{
    return RunSetupPack(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
