// Desktop notifications (org.freedesktop.Notifications on the session bus), each with one action:
// when the person picks it (the notification itself, or its button), the action's work runs on
// the thread this object lives on, which must run an event loop (the user-interface thread).
#ifndef DESKTOPNOTIFIER_H
#define DESKTOPNOTIFIER_H

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    struct Note {
        std::string appName;
        std::string icon;         // an icon name of the theme, may be empty
        std::string desktopEntry; // the .desktop file's name without extension, may be empty
        std::string summary;
        std::string body;
        std::string actionLabel; // no action when empty
        std::function<void()> action;
    };

    DesktopNotifier();
    ~DesktopNotifier() override;

    // The notification's id; 0 when no notification service answered.
    uint32_t notify(const Note& note);

private slots:
    void onActionInvoked(uint id, const QString& key);
    void onClosed(uint id, uint reason);

private:
    bool listening_ = false;
    std::map<uint32_t, std::function<void()>> actions_;
};

#endif
