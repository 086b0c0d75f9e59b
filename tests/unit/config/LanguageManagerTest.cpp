#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "config/LanguageManager.h"
#include "config/SystemServices.h"
#include "log/Log.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

const fs::path kShippedConfig =
    fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path() / "assets" / "config";

const wchar_t kShippedProductInfo[] = L"[PRODUCT]\n"
                                      L"STR_GA_TTTLE=Valtrix Norvane\n"
                                      L"STR_PRODUCT_NAME=Valtrix Norvane\n"
                                      L"STR_DIR1_NAME=Valtrix\n"
                                      L"STR_DIR2_NAME=Valtrix Norvane\n"
                                      L"STR_EXE_NAME=Norvane.exe\n"
                                      L"STR_LISENCE_COLOR=#337BDD\n"
                                      L"STR_BRAND_NAME=Valtrix\n"
                                      L"STR_RUN_AS_ADMIN=1\n";

// Sets the UI language through the locale variables the platform reads, and puts them back.
class ScopedUiLocale
{
public:
    explicit ScopedUiLocale(const char* locale)
    {
        for (size_t i = 0; i < kNames.size(); ++i) {
            if (const char* value = std::getenv(kNames[i]))
                m_saved[i] = value;
            unsetenv(kNames[i]);
        }
        if (locale)
            setenv("LANGUAGE", locale, 1);
    }
    ~ScopedUiLocale()
    {
        for (size_t i = 0; i < kNames.size(); ++i) {
            if (m_saved[i])
                setenv(kNames[i], m_saved[i]->c_str(), 1);
            else
                unsetenv(kNames[i]);
        }
    }
    ScopedUiLocale(const ScopedUiLocale&) = delete;
    ScopedUiLocale& operator=(const ScopedUiLocale&) = delete;

private:
    static constexpr std::array<const char*, 4> kNames = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::array<std::optional<std::string>, 4> m_saved;
};

// The bytes the packer stores for a profile file: UTF-16LE with a byte-order mark.
std::string ToUtf16LeWithBom(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    auto put = [&bytes](uint32_t unit) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    };
    for (wchar_t c : text) {
        const uint32_t code = static_cast<uint32_t>(c);
        if (code > 0xFFFF) {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put(code);
        }
    }
    return bytes;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool IsProfileConvertedByThePacker(const fs::path& path)
{
    const std::string name = path.filename().string();
    return name == "productInfo.ini" || name == "text.ini" || name == "UrlInfo.ini";
}

// An unpacked configuration folder in a temporary folder; the log goes there too.
class LanguageManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plat::test::SetModulePath(m_dir.WChild("bin/setup.exe"));
        logtest::ResetLog();
        InitLog(L"valtrix_down.log", m_dir.WChild("Log").c_str());
    }
    void TearDown() override
    {
        logtest::ResetLog();
        plat::test::SetModulePath(L"");
    }

    // Writes a profile file below the configuration folder as the packer would store it.
    void WriteProfile(const std::string& name, const std::wstring& text) const
    {
        m_dir.WriteFile("language/" + name, ToUtf16LeWithBom(text));
    }
    void WriteLanguageTable(const std::string& text) const { m_dir.WriteFile("language/language.ini", text); }

    // Copies the shipped sources, converting the profile files the way the packer does.
    void UnpackShippedConfiguration() const
    {
        for (const auto& entry : fs::recursive_directory_iterator(kShippedConfig)) {
            if (!entry.is_regular_file() || entry.path().extension() != ".ini")
                continue;
            const std::string name = fs::relative(entry.path(), kShippedConfig).string();
            const std::string bytes = ReadBytes(entry.path());
            m_dir.WriteFile("language/" + name, IsProfileConvertedByThePacker(entry.path())
                                                    ? ToUtf16LeWithBom(plat::Utf8ToWide(bytes))
                                                    : bytes);
        }
    }

    void Load(const char* locale = "en_US.UTF-8")
    {
        ScopedUiLocale uiLocale(locale);
        m_manager.Initialize(m_dir.WChild("language") + L"/");
    }

    std::string LogText() const { return m_dir.ReadFile("Log/valtrix_down.log"); }

    sktest::TempDir m_dir;
    LanguageManager m_manager;
};

