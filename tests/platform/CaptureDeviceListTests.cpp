// The capture device lists of this machine: whatever it has, only devices, each name once.
#include "CaptureDeviceList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace {

TEST(CaptureDeviceList, WithoutASoundServerOnlySoundCardsAreListedEachOnce) {
    setenv("PULSE_SERVER", "unix:/nonexistent/movara-test", 1);
    for (CaptureKind kind : {CaptureKind::Video, CaptureKind::Audio}) {
        std::set<std::string> names;
        for (const CaptureDevice& device : platform::listCaptureDevices(kind)) {
            EXPECT_TRUE(names.insert(device.description).second) << device.description;
            if (kind == CaptureKind::Audio) {
                EXPECT_EQ(device.name.rfind("plughw:CARD=", 0), 0u) << device.name;
            }
        }
    }
    unsetenv("PULSE_SERVER");
}

} // namespace
