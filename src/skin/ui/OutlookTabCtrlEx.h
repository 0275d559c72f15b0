// The tab strip of the preferences and edit dialogs: a selection made by a person is reported to
// the owner with message 2046 (new index, control id).
#pragma once

#include "OutlookTabCtrl.h"

class OutlookTabCtrlEx : public OutlookTabCtrl {
public:
    using OutlookTabCtrl::OutlookTabCtrl;

protected:
    void OnSelChanged(int index) override;
};
