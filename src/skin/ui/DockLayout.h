// The docking layout of a skinned dialog and its hit test: pure computations, so that the
// rectangles can be checked without a window.
#pragma once

#include "PanePlacement.h"
#include "SkinUiTypes.h"

#include <memory>
#include <vector>

using PanePlacementList = std::vector<std::unique_ptr<PanePlacement>>;

// `a` minus `r` when r covers a whole side of a (else a unchanged; empty when r covers all of a).
LayoutRect subtractRect(const LayoutRect& a, const LayoutRect& r);

// The rectangle of the pane at `index` in a client area: each record before it takes its stored
// rectangle out of the available area (with the neighbour rule when that changes nothing), then
// the pane is placed by its anchors, fixed size, percentages and margins. The inset is not
// applied here: the record keeps the outer rectangle.
LayoutRect dockPaneRect(const LayoutRect& client, const PanePlacementList& records, size_t index);

// The classic non-client answer for a point of a frameless dialog of the given client size:
// without the maximise bit (0x2) in the caption mask everything is HTBORDER; otherwise the
// outermost one-pixel ring sizes the window and the rest is HTCLIENT.
int dialogHitTest(int x, int y, int width, int height, unsigned captionMask);
