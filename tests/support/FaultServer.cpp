#include "support/FaultServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#if SK_HAVE_OPENSSL
#include <openssl/ssl.h>
#endif
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <strings.h>

namespace sktest {

namespace {

constexpr size_t kMaxHead = 64 * 1024;
constexpr size_t kWriteChunk = 16 * 1024;

std::string Trim(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

const char* Reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 416:
        return "Range Not Satisfiable";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

// "bytes=first-last" with optional blanks; false when the header is not of that form.
bool ParseRange(const std::string& value, long& first, long& last)
{
    std::string v = Trim(value);
    if (v.rfind("bytes=", 0) != 0)
        return false;
    v = Trim(v.substr(6));
    size_t dash = v.find('-', 1);
    if (dash == std::string::npos)
        return false;
    char* end = nullptr;
    first = std::strtol(v.c_str(), &end, 10);
    if (end != v.c_str() + dash)
        return false;
    std::string tail = Trim(v.substr(dash + 1));
    if (tail.empty()) {
        last = -2; // open-ended
        return true;
    }
    last = std::strtol(tail.c_str(), &end, 10);
    return *end == 0;
}

// TLS through OpenSSL where the build has it; without it StartTls fails and plain mode still works.
#if SK_HAVE_OPENSSL
void* TlsContextNew(const std::string& certFile, const std::string& keyFile)
{
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (ctx && SSL_CTX_use_certificate_chain_file(ctx, certFile.c_str()) == 1 &&
        SSL_CTX_use_PrivateKey_file(ctx, keyFile.c_str(), SSL_FILETYPE_PEM) == 1)
        return ctx;
    SSL_CTX_free(ctx);
    return nullptr;
}
void TlsContextFree(void* ctx)
{
    SSL_CTX_free(static_cast<SSL_CTX*>(ctx));
}
void* TlsAccept(void* ctx, int fd)
{
    SSL* ssl = SSL_new(static_cast<SSL_CTX*>(ctx));
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) > 0)
        return ssl;
    SSL_free(ssl);
    return nullptr;
}
long TlsRead(void* ssl, char* buffer, size_t size)
{
    return SSL_read(static_cast<SSL*>(ssl), buffer, static_cast<int>(size));
}
long TlsWrite(void* ssl, const char* data, size_t size)
{
    return SSL_write(static_cast<SSL*>(ssl), data, static_cast<int>(size));
}
void TlsClose(void* ssl, bool orderly)
{
    if (orderly)
        SSL_shutdown(static_cast<SSL*>(ssl));
    SSL_free(static_cast<SSL*>(ssl));
}
#else
void* TlsContextNew(const std::string&, const std::string&)
{
    return nullptr;
}
void TlsContextFree(void*) {}
void* TlsAccept(void*, int)
{
    return nullptr;
}
long TlsRead(void*, char*, size_t)
{
    return -1;
}
long TlsWrite(void*, const char*, size_t)
{
    return -1;
}
void TlsClose(void*, bool) {}
#endif

} // namespace

struct FaultServer::Connection
{
    int fd = -1;
    void* ssl = nullptr; // TLS session, null in plain mode
    bool reset = false;

    long Read(char* buffer, size_t size)
    {
        if (ssl)
            return TlsRead(ssl, buffer, size);
        return recv(fd, buffer, size, 0);
    }

