#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/InstallEnvironment.h"
#include "config/LanguageManager.h"
#include "log/Log.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/TempDir.h"

// The configuration the build stages (17 languages with banners), branded onto a stub program by
// setup-pack, unpacked again through the program's own start-up.
namespace {

struct ShippedLanguage
{
    const char* locale;
    const char* folder;
};

const ShippedLanguage kLanguages[] = {
    {"en_US", "English"},    {"zh_CN", "Chinese"},    {"zh_TW", "ChineseTW"}, {"nl_NL", "Dutch"},
    {"fr_FR", "French"},     {"de_DE", "German"},     {"it_IT", "Italian"},   {"ja_JP", "Japanese"},
    {"es_ES", "Spanish"},    {"pt_PT", "Portuguese"}, {"ko_KR", "Korean"},    {"ar_SA", "Arabic"},
    {"th_TH", "Thai"},       {"pl_PL", "Polish"},     {"sv_SE", "Swedish"},   {"ms_MY", "Malaysian"},
    {"id_ID", "Indonesian"},
};

class ScopedEnv
{
public:
    explicit ScopedEnv(const char* name) : m_name(name)
    {
        if (const char* value = std::getenv(name))
            m_saved = value, m_had = true;
    }
    ~ScopedEnv()
    {
        if (m_had)
            setenv(m_name, m_saved.c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_saved;
    bool m_had = false;
};

int RunShell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ShippedConfiguration, EveryLanguageReadsBackThroughTheBrandedProgram)
{
    sktest::TempDir dir;
    dir.WriteFile("skin/main.xml", "<Window size=\"650,420\"/>");
    const std::string program = dir.Child("Valtrix-Setup.exe");
    ASSERT_EQ(RunShell(std::string(SETUP_PACK_PATH) + " --stub " + SETUP_PACK_STUB_PATH + " --skin " +
                       dir.Child("skin") + " --config " + SHIPPED_CONFIG_DIR + " --domain xx_yy --icon " +
                       SHIPPED_CONFIG_DIR + "/English/pr_1.png --version 1.0.0.1 --output " + program +
                       " >/dev/null"),
              0);

    ScopedEnv language("LANGUAGE");
    plat::test::SetModulePath(plat::Utf8ToWide(program));
    plat::test::SetProgramFilesFolder(dir.WChild("opt"));
    for (const ShippedLanguage& shipped : kLanguages) {
        SCOPED_TRACE(shipped.folder);
        setenv("LANGUAGE", shipped.locale, 1);
        logtest::ResetLog();
        envtest::ResetInitEnvironment();
        LanguageManager languages;
        CInstallEnvironment environment(languages);
        environment.InitEnvironment();
        environment.LoadDomainFile();

        EXPECT_EQ(plat::WideToUtf8(languages.GetLanguageFolder()), shipped.folder);
        EXPECT_EQ(languages.IsRightToLeft(), std::string(shipped.folder) == "Arabic");
        EXPECT_EQ(languages.GetProductName(), L"Valtrix Norvane");
        EXPECT_EQ(languages.GetDomainCode(), L"xx_yy");
        // Every text comes from the language's own file, placeholders replaced.
        const std::wstring source =
            plat::Utf8ToWide(std::string(SHIPPED_CONFIG_DIR) + "/" + shipped.folder + "/text.ini");
        for (const auto& [key, english] : DefaultStringTable()) {
            const std::wstring text = languages.GetString(key);
            EXPECT_FALSE(text.empty()) << plat::WideToUtf8(key);
            EXPECT_EQ(text.find(L"PRODUCT"), std::wstring::npos) << plat::WideToUtf8(key);
            EXPECT_EQ(text.find(L"BRAND"), std::wstring::npos) << plat::WideToUtf8(key);
            const std::wstring raw = plat::GetProfileString(source, L"LANSTR", key, L"", 4096);
            if (!raw.empty() && raw.find(L"PRODUCT") == std::wstring::npos &&
                raw.find(L"BRAND") == std::wstring::npos && raw.find(L"COLOR") == std::wstring::npos) {
                EXPECT_EQ(text, raw) << plat::WideToUtf8(key);
            }
        }
        EXPECT_NE(languages.GetString(L"STR_LISENCE").find(L"{c #337BDD}"), std::wstring::npos);
        EXPECT_NE(languages.GetLicenceUrl().find(L"&custom=xx_yy"), std::wstring::npos);
        const std::string unpacked =
            dir.Child("opt/valtrix_down/Valtrix-Setup/language/") + shipped.folder + "/pr_5.png";
        EXPECT_TRUE(std::filesystem::is_regular_file(unpacked));
    }
    logtest::ResetLog();
    envtest::ResetInitEnvironment();
    plat::test::SetProgramFilesFolder(L"");
    plat::test::SetModulePath(L"");
}

} // namespace
