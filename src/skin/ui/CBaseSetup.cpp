#include "CBaseSetup.h"

CBaseSetup::CBaseSetup(int dialogId, QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(dialogId, parent, 0, skin) {
    // A page lives inside its owner's page area, never as a window of its own.
    setWindowFlags(Qt::Widget);
}
