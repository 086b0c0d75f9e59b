#include <gio/gio.h>

#include <algorithm>
#include <mutex>

#include "platform/System.h"
#include "platform/Text.h"

namespace plat {

namespace {
constexpr const char* kEntryInterface = "com.canonical.Unity.LauncherEntry";
constexpr const char* kEntryObjectPath = "/com/valtrix/setup/LauncherEntry";

std::string SessionBusAddress()
{
    for (const auto& [name, value] : GetDesktopSession().environment) {
        if (name == "DBUS_SESSION_BUS_ADDRESS")
            return value;
    }
    return {};
}

// The launcher matches the signal to its entry by the desktop file id, named after the program.
std::string ApplicationUri()
{
    std::string name = WideToUtf8(GetModulePath());
    name = name.substr(name.find_last_of('/') + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return "application://" + (name.empty() ? std::string("setup") : name) + ".desktop";
}
} // namespace

struct LauncherProgress::Impl
{
    std::mutex lock;
    GDBusConnection* bus = nullptr;
    std::string appUri;
    int state = 0;
    double fraction = 0.0;

    void Emit()
    {
        if (!bus)
            return;
        GVariantBuilder properties;
        g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
        g_variant_builder_add(&properties, "{sv}", "progress", g_variant_new_double(fraction));
        g_variant_builder_add(&properties, "{sv}", "progress-visible", g_variant_new_boolean(state != 0));
        g_variant_builder_add(&properties, "{sv}", "urgent", g_variant_new_boolean(state == 4));
        GVariant* args = g_variant_new("(sa{sv})", appUri.c_str(), &properties);
        g_dbus_connection_emit_signal(bus, nullptr, kEntryObjectPath, kEntryInterface, "Update", args,
                                      nullptr);
        g_dbus_connection_flush_sync(bus, nullptr, nullptr);
    }
};

LauncherProgress::LauncherProgress() : m_impl(std::make_unique<Impl>())
{
    m_impl->appUri = ApplicationUri();
    // Only the session's own bus: without an address GLib would try to start one.
    const std::string address = SessionBusAddress();
    if (address.empty())
        return;
    const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                         G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    GError* error = nullptr;
    m_impl->bus = g_dbus_connection_new_for_address_sync(address.c_str(), flags, nullptr, nullptr, &error);
    if (error)
        g_error_free(error);
    if (m_impl->bus)
        g_dbus_connection_set_exit_on_close(m_impl->bus, FALSE);
}

LauncherProgress::~LauncherProgress()
{
    if (m_impl->bus) {
        g_dbus_connection_close_sync(m_impl->bus, nullptr, nullptr);
        g_object_unref(m_impl->bus);
    }
}

void LauncherProgress::SetState(int flags)
{
    std::lock_guard<std::mutex> lock(m_impl->lock);
    m_impl->state = flags;
    m_impl->Emit();
}

void LauncherProgress::SetValue(uint64_t completed, uint64_t total)
{
    std::lock_guard<std::mutex> lock(m_impl->lock);
    m_impl->fraction =
        total == 0 ? 0.0 : std::min(1.0, static_cast<double>(completed) / static_cast<double>(total));
    m_impl->Emit();
}

bool LauncherProgress::IsConnected() const
{
    std::lock_guard<std::mutex> lock(m_impl->lock);
    return m_impl->bus != nullptr;
}

int LauncherProgress::State() const
{
    std::lock_guard<std::mutex> lock(m_impl->lock);
    return m_impl->state;
}

double LauncherProgress::Fraction() const
{
    std::lock_guard<std::mutex> lock(m_impl->lock);
    return m_impl->fraction;
}

} // namespace plat
