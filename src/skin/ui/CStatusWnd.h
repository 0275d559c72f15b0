// The main window's status bar: the item counts and the profile summary. Dragging it outside its
// items moves the window, as the caption does.
#pragma once

#include "CBaseWnd.h"

class CStatusWnd : public CBaseWnd {
public:
    enum ItemId : int {
        kCounts = 1,
        kProfile = 2,
    };
    static constexpr int kPaneId = 104;
    static constexpr int kHeight = 26;

    using CBaseWnd::CBaseWnd;
    bool Create(const QString& name, unsigned style, QWidget* parent, int id) override;
    void OnMouseMove(PaneItem* item, unsigned keys, int x, int y) override;
};
