#include <cstdio>
#include <string>

#include "platform/Resources.h"
#include "platform/Text.h"

// Prints every resource the running program carries, one line each: type, name and size.
int main()
{
    for (const plat::ResourceInfo& info : plat::ListResources(plat::GetModuleResources())) {
        const std::string type =
            info.type.IsNumber() ? std::to_string(info.type.number) : plat::WideToUtf8(info.type.name);
        const std::string name =
            info.name.IsNumber() ? std::to_string(info.name.number) : plat::WideToUtf8(info.name.name);
        std::printf("%s %s %u\n", type.c_str(), name.c_str(), info.size);
    }
    return 0;
}