TEST(LanguageManagerDefaults, BeforeLoadingItIsEnglishWithNoDomainAndFixedShares)
{
    const LanguageManager manager;
    EXPECT_EQ(manager.GetLanguageFolder(), L"English");
    EXPECT_EQ(manager.GetDomainCode(), L"");
    EXPECT_FALSE(manager.IsRightToLeft());
    EXPECT_EQ(manager.GetString(L"STR_INSTALL"), L"");
    EXPECT_EQ(manager.GetDownloadShare(), 50);
    EXPECT_EQ(manager.GetProgressPollPeriod(), 1500);
}

TEST(LanguageManagerDefaults, BuiltInTableIsEnglishWithANoBreakSpaceInStartNow)
{
    const auto& table = DefaultStringTable();
    EXPECT_EQ(table.size(), 18u);
    EXPECT_EQ(table.at(L"STR_START"), L"Start\u00A0Now");
    EXPECT_EQ(table.at(L"STR_STORAGE"), L"Insuficient storage. Storage required:");
    EXPECT_EQ(table.at(L"STR_LISENCE"), L"I've read and agreed to {c COLOR}BRAND License Agreement{/c}");
    EXPECT_EQ(table.at(L"STR_MB"), L"MB");
}

TEST_F(LanguageManagerTest, UiLanguageChoosesTheFolderListedForItsId)
{
    UnpackShippedConfiguration();
    const struct
    {
        const char* locale;
        const char* id;
        const wchar_t* folder;
        bool rightToLeft;
    } cases[] = {
        {"en_US.UTF-8", "1033", L"English", false},
        {"pt_BR.UTF-8", "1046", L"English", false}, // Brazilian Portuguese has no row of its own
        {"es_ES.UTF-8", "3082", L"Spanish", false},
        {"ar_SA.UTF-8", "1025", L"Arabic", true},
        {"de_CH.UTF-8", "2055", L"English", false},
    };
    for (const auto& c : cases) {
        Load(c.locale);
        EXPECT_EQ(m_manager.GetLanguageFolder(), c.folder) << c.locale;
        EXPECT_EQ(m_manager.IsRightToLeft(), c.rightToLeft) << c.locale;
        EXPECT_NE(LogText().find(std::string("Language Code:") + c.id), std::string::npos) << c.locale;
    }
}

TEST_F(LanguageManagerTest, ShippedLanguageTableHasNoRowForBrazilianPortugueseOrTraditionalSpanish)
{
    // No locale name maps to 1034, so the table itself shows that such a UI falls back to English.
    const std::wstring table = (kShippedConfig / "language.ini").wstring();
    EXPECT_EQ(ReadIniString(table, L"Language", L"1034"), L"");
    EXPECT_EQ(ReadIniString(table, L"Language", L"1046"), L"");
    EXPECT_EQ(ReadIniString(table, L"Language", L"3082"), L"Spanish");
}

TEST_F(LanguageManagerTest, MissingArchiveGivesEnglishDefaultsWithTheDefaultBrand)
{
    Load("ar_SA.UTF-8");
    EXPECT_EQ(m_manager.GetLanguageFolder(), L"English");
    EXPECT_FALSE(m_manager.IsRightToLeft());
    EXPECT_EQ(m_manager.GetString(L"STR_MESSAGEBOX_TITLE"), L" Setup");
    EXPECT_EQ(m_manager.GetString(L"STR_LISENCE"),
              L"I've read and agreed to {c }Valtrix License Agreement{/c}");
    EXPECT_EQ(m_manager.GetProductName(), L"");
    EXPECT_EQ(m_manager.GetInstallSubFolder(), L"");
    EXPECT_EQ(m_manager.GetDownloadUrl(), L"");
    EXPECT_EQ(m_manager.GetLicenceUrl(), L"");
    EXPECT_TRUE(m_manager.IsRunAsAdmin());
}

