#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <map>

#include "platform/System.h"

namespace {

using Environment = std::map<std::string, std::string>;

plat::DesktopSession Make(const Environment& env, bool elevated)
{
    return plat::MakeDesktopSession(
        [&env](const char* name) -> const char* {
            const auto it = env.find(name);
            return it == env.end() ? nullptr : it->second.c_str();
        },
        elevated);
}

std::string Value(const plat::DesktopSession& session, const std::string& name)
{
    for (const auto& [key, value] : session.environment) {
        if (key == name)
            return value;
    }
    return "<unset>";
}

TEST(DesktopSession, AnElevatedRunBelongsToTheUserNamedBySudoOrPkexec)
{
    const struct
    {
        Environment env;
        uint32_t uid;
        uint32_t gid;
        const char* name;
        const char* home;
    } cases[] = {
        {{{"SUDO_UID", "65534"}, {"SUDO_GID", "65534"}}, 65534, 65534, "nobody", "/nonexistent"},
        {{{"PKEXEC_UID", "65534"}}, 65534, 65534, "nobody", "/nonexistent"},
        {{{"SUDO_UID", "0"}, {"PKEXEC_UID", "65534"}}, 0, 0, "root", "/root"},
        // A uid without a passwd entry still names the user; its home is unknown.
        {{{"PKEXEC_UID", "3999999"}}, 3999999, 3999999, "", "/"},
    };
    for (const auto& c : cases) {
        const plat::DesktopSession session = Make(c.env, true);
        EXPECT_EQ(session.uid, c.uid);
        EXPECT_EQ(session.gid, c.gid);
        EXPECT_EQ(session.userName, c.name);
        EXPECT_EQ(session.home, c.home);
        EXPECT_NE(std::find(session.groups.begin(), session.groups.end(), c.gid), session.groups.end());
    }
}

TEST(DesktopSession, WithoutAValidSudoUserTheCurrentUserIsTheDesktopUser)
{
    for (const Environment& env :
         {Environment{}, Environment{{"SUDO_UID", "12x"}}, Environment{{"SUDO_UID", ""}},
          Environment{{"PKEXEC_UID", "-1"}}, Environment{{"SUDO_UID", "99999999999"}}}) {
        const plat::DesktopSession session = Make(env, true);
        EXPECT_EQ(session.uid, getuid());
        EXPECT_EQ(session.gid, getgid());
    }
    // Not elevated: the variables cannot name anybody else.
    EXPECT_EQ(Make({{"SUDO_UID", "65534"}}, false).uid, getuid());
}

TEST(DesktopSession, KeepsTheGraphicalSessionAndProxyVariables)
{
    Environment env = {{"DISPLAY", ":1"},
                       {"XAUTHORITY", "/home/u/.Xauthority"},
                       {"WAYLAND_DISPLAY", "wayland-0"},
                       {"XDG_RUNTIME_DIR", "/run/user/1000"},
                       {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus"},
                       {"https_proxy", "http://proxy:3128"},
                       {"NO_PROXY", "localhost"},
                       {"PATH", "/usr/bin"},
                       {"SECRET", "x"}};
    const plat::DesktopSession session = Make(env, false);
    for (const char* name : {"DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR",
                             "DBUS_SESSION_BUS_ADDRESS", "https_proxy", "NO_PROXY"})
        EXPECT_EQ(Value(session, name), env[name]) << name;
    EXPECT_EQ(Value(session, "PATH"), "<unset>");
    EXPECT_EQ(Value(session, "SECRET"), "<unset>");
    EXPECT_EQ(Value(session, "http_proxy"), "<unset>");

    const auto& names = plat::DesktopSessionVariables();
    for (const char* proxy : {"http_proxy", "https_proxy", "ftp_proxy", "no_proxy", "all_proxy", "HTTP_PROXY",
                              "HTTPS_PROXY", "FTP_PROXY", "NO_PROXY", "ALL_PROXY"})
        EXPECT_NE(std::find(names.begin(), names.end(), proxy), names.end()) << proxy;
}

} // namespace
