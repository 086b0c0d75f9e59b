#include "net/ApiError.h"

#include <string>

#include "log/Log.h"

void ShowApiError(const char* apiName, uint32_t errorCode, plat::MessageModule module, const char* context)
{
    // The message table's text, cut to the 259 characters a 260-byte buffer holds.
    std::string text = plat::FormatHttpMessage(module, errorCode).substr(0, 259);
    const int threadId = static_cast<int>(plat::GetCurrentThreadId());
    const int code = static_cast<int>(errorCode);
    if (context) {
        LOG_INFO("[Thread][%d] [%s]call %s fail %d, %s\n", threadId, context, apiName, code, text.c_str());
        return;
    }
    LOG_INFO("[Thread][%d] call %s fail %d, %s\n", threadId, apiName, code, text.c_str());
}
