#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/DownloadRange.h"

namespace {

struct SplitCase
{
    int fileSize;
    int count;
    std::vector<std::wstring> headers;
};

TEST(DownloadRangeTest, RangesCoverTheFileWithTheRemainderLast)
{
    const SplitCase cases[] = {
        {1000, 3, {L"Range:bytes=0-332", L"Range:bytes=333-665", L"Range:bytes=666-999"}},
        {1000, 1, {L"Range:bytes=0-999"}},
        {10,
         5,
         {L"Range:bytes=0-1", L"Range:bytes=2-3", L"Range:bytes=4-5", L"Range:bytes=6-7",
          L"Range:bytes=8-9"}},
        // Fewer bytes than ranges: the empty ones read from their begin to begin - 1.
        {3,
         5,
         {L"Range:bytes=0--1", L"Range:bytes=0--1", L"Range:bytes=0--1", L"Range:bytes=0--1",
          L"Range:bytes=0-2"}},
        {0, 2, {L"Range:bytes=0--1", L"Range:bytes=0--1"}},
        {2147483647, 2, {L"Range:bytes=0-1073741822", L"Range:bytes=1073741823-2147483646"}},
    };
    for (const SplitCase& c : cases) {
        const std::vector<DownloadRange> ranges = SplitDownloadRanges(c.fileSize, c.count);
        ASSERT_EQ(ranges.size(), c.headers.size()) << c.fileSize << "/" << c.count;
        long long covered = 0;
        for (size_t i = 0; i < ranges.size(); ++i) {
            EXPECT_EQ(MakeRangeHeader(ranges[i]), c.headers[i]) << c.fileSize << "/" << c.count << " #" << i;
            if (ranges[i].nLength > 0) {
                EXPECT_EQ(ranges[i].nBegin, covered);
            }
            covered += ranges[i].nLength;
        }
        EXPECT_EQ(covered, c.fileSize);
    }
}

TEST(DownloadRangeTest, ThreadCountsAreRaisedToOneAndCutToSixtyFour)
{
    const int cases[][2] = {{-5, 1}, {0, 1}, {1, 1}, {5, 5}, {64, 64}, {65, 64}, {100, 64}};
    for (const auto& c : cases)
        EXPECT_EQ(ClampDownloadThreads(c[0]), c[1]) << c[0];
}

TEST(DownloadRangeTest, OnlyPartialContentOrAWholeFileAnswerFillsARange)
{
    const DownloadRange whole{0, 1000};
    const DownloadRange part{333, 333};
    const DownloadRange first{0, 333};
    const struct
    {
        int status;
        DownloadRange range;
        bool usable;
    } cases[] = {
        {206, part, true},   {206, whole, true}, {200, whole, true}, {200, part, false},  {200, first, false},
        {404, whole, false}, {500, part, false}, {416, part, false}, {204, whole, false}, {0, whole, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUsableRangeStatus(c.status, c.range, 1000), c.usable)
            << c.status << " " << c.range.nBegin << "+" << c.range.nLength;
    }
}

} // namespace
