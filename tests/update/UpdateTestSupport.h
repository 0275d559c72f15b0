// What the version check's tests share: services whose web client really fetches (from
// 127.0.0.1 only), a window that records the results it is sent, and a fixed UTC day.
#pragma once

#include "CVersionUpdate.h"
#include "FakePlatformServices.h"
#include "MessageTarget.h"

#include <thread>
#include <vector>

class LoopbackServices : public FakePlatformServices {
public:
    LoopbackServices();
    bool startNetwork() override;
    int httpGet(const std::string& url, const std::string& agent, std::size_t maxBytes,
                std::string* body) override;
};

// 2027-01-03, so that "7 days ago" lies in the previous year.
SystemTime testDay();

class ResultWindow : public MessageTarget {
public:
    ~ResultWindow() override { stopMessages(); }
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    std::vector<VersionCheckResult> results;
    std::vector<std::thread::id> threads;
};
