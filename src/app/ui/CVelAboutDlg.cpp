#include "CVelAboutDlg.h"

#include "CommandIds.h"
#include "MovaraLinks.h"

#include "CBaseWnd.h"
#include "CCaptionWnd.h"
#include "CVelSkin.h"
#include "PlatformServices.h"
#include "SkinPaint.h"

#include <QPainter>

namespace {

constexpr int kSide = 20;
// The skin's colour of control frames.
constexpr int kFrameColorId = 117;

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

// A link sits on the line its label started.
PaneItem link(int id, const char* address, int marginTop) {
    PaneItem item;
    item.id = id;
    item.caption = QString::fromUtf8(address);
    item.tooltip = item.caption;
    item.setSize(0, 20);
    item.placement = kPlaceTopLeft | kPlaceNatural | kPlaceFixedHeight;
    item.marginTop = marginTop;
    item.behaviour = kItemUnderline | kItemSpecialText;
    return item;
}

} // namespace

CVelAboutDlg::CVelAboutDlg(QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(kAboutDialogId, parent, kCaptionClose, skin) {
    SetTitle(QStringLiteral("About Movara"));
    m_pane = AddFramedContentPane(QStringLiteral("about"), kAboutPaneId, kWidth, kHeight);

    PaneItem product;
    product.id = kProductImage;
    product.imageId = CVelSkin::kProduct;
    product.placement = kPlaceTopLeftLine | kPlaceNatural;
    product.setMargins(kSide, 0, 16, 0);
    product.behaviour = kItemNoHover;
    m_pane->AddItem(product);
    m_pane->AddItem(line(kVersionText, VersionText(), 14, kWidth - 2 * kSide));
    m_pane->AddItem(line(kSupportLabel, QStringLiteral("Support : "), 8, 84));
    m_pane->AddItem(link(kSupportLink, kSupportUrl, 8));
    m_pane->AddItem(line(kHomeLabel, QStringLiteral("Home Page : "), 4, 84));
    m_pane->AddItem(link(kHomeLink, kHomePageUrl, 4));
    Relayout();
}

bool CVelAboutDlg::PaintBackground(QPainter& painter, int fillType) {
    painter.fillRect(rect(), argbColor(DialogColor(0)));
    painter.setPen(argbColor(DialogColor(kFrameColorId)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    return true;
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
