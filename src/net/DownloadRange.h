#pragma once

#include <string>
#include <vector>

// How a file is cut into the ranges of one download.

inline constexpr int kMaxDownloadThreads = 64;

struct DownloadRange
{
    int nBegin = 0;
    int nLength = 0;
};

// The threads asked for, raised to at least 1 and cut to at most kMaxDownloadThreads.
int ClampDownloadThreads(int requested);

// count equal ranges of fileSize / count bytes; the last one also takes the remainder.
std::vector<DownloadRange> SplitDownloadRanges(int fileSize, int count);

// "Range:bytes=first-last"; an empty range reads from its begin to begin - 1.
std::wstring MakeRangeHeader(const DownloadRange& range);

// Whether an answer with this status may fill the range: 206, or 200 when the range is the
// whole file (a server that ignores Range answers 200 with the whole file).
bool IsUsableRangeStatus(int status, const DownloadRange& range, int fileSize);
