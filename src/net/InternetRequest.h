#pragma once

#include "net/BaseRequest.h"

// The request over the WinINet-style API: always TLS on port 443 (or the URL's port), whatever
// the secure switch says.
class CInternetRequest : public CBaseRequest
{
public:
    CInternetRequest() = default;
    ~CInternetRequest() override;

    const char* GetTypeName() override { return "Internet"; }
    bool GetUrlFileSize(int& size) override;
    int HttpRead(void* buffer, int capacity) override;
    bool OpenSession() override;
    bool ConnectSession(bool secure) override;
    bool OpenRequest(bool secure) override;
    bool SendRequest() override;
};
