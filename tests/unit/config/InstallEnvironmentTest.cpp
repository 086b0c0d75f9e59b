#include <gtest/gtest.h>

#include <cstdlib>

#include "config/Archive.h"
#include "config/InstallEnvironment.h"
#include "config/LanguageManager.h"
#include "log/Log.h"
#include "platform/Resources.h"
#include "platform/System.h"
#include "support/TempDir.h"

namespace {

std::string Utf16(const std::wstring& text)
{
    std::string out = "\xff\xfe";
    for (wchar_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return out;
}

std::string ConfigArchive()
{
    CZipBuilder zip;
    zip.AddFile("language.ini", "[Language]\r\n1033=English\r\n1041=Japanese\r\n");
    zip.AddFile("productInfo.ini",
                Utf16(L"[PRODUCT]\r\nSTR_PRODUCT_NAME=Valtrix Norvane\r\nSTR_BRAND_NAME=Valtrix\r\n"));
    zip.AddFolder("English");
    zip.AddFile("English/text.ini", Utf16(L"[LANSTR]\r\nSTR_INSTALL=Install PRODUCT\r\n"));
    zip.AddFile("English/UrlInfo.ini",
                Utf16(L"[URL]\r\nSTR_LICENCE_URL=http://127.0.0.1/producturl?key=license_agreement\r\n"));
    zip.AddFolder("Japanese");
    zip.AddFile("Japanese/text.ini",
                Utf16(L"[LANSTR]\r\nSTR_INSTALL=\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb\r\n"));
    std::string bytes;
    EXPECT_TRUE(zip.Finish(bytes));
    return bytes;
}

// A setup program named Valtrix-Setup.exe whose program-files folder is below a temporary folder.
class InstallEnvironmentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plat::test::SetProgramFilesFolder(m_dir.WChild("opt"));
        plat::test::SetModulePath(m_dir.WChild("bin/Valtrix-Setup.exe"));
        logtest::ResetLog();
        envtest::ResetInitEnvironment();
        const char* language = std::getenv("LANGUAGE");
        m_savedLanguage = language ? language : "";
        m_hadLanguage = language != nullptr;
        setenv("LANGUAGE", "en_US", 1);
    }
    void TearDown() override
    {
        if (m_hadLanguage)
            setenv("LANGUAGE", m_savedLanguage.c_str(), 1);
        else
            unsetenv("LANGUAGE");
        envtest::ResetInitEnvironment();
        logtest::ResetLog();
        plat::test::SetModulePath(L"");
        plat::test::SetProgramFilesFolder(L"");
    }

    void WriteProgram(const std::vector<plat::Resource>& resources)
    {
        std::string program = "stub program bytes";
        ASSERT_TRUE(plat::AttachResources(program, resources));
        m_dir.WriteFile("bin/Valtrix-Setup.exe", program);
    }
    static plat::Resource RcData(uint16_t id, const std::string& bytes)
    {
        return {plat::ResourceId(plat::kResourceType_RcData), plat::ResourceId(id), bytes};
    }
    std::string WorkChild(const std::string& name) const { return "opt/valtrix_down/Valtrix-Setup/" + name; }
    bool Exists(const std::string& name) const
    {
        return plat::GetFileAttributes(m_dir.WChild(name)) != plat::kInvalidFileAttributes;
    }
    std::string Log() const
    {
        return Exists(WorkChild("Log/valtrix_down.log")) ? m_dir.ReadFile(WorkChild("Log/valtrix_down.log"))
                                                         : "";
    }

    sktest::TempDir m_dir;
    std::string m_savedLanguage;
    bool m_hadLanguage = false;
};

TEST_F(InstallEnvironmentTest, UnpacksTheArchiveIntoTheWorkingFolderAndLoadsTheLanguage)
{
    WriteProgram({RcData(105, ConfigArchive())});
    LanguageManager languages;
    CInstallEnvironment environment(languages);
    environment.InitEnvironment();
    EXPECT_EQ(environment.WorkFolder(), m_dir.WChild(WorkChild("")));
    EXPECT_TRUE(Exists(WorkChild("language/English/text.ini")));
    EXPECT_TRUE(Exists(WorkChild("language/Japanese/text.ini")));
    EXPECT_EQ(languages.GetString(L"STR_INSTALL"), L"Install Valtrix Norvane");
    EXPECT_EQ(languages.GetLanguageFolder(), L"English");
    const std::string log = Log();
    EXPECT_NE(log.find("LoadResZipFile"), std::string::npos) << log;
    EXPECT_NE(log.find("Language Code:1033"), std::string::npos) << log;
}

