#include "OptionPageItems.h"

#include "CBaseSetup.h"
#include "CBaseWnd.h"

namespace option_page {

PaneItem label(int id, const char* text, int marginTop, int width) {
    PaneItem item;
    item.id = id;
    item.caption = QString::fromUtf8(text);
    item.setSize(width, kRowHeight);
    item.placement =
        kPlaceTopLeftLine | kPlaceFixedHeight | (width > 0 ? kPlaceFixedWidth : kPlaceNatural);
    item.setMargins(kSide, 0, marginTop, 0);
    item.behaviour = kItemNoHover;
    return item;
}

PaneItem hosted(int id, QWidget* control, int width, int marginTop, int marginRight) {
    PaneItem item;
    item.id = id;
    item.hosted = control;
    item.setSize(width, kRowHeight);
    item.placement = kPlaceTopLeft | kPlaceFixedHeight | (width > 0 ? kPlaceFixedWidth : 0);
    item.setMargins(4, marginRight, marginTop, 0);
    item.behaviour = kItemNoHover;
    return item;
}

PaneItem checkBox(int id, const char* text, const char* tip, int marginTop) {
    PaneItem item;
    item.id = id;
    item.caption = QString::fromUtf8(text);
    item.tooltip = QString::fromUtf8(tip);
    item.setSize(0, kRowHeight);
    item.placement = kPlaceTopLeftLine | kPlaceNatural | kPlaceFixedHeight;
    item.setMargins(kSide, 0, marginTop, 0);
    item.behaviour = kItemCheckBox;
    item.gap = 2;
    return item;
}

CBaseWnd* makePagePane(CBaseSetup& page, const char* name, int paneId) {
    auto* pane = new CBaseWnd(page.Skin());
    pane->Create(QString::fromUtf8(name), 0, &page, paneId);
    page.AddPane(PanePlacement::make(pane, paneId, kAnchorTop | kAnchorLeft));
    return pane;
}

bool checked(const CBaseWnd* pane, int id) {
    return (pane->ItemState(id) & kStateChecked) != 0;
}

void setChecked(CBaseWnd* pane, int id, bool on) {
    pane->SetItemState(id, on ? 0 : kStateChecked, on ? kStateChecked : 0);
}

} // namespace option_page
