#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One HTTP exchange over libcurl, driven by its caller through a multi handle of its own: the
// transfer only moves while Send or Read runs, so a caller that stops reading stops receiving.
namespace plat::detail {

// What went wrong, before each API family turns it into its own error number.
enum class HttpFailure
{
    kNone,
    kTimeout,
    kNameNotResolved,
    kCannotConnect,
    kConnectionAborted,
    kConnectionReset,
    kInvalidResponse,
    kSecureChannel,
    kInvalidCa,
    kCertName,
    kCertDate,
    kRedirect,
    kInvalidUrl,
    kOutOfMemory,
    kInternal,
};

struct HttpTransferSetup
{
    std::string url;         // scheme://host:port/encoded-path
    std::string verb;        // "GET", "HEAD", ...
    bool http10 = false;     // HTTP/1.0 instead of HTTP/1.1
    bool sendAccept = true;  // "Accept: */*"
    bool useEnvProxy = true; // false: never a proxy
    bool httpsOnly = false;  // redirects may not leave TLS
    std::vector<std::string> headers;
    std::vector<std::string> connectTo; // "host:port:127.0.0.1:port" entries
};

class CHttpTransfer
{
public:
    CHttpTransfer();
    ~CHttpTransfer();
    CHttpTransfer(const CHttpTransfer&) = delete;
    CHttpTransfer& operator=(const CHttpTransfer&) = delete;

    // Prepares the exchange; kNone when it could be set up.
    HttpFailure Start(const HttpTransferSetup& setup);
    // Drives the exchange until the connection (and its TLS handshake) is up.
    bool WaitConnected();
    // Drives the exchange until the headers of the final response have arrived.
    bool WaitHeaders();
    // Bytes read (0 at the end of the body), or -1 on failure.
    long Read(void* buffer, size_t capacity);

    HttpFailure Failure() const { return m_failure; }
    int Status() const { return m_status; }
    bool Http10() const { return m_http10; }
    bool HasContentLength() const { return m_hasContentLength; }
    const std::string& ContentLength() const { return m_contentLength; }
    bool Finished() const { return m_finished; }

private:
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    size_t Header(const char* data, size_t length);
    size_t Body(const char* data, size_t length);

    template <typename Done> bool Drive(Done done);
    void CollectResult();
    bool TimedOut(uint64_t waitStart);
    void Fail(HttpFailure failure);
    HttpFailure Classify(int code) const;

    void* m_easy = nullptr;       // CURL*
    void* m_multi = nullptr;      // CURLM*
    void* m_headerList = nullptr; // curl_slist*
    void* m_connectTo = nullptr;  // curl_slist*
    bool m_added = false;
    bool m_finished = false;
    HttpFailure m_failure = HttpFailure::kNone;
    char m_errorText[256] = {};

    // Response being received, and the final one once m_headersDone.
    int m_pendingStatus = 0;
    bool m_pendingHttp10 = false;
    bool m_pendingHasLength = false;
    bool m_pendingLocation = false;
    std::string m_pendingLength;
    bool m_sawRedirect = false;
    bool m_headersDone = false;
    int m_status = 0;
    bool m_http10 = false;
    bool m_hasContentLength = false;
    std::string m_contentLength;

    // The caller's buffer while a Read runs, and the one network chunk that did not fit it.
    char* m_out = nullptr;
    size_t m_outCapacity = 0;
    size_t m_outLength = 0;
    std::vector<char> m_held;
    size_t m_heldPos = 0;
    bool m_paused = false;
    uint64_t m_lastProgress = 0;
};

} // namespace plat::detail
