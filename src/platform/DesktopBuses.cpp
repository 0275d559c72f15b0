#include "DesktopBuses.h"

#include <QString>

#include <mutex>

namespace platform {

namespace {

std::mutex g_mutex;
std::string g_session;
std::string g_system;

// A connection per address, kept by Qt under its name for the rest of the process.
QDBusConnection busAt(const std::string& address, QDBusConnection::BusType fallback) {
    if (address.empty())
        return fallback == QDBusConnection::SystemBus ? QDBusConnection::systemBus()
                                                      : QDBusConnection::sessionBus();
    const QString text = QString::fromStdString(address);
    return QDBusConnection::connectToBus(text, QStringLiteral("movara-bus:") + text);
}

} // namespace

void setBusAddresses(const std::string& session, const std::string& system) {
    std::lock_guard lock(g_mutex);
    g_session = session;
    g_system = system;
}

QDBusConnection sessionBus() {
    std::string address;
    {
        std::lock_guard lock(g_mutex);
        address = g_session;
    }
    return busAt(address, QDBusConnection::SessionBus);
}

QDBusConnection systemBus() {
    std::string address;
    {
        std::lock_guard lock(g_mutex);
        address = g_system;
    }
    return busAt(address, QDBusConnection::SystemBus);
}

} // namespace platform
