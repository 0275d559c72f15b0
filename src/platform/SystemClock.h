// Local and UTC calendar time with milliseconds.
#ifndef SYSTEMCLOCK_H
#define SYSTEMCLOCK_H

#include "PlatformTypes.h"

namespace platform {

SystemTime localTime();
SystemTime utcTime();

} // namespace platform

#endif
