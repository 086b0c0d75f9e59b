#include "net/DownloadSize.h"

#include <climits>
#include <cstring>

#include "net/BaseRequest.h"
#include "platform/Http.h"

namespace {

// The Content-Length header as the server wrote it; empty when there is none.
std::wstring ContentLengthText(CBaseRequest& request)
{
    wchar_t buffer[64] = {};
    uint32_t length = sizeof buffer;
    const bool winHttp = std::strcmp(request.GetTypeName(), "WinHttp") == 0;
    const bool ok =
        winHttp
            ? plat::WinHttpQueryHeaders(request.m_request, plat::kHttpQuery_ContentLength, buffer, &length)
            : plat::HttpQueryInfo(request.m_request, plat::kHttpQuery_ContentLength, buffer, &length);
    return ok ? std::wstring(buffer) : std::wstring();
}

// A decimal length of at least the limit (digits only, so no sign or blank slips through).
bool AnnouncesTooLarge(const std::wstring& text, long long& announced)
{
    if (text.empty() || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    // More digits than a long long holds is too large all the same.
    if (text.size() > 18) {
        announced = LLONG_MAX;
        return true;
    }
    long long value = 0;
    for (wchar_t c : text)
        value = value * 10 + (c - L'0');
    announced = value;
    return value >= kDownloadSizeLimit;
}

} // namespace

DownloadSizeAnswer QueryDownloadSize(CBaseRequest& request, const std::wstring& url, int& size,
                                     long long& announced)
{
    if (!request.SendUrlRequest(url))
        return DownloadSizeAnswer::kNone;
    const int status = request.GetStatusCode();
    // An error page's length is not the file's.
    if (status < 200 || status > 299)
        return DownloadSizeAnswer::kNone;
    if (AnnouncesTooLarge(ContentLengthText(request), announced))
        return DownloadSizeAnswer::kTooLarge;
    int length = 0;
    if (!request.GetUrlFileSize(length) || length < 0)
        return DownloadSizeAnswer::kNone;
    size = length;
    return DownloadSizeAnswer::kSize;
}
