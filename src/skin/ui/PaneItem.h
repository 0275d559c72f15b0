// The item record of a skinned pane: one button, check box, label, image tile or holder of a
// real control, with its rectangle, texts, look and state.
#pragma once

#include "SkinUiTypes.h"

#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>

// Behaviour flags.
enum PaneItemBehaviour : int32_t {
    kItemFrame = 0x1,
    kItemBackground = 0x2,
    kItemCheckBox = 0x4,
    kItemNoHover = 0x8,
    kItemSpecialText = 0x20,
    kItemRadio = 0x80,
    kItemUnderline = 0x100,
};

// State bits.
enum PaneItemState : int32_t {
    kStateHover = 0x2,
    kStateChecked = 0x4,
    kStateDisabled = 0x10,
    kStateHighlight = 0x20,
};

// Image alignment.
enum PaneImageAlign : int32_t {
    kAlignImageLeft = 0x1,
    kAlignImageCenter = 0x2, // image and text centred together
    kAlignImageRight = 0x4,
    kAlignImageVCenter = 0x10,
    kAlignImageBottom = 0x20,
};

// Placement flags of the flow layout.
enum PaneItemPlacement : int32_t {
    kPlaceTopLeftLine = 0x1,  // top-left, each on a new line
    kPlaceTopLeft = 0x2,      // top-left, flowing rightwards
    kPlaceBottomLeft = 0x4,   // bottom-left, flowing rightwards
    kPlaceTopRightLine = 0x8, // top-right, each on a new line
    kPlaceTopRight = 0x10,    // top-right, flowing leftwards
    kPlaceBottomRight = 0x20, // bottom-right, flowing leftwards
    kPlaceFixedWidth = 0x40,
    kPlaceFixedHeight = 0x80,
    kPlaceNatural = 0x100,   // measured from image and text
    kPlaceFixedRect = 0x200, // never moved
    kPlaceDirectionMask = 0x3F,
};

struct PaneItem {
    // Before placement right - left and bottom - top are the fixed width and height.
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    QPointer<QWidget> hosted; // a real control laid onto the item's rectangle, or none
    QString caption;
    QString tooltip;
    QFont font = defaultFont();
    float percentX = 100.0f;
    float percentY = 100.0f;
    int32_t tag = 0;
    int32_t imageId = 0;
    int32_t id = 0;
    int32_t marginLeft = 0;
    int32_t marginRight = 0;
    int32_t marginTop = 0;
    int32_t marginBottom = 0;
    int32_t gap = 0; // between image and text
    int32_t behaviour = 0;
    int32_t state = 0;
    int32_t imageAlign = kAlignImageLeft | kAlignImageVCenter;
    int32_t placement = kPlaceTopRight;

    LayoutRect rect() const { return {left, top, right, bottom}; }
    void setRect(const LayoutRect& r);
    // Sets the fixed size the layout starts from, keeping the top-left corner.
    void setSize(int width, int height);
    void setMargins(int l, int r, int t, int b);
    bool isDisabled() const { return (state & kStateDisabled) != 0; }
    bool isChecked() const { return (state & kStateChecked) != 0; }

    // "Times New Roman", 10 point.
    static QFont defaultFont();
};

// A framed text button of a dialog's button row (80 x 24), placed from the pane's bottom-right
// corner: `marginRight` from the button to its right, `marginBottom` from the pane's bottom.
PaneItem bottomRightButton(int id, const char* caption, int marginRight, int marginBottom);
