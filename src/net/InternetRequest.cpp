#include "net/InternetRequest.h"

#include <climits>
#include <cwchar>

#include "net/ApiError.h"

namespace {

// RELOAD, SECURE, KEEP_CONNECTION, NO_COOKIES, NO_AUTH, IGNORE_REDIRECT_TO_HTTP and NO_UI.
constexpr uint32_t kRequestFlags = 0x80CC8200;
constexpr uint16_t kTlsPort = 443;

void ReportFailure(const char* apiName, const char* context)
{
    ShowApiError(apiName, plat::GetLastHttpError(), plat::GetHttpMessageModule(), context);
}

// A decimal number within the int range, and nothing else.
bool ParseLength(const wchar_t* text, int& value)
{
    if (!*text)
        return false;
    long long number = 0;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p < L'0' || *p > L'9')
            return false;
        number = number * 10 + (*p - L'0');
        if (number > INT_MAX)
            return false;
    }
    value = static_cast<int>(number);
    return true;
}

} // namespace

CInternetRequest::~CInternetRequest()
{
    CloseHandles(plat::InternetCloseHandle);
}

bool CInternetRequest::OpenSession()
{
    CloseHandle(m_session, plat::InternetCloseHandle);
    uint32_t access = IsUseProxyConnect() ? plat::kInternetOpenType_Preconfig
                                          : plat::kInternetOpenType_PreconfigWithNoAutoproxy;
    m_session = plat::InternetOpen(L"", access, nullptr, nullptr, 0);
    if (!m_session) {
        ReportFailure("InternetOpen", "CInternetRequest::OpenSession");
        return false;
    }
    return true;
}

bool CInternetRequest::ConnectSession(bool)
{
    CloseHandle(m_connection, plat::InternetCloseHandle);
    std::wstring name;
    uint16_t port = 0;
    if (!SplitHostPort(m_host, name, port)) {
        ShowApiError("InternetConnect", plat::kHttpError_InvalidUrl, plat::GetHttpMessageModule(),
                     "CInternetRequest::ConnectSession");
        return false;
    }
    m_connection = plat::InternetConnect(m_session, name, port ? port : kTlsPort, nullptr, nullptr,
                                         plat::kInternetService_Http, 0);
    if (!m_connection) {
        ReportFailure("InternetConnect", "CInternetRequest::ConnectSession");
        return false;
    }
    return true;
}

bool CInternetRequest::OpenRequest(bool)
{
    CloseHandle(m_request, plat::InternetCloseHandle);
    m_request = plat::HttpOpenRequest(m_connection, m_verb, m_path, L"HTTP/1.1", nullptr,
                                      plat::kHttpAcceptAll, kRequestFlags);
    if (!m_request) {
        ReportFailure("HttpOpenRequest", "CInternetRequest::OpenRequest");
        return false;
    }
    return true;
}

bool CInternetRequest::SendRequest()
{
    const char* context = "CInternetRequest::SendRequest";
    if (!m_headers.empty() &&
        !plat::HttpAddRequestHeaders(m_request, m_headers.c_str(), static_cast<uint32_t>(m_headers.size()),
                                     plat::kHttpAddReq_FlagAdd)) {
        ReportFailure("\"HttpAddRequestHeaders\"", context);
        return false;
    }
    if (!plat::HttpSendRequest(m_request)) {
        ReportFailure("HttpSendRequest", context);
        return false;
    }
    return true;
}

bool CInternetRequest::GetUrlFileSize(int& size)
{
    if (!m_request)
        return false;
    const char* context = "CInternetRequest::GetUrlFileSize";
    wchar_t text[260] = {};
    uint32_t bytes = sizeof text;
    if (!plat::HttpQueryInfo(m_request, plat::kHttpQuery_ContentLength, text, &bytes)) {
        ReportFailure("HttpQueryInfo", context);
        return false;
    }
    if (!ParseLength(text, size)) {
        ShowApiError("HttpQueryInfo", plat::kHttpError_InvalidHeader, plat::GetHttpMessageModule(), context);
        return false;
    }
    return true;
}

int CInternetRequest::HttpRead(void* buffer, int capacity)
{
    uint32_t read = 0;
    if (!plat::InternetReadFile(m_request, buffer, capacity > 0 ? static_cast<uint32_t>(capacity) : 0u,
                                &read)) {
        ReportFailure("InternetReadFile", "CInternetRequest::HttpRead");
        return -1;
    }
    return static_cast<int>(read);
}
