#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ResourceTestSupport.h"
#include "platform/System.h"
#include "ui/core/WindowManager.h"
#include "ui/core/XmlDocument.h"

namespace {

using SkinUI::CWindowManagerUI;
using SkinUI::CXmlDocument;
using SkinUI::XmlEncoding;

constexpr size_t kLimit = 4194304;

// A document of exactly the given size: a root element padded with blanks.
std::string SkinOfSize(size_t size)
{
    std::string text = "<Window>";
    const std::string close = "</Window>";
    text.append(size - text.size() - close.size(), ' ');
    return text + close;
}

class ResourceSkinFileTest : public restest::ResourceTest
{
protected:
    // Loads the name and answers the error text ("" on success).
    std::wstring Load(const std::wstring& name)
    {
        CXmlDocument doc;
        if (doc.LoadSkinFile(name.c_str(), XmlEncoding::Utf8))
            return L"";
        EXPECT_STREQ(doc.LastErrorLocation(), L"");
        EXPECT_FALSE(doc.IsLoaded());
        return doc.LastError();
    }
};

TEST_F(ResourceSkinFileTest, FilesUpToTheLimitLoadFromTheFolder)
{
    m_dir.WriteFile("exact.xml", SkinOfSize(kLimit));
    m_dir.WriteFile("over.xml", SkinOfSize(kLimit + 1));
    m_dir.WriteFile("empty.xml", "");
    ASSERT_TRUE(plat::CreateDirectory(m_dir.WChild("folder.xml")));
    struct Case
    {
        const wchar_t* name;
        const wchar_t* error;
    };
    const Case cases[] = {
        {L"exact.xml", L""},
        {L"over.xml", L"File too large"},
        {L"empty.xml", L"File is empty"},
        {L"missing.xml", L"Error opening file"},
        {L"folder.xml", L"Error opening file"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Load(c.name), c.error) << c.name;
}

TEST_F(ResourceSkinFileTest, FileShorterThanItsReportedSizeCouldNotBeRead)
{
    // sysfs attributes report a page as their size but read far fewer bytes.
    const std::wstring attribute = L"/sys/devices/system/cpu/online";
    if (plat::GetFileAttributes(attribute) != plat::kFileAttribute_Normal)
        GTEST_SKIP() << "no sysfs here";
    CWindowManagerUI::SetResourceFolder(L"/sys/devices/system/cpu");
    EXPECT_EQ(Load(L"online"), L"Could not read file");
}

TEST_F(ResourceSkinFileTest, DiskNamesIgnoreCaseAndBackslashesComponentByComponent)
{
    m_dir.WriteFile("Skin/Img/Main.XML", "<Window name=\"main\"/>");
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadSkinFile(L"skin\\img\\main.xml", XmlEncoding::Utf8)) << doc.LastError();
    EXPECT_STREQ(doc.Root().FindAttributeValue(L"name"), L"main");
    EXPECT_EQ(Load(L"skin\\other\\main.xml"), L"Error opening file");
}

TEST_F(ResourceSkinFileTest, ExactDiskNameWinsOverOneDifferingInCase)
{
    m_dir.WriteFile("main.xml", "<Window name=\"lower\"/>");
    m_dir.WriteFile("MAIN.xml", "<Window name=\"upper\"/>");
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadSkinFile(L"MAIN.xml", XmlEncoding::Utf8));
    EXPECT_STREQ(doc.Root().FindAttributeValue(L"name"), L"upper");
}

class ResourceArchiveTest : public ResourceSkinFileTest, public ::testing::WithParamInterface<bool>
{
protected:
    // The archive from a file (false) or from memory (true).
    void UseArchive(const std::vector<restest::ZipEntry>& entries)
    {
        m_zip = restest::MakeZip(m_dir, entries);
        if (GetParam()) {
            CWindowManagerUI::SetSkinArchiveBytes(m_zip.data(), m_zip.size());
        } else {
            m_dir.WriteFile("skin.zip", m_zip);
            CWindowManagerUI::SetSkinArchive(L"skin.zip", true);
        }
    }

    std::string m_zip;
};

