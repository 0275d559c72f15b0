#include "HttpClient.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <set>

namespace platform {

namespace {

struct Sink {
    std::string* body;
    std::size_t maxBytes;
    bool cut = false;
};

size_t writeBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t bytes = size * count;
    const size_t room = sink->maxBytes - sink->body->size();
    if (bytes > room) {
        sink->body->append(data, room);
        sink->cut = true;
        return 0; // enough: end the transfer
    }
    sink->body->append(data, bytes);
    return bytes;
}

// The environment's no_proxy list with the loopback names added.
std::string directHosts() {
    std::string hosts;
    for (const char* name : {"no_proxy", "NO_PROXY"})
        if (const char* value = std::getenv(name); value && *value) {
            hosts = value;
            break;
        }
    if (hosts == "*")
        return hosts;
    if (!hosts.empty())
        hosts += ',';
    return hosts + "localhost,127.0.0.1,::1";
}

// Requests in flight, each with its own cancel flag, so that a cancellation reaches exactly the
// requests running when it is asked for.
struct InFlight {
    std::mutex mutex;
    std::condition_variable ended;
    std::set<std::atomic<bool>*> requests;
};

InFlight& inFlight() {
    static InFlight* registry = new InFlight; // never destroyed: workers may outlive statics
    return *registry;
}

int abortWhenCancelled(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<std::atomic<bool>*>(user)->load() ? 1 : 0;
}

} // namespace

void cancelHttpRequests() {
    InFlight& registry = inFlight();
    std::unique_lock lock(registry.mutex);
    for (std::atomic<bool>* cancelled : registry.requests)
        cancelled->store(true);
    registry.ended.wait(lock, [&] {
        for (std::atomic<bool>* request : registry.requests)
            if (request->load())
                return false;
        return true;
    });
}

bool startNetwork() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

int httpGet(const std::string& url, const std::string& agent, std::size_t maxBytes,
            std::string* body) {
    std::string local;
    std::string* out = body ? body : &local;
    out->clear();
    if (!startNetwork())
        return -1;
    CURL* curl = curl_easy_init();
    if (!curl)
        return -1;
    if (maxBytes > static_cast<std::size_t>(INT_MAX))
        maxBytes = INT_MAX;
    Sink sink{out, maxBytes};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    if (!agent.empty())
        curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    // The desktop's proxy (http_proxy, https_proxy, all_proxy, no_proxy in the environment) is
    // honoured, as libcurl reads it; this machine itself is always reached directly.
    const std::string direct = directHosts();
    curl_easy_setopt(curl, CURLOPT_NOPROXY, direct.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // A check that started encrypted never continues in the clear.
    const bool secure = url.rfind("https://", 0) == 0;
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    // A server that stops sending is given up after 30 s instead of holding the worker forever.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 30L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    std::atomic<bool> cancelled{false};
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abortWhenCancelled);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &cancelled);
    InFlight& registry = inFlight();
    {
        std::lock_guard lock(registry.mutex);
        registry.requests.insert(&cancelled);
    }
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    {
        std::lock_guard lock(registry.mutex);
        registry.requests.erase(&cancelled);
    }
    registry.ended.notify_all();
    const bool ok = code == CURLE_OK || (code == CURLE_WRITE_ERROR && sink.cut);
    if (!ok) {
        out->clear();
        return -1;
    }
    return static_cast<int>(out->size());
}

} // namespace platform
