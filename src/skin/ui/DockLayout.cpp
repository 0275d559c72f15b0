#include "DockLayout.h"

#include <algorithm>

namespace {

bool isEmpty(const LayoutRect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

bool has(int32_t flags, int32_t bits) {
    return (flags & bits) == bits;
}

// The neighbour rule: a pane beside or above an earlier pane that did not cut the available
// area still keeps out of its way.
void applyNeighbourRule(LayoutRect& a, const PanePlacement& r, const PanePlacement& p) {
    const bool pLeftBottom = has(p.anchors, kAnchorLeft | kAnchorBottom);
    if (has(r.anchors, kAnchorLeft | kAnchorTop)) {
        if (pLeftBottom)
            a.left = r.right;
        else if (has(p.anchors, kAnchorLeft | kAnchorTop))
            a.bottom = r.top;
    } else if (has(r.anchors, kAnchorRight | kAnchorBottom)) {
        if (has(p.anchors, kAnchorRight | kAnchorBottom))
            a.bottom = r.top;
        else if (pLeftBottom)
            a.right = r.left;
    } else if (has(r.anchors, kAnchorLeft | kAnchorBottom)) {
        if (pLeftBottom)
            a.bottom = r.top;
    }
}

// One axis of the placement. `lo`/`hi` are the available area's edges, `stored*` the record's
// current edges, `fixed` the fixed extent (or -1).
void placeAxis(bool anchorLow, bool anchorHigh, int lo, int hi, int marginLow, int marginHigh,
               int fixed, float percentage, int32_t& outLow, int32_t& outHigh) {
    if (anchorHigh) {
        outHigh = hi - marginHigh;
        outLow = fixed >= 0 ? outHigh - fixed
                            : outHigh - truncatedShare(outHigh - marginLow - lo, percentage);
    } else if (anchorLow) {
        outLow = lo + marginLow;
        outHigh = fixed >= 0
                      ? outLow + fixed
                      : outLow + truncatedShare(hi - marginHigh - marginLow - lo, percentage);
    }
}

} // namespace

LayoutRect subtractRect(const LayoutRect& a, const LayoutRect& r) {
    if (isEmpty(a))
        return {};
    LayoutRect cut{std::max(a.left, r.left), std::max(a.top, r.top), std::min(a.right, r.right),
                   std::min(a.bottom, r.bottom)};
    if (isEmpty(cut))
        return a;
    if (cut == a)
        return {};
    LayoutRect out = a;
    if (cut.top == a.top && cut.bottom == a.bottom) {
        if (cut.left == a.left)
            out.left = cut.right;
        else if (cut.right == a.right)
            out.right = cut.left;
    } else if (cut.left == a.left && cut.right == a.right) {
        if (cut.top == a.top)
            out.top = cut.bottom;
        else if (cut.bottom == a.bottom)
            out.bottom = cut.top;
    }
    return out;
}

LayoutRect dockPaneRect(const LayoutRect& client, const PanePlacementList& records, size_t index) {
    const PanePlacement& p = *records.at(index);
    LayoutRect a = client;
    for (size_t i = 0; i < records.size(); ++i) {
        const PanePlacement& r = *records[i];
        if (i == index || (r.window == p.window && r.id == p.id))
            break;
        const LayoutRect before = a;
        a = subtractRect(a, r.rect());
        if (a == before)
            applyNeighbourRule(a, r, p);
    }

    LayoutRect out = p.rect();
    const int fixedW = (p.anchors & kAnchorFixedWidth) ? p.right - p.left : -1;
    const int fixedH = (p.anchors & kAnchorFixedHeight) ? p.bottom - p.top : -1;
    placeAxis(p.anchors & kAnchorLeft, p.anchors & kAnchorRight, a.left, a.right, p.marginLeft,
              p.marginRight, fixedW, p.percentX, out.left, out.right);
    placeAxis(p.anchors & kAnchorTop, p.anchors & kAnchorBottom, a.top, a.bottom, p.marginTop,
              p.marginBottom, fixedH, p.percentY, out.top, out.bottom);
    return out;
}

int dialogHitTest(int x, int y, int width, int height, unsigned captionMask) {
    if (!(captionMask & 0x2))
        return HTBORDER;
    if (x >= 1 && x < width - 1 && y >= 1 && y < height - 1)
        return HTCLIENT;
    const bool left = x <= 1, right = x >= width - 2;
    const bool top = y <= 1, bottom = y >= height - 2;
    if (left && top)
        return HTTOPLEFT;
    if (left && bottom)
        return HTBOTTOMLEFT;
    if (right && top)
        return HTTOPRIGHT;
    if (right && bottom)
        return HTBOTTOMRIGHT;
    if (x <= 0)
        return HTLEFT;
    if (y <= 0)
        return HTTOP;
    if (y >= height - 1)
        return HTBOTTOM;
    return HTRIGHT;
}
