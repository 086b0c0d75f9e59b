#pragma once

#include <cstdint>
#include <string>

#include "platform/Http.h"

// One HTTP request over one of two interchangeable back ends. A request takes a full URL,
// connects (TLS first, then plain HTTP), sends with optional extra headers, and then yields the
// Content-Length of the answer or its body in pulls. The status code does not decide success: a
// request counts as sent once the answer's headers have arrived.
//
// Objects are used by one thread at a time and sent once.
class CBaseRequest
{
public:
    enum
    {
        kType_WinHttp = 0,
        kType_Internet = 1,
    };

    CBaseRequest() = default;
    virtual ~CBaseRequest() = default;
    CBaseRequest(const CBaseRequest&) = delete;
    CBaseRequest& operator=(const CBaseRequest&) = delete;

    virtual const char* GetTypeName() = 0;
    // True and the answer's Content-Length, or false.
    virtual bool GetUrlFileSize(int& size) = 0;
    // Bytes read, 0 at the end of the body, -1 on failure.
    virtual int HttpRead(void* buffer, int capacity) = 0;
    virtual bool OpenSession() = 0;
    virtual bool ConnectSession(bool secure) = 0;
    virtual bool OpenRequest(bool secure) = 0;
    virtual bool SendRequest() = 0;

    // Type 0 gives a CWinHttpRequest, type 1 a CInternetRequest; any other type asserts and
    // gives null. The caller owns the request.
    static CBaseRequest* CreateInstance(int type);

    // "http://" or "https://", a host (a port written after it stays part of it), a slash and the
    // path (kept without its leading slash, query included). secureScheme, when given, tells
    // whether the URL asked for https.
    static bool SplitUrl(const std::wstring& url, std::wstring& host, std::wstring& path,
                         bool* secureScheme = nullptr);

    // Connects and sends: TLS first, then plain HTTP, except that an https URL is never sent
    // over plain HTTP.
    bool SendUrlRequest(const std::wstring& url);
    bool ConnectAndSend(bool secure, const std::wstring& host, const std::wstring& path);

    static bool IsUseProxyConnect();
    static bool QueryInternetOpt(uint32_t option, std::string& value);
    static bool InternetSetOpt(uint32_t option, int value);

    // Status code of the last answer; 0 before one arrived.
    int GetStatusCode() const { return plat::HttpGetStatusCode(m_request); }

    std::wstring m_verb = L"GET";
    std::wstring m_headers;
    std::wstring m_path;
    std::wstring m_host;
    plat::HttpHandle m_session = nullptr;
    plat::HttpHandle m_connection = nullptr;
    plat::HttpHandle m_request = nullptr;
    int m_maxConnectionsPerServer = 0;

protected:
    using CloseFunction = bool (*)(plat::HttpHandle);

    // The port written in the host ("name:8080"); 0 when none. False when the text after the
    // colon is no port.
    static bool SplitHostPort(const std::wstring& host, std::wstring& name, uint16_t& port);
    // Request, then connection, then session.
    void CloseHandles(CloseFunction close);
    static void CloseHandle(plat::HttpHandle& handle, CloseFunction close);
};
