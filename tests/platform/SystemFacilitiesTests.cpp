// The Linux system facilities every services implementation shares: disk, folders, temporary
// files, the instance lock, the clock and the web client.
#include "Background.h"
#include "DiskSpace.h"
#include "HttpClient.h"
#include "PlatformServices.h"
#include "SystemFolders.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// The system facilities only: the user-interface part is not used by these tests.
class SystemOnlyServices : public PlatformServices {
public:
    std::vector<CaptureDevice> captureDevices(CaptureKind) override { return {}; }

protected:
    int doMessageBox(const std::string&, const std::string&, unsigned, unsigned) override {
        return 0;
    }
    std::vector<std::string> doOpenFilesDialog(const std::string&, const std::string&,
                                               const std::string&) override {
        return {};
    }
    std::string doBrowseFolder(const std::string&, const std::string&) override { return {}; }
    std::optional<uint32_t> doChooseColor(uint32_t) override { return std::nullopt; }
    bool doOpenDocument(const std::string&) override { return false; }
    int doShowInFileManager(const std::string&) override { return 0; }
    void doPowerOff() override {}
    std::vector<std::string> doFontFamilies() override { return {}; }
    ScreenRect doScreenGeometry() override { return {}; }
    ScreenRect doWorkArea() override { return {}; }
};

std::string realPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    std::string result = resolved ? resolved : "";
    std::free(resolved);
    return result;
}

bool isPathPrefix(const std::string& prefix, const std::string& path) {
    if (prefix == "/")
        return !path.empty() && path[0] == '/';
    return path.rfind(prefix, 0) == 0 &&
           (path.size() == prefix.size() || path[prefix.size()] == '/');
}

} // namespace

TEST(PlatformSystem, MountPointAndFreeSpaceOfATempFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string mount = platform::mountPointOf(folder);
    ASSERT_FALSE(mount.empty());
    EXPECT_TRUE(isPathPrefix(mount, realPath(folder))) << mount << " vs " << folder;
    // A folder that does not exist yet is judged by its nearest existing parent.
    EXPECT_EQ(platform::mountPointOf(folder + "/not/yet/made"), mount);
    EXPECT_EQ(platform::mountPointOf("/"), "/");
    EXPECT_EQ(platform::mountPointOf(""), "");

    const auto free = platform::freeDiskSpace(folder);
    ASSERT_TRUE(free.has_value());
    EXPECT_GT(*free, 0u);
    EXPECT_FALSE(platform::freeDiskSpace(folder + "/missing").has_value());
    EXPECT_FALSE(platform::freeDiskSpace("").has_value());
}

TEST(PlatformSystem, LongestMountPointContainingThePathWins) {
    const std::string mountinfo = "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
                                  "23 22 8:2 / /home rw,relatime - ext4 /dev/sda2 rw\n"
                                  "24 23 8:3 / /home/user/my\\040disk rw - vfat /dev/sdb1 rw\n"
                                  "25 22 0:5 / /ho rw - tmpfs tmpfs rw\n"
                                  "garbage line\n";
    const struct {
        const char* path;
        const char* mount;
    } cases[] = {
        {"/home/user/my disk/clip.3gp", "/home/user/my disk"},
        {"/home/user/my diskette", "/home"},
        {"/home", "/home"},
        {"/homework/x", "/"},
        {"/ho/x", "/ho"},
        {"/var/tmp", "/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::longestMountPrefix(c.path, mountinfo), c.mount) << c.path;
}

TEST(PlatformSystem, TempFileNamesAreUniqueAndCreated) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    SystemOnlyServices services;
    std::set<std::string> names;
    for (int i = 0; i < 40; ++i) {
        const std::string name = services.tempFileName(folder, "Vel");
        ASSERT_FALSE(name.empty());
        EXPECT_EQ(name.rfind(folder + "/Vel", 0), 0u) << name;
        EXPECT_TRUE(QFileInfo(QString::fromStdString(name)).isFile()) << name;
        EXPECT_EQ(QFileInfo(QString::fromStdString(name)).size(), 0);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 40u);
    EXPECT_EQ(services.tempFileName(folder + "/missing", "Vel"), "");
    EXPECT_EQ(services.tempFileName(folder, "../Vel"), "");
    const std::string inTemp = services.tempFileName("", "Vel");
    ASSERT_FALSE(inTemp.empty());
    EXPECT_EQ(inTemp.rfind(services.tempFolder() + "/Vel", 0), 0u);
    QFile::remove(QString::fromStdString(inTemp));
}

TEST(PlatformSystem, InstanceLockExcludesASecondHolderUntilReleased) {
    const std::string name = "movara-test-" + std::to_string(::getpid());
    const QString path = QString::fromStdString(platform::instanceLockPath(name));
    SystemOnlyServices first;
    ASSERT_TRUE(first.acquireInstanceLock(name));
    EXPECT_TRUE(QFileInfo::exists(path));

    QLockFile other(path);
    EXPECT_FALSE(other.tryLock(0));
    SystemOnlyServices second;
    EXPECT_FALSE(second.acquireInstanceLock(name));

    first.releaseInstanceLock();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(second.acquireInstanceLock(name));
    second.releaseInstanceLock();
}

TEST(PlatformSystem, InstanceLockOfACrashedProcessIsTakenOver) {
    const std::string name = "movara-stale-" + std::to_string(::getpid());
    const QString path = QString::fromStdString(platform::instanceLockPath(name));
    // pid_max itself is never given to a process.
    long deadPid = 32768;
    std::ifstream("/proc/sys/kernel/pid_max") >> deadPid;
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray::number(static_cast<qlonglong>(deadPid)) + "\nmovara\n" +
                   QSysInfo::machineHostName().toUtf8() + "\n");
    }
    SystemOnlyServices services;
    EXPECT_TRUE(services.acquireInstanceLock(name));
    services.releaseInstanceLock();
    QFile::remove(path);
}

