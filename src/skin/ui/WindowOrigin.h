// Where a top-level window really is on the screen. A reparenting window manager may place a
// new window after Qt last asked the X server where it is (Openbox does so without a synthetic
// ConfigureNotify), leaving Qt with a stale position: every mapToGlobal, every pop-up and every
// platform move would then be off by the window's offset. The X server is asked directly.
#pragma once

#include <QPoint>

#include <optional>

class QWidget;

// The window's top-left corner in Qt's screen coordinates, as the X server has it; nothing
// off X11 or before the window exists.
std::optional<QPoint> windowOriginOnScreen(const QWidget& window);
// Tells Qt where the window really is when its idea differs (the window does not move).
void correctWindowPosition(QWidget& window);
