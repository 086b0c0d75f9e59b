#include <sys/syscall.h>
#include <unistd.h>

#include "platform/System.h"

namespace plat {

uint32_t GetCurrentThreadId()
{
    return static_cast<uint32_t>(syscall(SYS_gettid));
}

} // namespace plat
