// Where the program's files are on this platform, and temporary files. Plain functions so that
// every PlatformServices implementation shares them.
#ifndef SYSTEMFOLDERS_H
#define SYSTEMFOLDERS_H

#include <string>

namespace platform {

// Folders are absolute and carry no trailing "/".
std::string executableFolder();
std::string documentsFolder();
std::string tempFolder();
std::string configHome(); // $XDG_CONFIG_HOME, or ~/.config
std::string runtimeFolder();

// Read-only data: `exeFolder` when it has a skin/ folder, else ../share/movara beside it when
// that exists, else `exeFolder` (so that messages name the place the files were expected).
std::string dataFolderFor(const std::string& exeFolder);

// Files the program writes: `exeFolder` for a portable copy (its skin/ folder beside it, as in a
// build tree) that this user may write to, else <configHomeFolder>/Movara, created when missing.
// An installed copy never writes beside itself, even when the superuser could. Empty when
// neither can be had.
std::string writableFolderFor(const std::string& exeFolder, const std::string& configHomeFolder);

bool isWritableFolder(const std::string& folder);

// Creates a new empty file "<folder>/<prefix>XXXXXX" with a unique suffix and returns its path;
// an empty folder means tempFolder(). Empty when no file could be created.
std::string createTempFile(const std::string& folder, const std::string& prefix);

// The lock file behind the single-instance lock `name`.
std::string instanceLockPath(const std::string& name);
// The socket on which the holder of the lock `name` takes files from later starts.
std::string instanceSocketPath(const std::string& name);

} // namespace platform

#endif
