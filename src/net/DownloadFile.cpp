#include "net/DownloadFile.h"

bool WriteDownloadBlock(std::FILE* file, long offset, const char* data, size_t size)
{
    if (std::fseek(file, offset, SEEK_SET) != 0)
        return false;
    if (std::fflush(file) != 0)
        return false;
    if (std::fwrite(data, 1, size, file) != size)
        return false;
    return std::fflush(file) == 0;
}
