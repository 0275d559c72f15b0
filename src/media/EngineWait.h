// Waiting on the calling thread for the engine's one callback that ends a measurement (the
// command line measures an item and waits for the figure).
#pragma once

#include "velcodecapi.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

class EngineWait {
public:
    EngineWait();
    ~EngineWait();
    EngineWait(const EngineWait&) = delete;
    EngineWait& operator=(const EngineWait&) = delete;

    // The callback and its user pointer to hand the engine.
    static int signal(tagVeldesEvent* event, void* user);
    void* user() const { return m_state.get(); }
    // Until the engine called back (true) or `stop` was set (false; may be null). After a stop,
    // a measurement cancelled just as it finishes may still call back: its state is then left to
    // it (the stop ends the program anyway) instead of freed under it.
    bool wait(const std::atomic<bool>* stop = nullptr);
    // After wait(): what the event said went wrong (empty when nothing did).
    std::string failure() const;

private:
    struct State {
        std::mutex mutex;
        std::condition_variable done;
        bool over = false;
        std::string failure;
    };
    std::unique_ptr<State> m_state;
};
