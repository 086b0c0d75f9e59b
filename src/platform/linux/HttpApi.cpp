#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/Http.h"
#include "platform/Text.h"
#include "platform/linux/HttpTransfer.h"

// What goes on the wire. Both families form the same request; the flags decide the scheme and
// the no-cache pair:
//
//   GET /dir/file%20name.exe HTTP/1.1\r\n   verb; path percent-encoded as UTF-8, "/" put in front
//   Host: example.com\r\n                    ":port" added when it is not the scheme's default
//   Accept: */*\r\n                          only with accept types (always "*/*" here)
//   Pragma: no-cache\r\n                     WinHTTP Refresh (0x100) or WinINet Reload (0x80000000)
//   Cache-Control: no-cache\r\n              the same flags, HTTP/1.1 requests only
//   Range:bytes=0-332\r\n                    every added header line, byte for byte, in order
//   \r\n
//
// No User-Agent, no Connection, no cookies, no body. HEAD goes out as libcurl's no-body request.
// Redirects are followed (10 at most) with the same added headers; a TLS request never follows
// one to plain HTTP. WinHTTP Secure (0x800000) and WinINet Secure (0x00800000) choose TLS.
namespace plat {

namespace detail {
void SetLastHttpError(uint32_t code);
}

enum class HttpFamily
{
    kWinHttp,
    kWinInet,
};

enum class HttpKind
{
    kSession,
    kConnection,
    kRequest,
};

struct HttpObject
{
    HttpObject(HttpFamily f, HttpKind k) : family(f), kind(k) {}
    virtual ~HttpObject() = default;

    HttpFamily family;
    HttpKind kind;
    bool useEnvProxy = true;
};

namespace {

using detail::CHttpTransfer;
using detail::HttpFailure;
using detail::SetLastHttpError;

constexpr uint32_t kDefaultMaxConnsPerServer = 2;
constexpr uint32_t kDefaultMaxConnsPer10Server = 4;

struct Connection : HttpObject
{
    using HttpObject::HttpObject;
    std::string host;
    uint16_t port = 0;
};

struct Request : HttpObject
{
    using HttpObject::HttpObject;
    ~Request() override;

    enum State
    {
        kOpened,
        kSent,
        kReceived,
    };

    std::string host;
    uint16_t port = 0;
    std::string verb;
    std::string target;
    bool http10 = false;
    bool accept = true;
    bool secure = false;
    bool noCache = false;
    std::vector<std::string> headers;
    std::unique_ptr<CHttpTransfer> transfer;
    State state = kOpened;
    bool holdsSlot = false;

    std::string ServerKey() const { return host + ":" + std::to_string(port); }
};

// The process-wide connection limits of the WinINet-style family, per server.
class CServerSlots
{
public:
    void Acquire(const std::string& server)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        ++m_waiting;
        m_changed.wait(lock, [&] { return m_inUse[server] < LimitFor(server); });
        --m_waiting;
        ++m_inUse[server];
    }

    void Release(const std::string& server)
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            auto it = m_inUse.find(server);
            if (it != m_inUse.end() && --it->second <= 0)
                m_inUse.erase(it);
        }
        m_changed.notify_all();
    }

    void MarkHttp10(const std::string& server)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_http10Servers.insert(server);
    }

    uint32_t Get(uint32_t option)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return option == kInternetOption_MaxConnsPerServer ? m_maxPerServer : m_maxPer10Server;
    }

    void Set(uint32_t option, uint32_t value)
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            (option == kInternetOption_MaxConnsPerServer ? m_maxPerServer : m_maxPer10Server) = value;
        }
        m_changed.notify_all();
    }

    int Waiting()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_waiting;
    }

    void Reset()
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_maxPerServer = kDefaultMaxConnsPerServer;
            m_maxPer10Server = kDefaultMaxConnsPer10Server;
            m_http10Servers.clear();
        }
        m_changed.notify_all();
    }

private:
    // A server's version is only known once it has answered; until then it counts as HTTP/1.1.
    int LimitFor(const std::string& server) const
    {
        uint32_t limit = m_http10Servers.count(server) ? m_maxPer10Server : m_maxPerServer;
        return static_cast<int>(std::min<uint32_t>(limit, 0x7FFFFFFF));
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<std::string, int> m_inUse;
    std::set<std::string> m_http10Servers;
    int m_waiting = 0;
    uint32_t m_maxPerServer = kDefaultMaxConnsPerServer;
    uint32_t m_maxPer10Server = kDefaultMaxConnsPer10Server;
};

