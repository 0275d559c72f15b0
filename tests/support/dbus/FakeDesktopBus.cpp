#include "FakeDesktopBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <set>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// No service directories: nothing of this machine is ever started on these buses.
const char* const kConfig = "<busconfig>\n"
                            "  <type>session</type>\n"
                            "  <listen>unix:tmpdir=/tmp</listen>\n"
                            "  <auth>EXTERNAL</auth>\n"
                            "  <policy context=\"default\">\n"
                            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                            "    <allow eavesdrop=\"true\"/>\n"
                            "    <allow own=\"*\"/>\n"
                            "  </policy>\n"
                            "</busconfig>\n";

struct Daemon {
    pid_t pid = -1;
    std::string address;
};

Daemon startDaemon(const std::string& config) {
    Daemon daemon;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return daemon;
    const std::string configArg = "--config-file=" + config;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(out[1], STDOUT_FILENO);
        // Quiet: it cannot raise its descriptor limit in a container, and says so.
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        ::execlp("dbus-daemon", "dbus-daemon", "--nofork", configArg.c_str(), "--print-address=1",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    if (pid < 0) {
        ::close(out[0]);
        return daemon;
    }
    daemon.pid = pid;
    std::string line;
    pollfd wait{out[0], POLLIN, 0};
    char c = 0;
    while (::poll(&wait, 1, 10000) == 1 && ::read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(out[0]);
    daemon.address = line;
    return daemon;
}

std::string shortInterface(const QString& interface) {
    return interface.section('.', -1).toStdString();
}

std::string argumentText(const QVariant& value) {
    if (value.canConvert<QDBusArgument>()) {
        const QVariantMap map = qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
        QStringList pairs;
        for (auto it = map.begin(); it != map.end(); ++it)
            pairs << it.key() + "=" + it.value().toString();
        return pairs.join(';').toStdString();
    }
    if (value.metaType() == QMetaType::fromType<QStringList>())
        return value.toStringList().join(',').toStdString();
    return value.toString().toStdString();
}

} // namespace

struct FakeDesktopBus::State {
    Daemon session, system;
    QTemporaryDir folder;
    QThread thread;
    QDBusConnection sessionBus{QString()};
    QDBusConnection systemBus{QString()};

    mutable std::mutex mutex;
    std::vector<std::string> calls;
    std::vector<int> logindPipes; // read ends
    std::set<uint32_t> cookies;
    uint32_t nextCookie = 0;
    uint32_t lastNotification = 0;
    std::vector<LauncherUpdate> updates;

    void record(const QDBusMessage& message) {
        std::string text =
            shortInterface(message.interface()) + "." + message.member().toStdString();
        const QVariantList arguments = message.arguments();
        for (qsizetype i = 0; i < arguments.size(); ++i)
            text += (i == 0 ? " " : "|") + argumentText(arguments[i]);
        calls.push_back(text);
    }
};

// Takes the launcher entry signals (moc needs it outside an unnamed namespace).
class LauncherListener : public QObject {
    Q_OBJECT
public:
    explicit LauncherListener(FakeDesktopBus::State* state) : state_(state) {}

public slots:
    void onUpdate(const QDBusMessage& message) {
        const QVariantList arguments = message.arguments();
        if (arguments.size() != 2)
            return;
        const QVariantMap properties = qdbus_cast<QVariantMap>(arguments[1].value<QDBusArgument>());
        FakeDesktopBus::LauncherUpdate update;
        update.path = message.path().toStdString();
        update.uri = arguments[0].toString().toStdString();
        update.progress = properties.value("progress").toDouble();
        update.progressVisible = properties.value("progress-visible").toBool();
        update.count = properties.value("count").toLongLong();
        update.countVisible = properties.value("count-visible").toBool();
        std::lock_guard lock(state_->mutex);
        state_->updates.push_back(update);
    }

private:
    FakeDesktopBus::State* state_;
};

namespace {

// Every service's object: records the call and answers it.
class ServiceObject : public QDBusVirtualObject {
public:
    explicit ServiceObject(FakeDesktopBus::State* state) : state_(state) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.type() != QDBusMessage::MethodCallMessage)
            return false;
        QDBusMessage reply;
        {
            std::lock_guard lock(state_->mutex);
            state_->record(message);
            const QString member = message.member();
            if (message.interface() == "org.freedesktop.login1.Manager" && member == "Inhibit") {
                int ends[2];
                if (::pipe2(ends, O_CLOEXEC) == 0) {
                    state_->logindPipes.push_back(ends[0]);
                    reply =
                        message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1])));
                    ::close(ends[1]); // the reply carries its own copy
                }
            } else if (member == "Inhibit") {
                state_->cookies.insert(++state_->nextCookie);
                reply = message.createReply(QVariant::fromValue(state_->nextCookie));
            } else if (member == "UnInhibit" && !message.arguments().isEmpty()) {
                state_->cookies.erase(message.arguments().front().toUInt());
                reply = message.createReply();
            } else if (member == "Notify") {
                reply = message.createReply(QVariant::fromValue(++state_->lastNotification));
            } else {
                reply = message.createErrorReply(QDBusError::UnknownMethod, member);
            }
        }
        QDBusConnection(connection).send(reply);
        return true;
    }

