// The Tab order of a skinned dialog as a person reads it: the controls and the pane items a Tab
// stops at, in rows from top to bottom and left to right within a row, whatever order they were
// made in. Groups keep together: a pane, a page or any other window holding several stops is
// placed as one block by its own rectangle, and its stops are ordered inside it the same way.
#pragma once

#include <QRect>

#include <vector>

class QWidget;

namespace focusorder {

// The reading order of rectangles: their indexes, row by row (a rectangle starting above the
// middle of a row's first one is in that row), left to right within a row.
std::vector<int> readingOrder(const std::vector<QRect>& rects);

// One place a Tab stops at: a control, a pane without items (the file list), or an item of a
// pane (its id).
struct Stop {
    QWidget* widget = nullptr;
    int item = -1;
    bool operator==(const Stop&) const = default;
};

// Every stop of the window that is shown and enabled, in reading order.
std::vector<Stop> stopsOf(QWidget* window);

// Where the keyboard focus stands among `stops`: the index, -1 when it is at none of them.
int currentStop(const std::vector<Stop>& stops);

// Gives the focus to the stop, as a Tab (forward) or Shift+Tab would.
void focusStop(const Stop& stop, bool forward);

} // namespace focusorder
