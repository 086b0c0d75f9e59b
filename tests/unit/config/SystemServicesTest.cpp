#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "config/SystemServices.h"
#include "platform/System.h"
#include "support/TempDir.h"

namespace {

TEST(FileStem, IsTheNameWithoutFolderAndLastExtension)
{
    const struct
    {
        const wchar_t* path;
        const wchar_t* stem;
    } cases[] = {
        {L"C:\\a.b\\setup", L"setup"},
        {L"C:\\dir\\setup.tar.exe", L"setup.tar"},
        {L"C:/dir/setup.tar.exe", L"setup.tar"},
        {L"/opt/dir.d/setup-2.exe", L"setup-2"},
        {L"/opt\\mixed/dir\\setup-2.exe", L"setup-2"},
        {L"setup-2.exe", L"setup-2"},
        {L"setup", L"setup"},
        {L"/opt/dir/", L""},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetFileStem(c.path), c.stem) << c.path;
}

TEST(Strings, ReplaceAllResumesBehindEachInsertedText)
{
    const struct
    {
        const wchar_t* text;
        const wchar_t* what;
        const wchar_t* by;
        const wchar_t* result;
    } cases[] = {
        {L"aaaa", L"aa", L"a", L"aa"},
        {L"PRODUCT is running", L"PRODUCT", L"Valtrix Norvane", L"Valtrix Norvane is running"},
        {L"a.b.c", L".", L"..", L"a..b..c"},
        {L"xx", L"x", L"xx", L"xxxx"},
        {L"abc", L"", L"-", L"abc"},
        {L"", L"a", L"b", L""},
        {L"abc", L"abcd", L"", L"abc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceAll(c.text, c.what, c.by), c.result) << c.text << " / " << c.what;
}

TEST(Strings, SplitAtFirstCutsAtTheFirstSeparator)
{
    const struct
    {
        const wchar_t* text;
        const wchar_t* separator;
        const wchar_t* key;
        const wchar_t* value;
    } cases[] = {
        {L"STR_A=Hello", L"=", L"STR_A", L"Hello"},
        {L"url=http://x/?a=b", L"=", L"url", L"http://x/?a=b"},
        {L"=value", L"=", L"", L"value"},
        {L"key=", L"=", L"key", L""},
        {L"no separator", L"=", L"no separator", L""},
        {L"a::b", L"::", L"a", L"b"},
        {L"abc", L"", L"abc", L""},
    };
    for (const auto& c : cases) {
        std::wstring key = L"old";
        std::wstring value = L"old";
        SplitAtFirst(c.text, c.separator, key, value);
        EXPECT_EQ(key, c.key) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(Strings, NarrowTextsAreUtf8WhateverTheLocale)
{
    EXPECT_EQ(NarrowToWide("xx_yy \xC3\xBC\xE4\xB8\xAD"), L"xx_yy \u00FC\u4E2D");
    EXPECT_EQ(WideToNarrow(L"xx_yy \u00FC\u4E2D"), "xx_yy \xC3\xBC\xE4\xB8\xAD");
    EXPECT_EQ(WideToNarrow(L""), "");
}

class IniFiles : public ::testing::Test
{
protected:
    sktest::TempDir m_dir;
};

TEST_F(IniFiles, ReadIniSectionOverlaysTheMap)
{
    m_dir.WriteFile("text.ini", "[LANSTR]\nB=from file\nC = added\nB=second B\n");
    std::map<std::wstring, std::wstring> entries = {{L"A", L"kept"}, {L"B", L"default"}};
    ReadIniSection(m_dir.WChild("text.ini"), L"LANSTR", entries);
    // The later duplicate of B is applied last, as the section lists it.
    const std::map<std::wstring, std::wstring> expected = {
        {L"A", L"kept"}, {L"B", L"second B"}, {L"C", L"added"}};
    EXPECT_EQ(entries, expected);

    ReadIniSection(m_dir.WChild("missing.ini"), L"LANSTR", entries);
    EXPECT_EQ(entries, expected);
}

TEST_F(IniFiles, ReadIniStringGivesAtMost255Characters)
{
    m_dir.WriteFile("a.ini",
                    "[Language]\n1033=English\n2052 = Chinese\nLong=" + std::string(400, 'x') + "\n");
    EXPECT_EQ(ReadIniString(m_dir.WChild("a.ini"), L"Language", L"1033"), L"English");
    EXPECT_EQ(ReadIniString(m_dir.WChild("a.ini"), L"language", L"2052"), L"Chinese");
    EXPECT_EQ(ReadIniString(m_dir.WChild("a.ini"), L"Language", L"Long"), std::wstring(255, L'x'));
    EXPECT_EQ(ReadIniString(m_dir.WChild("a.ini"), L"Language", L"1046"), L"");
    EXPECT_EQ(ReadIniString(m_dir.WChild("none.ini"), L"Language", L"1033"), L"");
}

class Folders : public ::testing::Test
{
protected:
    Folders() { plat::test::SetProgramFilesFolder(m_dir.WChild("pf")); }
    ~Folders() override
    {
        plat::test::SetProgramFilesFolder(L"");
        plat::test::SetModulePath(L"");
    }

    sktest::TempDir m_dir;
};

TEST_F(Folders, TheWorkFolderLiesBelowProgramFilesNamedByTheProgram)
{
    EXPECT_EQ(GetProgramFilesFolder(), m_dir.WChild("pf") + L"/");
    plat::test::SetModulePath(L"/media/usb/dir.with.dots/setup-2.exe");
    EXPECT_EQ(GetWorkFolder(), m_dir.WChild("pf") + L"/valtrix_down/setup-2/");
}

TEST_F(Folders, FileExistsOnlyForReadableFiles)
{
    m_dir.WriteFile("file", "x");
    EXPECT_TRUE(FileExists(m_dir.WChild("file")));
    for (const char* path : {"", "missing", "file/through-a-file"})
        EXPECT_FALSE(FileExists(m_dir.WChild(path))) << path;
    EXPECT_FALSE(FileExists(m_dir.WPath()));
    EXPECT_FALSE(FileExists(L""));
}

TEST(DiskFree, MegabytesAreFreeBytesShiftedAndTruncatedTo32Bits)
{
    const struct
    {
        uint64_t bytes;
        uint32_t megabytes;
    } cases[] = {
        {0, 0},
        {1048575, 0},
        {1048576, 1},
        {3758096384ull, 3584}, // 3.5 GiB
        {(1ull << 52) - 1, 0xFFFFFFFFu},
        {(1ull << 52) + 5 * 1048576ull, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DiskFreeMBFromBytes(c.bytes), c.megabytes) << c.bytes;
}

TEST(DiskFree, ReportsTheVolumeOfAFolderOrFails)
{
    sktest::TempDir dir;
    uint32_t mb = 0;
    EXPECT_TRUE(GetDiskFreeMB(dir.WChild("not/made/yet"), mb));
    uint32_t unchanged = 77;
    EXPECT_FALSE(GetDiskFreeMB(L"", unchanged));
    EXPECT_EQ(unchanged, 77u);
}

TEST(SystemFacts, AnswerForThisMachine)
{
    const std::wstring id = GetUiLanguageId();
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(id.find_first_not_of(L"0123456789"), std::wstring::npos) << id;
    EXPECT_LE(GetOsProductName().size(), 1023u);
    EXPECT_EQ(IsOs64Bit(), IsArchitecture64Bit(plat::GetNativeProcessorArchitecture()));
}

TEST(SystemFacts, OnlyX64AndItaniumCountAs64Bit)
{
    const struct
    {
        int architecture;
        bool is64;
    } cases[] = {{9, true}, {6, true}, {12, false}, {0, false}, {5, false}, {0xFFFF, false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsArchitecture64Bit(c.architecture), c.is64) << c.architecture;
}

TEST(FileVersion, FormatsTheFourParts)
{
    EXPECT_EQ(FormatFileVersion(0x00020001, 0x00030004), L"2.1.3.4");
    EXPECT_EQ(FormatFileVersion(0xFFFF0000, 0x0000FFFF), L"65535.0.0.65535");
}

TEST(FileVersion, IsEmptyWithoutAVersionResource)
{
    sktest::TempDir dir;
    dir.WriteFile("plain", "no resources here");
    EXPECT_EQ(GetFileVersionString(dir.WChild("plain")), L"");
    EXPECT_EQ(GetFileVersionString(dir.WChild("missing")), L"");
}

class Processes : public ::testing::Test
{
protected:
    sktest::TempDir m_dir;
};

TEST_F(Processes, FindProcessByNameIsCaseSensitiveAndKillEndsIt)
{
    const std::string name = "Norvane" + std::to_string(getpid()) + ".exe";
    std::filesystem::copy_file("/bin/sleep", m_dir.Child(name));
    plat::Process process;
    ASSERT_TRUE(plat::CreateProcess(m_dir.WChild(name), L"sleep 600", false, process));

    std::wstring wideName(name.begin(), name.end());
    std::wstring lower = wideName;
    lower[0] = L'n';
    uint32_t pid = 0;
    EXPECT_FALSE(FindProcessByName(lower, pid));
    ASSERT_TRUE(FindProcessByName(wideName, pid));
    EXPECT_EQ(pid, process.Id());
    EXPECT_TRUE(KillProcessById(pid));
    EXPECT_EQ(process.Wait(plat::kInfinite), plat::WaitResult::kExited);
    EXPECT_FALSE(KillProcessById(pid));
    EXPECT_FALSE(FindProcessByName(wideName, pid));
    EXPECT_FALSE(FindProcessByName(L"", pid));
}

class Shell : public ::testing::Test
{
protected:
    Shell()
    {
        plat::test::SetShellResponder([this](const plat::ShellRequest& request) {
            m_requests.push_back(request);
            return true;
        });
    }
    ~Shell() override { plat::test::SetShellResponder({}); }

    std::vector<plat::ShellRequest> m_requests;
};

TEST_F(Shell, PagesOpenAndProgramsRunElevatedOrAsTheDesktopUser)
{
    OpenWithShell(nullptr, L"https://example.invalid/licence");
    RunProgram(L"/opt/Valtrix/Valtrix Norvane/Norvane", true);
    RunProgram(L"/opt/Valtrix/Valtrix Norvane/Norvane", false);
    ASSERT_EQ(m_requests.size(), 3u);
    EXPECT_EQ(m_requests[0].kind, plat::ShellRequest::kOpen);
    EXPECT_EQ(m_requests[0].target, L"https://example.invalid/licence");
    EXPECT_EQ(m_requests[1].kind, plat::ShellRequest::kExecute);
    EXPECT_EQ(m_requests[1].target, L"/opt/Valtrix/Valtrix Norvane/Norvane");
    EXPECT_EQ(m_requests[2].kind, plat::ShellRequest::kRunAsDesktopUser);
    EXPECT_EQ(m_requests[2].target, L"/opt/Valtrix/Valtrix Norvane/Norvane");
}

} // namespace

namespace {

TEST(BadInput, OverLongArgumentsGiveEmptyOrFalseResults)
{
    sktest::TempDir dir;
    const std::wstring longName(5000, L'a');
    const std::wstring longPath = dir.WPath() + L"/" + longName + L"/" + longName + L".ini";
    EXPECT_FALSE(FileExists(longPath));
    EXPECT_EQ(ReadIniString(longPath, longName, longName), L"");
    std::map<std::wstring, std::wstring> entries = {{L"A", L"kept"}};
    ReadIniSection(longPath, L"S", entries);
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_EQ(GetFileStem(longPath), longName);
    EXPECT_EQ(GetFileVersionString(longPath), L"");
    uint32_t pid = 0;
    EXPECT_FALSE(FindProcessByName(longName, pid));
    uint32_t mb = 0;
    EXPECT_TRUE(GetDiskFreeMB(longPath, mb)); // the volume of the nearest folder that exists
    EXPECT_EQ(ReplaceAll(longName, L"aa", L"a"), std::wstring(2500, L'a'));
}

} // namespace
