#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <optional>

#include "platform/System.h"

namespace plat {

namespace {
std::mutex g_sessionLock;
std::optional<DesktopSession> g_sessionOverride;

std::optional<uint32_t> ParseId(const char* text)
{
    if (!text || !*text)
        return std::nullopt;
    uint64_t value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > 0xFFFFFFFEu)
            return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

void FillFromPasswd(DesktopSession& session, std::optional<uint32_t> gidHint)
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(session.uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
        session.userName = found->pw_name ? found->pw_name : "";
        session.home = found->pw_dir ? found->pw_dir : "";
        session.gid = gidHint ? *gidHint : found->pw_gid;
        int count = 64;
        std::vector<gid_t> groups(static_cast<size_t>(count));
        if (getgrouplist(found->pw_name, session.gid, groups.data(), &count) < 0) {
            groups.resize(static_cast<size_t>(count));
            if (getgrouplist(found->pw_name, session.gid, groups.data(), &count) < 0)
                count = 0;
        }
        groups.resize(static_cast<size_t>(count));
        session.groups.assign(groups.begin(), groups.end());
    } else {
        session.gid = gidHint ? *gidHint : session.uid;
        session.home.assign(1, '/'); // not = "/": g++ 12 -O3 warns falsely (-Wrestrict)
    }
    if (session.groups.empty())
        session.groups.push_back(session.gid);
}
} // namespace

const std::vector<std::string>& DesktopSessionVariables()
{
    static const std::vector<std::string> names = {
        "DISPLAY",    "XAUTHORITY",  "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS",
        "http_proxy", "https_proxy", "ftp_proxy",       "no_proxy",        "all_proxy",
        "HTTP_PROXY", "HTTPS_PROXY", "FTP_PROXY",       "NO_PROXY",        "ALL_PROXY",
    };
    return names;
}

DesktopSession MakeDesktopSession(const std::function<const char*(const char*)>& getEnv, bool elevated)
{
    DesktopSession session;
    std::optional<uint32_t> uid;
    std::optional<uint32_t> gid;
    if (elevated) {
        uid = ParseId(getEnv("SUDO_UID"));
        if (uid)
            gid = ParseId(getEnv("SUDO_GID"));
        else
            uid = ParseId(getEnv("PKEXEC_UID"));
    }
    if (uid) {
        session.uid = *uid;
    } else {
        session.uid = getuid();
        gid = getgid();
    }
    FillFromPasswd(session, gid);
    for (const std::string& name : DesktopSessionVariables()) {
        if (const char* value = getEnv(name.c_str()))
            session.environment.emplace_back(name, value);
    }
    return session;
}

const DesktopSession& GetDesktopSession()
{
    static const DesktopSession fromEnvironment =
        MakeDesktopSession([](const char* name) { return std::getenv(name); }, IsElevated());
    std::lock_guard<std::mutex> lock(g_sessionLock);
    return g_sessionOverride ? *g_sessionOverride : fromEnvironment;
}

bool IsElevated()
{
    return geteuid() == 0;
}

namespace test {
void SetDesktopSession(const DesktopSession* session)
{
    std::lock_guard<std::mutex> lock(g_sessionLock);
    if (session)
        g_sessionOverride = *session;
    else
        g_sessionOverride.reset();
}
} // namespace test

} // namespace plat
