#include "CStatusWnd.h"

namespace {

PaneItem statusText(int id, int width, int marginLeft, const QString& text) {
    PaneItem item;
    item.id = id;
    item.setSize(width, 20);
    item.placement = kPlaceTopLeft | kPlaceFixedWidth | kPlaceFixedHeight;
    item.setMargins(marginLeft, 4, 4, 4);
    item.caption = text;
    item.behaviour = kItemNoHover;
    return item;
}

} // namespace

bool CStatusWnd::Create(const QString& name, unsigned style, QWidget* parent, int id) {
    if (!CBaseWnd::Create(name, style, parent, id))
        return false;
    AddItem(statusText(kCounts, 190, 4, QStringLiteral("Total items : 0  selected : 0")));
    AddItem(statusText(kProfile, 500, 10, QStringLiteral("   ")));
    return true;
}

void CStatusWnd::OnMouseMove(PaneItem* item, unsigned keys, int x, int y) {
    if (!item)
        DragWindowOnMove(keys, x, y);
}
