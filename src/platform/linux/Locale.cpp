#include <cstdlib>
#include <string_view>

#include "platform/System.h"

namespace plat {

namespace {
struct LocaleId
{
    std::string_view name;
    uint16_t id;
};

// A bare language names its primary variant; language_REGION names a Windows id of its own.
constexpr LocaleId kLocaleIds[] = {
    {"c", 1033},      {"posix", 1033},  {"en", 1033},     {"en_US", 1033},  {"en_GB", 2057},
    {"en_AU", 3081},  {"en_CA", 4105},  {"en_NZ", 5129},  {"en_IE", 6153},  {"en_ZA", 7177},
    {"en_JM", 8201},  {"en_BZ", 10249}, {"en_TT", 11273}, {"en_ZW", 12297}, {"en_PH", 13321},
    {"en_IN", 16393}, {"en_MY", 17417}, {"en_SG", 18441}, {"zh", 2052},     {"zh_CN", 2052},
    {"zh_TW", 1028},  {"zh_HK", 3076},  {"zh_SG", 4100},  {"zh_MO", 5124},  {"nl", 1043},
    {"nl_NL", 1043},  {"nl_BE", 2067},  {"fr", 1036},     {"fr_FR", 1036},  {"fr_BE", 2060},
    {"fr_CA", 3084},  {"fr_CH", 4108},  {"fr_LU", 5132},  {"fr_MC", 6156},  {"de", 1031},
    {"de_DE", 1031},  {"de_CH", 2055},  {"de_AT", 3079},  {"de_LU", 4103},  {"de_LI", 5127},
    {"it", 1040},     {"it_IT", 1040},  {"it_CH", 2064},  {"ja", 1041},     {"ja_JP", 1041},
    {"es", 3082},     {"es_ES", 3082},  {"es_MX", 2058},  {"es_GT", 4106},  {"es_CR", 5130},
    {"es_PA", 6154},  {"es_DO", 7178},  {"es_VE", 8202},  {"es_CO", 9226},  {"es_PE", 10250},
    {"es_AR", 11274}, {"es_EC", 12298}, {"es_CL", 13322}, {"es_UY", 14346}, {"es_PY", 15370},
    {"es_BO", 16394}, {"es_SV", 17418}, {"es_HN", 18442}, {"es_NI", 19466}, {"es_PR", 20490},
    {"es_US", 21514}, {"pt", 2070},     {"pt_PT", 2070},  {"pt_BR", 1046},  {"ko", 1042},
    {"ko_KR", 1042},  {"ar", 1025},     {"ar_SA", 1025},  {"ar_IQ", 2049},  {"ar_EG", 3073},
    {"ar_LY", 4097},  {"ar_DZ", 5121},  {"ar_MA", 6145},  {"ar_TN", 7169},  {"ar_OM", 8193},
    {"ar_YE", 9217},  {"ar_SY", 10241}, {"ar_JO", 11265}, {"ar_LB", 12289}, {"ar_KW", 13313},
    {"ar_AE", 14337}, {"ar_BH", 15361}, {"ar_QA", 16385}, {"th", 1054},     {"th_TH", 1054},
    {"pl", 1045},     {"pl_PL", 1045},  {"sv", 1053},     {"sv_SE", 1053},  {"sv_FI", 2077},
    {"ms", 1086},     {"ms_MY", 1086},  {"ms_BN", 2110},  {"id", 1057},     {"id_ID", 1057},
    {"ru", 1049},     {"ru_RU", 1049},  {"uk", 1058},     {"uk_UA", 1058},  {"tr", 1055},
    {"tr_TR", 1055},  {"cs", 1029},     {"cs_CZ", 1029},  {"da", 1030},     {"da_DK", 1030},
    {"fi", 1035},     {"fi_FI", 1035},  {"el", 1032},     {"el_GR", 1032},  {"he", 1037},
    {"he_IL", 1037},  {"hu", 1038},     {"hu_HU", 1038},  {"nb", 1044},     {"nb_NO", 1044},
    {"no", 1044},     {"nn", 2068},     {"nn_NO", 2068},  {"ro", 1048},     {"ro_RO", 1048},
    {"sk", 1051},     {"sk_SK", 1051},  {"vi", 1066},     {"vi_VN", 1066},  {"hi", 1081},
    {"hi_IN", 1081},  {"ca", 1027},     {"ca_ES", 1027},  {"bg", 1026},     {"bg_BG", 1026},
    {"hr", 1050},     {"hr_HR", 1050},  {"sl", 1060},     {"sl_SI", 1060},  {"et", 1061},
    {"et_EE", 1061},  {"lv", 1062},     {"lv_LV", 1062},  {"lt", 1063},     {"lt_LT", 1063},
    {"fa", 1065},     {"fa_IR", 1065},
};

uint16_t Lookup(std::string_view name)
{
    for (const auto& entry : kLocaleIds) {
        if (entry.name == name)
            return entry.id;
    }
    return 0;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
} // namespace

uint16_t LanguageIdFromLocale(const std::string& locale)
{
    // "pt_BR.UTF-8@euro": the codeset and the modifier say nothing about the language.
    std::string_view text = locale;
    text = text.substr(0, text.find_first_of(".@"));
    const size_t cut = text.find_first_of("_-");
    std::string language;
    for (char c : text.substr(0, cut))
        language += Lower(c);
    if (language.empty())
        return 0;
    if (cut != std::string_view::npos) {
        std::string full = language + "_";
        for (char c : text.substr(cut + 1))
            full += Upper(c);
        if (const uint16_t id = Lookup(full))
            return id;
    }
    return Lookup(language);
}

uint16_t GetUserDefaultUILanguage()
{
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value)
            continue;
        std::string text = value;
        // LANGUAGE is a list of preferences; its first entry is the one the user put first.
        text = text.substr(0, text.find(':'));
        if (const uint16_t id = LanguageIdFromLocale(text))
            return id;
    }
    return 1033;
}

} // namespace plat
