#include "CToolWnd.h"

namespace {

PaneItem toolButton(int id, int imageId, const char* tooltip) {
    PaneItem item;
    item.id = id;
    item.imageId = imageId;
    item.setSize(0, 30);
    item.placement = kPlaceTopLeft | kPlaceNatural | kPlaceFixedHeight;
    item.marginLeft = 8;
    item.marginTop = 4;
    item.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    item.gap = 2;
    item.tooltip = QString::fromUtf8(tooltip);
    return item;
}

} // namespace

bool CToolWnd::Create(const QString& name, unsigned style, QWidget* parent, int id) {
    if (!CBaseWnd::Create(name, style, parent, id))
        return false;
    AddItem(toolButton(kAddMedia, 7, "Add media"));
    AddItem(toolButton(kEditMedia, 9, "Edit media"));
    AddItem(toolButton(kMoveUp, 10, "Move up"));
    AddItem(toolButton(kMoveDown, 11, "Move down"));
    AddItem(toolButton(kRemove, 12, "Remove the selected item"));

    PaneItem shutdown;
    shutdown.id = kShutdown;
    shutdown.setSize(0, 30);
    shutdown.placement = kPlaceTopRight | kPlaceNatural | kPlaceFixedHeight;
    shutdown.setMargins(8, 10, 6, 0);
    shutdown.imageAlign = kAlignImageLeft | kAlignImageVCenter;
    shutdown.caption = QStringLiteral("Shutdown when finish");
    shutdown.tooltip = QStringLiteral("shutdown when finish");
    shutdown.behaviour = kItemCheckBox;
    AddItem(shutdown);
    return true;
}
