#include "InstanceChannel.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr char kHeader[] = "MOVARA-FILES 1\n";
constexpr char kAnswer = 'K';
// A hand-over is a list of paths; anything larger is not one.
constexpr size_t kMaxMessage = 4 * 1024 * 1024;
// A peer that neither finishes nor leaves is dropped after this.
constexpr int kPeerTimeoutMs = 10000;

bool socketAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool sameUser(int fd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
           credentials.uid == ::getuid();
}

bool sendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// The paths of a complete message, or false when it is not one.
bool parseMessage(const std::string& message, std::vector<std::string>* files) {
    const size_t header = sizeof kHeader - 1;
    if (message.compare(0, header, kHeader) != 0)
        return false;
    size_t at = header;
    while (at < message.size()) {
        const size_t end = message.find('\0', at);
        if (end == std::string::npos)
            return false;
        if (end > at)
            files->push_back(message.substr(at, end - at));
        at = end + 1;
    }
    return true;
}

} // namespace

struct InstanceChannel::Peer {
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QTimer> deadline;
    std::string message;
};

InstanceChannel::InstanceChannel(Receiver receiver) : m_receiver(std::move(receiver)) {}

InstanceChannel::~InstanceChannel() {
    while (!m_peers.empty())
        dropPeer(m_peers.begin()->first);
    m_notifier.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
}

bool InstanceChannel::listen(const std::string& socketPath) {
    sockaddr_un address;
    if (m_fd >= 0 || !socketAddress(socketPath, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ::unlink(socketPath.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = socketPath;
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { acceptPeers(); });
    return true;
}

void InstanceChannel::acceptPeers() {
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        if (!sameUser(fd)) {
            ::close(fd);
            continue;
        }
        auto peer = std::make_unique<Peer>();
        peer->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(peer->notifier.get(), &QSocketNotifier::activated, this,
                [this, fd] { readPeer(fd); });
        peer->deadline = std::make_unique<QTimer>();
        peer->deadline->setSingleShot(true);
        connect(peer->deadline.get(), &QTimer::timeout, this, [this, fd] { dropPeer(fd); });
        peer->deadline->start(kPeerTimeoutMs);
        m_peers[fd] = std::move(peer);
    }
}

void InstanceChannel::readPeer(int fd) {
    const auto found = m_peers.find(fd);
    if (found == m_peers.end())
        return;
    Peer& peer = *found->second;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            peer.message.append(buffer, static_cast<size_t>(n));
            if (peer.message.size() > kMaxMessage) {
                dropPeer(fd);
                return;
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return; // more to come
        break;      // the sender finished (or went away)
    }
    std::vector<std::string> files;
    const bool complete = parseMessage(peer.message, &files);
    if (complete)
        sendAll(fd, std::string(1, kAnswer));
    dropPeer(fd);
    // After the answer: the receiver may run a modal dialog, and the sender waits meanwhile.
    if (complete && m_receiver) {
        QTimer::singleShot(0, this,
                           [this, files = std::move(files)]() mutable { m_receiver(files); });
    }
}

void InstanceChannel::dropPeer(int fd) {
    const auto found = m_peers.find(fd);
    if (found == m_peers.end())
        return;
    found->second->notifier->setEnabled(false);
    // Deleted later: this may run inside one of the peer's own signals.
    found->second->notifier.release()->deleteLater();
    found->second->deadline.release()->deleteLater();
    m_peers.erase(found);
    ::close(fd);
}

bool InstanceChannel::handOver(const std::string& socketPath, const std::vector<std::string>& files,
                               int timeoutMs) {
    sockaddr_un address;
    if (!socketAddress(socketPath, &address))
        return false;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int fd = -1;
    for (;;) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            break;
        ::close(fd);
        fd = -1;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::string message = kHeader;
    for (const std::string& file : files) {
        // A NUL cannot be part of a path; such an argument is not a file.
        if (file.find('\0') == std::string::npos)
            message += file + '\0';
    }
    bool confirmed = false;
    if (sendAll(fd, message) && ::shutdown(fd, SHUT_WR) == 0) {
        pollfd wait{fd, POLLIN, 0};
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            const int ready = ::poll(&wait, 1, static_cast<int>(std::max<long long>(left, 1000)));
            if (ready < 0 && errno == EINTR)
                continue;
            char answer = 0;
            confirmed = ready == 1 && ::recv(fd, &answer, 1, 0) == 1 && answer == kAnswer;
            break;
        }
    }
    ::close(fd);
    return confirmed;
}
