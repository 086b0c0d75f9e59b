#include "config/LanguageManager.h"

#include "config/SystemServices.h"
#include "log/Log.h"
#include "platform/Types.h"

namespace {

const wchar_t kDefaultBrandName[] = L"Valtrix";

std::wstring Lookup(const LanguageManager::Table& table, const std::wstring& key)
{
    const auto found = table.find(key);
    return found == table.end() ? std::wstring() : found->second;
}

} // namespace

const std::map<std::wstring, std::wstring>& DefaultStringTable()
{
    static const std::map<std::wstring, std::wstring> table = {
        {L"STR_INSTALL", L"Install"},
        {L"STR_BROWSE", L"Browse"},
        {L"STR_LISENCE", L"I've read and agreed to {c COLOR}BRAND License Agreement{/c}"},
        {L"STR_CUSTOMIZE_INSTALL", L"Customize Installation"},
        {L"STR_INSTALL_PATH", L"Installation Path"},
        {L"STR_SELECT_FOLDER", L"Select a location to install the program"},
        {L"STR_STORAGE", L"Insuficient storage. Storage required:"},
        {L"STR_PATH_INVALID", L"The installation path is invalid."},
        {L"STR_INSTALLING", L"Installing..."},
        {L"STR_HIDE", L"Hide"},
        {L"STR_MESSAGEBOX_TITLE", L"PRODUCT Setup"},
        {L"STR_NETWORK_ERROR", L"Network error. Please check your network settings."},
        {L"STR_OPERATE_TIP",
         L"Click Abort to cancel installation, Retry to try again, or Ignore to download via browser."},
        {L"STR_SOFT_RUN",
         L"PRODUCT is running. Continuing installation will forcely quit the program. Are you "
         L"sure to install?"},
        {L"STR_CLOSE_TIP1", L"Are you sure you want to quit?"},
        {L"STR_CLOSE_TIP2", L"Installation is in progress. Are you sure you want to quit?"},
        {L"STR_START", L"Start\u00A0Now"},
        {L"STR_MB", L"MB"},
    };
    return table;
}

std::wstring AppendDomainCode(const std::wstring& url, const std::wstring& code)
{
    if (url.empty())
        return std::wstring();
    if (code.empty() || url.find(L"key=") == std::wstring::npos)
        return url;
    return url + L"&custom=" + code;
}

void LanguageManager::Initialize(const std::wstring& configFolder)
{
    m_domainCode.clear();
    m_rightToLeft = false;
    m_strings.clear();
    m_urls.clear();
    m_product.clear();
    m_configFolder = configFolder;
    if (!m_configFolder.empty() && m_configFolder.back() != plat::kPathSeparator &&
        m_configFolder.back() != plat::kForeignSeparator)
        m_configFolder += plat::kPathSeparator;

    InitCurrentLanguage();
    LoadProductInfo();
    LoadUrlInfo();
    // Last, because the placeholders take their values from the product facts.
    LoadStrings();
}

void LanguageManager::InitCurrentLanguage()
{
    m_languageFolder = L"English";
    const std::wstring languageId = GetUiLanguageId();
    LOG_INFO("Language Code:%s", WideToNarrow(languageId).c_str());

    const std::wstring folder = ReadIniString(m_configFolder + L"language.ini", L"Language", languageId);
    if (!folder.empty())
        m_languageFolder = folder;
    m_rightToLeft = m_languageFolder == L"Arabic";
}

void LanguageManager::LoadProductInfo()
{
    ReadIniSection(m_configFolder + L"productInfo.ini", L"PRODUCT", m_product);
}

void LanguageManager::LoadUrlInfo()
{
    ReadIniSection(LanguageFile(L"UrlInfo.ini"), L"URL", m_urls);
}

void LanguageManager::LoadStrings()
{
    m_strings = DefaultStringTable();
    ReadIniSection(LanguageFile(L"text.ini"), L"LANSTR", m_strings);

    const std::wstring productName = GetProductName();
    const std::wstring licenceColor = GetLicenceColor();
    const std::wstring brandName = GetBrandName();
    for (auto& [key, text] : m_strings) {
        std::wstring replaced = ReplaceAll(text, L"PRODUCT", productName);
        replaced = ReplaceAll(replaced, L"COLOR", licenceColor);
        text = ReplaceAll(replaced, L"BRAND", brandName);
    }
}

std::wstring LanguageManager::GetString(const std::wstring& key) const
{
    return Lookup(m_strings, key);
}

std::wstring LanguageManager::GetProductValue(const std::wstring& key) const
{
    return Lookup(m_product, key);
}

std::wstring LanguageManager::GetUrlValue(const std::wstring& key) const
{
    return Lookup(m_urls, key);
}

std::wstring LanguageManager::GetProductName() const
{
    return GetProductValue(L"STR_PRODUCT_NAME");
}

std::wstring LanguageManager::GetBrandName() const
{
    const std::wstring brand = GetProductValue(L"STR_BRAND_NAME");
    return brand.empty() ? kDefaultBrandName : brand;
}

std::wstring LanguageManager::GetLicenceColor() const
{
    return GetProductValue(L"STR_LISENCE_COLOR");
}

std::wstring LanguageManager::GetGaTitle() const
{
    return GetProductValue(L"STR_GA_TTTLE");
}

std::wstring LanguageManager::GetGaHost() const
{
    return GetProductValue(L"STR_GA_HOST");
}

std::wstring LanguageManager::GetExeName() const
{
    return GetProductValue(L"STR_EXE_NAME");
}

std::wstring LanguageManager::GetInstallSubFolder() const
{
    std::wstring folder;
    for (const wchar_t* key : {L"STR_DIR1_NAME", L"STR_DIR2_NAME"}) {
        const std::wstring part = GetProductValue(key);
        if (!part.empty())
            folder += part + plat::kPathSeparator;
    }
    return folder;
}

std::wstring LanguageManager::GetExeRelativePath() const
{
    return GetInstallSubFolder() + GetExeName();
}

std::wstring LanguageManager::GetDownloadUrl() const
{
    return GetUrlValue(IsOs64Bit() ? L"STR_DOWN_URL_X64" : L"STR_DOWN_URL");
}

std::wstring LanguageManager::GetLicenceUrl() const
{
    return AppendDomainCode(GetUrlValue(L"STR_LICENCE_URL"), m_domainCode);
}

std::wstring LanguageManager::GetInstallUrl() const
{
    return AppendDomainCode(GetUrlValue(L"STR_INSTALL_URL"), m_domainCode);
}

bool LanguageManager::IsRunAsAdmin() const
{
    return GetProductValue(L"STR_RUN_AS_ADMIN") != L"0";
}

std::wstring LanguageManager::LanguageFile(const wchar_t* name) const
{
    return m_configFolder + m_languageFolder + plat::kPathSeparator + name;
}