TEST(PlatformSystem, DataFolderRule) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const std::string base = root.path().toStdString();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base + "/portable/skin")));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base + "/usr/bin")));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base + "/usr/share/movara/skin")));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base + "/bare/bin")));

    EXPECT_EQ(platform::dataFolderFor(base + "/portable"), base + "/portable");
    EXPECT_EQ(platform::dataFolderFor(base + "/usr/bin"), base + "/usr/share/movara");
    EXPECT_EQ(platform::dataFolderFor(base + "/bare/bin"), base + "/bare/bin");
}

TEST(PlatformSystem, WritableFolderRule) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const std::string base = root.path().toStdString();
    const std::string config = base + "/config";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base + "/portable/skin")));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base + "/usr/bin")));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base + "/usr/share/movara/skin")));

    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base + "/bare")));

    // A portable copy writes beside itself and makes no configuration folder.
    EXPECT_EQ(platform::writableFolderFor(base + "/portable", config), base + "/portable");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(config)));

    // An installed copy (its folder writable here, as /usr/bin is for root), a folder without
    // skins and a missing folder: the user's configuration folder, made on demand.
    for (const char* exe : {"/usr/bin", "/bare", "/gone"}) {
        SCOPED_TRACE(exe);
        EXPECT_EQ(platform::writableFolderFor(base + exe, config), config + "/Movara");
        EXPECT_TRUE(QFileInfo(QString::fromStdString(config + "/Movara")).isDir());
    }
}

TEST(PlatformSystem, WritableFolderRuleSkipsAReadOnlyExecutableFolder) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const std::string base = root.path().toStdString();
    const std::string config = base + "/config";
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not keep the superuser out of a read-only folder";
    const std::string readOnly = base + "/ro";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(readOnly + "/skin")));
    QFile::setPermissions(QString::fromStdString(readOnly),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(platform::writableFolderFor(readOnly, config), config + "/Movara");
    QFile::setPermissions(QString::fromStdString(readOnly),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(PlatformSystem, ExecutableFolderIsWhereThisTestRuns) {
    SystemOnlyServices services;
    const std::string folder = services.executableFolder();
    EXPECT_EQ(folder, QDir::cleanPath(QCoreApplication::applicationDirPath()).toStdString());
    EXPECT_NE(folder.back(), '/');
}

TEST(PlatformSystem, ClockAgreesWithQt) {
    SystemOnlyServices services;
    const auto toDateTime = [](const SystemTime& t, const QTimeZone& zone) {
        return QDateTime(QDate(t.year, t.month, t.day),
                         QTime(t.hour, t.minute, t.second, t.milliseconds), zone);
    };
    const SystemTime utc = services.utcTime();
    const SystemTime local = services.localTime();
    const QDateTime now = QDateTime::currentDateTimeUtc();

    EXPECT_LT(std::llabs(toDateTime(utc, QTimeZone::utc()).msecsTo(now)), 2000);
    EXPECT_LT(std::llabs(toDateTime(local, QTimeZone::systemTimeZone()).msecsTo(now)), 2000);
    EXPECT_EQ(utc.dayOfWeek, QDate(utc.year, utc.month, utc.day).dayOfWeek() % 7);
    EXPECT_GE(utc.milliseconds, 0);
    EXPECT_LT(utc.milliseconds, 1000);
}

namespace {

// A one-connection HTTP server on 127.0.0.1 that answers with `response` and keeps the request.
class LocalHttpServer {
public:
    explicit LocalHttpServer(std::string response) {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_socket, 1);
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_worker = std::make_unique<testsupport::Background<std::string>>(
            [this, response = std::move(response)] { return serveOnce(response); });
    }
    ~LocalHttpServer() {
        ::shutdown(m_socket, SHUT_RDWR);
        m_worker.reset();
        ::close(m_socket);
    }

    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }
    std::string request() const { return m_worker->waitFor(5s) ? m_worker->get() : ""; }

private:
    std::string serveOnce(const std::string& response) {
        const int client = ::accept(m_socket, nullptr, nullptr);
        if (client < 0)
            return {};
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, static_cast<size_t>(n));
        }
        size_t sent = 0;
        while (sent < response.size()) {
            const ssize_t n =
                ::send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<size_t>(n);
        }
        ::close(client);
        return request;
    }

    int m_socket = -1;
    int m_port = 0;
    std::unique_ptr<testsupport::Background<std::string>> m_worker;
};