TEST_F(InstallEnvironmentTest, UsesTheLanguageOfTheUser)
{
    setenv("LANGUAGE", "ja_JP", 1);
    WriteProgram({RcData(105, ConfigArchive())});
    LanguageManager languages;
    CInstallEnvironment environment(languages);
    environment.InitEnvironment();
    EXPECT_EQ(languages.GetLanguageFolder(), L"Japanese");
    EXPECT_EQ(languages.GetString(L"STR_INSTALL"), L"\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb");
    EXPECT_NE(Log().find("Language Code:1041"), std::string::npos);
}

TEST_F(InstallEnvironmentTest, RunsOncePerProcess)
{
    WriteProgram({RcData(105, ConfigArchive())});
    LanguageManager first;
    CInstallEnvironment(first).InitEnvironment();
    m_dir.WriteFile("opt/valtrix_down/Valtrix-Setup/language/language.ini", "changed");
    LanguageManager second;
    CInstallEnvironment again(second);
    again.InitEnvironment();
    EXPECT_EQ(m_dir.ReadFile(WorkChild("language/language.ini")), "changed");
    EXPECT_EQ(second.GetString(L"STR_INSTALL"), L"");
}

TEST_F(InstallEnvironmentTest, ProgramWithoutArchiveStartsWithTheEnglishDefaults)
{
    WriteProgram({RcData(106, "xx_yy\r\n")});
    LanguageManager languages;
    CInstallEnvironment environment(languages);
    environment.InitEnvironment();
    EXPECT_EQ(languages.GetLanguageFolder(), L"English");
    EXPECT_EQ(languages.GetString(L"STR_INSTALL"), L"Install");
    EXPECT_NE(Log().find("ERR:the program carries no configuration archive"), std::string::npos);
}

TEST_F(InstallEnvironmentTest, DamagedArchiveStartsWithTheEnglishDefaults)
{
    const std::string archive = ConfigArchive();
    WriteProgram({RcData(105, archive.substr(0, archive.size() / 2))});
    LanguageManager languages;
    CInstallEnvironment environment(languages);
    environment.InitEnvironment();
    EXPECT_EQ(languages.GetString(L"STR_INSTALL"), L"Install");
    EXPECT_NE(Log().find("ERR:"), std::string::npos);
}

TEST_F(InstallEnvironmentTest, DomainCodeLosesItsCrLfPairsOnly)
{
    const std::pair<std::string, std::wstring> cases[] = {
        {"xx_yy\r\n", L"xx_yy"},           {"xx_yy\n", L"xx_yy\n"},
        {"xx_yy\r", L"xx_yy\r"},           {"a\r\r\nb\r\n", L"a\rb"},
        {std::string("ab\0cd", 5), L"ab"}, {std::string(300, 'd'), std::wstring(254, L'd')},
    };
    for (const auto& [resource, expected] : cases) {
        WriteProgram({RcData(106, resource)});
        LanguageManager languages;
        CInstallEnvironment environment(languages);
        environment.InitEnvironment();
        environment.LoadDomainFile();
        EXPECT_EQ(languages.GetDomainCode(), expected) << resource;
        envtest::ResetInitEnvironment();
    }
    const std::string log = Log();
    EXPECT_NE(log.find("LoadDomainFile"), std::string::npos);
    EXPECT_NE(log.find("Domain:xx_yy\r\n"), std::string::npos);
    EXPECT_NE(log.find("ERR:domain code of 300 bytes cut to 254"), std::string::npos);
}

TEST_F(InstallEnvironmentTest, ProgramWithoutDomainResourceHasAnEmptyDomainCode)
{
    WriteProgram({RcData(105, ConfigArchive())});
    LanguageManager languages;
    CInstallEnvironment environment(languages);
    environment.InitEnvironment();
    environment.LoadDomainFile();
    EXPECT_EQ(languages.GetDomainCode(), L"");
    EXPECT_NE(Log().find("Domain:"), std::string::npos);
}

} // namespace
