#include "platform/linux/HttpTransfer.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/System.h"

namespace plat::detail {

namespace {

constexpr uint64_t kConnectTimeoutMs = 60000;
constexpr uint64_t kStallTimeoutMs = 30000;
// How often a waiting transfer looks at the platform clock.
constexpr int kPollIntervalMs = 50;
constexpr long kMaxRedirects = 10;

void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Parsing a certificate bundle costs tens of milliseconds; every request (and an http URL's TLS
// attempt) would pay it again. One store per bundle is loaded once and kept for the process.
X509_STORE* SharedCertificateStore(const std::string& bundle)
{
    static std::mutex lock;
    static std::map<std::string, X509_STORE*> stores;
    std::lock_guard<std::mutex> guard(lock);
    if (auto it = stores.find(bundle); it != stores.end())
        return it->second;
    X509_STORE* store = X509_STORE_new();
    if (!store)
        return nullptr;
    const int loaded =
        bundle.empty() ? X509_STORE_set_default_paths(store) : X509_STORE_load_file(store, bundle.c_str());
    if (loaded != 1) {
        X509_STORE_free(store);
        return nullptr;
    }
    stores.emplace(bundle, store);
    return store;
}

CURLcode UseSharedStore(CURL*, void* sslContext, void* store)
{
    SSL_CTX_set1_cert_store(static_cast<SSL_CTX*>(sslContext), static_cast<X509_STORE*>(store));
    return CURLE_OK;
}

// Verification against the shared store when curl's TLS library is OpenSSL, else curl loads the
// bundle itself. libcurl ignores SSL_CERT_FILE, which the OpenSSL tools honour; it is read here.
void SetCertificateStore(CURL* easy)
{
    const char* variable = std::getenv("SSL_CERT_FILE");
    const std::string bundle = variable ? variable : "";
    X509_STORE* store = SharedCertificateStore(bundle);
    if (store && curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &UseSharedStore) == CURLE_OK) {
        curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, store);
        curl_easy_setopt(easy, CURLOPT_CAINFO, nullptr);
        curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
        return;
    }
    if (!bundle.empty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, bundle.c_str());
}

CURL* Easy(void* p)
{
    return static_cast<CURL*>(p);
}
CURLM* Multi(void* p)
{
    return static_cast<CURLM*>(p);
}

bool StartsWithNoCase(const char* data, size_t length, const char* prefix)
{
    size_t n = std::strlen(prefix);
    return length >= n && strncasecmp(data, prefix, n) == 0;
}

std::string Trimmed(const char* data, size_t length)
{
    size_t begin = 0;
    while (begin < length && (data[begin] == ' ' || data[begin] == '\t'))
        ++begin;
    size_t end = length;
    while (end > begin &&
           (data[end - 1] == ' ' || data[end - 1] == '\t' || data[end - 1] == '\r' || data[end - 1] == '\n'))
        --end;
    return std::string(data + begin, end - begin);
}

} // namespace

CHttpTransfer::CHttpTransfer()
{
    InitCurlOnce();
}

CHttpTransfer::~CHttpTransfer()
{
    if (m_multi && m_easy && m_added)
        curl_multi_remove_handle(Multi(m_multi), Easy(m_easy));
    if (m_easy)
        curl_easy_cleanup(Easy(m_easy));
    if (m_multi)
        curl_multi_cleanup(Multi(m_multi));
    curl_slist_free_all(static_cast<curl_slist*>(m_headerList));
    curl_slist_free_all(static_cast<curl_slist*>(m_connectTo));
}

