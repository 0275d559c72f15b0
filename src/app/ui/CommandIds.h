// The main window's numbers: menus, commands, controls and the private messages it receives.
#pragma once

// Menus.
inline constexpr int kMenuList = 131;     // list context menu
inline constexpr int kMenuMain = 132;     // "File", "Edit", "Help"; the caption's menu button
inline constexpr int kMenuSnapshot = 134; // the play control's snapshot arrow
inline constexpr int kMenuAddMedia = 154; // the tool bar's "Add media" and the empty list's arrow

// Commands.
enum CommandId : int {
    kCmdAbout = 16, // "&About Movara..." of the window menu
    kCmdAddFile = 32780,
    kCmdAddFolder = 32781,
    kCmdDuplicate = 32782,
    kCmdRemove = 32783,
    kCmdClear = 32784,
    kCmdSelectAll = 32785,
    kCmdUnselectAll = 32786,
    kCmdOpenFolder = 32787,
    kCmdFileInfo = 32788,
    kCmdMoveDown = 32791,
    kCmdMoveUp = 32792,
    kCmdPreferences = 32795,
    kCmdProfileSetting = 32797,
    kCmdHelpTopics = 32804,
    kCmdHomepage = 32807,
    kCmdCheckUpdates = 32808,
    kCmdAboutBox = 32809,
    kCmdSnapshot = 32820,
    kCmdOpenSnapshotFolder = 32821,
    kCmdChangeSnapshotFolder = 32822,
    kCmdExit = 32824,
    kCmdVideoEdit = 32831,
    kCmdAddDevice = 32838,
    kCmdScreenRecorder = 32843,
    kCmdFitSize = 32850,
};

// Controls of the save-to pane.
inline constexpr int kCtrlProfileCombo = 1000;
inline constexpr int kCtrlCategoryCombo = 1001;
inline constexpr int kCtrlOutputPath = 1002;

// Private messages the main window receives (besides the pane notification 1124).
// (The loading dialog's 1225 and the file list's codes are in FileListNotify.h; the folder
// scanner's 2046 is kMsgBrowseFile of SkinUiTypes.h; 3245 and 3246 are in CVelConvert.h.)
inline constexpr unsigned kMsgVersionResult = 1327; // version check thread: 0, result record
inline constexpr unsigned kMsgPreviewEnd = 6722;    // posted to itself: end event's sub-kind, 0

// The main window's one timer: the silent version check shortly after start.
inline constexpr int kTimerVersionCheck = 1;
inline constexpr int kVersionCheckDelayMs = 100;

// The dialog's skin ids (window styles of the style sheet).
inline constexpr int kMainDialogId = 102;
inline constexpr int kAboutDialogId = 144;
inline constexpr int kAboutPaneId = 126;
