#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "platform/System.h"

namespace {

struct LocaleCase
{
    const char* locale;
    uint16_t id;
};

TEST(LanguageId, MapsLocalesToTheirWindowsIds)
{
    const LocaleCase cases[] = {
        // Every language the configuration's language table knows.
        {"en_US.UTF-8", 1033},
        {"zh_CN.UTF-8", 2052},
        {"zh_TW.UTF-8", 1028},
        {"nl_NL.UTF-8", 1043},
        {"fr_FR.UTF-8", 1036},
        {"de_DE.UTF-8", 1031},
        {"it_IT.UTF-8", 1040},
        {"ja_JP.UTF-8", 1041},
        {"es_ES.UTF-8", 3082},
        {"pt_PT.UTF-8", 2070},
        {"ko_KR.UTF-8", 1042},
        {"ar_SA.UTF-8", 1025},
        {"th_TH.UTF-8", 1054},
        {"pl_PL.UTF-8", 1045},
        {"sv_SE.UTF-8", 1053},
        {"ms_MY.UTF-8", 1086},
        {"id_ID.UTF-8", 1057},
        // Regional variants keep their own ids.
        {"pt_BR.UTF-8", 1046},
        {"en_GB.UTF-8", 2057},
        {"fr_CA.UTF-8", 3084},
        {"es_MX", 2058},
        {"zh_HK.UTF-8", 3076},
        {"zh_SG", 4100},
        {"de_AT.UTF-8", 3079},
        {"de_CH", 2055},
        {"ar_EG.UTF-8", 3073},
        {"sv_FI", 2077},
        {"fr_BE@euro", 2060},
        // Bare languages, odd spellings and unknown regions fall back to the primary id.
        {"de", 1031},
        {"pt", 2070},
        {"zh", 2052},
        {"es", 3082},
        {"PT_br.utf8", 1046},
        {"pt-BR", 1046},
        {"de_BE.UTF-8", 1031},
        {"en_XX", 1033},
        {"C", 1033},
        {"POSIX", 1033},
        {"C.UTF-8", 1033},
        {"", 0},
        {"xx_YY", 0},
        {"_BR", 0},
        {".UTF-8", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::LanguageIdFromLocale(c.locale), c.id) << c.locale;
}

// Sets the locale variables for one test and puts the old values back.
class LocaleEnvironment : public ::testing::Test
{
protected:
    static constexpr const char* kNames[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};

    LocaleEnvironment()
    {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
    }
    ~LocaleEnvironment() override
    {
        for (size_t i = 0; i < m_saved.size(); ++i) {
            if (m_saved[i])
                setenv(kNames[i], m_saved[i]->c_str(), 1);
            else
                unsetenv(kNames[i]);
        }
    }

    std::vector<std::optional<std::string>> m_saved;
};

TEST_F(LocaleEnvironment, TheFirstVariableNamingAKnownLanguageDecides)
{
    EXPECT_EQ(plat::GetUserDefaultUILanguage(), 1033);
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(plat::GetUserDefaultUILanguage(), 1031);
    setenv("LC_MESSAGES", "fr_CA.UTF-8", 1);
    EXPECT_EQ(plat::GetUserDefaultUILanguage(), 3084);
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(plat::GetUserDefaultUILanguage(), 1041);
    setenv("LANGUAGE", "pt_BR:pt:en", 1);
    EXPECT_EQ(plat::GetUserDefaultUILanguage(), 1046);
    setenv("LANGUAGE", "", 1);
    EXPECT_EQ(plat::GetUserDefaultUILanguage(), 1041);
    setenv("LANGUAGE", "xx:de", 1);
    EXPECT_EQ(plat::GetUserDefaultUILanguage(), 1041);
}

} // namespace
