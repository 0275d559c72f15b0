// A tiny HTTP server on 127.0.0.1 for the version check's tests: a free port, one thread, each
// connection answered with the current body (200) or closed without an answer. It can hold its
// answers back until released, to keep a client waiting.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();

    // "http://127.0.0.1:<port>".
    std::string address() const;
    // The body of the next answers; nullopt: close the connection without answering.
    void setBody(std::optional<std::string> body);
    // While held, requests are read and then wait.
    void hold();
    void release();
    int requests() const { return m_requests.load(); }
    // Waits until `count` requests arrived (false after 5 s).
    bool waitForRequests(int count);
    std::string lastPath() const;

private:
    void serve();
    void answer(int client);

    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_requests{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<std::string> m_body;
    std::string m_lastPath;
    bool m_held = false;
    std::vector<std::thread> m_answering; // guarded by m_mutex until the serving thread ended
};

// A version file as the maker's server publishes it.
std::string versionFile(int major, int minor, const std::string& description);