CServerSlots& Slots()
{
    static CServerSlots slots;
    return slots;
}

Request::~Request()
{
    transfer.reset();
    if (holdsSlot)
        Slots().Release(ServerKey());
}

void ReleaseSlot(Request& request)
{
    if (!request.holdsSlot)
        return;
    request.holdsSlot = false;
    Slots().Release(request.ServerKey());
}

// ---- Live handles ----

std::mutex g_handlesLock;
std::unordered_set<HttpObject*>& Handles()
{
    static std::unordered_set<HttpObject*> handles;
    return handles;
}

HttpHandle Register(std::unique_ptr<HttpObject> object)
{
    std::lock_guard<std::mutex> lock(g_handlesLock);
    HttpObject* raw = object.release();
    Handles().insert(raw);
    return raw;
}

HttpObject* Find(HttpHandle handle, HttpFamily family)
{
    {
        std::lock_guard<std::mutex> lock(g_handlesLock);
        if (!handle || !Handles().count(handle)) {
            SetLastHttpError(kHttpError_InvalidHandle);
            return nullptr;
        }
    }
    if (handle->family != family) {
        SetLastHttpError(kHttpError_IncorrectHandleType);
        return nullptr;
    }
    return handle;
}

template <typename T> T* FindKind(HttpHandle handle, HttpFamily family, HttpKind kind)
{
    HttpObject* object = Find(handle, family);
    if (!object)
        return nullptr;
    if (object->kind != kind) {
        SetLastHttpError(kHttpError_IncorrectHandleType);
        return nullptr;
    }
    return static_cast<T*>(object);
}

bool Close(HttpHandle handle, HttpFamily family)
{
    if (!Find(handle, family))
        return false;
    {
        std::lock_guard<std::mutex> lock(g_handlesLock);
        Handles().erase(handle);
    }
    delete handle;
    return true;
}

// ---- Test targets ----

std::mutex g_targetsLock;
std::map<std::string, uint16_t>& Targets()
{
    static std::map<std::string, uint16_t> targets;
    return targets;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string TargetKey(const std::string& host, uint16_t port)
{
    return Lower(host) + ":" + std::to_string(port);
}

// Every mapping, so that redirects to another mapped server are mapped too.
std::vector<std::string> ConnectToEntries()
{
    std::lock_guard<std::mutex> lock(g_targetsLock);
    std::vector<std::string> entries;
    for (const auto& [key, loopbackPort] : Targets())
        entries.push_back(key + ":127.0.0.1:" + std::to_string(loopbackPort));
    return entries;
}

// ---- Texts ----

uint32_t ErrorFor(HttpFailure failure, HttpFamily family)
{
    bool winInet = family == HttpFamily::kWinInet;
    switch (failure) {
    case HttpFailure::kNone:
        return kHttpError_Success;
    case HttpFailure::kTimeout:
        return kHttpError_Timeout;
    case HttpFailure::kNameNotResolved:
        return kHttpError_NameNotResolved;
    case HttpFailure::kCannotConnect:
        return kHttpError_CannotConnect;
    case HttpFailure::kConnectionAborted:
        return kHttpError_ConnectionAborted;
    case HttpFailure::kConnectionReset:
        return winInet ? kHttpError_ConnectionReset : kHttpError_ConnectionAborted;
    case HttpFailure::kInvalidResponse:
        return kHttpError_InvalidServerResponse;
    case HttpFailure::kSecureChannel:
        return winInet ? kHttpError_SecurityChannelError : kHttpError_SecureFailure;
    case HttpFailure::kInvalidCa:
        return kHttpError_InvalidCa;
    case HttpFailure::kCertName:
        return kHttpError_CertCommonNameInvalid;
    case HttpFailure::kCertDate:
        return kHttpError_CertDateInvalid;
    case HttpFailure::kRedirect:
        return kHttpError_RedirectFailed;
    case HttpFailure::kInvalidUrl:
        return kHttpError_InvalidUrl;
    case HttpFailure::kOutOfMemory:
        return kHttpError_NotEnoughMemory;
    case HttpFailure::kInternal:
        break;
    }
    return kHttpError_InternalError;
}

bool ValidHost(const std::string& host)
{
    if (host.empty())
        return false;
    return std::all_of(host.begin(), host.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' || c == ':';
    });
}

