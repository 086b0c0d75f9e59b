#pragma once

#include <cstdint>
#include <string>

#include "platform/System.h"

// The http family of the platform layer: a WinHTTP-style and a WinINet-style request API over
// one handle model (session -> connection -> request), the process-wide connection options of
// the WinINet-style back end, the connected-state query and the error codes with their texts.
//
// Every call that fails returns false (or null) and leaves its error code for GetLastHttpError
// on the calling thread. Handles are owned by the caller and freed with the family's close call;
// a child handle stays usable after its parent has been closed.
//
// Bodies are pulled: a read moves at most the bytes asked for and never buffers more than one
// network chunk beyond them. A transfer waits for the reader: while nobody reads, nothing is
// received and no time-out runs. Time-outs: 60 s to resolve, connect and finish the TLS
// handshake; 30 s without a single byte while a send or read waits on the network. Both count on
// the platform clock (GetTickCount64). TLS peers are verified against the system's certificates,
// or against the bundle SSL_CERT_FILE names.
namespace plat {

struct HttpObject;
// A session, connection or request of either family; null means "no handle".
using HttpHandle = HttpObject*;

// Error codes, with the Windows numbers. Where the two families differ, each has its own.
enum : uint32_t
{
    kHttpError_Success = 0,
    kHttpError_InvalidHandle = 6,
    kHttpError_NotEnoughMemory = 8,
    kHttpError_InvalidParameter = 87,
    kHttpError_InsufficientBuffer = 122,
    kHttpError_Timeout = 12002,
    kHttpError_InternalError = 12004,
    kHttpError_InvalidUrl = 12005,
    kHttpError_UnrecognizedScheme = 12006,
    kHttpError_NameNotResolved = 12007,
    kHttpError_InvalidOption = 12009,
    kHttpError_OperationCancelled = 12017,
    kHttpError_IncorrectHandleType = 12018,
    kHttpError_IncorrectHandleState = 12019,
    kHttpError_CertDateInvalid = 12037,
    kHttpError_CertCommonNameInvalid = 12038,
    kHttpError_InvalidCa = 12045,
    kHttpError_CannotConnect = 12029,
    kHttpError_ConnectionAborted = 12030, // WinHTTP: "connection error"
    kHttpError_ConnectionReset = 12031,   // WinINet only; WinHTTP reports 12030
    kHttpError_HeaderNotFound = 12150,
    kHttpError_InvalidServerResponse = 12152,
    kHttpError_InvalidHeader = 12153,
    kHttpError_InvalidQueryRequest = 12154,
    kHttpError_RedirectFailed = 12156,
    kHttpError_SecurityChannelError = 12157, // WinINet's TLS failure
    kHttpError_SecureFailure = 12175,        // WinHTTP's TLS failure
};

// The calling thread's error code of its last failed http call.
uint32_t GetLastHttpError();

// The module whose message table holds the http error texts ("wininet.dll"); never null.
struct HttpMessageModule;
using MessageModule = const HttpMessageModule*;
MessageModule GetHttpMessageModule();

// The text of an error code from the module's message table, in the neutral language; empty
// when the module is null or has no text for the code.
std::string FormatHttpMessage(MessageModule module, uint32_t code);

// ---- Shared options and queries -------------------------------------------------------------

inline constexpr const wchar_t* kHttpAcceptAll[] = {L"*/*", nullptr};

enum : uint32_t
{
    kHttpQuery_ContentLength = 5,
    kHttpQuery_StatusCode = 19,
    kHttpQuery_FlagNumber = 0x20000000,

    kHttpAddReq_FlagAdd = 0x20000000,
    kHttpAddReq_FlagReplace = 0x80000000,

    // Passed as a header length: the text runs to its terminator.
    kHttpLengthToTerminator = 0xFFFFFFFF,
};

// Status code of the last response the request received; 0 before any.
int HttpGetStatusCode(HttpHandle request);

// ---- WinHTTP-style API ----------------------------------------------------------------------

enum : uint32_t
{
    kWinHttpAccess_DefaultProxy = 0, // the proxy the environment names (http_proxy, ...)
    kWinHttpAccess_NoProxy = 1,

