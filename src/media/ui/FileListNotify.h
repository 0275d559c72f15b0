// Numbers the file list pane and the loading dialog use to talk to the main window.
#pragma once

#include "SkinUiTypes.h"

// The file list pane's control id; notifications (message 1124) carry it as the pane id.
constexpr int kFileListPaneId = 109;

// First parameter of the pane notification 1124 from the file list. The record's index is the
// row concerned, -1 for none.
constexpr unsigned kFileListFocusSet = 11223;               // the focused index was set
constexpr unsigned kFileListClick = kNotifyClick;           // 513: a left click moved the focus
constexpr unsigned kFileListDblClick = kNotifyDblClick;     // 515: double click, -1 below the rows
constexpr unsigned kFileListRightClick = kNotifyRightClick; // 516: right click, -1 below the rows
constexpr unsigned kFileListBoxToggled = 1633; // a row box (index) or the header box (-1)
constexpr unsigned kFileListActivate = 1634;   // Enter on the focused row (index): preview it

// The empty-list buttons the main window adds to the pane.
constexpr int kFileListAddFileItem = 1; // "Add File..."
constexpr int kFileListAddMenuItem = 2; // the arrow that opens the add-media menu

// Loading dialog to main window: add the file at this path. wParam 0, lParam a pointer to the
// path (UTF-8, NUL-terminated), valid during the call.
constexpr unsigned kMsgLoadFilePath = 1225;
