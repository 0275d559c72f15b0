// The main window's four pop-up menus, built in code as owner-drawn CMenuEx menus, and the list
// of commands that are shown but not available in this build.
#pragma once

#include <QKeySequence>

#include <memory>
#include <vector>

class CMenuEx;
class QWidget;

// Menu 132: the pop-ups "File", "Edit" and "Help".
std::unique_ptr<CMenuEx> buildMainMenu(QWidget* owner);
// Menu 131: the list's context menu.
std::unique_ptr<CMenuEx> buildListMenu(QWidget* owner);
// Menu 154: the ways of adding media.
std::unique_ptr<CMenuEx> buildAddMediaMenu(QWidget* owner);
// Menu 134: snapshots.
std::unique_ptr<CMenuEx> buildSnapshotMenu(QWidget* owner);

// False for a command whose feature is not part of this build: its menu items stay greyed
// whatever the window's state says, and choosing it does nothing.
bool isCommandAvailable(int commandId);
// Every command of the four menus, once each.
const std::vector<int>& menuCommands();

// The keys of the common commands: shown beside their menu items and active in the whole window.
struct CommandShortcut {
    int command;
    QKeySequence keys;
};
const std::vector<CommandShortcut>& commandShortcuts();
