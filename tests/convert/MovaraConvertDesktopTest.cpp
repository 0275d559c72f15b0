// movara-convert keeps the computer awake while it converts, against stand-ins of the desktop's
// services on private buses named by the environment, as a desktop session names its own.
#include "ConvertToolSupport.h"
#include "FakeDesktopBus.h"
#include "RecordingWindow.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

namespace {

TEST(MovaraConvert, HoldsTheSleepInhibitorWhileConvertingAndGivesItBackAtTheEnd) {
    FakeDesktopBus* bus = FakeDesktopBus::instance();
    ASSERT_TRUE(bus);
    const std::string input = converttest::movie(1.0);
    struct Desktop {
        const char* name;
        unsigned services;
        std::vector<std::string> calls;
    };
    const Desktop desktops[] = {
        {"logind",
         FakeDesktopBus::Logind | FakeDesktopBus::ScreenSaver,
         {"Manager.Inhibit sleep:idle|movara-convert|Converting media|block"}},
        // Without logind the session's screen saver is asked, and told when it is over.
        {"screen saver",
         FakeDesktopBus::ScreenSaver,
         {"ScreenSaver.Inhibit movara-convert|Converting media", "ScreenSaver.UnInhibit 1"}},
    };
    for (const Desktop& desktop : desktops) {
        SCOPED_TRACE(desktop.name);
        bus->offer(desktop.services);
        testmedia::ScratchDir out;
        const auto result = testmedia::runTool(
            {"env", "DBUS_SESSION_BUS_ADDRESS=" + bus->sessionAddress(),
             "DBUS_SYSTEM_BUS_ADDRESS=" + bus->systemAddress(), "timeout", "--signal=KILL", "120",
             MOVARA_CONVERT_BIN, "--profile", "mp3", "--output", out.path(), input});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_TRUE(testmedia::fileExists(out.file(
            input.substr(input.rfind('/') + 1, input.rfind('.') - input.rfind('/') - 1) + ".mp3")));
        EXPECT_EQ(bus->calls(), desktop.calls);
        EXPECT_TRUE(converttest::pumpUntil([&] { return bus->inhibitionsHeld() == 0; },
                                           std::chrono::seconds(2)));
    }
}

} // namespace
