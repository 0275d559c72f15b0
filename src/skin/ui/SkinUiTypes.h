// Numbers and small records shared by the skinned windows: message numbers, notification codes,
// the pane notification record, hit-test answers and the rectangle the layouts compute with.
#pragma once

#include <QRect>

#include <cstdint>

struct PaneItem;

// Messages a skinned window sends to the window that owns it.
constexpr unsigned kMsgPaneNotify = 1124;  // pane notification; lParam points to a PaneNotify
constexpr unsigned kMsgEditKeyDown = 3792; // CVelEdit: control id, virtual key code
constexpr unsigned kMsgTabChanged = 2046;  // OutlookTabCtrlEx: new index, control id
constexpr unsigned kMsgBrowseFile = 2046;  // CMsgBrowseDir: path text (char*), 0
constexpr unsigned kMsgColorSelChange = 2025;
constexpr unsigned kMsgColorDropDown = 2026;
constexpr unsigned kMsgColorCloseUp = 2027;
constexpr unsigned kMsgColorSelEndOk = 2028;
constexpr unsigned kMsgColorSelEndCancel = 2029;

// Codes of a pane notification: the mouse messages that caused them.
constexpr unsigned kNotifyMouseMove = 512;
constexpr unsigned kNotifyClick = 513;
constexpr unsigned kNotifyButtonUp = 514;
constexpr unsigned kNotifyDblClick = 515;
constexpr unsigned kNotifyRightClick = 516;

// Mouse key state passed to the pane hooks, in the classic bit layout.
constexpr unsigned MK_LBUTTON = 0x1;
constexpr unsigned MK_RBUTTON = 0x2;
constexpr unsigned MK_SHIFT = 0x4;
constexpr unsigned MK_CONTROL = 0x8;
constexpr unsigned MK_MBUTTON = 0x10;

// Answers of the dialog's hit test.
constexpr int HTCLIENT = 1;
constexpr int HTCAPTION = 2;
constexpr int HTLEFT = 10;
constexpr int HTRIGHT = 11;
constexpr int HTTOP = 12;
constexpr int HTTOPLEFT = 13;
constexpr int HTTOPRIGHT = 14;
constexpr int HTBOTTOM = 15;
constexpr int HTBOTTOMLEFT = 16;
constexpr int HTBOTTOMRIGHT = 17;
constexpr int HTBORDER = 18;

// The record a pane notification points to. `item` is the pane item concerned, or null.
struct PaneNotify {
    int32_t paneId = 0;
    PaneItem* item = nullptr;
    int32_t index = 0;
};

// A rectangle as the layouts compute it: right and bottom are exclusive.
struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    // Empty and inverted rectangles give an empty QRect at their corner.
    QRect toQRect() const;
    static LayoutRect fromQRect(const QRect& r);
    bool operator==(const LayoutRect&) const = default;
};

// A float product truncated toward zero, the way every layout rule computes its shares.
inline int truncatedShare(int span, float percentage) {
    return static_cast<int>(static_cast<double>(span) * static_cast<double>(percentage) / 100.0);
}
