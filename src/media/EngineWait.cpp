#include "EngineWait.h"

#include <chrono>

EngineWait::EngineWait() : m_state(std::make_unique<State>()) {}

EngineWait::~EngineWait() = default;

int EngineWait::signal(tagVeldesEvent* event, void* user) {
    auto* state = static_cast<State*>(user);
    std::lock_guard lock(state->mutex);
    if (event && event->status < 0)
        state->failure = event->message && *event->message ? event->message : "it failed";
    state->over = true;
    state->done.notify_all();
    return 0;
}

std::string EngineWait::failure() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->failure;
}

bool EngineWait::wait(const std::atomic<bool>* stop) {
    std::unique_lock lock(m_state->mutex);
    while (!m_state->done.wait_for(lock, std::chrono::milliseconds(100),
                                   [&] { return m_state->over; })) {
        if (stop && stop->load()) {
            lock.unlock();
            static_cast<void>(m_state.release());
            return false;
        }
    }
    return true;
}
