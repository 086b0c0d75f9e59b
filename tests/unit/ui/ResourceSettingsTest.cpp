#include <gtest/gtest.h>

#include <string>

#include "ResourceTestSupport.h"
#include "platform/Resources.h"
#include "ui/core/WindowManager.h"
#include "ui/core/XmlDocument.h"

namespace {

using SkinUI::CWindowManagerUI;

class ResourceSettingsTest : public restest::ResourceTest
{
};

TEST_F(ResourceSettingsTest, ResourceFolderEndsInOneSeparator)
{
    struct Case
    {
        const wchar_t* given;
        const wchar_t* kept;
    };
    const Case cases[] = {
        {L"/opt/product/", L"/opt/product/"},
        {L"skin\\", L"skin\\"},
        {L"/opt/product", L"/opt/product/"},
        {L"skin", L"skin/"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        CWindowManagerUI::SetResourceFolder(c.given);
        EXPECT_STREQ(CWindowManagerUI::ResourceFolder().GetData(), c.kept) << c.given;
    }
}

TEST_F(ResourceSettingsTest, ProgramFolderIsTheModuleFolderOnceAnInstanceIsSet)
{
    EXPECT_TRUE(CWindowManagerUI::ProgramFolder().IsEmpty());
    plat::test::SetModulePath(L"/opt/valtrix/setup-2.exe");
    CWindowManagerUI::SetProgramInstance(plat::GetModuleResources());
    EXPECT_STREQ(CWindowManagerUI::ProgramFolder().GetData(), L"/opt/valtrix/");
    EXPECT_EQ(CWindowManagerUI::ResourceModule(), CWindowManagerUI::ProgramInstance());
    plat::test::SetModulePath(L"");
}

TEST_F(ResourceSettingsTest, SkinArchiveIsHeldOpenOnlyWhenAsked)
{
    m_dir.WriteFile("skin.zip", restest::MakeZip(m_dir, {{"main.xml", "<Window/>"}}));
    CWindowManagerUI::SetSkinArchive(L"skin.zip", true);
    EXPECT_STREQ(CWindowManagerUI::SkinArchiveName().GetData(), L"skin.zip");
    EXPECT_NE(CWindowManagerUI::SkinArchiveHandle(), nullptr);

    CWindowManagerUI::SetSkinArchive(L"skin.zip", false);
    EXPECT_FALSE(CWindowManagerUI::SkinArchiveKeptOpen());
    EXPECT_EQ(CWindowManagerUI::SkinArchiveHandle(), nullptr);

    CWindowManagerUI::SetSkinArchive(L"missing.zip", true);
    EXPECT_EQ(CWindowManagerUI::SkinArchiveHandle(), nullptr);
}

TEST_F(ResourceSettingsTest, SecondArchiveInMemoryLeavesTheFirstInForce)
{
    const std::string first = restest::MakeZip(m_dir, {{"home.xml", "<Window name=\"first\"/>"}});
    const std::string second = restest::MakeZip(m_dir, {{"home.xml", "<Window name=\"second\"/>"}});
    CWindowManagerUI::SetSkinArchiveBytes(first.data(), first.size());
    CWindowManagerUI::SetSkinArchiveBytes(second.data(), second.size());
    EXPECT_STREQ(CWindowManagerUI::SkinArchiveName().GetData(), L"membuffer");

    SkinUI::CXmlDocument doc;
    ASSERT_TRUE(doc.LoadSkinFile(L"home.xml", SkinUI::XmlEncoding::Utf8));
    EXPECT_STREQ(doc.Root().FindAttributeValue(L"name"), L"first");
}

TEST_F(ResourceSettingsTest, ArchiveInMemoryIsReadEvenWhenNotKeptOpen)
{
    CWindowManagerUI::SetSkinArchive(L"", false);
    const std::string zip = restest::MakeZip(m_dir, {{"home.xml", "<Window/>"}});
    CWindowManagerUI::SetSkinArchiveBytes(zip.data(), zip.size());
    EXPECT_EQ(CWindowManagerUI::SkinArchiveHandle(), nullptr);

    SkinUI::CXmlDocument doc;
    EXPECT_TRUE(doc.LoadSkinFile(L"home.xml", SkinUI::XmlEncoding::Utf8)) << doc.LastError();
}

} // namespace
