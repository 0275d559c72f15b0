// The placement record of one pane in a skinned dialog's layout list.
#pragma once

#include "SkinUiTypes.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>

enum PaneAnchor : int32_t {
    kAnchorTop = 0x1,
    kAnchorLeft = 0x2,
    kAnchorBottom = 0x4,
    kAnchorRight = 0x8,
    kAnchorFixedWidth = 0x10,
    kAnchorFixedHeight = 0x20,
};

struct PanePlacement {
    float percentX = 100.0f; // share of the available width when the width is not fixed
    float percentY = 100.0f;
    QPointer<QWidget> window;
    // The last computed rectangle; before the first layout its width and height are the fixed
    // width and height.
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t id = 0;
    int32_t anchors = 0;
    int32_t inset = 0; // 1: the window sits inside its rectangle by the inset amounts
    int32_t marginLeft = 0;
    int32_t marginRight = 0;
    int32_t marginTop = 0;
    int32_t marginBottom = 0;
    int32_t insetX = 1;
    int32_t insetY = 1;

    LayoutRect rect() const { return {left, top, right, bottom}; }
    void setRect(const LayoutRect& r);

    // A record for `pane` with the pane's control id, anchors and fixed size (0: not fixed).
    static PanePlacement make(QWidget* pane, int id, int32_t anchors, int fixedWidth = 0,
                              int fixedHeight = 0);
};
