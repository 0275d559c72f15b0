#include "LauncherEntry.h"

#include "DesktopBuses.h"

#include <QDBusMessage>
#include <QVariantMap>

#include <algorithm>

namespace platform {

bool updateLauncherEntry(const std::string& desktopEntry, std::optional<double> fraction,
                         std::optional<int64_t> count) {
    QDBusConnection bus = sessionBus();
    if (desktopEntry.empty() || !bus.isConnected())
        return false;
    // The sender's path only has to be a valid one of its own; the entry is named by the URI.
    QString id = QString::fromStdString(desktopEntry);
    for (QChar& c : id)
        if (!(c.isLetterOrNumber() && c.unicode() < 128))
            c = QLatin1Char('_');
    QDBusMessage signal = QDBusMessage::createSignal("/com/canonical/unity/launcherentry/" + id,
                                                     "com.canonical.Unity.LauncherEntry", "Update");
    const QVariantMap properties{
        {"progress", std::clamp(fraction.value_or(0.0), 0.0, 1.0)},
        {"progress-visible", fraction.has_value()},
        {"count", qint64(count.value_or(0))},
        {"count-visible", count.has_value()},
    };
    signal << "application://" + QString::fromStdString(desktopEntry) + ".desktop" << properties;
    return bus.send(signal);
}

} // namespace platform
