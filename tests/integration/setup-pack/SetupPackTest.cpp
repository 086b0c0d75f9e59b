#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "config/Archive.h"
#include "config/InstallEnvironment.h"
#include "config/LanguageManager.h"
#include "log/Log.h"
#include "platform/Resources.h"
#include "platform/System.h"
#include "support/TempDir.h"

namespace {

struct RunResult
{
    int exitCode = -1;
    std::string output; // standard output and standard error together
};

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args)
{
    std::string command = Quote(program);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    command += " 2>&1";
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// A 1 x 1 PNG (only its header is looked at).
const std::string kPng = std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0", 29);

// A stub program, a skin and a configuration in a temporary folder.
class SetupPackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir.WriteFile("skin/main.xml", "<Window size=\"650,420\"/>");
        m_dir.WriteFile("skin/img/logo.png", kPng);
        m_dir.WriteFile("config/language.ini", "[Language]\r\n1033=English\r\n1041=Japanese\r\n");
        m_dir.WriteFile("config/productInfo.ini", "[PRODUCT]\r\nSTR_PRODUCT_NAME=Valtrix Norvane\r\n");
        m_dir.WriteFile("config/English/text.ini", "[LANSTR]\r\nSTR_INSTALL=Install\r\n");
        m_dir.WriteFile("config/English/UrlInfo.ini", "[URL]\r\nSTR_DOWN_URL=http://127.0.0.1/x.exe\r\n");
        m_dir.WriteFile("config/English/pr_1.png", kPng);
        m_dir.WriteFile("config/Japanese/text.ini",
                        "\xef\xbb\xbf[LANSTR]\r\nSTR_INSTALL=\xe3\x82\xa4\xf0\x9f\x98\x80\r\n");
        m_dir.WriteFile("icon.png", kPng);
        std::filesystem::create_directories(m_dir.Child("out"));
    }

    std::vector<std::string> Args(const std::string& output = "") const
    {
        return {"--stub",    SETUP_PACK_STUB_PATH,
                "--skin",    m_dir.Child("skin"),
                "--config",  m_dir.Child("config"),
                "--domain",  "xx_yy",
                "--icon",    m_dir.Child("icon.png"),
                "--version", "1.2.3.4",
                "--output",  output.empty() ? m_dir.Child("out/Valtrix-Setup.exe") : output};
    }
    static std::vector<std::string> With(std::vector<std::string> args, const std::string& option,
                                         const std::string& value)
    {
        for (size_t i = 0; i + 1 < args.size(); ++i) {
            if (args[i] == option)
                args[i + 1] = value;
        }
        return args;
    }
    // Files in the output folder (to see that nothing half-written stays behind).
    std::vector<std::string> OutputFolder() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.Child("out")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    sktest::TempDir m_dir;
};

TEST_F(SetupPackTest, HelpDocumentsEveryArgument)
{
    const RunResult result = RunProgram(SETUP_PACK_PATH, {"--help"});
    EXPECT_EQ(result.exitCode, 0);
    for (const char* option : {"--stub", "--skin", "--config", "--domain", "--icon", "--version", "--output"})
        EXPECT_NE(result.output.find(option), std::string::npos) << option;
}

TEST_F(SetupPackTest, BrandedProgramRunsAndFindsItsResources)
{
    m_dir.WriteFile("out/keep", "x");
    const RunResult pack = RunProgram(SETUP_PACK_PATH, Args());
    ASSERT_EQ(pack.exitCode, 0) << pack.output;
    const RunResult branded = RunProgram(m_dir.Child("out/Valtrix-Setup.exe"), {});
    EXPECT_EQ(branded.exitCode, 0);
    for (const char* line : {"ZIPRES 104 ", "10 105 ", "10 106 7\n", "14 101 ", "3 1 ", "16 1 "})
        EXPECT_NE(branded.output.find(line), std::string::npos) << line << " in\n" << branded.output;
    EXPECT_EQ(OutputFolder(), (std::vector<std::string>{"Valtrix-Setup.exe", "keep"}));
    uint32_t ms = 0, ls = 0;
    ASSERT_TRUE(plat::GetFileVersion(m_dir.WChild("out/Valtrix-Setup.exe"), ms, ls));
    EXPECT_EQ(ms, 0x00010002u);
    EXPECT_EQ(ls, 0x00030004u);
}

