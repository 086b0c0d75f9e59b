#include "net/DownloadBackEnd.h"

#include <atomic>

#include "net/BaseRequest.h"

namespace {

std::atomic<int> g_winHttpFailures{0};
std::atomic<int> g_internetFailures{0};

} // namespace

int ChooseBackEnd(int winHttpFailures, int internetFailures, int attempt)
{
    if (internetFailures > winHttpFailures)
        return CBaseRequest::kType_WinHttp;
    if (internetFailures < winHttpFailures)
        return CBaseRequest::kType_Internet;
    return attempt % 2 == 0 ? CBaseRequest::kType_WinHttp : CBaseRequest::kType_Internet;
}

int ChooseBackEnd(int attempt)
{
    return ChooseBackEnd(WinHttpFailures(), InternetFailures(), attempt);
}

void CountBackEndFailure(int type)
{
    if (type == CBaseRequest::kType_WinHttp)
        g_winHttpFailures.fetch_add(1);
    else
        g_internetFailures.fetch_add(1);
}

int WinHttpFailures()
{
    return g_winHttpFailures.load();
}

int InternetFailures()
{
    return g_internetFailures.load();
}

namespace downloadtest {

void ResetBackEndFailures()
{
    g_winHttpFailures.store(0);
    g_internetFailures.store(0);
}

} // namespace downloadtest
