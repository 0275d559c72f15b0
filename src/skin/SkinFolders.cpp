#include "SkinFolders.h"

#include "CBaseSkin.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

std::string userSkinFolder() {
    // GenericDataLocation's first entry is $XDG_DATA_HOME, or ~/.local/share without it.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return (data + QStringLiteral("/movara/skins")).toStdString();
}

namespace {

void addFolder(CBaseSkin& skin, const std::string& folder, bool user,
               std::vector<SkinChoice>& found) {
    if (folder.empty())
        return;
    const QDir dir(QString::fromStdString(folder));
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*.skin")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& file : files) {
        const std::string path = file.absoluteFilePath().toStdString();
        if (skin.Validate(path) == 1)
            found.push_back({file.completeBaseName().toStdString(), path, user});
    }
}

} // namespace

std::vector<SkinChoice> findSkins(CBaseSkin& skin, const std::string& programFolder,
                                  const std::string& userFolder) {
    std::vector<SkinChoice> found;
    addFolder(skin, programFolder, false, found);
    addFolder(skin, userFolder, true, found);
    return found;
}
