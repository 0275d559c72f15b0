#include "PanePlacement.h"

void PanePlacement::setRect(const LayoutRect& r) {
    left = r.left;
    top = r.top;
    right = r.right;
    bottom = r.bottom;
}

PanePlacement PanePlacement::make(QWidget* pane, int id, int32_t anchors, int fixedWidth,
                                  int fixedHeight) {
    PanePlacement record;
    record.window = pane;
    record.id = id;
    record.anchors = anchors;
    if (fixedWidth > 0)
        record.anchors |= kAnchorFixedWidth;
    if (fixedHeight > 0)
        record.anchors |= kAnchorFixedHeight;
    record.right = fixedWidth;
    record.bottom = fixedHeight;
    return record;
}
