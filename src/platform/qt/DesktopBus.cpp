#include "DesktopBus.h"

#include "DesktopBuses.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QUrl>

namespace platform {

namespace {

constexpr int kBusTimeoutMs = 5000;

} // namespace

bool showItemsInFileManager(const QString& absolutePath) {
    QDBusConnection bus = sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                       "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{QUrl::fromLocalFile(absolutePath).toString()} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, kBusTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void requestPowerOff() {
    QDBusConnection bus = systemBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                       "org.freedesktop.login1.Manager", "PowerOff");
    call << false; // not interactive: no authentication prompt
    bus.call(call, QDBus::Block, kBusTimeoutMs);
}

} // namespace platform
