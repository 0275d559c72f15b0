// The video surface pane of the main window: the area the preview picture is drawn into. Until
// playback arrives with the player it shows the skin's surface colour only.
#pragma once

#include "CBaseWnd.h"

class CVideoWnd : public CBaseWnd {
public:
    static constexpr int kPaneId = 111;
    static constexpr int kInset = 5; // the surface sits this far inside its layout rectangle

    using CBaseWnd::CBaseWnd;
    bool Create(const QString& name, unsigned style, QWidget* parent, int id) override;
};
