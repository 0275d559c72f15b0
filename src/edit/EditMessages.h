// Messages between the edit pages and the main window.
#pragma once

// To the main window, lParam the MediaItem: a page changed the item's settings. wParam bit 1
// (kEditApplyToAll) asks to copy the effects or the watermark into every other item.
inline constexpr unsigned kMsgEffectChanged = 4809;
inline constexpr unsigned kMsgWatermarkChanged = 4806;
// wParam 0 from live changes, 1 from "Confirm".
inline constexpr unsigned kMsgCropChanged = 4812;
inline constexpr unsigned kEditApplyToAll = 0x2;
// The "Sound" page changed the item's loudness setting; wParam as for 4809 (bit 1 "Apply to
// all"). The main window passes it on to the engine (and an open preview) and has it measured.
inline constexpr unsigned kMsgSoundChanged = 4815;
// The "Sound" page is shown with the item (lParam): its loudness is wanted now.
inline constexpr unsigned kMsgSoundPageShown = 4816;

// CVideoCropWnd to its page: wParam the drawing area, lParam the dragged rectangle (CropArea*),
// both in the panel's coordinates.
inline constexpr unsigned kMsgCropDragged = 5255;
