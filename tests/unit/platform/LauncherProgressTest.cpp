#include <gtest/gtest.h>

#include <gio/gio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/System.h"
#include "support/TempDir.h"

namespace {

class LauncherEntry : public ::testing::Test
{
protected:
    void TearDown() override { plat::test::SetDesktopSession(nullptr); }

    void UseBus(const std::string& address)
    {
        plat::DesktopSession session = plat::GetDesktopSession();
        session.environment.clear();
        if (!address.empty())
            session.environment.emplace_back("DBUS_SESSION_BUS_ADDRESS", address);
        plat::test::SetDesktopSession(&session);
    }
};

TEST_F(LauncherEntry, WithoutASessionBusItKeepsItsStateOnly)
{
    UseBus("");
    plat::LauncherProgress progress;
    EXPECT_FALSE(progress.IsConnected());
    EXPECT_EQ(progress.State(), 0);
    progress.SetState(2);
    progress.SetValue(30, 120);
    EXPECT_EQ(progress.State(), 2);
    EXPECT_DOUBLE_EQ(progress.Fraction(), 0.25);
    progress.SetValue(500, 100);
    EXPECT_DOUBLE_EQ(progress.Fraction(), 1.0);
    progress.SetValue(5, 0);
    EXPECT_DOUBLE_EQ(progress.Fraction(), 0.0);
}

TEST_F(LauncherEntry, AnUnreachableBusCountsAsNoBus)
{
    sktest::TempDir dir;
    UseBus("unix:path=" + dir.Child("no-bus-here"));
    plat::LauncherProgress progress;
    EXPECT_FALSE(progress.IsConnected());
    progress.SetState(4);
    EXPECT_EQ(progress.State(), 4);
}

// A private session bus for one test, stopped at its end.
class PrivateBus
{
public:
    explicit PrivateBus(const sktest::TempDir& dir)
    {
        if (access("/usr/bin/dbus-daemon", X_OK) != 0)
            return;
        const std::string socket = dir.Child("bus");
        m_address = "unix:path=" + socket;
        const std::string listen = "--address=" + m_address;
        int ready[2];
        if (pipe(ready) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(ready[1], 1);
            execl("/usr/bin/dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=1",
                  listen.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        // The daemon prints its address once it listens.
        char c;
        std::string line;
        while (read(ready[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(ready[0]);
        if (line.empty())
            m_address.clear();
    }
    ~PrivateBus()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& Address() const { return m_address; }

private:
    pid_t m_pid = -1;
    std::string m_address;
};

struct Received
{
    GMainLoop* loop = nullptr;
    double progress = -1;
    bool visible = false;
    std::string uri;
};

void OnUpdate(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
              gpointer data)
{
    auto* received = static_cast<Received*>(data);
    const gchar* uri = nullptr;
    GVariant* properties = nullptr;
    g_variant_get(parameters, "(&s@a{sv})", &uri, &properties);
    received->uri = uri;
    g_variant_lookup(properties, "progress", "d", &received->progress);
    gboolean visible = FALSE;
    g_variant_lookup(properties, "progress-visible", "b", &visible);
    received->visible = visible;
    g_variant_unref(properties);
    g_main_loop_quit(received->loop);
}

gboolean GiveUp(gpointer loop)
{
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_REMOVE;
}

TEST_F(LauncherEntry, SendsTheUpdateSignalOnTheSessionBus)
{
    sktest::TempDir dir;
    PrivateBus bus(dir);
    if (bus.Address().empty())
        GTEST_SKIP() << "no dbus-daemon to run a private bus";
    UseBus(bus.Address());

    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GError* error = nullptr;
    GDBusConnection* listener = g_dbus_connection_new_for_address_sync(
        bus.Address().c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    ASSERT_NE(listener, nullptr) << (error ? error->message : "");
    Received received;
    received.loop = g_main_loop_new(context, FALSE);
    const guint subscription = g_dbus_connection_signal_subscribe(
        listener, nullptr, "com.canonical.Unity.LauncherEntry", "Update", nullptr, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, OnUpdate, &received, nullptr);
    // The match rule must be in place on the bus before the signal goes out.
    g_dbus_connection_call_sync(listener, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                "org.freedesktop.DBus", "GetId", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1,
                                nullptr, nullptr);

    {
        plat::test::SetModulePath(L"/opt/setup-2.exe");
        plat::LauncherProgress progress;
        plat::test::SetModulePath(L"");
        ASSERT_TRUE(progress.IsConnected());
        progress.SetState(2);
        GSource* timeout =
            g_timeout_source_new_seconds(30); // only keeps a lost signal from hanging the suite
        g_source_set_callback(timeout, GiveUp, received.loop, nullptr);
        g_source_attach(timeout, context);
        g_main_loop_run(received.loop);
        EXPECT_EQ(received.uri, "application://setup-2.desktop");
        EXPECT_TRUE(received.visible);

        received.progress = -1;
        progress.SetValue(3, 4);
        g_main_loop_run(received.loop);
        EXPECT_DOUBLE_EQ(received.progress, 0.75);
        g_source_destroy(timeout);
        g_source_unref(timeout);
    }

    g_dbus_connection_signal_unsubscribe(listener, subscription);
    g_object_unref(listener);
    g_main_loop_unref(received.loop);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
}

} // namespace
