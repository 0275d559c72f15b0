// The main window's action pane: the merge and start buttons (their images and tooltips follow
// the conversion state).
#pragma once

#include "CBaseWnd.h"

class CActionWnd : public CBaseWnd {
public:
    enum ItemId : int {
        kMerge = 1,
        kStart = 2,
    };
    static constexpr int kPaneId = 108;
    static constexpr int kWidth = 220;
    static constexpr int kHeight = 130;

    using CBaseWnd::CBaseWnd;
    bool Create(const QString& name, unsigned style, QWidget* parent, int id) override;
};
