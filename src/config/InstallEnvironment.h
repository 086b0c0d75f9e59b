#pragma once

#include <string>

class LanguageManager;

// The installer window's one-time set-up: working folder, log, the configuration archive unpacked
// into the working folder, and the language tables; later the domain code.
class CInstallEnvironment
{
public:
    explicit CInstallEnvironment(LanguageManager& languages);

    // Once per process: later calls (from any instance) do nothing.
    void InitEnvironment();
    // Unpacks the configuration archive (RCDATA 105) into the working folder's "language" folder.
    void LoadResZipFile();
    // Reads the domain code (RCDATA 106) into the language manager.
    void LoadDomainFile();

    // Ends with a separator; empty until InitEnvironment ran.
    const std::wstring& WorkFolder() const { return m_workFolder; }

private:
    LanguageManager& m_languages;
    std::wstring m_workFolder;
};

// The longest domain code taken from the resource, in bytes.
inline constexpr size_t kMaxDomainCodeBytes = 254;

namespace envtest {
// Lets the next InitEnvironment run again, as in a new process.
void ResetInitEnvironment();
} // namespace envtest
