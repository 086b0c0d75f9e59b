#include <gtest/gtest.h>

#include <minizip/zip.h>
#include <zlib.h>

#include <fstream>
#include <sstream>

#include "config/Archive.h"
#include "log/Log.h"
#include "platform/System.h"
#include "support/TempDir.h"

namespace {

struct Entry
{
    std::string name;
    std::string bytes; // empty for a folder entry
};

std::string Zip(const std::vector<Entry>& entries)
{
    CZipBuilder builder;
    for (const Entry& e : entries)
        EXPECT_TRUE(e.bytes.empty() ? builder.AddFolder(e.name) : builder.AddFile(e.name, e.bytes)) << e.name;
    std::string archive;
    EXPECT_TRUE(builder.Finish(archive));
    return archive;
}

// An archive whose only entry is stored raw with the given recorded size and CRC, as a hostile
// or damaged archive would carry them.
std::string ZipWithRecordedSize(const sktest::TempDir& dir, const std::string& name,
                                const std::string& stored, uLong recordedSize, uLong crc)
{
    const std::string path = dir.Child("raw.zip");
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    EXPECT_NE(zip, nullptr);
    zip_fileinfo info{};
    EXPECT_EQ(zipOpenNewFileInZip2(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, 0, 0, 1),
              ZIP_OK);
    EXPECT_EQ(zipWriteInFileInZip(zip, stored.data(), static_cast<unsigned>(stored.size())), ZIP_OK);
    EXPECT_EQ(zipCloseFileInZipRaw(zip, recordedSize, crc), ZIP_OK);
    EXPECT_EQ(zipClose(zip, nullptr), ZIP_OK);
    return dir.ReadFile("raw.zip");
}

uLong Crc(const std::string& bytes)
{
    return crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
}

// Logs into the temporary folder so the "ERR:" records can be read back.
class ArchiveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plat::test::SetModulePath(m_dir.WChild("bin/setup.exe"));
        logtest::ResetLog();
    }
    void TearDown() override
    {
        logtest::ResetLog();
        plat::test::SetModulePath(L"");
    }

    bool Extract(const std::string& archive)
    {
        return ExtractArchiveToFolder(archive.data(), archive.size(), m_dir.WChild("out/language"));
    }
    uint32_t Attributes(const std::string& name) const
    {
        return plat::GetFileAttributes(m_dir.WChild("out/language/" + name));
    }
    std::string Read(const std::string& name) const { return m_dir.ReadFile("out/language/" + name); }
    std::string Log() const
    {
        if (plat::GetFileAttributes(m_dir.WChild("bin/Log/setup.log")) == plat::kInvalidFileAttributes)
            return {};
        return m_dir.ReadFile("bin/Log/setup.log");
    }

    sktest::TempDir m_dir;
};

TEST_F(ArchiveTest, UnpacksFoldersAndFilesInArchiveOrderIntoANewFolder)
{
    const std::string archive = Zip({{"language.ini", "[Language]\r\n1033=English\r\n"},
                                     {"English/", ""},
                                     {"English/text.ini", std::string("\xff\xfe[\0", 4)},
                                     {"English/sub/", ""},
                                     {"English/sub/pr_1.png", std::string(100000, 'p')}});
    EXPECT_TRUE(Extract(archive));
    EXPECT_EQ(Read("language.ini"), "[Language]\r\n1033=English\r\n");
    EXPECT_EQ(Attributes("English"), plat::kFileAttribute_Directory);
    EXPECT_EQ(Read("English/text.ini"), std::string("\xff\xfe[\0", 4));
    EXPECT_EQ(Read("English/sub/pr_1.png"), std::string(100000, 'p'));
    EXPECT_EQ(Log(), "");
}

TEST_F(ArchiveTest, ReplacesExistingFilesAndKeepsOtherContent)
{
    m_dir.WriteFile("out/language/language.ini", "old and longer content");
    m_dir.WriteFile("out/language/keep.txt", "kept");
    EXPECT_TRUE(Extract(Zip({{"language.ini", "new"}})));
    EXPECT_EQ(Read("language.ini"), "new");
    EXPECT_EQ(Read("keep.txt"), "kept");
}

TEST_F(ArchiveTest, FileWithoutItsFolderEntryIsNotWritten)
{
    EXPECT_TRUE(Extract(Zip({{"Missing/text.ini", "x"}, {"top.ini", "y"}})));
    EXPECT_EQ(Attributes("Missing"), plat::kInvalidFileAttributes);
    EXPECT_EQ(Read("top.ini"), "y");
    EXPECT_NE(Log().find("ERR:cannot write archive entry:Missing/text.ini"), std::string::npos);
}

TEST_F(ArchiveTest, BackslashesInEntryNamesSeparateFolders)
{
    EXPECT_TRUE(Extract(Zip({{"Dir\\", ""}, {"Dir\\file.txt", "z"}})));
    EXPECT_EQ(Read("Dir/file.txt"), "z");
}

