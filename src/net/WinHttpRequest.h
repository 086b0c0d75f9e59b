#pragma once

#include "net/BaseRequest.h"

// The request over the WinHTTP-style API: port 443 with TLS, 80 without (or the URL's port).
class CWinHttpRequest : public CBaseRequest
{
public:
    CWinHttpRequest() = default;
    ~CWinHttpRequest() override;

    const char* GetTypeName() override { return "WinHttp"; }
    bool GetUrlFileSize(int& size) override;
    int HttpRead(void* buffer, int capacity) override;
    bool OpenSession() override;
    bool ConnectSession(bool secure) override;
    bool OpenRequest(bool secure) override;
    bool SendRequest() override;
};