    bool Write(const char* data, size_t size)
    {
        while (size > 0) {
            long n = ssl ? TlsWrite(ssl, data, size) : send(fd, data, size, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    bool Write(const std::string& text) { return Write(text.data(), text.size()); }

    void Reset()
    {
        linger hard{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        reset = true;
    }
};

std::string RecordedRequest::RequestLine() const
{
    return raw.substr(0, raw.find("\r\n"));
}

std::vector<std::string> RecordedRequest::HeaderLines() const
{
    std::vector<std::string> lines;
    size_t pos = raw.find("\r\n");
    while (pos != std::string::npos) {
        size_t next = raw.find("\r\n", pos + 2);
        if (next == std::string::npos || next == pos + 2)
            break;
        lines.push_back(raw.substr(pos + 2, next - pos - 2));
        pos = next;
    }
    return lines;
}

std::string RecordedRequest::Header(const std::string& name) const
{
    for (const std::string& line : HeaderLines()) {
        size_t colon = line.find(':');
        if (colon == name.size() && strncasecmp(line.c_str(), name.c_str(), name.size()) == 0)
            return Trim(line.substr(colon + 1));
    }
    return {};
}

FaultServer::FaultServer() : m_body(PatternBytes(1000)) {}

FaultServer::~FaultServer()
{
    Stop();
}

std::string FaultServer::PatternBytes(size_t size)
{
    std::string bytes(size, '\0');
    uint32_t x = 2463534242u;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x & 0xFF);
    }
    return bytes;
}

bool FaultServer::StartPlain()
{
    return Start(false, {}, {});
}

bool FaultServer::StartTls(const std::string& certFile, const std::string& keyFile)
{
    return Start(true, certFile, keyFile);
}

bool FaultServer::Start(bool tls, const std::string& certFile, const std::string& keyFile)
{
    std::signal(SIGPIPE, SIG_IGN);
    if (tls) {
        m_sslContext = TlsContextNew(certFile, keyFile);
        if (!m_sslContext)
            return false;
    }
    m_listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0 || pipe2(m_wakePipe, O_CLOEXEC) != 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listenFd, 64) != 0 ||
        getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
    return true;
}

void FaultServer::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_stopping || m_listenFd < 0)
            return;
        m_stopping = true;
        for (int fd : m_openFds)
            shutdown(fd, SHUT_RDWR);
    }
    m_changed.notify_all();
    char wake = 1;
    (void)!write(m_wakePipe[1], &wake, 1);
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        for (int fd : m_openFds)
            shutdown(fd, SHUT_RDWR);
        threads.swap(m_connectionThreads);
    }
    for (std::thread& t : threads)
        t.join();
    close(m_listenFd);
    close(m_wakePipe[0]);
    close(m_wakePipe[1]);
    m_listenFd = -1;
    TlsContextFree(m_sslContext);
    m_sslContext = nullptr;
}

void FaultServer::AcceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_stopping) {
            close(fd);
            return;
        }
        m_openFds.push_back(fd);
        m_connectionThreads.emplace_back([this, fd] { Serve(fd); });
    }
}

void FaultServer::Serve(int fd)
{
    Connection c;
    c.fd = fd;
    bool tls = m_sslContext != nullptr;
    if (tls) {
        c.ssl = TlsAccept(m_sslContext, fd);
    } else {
        unsigned char first = 0;
        if (recv(fd, &first, 1, MSG_PEEK) == 1 && first == 0x16) {
            {
                std::lock_guard<std::mutex> lock(m_lock);
                ++m_tlsHellos;
            }
            c.Write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            tls = true; // nothing more to serve on this connection
        }
    }

    bool serve = tls ? c.ssl != nullptr : true;
    std::string pending;
    char buffer[4096];
    while (serve) {
        size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos && pending.size() < kMaxHead) {
            long n = c.Read(buffer, sizeof buffer);
            if (n <= 0)
                break;
            pending.append(buffer, static_cast<size_t>(n));
        }
        if (end == std::string::npos)
            break;
        RecordedRequest request{pending.substr(0, end + 4)};
        pending.erase(0, end + 4);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_requests.push_back(request);
        }
        m_changed.notify_all();
        serve = Answer(c, request);
    }

    if (c.ssl)
        TlsClose(c.ssl, !c.reset);
    std::lock_guard<std::mutex> lock(m_lock);
    m_openFds.erase(std::remove(m_openFds.begin(), m_openFds.end(), fd), m_openFds.end());
    close(fd);
}

