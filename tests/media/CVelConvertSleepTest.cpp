// The sleep inhibitor follows the conversion, against stand-ins of the desktop's services on
// private buses: logind first, the screen saver and power management on the session bus after
// it, nothing at all where none answers.
#include "ConvertTestSupport.h"

#include "DesktopBuses.h"
#include "FakeDesktopBus.h"

#include <QCoreApplication>

namespace {

using converttest::ConvertFixture;
using converttest::pumpUntil;

TEST_F(ConvertFixture, SleepIsInhibitedWhileConvertingAndNotWhilePausedStoppedOrEnded) {
    FakeDesktopBus* bus = FakeDesktopBus::instance();
    ASSERT_TRUE(bus);
    platform::setBusAddresses(bus->sessionAddress(), bus->systemAddress());
    services.useDesktopBuses(true);
    const std::string app = QCoreApplication::applicationName().toStdString();

    struct Desktop {
        const char* name;
        unsigned services;
        std::string inhibit; // the call that takes it
        std::string release; // the call that gives it back ("": closing logind's descriptor)
    };
    const Desktop desktops[] = {
        {"logind", FakeDesktopBus::Logind | FakeDesktopBus::ScreenSaver,
         "Manager.Inhibit sleep:idle|" + app + "|Converting media|block", ""},
        {"screen saver", FakeDesktopBus::ScreenSaver | FakeDesktopBus::PowerManagement,
         "ScreenSaver.Inhibit " + app + "|Converting media", "ScreenSaver.UnInhibit "},
        {"power management", FakeDesktopBus::PowerManagement,
         "Inhibit.Inhibit " + app + "|Converting media", "Inhibit.UnInhibit "},
        {"nothing", 0, "", ""},
    };
    enum Step { Start, Pause, Resume, Stop, End, Shutdown };
    struct Change {
        Step step;
        bool held;
    };
    const Change changes[] = {{Start, true},  {Pause, false},   {Resume, true}, {Stop, false},
                              {Start, true},  {End, false},     {Start, true},  {Pause, false},
                              {Resume, true}, {Shutdown, false}};

    MediaItem* item = addFile("a.avi");
    int ended = 0;
    for (const Desktop& desktop : desktops) {
        SCOPED_TRACE(desktop.name);
        bus->offer(desktop.services);
        for (const Change& change : changes) {
            static const char* const kNames[] = {"start", "pause", "resume",
                                                 "stop",  "end",   "shutdown"};
            SCOPED_TRACE(kNames[change.step]);
            switch (change.step) {
            case Start:
                convert->startConversion();
                ASSERT_EQ(convert->state(), kStateConverting);
                break;
            case Pause:
                convert->suspend();
                break;
            case Resume:
                convert->resume();
                break;
            case Stop:
                convert->stop();
                break;
            case End:
                // The engine reports the only item done: the conversion is over, and the window
                // has not been told yet (it stops the conversion when it is).
                fake.fireProgress(convert->runIdOf(item), convert->mediaIdOf(item), 10000, 1);
                ASSERT_TRUE(waitForCode(kNotifyConversionOver, ++ended));
                break;
            case Shutdown:
                convert->shutdown();
                convert = std::make_unique<CVelConvert>();
                convert->attach(nullptr, window->handle(), &settings);
                ASSERT_EQ(convert->addItem(item), 1);
                break;
            }
            const bool expectHeld = change.held && desktop.services != 0;
            EXPECT_TRUE(pumpUntil([&] { return bus->inhibitionsHeld() == (expectHeld ? 1 : 0); },
                                  std::chrono::seconds(2)));
        }
        // Each start and resume took it once and each other change gave it back once (the
        // session services by the cookie they handed out); nothing else was asked.
        std::vector<std::string> expected;
        int cookie = 0;
        for (const Change& change : changes) {
            if (desktop.services == 0)
                break;
            if (change.held)
                expected.push_back(desktop.inhibit), ++cookie;
            else if (!desktop.release.empty())
                expected.push_back(desktop.release + std::to_string(cookie));
        }
        EXPECT_EQ(bus->calls(), expected);
    }
}

} // namespace
