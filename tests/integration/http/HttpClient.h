#pragma once

#include <cstdint>
#include <string>

#include "platform/Http.h"

namespace httptest {

// One request of either family through the platform calls, closed on destruction.
class CPlatformRequest
{
public:
    explicit CPlatformRequest(bool winInet) : m_winInet(winInet) {}
    ~CPlatformRequest() { Close(); }
    CPlatformRequest(const CPlatformRequest&) = delete;
    CPlatformRequest& operator=(const CPlatformRequest&) = delete;

    bool Open(const std::wstring& host, uint16_t port, const std::wstring& verb, const std::wstring& path,
              uint32_t flags, bool proxy = false)
    {
        if (m_winInet) {
            m_session = plat::InternetOpen(L"", proxy ? 0 : 1, nullptr, nullptr, 0);
            m_connection = plat::InternetConnect(m_session, host, port, nullptr, nullptr, 3, 0);
            m_request = plat::HttpOpenRequest(m_connection, verb, path, L"HTTP/1.1", nullptr,
                                              plat::kHttpAcceptAll, flags);
        } else {
            m_session = plat::WinHttpOpen(nullptr, proxy ? 0 : 1, nullptr, nullptr, 0);
            m_connection = plat::WinHttpConnect(m_session, host, port);
            m_request = plat::WinHttpOpenRequest(m_connection, verb, path, L"HTTP/1.1", nullptr,
                                                 plat::kHttpAcceptAll, flags);
        }
        return m_request != nullptr;
    }

    bool AddHeaders(const std::wstring& headers)
    {
        uint32_t length = static_cast<uint32_t>(headers.size());
        return m_winInet ? plat::HttpAddRequestHeaders(m_request, headers.c_str(), length,
                                                       plat::kHttpAddReq_FlagAdd)
                         : plat::WinHttpAddRequestHeaders(m_request, headers.c_str(), length,
                                                          plat::kHttpAddReq_FlagAdd);
    }

    bool Send()
    {
        if (m_winInet)
            return plat::HttpSendRequest(m_request);
        return plat::WinHttpSendRequest(m_request) && plat::WinHttpReceiveResponse(m_request);
    }

    // Content-Length as a number (WinHTTP style) or as text (WinINet style).
    bool QueryNumber(uint32_t info, uint32_t& value)
    {
        uint32_t length = sizeof value;
        info |= plat::kHttpQuery_FlagNumber;
        return m_winInet ? plat::HttpQueryInfo(m_request, info, &value, &length)
                         : plat::WinHttpQueryHeaders(m_request, info, &value, &length);
    }

    bool QueryText(uint32_t info, std::wstring& value)
    {
        wchar_t buffer[260] = {};
        uint32_t length = sizeof buffer;
        bool ok = m_winInet ? plat::HttpQueryInfo(m_request, info, buffer, &length)
                            : plat::WinHttpQueryHeaders(m_request, info, buffer, &length);
        if (ok)
            value = buffer;
        return ok;
    }

    // One pull; -1 on failure.
    long Read(void* buffer, uint32_t size)
    {
        uint32_t read = 0;
        bool ok = m_winInet ? plat::InternetReadFile(m_request, buffer, size, &read)
                            : plat::WinHttpReadData(m_request, buffer, size, &read);
        return ok ? static_cast<long>(read) : -1;
    }

    // Reads to the end in pulls of the given size; false when a pull failed.
    bool ReadAll(std::string& body, uint32_t pull)
    {
        std::string buffer(pull, '\0');
        for (;;) {
            long n = Read(buffer.data(), pull);
            if (n < 0)
                return false;
            if (n == 0)
                return true;
            body.append(buffer.data(), static_cast<size_t>(n));
        }
    }

    void Close()
    {
        for (plat::HttpHandle* h : {&m_request, &m_connection, &m_session}) {
            if (*h)
                m_winInet ? plat::InternetCloseHandle(*h) : plat::WinHttpCloseHandle(*h);
            *h = nullptr;
        }
    }

    plat::HttpHandle Handle() const { return m_request; }

private:
    bool m_winInet;
    plat::HttpHandle m_session = nullptr;
    plat::HttpHandle m_connection = nullptr;
    plat::HttpHandle m_request = nullptr;
};

} // namespace httptest
