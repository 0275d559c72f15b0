#include "CActionWnd.h"

namespace {

PaneItem actionButton(int id, int imageId, int placement, const char* tooltip) {
    PaneItem item;
    item.id = id;
    item.imageId = imageId;
    item.setSize(100, 100);
    item.placement = placement | kPlaceFixedWidth | kPlaceFixedHeight;
    item.marginTop = 12;
    item.tooltip = QString::fromUtf8(tooltip);
    return item;
}

} // namespace

bool CActionWnd::Create(const QString& name, unsigned style, QWidget* parent, int id) {
    if (!CBaseWnd::Create(name, style, parent, id))
        return false;
    PaneItem merge = actionButton(kMerge, 25, kPlaceTopLeft, "Merge media");
    merge.marginLeft = 6;
    AddItem(merge);
    PaneItem start = actionButton(kStart, 24, kPlaceTopRight, "Start conversion");
    start.marginRight = 6;
    AddItem(start);
    return true;
}
