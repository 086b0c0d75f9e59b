#include <gtest/gtest.h>

#include "platform/System.h"
#include "support/TempDir.h"

namespace {

class FilesAndFolders : public ::testing::Test
{
protected:
    sktest::TempDir m_dir;
};

TEST_F(FilesAndFolders, AttributesTellFoldersFromFiles)
{
    m_dir.WriteFile("file", "x");
    EXPECT_EQ(plat::GetFileAttributes(m_dir.WPath()), plat::kFileAttribute_Directory);
    EXPECT_EQ(plat::GetFileAttributes(m_dir.WChild("file")), plat::kFileAttribute_Normal);
    for (const char* missing : {"missing", "file/below-a-file"})
        EXPECT_EQ(plat::GetFileAttributes(m_dir.WChild(missing)), plat::kInvalidFileAttributes) << missing;
    EXPECT_EQ(plat::GetFileAttributes(L""), plat::kInvalidFileAttributes);
}

TEST_F(FilesAndFolders, DirectoryTreeReportsCreatedExistingAndBlocked)
{
    m_dir.WriteFile("file", "x");
    EXPECT_EQ(plat::CreateDirectoryTree(m_dir.WChild("a/b/c")), plat::kError_Success);
    EXPECT_EQ(plat::GetFileAttributes(m_dir.WChild("a/b/c")), plat::kFileAttribute_Directory);
    EXPECT_EQ(plat::CreateDirectoryTree(m_dir.WChild("a/b/c")), plat::kError_AlreadyExists);
    EXPECT_NE(plat::CreateDirectoryTree(m_dir.WChild("file/sub")), plat::kError_Success);
    EXPECT_NE(plat::CreateDirectoryTree(m_dir.WChild("file")), plat::kError_Success);
    EXPECT_NE(plat::CreateDirectoryTree(L""), plat::kError_Success);
}

TEST_F(FilesAndFolders, SingleFolderNeedsItsParent)
{
    EXPECT_FALSE(plat::CreateDirectory(m_dir.WChild("x/y")));
    EXPECT_TRUE(plat::CreateDirectory(m_dir.WChild("x")));
    EXPECT_FALSE(plat::CreateDirectory(m_dir.WChild("x")));
}

TEST_F(FilesAndFolders, FoldersAreNeitherOpenedNorDeletedAsFiles)
{
    m_dir.WriteFile("sub/file", "x");
    EXPECT_EQ(plat::OpenFile(m_dir.WChild("sub"), "rb"), nullptr);
    EXPECT_FALSE(plat::DeleteFile(m_dir.WChild("sub")));
    EXPECT_NE(plat::OpenFile(m_dir.WChild("sub/file"), "rb"), nullptr);
    EXPECT_TRUE(plat::DeleteFile(m_dir.WChild("sub/file")));
    EXPECT_FALSE(plat::DeleteFile(m_dir.WChild("sub/file")));
}

TEST_F(FilesAndFolders, WritesAndReadsWholeFiles)
{
    const std::string bytes("a\0b\xFF", 4);
    ASSERT_TRUE(plat::WriteFileBytes(m_dir.WChild("data"), bytes.data(), bytes.size()));
    std::string read;
    ASSERT_TRUE(plat::ReadFileBytes(m_dir.WChild("data"), read));
    EXPECT_EQ(read, bytes);
    EXPECT_FALSE(plat::WriteFileBytes(m_dir.WChild("data/through-a-file"), "x", 1));
    EXPECT_FALSE(plat::ReadFileBytes(m_dir.WChild("missing"), read));
}

TEST(ModulePath, NamesTheRunningProgramUnlessATestRedirectsIt)
{
    const std::wstring real = plat::GetModulePath();
    EXPECT_FALSE(real.empty());
    EXPECT_EQ(plat::GetFileAttributes(real), plat::kFileAttribute_Normal);
    plat::test::SetModulePath(L"/somewhere/setup-2.exe");
    EXPECT_EQ(plat::GetModulePath(), L"/somewhere/setup-2.exe");
    plat::test::SetModulePath(L"");
    EXPECT_EQ(plat::GetModulePath(), real);
}

} // namespace
