#pragma once

#include <string>

class CBaseRequest;

// The size query of a download: the Content-Length of a 2xx answer.

enum class DownloadSizeAnswer
{
    kSize,     // size holds the length
    kNone,     // no answer, an error status or no usable Content-Length
    kTooLarge, // 2 GiB or more; announced holds the length the server gave
};

DownloadSizeAnswer QueryDownloadSize(CBaseRequest& request, const std::wstring& url, int& size,
                                     long long& announced);

// Sizes from 2 GiB on do not fit the downloader's 32-bit offsets.
inline constexpr long long kDownloadSizeLimit = 2147483648LL;
