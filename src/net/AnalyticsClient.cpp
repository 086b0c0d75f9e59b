#include "net/AnalyticsClient.h"

#include <cstdio>
#include <thread>

#include "platform/Http.h"
#include "platform/System.h"
#include "platform/Text.h"

namespace {

constexpr const wchar_t* kMakerKey = L"SOFTWARE\\WOW6432Node\\Valtrix";
constexpr const wchar_t* kClientKey = L"SOFTWARE\\WOW6432Node\\Valtrix\\ValtrixDown";
constexpr const wchar_t* kClientValue = L"GUID";
constexpr size_t kClientValueBytes = 2048;
constexpr const wchar_t* kTrackingId = L"UA-31809472-27";

// The handles of one hit, closed in reverse order of opening.
class CHitHandles
{
public:
    ~CHitHandles()
    {
        for (plat::HttpHandle handle : {request, connection, session}) {
            if (handle)
                plat::WinHttpCloseHandle(handle);
        }
    }
    plat::HttpHandle session = nullptr;
    plat::HttpHandle connection = nullptr;
    plat::HttpHandle request = nullptr;
};

std::wstring FormatGuid(const plat::Guid& g)
{
    char text[64] = {};
    std::snprintf(text, sizeof text, "%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X", g.data1, g.data2,
                  g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6],
                  g.data4[7]);
    return plat::Utf8ToWide(text);
}

// "name:port" gives that port; anything else is a plain host name.
void SplitHost(const std::wstring& host, std::wstring& name, uint16_t& port)
{
    name = host;
    port = 0;
    size_t colon = host.rfind(L':');
    if (colon == std::wstring::npos || colon + 1 == host.size() || host.size() - colon > 6)
        return;
    std::wstring digits = host.substr(colon + 1);
    if (digits.find_first_not_of(L"0123456789") != std::wstring::npos)
        return;
    unsigned long number = std::stoul(digits);
    if (number == 0 || number > 65535)
        return;
    name = host.substr(0, colon);
    port = static_cast<uint16_t>(number);
}

} // namespace

CAnalyticsClient* CAnalyticsClient::GetInstance()
{
    static CAnalyticsClient* instance = new CAnalyticsClient(); // lives until the process ends
    return instance;
}

std::wstring CAnalyticsClient::GetClientId()
{
    plat::RegKey maker;
    plat::RegKey key;
    uint32_t disposition = 0;
    plat::RegCreateKey(plat::RegRoot::kLocalMachine, kMakerKey, maker, nullptr);
    if (plat::RegCreateKey(plat::RegRoot::kLocalMachine, kClientKey, key, &disposition) != plat::kReg_Success)
        return {};

    if (disposition == plat::kReg_OpenedExistingKey) {
        plat::RegKey reader;
        if (plat::RegOpenKey(plat::RegRoot::kLocalMachine, kClientKey, reader) != plat::kReg_Success)
            return {};
        std::wstring id;
        if (plat::RegQueryString(reader, kClientValue, id, kClientValueBytes) == plat::kReg_Success)
            return id;
    }

    plat::Guid guid{};
    if (!plat::CreateGuid(guid))
        return {};
    std::wstring id = FormatGuid(guid);
    plat::RegSetString(key, kClientValue, id);
    return id;
}

void CAnalyticsClient::SetHitTarget(const std::wstring& host, const std::wstring& hitPath)
{
    std::lock_guard<std::mutex> lock(m_targetLock);
    m_host = host;
    m_hitPath = hitPath;
}

std::wstring CAnalyticsClient::Host() const
{
    std::lock_guard<std::mutex> lock(m_targetLock);
    return m_host;
}

std::wstring CAnalyticsClient::HitPath() const
{
    std::lock_guard<std::mutex> lock(m_targetLock);
    return m_hitPath;
}

bool CAnalyticsClient::SendStartInstall()
{
    const std::wstring path = HitPath() + L"&ea=Downloader_Start_Install";
    m_useTls = true;
    if (SendHitHttps(path))
        return true;
    m_useTls = false;
    return SendHitHttp(path);
}

bool CAnalyticsClient::SendDownloaderInstalled()
{
    const std::wstring path = HitPath() + L"&ea=Downloader_Installed";
    return m_useTls ? SendHitHttps(path) : SendHitHttp(path);
}

bool CAnalyticsClient::SendInstalledSucceed()
{
    const std::wstring path = HitPath() + L"&ea=Installed_Succeed";
    return m_useTls ? SendHitHttps(path) : SendHitHttp(path);
}

bool CAnalyticsClient::SendHitHttps(const std::wstring& path)
{
    return SendHit(path, true);
}

bool CAnalyticsClient::SendHitHttp(const std::wstring& path)
{
    return SendHit(path, false);
}

bool CAnalyticsClient::SendHit(const std::wstring& path, bool secure)
{
    const std::wstring host = Host();
    if (host.empty() || path.empty() || HitPath().empty())
        return false;
    std::wstring name;
    uint16_t port = 0;
    SplitHost(host, name, port);
    if (port == 0)
        port = secure ? 443 : 80;

    CHitHandles hit;
    hit.session =
        plat::WinHttpOpen(nullptr, secure ? plat::kWinHttpAccess_DefaultProxy : plat::kWinHttpAccess_NoProxy,
                          nullptr, nullptr, 0);
    if (!hit.session)
        return false;
    hit.connection = plat::WinHttpConnect(hit.session, name, port);
    if (!hit.connection)
        return false;
    hit.request = plat::WinHttpOpenRequest(hit.connection, L"HEAD", path, secure ? nullptr : L"HTTP/1.1",
                                           nullptr, plat::kHttpAcceptAll,
                                           secure ? plat::kWinHttpFlag_Secure : plat::kWinHttpFlag_Refresh);
    if (!hit.request)
        return false;
    return plat::WinHttpSendRequest(hit.request) && plat::WinHttpReceiveResponse(hit.request);
}

unsigned AnalyticsEventThread(AnalyticsEventJob* job)
{
    if (!job)
        return 0;
    CAnalyticsClient* client = job->pClient ? job->pClient : CAnalyticsClient::GetInstance();
    switch (job->nEventKind) {
    case CAnalyticsClient::kEvent_DownloaderInstalled:
        job->bResult = client->SendDownloaderInstalled();
        break;
    case CAnalyticsClient::kEvent_InstalledSucceed:
        job->bResult = client->SendInstalledSucceed();
        break;
    default:
        job->bResult = client->SendStartInstall();
        break;
    }
    delete job;
    return 0;
}

bool StartAnalyticsEventThread(int eventKind)
{
    auto* job = new AnalyticsEventJob{false, CAnalyticsClient::GetInstance(), eventKind};
    try {
        std::thread(AnalyticsEventThread, job).detach();
    } catch (...) {
        delete job; // no thread could be started; the hit is lost like any failed one
        return false;
    }
    return true;
}

std::wstring BuildHitPath(const std::wstring& clientId, const std::wstring& gaTitle)
{
    return std::wstring(L"collect?v=1&t=event&tid=") + kTrackingId + L"&cid=" + clientId + L"&ec=" + gaTitle +
           L" (Windows version)&el=" + clientId;
}

void ComposeAnalyticsTarget(const std::wstring& gaTitle, const std::wstring& collectionHost)
{
    CAnalyticsClient* client = CAnalyticsClient::GetInstance();
    const std::wstring clientId = client->GetClientId();
    client->SetHitTarget(collectionHost, BuildHitPath(clientId, gaTitle));
}
