#include "MovaraMenus.h"

#include "CommandIds.h"

#include "CMenuEx.h"
#include "VersionCheckBuild.h"

#include <algorithm>

namespace {

struct Entry {
    int command; // 0: separator
    const char* text;
};

void append(CMenuEx& menu, std::initializer_list<Entry> entries) {
    for (const Entry& entry : entries) {
        if (entry.command == 0)
            menu.AppendSeparator();
        else
            menu.AppendItem(entry.command, QString::fromUtf8(entry.text));
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
