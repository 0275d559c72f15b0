#include "SkinMenu.h"

#include "CBaseSkin.h"
#include "CMenuEx.h"
#include "SkinFolders.h"

#include <QAction>

#include <filesystem>

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec);
}

void fill(CMenuEx& popup, CBaseSkin& skin, const std::string& programFolder,
          const std::function<void(const std::string&)>& apply) {
    popup.clear();
    const std::vector<SkinChoice> skins = findSkins(skin, programFolder, userSkinFolder());
    int command = kCmdSkinFirst;
    for (const SkinChoice& choice : skins) {
        if (command > kCmdSkinLast)
            break;
        // A skin of the user's that shares a name with one of the program's says whose it is.
        bool shadows = false;
        for (const SkinChoice& other : skins)
            shadows |= choice.user && !other.user && other.name == choice.name;
        QString text = QString::fromStdString(choice.name);
        if (shadows)
            text += QStringLiteral(" (yours)");
        QAction* action = popup.AppendItem(command++, text);
        action->setCheckable(true);
        action->setChecked(sameFile(choice.path, skin.CurrentArchive()));
        const std::string path = choice.path;
        QObject::connect(action, &QAction::triggered, &popup, [apply, path] { apply(path); });
    }
    if (skins.empty()) {
        QAction* none = popup.AppendItem(kCmdSkinFirst, QStringLiteral("No skins found"));
        none->setEnabled(false);
    }
}

} // namespace

void attachSkinMenu(CMenuEx& mainMenu, CBaseSkin& skin, const std::string& programSkinFolder,
                    std::function<void(const std::string&)> apply) {
    CMenuEx* edit = nullptr;
    for (QAction* action : mainMenu.actions())
        if (action->text() == QLatin1String("Edit"))
            edit = dynamic_cast<CMenuEx*>(action->menu());
    if (!edit)
        return;
    edit->AppendSeparator();
    CMenuEx* popup = edit->AppendPopup(QStringLiteral("Skin"));
    QObject::connect(popup, &QMenu::aboutToShow, popup,
                     [popup, &skin, programSkinFolder, apply = std::move(apply)] {
                         fill(*popup, skin, programSkinFolder, apply);
                     });
}
