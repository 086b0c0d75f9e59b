#pragma once

#include <atomic>
#include <mutex>
#include <string>

// Usage events: three moments of an installation, each sent as one HEAD request whose path carries
// every parameter. Hits are fire-and-forget: nothing waits for them and nothing is logged about
// them. Without a collection host no request is made at all.
class CAnalyticsClient
{
public:
    enum
    {
        kEvent_StartInstall = 0,
        kEvent_DownloaderInstalled = 1,
        kEvent_InstalledSucceed = 2,
    };

    // Created on first call, with host and path empty and TLS in use; kept until the process ends.
    static CAnalyticsClient* GetInstance();

    // The machine's id, made once and kept in the registry store; empty when the store is unusable.
    std::wstring GetClientId();
    void SetHitTarget(const std::wstring& host, const std::wstring& hitPath);

    // Whether the hit was delivered (an answer's headers arrived, whatever its status).
    bool SendStartInstall();
    bool SendDownloaderInstalled();
    bool SendInstalledSucceed();

    // One hit: path = hit path + action piece. A port written after the host ("host:8080") is used
    // in place of 443 and 80.
    bool SendHitHttps(const std::wstring& path);
    bool SendHitHttp(const std::wstring& path);

    std::wstring Host() const;
    std::wstring HitPath() const;
    bool IsUsingTls() const { return m_useTls.load(); }

private:
    CAnalyticsClient() = default;
    bool SendHit(const std::wstring& path, bool secure);

    mutable std::mutex m_targetLock; // senders copy host and path while the window may set them
    std::wstring m_host;
    std::wstring m_hitPath;
    std::atomic<bool> m_useTls{true};
};

// Handed to a sender thread, which frees it.
struct AnalyticsEventJob
{
    bool bResult = false;
    CAnalyticsClient* pClient = nullptr;
    int nEventKind = CAnalyticsClient::kEvent_StartInstall;
};

// The sender thread's routine: sends the job's event (1 installer downloaded, 2 installation
// succeeded, anything else start install), stores the result, frees the job; returns 0.
unsigned AnalyticsEventThread(AnalyticsEventJob* job);

// Starts a detached sender thread for one event of the single instance.
bool StartAnalyticsEventThread(int eventKind);

// The hit path without the action: the collection parameters, the client id, the event category
// built from the configuration's analytics title, and the client id again as label.
std::wstring BuildHitPath(const std::wstring& clientId, const std::wstring& gaTitle);

// The installer window's start-up step: the instance, its client id and the hit path, aimed at the
// collection host the product configuration names (empty: no hit ever leaves the machine).
void ComposeAnalyticsTarget(const std::wstring& gaTitle, const std::wstring& collectionHost);

// The product configuration key (productInfo.ini, [PRODUCT]) naming the collection host.
inline constexpr const wchar_t* kAnalyticsHostKey = L"STR_GA_HOST";
