// The version checker: fetches the maker's version file on a worker thread, parses it and hands
// the result to a window with the synchronous message 1327. A small history file remembers the
// day of the last successful check, so the automatic check runs at most once per interval.
//
// Ownership: a checker is held by a std::shared_ptr. The worker holds a reference of its own, so
// an owner that goes away while a fetch still hangs abandons the checker instead of waiting for
// the network: the worker then finishes on its own, sends nothing and releases the object.
// One checker runs one worker at a time; a second start while it runs is refused.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "PlatformTypes.h"

// The result message: wParam 0, lParam a VersionCheckResult* valid for the call only.
inline constexpr unsigned kMsgVersionCheck = 1327;
// The program's own version: 2.1.3.1.
inline constexpr int32_t kOwnMajorId = 2 * 256 + 1;
inline constexpr int32_t kOwnMinorId = 3 * 256 + 1;
// The one read of the version file takes at most this many bytes.
inline constexpr std::size_t kVersionFileLimit = 4096;

struct VersionCheckResult {
    int32_t success = 0; // 1 or 0
    int32_t majorId = 0;
    int32_t minorId = 0;
    std::string description;
};

// True when (major, minor) is a later version than (ownMajor, ownMinor).
bool isNewerVersion(int32_t major, int32_t minor, int32_t ownMajor = kOwnMajorId,
                    int32_t ownMinor = kOwnMinorId);
// "p.q.r.s" of a packed version.
std::string versionText(int32_t major, int32_t minor);
// "%04d-%02d-%02d" of a calendar day, and of the day `days` before it.
std::string dateText(const SystemTime& day);
std::string dateTextDaysBefore(const SystemTime& day, int days);

// Reads a version file: the top element `product` holding MajorId, MinorId and Desc in this
// order, all three present, the ids decimal. False when anything is missing or malformed.
bool parseVersionFile(std::string_view text, const std::string& product, VersionCheckResult* out);

class CVersionUpdate : public std::enable_shared_from_this<CVersionUpdate> {
public:
    static constexpr int kDefaultIntervalDays = 7;

    // `historyFolder` holds the history file (the folder of the settings file).
    explicit CVersionUpdate(std::string historyFolder);
    virtual ~CVersionUpdate();

    CVersionUpdate(const CVersionUpdate&) = delete;
    CVersionUpdate& operator=(const CVersionUpdate&) = delete;

    // --- the virtual operations, in slot order ---
    // True when no history file can be read, or its date is `intervalDays` or more days ago
    // (UTC). A history text that is no date, or a date after today, makes the check due too.
    virtual bool isCheckDue();
    // Starts the worker unless `force` is false and the check is not due. The result goes to
    // `window` (a message target's handle). False when nothing was started: not due, a worker
    // of this checker still runs, or the checker is not held by a shared_ptr.
    virtual bool start(bool force, void* window);
    // The worker body: fetch, parse, report, remember the day. Returns 0.
    virtual int run();
    virtual int intervalDays() const { return m_intervalDays; }
    virtual std::string historyFileName() const { return "VelUpdateHistory.txt"; }
    virtual std::string agentName() const;
    virtual std::string versionUrl() const = 0;
    virtual std::string productElement() const = 0;
    // Called on the worker with a fetched version; true means handled (no message is sent).
    virtual bool onResult(int32_t major, int32_t minor, const std::string& description) {
        return false;
    }

    // --- not slots ---
    // The interval of the automatic check (at least 1 day); 7 unless set.
    void setIntervalDays(int days);
    std::string historyPath() const;
    // True from a successful start until the worker's body ended.
    bool running() const { return m_running.load(std::memory_order_acquire); }
    // The owner gives the checker up; call it after the receiving window stopped accepting
    // messages. A worker still waiting for the network is left to end on its own (it holds the
    // object until then) and sends nothing; any other worker is waited for, which is quick.
    void abandon();

    // The fetched values; read them only once running() is false.
    int32_t fetchedMajor() const { return m_major; }
    int32_t fetchedMinor() const { return m_minor; }
    const std::string& fetchedDescription() const { return m_description; }

private:
    // The fetch phase: false (nothing fetched) once the checker was abandoned.
    bool enterFetch();
    void leaveFetch();
    void notify(const VersionCheckResult& result);
    bool writeHistory() const;

    const std::string m_historyFolder;
    int m_intervalDays = kDefaultIntervalDays;
    void* m_window = nullptr;
    SystemTime m_startDay{}; // UTC day the worker was started; written to the history file
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_abandoned{false};
    std::mutex m_phaseMutex;
    bool m_fetching = false; // guarded by m_phaseMutex
    int32_t m_major = 0;
    int32_t m_minor = 0;
    std::string m_description;
};

// The owner's hold on a checker: destroying it (or reset()) abandons a running worker.
template <typename Checker> class VersionCheckerHold {
public:
    VersionCheckerHold() = default;
    explicit VersionCheckerHold(std::shared_ptr<Checker> checker) : m_checker(std::move(checker)) {}
    ~VersionCheckerHold() { reset(); }
    VersionCheckerHold(const VersionCheckerHold&) = delete;
    VersionCheckerHold& operator=(const VersionCheckerHold&) = delete;
    VersionCheckerHold& operator=(std::shared_ptr<Checker> checker) {
        reset();
        m_checker = std::move(checker);
        return *this;
    }
    void reset() {
        if (m_checker)
            m_checker->abandon();
        m_checker.reset();
    }
    Checker* get() const { return m_checker.get(); }
    Checker* operator->() const { return m_checker.get(); }
    explicit operator bool() const { return m_checker != nullptr; }
    const std::shared_ptr<Checker>& shared() const { return m_checker; }

private:
    std::shared_ptr<Checker> m_checker;
};
