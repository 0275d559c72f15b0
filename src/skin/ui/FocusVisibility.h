// Whether focus rings are drawn: from a person's first key press until they next press a mouse
// button, as desktops and browsers do, so that a mouse user never sees a ring they did not ask
// for and a keyboard user always sees where they are.
#pragma once

class QWidget;

// Starts watching the program's input; safe to call more than once.
void watchFocusVisibility();
// True when `widget` has the keyboard focus and rings are being drawn.
bool focusRingShown(const QWidget& widget);
