#include "CVelAboutDlg.h"

#include "CommandIds.h"
#include "MovaraLinks.h"

#include "CBaseWnd.h"
#include "CVelSkin.h"
#include "PlatformServices.h"

namespace {

constexpr int kSide = 20;

PaneItem line(int id, const QString& text, int marginTop, int width) {
    PaneItem item;
    item.id = id;
    item.caption = text;
    item.setSize(width, 20);
    item.placement = kPlaceTopLeftLine | kPlaceFixedWidth | kPlaceFixedHeight;
    item.setMargins(kSide, 0, marginTop, 0);
    item.behaviour = kItemNoHover;
    return item;
}

PaneItem link(int id, const char* address) {
    PaneItem item;
    item.id = id;
    item.caption = QString::fromUtf8(address);
    item.tooltip = item.caption;
    item.setSize(0, 20);
    item.placement = kPlaceTopLeft | kPlaceNatural | kPlaceFixedHeight;
    item.marginTop = 4;
    item.behaviour = kItemUnderline | kItemSpecialText;
    return item;
}

} // namespace

CVelAboutDlg::CVelAboutDlg(QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(kAboutDialogId, parent, kCaptionClose, skin) {
    SetTitle(QStringLiteral("About Movara"));
    setFixedSize(kWidth, kHeight);

    m_pane = new CBaseWnd(Skin());
    m_pane->Create(QStringLiteral("about"), 0, this, kAboutPaneId);
    AddPane(PanePlacement::make(m_pane, kAboutPaneId, kAnchorTop | kAnchorLeft));

    PaneItem product;
    product.id = kProductImage;
    product.imageId = CVelSkin::kProduct;
    product.placement = kPlaceTopLeftLine | kPlaceNatural;
    product.setMargins(kSide, 0, 16, 0);
    product.behaviour = kItemNoHover;
    m_pane->AddItem(product);
    m_pane->AddItem(line(kVersionText, VersionText(), 14, kWidth - 2 * kSide));
    m_pane->AddItem(line(kSupportLabel, QStringLiteral("Support : "), 8, 84));
    m_pane->AddItem(link(kSupportLink, kSupportUrl));
    m_pane->AddItem(line(kHomeLabel, QStringLiteral("Home Page : "), 4, 84));
    m_pane->AddItem(link(kHomeLink, kHomePageUrl));
    Relayout();
}

QString CVelAboutDlg::VersionText() {
    return QString::asprintf("Version : %d.%d.%d.%d", kVersionNumbers[0], kVersionNumbers[1],
                             kVersionNumbers[2], kVersionNumbers[3]);
}

void CVelAboutDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kAboutPaneId) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    const int id = notify.item ? notify.item->id : 0;
    if (id == kSupportLink || id == kHomeLink) {
        platformServices().openDocument(notify.item->caption.toStdString());
        return;
    }
    accept();
}
