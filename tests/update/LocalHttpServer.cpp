#include "LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <sys/time.h>

LocalHttpServer::LocalHttpServer() {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0; // a free port
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listener, 16);
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

LocalHttpServer::~LocalHttpServer() {
    m_stopping = true;
    release();
    m_thread.join();
    for (std::thread& answering : m_answering)
        answering.join();
    ::close(m_listener);
}

std::string LocalHttpServer::address() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void LocalHttpServer::setBody(std::optional<std::string> body) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_body = std::move(body);
}

void LocalHttpServer::hold() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held = true;
}

void LocalHttpServer::release() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_held = false;
    }
    m_changed.notify_all();
}

bool LocalHttpServer::waitForRequests(int count) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (m_requests.load() < count) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string LocalHttpServer::lastPath() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastPath;
}

void LocalHttpServer::serve() {
    while (!m_stopping) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0)
            continue;
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        timeval limit{2, 0}; // a client that never finishes its request is dropped
        ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        // One thread per connection, so a held answer does not block the others.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_answering.emplace_back([this, client] { answer(client); });
    }
}

void LocalHttpServer::answer(int client) {
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, static_cast<size_t>(n));
    }
    std::optional<std::string> body;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const size_t start = request.find(' ') + 1;
        m_lastPath = request.substr(start, request.find(' ', start) - start);
        ++m_requests;
        m_changed.wait(lock, [this] { return !m_held; });
        body = m_body;
    }
    if (body) {
        const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                                  std::to_string(body->size()) + "\r\nConnection: close\r\n\r\n" +
                                  *body;
        size_t sent = 0;
        while (sent < reply.size()) {
            const ssize_t n =
                ::send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<size_t>(n);
        }
    }
    ::close(client);
}

std::string versionFile(int major, int minor, const std::string& description) {
    return "<?xml version=\"1.0\"?>\r\n<Movara>\r\n<MajorId>" + std::to_string(major) +
           "</MajorId>\r\n<MinorId>" + std::to_string(minor) + "</MinorId>\r\n<Desc>" +
           description + "</Desc>\r\n</Movara>\r\n";
}