std::string httpResponse(const std::string& status, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

TEST(PlatformSystem, WebClientReadsAtMostTheLimit) {
    std::string body;
    for (int i = 0; body.size() < 10000; ++i)
        body += std::to_string(i) + ",";
    LocalHttpServer server(httpResponse("200 OK", body));
    std::string read;
    ASSERT_TRUE(platform::startNetwork());
    EXPECT_EQ(platform::httpGet(server.url("/version/movara.xml"), "MovaraAgent", 4096, &read),
              4096);
    EXPECT_EQ(read, body.substr(0, 4096));
    const std::string request = server.request();
    EXPECT_EQ(request.rfind("GET /version/movara.xml HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("User-Agent: MovaraAgent\r\n"), std::string::npos) << request;
}

TEST(PlatformSystem, WebClientReturnsShortBodiesWhole) {
    LocalHttpServer server(httpResponse("200 OK", "<Movara></Movara>"));
    std::string read;
    EXPECT_EQ(platform::httpGet(server.url("/v"), "", 4096, &read), 17);
    EXPECT_EQ(read, "<Movara></Movara>");
}

TEST(PlatformSystem, WebClientFailures) {
    {
        LocalHttpServer server(httpResponse("404 Not Found", "no such page"));
        std::string read = "stale";
        EXPECT_EQ(platform::httpGet(server.url("/missing"), "", 4096, &read), -1);
        EXPECT_TRUE(read.empty());
    }
    // A port nobody listens on.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    const int port = ntohs(address.sin_port);
    ::close(probe);
    std::string read;
    EXPECT_EQ(platform::httpGet("http://127.0.0.1:" + std::to_string(port) + "/", "", 4096, &read),
              -1);
    // Only the web: no local files through the web client.
    EXPECT_EQ(platform::httpGet("file:///etc/hostname", "", 4096, &read), -1);
}

TEST(PlatformSystem, TheLockHolderTakesTheFilesOfALaterStartAndOnlyThose) {
    const std::string name = "movara-channel-" + std::to_string(::getpid());
    SystemOnlyServices first;
    ASSERT_TRUE(first.acquireInstanceLock(name));
    std::vector<std::vector<std::string>> received;
    ASSERT_TRUE(first.listenForInstances(
        name, [&](std::vector<std::string> files) { received.push_back(std::move(files)); }));

    // Something else on the socket that is no hand-over is dropped without an answer.
    {
        const int stranger = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = platform::instanceSocketPath(name);
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ASSERT_EQ(::connect(stranger, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::send(stranger, "GET / HTTP/1.0\r\n\r\n", 18, MSG_NOSIGNAL);
        ::shutdown(stranger, SHUT_WR);
        ::close(stranger);
    }
    const std::vector<std::vector<std::string>> sent{
        {"/media/a film.mp4", "/media/Ünïcode\nline.ogg"}, {}};
    for (const auto& files : sent) {
        SystemOnlyServices later;
        testsupport::Background<bool> handOver(
            [&] { return later.handOverToInstance(name, files); });
        QElapsedTimer waited;
        waited.start();
        while (!handOver.ready() && waited.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(5);
        }
        ASSERT_TRUE(handOver.ready());
        EXPECT_TRUE(handOver.get());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(received, sent);
    first.releaseInstanceLock();
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(platform::instanceSocketPath(name))));
}

TEST(PlatformSystem, ACancelledWebRequestReturnsAtOnce) {
    // A server that takes the connection and never answers.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(silent, 1);
    socklen_t length = sizeof address;
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
    testsupport::Background<int> request([url] {
        std::string body;
        return platform::httpGet(url, "", 4096, &body);
    });
    EXPECT_FALSE(request.waitFor(500ms));
    platform::cancelHttpRequests();
    ASSERT_TRUE(request.waitFor(3s));
    EXPECT_EQ(request.get(), -1);
    ::close(silent);
}