std::string ResourceBytes(plat::ModuleHandle module, const plat::ResourceId& name,
                          const plat::ResourceId& type)
{
    plat::ResourceHandle found = plat::FindResource(module, name, type);
    if (!found)
        return {};
    return std::string(static_cast<const char*>(plat::LockResource(plat::LoadResource(module, found))),
                       plat::SizeofResource(module, found));
}

TEST_F(SetupPackTest, ConfigurationUnpacksWithProfilesInUtf16AndLanguageIniNarrow)
{
    ASSERT_EQ(RunProgram(SETUP_PACK_PATH, Args()).exitCode, 0);
    plat::ModuleHandle module = plat::LoadResourceModule(m_dir.WChild("out/Valtrix-Setup.exe"));
    const std::string config =
        ResourceBytes(module, plat::ResourceId(uint16_t{105}), plat::ResourceId(plat::kResourceType_RcData));
    EXPECT_EQ(
        ResourceBytes(module, plat::ResourceId(uint16_t{106}), plat::ResourceId(plat::kResourceType_RcData)),
        "xx_yy\r\n");
    ASSERT_TRUE(ExtractArchiveToFolder(config.data(), config.size(), m_dir.WChild("unpacked")));
    EXPECT_EQ(m_dir.ReadFile("unpacked/language.ini"), "[Language]\r\n1033=English\r\n1041=Japanese\r\n");
    EXPECT_EQ(m_dir.ReadFile("unpacked/English/UrlInfo.ini").substr(0, 8),
              std::string("\xff\xfe[\0U\0R\0", 8));
    // The byte-order mark of the UTF-8 source is dropped; U+1F600 becomes a surrogate pair.
    EXPECT_EQ(
        m_dir.ReadFile("unpacked/Japanese/text.ini"),
        std::string("\xff\xfe[\0L\0A\0N\0S\0T\0R\0]\0\r\0\n\0S\0T\0R\0_\0I\0N\0S\0T\0A\0L\0L\0=\0\xa4\x30"
                    "\x3d\xd8\x00\xde\r\0\n\0",
                    56));
    EXPECT_EQ(m_dir.ReadFile("unpacked/English/pr_1.png"), kPng);
    EXPECT_EQ(plat::GetProfileString(m_dir.WChild("unpacked/productInfo.ini"), L"PRODUCT",
                                     L"STR_PRODUCT_NAME", L"", 256),
              L"Valtrix Norvane");
}

TEST_F(SetupPackTest, BrandedProgramSetsUpItsEnvironmentFromItsOwnResources)
{
    ASSERT_EQ(RunProgram(SETUP_PACK_PATH, Args()).exitCode, 0);
    const char* language = std::getenv("LANGUAGE");
    const std::string savedLanguage = language ? language : "";
    plat::test::SetModulePath(m_dir.WChild("out/Valtrix-Setup.exe"));
    plat::test::SetProgramFilesFolder(m_dir.WChild("opt"));
    const std::pair<const char*, std::wstring> cases[] = {
        {"en_US", L"Install"},
        {"ja_JP", L"\u30a4\U0001F600"},
    };
    for (const auto& [locale, install] : cases) {
        setenv("LANGUAGE", locale, 1);
        logtest::ResetLog();
        envtest::ResetInitEnvironment();
        LanguageManager languages;
        CInstallEnvironment environment(languages);
        environment.InitEnvironment();
        environment.LoadDomainFile();
        EXPECT_EQ(languages.GetString(L"STR_INSTALL"), install) << locale;
        EXPECT_EQ(languages.GetProductName(), L"Valtrix Norvane");
        EXPECT_EQ(languages.GetDomainCode(), L"xx_yy");
    }
    EXPECT_EQ(m_dir.ReadFile("opt/valtrix_down/Valtrix-Setup/language/English/pr_1.png"), kPng);
    logtest::ResetLog();
    envtest::ResetInitEnvironment();
    plat::test::SetProgramFilesFolder(L"");
    plat::test::SetModulePath(L"");
    if (language)
        setenv("LANGUAGE", savedLanguage.c_str(), 1);
    else
        unsetenv("LANGUAGE");
}