bool FaultServer::Answer(Connection& c, const RecordedRequest& request)
{
    std::unique_lock<std::mutex> lock(m_lock);
    std::string raw = m_rawAnswer;
    int status = m_status;
    std::string payload = status ? m_statusBody : m_body;
    size_t total = m_body.size();
    bool noLength = m_noContentLength;
    std::string lengthText = m_contentLengthText;
    long resetAfter = m_resetAfter;
    bool ignoreRange = m_ignoreRange;
    std::vector<std::string> extra = m_extraHeaders;
    lock.unlock();

    if (!raw.empty()) {
        c.Write(raw);
        return false;
    }
    if (!HoldIfStalled(Stall::kBeforeAnswer, 0))
        return false;

    std::string line = request.RequestLine();
    bool head = line.rfind("HEAD ", 0) == 0;
    std::string contentRange;
    if (!status) {
        status = 200;
        long first = 0;
        long last = 0;
        std::string range = request.Header("Range");
        if (!ignoreRange && !range.empty() && ParseRange(range, first, last)) {
            long size = static_cast<long>(total);
            if (last == -2 || last >= size)
                last = size - 1;
            if (first < 0 || first >= size || last < first) {
                status = 416;
                payload.clear();
                contentRange = "bytes */" + std::to_string(total);
            } else {
                status = 206;
                payload = payload.substr(static_cast<size_t>(first), static_cast<size_t>(last - first + 1));
                contentRange = "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
                               std::to_string(total);
            }
        }
    }

    bool keepAlive = !noLength && lengthText.empty();
    std::string headers = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
    headers += "Content-Type: application/octet-stream\r\n";
    if (!contentRange.empty())
        headers += "Content-Range: " + contentRange + "\r\n";
    if (!lengthText.empty())
        headers += "Content-Length: " + lengthText + "\r\n";
    else if (!noLength)
        headers += "Content-Length: " + std::to_string(payload.size()) + "\r\n";
    for (const std::string& h : extra)
        headers += h + "\r\n";
    if (!keepAlive)
        headers += "Connection: close\r\n";
    headers += "\r\n";
    if (!c.Write(headers))
        return false;
    if (!HoldIfStalled(Stall::kAfterHeaders, 0))
        return false;
    if (head)
        return keepAlive;

    size_t sent = 0;
    while (sent < payload.size()) {
        if (resetAfter >= 0 && sent >= static_cast<size_t>(resetAfter)) {
            c.Reset();
            return false;
        }
        size_t stallAt;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            stallAt = m_stall == Stall::kAfterBytes ? m_stallBytes : payload.size();
        }
        size_t limit = payload.size();
        if (resetAfter >= 0)
            limit = std::min(limit, static_cast<size_t>(resetAfter));
        if (stallAt > sent)
            limit = std::min(limit, stallAt);
        size_t n = std::min(kWriteChunk, limit - sent);
        if (n > 0 && !c.Write(payload.data() + sent, n))
            return false;
        sent += n;
        if (!HoldIfStalled(Stall::kAfterBytes, sent))
            return false;
    }
    if (resetAfter >= 0 && sent >= static_cast<size_t>(resetAfter)) {
        c.Reset();
        return false;
    }
    return keepAlive;
}

bool FaultServer::HoldIfStalled(Stall point, size_t sent)
{
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_stall != point || (point == Stall::kAfterBytes && sent != m_stallBytes))
        return !m_stopping;
    ++m_stalled;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_stall != point || m_stopping; });
    --m_stalled;
    return !m_stopping;
}

void FaultServer::SetBody(std::string body)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_body = std::move(body);
}

void FaultServer::SetStatus(int status, std::string body)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_status = status;
    m_statusBody = std::move(body);
}

void FaultServer::SetNoContentLength(bool on)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_noContentLength = on;
}

void FaultServer::SetContentLengthText(std::string text)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_contentLengthText = std::move(text);
}

void FaultServer::SetRawAnswer(std::string bytes)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_rawAnswer = std::move(bytes);
}

void FaultServer::SetResetAfter(long bytes)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_resetAfter = bytes;
}

void FaultServer::SetIgnoreRange(bool on)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_ignoreRange = on;
}

void FaultServer::SetExtraHeaders(std::vector<std::string> lines)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_extraHeaders = std::move(lines);
}

void FaultServer::SetStall(Stall stall, size_t afterBytes)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stall = stall;
        m_stallBytes = afterBytes;
    }
    m_changed.notify_all();
}

void FaultServer::ReleaseStall()
{
    SetStall(Stall::kNone);
}

std::vector<RecordedRequest> FaultServer::Requests() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests;
}

size_t FaultServer::RequestCount() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests.size();
}

int FaultServer::TlsHellos() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_tlsHellos;
}

int FaultServer::StalledConnections() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_stalled;
}

bool FaultServer::WaitForRequests(size_t n)
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [&] { return m_requests.size() >= n || m_stopping; });
    return m_requests.size() >= n;
}

bool FaultServer::WaitStalled(int n)
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [&] { return m_stalled >= n || m_stopping; });
    return !m_stopping;
}

} // namespace sktest
