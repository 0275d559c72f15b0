// Keeps the computer from sleeping while held: logind's "sleep:idle" inhibitor in "block" mode on
// the system bus (held as long as the descriptor it hands out stays open), or, where logind does
// not answer, the desktop's screen-saver or power-management inhibition on the session bus
// (held until the matching UnInhibit). Where nothing answers, holding does nothing.
//
// Any thread. Holding while held and releasing while released change nothing; destruction
// releases.
#ifndef SLEEPINHIBITOR_H
#define SLEEPINHIBITOR_H

#include <cstdint>
#include <mutex>
#include <string>

class SleepInhibitor {
public:
    enum class Via { None, Logind, ScreenSaver, PowerManagement };

    SleepInhibitor() = default;
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    // `who` and `why` are what the desktop lists for the inhibition ("Movara", "Converting
    // media"); they are read only when it is taken.
    void hold(bool on, const std::string& who, const std::string& why);
    // What holds the computer awake now.
    Via held() const;

private:
    void take(const std::string& who, const std::string& why);
    void release();

    mutable std::mutex mutex_;
    Via via_ = Via::None;
    int fd_ = -1;         // logind's descriptor
    uint32_t cookie_ = 0; // the session service's
};

#endif