TEST_F(ArchiveTest, EntriesThatWouldLandOutsideTheFolderAreSkippedWithAnErrRecord)
{
    const char* const hostile[] = {"/abs.txt",
                                   "\\abs.txt",
                                   "../up.txt",
                                   "a/../../up2.txt",
                                   "..\\up3.txt",
                                   "C:/drive.txt",
                                   "a/b/../../../up4.txt",
                                   ".."};
    std::vector<Entry> entries = {{"a/", ""}, {"a/b/", ""}};
    for (const char* name : hostile)
        entries.push_back({name, "hostile"});
    entries.push_back({"a/fine..txt", "fine"});
    EXPECT_TRUE(Extract(Zip(entries)));
    EXPECT_EQ(Read("a/fine..txt"), "fine");
    EXPECT_EQ(plat::GetFileAttributes(m_dir.WChild("out/up.txt")), plat::kInvalidFileAttributes);
    EXPECT_EQ(plat::GetFileAttributes(m_dir.WChild("out/up2.txt")), plat::kInvalidFileAttributes);
    EXPECT_EQ(plat::GetFileAttributes(m_dir.WChild("out/up4.txt")), plat::kInvalidFileAttributes);
    EXPECT_EQ(plat::GetFileAttributes(L"/abs.txt"), plat::kInvalidFileAttributes);
    const std::string log = Log();
    for (const char* name : hostile)
        EXPECT_NE(log.find(std::string("ERR:skipped archive entry outside the target folder:") + name),
                  std::string::npos)
            << name;
}

TEST_F(ArchiveTest, EntryRecordedAsLargerThanTheCapIsSkippedWithoutInflating)
{
    const std::string archive = ZipWithRecordedSize(
        m_dir, "huge.bin", "tiny", static_cast<uLong>(kMaxArchiveEntrySize + 1), Crc("tiny"));
    EXPECT_TRUE(Extract(archive));
    EXPECT_EQ(Attributes("huge.bin"), plat::kInvalidFileAttributes);
    EXPECT_NE(Log().find("ERR:skipped oversized archive entry:huge.bin"), std::string::npos);
}

TEST_F(ArchiveTest, EntriesWhoseDataDoesNotMatchTheirRecordAreNotWritten)
{
    const std::string data = "stored bytes";
    struct Case
    {
        const char* name;
        uLong recordedSize;
        uLong crc;
    } cases[] = {
        {"short.bin", static_cast<uLong>(data.size() + 5), Crc(data)},
        {"long.bin", static_cast<uLong>(data.size() - 5), Crc(data)},
        {"crc.bin", static_cast<uLong>(data.size()), Crc(data) ^ 1},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Extract(ZipWithRecordedSize(m_dir, c.name, data, c.recordedSize, c.crc)));
        EXPECT_EQ(Attributes(c.name), plat::kInvalidFileAttributes) << c.name;
        EXPECT_NE(Log().find(std::string("ERR:damaged archive entry:") + c.name), std::string::npos)
            << c.name;
    }
}

TEST_F(ArchiveTest, EntryOfSizeZeroIsTakenForAFolder)
{
    CZipBuilder builder;
    ASSERT_TRUE(builder.AddFile("empty.txt", ""));
    std::string archive;
    ASSERT_TRUE(builder.Finish(archive));
    EXPECT_TRUE(Extract(archive));
    EXPECT_EQ(Attributes("empty.txt"), plat::kFileAttribute_Directory);
}

TEST_F(ArchiveTest, EntryGivingAnOverLongPathIsSkipped)
{
    const std::string longName(kMaxArchivePath, 'n');
    EXPECT_TRUE(Extract(Zip({{longName, "x"}, {"short.txt", "y"}})));
    EXPECT_EQ(Read("short.txt"), "y");
    EXPECT_NE(Log().find("ERR:skipped archive entry with an over-long path:" + longName), std::string::npos);
}

TEST_F(ArchiveTest, DamagedOrForeignBytesCreateTheFolderAndWriteNothing)
{
    const std::string good = Zip({{"a.txt", std::string(5000, 'a')}, {"b.txt", "b"}});
    const std::string inputs[] = {"", "not an archive", good.substr(0, good.size() / 2),
                                  good.substr(0, good.size() - 10), std::string(100, '\0')};
    for (const std::string& input : inputs) {
        EXPECT_TRUE(Extract(input));
        EXPECT_EQ(Attributes(""), plat::kFileAttribute_Directory);
        EXPECT_EQ(Attributes("b.txt"), plat::kInvalidFileAttributes);
    }
    EXPECT_TRUE(ExtractArchiveToFolder(nullptr, 10, m_dir.WChild("out/null")));
    EXPECT_NE(Log().find("ERR:not a readable archive"), std::string::npos);
}

TEST_F(ArchiveTest, TargetThatIsARegularFileWritesNothingAndStillReturnsTrue)
{
    m_dir.WriteFile("out/language", "a file where the folder should be");
    EXPECT_TRUE(Extract(Zip({{"a.txt", "a"}})));
    EXPECT_EQ(m_dir.ReadFile("out/language"), "a file where the folder should be");
}

TEST(EntryNameTest, OnlyRelativeNamesWithoutParentStepsAreContained)
{
    const std::pair<const char*, bool> cases[] = {
        {"", true},        {"a", true},     {"a/b/c.txt", true}, {"a..b", true},      {"...", true},
        {"a/..b/c", true}, {"/a", false},   {"\\a", false},      {"C:a", false},      {"..", false},
        {"../a", false},   {"a/..", false}, {"a/../b", false},   {"a\\..\\b", false}, {"a/b\\..", false},
    };
    for (const auto& [name, contained] : cases)
        EXPECT_EQ(IsContainedEntryName(name), contained) << name;
}

} // namespace
