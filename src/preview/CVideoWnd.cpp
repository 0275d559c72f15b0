#include "CVideoWnd.h"

bool CVideoWnd::Create(const QString& name, unsigned style, QWidget* parent, int id) {
    if (!CBaseWnd::Create(name, style, parent, id))
        return false;
    // Frames will be painted over the whole pane in one step; no system background underneath.
    setAttribute(Qt::WA_OpaquePaintEvent);
    return true;
}
