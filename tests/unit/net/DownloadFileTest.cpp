#include <gtest/gtest.h>

#include <string>

#include "net/DownloadFile.h"
#include "platform/System.h"
#include "support/TempDir.h"

namespace {

TEST(DownloadFileTest, BlocksLandAtTheirOffsetsInAnyOrder)
{
    sktest::TempDir dir;
    plat::FilePtr file = plat::OpenFile(dir.WChild("out.bin"), "wb");
    ASSERT_TRUE(file);
    EXPECT_TRUE(WriteDownloadBlock(file.get(), 6, "ghij", 4));
    EXPECT_TRUE(WriteDownloadBlock(file.get(), 0, "abc", 3));
    EXPECT_TRUE(WriteDownloadBlock(file.get(), 3, "def", 3));
    // Flushed after every block: another reader sees it before the file is closed.
    EXPECT_EQ(dir.ReadFile("out.bin"), "abcdefghij");
    EXPECT_TRUE(WriteDownloadBlock(file.get(), 2, "C", 1));
    file.reset();
    EXPECT_EQ(dir.ReadFile("out.bin"), "abCdefghij");
}

TEST(DownloadFileTest, AFileThatCannotBeWrittenReportsTheFailure)
{
    sktest::TempDir dir;
    dir.WriteFile("in.bin", "0123");
    plat::FilePtr file = plat::OpenFile(dir.WChild("in.bin"), "rb");
    ASSERT_TRUE(file);
    EXPECT_FALSE(WriteDownloadBlock(file.get(), 0, "xy", 2));
    file.reset();
    EXPECT_EQ(dir.ReadFile("in.bin"), "0123");
}

} // namespace
