#pragma once

// --estimate waits for the engine's measurements without an event loop: this watcher thread
// ends it on a signal. Destroying the timeline stops the measuring thread, which removes its
// sample file, and the process then ends with 128 + the signal.

#include "velcodecapi.h"

#include <atomic>
#include <thread>

class EstimateStopper {
public:
    EstimateStopper();
    ~EstimateStopper();
    EstimateStopper(const EstimateStopper&) = delete;
    EstimateStopper& operator=(const EstimateStopper&) = delete;

    // The timeline to destroy on a signal.
    void watch(VeldesTimeline timeline) { timeline_.store(timeline); }

private:
    void run();

    std::atomic<VeldesTimeline> timeline_{nullptr};
    int quit_[2] = {-1, -1};
    std::thread thread_;
};
