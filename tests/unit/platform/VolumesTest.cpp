#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include "platform/System.h"
#include "support/TempDir.h"

namespace {

TEST(VolumeFreeSpace, IsFoundThroughTheNearestExistingFolder)
{
    sktest::TempDir dir;
    dir.WriteFile("file", "x");
    struct statvfs vfs
    {
    };
    ASSERT_EQ(statvfs(dir.Path().c_str(), &vfs), 0);
    for (const char* path : {"", "file", "missing/deeper/still", "file/through-a-file"}) {
        uint64_t bytes = 0;
        EXPECT_TRUE(plat::GetDiskFreeBytes(dir.WChild(path), bytes)) << path;
        // Same volume: the block size matches and the free count is a whole number of blocks.
        EXPECT_EQ(bytes % vfs.f_frsize, 0u) << path;
        EXPECT_GT(bytes, 0u) << path;
    }
    uint64_t bytes = 1;
    EXPECT_FALSE(plat::GetDiskFreeBytes(L"", bytes));
    EXPECT_EQ(bytes, 0u);
}

TEST(KnownFolders, TestsCanRedirectProgramFilesAndTheRuntimeFolder)
{
    EXPECT_EQ(plat::GetProgramFilesFolder(), L"/opt");
    plat::test::SetProgramFilesFolder(L"/tmp/pf");
    EXPECT_EQ(plat::GetProgramFilesFolder(), L"/tmp/pf");
    plat::test::SetProgramFilesFolder(L"");
    EXPECT_EQ(plat::GetProgramFilesFolder(), L"/opt");

    const std::wstring runtime = plat::GetRuntimeFolder();
    EXPECT_TRUE(runtime == L"/run/lock" || runtime == L"/tmp/valtrix-locks");
    plat::test::SetRuntimeFolder(L"/tmp/rt");
    EXPECT_EQ(plat::GetRuntimeFolder(), L"/tmp/rt");
    plat::test::SetRuntimeFolder(L"");
    EXPECT_EQ(plat::GetRuntimeFolder(), runtime);
}

TEST(Guids, AreRandomVersionFourIds)
{
    plat::Guid a{};
    plat::Guid b{};
    ASSERT_TRUE(plat::CreateGuid(a));
    ASSERT_TRUE(plat::CreateGuid(b));
    EXPECT_EQ(a.data3 >> 12, 4);
    EXPECT_EQ(a.data4[0] & 0xC0, 0x80);
    EXPECT_FALSE(a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3);
}

} // namespace
