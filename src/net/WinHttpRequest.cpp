#include "net/WinHttpRequest.h"

#include <climits>

#include "net/ApiError.h"

namespace {

void ReportFailure(const char* apiName, const char* context)
{
    ShowApiError(apiName, plat::GetLastHttpError(), plat::GetHttpMessageModule(), context);
}

} // namespace

CWinHttpRequest::~CWinHttpRequest()
{
    CloseHandles(plat::WinHttpCloseHandle);
}

bool CWinHttpRequest::OpenSession()
{
    CloseHandle(m_session, plat::WinHttpCloseHandle);
    uint32_t access = IsUseProxyConnect() ? plat::kWinHttpAccess_DefaultProxy : plat::kWinHttpAccess_NoProxy;
    m_session = plat::WinHttpOpen(nullptr, access, nullptr, nullptr, 0);
    if (!m_session) {
        ReportFailure("WinHttpOpen", "CWinHttpRequest::OpenSession");
        return false;
    }
    return true;
}

bool CWinHttpRequest::ConnectSession(bool secure)
{
    CloseHandle(m_connection, plat::WinHttpCloseHandle);
    std::wstring name;
    uint16_t port = 0;
    if (!SplitHostPort(m_host, name, port)) {
        ShowApiError("WinHttpConnect", plat::kHttpError_InvalidUrl, plat::GetHttpMessageModule(),
                     "CWinHttpRequest::ConnectSession");
        return false;
    }
    if (port == 0)
        port = secure ? 443 : 80;
    m_connection = plat::WinHttpConnect(m_session, name, port);
    if (!m_connection) {
        ReportFailure("WinHttpConnect", "CWinHttpRequest::ConnectSession");
        return false;
    }
    return true;
}

bool CWinHttpRequest::OpenRequest(bool secure)
{
    CloseHandle(m_request, plat::WinHttpCloseHandle);
    uint32_t flags = plat::kWinHttpFlag_Refresh | (secure ? plat::kWinHttpFlag_Secure : 0u);
    m_request = plat::WinHttpOpenRequest(m_connection, m_verb, m_path, L"HTTP/1.1", nullptr,
                                         plat::kHttpAcceptAll, flags);
    if (!m_request) {
        ReportFailure("WinHttpOpenRequest", "CWinHttpRequest::OpenRequest");
        return false;
    }
    return true;
}

bool CWinHttpRequest::SendRequest()
{
    const char* context = "CWinHttpRequest::SendRequest";
    if (!m_headers.empty() &&
        !plat::WinHttpAddRequestHeaders(m_request, m_headers.c_str(), static_cast<uint32_t>(m_headers.size()),
                                        plat::kHttpAddReq_FlagAdd)) {
        ReportFailure("WinHttpAddRequestHeaders", context);
        return false;
    }
    if (!plat::WinHttpSendRequest(m_request)) {
        ReportFailure("WinHttpSendRequest", context);
        return false;
    }
    if (!plat::WinHttpReceiveResponse(m_request)) {
        ReportFailure("WinHttpReceiveResponse", context);
        return false;
    }
    return true;
}

bool CWinHttpRequest::GetUrlFileSize(int& size)
{
    if (!m_request)
        return false;
    const char* context = "CWinHttpRequest::GetUrlFileSize";
    uint32_t length = 0;
    uint32_t bytes = sizeof length;
    if (!plat::WinHttpQueryHeaders(m_request, plat::kHttpQuery_ContentLength | plat::kHttpQuery_FlagNumber,
                                   &length, &bytes)) {
        ReportFailure("WinHttpQueryHeaders", context);
        return false;
    }
    // A length the int cannot hold would come out negative.
    if (length > static_cast<uint32_t>(INT_MAX)) {
        ShowApiError("WinHttpQueryHeaders", plat::kHttpError_InvalidHeader, plat::GetHttpMessageModule(),
                     context);
        return false;
    }
    size = static_cast<int>(length);
    return true;
}

int CWinHttpRequest::HttpRead(void* buffer, int capacity)
{
    uint32_t read = 0;
    if (!plat::WinHttpReadData(m_request, buffer, capacity > 0 ? static_cast<uint32_t>(capacity) : 0u,
                               &read)) {
        ReportFailure("WinHttpReadData", "CWinHttpRequest::HttpRead");
        return -1;
    }
    return static_cast<int>(read);
}
