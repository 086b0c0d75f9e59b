#include <unistd.h>

#include <cstdint>
#include <string>

#include "platform/Http.h"

namespace plat {

struct HttpMessageModule
{
    const char* name;
};

namespace {

const HttpMessageModule kWinInetModule{"wininet.dll"};

struct MessageText
{
    uint32_t code;
    const char* text;
};

// The message table of the http error codes; ShowApiError looks texts up here.
constexpr MessageText kMessages[] = {
    {kHttpError_InvalidHandle, "The handle is invalid."},
    {kHttpError_NotEnoughMemory, "Not enough memory resources are available to process this command."},
    {kHttpError_InvalidParameter, "The parameter is incorrect."},
    {kHttpError_InsufficientBuffer, "The data area passed to a system call is too small."},
    {kHttpError_Timeout, "The operation timed out"},
    {kHttpError_InternalError, "An internal error occurred"},
    {kHttpError_InvalidUrl, "The URL is invalid"},
    {kHttpError_UnrecognizedScheme, "The URL does not use a recognized protocol"},
    {kHttpError_NameNotResolved, "The server name or address could not be resolved"},
    {kHttpError_InvalidOption, "An invalid option value was specified"},
    {kHttpError_OperationCancelled, "The operation was canceled"},
    {kHttpError_IncorrectHandleType, "The type of handle supplied is incorrect for this operation"},
    {kHttpError_IncorrectHandleState, "The requested operation cannot be carried out because the handle "
                                      "supplied is not in the correct state"},
    {kHttpError_CertDateInvalid, "The date in the certificate is invalid or has expired"},
    {kHttpError_CertCommonNameInvalid, "The host name in the certificate is invalid or does not match"},
    {kHttpError_InvalidCa, "The certificate authority is invalid or incorrect"},
    {kHttpError_CannotConnect, "A connection with the server could not be established"},
    {kHttpError_ConnectionAborted, "The connection with the server was terminated abnormally"},
    {kHttpError_ConnectionReset, "The connection with the server was reset"},
    {kHttpError_HeaderNotFound, "The requested header was not found"},
    {kHttpError_InvalidServerResponse, "The server returned an invalid or unrecognized response"},
    {kHttpError_InvalidHeader, "The supplied HTTP header is invalid"},
    {kHttpError_InvalidQueryRequest, "The request for a HTTP header is invalid"},
    {kHttpError_RedirectFailed, "The HTTP redirect request failed"},
    {kHttpError_SecurityChannelError, "An error occurred in the secure channel support"},
    {kHttpError_SecureFailure, "A security error occurred"},
};

thread_local uint32_t t_lastError = kHttpError_Success;

} // namespace

namespace detail {
void SetLastHttpError(uint32_t code)
{
    t_lastError = code;
}
} // namespace detail

uint32_t GetLastHttpError()
{
    return t_lastError;
}

MessageModule GetHttpMessageModule()
{
    return &kWinInetModule;
}

std::string FormatHttpMessage(MessageModule module, uint32_t code)
{
    if (module != &kWinInetModule)
        return {};
    for (const MessageText& message : kMessages) {
        if (message.code == code)
            return message.text;
    }
    return {};
}

} // namespace plat