HttpFailure CHttpTransfer::Start(const HttpTransferSetup& setup)
{
    m_easy = curl_easy_init();
    m_multi = curl_multi_init();
    if (!m_easy || !m_multi)
        return HttpFailure::kOutOfMemory;
    CURL* easy = Easy(m_easy);

    curl_easy_setopt(easy, CURLOPT_URL, setup.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorText);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION,
                     setup.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    if (setup.verb == "HEAD")
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L); // a custom "HEAD" would wait for a body
    else if (setup.verb != "GET")
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, setup.verb.c_str());

    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, setup.httpsOnly ? "https" : "http,https");

    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(kConnectTimeoutMs));
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    SetCertificateStore(easy);
    if (!setup.useEnvProxy)
        curl_easy_setopt(easy, CURLOPT_PROXY, "");

    curl_slist* list = nullptr;
    if (!setup.sendAccept)
        list = curl_slist_append(list, "Accept:");
    for (const std::string& header : setup.headers)
        list = curl_slist_append(list, header.c_str());
    m_headerList = list;
    if (list)
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);

    curl_slist* connectTo = nullptr;
    for (const std::string& entry : setup.connectTo)
        connectTo = curl_slist_append(connectTo, entry.c_str());
    m_connectTo = connectTo;
    if (connectTo)
        curl_easy_setopt(easy, CURLOPT_CONNECT_TO, connectTo);

    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CHttpTransfer::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CHttpTransfer::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);

    if (curl_multi_add_handle(Multi(m_multi), easy) != CURLM_OK)
        return HttpFailure::kInternal;
    m_added = true;
    return HttpFailure::kNone;
}

bool CHttpTransfer::WaitConnected()
{
    return Drive([this] {
        curl_off_t pretransfer = 0;
        curl_easy_getinfo(Easy(m_easy), CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
        return pretransfer > 0 || m_headersDone;
    });
}

bool CHttpTransfer::WaitHeaders()
{
    return Drive([this] { return m_headersDone; }) && m_headersDone;
}

long CHttpTransfer::Read(void* buffer, size_t capacity)
{
    if (!m_headersDone)
        return -1;
    if (capacity == 0)
        return 0;
    m_out = static_cast<char*>(buffer);
    m_outCapacity = capacity;
    m_outLength = 0;

    size_t held = m_held.size() - m_heldPos;
    if (held > 0) {
        size_t n = std::min(held, capacity);
        std::memcpy(m_out, m_held.data() + m_heldPos, n);
        m_heldPos += n;
        m_outLength = n;
        if (m_heldPos == m_held.size()) {
            m_held.clear();
            m_heldPos = 0;
        }
    }
    if (m_outLength == 0 && !m_finished) {
        if (m_paused) {
            m_paused = false;
            curl_easy_pause(Easy(m_easy), CURLPAUSE_CONT); // may deliver the chunk curl kept back
        }
        if (m_outLength == 0)
            Drive([this] { return m_outLength > 0; });
    }
    m_out = nullptr;
    m_outCapacity = 0;
    if (m_outLength > 0)
        return static_cast<long>(m_outLength);
    return m_failure == HttpFailure::kNone ? 0 : -1;
}

template <typename Done> bool CHttpTransfer::Drive(Done done)
{
    uint64_t waitStart = GetTickCount64();
    m_lastProgress = waitStart;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(Multi(m_multi), &running) != CURLM_OK) {
            Fail(HttpFailure::kInternal);
            return false;
        }
        CollectResult();
        if (done())
            return true;
        if (m_finished)
            return m_failure == HttpFailure::kNone && done();
        if (TimedOut(waitStart)) {
            Fail(HttpFailure::kTimeout);
            return false;
        }
        curl_multi_poll(Multi(m_multi), nullptr, 0, kPollIntervalMs, nullptr);
    }
}

void CHttpTransfer::CollectResult()
{
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(Multi(m_multi), &left)) {
        if (msg->msg != CURLMSG_DONE)
            continue;
        m_finished = true;
        if (msg->data.result != CURLE_OK && m_failure == HttpFailure::kNone)
            m_failure = Classify(msg->data.result);
        if (msg->data.result == CURLE_OK && !m_headersDone)
            m_failure = HttpFailure::kInvalidResponse;
    }
}

