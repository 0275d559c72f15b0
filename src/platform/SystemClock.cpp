#include "SystemClock.h"

#include <ctime>

namespace platform {

namespace {

SystemTime fromCalendar(const std::tm& tm, long nanoseconds) {
    SystemTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.dayOfWeek = tm.tm_wday;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec > 59 ? 59 : tm.tm_sec; // a leap second reads as :59
    t.milliseconds = static_cast<int>(nanoseconds / 1000000);
    return t;
}

timespec now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts;
}

} // namespace

SystemTime localTime() {
    const timespec ts = now();
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    return fromCalendar(tm, ts.tv_nsec);
}

SystemTime utcTime() {
    const timespec ts = now();
    std::tm tm{};
    gmtime_r(&ts.tv_sec, &tm);
    return fromCalendar(tm, ts.tv_nsec);
}

} // namespace platform
