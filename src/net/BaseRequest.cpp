#include "net/BaseRequest.h"

#include <cstring>
#include <memory>
#include <new>

#include "log/Log.h"
#include "net/InternetRequest.h"
#include "net/WinHttpRequest.h"

CBaseRequest* CBaseRequest::CreateInstance(int type)
{
    switch (type) {
    case kType_WinHttp:
        return new CWinHttpRequest();
    case kType_Internet:
        return new CInternetRequest();
    default:
        AssertCheckFormat(false, "false", "CBaseRequest::CreateInstance", 15, "ERR:un support type %d", type);
        return nullptr;
    }
}

bool CBaseRequest::SplitUrl(const std::wstring& url, std::wstring& host, std::wstring& path,
                            bool* secureScheme)
{
    std::wstring rest;
    bool secure = false;
    if (url.rfind(L"http://", 0) == 0) {
        rest = url.substr(7);
    } else if (url.rfind(L"https://", 0) == 0) {
        rest = url.substr(8);
        secure = true;
    } else {
        return false;
    }
    size_t slash = rest.find(L'/');
    if (slash == std::wstring::npos)
        return false;
    host = rest.substr(0, slash);
    path = rest.substr(slash + 1);
    if (secureScheme)
        *secureScheme = secure;
    return true;
}

bool CBaseRequest::SendUrlRequest(const std::wstring& url)
{
    std::wstring host;
    std::wstring path;
    bool httpsUrl = false;
    if (!SplitUrl(url, host, path, &httpsUrl))
        return false;
    if (ConnectAndSend(true, host, path))
        return true;
    // A downgrade would let anyone on the path choose what an https URL delivers.
    if (httpsUrl)
        return false;
    return ConnectAndSend(false, host, path);
}

bool CBaseRequest::ConnectAndSend(bool secure, const std::wstring& host, const std::wstring& path)
{
    m_path = path;
    m_host = host;
    if (!OpenSession())
        return false;
    if (m_maxConnectionsPerServer != 0) {
        InternetSetOpt(plat::kInternetOption_MaxConnsPerServer, m_maxConnectionsPerServer);
        InternetSetOpt(plat::kInternetOption_MaxConnsPer10Server, m_maxConnectionsPerServer);
    }
    return ConnectSession(secure) && OpenRequest(secure) && SendRequest();
}

bool CBaseRequest::IsUseProxyConnect()
{
    uint32_t flags = 0;
    if (!plat::InternetGetConnectedState(&flags)) {
        LOG_INFO("ERR:InternetGetConnectedState fail 0x%x", plat::GetLastHttpError());
        return false;
    }
    return (flags & plat::kInternetConnection_Proxy) != 0;
}

bool CBaseRequest::QueryInternetOpt(uint32_t option, std::string& value)
{
    uint32_t length = 0;
    if (plat::InternetQueryOption(nullptr, option, nullptr, &length))
        return false;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[length]);
    if (!buffer) {
        LOG_INFO("ERR: new %d bytes fail!", static_cast<int>(length));
        return false;
    }
    if (!plat::InternetQueryOption(nullptr, option, buffer.get(), &length)) {
        LOG_INFO("ERR: InternetQueryOption fail! 0x%x", plat::GetLastHttpError());
        return false;
    }
    value.assign(buffer.get(), length);
    return true;
}

namespace {

bool OptionEquals(uint32_t option, int value)
{
    std::string current;
    if (!CBaseRequest::QueryInternetOpt(option, current) || current.size() < sizeof(int))
        return false;
    int number = 0;
    std::memcpy(&number, current.data(), sizeof number);
    return number == value;
}

} // namespace

bool CBaseRequest::InternetSetOpt(uint32_t option, int value)
{
    if (OptionEquals(option, value))
        return true;
    if (!plat::InternetSetOption(nullptr, option, &value, sizeof value)) {
        LOG_INFO("ERR: InternetSetOption fail! 0x%x", plat::GetLastHttpError());
        return false;
    }
    return OptionEquals(option, value);
}

bool CBaseRequest::SplitHostPort(const std::wstring& host, std::wstring& name, uint16_t& port)
{
    name = host;
    port = 0;
    size_t colon = host.rfind(L':');
    if (colon == std::wstring::npos)
        return true;
    std::wstring digits = host.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    unsigned long number = std::stoul(digits);
    if (number == 0 || number > 65535)
        return false;
    name = host.substr(0, colon);
    port = static_cast<uint16_t>(number);
    return true;
}

void CBaseRequest::CloseHandle(plat::HttpHandle& handle, CloseFunction close)
{
    if (handle)
        close(handle);
    handle = nullptr;
}

void CBaseRequest::CloseHandles(CloseFunction close)
{
    CloseHandle(m_request, close);
    CloseHandle(m_connection, close);
    CloseHandle(m_session, close);
}