bool CHttpTransfer::TimedOut(uint64_t waitStart)
{
    uint64_t now = GetTickCount64();
    curl_off_t pretransfer = 0;
    curl_easy_getinfo(Easy(m_easy), CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
    if (pretransfer == 0 && !m_headersDone)
        return now - waitStart >= kConnectTimeoutMs;
    return now - m_lastProgress >= kStallTimeoutMs;
}

void CHttpTransfer::Fail(HttpFailure failure)
{
    if (m_failure == HttpFailure::kNone)
        m_failure = failure;
    m_finished = true;
    if (m_added) {
        curl_multi_remove_handle(Multi(m_multi), Easy(m_easy));
        m_added = false;
    }
}

HttpFailure CHttpTransfer::Classify(int code) const
{
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return HttpFailure::kTimeout;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return HttpFailure::kNameNotResolved;
    case CURLE_COULDNT_CONNECT:
        return HttpFailure::kCannotConnect;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return HttpFailure::kConnectionReset;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
        return HttpFailure::kConnectionAborted;
    case CURLE_PEER_FAILED_VERIFICATION:
        if (std::strstr(m_errorText, "subject") || std::strstr(m_errorText, "match"))
            return HttpFailure::kCertName;
        if (std::strstr(m_errorText, "expired") || std::strstr(m_errorText, "not yet valid"))
            return HttpFailure::kCertDate;
        return HttpFailure::kInvalidCa;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_USE_SSL_FAILED:
        return HttpFailure::kSecureChannel;
    case CURLE_TOO_MANY_REDIRECTS:
        return HttpFailure::kRedirect;
    case CURLE_UNSUPPORTED_PROTOCOL:
        // A redirect to a scheme we refuse, or an answer that is no HTTP at all.
        return m_sawRedirect ? HttpFailure::kRedirect : HttpFailure::kInvalidResponse;
    case CURLE_URL_MALFORMAT:
        return HttpFailure::kInvalidUrl;
    case CURLE_OUT_OF_MEMORY:
        return HttpFailure::kOutOfMemory;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_FILESIZE_EXCEEDED:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
        return HttpFailure::kInvalidResponse;
    default:
        return HttpFailure::kConnectionAborted;
    }
}

size_t CHttpTransfer::OnHeader(char* data, size_t size, size_t count, void* self)
{
    return static_cast<CHttpTransfer*>(self)->Header(data, size * count);
}

size_t CHttpTransfer::OnBody(char* data, size_t size, size_t count, void* self)
{
    return static_cast<CHttpTransfer*>(self)->Body(data, size * count);
}

size_t CHttpTransfer::Header(const char* data, size_t length)
{
    m_lastProgress = GetTickCount64();
    if (StartsWithNoCase(data, length, "HTTP/")) {
        m_pendingStatus = 0;
        m_pendingHttp10 = StartsWithNoCase(data, length, "HTTP/1.0");
        m_pendingHasLength = false;
        m_pendingLocation = false;
        m_pendingLength.clear();
        const char* space = static_cast<const char*>(std::memchr(data, ' ', length));
        if (space)
            m_pendingStatus = std::atoi(space + 1);
        return length;
    }
    if (StartsWithNoCase(data, length, "Content-Length:")) {
        m_pendingHasLength = true;
        m_pendingLength = Trimmed(data + 15, length - 15);
        return length;
    }
    if (StartsWithNoCase(data, length, "Location:")) {
        m_pendingLocation = !Trimmed(data + 9, length - 9).empty();
        return length;
    }
    if (Trimmed(data, length).empty()) {
        if (m_pendingStatus >= 100 && m_pendingStatus < 200)
            return length;
        bool redirect =
            m_pendingStatus >= 300 && m_pendingStatus < 400 && m_pendingStatus != 304 && m_pendingLocation;
        if (redirect) {
            m_sawRedirect = true;
            return length; // libcurl follows it; the final answer comes next
        }
        m_headersDone = true;
        m_status = m_pendingStatus;
        m_http10 = m_pendingHttp10;
        m_hasContentLength = m_pendingHasLength;
        m_contentLength = m_pendingLength;
    }
    return length;
}

size_t CHttpTransfer::Body(const char* data, size_t length)
{
    m_lastProgress = GetTickCount64();
    if (!m_headersDone)
        return length; // the body of an answer that is not the final one
    if (m_heldPos < m_held.size()) {
        m_paused = true; // one held chunk at most; libcurl keeps this one until it is resumed
        return CURL_WRITEFUNC_PAUSE;
    }
    size_t room = m_out ? m_outCapacity - m_outLength : 0;
    size_t n = std::min(room, length);
    if (n > 0) {
        std::memcpy(m_out + m_outLength, data, n);
        m_outLength += n;
    }
    if (n < length) {
        m_held.assign(data + n, data + length);
        m_heldPos = 0;
    }
    return length;
}

} // namespace plat::detail
