#include "CaptureDialogParts.h"

#include "CBaseWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"

namespace capture {

namespace {

PaneItem placed(int id, const QString& caption, const QRect& rect) {
    PaneItem item;
    item.id = id;
    item.caption = caption;
    item.setRect(LayoutRect::fromQRect(rect));
    item.placement = kPlaceFixedRect;
    return item;
}

PaneItem withCheck(PaneItem item, bool checked) {
    if (checked)
        item.state |= kStateChecked;
    item.gap = 4;
    return item;
}

} // namespace

PaneItem labelItem(int id, const QString& caption, const QRect& rect) {
    PaneItem item = placed(id, caption, rect);
    item.behaviour = kItemNoHover;
    return item;
}

PaneItem checkItem(int id, const QString& caption, const QRect& rect, bool checked) {
    PaneItem item = withCheck(placed(id, caption, rect), checked);
    item.behaviour = kItemCheckBox;
    return item;
}

PaneItem radioItem(int id, const QString& caption, const QRect& rect, bool checked) {
    PaneItem item = withCheck(placed(id, caption, rect), checked);
    item.behaviour = kItemRadio;
    return item;
}

PaneItem buttonItem(int id, const QString& caption, const QRect& rect, const QString& tooltip) {
    PaneItem item = placed(id, caption, rect);
    item.tooltip = tooltip;
    item.behaviour = kItemFrame | kItemBackground;
    item.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    return item;
}

CVelEdit* addEdit(CBaseWnd& pane, int itemId, int controlId, const QRect& rect,
                  const QString& text) {
    auto* edit = new CVelEdit(&pane, controlId);
    edit->setText(text);
    PaneItem item = placed(itemId, QString(), rect);
    item.hosted = edit;
    item.behaviour = kItemNoHover;
    pane.AddItem(item);
    return edit;
}

CVelComboBox* addCombo(CBaseWnd& pane, int itemId, int controlId, const QRect& rect) {
    auto* combo = new CVelComboBox(&pane, controlId);
    PaneItem item = placed(itemId, QString(), rect);
    item.hosted = combo;
    item.behaviour = kItemNoHover;
    pane.AddItem(item);
    return combo;
}

void fillDeviceCombo(CVelComboBox& combo, const QString& first,
                     const std::vector<CaptureDevice>& devices) {
    combo.clear();
    if (!first.isEmpty())
        combo.addItem(first);
    for (const CaptureDevice& device : devices)
        combo.addItem(QString::fromStdString(device.description));
    const int firstDevice = first.isEmpty() ? 0 : 1;
    combo.setCurrentIndex(combo.count() > firstDevice ? firstDevice : combo.count() - 1);
}

void enablePaneItem(CBaseWnd& pane, int itemId, bool enabled) {
    if (enabled)
        pane.SetItemState(itemId, kStateDisabled, 0);
    else
        pane.SetItemState(itemId, 0, kStateDisabled);
    if (PaneItem* item = pane.FindItem(itemId); item && item->hosted)
        item->hosted->setEnabled(enabled);
}

} // namespace capture
