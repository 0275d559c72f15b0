#include "SystemFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include <cstdlib>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::string cleaned(const QString& path) {
    return QDir::cleanPath(path).toStdString();
}

bool isFolder(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).isDir();
}

} // namespace

std::string executableFolder() {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return cleaned(QDir::currentPath());
    const std::string exe(buffer.data(), static_cast<size_t>(n));
    return cleaned(QFileInfo(QString::fromStdString(exe)).path());
}

std::string documentsFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return cleaned(folder);
}

std::string tempFolder() {
    return cleaned(QDir::tempPath());
}

std::string configHome() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + "/.config";
    return cleaned(folder);
}

std::string runtimeFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return cleaned(folder);
}

std::string dataFolderFor(const std::string& exeFolder) {
    if (isFolder(exeFolder + "/skin"))
        return exeFolder;
    const std::string shared = cleaned(QString::fromStdString(exeFolder + "/../share/movara"));
    if (isFolder(shared))
        return shared;
    return exeFolder;
}

bool isWritableFolder(const std::string& folder) {
    return !folder.empty() && isFolder(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string writableFolderFor(const std::string& exeFolder, const std::string& configHomeFolder) {
    // Permission alone cannot tell: root may write into /usr/bin.
    const bool portable = isFolder(exeFolder + "/skin");
    if (portable && isWritableFolder(exeFolder))
        return exeFolder;
    if (configHomeFolder.empty())
        return {};
    const std::string folder = cleaned(QString::fromStdString(configHomeFolder + "/Movara"));
    if (!QDir().mkpath(QString::fromStdString(folder)))
        return {};
    return folder;
}

std::string createTempFile(const std::string& folder, const std::string& prefix) {
    if (prefix.find('/') != std::string::npos)
        return {};
    const std::string base = folder.empty() ? tempFolder() : folder;
    std::string pattern = base + "/" + prefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0)
        return {};
    ::close(fd);
    return std::string(buffer.data());
}

std::string instanceLockPath(const std::string& name) {
    return runtimeFolder() + "/" + name + ".lock";
}

std::string instanceSocketPath(const std::string& name) {
    return runtimeFolder() + "/" + name + ".socket";
}

} // namespace platform
