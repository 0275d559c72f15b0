// What assistive technology sees of the play control: its items, then the position slider and
// the volume slider (each a PlaySliderAccessible).
#pragma once

#include "PaneAccessible.h"

#include <array>

class CPlayCtrlWnd;

class PlayCtrlAccessible : public PaneAccessible {
public:
    explicit PlayCtrlAccessible(CPlayCtrlWnd* pane);
    ~PlayCtrlAccessible() override;

    QString text(QAccessible::Text t) const override;

protected:
    int ExtraCount() const override { return 2; }
    QAccessibleInterface* Extra(int index) const override;
    int IndexOfExtra(const QAccessibleInterface* child) const override;

private:
    mutable std::array<QAccessible::Id, 2> m_sliders{};
};
