#include <gtest/gtest.h>

#include "platform/System.h"

namespace {

TEST(OsProductName, IsThePrettyNameOfOsRelease)
{
    const struct
    {
        const char* text;
        const wchar_t* name;
    } cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
         L"Debian GNU/Linux 12 (bookworm)"},
        {"PRETTY_NAME='Single quoted'\n", L"Single quoted"},
        {"PRETTY_NAME=Unquoted\r\n", L"Unquoted"},
        {"PRETTY_NAME=\"Say \\\"hi\\\"\"", L"Say \"hi\""},
        {"# PRETTY_NAME=\"comment\"\nXPRETTY_NAME=x\n", L""},
        {"NAME=only\n", L""},
        {"", L""},
        {"PRETTY_NAME=\"\xC3\xA9t\xC3\xA9\"", L"\u00E9t\u00E9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::OsProductNameFromOsRelease(c.text), c.name) << c.text;
}

TEST(ProcessorArchitecture, MapsMachineNamesToWindowsNumbers)
{
    const struct
    {
        const char* machine;
        int architecture;
    } cases[] = {
        {"x86_64", 9}, {"amd64", 9},        {"ia64", 6},  {"aarch64", 12},  {"arm64", 12},
        {"i386", 0},   {"i486", 0},         {"i586", 0},  {"i686", 0},      {"armv7l", 5},
        {"arm", 5},    {"riscv64", 0xFFFF}, {"", 0xFFFF}, {"i786", 0xFFFF}, {"x86", 0xFFFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::ProcessorArchitectureFromMachine(c.machine), c.architecture) << c.machine;
}

TEST(ProcessorArchitecture, TheNativeOneIsKnownOnThisMachine)
{
    EXPECT_NE(plat::GetNativeProcessorArchitecture(), plat::kProcessorArchitecture_Unknown);
}

} // namespace
