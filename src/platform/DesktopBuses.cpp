#include "DesktopBuses.h"

#include <QByteArray>
#include <QString>

#include <mutex>
#include <sys/stat.h>

namespace platform {

namespace {

std::mutex g_mutex;
std::string g_session;
std::string g_system;

// Whether the environment names a session bus. Without one the bus library would try to start
// a bus of its own for the X display ("autolaunch"), which a command-line run on a server must
// not leave behind.
bool sessionBusNamed() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat info {};
    return !runtime.isEmpty() && ::stat((runtime + "/bus").constData(), &info) == 0 &&
           S_ISSOCK(info.st_mode);
}

// A connection per address, kept by Qt under its name for the rest of the process.
QDBusConnection busAt(const std::string& address, QDBusConnection::BusType fallback) {
    if (address.empty()) {
        if (fallback == QDBusConnection::SystemBus)
            return QDBusConnection::systemBus();
        return sessionBusNamed() ? QDBusConnection::sessionBus() : QDBusConnection(QString());
    }
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
