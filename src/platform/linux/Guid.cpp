#include <sys/random.h>

#include <cerrno>
#include <cstring>

#include "platform/System.h"

namespace plat {

bool CreateGuid(Guid& guid)
{
    unsigned char bytes[16];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        got += static_cast<size_t>(n);
    }
    std::memcpy(&guid.data1, bytes, 4);
    std::memcpy(&guid.data2, bytes + 4, 2);
    std::memcpy(&guid.data3, bytes + 6, 2);
    std::memcpy(guid.data4, bytes + 8, 8);
    guid.data3 = static_cast<uint16_t>((guid.data3 & 0x0FFF) | 0x4000);
    guid.data4[0] = static_cast<uint8_t>((guid.data4[0] & 0x3F) | 0x80);
    return true;
}

} // namespace plat
