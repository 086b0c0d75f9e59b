#include "net/DownloadRange.h"

#include <algorithm>

int ClampDownloadThreads(int requested)
{
    return std::clamp(requested, 1, kMaxDownloadThreads);
}

std::vector<DownloadRange> SplitDownloadRanges(int fileSize, int count)
{
    std::vector<DownloadRange> ranges;
    if (count < 1 || fileSize < 0)
        return ranges;
    const int length = fileSize / count;
    ranges.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        DownloadRange range;
        range.nBegin = i * length;
        range.nLength = i == count - 1 ? fileSize - (count - 1) * length : length;
        ranges.push_back(range);
    }
    return ranges;
}

std::wstring MakeRangeHeader(const DownloadRange& range)
{
    return L"Range:bytes=" + std::to_wstring(range.nBegin) + L"-" +
           std::to_wstring(range.nBegin + range.nLength - 1);
}

bool IsUsableRangeStatus(int status, const DownloadRange& range, int fileSize)
{
    if (status == 206)
        return true;
    return status == 200 && range.nBegin == 0 && range.nLength == fileSize;
}