TEST_F(LanguageManagerTest, FolderNamedInTheTableIsUsedEvenWhenItHoldsNothing)
{
    WriteLanguageTable("[Language]\n1031=German\n");
    WriteProfile("productInfo.ini", kShippedProductInfo);
    Load("de_DE.UTF-8");
    EXPECT_EQ(m_manager.GetLanguageFolder(), L"German");
    EXPECT_EQ(m_manager.GetString(L"STR_INSTALL"), L"Install");
    EXPECT_EQ(m_manager.GetString(L"STR_MESSAGEBOX_TITLE"), L"Valtrix Norvane Setup");
}

TEST_F(LanguageManagerTest, PartialTextKeepsTheEnglishDefaultsForTheOtherKeys)
{
    WriteProfile("productInfo.ini", kShippedProductInfo);
    WriteProfile("English/text.ini", L"[LANSTR]\nSTR_INSTALL=Go\nSTR_HIDE = Tuck away\n");
    Load();
    EXPECT_EQ(m_manager.GetString(L"STR_INSTALL"), L"Go");
    EXPECT_EQ(m_manager.GetString(L"STR_HIDE"), L"Tuck away");
    EXPECT_EQ(m_manager.GetString(L"STR_BROWSE"), L"Browse");
    EXPECT_EQ(m_manager.GetString(L"STR_START"), L"Start\u00A0Now");
    EXPECT_EQ(m_manager.GetString(L"STR_LISENCE"),
              L"I've read and agreed to {c #337BDD}Valtrix License Agreement{/c}");
    EXPECT_EQ(m_manager.GetString(L"STR_MESSAGEBOX_TITLE"), L"Valtrix Norvane Setup");
}

TEST_F(LanguageManagerTest, KeysOutsideTheDefaultsStayAndCanBeLookedUp)
{
    WriteProfile("English/text.ini", L"[LANSTR]\nSTR_EXTRA=More\nstr_install=lower\n");
    Load();
    EXPECT_EQ(m_manager.GetString(L"STR_EXTRA"), L"More");
    // Keys are case-sensitive: the lower-case one is a key of its own.
    EXPECT_EQ(m_manager.GetString(L"str_install"), L"lower");
    EXPECT_EQ(m_manager.GetString(L"STR_INSTALL"), L"Install");
    EXPECT_EQ(m_manager.GetString(L"STR_MISSING"), L"");
}

TEST_F(LanguageManagerTest, EveryOccurrenceOfAPlaceholderIsReplaced)
{
    WriteProfile("productInfo.ini", kShippedProductInfo);
    WriteProfile("English/text.ini", L"[LANSTR]\n"
                                     L"STR_TWICE=PRODUCT and PRODUCT\n"
                                     L"STR_PLURAL=PRODUCTS\n"
                                     L"STR_ALL={c COLOR}BRAND{/c} BRAND PRODUCT COLOR\n"
                                     L"STR_LOWER=product brand color\n");
    Load();
    EXPECT_EQ(m_manager.GetString(L"STR_TWICE"), L"Valtrix Norvane and Valtrix Norvane");
    EXPECT_EQ(m_manager.GetString(L"STR_PLURAL"), L"Valtrix NorvaneS");
    EXPECT_EQ(m_manager.GetString(L"STR_ALL"), L"{c #337BDD}Valtrix{/c} Valtrix Valtrix Norvane #337BDD");
    EXPECT_EQ(m_manager.GetString(L"STR_LOWER"), L"product brand color");
}

TEST_F(LanguageManagerTest, EmptyBrandNameGivesValtrix)
{
    WriteProfile("productInfo.ini", L"[PRODUCT]\nSTR_PRODUCT_NAME=Norvane\nSTR_BRAND_NAME=\n");
    Load();
    EXPECT_EQ(m_manager.GetBrandName(), L"Valtrix");
    EXPECT_EQ(m_manager.GetString(L"STR_LISENCE"),
              L"I've read and agreed to {c }Valtrix License Agreement{/c}");
}

