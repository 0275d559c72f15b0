#include "UpdateTestSupport.h"

#include <gtest/gtest.h>

LoopbackServices::LoopbackServices() {
    setClock(testDay(), testDay());
}

bool LoopbackServices::startNetwork() {
    return PlatformServices::startNetwork();
}

int LoopbackServices::httpGet(const std::string& url, const std::string& agent,
                              std::size_t maxBytes, std::string* body) {
    // Nothing but the test's own server is ever contacted.
    if (url.rfind("http://127.0.0.1:", 0) != 0) {
        ADD_FAILURE() << "request to " << url;
        return -1;
    }
    return PlatformServices::httpGet(url, agent, maxBytes, body);
}

SystemTime testDay() {
    SystemTime day;
    day.year = 2027;
    day.month = 1;
    day.day = 3;
    day.hour = 12;
    return day;
}

intptr_t ResultWindow::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (msg == kMsgVersionCheck && lParam) {
        results.push_back(*reinterpret_cast<const VersionCheckResult*>(lParam));
        threads.push_back(std::this_thread::get_id());
    }
    return 0;
}
