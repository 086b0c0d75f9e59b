#include "platform/Dialog.h"

#include <cstdio>
#include <mutex>

#include "platform/Text.h"

// Until native windows exist, a message box is written to standard error and answered with the
// most cautious choice its buttons offer.
namespace plat {

namespace {
std::mutex g_responderLock;
std::function<int(const MessageBoxRequest&)> g_responder;

int CautiousAnswer(uint32_t flags)
{
    switch (flags & 0xF) {
    case kMB_OkCancel:
        return kID_Cancel;
    case kMB_AbortRetryIgnore:
        return kID_Abort;
    case kMB_YesNoCancel:
        return kID_Cancel;
    case kMB_YesNo:
        return kID_No;
    case kMB_RetryCancel:
        return kID_Cancel;
    default:
        return kID_Ok;
    }
}
} // namespace

int MessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption, uint32_t flags)
{
    std::function<int(const MessageBoxRequest&)> responder;
    {
        std::lock_guard<std::mutex> lock(g_responderLock);
        responder = g_responder;
    }
    if (responder)
        return responder(MessageBoxRequest{owner, text, caption, flags});
    std::fprintf(stderr, "[%s] %s\n", WideToUtf8(caption).c_str(), WideToUtf8(text).c_str());
    return CautiousAnswer(flags);
}

namespace test {
void SetMessageBoxResponder(std::function<int(const MessageBoxRequest&)> responder)
{
    std::lock_guard<std::mutex> lock(g_responderLock);
    g_responder = std::move(responder);
}
} // namespace test

} // namespace plat
