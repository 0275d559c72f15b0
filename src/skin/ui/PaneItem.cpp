#include "PaneItem.h"

void PaneItem::setRect(const LayoutRect& r) {
    left = r.left;
    top = r.top;
    right = r.right;
    bottom = r.bottom;
}

void PaneItem::setSize(int width, int height) {
    right = left + width;
    bottom = top + height;
}

void PaneItem::setMargins(int l, int r, int t, int b) {
    marginLeft = l;
    marginRight = r;
    marginTop = t;
    marginBottom = b;
}

QFont PaneItem::defaultFont() {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(10);
    return font;
}

PaneItem bottomRightButton(int id, const char* caption, int marginRight, int marginBottom) {
    PaneItem item;
    item.id = id;
    item.caption = QString::fromUtf8(caption);
    item.setSize(80, 24);
    item.placement = kPlaceBottomRight | kPlaceFixedWidth | kPlaceFixedHeight;
    item.setMargins(0, marginRight, 0, marginBottom);
    item.behaviour = kItemFrame | kItemBackground;
    item.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    return item;
}
