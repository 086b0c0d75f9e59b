#include "config/InstallEnvironment.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "config/Archive.h"
#include "config/LanguageManager.h"
#include "config/SystemServices.h"
#include "log/Log.h"
#include "platform/Resources.h"
#include "platform/Types.h"

namespace {

constexpr uint16_t kConfigArchiveId = 105;
constexpr uint16_t kDomainCodeId = 106;

std::atomic<bool> g_initialized{false};

struct ResourceBytes
{
    const char* data = nullptr;
    uint32_t size = 0;
};

ResourceBytes FindRcData(uint16_t id)
{
    plat::ResourceHandle found =
        plat::FindResource(nullptr, plat::ResourceId(id), plat::ResourceId(plat::kResourceType_RcData));
    if (!found)
        return {};
    return {static_cast<const char*>(plat::LockResource(plat::LoadResource(nullptr, found))),
            plat::SizeofResource(nullptr, found)};
}

} // namespace

CInstallEnvironment::CInstallEnvironment(LanguageManager& languages) : m_languages(languages) {}

void CInstallEnvironment::InitEnvironment()
{
    if (g_initialized.exchange(true))
        return;
    m_workFolder = GetWorkFolder();
    InitLog(L"valtrix_down.log", (m_workFolder + L"Log").c_str());
    LoadResZipFile();
    m_languages.Initialize(m_workFolder + L"language" + plat::kPathSeparator);
}

void CInstallEnvironment::LoadResZipFile()
{
    LOG_INFO("LoadResZipFile");
    const ResourceBytes archive = FindRcData(kConfigArchiveId);
    if (!archive.data) {
        LOG_INFO("ERR:the program carries no configuration archive");
        return;
    }
    ExtractArchiveToFolder(archive.data, archive.size, m_workFolder + L"language" + plat::kPathSeparator);
}

void CInstallEnvironment::LoadDomainFile()
{
    LOG_INFO("LoadDomainFile");
    const ResourceBytes resource = FindRcData(kDomainCodeId);
    char buffer[kMaxDomainCodeBytes + 1] = {};
    if (resource.data)
        std::memcpy(buffer, resource.data, std::min<size_t>(resource.size, kMaxDomainCodeBytes));
    if (resource.size > kMaxDomainCodeBytes)
        LOG_INFO("ERR:domain code of %u bytes cut to %zu", resource.size, kMaxDomainCodeBytes);
    const std::string narrow(buffer);
    m_languages.SetDomainCode(ReplaceAll(NarrowToWide(narrow), L"\r\n", L""));
    LOG_INFO("Domain:%s", narrow.c_str());
}

namespace envtest {
void ResetInitEnvironment()
{
    g_initialized = false;
}
} // namespace envtest
