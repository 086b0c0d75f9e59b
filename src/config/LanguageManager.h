#pragma once

#include <map>
#include <string>

// The built-in English texts, used wherever the language folder's text.ini has no entry.
const std::map<std::wstring, std::wstring>& DefaultStringTable();

// The URL with "&custom=" and the code appended when it carries a "key=" query; else unchanged.
std::wstring AppendDomainCode(const std::wstring& url, const std::wstring& code);

// The localized texts, product facts and URLs of one setup window, loaded from the unpacked
// configuration archive. Filled once on the UI thread, then read from any thread; only the
// domain code is set later, before any worker starts.
class LanguageManager
{
public:
    using Table = std::map<std::wstring, std::wstring>;

    // Loads everything from the folder the configuration archive was unpacked into.
    void Initialize(const std::wstring& configFolder);
    void InitCurrentLanguage();
    void LoadProductInfo();
    void LoadUrlInfo();
    void LoadStrings();

    // Missing keys give an empty text.
    std::wstring GetString(const std::wstring& key) const;
    std::wstring GetProductValue(const std::wstring& key) const;
    std::wstring GetUrlValue(const std::wstring& key) const;

    std::wstring GetProductName() const;
    // The brand name, "Valtrix" when the configuration leaves it empty.
    std::wstring GetBrandName() const;
    std::wstring GetLicenceColor() const;
    std::wstring GetGaTitle() const;
    // The analytics collection host; empty means no usage hits are sent.
    std::wstring GetGaHost() const;
    std::wstring GetExeName() const;
    // "Valtrix\Valtrix Norvane\" with the native separator; an empty part is left out.
    std::wstring GetInstallSubFolder() const;
    std::wstring GetExeRelativePath() const;
    std::wstring GetDownloadUrl() const;
    std::wstring GetLicenceUrl() const;
    std::wstring GetInstallUrl() const;
    bool IsRunAsAdmin() const;

    const std::wstring& GetLanguageFolder() const { return m_languageFolder; }
    const std::wstring& GetConfigFolder() const { return m_configFolder; }
    const std::wstring& GetDomainCode() const { return m_domainCode; }
    void SetDomainCode(const std::wstring& code) { m_domainCode = code; }
    bool IsRightToLeft() const { return m_rightToLeft; }

    // Percent of the progress bar given to the download.
    int GetDownloadShare() const { return 50; }
    // Milliseconds between two reads of the installer's progress file.
    int GetProgressPollPeriod() const { return 1500; }

private:
    std::wstring LanguageFile(const wchar_t* name) const;

    Table m_strings;
    Table m_urls;
    Table m_product;
    std::wstring m_configFolder;
    std::wstring m_languageFolder = L"English";
    std::wstring m_domainCode;
    bool m_rightToLeft = false;
};