private:
    FakeDesktopBus::State* state_;
};

struct Owned {
    unsigned service;
    const char* name;
    bool system;
};
constexpr Owned kNames[] = {
    {FakeDesktopBus::Logind, "org.freedesktop.login1", true},
    {FakeDesktopBus::ScreenSaver, "org.freedesktop.ScreenSaver", false},
    {FakeDesktopBus::PowerManagement, "org.freedesktop.PowerManagement", false},
    {FakeDesktopBus::Notifications, "org.freedesktop.Notifications", false},
};

FakeDesktopBus::State* g_running = nullptr;

void stopDaemons() {
    if (!g_running)
        return;
    g_running->thread.quit();
    g_running->thread.wait();
    for (const Daemon* daemon : {&g_running->session, &g_running->system})
        if (daemon->pid > 0) {
            ::kill(daemon->pid, SIGTERM);
            ::waitpid(daemon->pid, nullptr, 0);
        }
}

} // namespace

FakeDesktopBus::FakeDesktopBus() : state_(std::make_unique<State>()) {}

FakeDesktopBus* FakeDesktopBus::instance() {
    // Never destroyed: Qt keeps the bus connections until the process ends.
    static FakeDesktopBus* bus = [] {
        auto* made = new FakeDesktopBus;
        return made->start() ? made : nullptr;
    }();
    if (!bus)
        ADD_FAILURE() << "dbus-daemon could not be started";
    return bus;
}

bool FakeDesktopBus::start() {
    State& s = *state_;
    const std::string config = s.folder.filePath("bus.conf").toStdString();
    std::ofstream(config) << kConfig;
    s.session = startDaemon(config);
    s.system = startDaemon(config);
    g_running = &s;
    std::atexit(stopDaemons);
    if (s.session.address.empty() || s.system.address.empty())
        return false;
    s.sessionBus = QDBusConnection::connectToBus(QString::fromStdString(s.session.address),
                                                 "fake-desktop-session");
    s.systemBus = QDBusConnection::connectToBus(QString::fromStdString(s.system.address),
                                                "fake-desktop-system");
    if (!s.sessionBus.isConnected() || !s.systemBus.isConnected())
        return false;
    s.thread.start();
    auto* object = new ServiceObject(&s);
    auto* listener = new LauncherListener(&s);
    object->moveToThread(&s.thread);
    listener->moveToThread(&s.thread);
    s.systemBus.registerVirtualObject("/org/freedesktop/login1", object);
    for (const char* path :
         {"/org/freedesktop/ScreenSaver", "/org/freedesktop/PowerManagement/Inhibit",
          "/org/freedesktop/Notifications"})
        s.sessionBus.registerVirtualObject(path, object);
    s.sessionBus.connect(QString(), QString(), "com.canonical.Unity.LauncherEntry", "Update",
                         listener, SLOT(onUpdate(QDBusMessage)));
    return true;
}

std::string FakeDesktopBus::sessionAddress() const {
    return state_->session.address;
}

std::string FakeDesktopBus::systemAddress() const {
    return state_->system.address;
}

void FakeDesktopBus::offer(unsigned services) {
    State& s = *state_;
    for (const Owned& owned : kNames) {
        QDBusConnection& bus = owned.system ? s.systemBus : s.sessionBus;
        if (services & owned.service)
            bus.registerService(owned.name);
        else
            bus.unregisterService(owned.name);
    }
    std::lock_guard lock(s.mutex);
    s.calls.clear();
    s.updates.clear();
    s.cookies.clear();
    s.nextCookie = 0;
    for (int fd : s.logindPipes)
        ::close(fd);
    s.logindPipes.clear();
}

std::vector<std::string> FakeDesktopBus::calls() const {
    std::lock_guard lock(state_->mutex);
    return state_->calls;
}

int FakeDesktopBus::inhibitionsHeld() const {
    std::lock_guard lock(state_->mutex);
    int held = static_cast<int>(state_->cookies.size());
    for (int fd : state_->logindPipes) {
        pollfd end{fd, POLLIN, 0};
        // Every write end closed: the pipe reads as ended.
        if (!(::poll(&end, 1, 0) == 1 && (end.revents & POLLHUP)))
            ++held;
    }
    return held;
}

std::vector<FakeDesktopBus::LauncherUpdate> FakeDesktopBus::launcherUpdates() const {
    std::lock_guard lock(state_->mutex);
    return state_->updates;
}

uint32_t FakeDesktopBus::lastNotification() const {
    std::lock_guard lock(state_->mutex);
    return state_->lastNotification;
}

void FakeDesktopBus::invokeAction(uint32_t id, const std::string& action) {
    QDBusMessage signal = QDBusMessage::createSignal(
        "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
    signal << id << QString::fromStdString(action);
    state_->sessionBus.send(signal);
}

#include "FakeDesktopBus.moc"
