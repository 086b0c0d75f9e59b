#include "support/NginxServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "support/TestCertificates.h"

extern char** environ;

namespace sktest {

namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";

bool CanConnect(uint16_t port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

} // namespace

uint16_t FreeLoopbackPort()
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    uint16_t port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

NginxServer::NginxServer() : m_prefix(std::make_unique<TempDir>()), m_root(m_prefix->Child("www"))
{
    m_prefix->WriteFile("www/.keep", "");
    m_prefix->WriteFile("tmp/.keep", "");
}

NginxServer::~NginxServer()
{
    Stop();
}

bool NginxServer::Available()
{
    return access(kNginx, X_OK) == 0;
}

void NginxServer::WriteFile(const std::string& name, const std::string& bytes) const
{
    m_prefix->WriteFile("www/" + name, bytes);
}

std::string NginxServer::ErrorLog() const
{
    return m_prefix->ReadFile("error.log");
}

bool NginxServer::Start(const Options& options)
{
    // The port is free when chosen but another process may take it before nginx binds it.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (TryStart(options))
            return true;
    }
    return false;
}

bool NginxServer::TryStart(const Options& options)
{
    Stop();
    m_port = FreeLoopbackPort();
    if (!m_port)
        return false;
    const std::string& p = m_prefix->Path();
    std::string listen = "127.0.0.1:" + std::to_string(m_port);
    std::string server = "    listen " + listen + (options.https ? " ssl" : "") + ";\n";
    if (options.https) {
        const TestCertificates& certs = GetTestCertificates();
        if (!certs.ok)
            return false;
        server += "    ssl_certificate " + certs.certFile + ";\n";
        server += "    ssl_certificate_key " + certs.keyFile + ";\n";
    }
    if (!options.limitRate.empty())
        server += "    limit_rate " + options.limitRate + ";\n";
    std::string conf = "daemon off;\nmaster_process off;\nworker_processes 1;\n"
                       "pid " +
                       p + "/nginx.pid;\nerror_log " + p +
                       "/error.log warn;\n"
                       "events { worker_connections 256; }\n"
                       "http {\n"
                       "  access_log off;\n"
                       "  client_body_temp_path " +
                       p +
                       "/tmp/body;\n"
                       "  proxy_temp_path " +
                       p +
                       "/tmp/proxy;\n"
                       "  fastcgi_temp_path " +
                       p +
                       "/tmp/fastcgi;\n"
                       "  uwsgi_temp_path " +
                       p +
                       "/tmp/uwsgi;\n"
                       "  scgi_temp_path " +
                       p +
                       "/tmp/scgi;\n"
                       "  default_type application/octet-stream;\n"
                       "  server {\n" +
                       server +
                       "    server_name _;\n"
                       "    root " +
                       m_root +
                       ";\n"
                       "  }\n"
                       "}\n";
    m_prefix->WriteFile("nginx.conf", conf);

    std::string confPath = p + "/nginx.conf";
    std::string errorPath = p + "/error.log";
    const char* argv[] = {kNginx, "-c", confPath.c_str(), "-p", p.c_str(), "-e", errorPath.c_str(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, kNginx, nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return false;
    m_pid = pid;
    // nginx gives no readiness signal; wait (bounded) until it accepts or exits.
    for (int i = 0; i < 500; ++i) {
        if (CanConnect(m_port))
            return true;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Stop();
    return false;
}

void NginxServer::Stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
}

} // namespace sktest
