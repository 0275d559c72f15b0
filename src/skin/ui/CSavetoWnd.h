// The main window's save-to pane. It starts with its heading; the profile combos, the output
// path and the buttons are added by the main window's profile code.
#pragma once

#include "CBaseWnd.h"

class CSavetoWnd : public CBaseWnd {
public:
    static constexpr int kHeading = 1;
    static constexpr int kPaneId = 107;
    static constexpr int kHeight = 130;

    using CBaseWnd::CBaseWnd;
    bool Create(const QString& name, unsigned style, QWidget* parent, int id) override;
};