TEST_P(ResourceArchiveTest, EntriesAreFoundByNameWithForwardSlashesIgnoringCase)
{
    UseArchive({{"home.xml", "<Window name=\"home\"/>"},
                {"img/button_normal.xml", "<Window name=\"button\"/>"},
                {"stored.xml", "<Window name=\"stored\"/>", false}});
    struct Case
    {
        const wchar_t* name;
        const wchar_t* error;
    };
    const Case cases[] = {
        {L"home.xml", L""},
        {L"HOME.XML", L""},
        {L"img\\button_normal.xml", L""},
        {L"img/button_normal.xml", L""},
        {L"stored.xml", L""},
        {L"missing.xml", L"Could not find ziped file"},
        {L"button_normal.xml", L"Could not find ziped file"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Load(c.name), c.error) << c.name;
}

TEST_P(ResourceArchiveTest, EntrySizesAreLimited)
{
    UseArchive({{"empty.xml", ""}, {"exact.xml", SkinOfSize(kLimit)}, {"over.xml", SkinOfSize(kLimit + 1)}});
    EXPECT_EQ(Load(L"empty.xml"), L"File is empty");
    EXPECT_EQ(Load(L"exact.xml"), L"");
    EXPECT_EQ(Load(L"over.xml"), L"File too large");
}

TEST_P(ResourceArchiveTest, NamesOf256BytesOrMoreAreNeverFound)
{
    const std::string longest(251, 'a');
    const std::string tooLong(252, 'b');
    UseArchive({{longest + ".xml", "<Window/>"}, {tooLong + ".xml", "<Window/>"}});
    EXPECT_EQ(Load(std::wstring(longest.begin(), longest.end()) + L".xml"), L"");
    EXPECT_EQ(Load(std::wstring(tooLong.begin(), tooLong.end()) + L".xml"), L"Could not find ziped file");
}

TEST_P(ResourceArchiveTest, DamagedEntryDataCouldNotBeUnzipped)
{
    const std::string text = SkinOfSize(4096);
    UseArchive({{"home.xml", text, false}});
    // The stored entry's bytes follow its 30-byte local header and name; flipping one breaks the CRC.
    const size_t at = m_zip.find("<Window>");
    ASSERT_NE(at, std::string::npos);
    m_zip[at + 100] = 'X';
    if (!GetParam()) {
        m_dir.WriteFile("skin.zip", m_zip);
        CWindowManagerUI::SetSkinArchive(L"", true);
        CWindowManagerUI::SetSkinArchive(L"skin.zip", true);
    }
    EXPECT_EQ(Load(L"home.xml"), L"Could not unzip file");
}

INSTANTIATE_TEST_SUITE_P(FileAndMemory, ResourceArchiveTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Memory" : "File"; });

TEST_F(ResourceSkinFileTest, ArchiveThatCannotBeOpenedFailsEveryLookup)
{
    const std::string zip = restest::MakeZip(m_dir, {{"home.xml", "<Window/>"}});
    struct Case
    {
        const char* label;
        std::string bytes;
    };
    const Case cases[] = {
        {"end record cut off", zip.substr(0, zip.size() - 22)},
        {"half", zip.substr(0, zip.size() / 2)},
        {"not a zip", "<Window/>"},
    };
    for (const Case& c : cases) {
        m_dir.WriteFile("skin.zip", c.bytes);
        CWindowManagerUI::SetSkinArchive(L"", true);
        CWindowManagerUI::SetSkinArchive(L"skin.zip", true);
        EXPECT_EQ(Load(L"home.xml"), L"Error opening zip file") << c.label;
        CWindowManagerUI::SetSkinArchive(L"skin.zip", false);
        EXPECT_EQ(Load(L"home.xml"), L"Error opening zip file") << c.label << ", opened per lookup";
    }
    CWindowManagerUI::SetSkinArchive(L"missing.zip", true);
    EXPECT_EQ(Load(L"home.xml"), L"Error opening zip file");
}

TEST_F(ResourceSkinFileTest, TruncatedArchiveInMemoryFailsToOpen)
{
    const std::string zip = restest::MakeZip(m_dir, {{"home.xml", "<Window/>"}});
    const std::string truncated = zip.substr(0, zip.size() - 22);
    CWindowManagerUI::SetSkinArchiveBytes(truncated.data(), truncated.size());
    EXPECT_EQ(CWindowManagerUI::SkinArchiveHandle(), nullptr);
    EXPECT_EQ(Load(L"home.xml"), L"Error opening zip file");
}

TEST_F(ResourceSkinFileTest, ArchiveOpenedPerLookupSeesTheFileAsItIsThen)
{
    CWindowManagerUI::SetSkinArchive(L"skin.zip", false);
    EXPECT_EQ(Load(L"home.xml"), L"Error opening zip file");
    m_dir.WriteFile("skin.zip", restest::MakeZip(m_dir, {{"home.xml", "<Window/>"}}));
    EXPECT_EQ(Load(L"home.xml"), L"");
}

} // namespace

namespace {

// Rewrites the uncompressed size that the local header and the central directory record of the
// archive's only entry claim.
void ForgeUncompressedSize(std::string& zip, uint32_t size)
{
    auto put = [&zip](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            zip[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    const size_t local = zip.find("PK\x03\x04");
    const size_t central = zip.find("PK\x01\x02");
    ASSERT_NE(local, std::string::npos);
    ASSERT_NE(central, std::string::npos);
    put(local + 22, size);
    put(central + 24, size);
}

TEST_F(ResourceSkinFileTest, ForgedEntrySizesFailWithoutReservingWhatTheyClaim)
{
    struct Case
    {
        uint32_t claimed;
        const wchar_t* error;
    };
    const Case cases[] = {
        {0xFFFFFFF0u, L"File too large"},
        {4194305u, L"File too large"},
        {4194304u, L"Could not unzip file"},
        {0u, L"File is empty"},
    };
    for (const Case& c : cases) {
        std::string zip = restest::MakeZip(m_dir, {{"home.xml", "<Window/>"}});
        ForgeUncompressedSize(zip, c.claimed);
        CWindowManagerUI::SetSkinArchive(L"", true);
        CWindowManagerUI::SetSkinArchiveBytes(zip.data(), zip.size());
        EXPECT_EQ(Load(L"home.xml"), c.error) << c.claimed;
    }
}

TEST_F(ResourceSkinFileTest, ImageEntryClaimingMoreThanItHoldsGivesNoImage)
{
    std::string zip = restest::MakeZip(m_dir, {{"logo.bmp", restest::MakeBmp(2, 2, {})}});
    ForgeUncompressedSize(zip, 512u << 20);
    CWindowManagerUI::SetSkinArchiveBytes(zip.data(), zip.size());
    EXPECT_EQ(SkinUI::LoadImageData(L"logo.bmp", nullptr, 0), nullptr);
}

} // namespace