TEST_F(LanguageManagerTest, ProductFactsComeFromProductInfo)
{
    WriteProfile("productInfo.ini", std::wstring(kShippedProductInfo) + L"STR_GA_HOST=ga.example.test\n");
    Load();
    EXPECT_EQ(m_manager.GetProductName(), L"Valtrix Norvane");
    EXPECT_EQ(m_manager.GetGaTitle(), L"Valtrix Norvane");
    EXPECT_EQ(m_manager.GetGaHost(), L"ga.example.test");
    EXPECT_EQ(m_manager.GetLicenceColor(), L"#337BDD");
    EXPECT_EQ(m_manager.GetExeName(), L"Norvane.exe");
    EXPECT_EQ(m_manager.GetInstallSubFolder(), L"Valtrix/Valtrix Norvane/");
    EXPECT_EQ(m_manager.GetExeRelativePath(), L"Valtrix/Valtrix Norvane/Norvane.exe");
    EXPECT_EQ(m_manager.GetProductValue(L"STR_DIR1_NAME"), L"Valtrix");
}

TEST_F(LanguageManagerTest, InstallSubFolderLeavesOutEmptyParts)
{
    const struct
    {
        const wchar_t* dirs;
        const wchar_t* subFolder;
    } cases[] = {
        {L"STR_DIR1_NAME=A\nSTR_DIR2_NAME=B\n", L"A/B/"},
        {L"STR_DIR1_NAME=\nSTR_DIR2_NAME=B\n", L"B/"},
        {L"STR_DIR1_NAME=A\n", L"A/"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        WriteProfile("productInfo.ini", std::wstring(L"[PRODUCT]\nSTR_EXE_NAME=N.exe\n") + c.dirs);
        Load();
        EXPECT_EQ(m_manager.GetInstallSubFolder(), c.subFolder) << c.dirs;
        EXPECT_EQ(m_manager.GetExeRelativePath(), std::wstring(c.subFolder) + L"N.exe") << c.dirs;
    }
}

TEST_F(LanguageManagerTest, RunAsAdminIsFalseOnlyForExactlyZero)
{
    const struct
    {
        const wchar_t* line;
        bool runAsAdmin;
    } cases[] = {
        {L"STR_RUN_AS_ADMIN=0\n", false}, {L"STR_RUN_AS_ADMIN=00\n", true}, {L"STR_RUN_AS_ADMIN=no\n", true},
        {L"STR_RUN_AS_ADMIN=1\n", true},  {L"STR_RUN_AS_ADMIN=\n", true},   {L"", true},
    };
    for (const auto& c : cases) {
        WriteProfile("productInfo.ini", std::wstring(L"[PRODUCT]\n") + c.line);
        Load();
        EXPECT_EQ(m_manager.IsRunAsAdmin(), c.runAsAdmin) << c.line;
    }
}

TEST(DomainCode, IsAppendedOnlyToNonEmptyUrlsWithAKeyQuery)
{
    const struct
    {
        const wchar_t* url;
        const wchar_t* code;
        const wchar_t* result;
    } cases[] = {
        {L"http://h/producturl?key=installed&pid=216", L"xx_yy",
         L"http://h/producturl?key=installed&pid=216&custom=xx_yy"},
        {L"http://h/producturl?key=installed&pid=216", L"", L"http://h/producturl?key=installed&pid=216"},
        {L"http://h/producturl?pid=216", L"xx_yy", L"http://h/producturl?pid=216"},
        {L"http://h/producturl?KEY=installed", L"xx_yy", L"http://h/producturl?KEY=installed"},
        {L"", L"xx_yy", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppendDomainCode(c.url, c.code), c.result) << c.url << " / " << c.code;
}

TEST_F(LanguageManagerTest, LandingUrlsCarryTheDomainCodeWhenTheyHaveAKeyQuery)
{
    WriteProfile("English/UrlInfo.ini",
                 L"[URL]\n"
                 L"STR_LICENCE_URL=http://h/producturl?key=license_agreement&pid=216&lang=English\n"
                 L"STR_INSTALL_URL=http://h/landing?pid=216\n");
    Load();
    EXPECT_EQ(m_manager.GetLicenceUrl(), L"http://h/producturl?key=license_agreement&pid=216&lang=English");
    m_manager.SetDomainCode(L"xx_yy");
    EXPECT_EQ(m_manager.GetDomainCode(), L"xx_yy");
    EXPECT_EQ(m_manager.GetLicenceUrl(),
              L"http://h/producturl?key=license_agreement&pid=216&lang=English&custom=xx_yy");
    EXPECT_EQ(m_manager.GetInstallUrl(), L"http://h/landing?pid=216");
}

TEST_F(LanguageManagerTest, DownloadUrlFollowsTheWordSizeWithoutFallback)
{
    const bool is64 = IsOs64Bit();
    WriteProfile("English/UrlInfo.ini",
                 L"[URL]\nSTR_DOWN_URL=http://h/x86.exe\nSTR_DOWN_URL_X64=http://h/x64.exe\n");
    Load();
    EXPECT_EQ(m_manager.GetDownloadUrl(), is64 ? L"http://h/x64.exe" : L"http://h/x86.exe");

    WriteProfile("English/UrlInfo.ini", is64 ? L"[URL]\nSTR_DOWN_URL=http://h/x86.exe\n"
                                             : L"[URL]\nSTR_DOWN_URL_X64=http://h/x64.exe\n");
    Load();
    EXPECT_EQ(m_manager.GetDownloadUrl(), L"");
}

TEST_F(LanguageManagerTest, InitializeAgainForgetsTheEarlierTablesAndDomain)
{
    WriteProfile("productInfo.ini", L"[PRODUCT]\nSTR_EXE_NAME=Old.exe\n");
    WriteProfile("English/UrlInfo.ini", L"[URL]\nSTR_DOWN_URL_X64=http://h/old\nSTR_DOWN_URL=http://h/old\n");
    Load();
    m_manager.SetDomainCode(L"xx_yy");
    std::filesystem::remove_all(m_dir.Child("language"));
    Load();
    EXPECT_EQ(m_manager.GetExeName(), L"");
    EXPECT_EQ(m_manager.GetDownloadUrl(), L"");
    EXPECT_EQ(m_manager.GetDomainCode(), L"");
}

struct ShippedLanguage
{
    const char* folder;
    const char* locale;
};

const ShippedLanguage kShippedLanguages[] = {
    {"English", "en_US.UTF-8"},    {"Chinese", "zh_CN.UTF-8"},    {"ChineseTW", "zh_TW.UTF-8"},
    {"Dutch", "nl_NL.UTF-8"},      {"French", "fr_FR.UTF-8"},     {"German", "de_DE.UTF-8"},
    {"Italian", "it_IT.UTF-8"},    {"Japanese", "ja_JP.UTF-8"},   {"Spanish", "es_ES.UTF-8"},
    {"Portuguese", "pt_PT.UTF-8"}, {"Korean", "ko_KR.UTF-8"},     {"Arabic", "ar_SA.UTF-8"},
    {"Thai", "th_TH.UTF-8"},       {"Polish", "pl_PL.UTF-8"},     {"Swedish", "sv_SE.UTF-8"},
    {"Malaysian", "ms_MY.UTF-8"},  {"Indonesian", "id_ID.UTF-8"},
};

TEST_F(LanguageManagerTest, EveryShippedLanguageDefinesEveryTextInItsOwnWords)
{
    UnpackShippedConfiguration();
    LanguageManager english;
    {
        ScopedUiLocale uiLocale("en_US.UTF-8");
        english.Initialize(m_dir.WChild("language") + L"/");
    }
    ASSERT_EQ(english.GetLanguageFolder(), L"English");

    for (const ShippedLanguage& language : kShippedLanguages) {
        SCOPED_TRACE(language.folder);
        const std::wstring folder = plat::Utf8ToWide(language.folder);
        Load(language.locale);
        ASSERT_EQ(m_manager.GetLanguageFolder(), folder);
        EXPECT_EQ(m_manager.IsRightToLeft(), folder == L"Arabic");

        // The file itself names every key (English leaves out STR_MB).
        std::map<std::wstring, std::wstring> file;
        ReadIniSection(m_dir.WChild("language/" + std::string(language.folder) + "/text.ini"), L"LANSTR",
                       file);
        for (const auto& [key, englishText] : DefaultStringTable()) {
            SCOPED_TRACE(plat::WideToUtf8(key));
            const bool expectedInFile = !(folder == L"English" && key == L"STR_MB");
            EXPECT_EQ(file.count(key), expectedInFile ? 1u : 0u);

            const std::wstring text = m_manager.GetString(key);
            EXPECT_FALSE(text.empty());
            for (const wchar_t* placeholder : {L"PRODUCT", L"BRAND", L"COLOR"})
                EXPECT_EQ(text.find(placeholder), std::wstring::npos);
            if (englishText.find(L"PRODUCT") != std::wstring::npos) {
                EXPECT_NE(text.find(L"Valtrix Norvane"), std::wstring::npos);
            }
            if (folder != L"English" && key != L"STR_MB") {
                EXPECT_NE(text, english.GetString(key));
            }
        }
        const std::wstring licence = m_manager.GetString(L"STR_LISENCE");
        const size_t open = licence.find(L"{c #337BDD}");
        const size_t close = licence.find(L"{/c}");
        ASSERT_NE(open, std::wstring::npos);
        ASSERT_NE(close, std::wstring::npos);
        EXPECT_LT(open, close);
        EXPECT_NE(licence.substr(open, close - open).find(L"Valtrix"), std::wstring::npos);
        // The button never wraps between the words of Start Now.
        EXPECT_EQ(m_manager.GetString(L"STR_START").find(L' '), std::wstring::npos);

        const std::wstring lang = folder == L"Arabic" ? L"arabic" : folder;
        EXPECT_EQ(m_manager.GetUrlValue(L"STR_LICENCE_URL"),
                  L"http://127.0.0.1:47801/producturl?key=license_agreement&pid=216&lang=" + lang);
        EXPECT_EQ(m_manager.GetUrlValue(L"STR_INSTALL_URL"),
                  L"http://127.0.0.1:47801/producturl?key=installed&pid=216&lang=" + lang);
        EXPECT_EQ(m_manager.GetDownloadUrl(), L"http://127.0.0.1:47801/Norvane/valtrix-norvane.exe");
        EXPECT_EQ(m_manager.GetUrlValue(L"STR_DOWN_URL"), m_manager.GetUrlValue(L"STR_DOWN_URL_X64"));
    }
}

TEST_F(LanguageManagerTest, ArabicLicenceLineListsTheColouredRunFirst)
{
    UnpackShippedConfiguration();
    Load("ar_SA.UTF-8");
    // Runs are placed left to right, so the end of the sentence (the licence name) comes first.
    const std::wstring licence = m_manager.GetString(L"STR_LISENCE");
    EXPECT_EQ(licence.rfind(L"{c #337BDD}", 0), 0u);
    EXPECT_EQ(licence.find(L"{c #337BDD}Valtrix"), std::wstring::npos);
}

TEST_F(LanguageManagerTest, ShippedProductFactsGiveTheDocumentedTexts)
{
    UnpackShippedConfiguration();
    Load();
    EXPECT_EQ(m_manager.GetString(L"STR_MESSAGEBOX_TITLE"), L"Valtrix Norvane Setup");
    EXPECT_EQ(m_manager.GetString(L"STR_LISENCE"),
              L"I've read and agreed to {c #337BDD}Valtrix License Agreement{/c}");
    EXPECT_EQ(m_manager.GetInstallSubFolder(), L"Valtrix/Valtrix Norvane/");
    EXPECT_EQ(m_manager.GetExeName(), L"Norvane.exe");
    EXPECT_EQ(m_manager.GetGaTitle(), L"Valtrix Norvane");
    EXPECT_EQ(m_manager.GetGaHost(), L"");
    EXPECT_TRUE(m_manager.IsRunAsAdmin());
}

} // namespace
