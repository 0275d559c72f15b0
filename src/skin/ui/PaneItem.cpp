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
