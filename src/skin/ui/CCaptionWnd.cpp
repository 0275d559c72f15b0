#include "CCaptionWnd.h"

#include "CBaseSkin.h"

CCaptionWnd::CCaptionWnd(unsigned mask, CBaseSkin* skin) : CBaseWnd(skin), m_mask(mask) {}

bool CCaptionWnd::Create(const QString& name, unsigned style, QWidget* parent, int id) {
    if (!CBaseWnd::Create(name, style, parent, id))
        return false;
    CBaseSkin& skin = *Skin();
    if (m_mask & 0x1)
        AddButton(kCloseId, skin.CloseImageId(), kPlaceTopRight, QStringLiteral("Close"));
    if (m_mask & 0x2)
        AddButton(kMaximizeId, skin.MaximizeImageId(), kPlaceTopRight, QStringLiteral("Maximun"));
    if (m_mask & 0x4)
        AddButton(kMinimizeId, skin.MinimizeImageId(), kPlaceTopRight, QStringLiteral("Minimize"));
    if (m_mask & 0x8)
        AddButton(kMenuId, skin.MenuImageId(), kPlaceTopRight, QStringLiteral("Main menu"));
    if (m_mask & 0x20) {
        AddButton(kIconId, skin.IconImageId(), kPlaceTopLeft, QString());
        PaneItem* icon = FindItem(kIconId);
        icon->behaviour |= kItemNoHover;
        m_iconMargin = icon->marginLeft;
    }
    PaneItem title;
    title.id = kTitleId;
    title.placement = kPlaceTopLeft | kPlaceNatural;
    title.marginTop = 6;
    title.caption = parent ? parent->windowTitle() : QString();
    AddItem(title);
    return true;
}

void CCaptionWnd::AddButton(int id, int imageId, int placement, const QString& tooltip) {
    PaneItem item;
    item.id = id;
    item.imageId = imageId;
    item.setSize(kButtonSize, kButtonSize);
    item.placement = placement | kPlaceFixedWidth | kPlaceFixedHeight;
    item.imageAlign = kAlignImageLeft | kAlignImageVCenter;
    // The first button keeps off the window's edge; each further one keeps a gap to the button
    // on its right, so that round faces stay apart at every scale.
    const int side = m_firstButton ? 2 : 0;
    item.setMargins(side, m_firstButton ? side : kButtonGap, 4, 0);
    item.tooltip = tooltip;
    m_firstButton = false;
    AddItem(item);
}

bool CCaptionWnd::PlaceItem(PaneItem& item) {
    // A flat skin keeps the icon off the window's edge and the title off the icon. The skin can
    // change while the caption lives, so this is decided at every placement.
    const bool flat = Skin()->FlatLook();
    if (item.id == kIconId)
        item.marginLeft = flat ? 5 : m_iconMargin;
    else if (item.id == kTitleId)
        item.marginLeft = flat ? 6 : 0;
    return false;
}

void CCaptionWnd::SetTitle(const QString& text) {
    if (PaneItem* title = FindItem(kTitleId)) {
        title->caption = text;
        ArrangeItems();
        update();
    }
}

void CCaptionWnd::OnDialogSized(bool maximized) {
    if (!FindItem(kMaximizeId))
        return;
    SetItemTooltip(kMaximizeId, maximized ? QStringLiteral("Restore") : QStringLiteral("Maximum"));
    SetItemImage(kMaximizeId, maximized ? Skin()->RestoreImageId() : Skin()->MaximizeImageId());
}

void CCaptionWnd::OnDblClick(PaneItem* item, unsigned keys, int x, int y) {
    if (!item && !(m_mask & 0x2))
        return;
    CBaseWnd::OnDblClick(item, keys, x, y);
}

void CCaptionWnd::OnMouseMove(PaneItem* item, unsigned keys, int x, int y) {
    if (!item)
        DragWindowOnMove(keys, x, y);
}
