#include "FlowLayout.h"

namespace {

int direction(const PaneItem& item) {
    return item.placement & kPlaceDirectionMask;
}

bool is(const PaneItem& item, int32_t bit) {
    return (direction(item) & bit) != 0;
}

// How an earlier item `e` shrinks the area available to an item of width `width` placed `i`.
void reduceByEarlier(LayoutRect& a, const LayoutRect& client, const PaneItem& e, const PaneItem& i,
                     int width) {
    // An item fits beside E when it does with its outer margin too; otherwise a margin would
    // push it past the pane's edge.
    const bool leftFlowFits = e.right + i.marginLeft + width <= client.right;
    const bool rightFlowFits = e.left - i.marginRight - width >= client.left;
    if (is(e, kPlaceTopLeftLine | kPlaceTopLeft)) {
        if (is(i, kPlaceTopLeftLine)) {
            a.top = e.bottom;
        } else if (is(i, kPlaceTopLeft)) {
            if (leftFlowFits) {
                a.left = e.right;
                a.top = e.top - e.marginTop;
            } else {
                a.left = client.left;
                a.top = e.bottom;
            }
        }
    } else if (is(e, kPlaceBottomLeft)) {
        if (is(i, kPlaceTopLeftLine)) {
            a.bottom = e.top;
        } else if (is(i, kPlaceBottomLeft)) {
            if (leftFlowFits) {
                a.left = e.right;
                a.bottom = e.bottom + e.marginBottom;
            } else {
                a.left = client.left;
                a.bottom = e.top;
            }
        }
    } else if (is(e, kPlaceTopRightLine | kPlaceTopRight)) {
        if (is(i, kPlaceTopRightLine)) {
            a.top = e.bottom;
        } else if (is(i, kPlaceTopRight)) {
            if (rightFlowFits) {
                a.right = e.left;
                a.top = e.top - e.marginTop;
            } else {
                a.right = client.right;
                a.top = e.bottom;
            }
        }
    } else if (is(e, kPlaceBottomRight)) {
        if (is(i, kPlaceTopRightLine)) {
            a.top = e.bottom;
        } else if (is(i, kPlaceBottomRight)) {
            if (rightFlowFits) {
                a.right = e.left;
                a.bottom = e.bottom + e.marginBottom;
            } else {
                a.right = client.right;
                a.bottom = e.top;
            }
        }
    }
}

} // namespace

LayoutRect flowItemRect(const LayoutRect& client, const PaneItemList& items, size_t index,
                        QSize natural) {
    const PaneItem& item = *items.at(index);
    if (item.placement & kPlaceFixedRect)
        return item.rect();

    LayoutRect a = client;
    for (size_t k = 0; k < index; ++k)
        reduceByEarlier(a, client, *items[k], item, natural.width());

    const bool naturalWidth = item.placement & (kPlaceFixedWidth | kPlaceNatural);
    const bool naturalHeight = item.placement & (kPlaceFixedHeight | kPlaceNatural);
    LayoutRect r = item.rect();
    if (is(item, kPlaceTopLeftLine | kPlaceTopLeft | kPlaceBottomLeft)) {
        r.left = a.left + item.marginLeft;
        r.right = naturalWidth
                      ? r.left + natural.width()
                      : r.left + truncatedShare(a.right - item.marginLeft - a.left, item.percentX) -
                            item.marginRight;
    } else if (is(item, kPlaceTopRightLine | kPlaceTopRight | kPlaceBottomRight)) {
        r.right = a.right - item.marginRight;
        r.left = naturalWidth
                     ? r.right - natural.width()
                     : item.marginLeft + r.right - truncatedShare(r.right - a.left, item.percentX);
    }
    if (is(item, kPlaceBottomLeft | kPlaceBottomRight)) {
        r.bottom = a.bottom - item.marginBottom;
        r.top = naturalHeight
                    ? r.bottom - natural.height()
                    : item.marginTop + r.bottom - truncatedShare(r.bottom - a.top, item.percentY);
    } else if (direction(item) != 0) {
        r.top = a.top + item.marginTop;
        r.bottom = naturalHeight
                       ? r.top + natural.height()
                       : r.top + truncatedShare(a.bottom - item.marginTop - a.top, item.percentY) -
                             item.marginBottom;
    }
    return r;
}
