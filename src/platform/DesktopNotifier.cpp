#include "DesktopNotifier.h"

#include "DesktopBuses.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {

constexpr int kBusTimeoutMs = 3000;
const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";
const char* const kInterface = "org.freedesktop.Notifications";
// Picking the notification itself, and its button.
const char* const kDefaultAction = "default";
const char* const kButtonAction = "open";

} // namespace

DesktopNotifier::DesktopNotifier() = default;

DesktopNotifier::~DesktopNotifier() = default;

uint32_t DesktopNotifier::notify(const Note& note) {
    QDBusConnection bus = platform::sessionBus();
    if (!bus.isConnected())
        return 0;
    if (!listening_) {
        // Only signals of the notification service are taken, whoever else sends one.
        bus.connect(kService, kPath, kInterface, "ActionInvoked", this,
                    SLOT(onActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, "NotificationClosed", this,
                    SLOT(onClosed(uint, uint)));
        listening_ = true;
    }
    QStringList actions;
    if (!note.actionLabel.empty() && note.action) {
        const QString label = QString::fromStdString(note.actionLabel);
        actions << kDefaultAction << label << kButtonAction << label;
    }
    QVariantMap hints;
    if (!note.desktopEntry.empty())
        hints.insert("desktop-entry", QString::fromStdString(note.desktopEntry));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    call << QString::fromStdString(note.appName) << 0u << QString::fromStdString(note.icon)
         << QString::fromStdString(note.summary) << QString::fromStdString(note.body) << actions
         << hints << -1;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kBusTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return 0;
    const uint32_t id = reply.arguments().front().toUInt();
    if (id != 0 && !actions.isEmpty())
        actions_[id] = note.action;
    return id;
}

void DesktopNotifier::onActionInvoked(uint id, const QString& key) {
    const auto found = actions_.find(id);
    if (found == actions_.end() || (key != kDefaultAction && key != kButtonAction))
        return;
    // Once is enough: the server closes the notification, and a second pick would open the
    // folder twice.
    const std::function<void()> action = std::move(found->second);
    actions_.erase(found);
    action();
}

void DesktopNotifier::onClosed(uint id, uint) {
    actions_.erase(id);
}
