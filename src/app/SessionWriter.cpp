#include "SessionWriter.h"

SessionWriter::SessionWriter(std::string path)
    : path_(std::move(path)), thread_([this] { run(); }) {}

SessionWriter::~SessionWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SessionWriter::submit(SessionSnapshot snapshot) {
    {
        std::lock_guard lock(mutex_);
        if (stop_)
            return;
        pending_ = std::move(snapshot);
    }
    wake_.notify_all();
}

void SessionWriter::flush() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return !pending_ && !busy_; });
}

void SessionWriter::discard() {
    {
        std::unique_lock lock(mutex_);
        stop_ = true;
        pending_.reset();
        done_.wait(lock, [this] { return !busy_; });
    }
    wake_.notify_all();
    SessionFile::remove(path_);
}

uint64_t SessionWriter::writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

void SessionWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || pending_; });
        if (!pending_)
            return; // stopped with nothing waiting
        SessionSnapshot snapshot = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        lock.unlock();

        bool wrote = false;
        if (snapshot.items.empty()) {
            SessionFile::remove(path_);
            last_.clear();
        } else if (std::string document = SessionFile::document(snapshot); document != last_) {
            // A failed write leaves the previous file whole; the next change tries again.
            wrote = SessionFile::write(path_, document);
            last_ = wrote ? std::move(document) : std::string();
        }
        // The snapshot's strings are freed here, off the window's thread.
        snapshot = {};

        lock.lock();
        busy_ = false;
        writes_ += wrote ? 1 : 0;
        done_.notify_all();
    }
}
