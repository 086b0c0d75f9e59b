#include <gtest/gtest.h>

#include <filesystem>

#include "platform/System.h"
#include "support/TempDir.h"

namespace {

const wchar_t* const kMakerKey = L"SOFTWARE\\WOW6432Node\\Valtrix";
const wchar_t* const kClientKey = L"SOFTWARE\\WOW6432Node\\Valtrix\\ValtrixDown";

class RegistryStore : public ::testing::Test
{
protected:
    RegistryStore() { plat::test::SetRegistryRoot(m_dir.WChild("store")); }
    ~RegistryStore() override { plat::test::SetRegistryRoot(L""); }

    sktest::TempDir m_dir;
};

TEST_F(RegistryStore, ReportsWhetherAKeyWasCreatedOrOpened)
{
    plat::RegKey key;
    uint32_t disposition = 0;
    ASSERT_EQ(plat::RegCreateKey(plat::RegRoot::kLocalMachine, kMakerKey, key, &disposition),
              plat::kReg_Success);
    EXPECT_EQ(disposition, plat::kReg_CreatedNewKey);
    ASSERT_EQ(plat::RegCreateKey(plat::RegRoot::kLocalMachine, kClientKey, key, &disposition),
              plat::kReg_Success);
    EXPECT_EQ(disposition, plat::kReg_CreatedNewKey);
    ASSERT_EQ(plat::RegCreateKey(plat::RegRoot::kLocalMachine, kClientKey, key, &disposition),
              plat::kReg_Success);
    EXPECT_EQ(disposition, plat::kReg_OpenedExistingKey);
    // Key names ignore case, as on Windows.
    ASSERT_EQ(plat::RegCreateKey(plat::RegRoot::kLocalMachine, L"software\\wow6432node\\VALTRIX\\valtrixdown",
                                 key, &disposition),
              plat::kReg_Success);
    EXPECT_EQ(disposition, plat::kReg_OpenedExistingKey);
}

TEST_F(RegistryStore, StoresStringValuesAndFindsThemAgain)
{
    plat::RegKey key;
    ASSERT_EQ(plat::RegCreateKey(plat::RegRoot::kLocalMachine, kClientKey, key, nullptr), plat::kReg_Success);
    const std::wstring id = L"0A1B2C3D-4E5F-4a7b-8C9D-0E1F2A3B4C5D";
    ASSERT_EQ(plat::RegSetString(key, L"GUID", id), plat::kReg_Success);
    ASSERT_EQ(plat::RegSetString(key, L"Name", L"Valtrix \u00FC\u4E2D"), plat::kReg_Success);
    ASSERT_EQ(plat::RegSetString(key, L"", L"default value"), plat::kReg_Success);
    ASSERT_EQ(plat::RegSetString(key, L"@", L"at sign"), plat::kReg_Success);

    plat::RegKey reopened;
    ASSERT_EQ(plat::RegOpenKey(plat::RegRoot::kLocalMachine, kClientKey, reopened), plat::kReg_Success);
    std::wstring value;
    EXPECT_EQ(plat::RegQueryString(reopened, L"guid", value, 2048), plat::kReg_Success);
    EXPECT_EQ(value, id);
    EXPECT_EQ(plat::RegQueryString(reopened, L"Name", value, 2048), plat::kReg_Success);
    EXPECT_EQ(value, L"Valtrix \u00FC\u4E2D");
    EXPECT_EQ(plat::RegQueryString(reopened, L"", value, 2048), plat::kReg_Success);
    EXPECT_EQ(value, L"default value");
    EXPECT_EQ(plat::RegQueryString(reopened, L"@", value, 2048), plat::kReg_Success);
    EXPECT_EQ(value, L"at sign");
    EXPECT_EQ(plat::RegQueryString(reopened, L"Missing", value, 2048), plat::kReg_FileNotFound);

    ASSERT_EQ(plat::RegSetString(key, L"GUID", L"replaced"), plat::kReg_Success);
    EXPECT_EQ(plat::RegQueryString(reopened, L"GUID", value, 2048), plat::kReg_Success);
    EXPECT_EQ(value, L"replaced");
}

TEST_F(RegistryStore, AValueLongerThanTheBufferGivesMoreData)
{
    plat::RegKey key;
    ASSERT_EQ(plat::RegCreateKey(plat::RegRoot::kLocalMachine, kClientKey, key, nullptr), plat::kReg_Success);
    ASSERT_EQ(plat::RegSetString(key, L"GUID", std::wstring(36, L'A')), plat::kReg_Success);
    std::wstring value;
    EXPECT_EQ(plat::RegQueryString(key, L"GUID", value, 74), plat::kReg_Success); // 37 UTF-16 units
    EXPECT_EQ(plat::RegQueryString(key, L"GUID", value, 73), plat::kReg_MoreData);
    EXPECT_TRUE(value.empty());
}

TEST_F(RegistryStore, MissingKeysAndUnopenedHandlesFail)
{
    plat::RegKey key;
    EXPECT_EQ(plat::RegOpenKey(plat::RegRoot::kLocalMachine, kClientKey, key), plat::kReg_FileNotFound);
    EXPECT_FALSE(key.IsOpen());
    std::wstring value;
    EXPECT_EQ(plat::RegQueryString(key, L"GUID", value, 2048), plat::kReg_FileNotFound);
    EXPECT_NE(plat::RegSetString(key, L"GUID", L"x"), plat::kReg_Success);
}

TEST_F(RegistryStore, AFileInThePlaceOfTheStoreMakesCreationFail)
{
    m_dir.WriteFile("blocked", "not a folder");
    plat::test::SetRegistryRoot(m_dir.WChild("blocked"));
    plat::RegKey key;
    EXPECT_NE(plat::RegCreateKey(plat::RegRoot::kLocalMachine, kClientKey, key, nullptr), plat::kReg_Success);
    EXPECT_FALSE(key.IsOpen());
}

TEST_F(RegistryStore, OverLongNamesFailCleanly)
{
    plat::RegKey key;
    EXPECT_NE(plat::RegCreateKey(plat::RegRoot::kLocalMachine, std::wstring(5000, L'k'), key, nullptr),
              plat::kReg_Success);
    EXPECT_FALSE(key.IsOpen());
    ASSERT_EQ(plat::RegCreateKey(plat::RegRoot::kLocalMachine, kClientKey, key, nullptr), plat::kReg_Success);
    EXPECT_NE(plat::RegSetString(key, std::wstring(5000, L'v'), L"x"), plat::kReg_Success);
    std::wstring value;
    EXPECT_EQ(plat::RegQueryString(key, std::wstring(5000, L'v'), value, 2048), plat::kReg_FileNotFound);
}

TEST_F(RegistryStore, KeyNamesNeverLeaveTheStore)
{
    plat::RegKey key;
    ASSERT_EQ(plat::RegCreateKey(plat::RegRoot::kLocalMachine, L"..\\..\\escaped\\a/b", key, nullptr),
              plat::kReg_Success);
    ASSERT_EQ(plat::RegSetString(key, L"../../value", L"x"), plat::kReg_Success);
    EXPECT_FALSE(std::filesystem::exists(m_dir.Child("escaped")));
    EXPECT_FALSE(std::filesystem::exists(m_dir.Child("value")));
    const std::string root = m_dir.Child("store") + "/HKLM/";
    EXPECT_EQ(key.Folder().compare(0, root.size(), root), 0) << key.Folder();
    std::wstring value;
    EXPECT_EQ(plat::RegQueryString(key, L"../../value", value, 2048), plat::kReg_Success);
}

TEST_F(RegistryStore, CurrentUserKeysBelongToTheDesktopUser)
{
    plat::RegKey machine;
    plat::RegKey user;
    ASSERT_EQ(plat::RegCreateKey(plat::RegRoot::kLocalMachine, kClientKey, machine, nullptr),
              plat::kReg_Success);
    ASSERT_EQ(plat::RegCreateKey(plat::RegRoot::kCurrentUser, kClientKey, user, nullptr), plat::kReg_Success);
    ASSERT_EQ(plat::RegSetString(machine, L"GUID", L"machine"), plat::kReg_Success);
    std::wstring value;
    EXPECT_EQ(plat::RegQueryString(user, L"GUID", value, 2048), plat::kReg_FileNotFound);
    const std::string userRoot =
        m_dir.Child("store") + "/HKCU/" + std::to_string(plat::GetDesktopSession().uid) + "/";
    EXPECT_EQ(user.Folder().compare(0, userRoot.size(), userRoot), 0) << user.Folder();
}

} // namespace
