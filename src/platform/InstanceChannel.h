// The channel of the single instance: the instance holding the lock listens on a Unix socket
// beside it; a later start hands its command-line files over there instead of being turned away.
//
// Wire format: "MOVARA-FILES 1\n", then each path followed by a NUL byte, then the sender shuts
// its writing side. The listener answers one byte, 'K', once it has taken the files. Only a
// process of the same user is heard (the peer's credentials are checked).
#ifndef INSTANCECHANNEL_H
#define INSTANCECHANNEL_H

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

class InstanceChannel : public QObject {
public:
    // Called on the listener's thread with the files of one hand-over (possibly none: a bare
    // second start, which only wants the window raised).
    using Receiver = std::function<void(std::vector<std::string>)>;

    explicit InstanceChannel(Receiver receiver);
    ~InstanceChannel() override;
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // Listens at `socketPath`. Only the holder of the instance lock calls this, so a socket file
    // found there is a dead instance's and is replaced. False when the socket cannot be made.
    bool listen(const std::string& socketPath);

    // Hands `files` to the instance listening at `socketPath`. Keeps trying to connect for up to
    // `timeoutMs` (the running instance may still be starting) and waits as long for its
    // answer. True once the instance confirmed it took the files.
    static bool handOver(const std::string& socketPath, const std::vector<std::string>& files,
                         int timeoutMs);

private:
    struct Peer;
    void acceptPeers();
    void readPeer(int fd);
    void dropPeer(int fd);

    Receiver m_receiver;
    std::string m_path;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::map<int, std::unique_ptr<Peer>> m_peers;
};

#endif