TEST_F(SetupPackTest, ArchivesListEveryFolderBeforeItsFiles)
{
    ASSERT_EQ(RunProgram(SETUP_PACK_PATH, Args()).exitCode, 0);
    plat::ModuleHandle module = plat::LoadResourceModule(m_dir.WChild("out/Valtrix-Setup.exe"));
    const std::string skin =
        ResourceBytes(module, plat::ResourceId(uint16_t{104}), plat::ResourceId(L"ZIPRES"));
    // Unpacking needs the folder entry first: a file without its folder would not be written.
    ASSERT_TRUE(ExtractArchiveToFolder(skin.data(), skin.size(), m_dir.WChild("skin-unpacked")));
    EXPECT_EQ(m_dir.ReadFile("skin-unpacked/img/logo.png"), kPng);
    EXPECT_EQ(m_dir.ReadFile("skin-unpacked/main.xml"), "<Window size=\"650,420\"/>");
}

TEST_F(SetupPackTest, PackingAnAlreadyBrandedProgramReplacesItsResources)
{
    ASSERT_EQ(RunProgram(SETUP_PACK_PATH, Args()).exitCode, 0);
    const std::vector<std::string> again =
        With(With(Args(m_dir.Child("out/second.exe")), "--stub", m_dir.Child("out/Valtrix-Setup.exe")),
             "--domain", "");
    ASSERT_EQ(RunProgram(SETUP_PACK_PATH, again).exitCode, 0);
    const RunResult branded = RunProgram(m_dir.Child("out/second.exe"), {});
    EXPECT_EQ(branded.output.find("10 106"), std::string::npos) << branded.output;
    EXPECT_NE(branded.output.find("10 105"), std::string::npos) << branded.output;
}

TEST_F(SetupPackTest, RefusesBadInputWithAClearMessageAndWritesNothing)
{
    m_dir.WriteFile("out/Valtrix-Setup.exe", "previous output");
    m_dir.WriteFile("emptyconfig/language.ini", "");
    m_dir.WriteFile("longconfig/" + std::string(240, 'n') + ".png", kPng);
    m_dir.WriteFile("badutf8/productInfo.ini", "[PRODUCT]\r\nX=\xc3\r\n");
    m_dir.WriteFile("notanicon.txt", "text");
    m_dir.WriteFile("file", "x");
    std::filesystem::create_directories(m_dir.Child("afolder"));
    const std::string dir = m_dir.Path();
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {With(Args(), "--skin", dir + "/missing"), "is not a folder"},
        {With(Args(), "--config", dir + "/missing"), "is not a folder"},
        {With(Args(), "--stub", dir + "/missing"), "does not exist"},
        {With(Args(), "--icon", dir + "/afolder"), "is not a regular file"},
        {With(Args(), "--icon", dir + "/notanicon.txt"), "neither an .ico nor a .png"},
        {With(Args(), "--domain", std::string(253, 'd')), "at most 254"},
        {With(Args(), "--domain", "a\nb"), "control characters"},
        {With(Args(), "--version", "1.2.3"), "is not four numbers"},
        {With(Args(), "--version", "1.2.3.65536"), "is not four numbers"},
        {With(Args(), "--version", "1.2.3.4x"), "is not four numbers"},
        {With(Args(), "--config", dir + "/emptyconfig"), "is empty"},
        {With(Args(), "--config", dir + "/longconfig"), "too long"},
        {With(Args(), "--config", dir + "/badutf8"), "is not UTF-8"},
        {With(Args(), "--output", dir + "/file/setup.exe"), "cannot write"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult result = RunProgram(SETUP_PACK_PATH, args);
        EXPECT_EQ(result.exitCode, 1) << result.output;
        EXPECT_NE(result.output.find("setup-pack: error: "), std::string::npos) << result.output;
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
    }
    EXPECT_EQ(m_dir.ReadFile("out/Valtrix-Setup.exe"), "previous output");
    EXPECT_EQ(OutputFolder(), std::vector<std::string>{"Valtrix-Setup.exe"});
}

TEST_F(SetupPackTest, UsageErrorsExitWithTwo)
{
    const std::vector<std::string> cases[] = {
        {},
        {"--stub"},
        {"--bogus", "x"},
        {"--stub", "a", "--stub", "b"},
    };
    for (const std::vector<std::string>& args : cases) {
        const RunResult result = RunProgram(SETUP_PACK_PATH, args);
        EXPECT_EQ(result.exitCode, 2) << result.output;
        EXPECT_NE(result.output.find("setup-pack: error: "), std::string::npos) << result.output;
    }
}

} // namespace
