#include "SleepInhibitor.h"

#include "DesktopBuses.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

namespace {

// An answering service replies at once; a missing one is reported by the bus at once too.
constexpr int kBusTimeoutMs = 3000;

// The session services that hand out a cookie, in the order they are tried.
struct CookieService {
    SleepInhibitor::Via via;
    const char* service;
    const char* path;
    const char* interface;
};
constexpr CookieService kCookieServices[] = {
    {SleepInhibitor::Via::ScreenSaver, "org.freedesktop.ScreenSaver",
     "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver"},
    {SleepInhibitor::Via::PowerManagement, "org.freedesktop.PowerManagement",
     "/org/freedesktop/PowerManagement/Inhibit", "org.freedesktop.PowerManagement.Inhibit"},
};

const CookieService* cookieService(SleepInhibitor::Via via) {
    for (const CookieService& service : kCookieServices)
        if (service.via == via)
            return &service;
    return nullptr;
}

// logind's inhibitor: a descriptor of our own (the reply's copy closes with the reply), or -1.
int logindInhibit(const QString& who, const QString& why) {
    QDBusConnection bus = platform::systemBus();
    if (!bus.isConnected() ||
        !(bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing))
        return -1;
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                       "org.freedesktop.login1.Manager", "Inhibit");
    call << QStringLiteral("sleep:idle") << who << why << QStringLiteral("block");
    const QDBusMessage reply = bus.call(call, QDBus::Block, kBusTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return -1;
    const auto descriptor = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().front());
    if (!descriptor.isValid())
        return -1;
    return ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
}

} // namespace

SleepInhibitor::~SleepInhibitor() {
    std::lock_guard lock(mutex_);
    release();
}

void SleepInhibitor::hold(bool on, const std::string& who, const std::string& why) {
    std::lock_guard lock(mutex_);
    if (on && via_ == Via::None)
        take(who, why);
    else if (!on && via_ != Via::None)
        release();
}

SleepInhibitor::Via SleepInhibitor::held() const {
    std::lock_guard lock(mutex_);
    return via_;
}

void SleepInhibitor::take(const std::string& who, const std::string& why) {
    const QString app = QString::fromStdString(who);
    const QString reason = QString::fromStdString(why);
    fd_ = logindInhibit(app, reason);
    if (fd_ >= 0) {
        via_ = Via::Logind;
        return;
    }
    QDBusConnection bus = platform::sessionBus();
    if (!bus.isConnected())
        return;
    for (const CookieService& service : kCookieServices) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            service.service, service.path, service.interface, QStringLiteral("Inhibit"));
        call << app << reason;
        const QDBusMessage reply = bus.call(call, QDBus::Block, kBusTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
            cookie_ = reply.arguments().front().toUInt();
            via_ = service.via;
            return;
        }
    }
}

void SleepInhibitor::release() {
    if (via_ == Via::Logind) {
        ::close(fd_);
        fd_ = -1;
    } else if (const CookieService* service = cookieService(via_)) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            service->service, service->path, service->interface, QStringLiteral("UnInhibit"));
        call << cookie_;
        // Waited for, so that the inhibition is gone when this returns (a quitting program's
        // last message would otherwise be left unsent).
        platform::sessionBus().call(call, QDBus::Block, kBusTimeoutMs);
        cookie_ = 0;
    }
    via_ = Via::None;
}
