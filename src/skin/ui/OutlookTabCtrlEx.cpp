#include "OutlookTabCtrlEx.h"

#include "PaneMessages.h"
#include "SkinUiTypes.h"

void OutlookTabCtrlEx::OnSelChanged(int index) {
    const int selected = index >= 0 && index < ItemCount() ? index : -1;
    sendToOwner(this, kMsgTabChanged, static_cast<uintptr_t>(static_cast<intptr_t>(selected)),
                ControlId());
}