    kWinHttpFlag_Refresh = 0x100,
    kWinHttpFlag_Secure = 0x800000,
};

HttpHandle WinHttpOpen(const wchar_t* userAgent, uint32_t accessType, const wchar_t* proxyName,
                       const wchar_t* proxyBypass, uint32_t flags);
HttpHandle WinHttpConnect(HttpHandle session, const std::wstring& host, uint16_t port);
// version null means "HTTP/1.1"; acceptTypes null sends no Accept header.
HttpHandle WinHttpOpenRequest(HttpHandle connection, const std::wstring& verb, const std::wstring& path,
                              const wchar_t* version, const wchar_t* referrer,
                              const wchar_t* const* acceptTypes, uint32_t flags);
// headers: lines separated by CR LF; length in characters or kHttpLengthToTerminator.
bool WinHttpAddRequestHeaders(HttpHandle request, const wchar_t* headers, uint32_t length,
                              uint32_t modifiers);
// Connects and sends the request (no body).
bool WinHttpSendRequest(HttpHandle request);
// Waits until the headers of the final response (after redirects) have arrived.
bool WinHttpReceiveResponse(HttpHandle request);
// With kHttpQuery_FlagNumber: a uint32_t into buffer (*bufferLength >= 4). Without: the value as
// wide text with its terminator; *bufferLength is in bytes and on kHttpError_InsufficientBuffer
// tells the bytes needed.
bool WinHttpQueryHeaders(HttpHandle request, uint32_t infoLevel, void* buffer, uint32_t* bufferLength);
// Up to toRead bytes of the body; *read 0 at its end.
bool WinHttpReadData(HttpHandle request, void* buffer, uint32_t toRead, uint32_t* read);
bool WinHttpCloseHandle(HttpHandle handle);

// ---- WinINet-style API ----------------------------------------------------------------------

enum : uint32_t
{
    kInternetOpenType_Preconfig = 0,
    kInternetOpenType_Direct = 1,
    kInternetOpenType_PreconfigWithNoAutoproxy = 4,

    kInternetService_Http = 3,

    kInternetFlag_Reload = 0x80000000,
    kInternetFlag_Secure = 0x00800000,
    kInternetFlag_KeepConnection = 0x00400000,
    kInternetFlag_NoCookies = 0x00080000,
    kInternetFlag_NoAuth = 0x00040000,
    kInternetFlag_IgnoreRedirectToHttp = 0x00008000,
    kInternetFlag_NoUi = 0x00000200,

    kInternetConnection_Lan = 0x2,
    kInternetConnection_Proxy = 0x4,

    // Process-wide limits of simultaneous connections to one server (HTTP/1.1 and HTTP/1.0
    // servers); only WinINet-style requests count against them.
    kInternetOption_MaxConnsPerServer = 73,
    kInternetOption_MaxConnsPer10Server = 74,
};

HttpHandle InternetOpen(const wchar_t* userAgent, uint32_t accessType, const wchar_t* proxyName,
                        const wchar_t* proxyBypass, uint32_t flags);
HttpHandle InternetConnect(HttpHandle session, const std::wstring& host, uint16_t port,
                           const wchar_t* userName, const wchar_t* password, uint32_t service,
                           uint32_t flags);
HttpHandle HttpOpenRequest(HttpHandle connection, const std::wstring& verb, const std::wstring& path,
                           const wchar_t* version, const wchar_t* referrer, const wchar_t* const* acceptTypes,
                           uint32_t flags);
bool HttpAddRequestHeaders(HttpHandle request, const wchar_t* headers, uint32_t length, uint32_t modifiers);
// Waits for a free connection slot of the server (no time-out), connects, sends and waits for
// the headers of the final response.
bool HttpSendRequest(HttpHandle request);
// As WinHttpQueryHeaders.
bool HttpQueryInfo(HttpHandle request, uint32_t infoLevel, void* buffer, uint32_t* bufferLength);
bool InternetReadFile(HttpHandle request, void* buffer, uint32_t toRead, uint32_t* read);
bool InternetCloseHandle(HttpHandle handle);

// Always connected here (kInternetConnection_Lan); kInternetConnection_Proxy is added when the
// environment names a proxy (http_proxy, https_proxy, all_proxy, upper- or lower-case).
bool InternetGetConnectedState(uint32_t* flags);

// Process-wide options on the null handle (options 73 and 74, 4-byte values). Without a buffer,
// or with one too small, the query fails with kHttpError_InsufficientBuffer and sets the length.
bool InternetQueryOption(HttpHandle handle, uint32_t option, void* buffer, uint32_t* bufferLength);
bool InternetSetOption(HttpHandle handle, uint32_t option, const void* buffer, uint32_t bufferLength);

namespace test {

// Sends connections for (host, port) to 127.0.0.1:loopbackPort instead; the request keeps its
// host name (Host header, TLS name check). loopbackPort 0 removes the mapping.
void MapHttpTarget(const std::string& host, uint16_t port, uint16_t loopbackPort);
void ClearHttpTargets();
// Restores options 73 and 74 and forgets what servers answered.
void ResetHttpOptions();
// WinINet-style requests blocked in HttpSendRequest waiting for a connection slot.
int HttpRequestsWaitingForSlot();

} // namespace test

} // namespace plat
