#include "MovaraMenus.h"

#include "CommandIds.h"

#include "CMenuEx.h"
#include "VersionCheckBuild.h"

#include <QAction>

#include <algorithm>

namespace {

struct Entry {
    int command; // 0: separator
    const char* text;
};

// The menu item shows the command's keys; the window holds the shortcut that acts on them, so
// the item's own is bound to the open menu alone.
void showShortcut(QAction* action) {
    for (const CommandShortcut& shortcut : commandShortcuts())
        if (shortcut.command == action->data().toInt()) {
            action->setShortcut(shortcut.keys);
            action->setShortcutContext(Qt::WidgetShortcut);
        }
}

void append(CMenuEx& menu, std::initializer_list<Entry> entries) {
    for (const Entry& entry : entries) {
        if (entry.command == 0)
            menu.AppendSeparator();
        else
            showShortcut(menu.AppendItem(entry.command, QString::fromUtf8(entry.text)));
    }
}

constexpr Entry kSeparator{0, nullptr};

} // namespace

std::unique_ptr<CMenuEx> buildMainMenu(QWidget* owner) {
    auto menu = std::make_unique<CMenuEx>(owner);
    append(*menu->AppendPopup(QStringLiteral("File")), {{kCmdAddFile, "Add File..."},
                                                        {kCmdAddFolder, "Add Folder..."},
                                                        {kCmdAddDevice, "Add Device..."},
                                                        {kCmdScreenRecorder, "Screen Recorder..."},
                                                        kSeparator,
                                                        {kCmdProfileSetting, "Profile Setting..."},
                                                        {kCmdPreferences, "Preferences..."},
                                                        kSeparator,
                                                        {kCmdExit, "Exit"}});
    append(*menu->AppendPopup(QStringLiteral("Edit")), {{kCmdDuplicate, "Duplicate"},
                                                        {kCmdRemove, "Remove"},
                                                        {kCmdClear, "Clear"},
                                                        kSeparator,
                                                        {kCmdMoveUp, "Move Up"},
                                                        {kCmdMoveDown, "Move Down"},
                                                        kSeparator,
                                                        {kCmdSelectAll, "Select All"},
                                                        {kCmdUnselectAll, "Unselect All"},
                                                        kSeparator,
                                                        {kCmdOpenFolder, "Open the folder"},
                                                        {kCmdFileInfo, "File information..."},
                                                        {kCmdVideoEdit, "Video Edit..."},
                                                        {kCmdFitSize, "Fit to size..."}});
    if (kVersionCheckBuilt)
        append(*menu->AppendPopup(QStringLiteral("Help")), {{kCmdHelpTopics, "Help topics..."},
                                                            kSeparator,
                                                            {kCmdHomepage, "Visit homepage..."},
                                                            {kCmdCheckUpdates, "Check for updates"},
                                                            kSeparator,
                                                            {kCmdAboutBox, "About..."}});
    else
        append(*menu->AppendPopup(QStringLiteral("Help")), {{kCmdHelpTopics, "Help topics..."},
                                                            kSeparator,
                                                            {kCmdHomepage, "Visit homepage..."},
                                                            kSeparator,
                                                            {kCmdAboutBox, "About..."}});
    return menu;
}

std::unique_ptr<CMenuEx> buildListMenu(QWidget* owner) {
    auto menu = std::make_unique<CMenuEx>(owner);
    append(*menu, {{kCmdAddFile, "Add File..."},
                   {kCmdAddFolder, "Add Folder..."},
                   {kCmdAddDevice, "Add Device..."},
                   {kCmdScreenRecorder, "Screen Recorder..."},
                   kSeparator,
                   {kCmdDuplicate, "Duplicate"},
                   {kCmdRemove, "Remove"},
                   {kCmdClear, "Clear"},
                   kSeparator,
                   {kCmdSelectAll, "Select All"},
                   {kCmdUnselectAll, "Unselect All"},
                   kSeparator,
                   {kCmdOpenFolder, "Open the folder"},
                   {kCmdFileInfo, "File information..."},
                   {kCmdFitSize, "Fit to size..."}});
    return menu;
}

std::unique_ptr<CMenuEx> buildAddMediaMenu(QWidget* owner) {
    auto menu = std::make_unique<CMenuEx>(owner);
    append(*menu, {{kCmdAddFile, "Add File..."},
                   {kCmdAddFolder, "Add Folder...   "},
                   {kCmdAddDevice, "Add Device..."},
                   {kCmdScreenRecorder, "Screen Recorder..."}});
    return menu;
}

std::unique_ptr<CMenuEx> buildSnapshotMenu(QWidget* owner) {
    auto menu = std::make_unique<CMenuEx>(owner);
    append(*menu, {{kCmdSnapshot, "Snapshot"},
                   {kCmdOpenSnapshotFolder, "Open Snapshot Folder"},
                   {kCmdChangeSnapshotFolder, "Change Snapshot Folder..."}});
    return menu;
}

bool isCommandAvailable(int command) {
    // A build without the version check has no "Check for updates".
    return command != kCmdCheckUpdates || kVersionCheckBuilt;
}

const std::vector<int>& menuCommands() {
    static const std::vector<int> commands = [] {
        std::vector<int> all{kCmdAddFile,
                             kCmdAddFolder,
                             kCmdDuplicate,
                             kCmdRemove,
                             kCmdClear,
                             kCmdSelectAll,
                             kCmdUnselectAll,
                             kCmdOpenFolder,
                             kCmdFileInfo,
                             kCmdMoveDown,
                             kCmdMoveUp,
                             kCmdPreferences,
                             kCmdProfileSetting,
                             kCmdHelpTopics,
                             kCmdHomepage,
                             kCmdCheckUpdates,
                             kCmdAboutBox,
                             kCmdSnapshot,
                             kCmdOpenSnapshotFolder,
                             kCmdChangeSnapshotFolder,
                             kCmdExit,
                             kCmdVideoEdit,
                             kCmdAddDevice,
                             kCmdScreenRecorder,
                             kCmdFitSize};
        std::sort(all.begin(), all.end());
        return all;
    }();
    return commands;
}

const std::vector<CommandShortcut>& commandShortcuts() {
    static const std::vector<CommandShortcut> shortcuts{
        {kCmdAddFile, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {kCmdAddFolder, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
        {kCmdRemove, QKeySequence(Qt::Key_Delete)},
        {kCmdSelectAll, QKeySequence(Qt::CTRL | Qt::Key_A)},
        {kCmdUnselectAll, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)},
        {kCmdHelpTopics, QKeySequence(Qt::Key_F1)},
        {kCmdExit, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {kCmdPreferences, QKeySequence(Qt::CTRL | Qt::Key_Comma)},
        {kCmdFileInfo, QKeySequence(Qt::CTRL | Qt::Key_I)},
        {kCmdVideoEdit, QKeySequence(Qt::CTRL | Qt::Key_E)},
    };
    return shortcuts;
}
