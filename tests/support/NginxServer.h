#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "support/TempDir.h"

namespace sktest {

// nginx (/usr/sbin/nginx) on a free loopback port, from a configuration generated below a
// temporary prefix; it serves the files written into Root(). Stopped on destruction.
class NginxServer
{
public:
    struct Options
    {
        bool https = false;    // TLS with the test certificate (trust it with TrustTestCa)
        std::string limitRate; // "8m": per-connection throttle; empty for none
    };

    NginxServer();
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    static bool Available();

    // Starts it and waits until it accepts connections; false (with nothing left running) when
    // it could not start.
    bool Start(const Options& options);
    bool Start() { return Start(Options{}); }
    void Stop();
    uint16_t Port() const { return m_port; }

    // Writes a file below the document root.
    void WriteFile(const std::string& name, const std::string& bytes) const;
    const std::string& Root() const { return m_root; }
    // What nginx wrote to its error log so far (for failure messages).
    std::string ErrorLog() const;

private:
    bool TryStart(const Options& options);
    std::unique_ptr<TempDir> m_prefix;
    std::string m_root;
    pid_t m_pid = -1;
    uint16_t m_port = 0;
};

// A free TCP port on 127.0.0.1 at the time of the call.
uint16_t FreeLoopbackPort();

} // namespace sktest
