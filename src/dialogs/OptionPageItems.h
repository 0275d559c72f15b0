// The pane items the option pages are built from: labels, hosted controls, check boxes and a
// small button, on rows of one height.
#pragma once

#include "PaneItem.h"

class CBaseWnd;
class CBaseSkin;
class CBaseSetup;

namespace option_page {

inline constexpr int kRowHeight = 22;
inline constexpr int kSide = 16;

// A label starting a new row (width 0: measured from its text).
PaneItem label(int id, const char* text, int marginTop, int width = 0);
// A control on the rest of the row (width 0) or at a fixed width.
PaneItem hosted(int id, QWidget* control, int width, int marginTop, int marginRight = kSide);
// A check box on a row of its own.
PaneItem checkBox(int id, const char* text, const char* tip, int marginTop);
// The page's one pane, filling the page.
CBaseWnd* makePagePane(CBaseSetup& page, const char* name, int paneId);
// Element id to the check state bit.
bool checked(const CBaseWnd* pane, int id);
void setChecked(CBaseWnd* pane, int id, bool on);

} // namespace option_page
