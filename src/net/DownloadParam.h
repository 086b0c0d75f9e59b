#pragma once

#include <string>

// What a caller hands the segmented downloader, and the events it reports back.

struct DownloadParam
{
    // Threads asked for: at least 1; more than 64 are cut to 64.
    int nDownloadThread = 0;
    // Passed back unchanged as the last argument of every callback.
    void* pUserData = nullptr;
    std::wstring strDownloadUrl;
    // Full path of the output file; the downloader normalises it in place.
    std::wstring strSavePath;
};

enum DownloadEvent : int
{
    kDownload_Start = 0,    // a, b: 0; calling thread
    kDownload_FileSize = 1, // a: file size; calling thread
    kDownload_Progress = 2, // a: bytes written by all ranges, b: file size; a worker, lock held
    kDownload_Finish = 3,   // a: result code, b: elapsed whole seconds; calling thread
};

// Result codes of a download (and a of kDownload_Finish).
enum DownloadResult : int
{
    kDownloadResult_Ok = 0,
    kDownloadResult_BadParam = -1,
    kDownloadResult_NoFileSize = -3,
    kDownloadResult_ContentFailed = -4,
};

using DownloadCallback = void (*)(int event, int a, int b, void* userData);
