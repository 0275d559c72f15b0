// The desktop session's services reached over D-Bus.
#ifndef DESKTOPBUS_H
#define DESKTOPBUS_H

#include <QString>

namespace platform {

// org.freedesktop.FileManager1.ShowItems on the session bus; false when no file manager answered.
bool showItemsInFileManager(const QString& absolutePath);

// org.freedesktop.login1.Manager.PowerOff(false) on the system bus; the outcome is not reported.
void requestPowerOff();

} // namespace platform

#endif
