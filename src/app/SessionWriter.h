#pragma once

#include "SessionFile.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Writes session snapshots to their file on a thread of its own, so the window's thread only
// takes the snapshot. Only the newest snapshot waiting is written (the ones before it are
// dropped), a document equal to the last one written is not written again, and an empty list
// removes the file: there is nothing to restore.
class SessionWriter {
public:
    explicit SessionWriter(std::string path);
    // Ends the thread; a snapshot still waiting is written first.
    ~SessionWriter();
    SessionWriter(const SessionWriter&) = delete;
    SessionWriter& operator=(const SessionWriter&) = delete;

    void submit(SessionSnapshot snapshot);
    // Waits until every snapshot submitted so far is on disk.
    void flush();
    // The normal end: nothing more is written and the file is removed.
    void discard();
    // Documents written so far (tests and measurements).
    uint64_t writes() const;

private:
    void run();

    const std::string path_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::optional<SessionSnapshot> pending_;
    bool busy_ = false;
    bool stop_ = false;
    uint64_t writes_ = 0;
    std::string last_; // the document on disk, or empty when there is no file
    std::thread thread_;
};
