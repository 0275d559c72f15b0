// The two message buses the desktop's services are reached on: the session bus (notifications,
// the launcher, the screen saver, the file manager) and the system bus (logind). By default those
// the environment names (DBUS_SESSION_BUS_ADDRESS, DBUS_SYSTEM_BUS_ADDRESS); a program may name
// other addresses, which every later request then uses (tests run buses of their own).
#ifndef DESKTOPBUSES_H
#define DESKTOPBUSES_H

#include <QDBusConnection>

#include <string>

namespace platform {

// Empty strings go back to the environment's buses.
void setBusAddresses(const std::string& session, const std::string& system);

// Not connected when the bus cannot be reached.
QDBusConnection sessionBus();
QDBusConnection systemBus();

} // namespace platform

#endif
