#include <gtest/gtest.h>

#include "log/Paths.h"
#include "platform/System.h"
#include "support/TempDir.h"

namespace {

struct NormalizeCase
{
    const char* input;
    const char* expected;
};

TEST(NormalizePathTest, TurnsForeignSeparatorsAndHalvesDoubledOnes)
{
    const NormalizeCase cases[] = {
        {"", ""},          {"a/b", "a/b"},     {"a\\b\\c", "a/b/c"},    {"a//b", "a/b"}, {"a\\/b", "a/b"},
        {"a///b", "a//b"}, {"a////b", "a//b"}, {"C:/a//b/", "C:/a/b/"}, {"\\\\", "/"},
    };
    for (const NormalizeCase& c : cases) {
        std::string narrow = c.input;
        NormalizePath(narrow);
        EXPECT_EQ(narrow, c.expected) << c.input;
        std::wstring wide(c.input, c.input + std::char_traits<char>::length(c.input));
        NormalizePath(wide);
        EXPECT_EQ(wide, std::wstring(c.expected, c.expected + std::char_traits<char>::length(c.expected)))
            << c.input;
    }
}

TEST(CreateDirectoriesTest, CreatesEveryFolderOfAMixedSeparatorPath)
{
    sktest::TempDir dir;
    EXPECT_TRUE(CreateDirectories(dir.WPath() + L"/a\\b//c/"));
    EXPECT_EQ(plat::GetFileAttributes(dir.WChild("a")), plat::kFileAttribute_Directory);
    EXPECT_EQ(plat::GetFileAttributes(dir.WChild("a/b")), plat::kFileAttribute_Directory);
    EXPECT_EQ(plat::GetFileAttributes(dir.WChild("a/b/c")), plat::kFileAttribute_Directory);
    EXPECT_TRUE(CreateDirectories(dir.WChild("a/b/c")));
}

TEST(CreateDirectoriesTest, FailsForAnEmptyPathOrOneThroughARegularFile)
{
    sktest::TempDir dir;
    dir.WriteFile("file", "x");
    EXPECT_FALSE(CreateDirectories(L""));
    EXPECT_FALSE(CreateDirectories(dir.WChild("file")));
    EXPECT_FALSE(CreateDirectories(dir.WChild("file/sub")));
}

struct ModuleCase
{
    const wchar_t* modulePath;
    const char* shortName;
    const wchar_t* exeDirectory;
};

TEST(ModuleNamesTest, ShortNameEndsAtTheFirstDotOfTheFileName)
{
    const ModuleCase cases[] = {
        {L"/opt/x.y.exe", "x", L"/opt"},
        {L"/opt/setup.tool.exe", "setup", L"/opt"},
        {L"/opt/setup-2", "setup-2", L"/opt"},
        {L"/opt/dir.d//setup", "setup", L"/opt/dir.d"},
        {L"C:\\dir.d\\tool.exe", "tool", L"C:/dir.d"},
    };
    for (const ModuleCase& c : cases) {
        plat::test::SetModulePath(c.modulePath);
        logtest::ResetModuleShortName();
        EXPECT_EQ(GetModuleShortName(), c.shortName);
        EXPECT_EQ(GetExeDirectory(), c.exeDirectory);
    }
    plat::test::SetModulePath(L"");
    logtest::ResetModuleShortName();
}

TEST(ModuleNamesTest, ShortNameIsComputedOnce)
{
    plat::test::SetModulePath(L"/opt/first.exe");
    logtest::ResetModuleShortName();
    EXPECT_EQ(GetModuleShortName(), "first");
    plat::test::SetModulePath(L"/opt/second.exe");
    EXPECT_EQ(GetModuleShortName(), "first");
    plat::test::SetModulePath(L"");
    logtest::ResetModuleShortName();
}

} // namespace
