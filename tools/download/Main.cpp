#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "net/HttpDownload.h"
#include "platform/Text.h"

namespace {

constexpr int kDefaultThreads = 5;

void PrintUsage(std::FILE* to)
{
    std::fprintf(to,
                 "usage: download URL OUTPUT [THREADS]\n"
                 "Fetches URL into OUTPUT in THREADS parallel ranges (default %d, at most 64),\n"
                 "printing progress and the result code. Exits 0 only when the result is 0.\n"
                 "Result codes: 0 whole file, -1 bad parameters or output folder, -3 no usable size,\n"
                 "-4 output file or a range failed.\n"
                 "A relative OUTPUT is taken from the current folder. The log is Log/download.log\n"
                 "beside this program.\n",
                 kDefaultThreads);
}

bool ParseThreads(const char* text, int& threads)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < -1000000 || value > 1000000)
        return false;
    threads = static_cast<int>(value);
    return true;
}

struct Progress
{
    int lastPercent = -1;
};

// Runs under the download's lock: print only when the whole percent changes.
void OnEvent(int event, int a, int b, void* userData)
{
    auto* progress = static_cast<Progress*>(userData);
    switch (event) {
    case kDownload_FileSize:
        std::fprintf(stderr, "size: %d bytes\n", a);
        break;
    case kDownload_Progress: {
        const int percent = b > 0 ? static_cast<int>(static_cast<long long>(a) * 100 / b) : 0;
        if (percent != progress->lastPercent) {
            progress->lastPercent = percent;
            std::fprintf(stderr, "\rprogress: %3d%% (%d of %d bytes)", percent, a, b);
        }
        break;
    }
    case kDownload_Finish:
        if (progress->lastPercent >= 0)
            std::fprintf(stderr, "\n");
        std::printf("result: %d (%d s)\n", a, b);
        break;
    default:
        break;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc < 3 || argc > 4) {
        PrintUsage(stderr);
        return 2;
    }
    int threads = kDefaultThreads;
    if (argc == 4 && !ParseThreads(argv[3], threads)) {
        std::fprintf(stderr, "download: THREADS must be a whole number, not \"%s\"\n", argv[3]);
        return 2;
    }
    DownloadParam param;
    param.nDownloadThread = threads;
    param.strDownloadUrl = plat::Utf8ToWide(argv[1]);
    // The downloader wants a folder part; a bare file name means the current folder here.
    std::error_code error;
    const std::filesystem::path output = std::filesystem::absolute(argv[2], error);
    param.strSavePath = plat::Utf8ToWide(error ? std::string(argv[2]) : output.string());
    Progress progress;
    param.pUserData = &progress;
    return HttpDownload(param, &OnEvent) ? 0 : 1;
}