// Keeps what a request target may hold as it is (including existing escapes) and escapes the rest.
std::string EncodeTarget(const std::wstring& path)
{
    static const char kKeep[] = "-._~!$&'()*+,;=:@/?%";
    std::string utf8 = WideToUtf8(path);
    std::string out;
    if (utf8.empty() || utf8[0] != '/')
        out += '/';
    for (unsigned char c : utf8) {
        if (std::isalnum(c) || (c < 0x80 && c != 0 && std::strchr(kKeep, c))) {
            out += static_cast<char>(c);
            continue;
        }
        static const char kHex[] = "0123456789ABCDEF";
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
    return out;
}

bool EnvironmentNamesProxy()
{
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

// ---- Shared operations of both families ----

HttpHandle OpenSession(HttpFamily family, bool useEnvProxy)
{
    auto session = std::make_unique<HttpObject>(family, HttpKind::kSession);
    session->useEnvProxy = useEnvProxy;
    return Register(std::move(session));
}

HttpHandle Connect(HttpFamily family, HttpHandle sessionHandle, const std::wstring& host, uint16_t port)
{
    HttpObject* session = FindKind<HttpObject>(sessionHandle, family, HttpKind::kSession);
    if (!session)
        return nullptr;
    std::string narrowHost = WideToUtf8(host);
    if (!ValidHost(narrowHost) || port == 0) {
        SetLastHttpError(kHttpError_InvalidUrl);
        return nullptr;
    }
    auto connection = std::make_unique<Connection>(family, HttpKind::kConnection);
    connection->useEnvProxy = session->useEnvProxy;
    connection->host = narrowHost;
    connection->port = port;
    return Register(std::move(connection));
}

HttpHandle OpenRequest(HttpFamily family, HttpHandle connectionHandle, const std::wstring& verb,
                       const std::wstring& path, const wchar_t* version, const wchar_t* const* acceptTypes,
                       bool secure, bool noCache)
{
    Connection* connection = FindKind<Connection>(connectionHandle, family, HttpKind::kConnection);
    if (!connection)
        return nullptr;
    std::string narrowVerb = verb.empty() ? "GET" : WideToUtf8(verb);
    bool tokenVerb = std::all_of(narrowVerb.begin(), narrowVerb.end(),
                                 [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
    std::wstring versionText = version ? version : L"HTTP/1.1";
    if (!tokenVerb || (versionText != L"HTTP/1.1" && versionText != L"HTTP/1.0")) {
        SetLastHttpError(kHttpError_InvalidParameter);
        return nullptr;
    }
    auto request = std::make_unique<Request>(family, HttpKind::kRequest);
    request->useEnvProxy = connection->useEnvProxy;
    request->host = connection->host;
    request->port = connection->port;
    request->verb = narrowVerb;
    request->target = EncodeTarget(path);
    request->http10 = versionText == L"HTTP/1.0";
    request->accept = acceptTypes && acceptTypes[0];
    request->secure = secure;
    request->noCache = noCache;
    return Register(std::move(request));
}

bool AddHeaders(HttpFamily family, HttpHandle handle, const wchar_t* headers, uint32_t length,
                uint32_t modifiers)
{
    Request* request = FindKind<Request>(handle, family, HttpKind::kRequest);
    if (!request)
        return false;
    if (!headers) {
        SetLastHttpError(kHttpError_InvalidParameter);
        return false;
    }
    std::wstring block =
        length == kHttpLengthToTerminator ? std::wstring(headers) : std::wstring(headers, length);
    std::string text = WideToUtf8(block);
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find('\n', begin);
        std::string line = text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty()) {
            size_t colon = line.find(':');
            if (colon == 0 || colon == std::string::npos || line.find('\r') != std::string::npos) {
                SetLastHttpError(kHttpError_InvalidHeader);
                return false;
            }
            lines.push_back(line);
        }
        if (end == std::string::npos)
            break;
        begin = end + 1;
    }
    for (const std::string& line : lines) {
        if (modifiers & kHttpAddReq_FlagReplace) {
            std::string name = Lower(line.substr(0, line.find(':') + 1));
            std::erase_if(request->headers,
                          [&](const std::string& h) { return Lower(h.substr(0, name.size())) == name; });
            if (line.find_first_not_of(" \t", name.size()) == std::string::npos)
                continue; // a replacement without a value only removes
        }
        request->headers.push_back(line);
    }
    return true;
}

bool StartTransfer(Request& request)
{
    detail::HttpTransferSetup setup;
    std::string host = request.host.find(':') != std::string::npos ? "[" + request.host + "]" : request.host;
    setup.url = std::string(request.secure ? "https://" : "http://") + host + ":" +
                std::to_string(request.port) + request.target;
    setup.verb = request.verb;
    setup.http10 = request.http10;
    setup.sendAccept = request.accept;
    setup.useEnvProxy = request.useEnvProxy;
    setup.httpsOnly = request.secure;
    if (request.noCache) {
        setup.headers.push_back("Pragma: no-cache");
        if (!request.http10)
            setup.headers.push_back("Cache-Control: no-cache");
    }
    setup.headers.insert(setup.headers.end(), request.headers.begin(), request.headers.end());
    setup.connectTo = ConnectToEntries();

    request.transfer = std::make_unique<CHttpTransfer>();
    HttpFailure failure = request.transfer->Start(setup);
    if (failure != HttpFailure::kNone) {
        SetLastHttpError(ErrorFor(failure, request.family));
        return false;
    }
    return true;
}

bool FailWith(Request& request)
{
    SetLastHttpError(ErrorFor(request.transfer->Failure(), request.family));
    ReleaseSlot(request);
    return false;
}

bool QueryValue(Request& request, uint32_t infoLevel, void* buffer, uint32_t* bufferLength)
{
    if (!bufferLength) {
        SetLastHttpError(kHttpError_InvalidParameter);
        return false;
    }
    if (request.state != Request::kReceived) {
        SetLastHttpError(kHttpError_IncorrectHandleState);
        return false;
    }
    std::string value;
    switch (infoLevel & 0xFFFF) {
    case kHttpQuery_ContentLength:
        if (!request.transfer->HasContentLength()) {
            SetLastHttpError(kHttpError_HeaderNotFound);
            return false;
        }
        value = request.transfer->ContentLength();
        break;
    case kHttpQuery_StatusCode:
        value = std::to_string(request.transfer->Status());
        break;
    default:
        SetLastHttpError(kHttpError_InvalidQueryRequest);
        return false;
    }

    if (infoLevel & kHttpQuery_FlagNumber) {
        if (!buffer || *bufferLength < sizeof(uint32_t)) {
            *bufferLength = sizeof(uint32_t);
            SetLastHttpError(kHttpError_InsufficientBuffer);
            return false;
        }
        bool digits = !value.empty() && value.size() <= 10 &&
                      std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
        unsigned long long number = digits ? std::strtoull(value.c_str(), nullptr, 10) : 0;
        if (!digits || number > 0xFFFFFFFFull) {
            SetLastHttpError(kHttpError_InvalidHeader);
            return false;
        }
        uint32_t n = static_cast<uint32_t>(number);
        std::memcpy(buffer, &n, sizeof n);
        *bufferLength = sizeof n;
        return true;
    }

    std::wstring wide = Utf8ToWide(value);
    uint32_t needed = static_cast<uint32_t>((wide.size() + 1) * sizeof(wchar_t));
    if (!buffer || *bufferLength < needed) {
        *bufferLength = needed;
        SetLastHttpError(kHttpError_InsufficientBuffer);
        return false;
    }
    std::memcpy(buffer, wide.c_str(), needed);
    *bufferLength = needed - sizeof(wchar_t);
    return true;
}

bool ReadBody(HttpFamily family, HttpHandle handle, void* buffer, uint32_t toRead, uint32_t* read)
{
    Request* request = FindKind<Request>(handle, family, HttpKind::kRequest);
    if (!request)
        return false;
    if (!read || (!buffer && toRead > 0)) {
        SetLastHttpError(kHttpError_InvalidParameter);
        return false;
    }
    *read = 0;
    if (request->state != Request::kReceived) {
        SetLastHttpError(kHttpError_IncorrectHandleState);
        return false;
    }
    long n = request->transfer->Read(buffer, toRead);
    if (n < 0)
        return FailWith(*request);
    if (n == 0 && toRead > 0)
        ReleaseSlot(*request);
    *read = static_cast<uint32_t>(n);
    return true;
}

bool IsKnownOption(uint32_t option)
{
    return option == kInternetOption_MaxConnsPerServer || option == kInternetOption_MaxConnsPer10Server;
}

} // namespace

int HttpGetStatusCode(HttpHandle handle)
{
    {
        std::lock_guard<std::mutex> lock(g_handlesLock);
        if (!handle || !Handles().count(handle) || handle->kind != HttpKind::kRequest)
            return 0;
    }
    auto* request = static_cast<Request*>(handle);
    return request->transfer ? request->transfer->Status() : 0;
}

// ---- WinHTTP-style ----

HttpHandle WinHttpOpen(const wchar_t*, uint32_t accessType, const wchar_t*, const wchar_t*, uint32_t)
{
    if (accessType != kWinHttpAccess_DefaultProxy && accessType != kWinHttpAccess_NoProxy) {
        SetLastHttpError(kHttpError_InvalidParameter);
        return nullptr;
    }
    return OpenSession(HttpFamily::kWinHttp, accessType == kWinHttpAccess_DefaultProxy);
}

HttpHandle WinHttpConnect(HttpHandle session, const std::wstring& host, uint16_t port)
{
    return Connect(HttpFamily::kWinHttp, session, host, port);
}

HttpHandle WinHttpOpenRequest(HttpHandle connection, const std::wstring& verb, const std::wstring& path,
                              const wchar_t* version, const wchar_t*, const wchar_t* const* acceptTypes,
                              uint32_t flags)
{
    return OpenRequest(HttpFamily::kWinHttp, connection, verb, path, version, acceptTypes,
                       (flags & kWinHttpFlag_Secure) != 0, (flags & kWinHttpFlag_Refresh) != 0);
}

bool WinHttpAddRequestHeaders(HttpHandle request, const wchar_t* headers, uint32_t length, uint32_t modifiers)
{
    return AddHeaders(HttpFamily::kWinHttp, request, headers, length, modifiers);
}

bool WinHttpSendRequest(HttpHandle handle)
{
    Request* request = FindKind<Request>(handle, HttpFamily::kWinHttp, HttpKind::kRequest);
    if (!request)
        return false;
    if (request->state != Request::kOpened) {
        SetLastHttpError(kHttpError_IncorrectHandleState);
        return false;
    }
    if (!StartTransfer(*request))
        return false;
    if (!request->transfer->WaitConnected())
        return FailWith(*request);
    request->state = Request::kSent;
    return true;
}

bool WinHttpReceiveResponse(HttpHandle handle)
{
    Request* request = FindKind<Request>(handle, HttpFamily::kWinHttp, HttpKind::kRequest);
    if (!request)
        return false;
    if (request->state != Request::kSent) {
        SetLastHttpError(kHttpError_IncorrectHandleState);
        return false;
    }
    if (!request->transfer->WaitHeaders())
        return FailWith(*request);
    request->state = Request::kReceived;
    return true;
}

bool WinHttpQueryHeaders(HttpHandle handle, uint32_t infoLevel, void* buffer, uint32_t* bufferLength)
{
    Request* request = FindKind<Request>(handle, HttpFamily::kWinHttp, HttpKind::kRequest);
    return request && QueryValue(*request, infoLevel, buffer, bufferLength);
}

bool WinHttpReadData(HttpHandle request, void* buffer, uint32_t toRead, uint32_t* read)
{
    return ReadBody(HttpFamily::kWinHttp, request, buffer, toRead, read);
}

bool WinHttpCloseHandle(HttpHandle handle)
{
    return Close(handle, HttpFamily::kWinHttp);
}

// ---- WinINet-style ----

HttpHandle InternetOpen(const wchar_t*, uint32_t accessType, const wchar_t*, const wchar_t*, uint32_t)
{
    switch (accessType) {
    case kInternetOpenType_Preconfig:
    case kInternetOpenType_PreconfigWithNoAutoproxy:
        return OpenSession(HttpFamily::kWinInet, true);
    case kInternetOpenType_Direct:
        return OpenSession(HttpFamily::kWinInet, false);
    default:
        SetLastHttpError(kHttpError_InvalidParameter);
        return nullptr;
    }
}

HttpHandle InternetConnect(HttpHandle session, const std::wstring& host, uint16_t port, const wchar_t*,
                           const wchar_t*, uint32_t service, uint32_t)
{
    if (service != kInternetService_Http) {
        SetLastHttpError(kHttpError_InvalidParameter);
        return nullptr;
    }
    return Connect(HttpFamily::kWinInet, session, host, port);
}

HttpHandle HttpOpenRequest(HttpHandle connection, const std::wstring& verb, const std::wstring& path,
                           const wchar_t* version, const wchar_t*, const wchar_t* const* acceptTypes,
                           uint32_t flags)
{
    return OpenRequest(HttpFamily::kWinInet, connection, verb, path, version, acceptTypes,
                       (flags & kInternetFlag_Secure) != 0, (flags & kInternetFlag_Reload) != 0);
}

bool HttpAddRequestHeaders(HttpHandle request, const wchar_t* headers, uint32_t length, uint32_t modifiers)
{
    return AddHeaders(HttpFamily::kWinInet, request, headers, length, modifiers);
}

bool HttpSendRequest(HttpHandle handle)
{
    Request* request = FindKind<Request>(handle, HttpFamily::kWinInet, HttpKind::kRequest);
    if (!request)
        return false;
    if (request->state != Request::kOpened) {
        SetLastHttpError(kHttpError_IncorrectHandleState);
        return false;
    }
    Slots().Acquire(request->ServerKey());
    request->holdsSlot = true;
    if (!StartTransfer(*request)) {
        ReleaseSlot(*request);
        return false;
    }
    if (!request->transfer->WaitHeaders())
        return FailWith(*request);
    if (request->transfer->Http10())
        Slots().MarkHttp10(request->ServerKey());
    request->state = Request::kReceived;
    return true;
}

bool HttpQueryInfo(HttpHandle handle, uint32_t infoLevel, void* buffer, uint32_t* bufferLength)
{
    Request* request = FindKind<Request>(handle, HttpFamily::kWinInet, HttpKind::kRequest);
    return request && QueryValue(*request, infoLevel, buffer, bufferLength);
}

bool InternetReadFile(HttpHandle request, void* buffer, uint32_t toRead, uint32_t* read)
{
    return ReadBody(HttpFamily::kWinInet, request, buffer, toRead, read);
}

bool InternetCloseHandle(HttpHandle handle)
{
    return Close(handle, HttpFamily::kWinInet);
}

bool InternetGetConnectedState(uint32_t* flags)
{
    if (!flags) {
        SetLastHttpError(kHttpError_InvalidParameter);
        return false;
    }
    uint32_t proxy = EnvironmentNamesProxy() ? static_cast<uint32_t>(kInternetConnection_Proxy) : 0u;
    *flags = static_cast<uint32_t>(kInternetConnection_Lan) | proxy;
    return true;
}

bool InternetQueryOption(HttpHandle handle, uint32_t option, void* buffer, uint32_t* bufferLength)
{
    if (handle && !Find(handle, HttpFamily::kWinInet))
        return false;
    if (!IsKnownOption(option)) {
        SetLastHttpError(kHttpError_InvalidOption);
        return false;
    }
    if (!bufferLength) {
        SetLastHttpError(kHttpError_InvalidParameter);
        return false;
    }
    if (!buffer || *bufferLength < sizeof(uint32_t)) {
        *bufferLength = sizeof(uint32_t);
        SetLastHttpError(kHttpError_InsufficientBuffer);
        return false;
    }
    uint32_t value = Slots().Get(option);
    std::memcpy(buffer, &value, sizeof value);
    *bufferLength = sizeof value;
    return true;
}

bool InternetSetOption(HttpHandle handle, uint32_t option, const void* buffer, uint32_t bufferLength)
{
    if (handle && !Find(handle, HttpFamily::kWinInet))
        return false;
    if (!IsKnownOption(option)) {
        SetLastHttpError(kHttpError_InvalidOption);
        return false;
    }
    uint32_t value = 0;
    if (buffer && bufferLength >= sizeof value)
        std::memcpy(&value, buffer, sizeof value);
    if (!buffer || bufferLength < sizeof value || value == 0 || value > 0x7FFFFFFF) {
        SetLastHttpError(kHttpError_InvalidParameter);
        return false;
    }
    Slots().Set(option, value);
    return true;
}

namespace test {

void MapHttpTarget(const std::string& host, uint16_t port, uint16_t loopbackPort)
{
    std::lock_guard<std::mutex> lock(g_targetsLock);
    if (loopbackPort == 0)
        Targets().erase(TargetKey(host, port));
    else
        Targets()[TargetKey(host, port)] = loopbackPort;
}

void ClearHttpTargets()
{
    std::lock_guard<std::mutex> lock(g_targetsLock);
    Targets().clear();
}

void ResetHttpOptions()
{
    Slots().Reset();
}

int HttpRequestsWaitingForSlot()
{
    return Slots().Waiting();
}

} // namespace test

} // namespace plat
