// Pane items and controls shared by the capture dialogs. Every item sits on a fixed rectangle
// of its pane: the dialogs are fixed-size forms.
#pragma once

#include "PaneItem.h"
#include "PlatformTypes.h"

#include <QRect>
#include <QString>

#include <vector>

class CBaseWnd;
class CVelComboBox;
class CVelEdit;

namespace capture {

constexpr int kRowHeight = 22;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;

// A text, check box, radio button or push button on `rect` of the pane.
PaneItem labelItem(int id, const QString& caption, const QRect& rect);
PaneItem checkItem(int id, const QString& caption, const QRect& rect, bool checked);
PaneItem radioItem(int id, const QString& caption, const QRect& rect, bool checked);
PaneItem buttonItem(int id, const QString& caption, const QRect& rect,
                    const QString& tooltip = QString());

// A skinned edit box or drop-down list hosted by pane item `itemId` on `rect`.
CVelEdit* addEdit(CBaseWnd& pane, int itemId, int controlId, const QRect& rect,
                  const QString& text);
CVelComboBox* addCombo(CBaseWnd& pane, int itemId, int controlId, const QRect& rect);

// Fills a device list: `first` (when not empty), then each device's friendly name; selects the
// first device when there is one, else the first entry (or nothing when the list is empty).
void fillDeviceCombo(CVelComboBox& combo, const QString& first,
                     const std::vector<CaptureDevice>& devices);

// Sets or clears an item's disabled bit and the enabled state of the control it hosts.
void enablePaneItem(CBaseWnd& pane, int itemId, bool enabled);

} // namespace capture
