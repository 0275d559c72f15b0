// Two private message buses started by the test itself with dbus-daemon (a session bus and a
// stand-in for the system bus, neither able to start services of this machine), and on them the
// desktop services the program talks to, each recording what it was asked:
// - logind's Inhibit on the system bus, which hands out the write end of a pipe, so that its
//   release shows as the end of the pipe;
// - the screen saver's and power management's Inhibit / UnInhibit on the session bus;
// - the notification server's Notify (ActionInvoked is sent when the test says so);
// - and every launcher entry Update signal on the session bus.
// The services answer on a thread of their own, so a caller on the test's thread may wait.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class FakeDesktopBus {
public:
    enum Service : unsigned {
        Logind = 1,
        ScreenSaver = 2,
        PowerManagement = 4,
        Notifications = 8,
    };
    struct LauncherUpdate {
        std::string path;
        std::string uri;
        double progress = 0;
        bool progressVisible = false;
        int64_t count = 0;
        bool countVisible = false;
    };

    // Started once per process and kept until it ends (bus connections are kept that long);
    // fails the test and returns null when dbus-daemon cannot start.
    static FakeDesktopBus* instance();

    std::string sessionAddress() const;
    std::string systemAddress() const;

    // The services that own their names from now on (the others are absent); clears the record.
    void offer(unsigned services);

    // "Interface.Member arg|arg|...", in the order the calls came.
    std::vector<std::string> calls() const;
    // Inhibitions handed out and not given back: logind's pipes still open, cookies not
    // uninhibited.
    int inhibitionsHeld() const;
    std::vector<LauncherUpdate> launcherUpdates() const;
    // The id the last Notify got (0 before any).
    uint32_t lastNotification() const;
    // The server says the person picked `action` of notification `id`.
    void invokeAction(uint32_t id, const std::string& action);

    struct State;

private:
    FakeDesktopBus();
    bool start();
    std::unique_ptr<State> state_;
};
