// The main window's tool bar: add, edit, move up, move down, remove, and the "Shutdown when
// finish" check box.
#pragma once

#include "CBaseWnd.h"

class CToolWnd : public CBaseWnd {
public:
    enum ItemId : int {
        kAddMedia = 1,
        kEditMedia = 3,
        kMoveUp = 4,
        kMoveDown = 5,
        kRemove = 6,
        kShutdown = 7,
    };
    static constexpr int kPaneId = 103;
    static constexpr int kHeight = 40;

    using CBaseWnd::CBaseWnd;
    bool Create(const QString& name, unsigned style, QWidget* parent, int id) override;
};
