// CVelConvert: the gate the engine's callbacks pass through, which keeps them apart from the
// window's changes of the entries and from the conversions after theirs.
#include "CVelConvert.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The engine calls back with a ticket of a gate, not with this object: an engine may still be
// about to call when the object is gone (a worker that was entering a callback while its timeline
// was destroyed). The gate outlives every CVelConvert, so such a late call finds it closed and
// returns; shutdown closes it and waits for callbacks that already entered. Each conversion gets
// its own ticket, so the calls for the runs of an earlier one are told apart and ignored.
struct CVelConvert::RunTicket {
    CallbackGate* gate = nullptr;
};

struct CVelConvert::CallbackGate {
    std::mutex mutex;
    std::condition_variable idle;
    CVelConvert* owner = nullptr;
    int active = 0;
    int readers = 0;         // progress callbacks in progress: they read the entries
    int changesWaiting = 0;  // EntriesChange waiting for the readers to leave
    bool changing = false;   // the entries are being changed (EntriesChange)
    std::thread::id changer; // ... by this thread
    int depth = 0;           // ... under this many EntriesChange
    // One per conversion started (a pointer each); the last is the current one. The engine may
    // call with any of them for as long as the process lives.
    std::deque<RunTicket> tickets;
};

CVelConvert::CallbackGate* CVelConvert::openGate(CVelConvert* owner) {
    // Kept for the life of the process (a few bytes per engine object; one in the program).
    static std::mutex registryMutex;
    static std::vector<std::unique_ptr<CallbackGate>> gates;
    std::lock_guard lock(registryMutex);
    gates.push_back(std::make_unique<CallbackGate>());
    CallbackGate* gate = gates.back().get();
    gate->owner = owner;
    gate->tickets.push_back(RunTicket{gate});
    return gate;
}

void* CVelConvert::callbackUser() const {
    std::lock_guard lock(gate_->mutex);
    return &gate_->tickets.back();
}

void CVelConvert::fenceOffEarlierRuns() {
    std::unique_lock lock(gate_->mutex);
    gate_->tickets.push_back(RunTicket{gate_});
    // Every request a callback may wait on is withdrawn while the state is idle (the caller
    // stopped), so this wait is short.
    gate_->idle.wait(lock, [this] { return gate_->readers == 0; });
}

CVelConvert* CVelConvert::enterCallback(void* user, bool readsEntries, bool* earlier) {
    const auto* ticket = static_cast<const RunTicket*>(user);
    if (!ticket) {
        return nullptr;
    }
    CallbackGate* gate = ticket->gate;
    std::unique_lock lock(gate->mutex);
    if (readsEntries) {
        gate->idle.wait(lock, [gate] { return !gate->changing && gate->changesWaiting == 0; });
    }
    if (!gate->owner || gate->owner->closing_.load()) {
        return nullptr;
    }
    // A run of an earlier conversion: a Start since has taken the list and the run record;
    // only a caller that asks may look at such a call (a stopped recording's end).
    const bool stale = readsEntries && ticket != &gate->tickets.back();
    if (stale && !earlier) {
        return nullptr;
    }
    if (earlier) {
        *earlier = stale;
    }
    ++gate->active;
    gate->readers += readsEntries ? 1 : 0;
    return gate->owner;
}

void CVelConvert::leaveCallback(void* user, bool readsEntries) {
    CallbackGate* gate = static_cast<const RunTicket*>(user)->gate;
    std::lock_guard lock(gate->mutex);
    gate->readers -= readsEntries ? 1 : 0;
    if (--gate->active == 0 || (readsEntries && gate->readers == 0)) {
        gate->idle.notify_all();
    }
}

void CVelConvert::closeGate() {
    // Every request a callback may wait on from here is withdrawn (closing is set), so the
    // callbacks in progress return; nothing is freed before they did.
    std::unique_lock lock(gate_->mutex);
    gate_->owner = nullptr;
    gate_->idle.wait(lock, [this] { return gate_->active == 0; });
}

CVelConvert::EntriesChange::EntriesChange(CallbackGate* gate) : gate_(gate) {
    // The progress callbacks read the entries; they change only while none runs, and a progress
    // callback that arrives meanwhile waits the moment it takes. Callbacks in progress are short
    // once the conversion is stopped (every blocking request is withdrawn then), and the entries
    // change only then: the commands that change the list are disabled while converting.
    std::unique_lock lock(gate_->mutex);
    if (gate_->changing && gate_->changer == std::this_thread::get_id()) {
        ++gate_->depth; // a change within a change (the list's change adds an entry)
        return;
    }
    ++gate_->changesWaiting;
    gate_->idle.wait(lock, [this] { return gate_->readers == 0 && !gate_->changing; });
    --gate_->changesWaiting;
    gate_->changing = true;
    gate_->changer = std::this_thread::get_id();
    gate_->depth = 1;
}

CVelConvert::EntriesChange::~EntriesChange() {
    {
        std::lock_guard lock(gate_->mutex);
        if (--gate_->depth > 0)
            return;
        gate_->changing = false;
        gate_->changer = {};
    }
    gate_->idle.notify_all();
}
