// The background both profile dialogs draw: the dialog colour inside a one-pixel frame in the
// skin's control frame colour, so the dialog stands out over the main window.
#pragma once

#include "CBaseDialog.h"
#include "SkinPaint.h"

#include <QPainter>

inline void paintFramedDialog(const CBaseDialog& dialog, QPainter& painter) {
    constexpr int kFrameColorId = 117;
    painter.fillRect(dialog.rect(), argbColor(dialog.DialogColor(0)));
    painter.setPen(argbColor(dialog.DialogColor(kFrameColorId)));
    painter.drawRect(dialog.rect().adjusted(0, 0, -1, -1));
}
