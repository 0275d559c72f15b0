// Progress on the program's launcher (the dock or task bar entry), where the desktop supports it:
// the com.canonical.Unity.LauncherEntry "Update" signal on the session bus. Any thread.
#ifndef LAUNCHERENTRY_H
#define LAUNCHERENTRY_H

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The launcher of the desktop entry `desktopEntry` (the .desktop file's name without its
// extension) shows `fraction` (0..1) of the work as a bar and `count` as a badge; nullopt hides
// either. False when the signal could not be sent (no session bus).
bool updateLauncherEntry(const std::string& desktopEntry, std::optional<double> fraction,
                         std::optional<int64_t> count);

} // namespace platform

#endif
