#include "SkinDemoDialog.h"

#include "CActionWnd.h"
#include "CCaptionWnd.h"
#include "CColorButton.h"
#include "CMenuEx.h"
#include "CSavetoWnd.h"
#include "CStatusWnd.h"
#include "CToolWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CXInfoTip.h"
#include "OutlookTabCtrlEx.h"

#include "CVelSkin.h"

#include <QAbstractItemView>
#include <QCursor>
#include <QTimer>

#include <cstdio>

namespace {

PaneItem item(int id, const char* caption, int placement) {
    PaneItem i;
    i.id = id;
    i.caption = QString::fromUtf8(caption);
    i.placement = placement;
    return i;
}

template <typename Pane> Pane* createPane(CBaseDialog* dialog, const char* name, int id) {
    auto* pane = new Pane();
    pane->Create(QString::fromUtf8(name), 0, dialog, id);
    return pane;
}

void addPane(CBaseDialog* dialog, QWidget* pane, int id, int32_t anchors, int w, int h,
             int inset = 0) {
    PanePlacement record = PanePlacement::make(pane, id, anchors, w, h);
    if (inset) {
        record.inset = 1;
        record.insetX = record.insetY = inset;
    }
    dialog->AddPane(record);
}

} // namespace

SkinDemoDialog::SkinDemoDialog() : CBaseDialog(102, nullptr, 47) {
    SetTitle(QStringLiteral("Movara - skin demo"));
    setMinimumSize(880, 560);

    auto* tool = createPane<CToolWnd>(this, "ToolBarWindow", CToolWnd::kPaneId);
    auto* status = createPane<CStatusWnd>(this, "StatusBarWindow", CStatusWnd::kPaneId);
    auto* action = createPane<CActionWnd>(this, "ActionWindow", CActionWnd::kPaneId);
    auto* saveto = createPane<CSavetoWnd>(this, "SavetoWindow", CSavetoWnd::kPaneId);
    auto* gallery = createPane<CBaseWnd>(this, "FileListWindow", 109);
    auto* tabs = createPane<CBaseWnd>(this, "PlayControlWindow", 110);
    auto* video = createPane<CBaseWnd>(this, "VideoWindow", 111);
    addPane(this, tool, CToolWnd::kPaneId, kAnchorTop | kAnchorLeft, 0, CToolWnd::kHeight);
    addPane(this, status, CStatusWnd::kPaneId, kAnchorBottom | kAnchorLeft, 0, CStatusWnd::kHeight);
    addPane(this, action, CActionWnd::kPaneId, kAnchorBottom | kAnchorRight, CActionWnd::kWidth,
            CActionWnd::kHeight, 1);
    addPane(this, saveto, CSavetoWnd::kPaneId, kAnchorBottom | kAnchorLeft, 0, CSavetoWnd::kHeight,
            1);
    addPane(this, gallery, 109, kAnchorBottom | kAnchorLeft, 500, 0);
    addPane(this, tabs, 110, kAnchorBottom | kAnchorRight, 0, 88);
    addPane(this, video, 111, kAnchorBottom | kAnchorRight, 0, 0, 5);

    tool->SetItemState(CToolWnd::kMoveUp, 0, kStateDisabled);
    status->SetItemCaption(CStatusWnd::kCounts, QStringLiteral("Total items : 3  selected : 2"));
    status->SetItemCaption(CStatusWnd::kProfile,
                           QStringLiteral("Video : bitrate : 384 framesize : 320X240   Audio : "
                                          "bitrate : 64 samplerate : 44100"));
    BuildSaveto(saveto);
    BuildGallery(gallery);
    m_gallery = gallery;
    BuildTabs(tabs);

    PaneItem product;
    product.id = 1;
    product.imageId = CVelSkin::kProduct;
    product.placement = kPlaceTopLeft | kPlaceNatural;
    product.setMargins(20, 0, 20, 0);
    video->AddItem(product);

    m_menu = new CMenuEx(this);
    m_menu->AppendItem(32780, QStringLiteral("Add File..."));
    m_menu->AppendItem(32781, QStringLiteral("Add Folder...   "));
    m_menu->AppendSeparator();
    m_menu->AppendItem(32782, QStringLiteral("Duplicate"));
    m_menu->AppendItem(32783, QStringLiteral("Remove"));
    m_menu->EnableCommand(32782, false);
    CMenuEx* help = m_menu->AppendPopup(QStringLiteral("Help"));
    help->AppendItem(32804, QStringLiteral("Help topics..."));
    help->AppendItem(32809, QStringLiteral("About..."));
    m_menu->AppendSeparator();
    m_menu->AppendItem(32824, QStringLiteral("Exit"));

    m_tip = new CXInfoTip(this);
    resize(880, 560);
}

SkinDemoDialog::~SkinDemoDialog() = default;

void SkinDemoDialog::BuildSaveto(CSavetoWnd* pane) {
    auto* category = new CVelComboBox(this, 1001);
    category->addItems({QStringLiteral("Mobile phone 3GP"), QStringLiteral("MP4 video"),
                        QStringLiteral("Common audio")});
    m_profile = new CVelComboBox(this, 1000);
    m_profile->addItems({QStringLiteral("3GP - H.263 176x144, AMR 12.2 kbps"),
                         QStringLiteral("3GP - MPEG4 320x240, AAC 64 kbps"),
                         QStringLiteral("3G2 - H.264 320x240, AAC 96 kbps")});
    auto* path = new CVelEdit(this, 1002);
    path->setText(QStringLiteral("/home/user/Videos/Movara"));
    m_colour = new CColorButton(this, 1036);
    m_colour->SetColour(0x0000FF);

    auto hosted = [&](int id, QWidget* control, int width, int placement, int marginTop) {
        PaneItem i;
        i.id = id;
        i.hosted = control;
        i.placement = placement | kPlaceFixedHeight | (width ? kPlaceFixedWidth : 0);
        i.setSize(width, 20);
        i.setMargins(6, 6, marginTop, 0);
        pane->AddItem(i);
    };
    hosted(20, category, 150, kPlaceTopLeftLine, 4);
    hosted(21, m_profile, 300, kPlaceTopLeft, 4);
    hosted(22, path, 360, kPlaceTopLeftLine, 6);
    hosted(23, m_colour, 48, kPlaceTopLeft, 6);

    PaneItem browse = item(4, "", kPlaceTopLeft | kPlaceNatural);
    browse.imageId = CVelSkin::kBtnBrowse;
    browse.tooltip = QStringLiteral("Browse");
    browse.setMargins(6, 0, 6, 0);
    browse.behaviour = kItemBackground | kItemFrame;
    pane->AddItem(browse);

    PaneItem same = item(7, "Same as input", kPlaceBottomLeft | kPlaceNatural);
    same.behaviour = kItemCheckBox;
    same.setMargins(6, 0, 0, 6);
    pane->AddItem(same);
    PaneItem open =
        item(8, "Open the output folder when finished", kPlaceBottomLeft | kPlaceNatural);
    open.behaviour = kItemCheckBox;
    open.state = kStateChecked;
    open.setMargins(12, 0, 0, 6);
    pane->AddItem(open);
}

void SkinDemoDialog::BuildGallery(CBaseWnd* pane) {
    PaneItem label = item(1, "Plain label", kPlaceTopLeftLine | kPlaceNatural);
    label.setMargins(10, 0, 8, 0);
    pane->AddItem(label);
    PaneItem button =
        item(2, "Add File...", kPlaceTopLeftLine | kPlaceFixedWidth | kPlaceFixedHeight);
    button.imageId = CVelSkin::kAddFile;
    button.setSize(150, 34);
    button.gap = 6;
    button.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    button.behaviour = kItemBackground | kItemFrame;
    button.tooltip = QStringLiteral("A button: background, frame, image and text");
    button.setMargins(10, 0, 8, 0);
    pane->AddItem(button);
    PaneItem hot = button;
    hot.id = 3;
    hot.caption = QStringLiteral("Highlighted");
    hot.imageId = CVelSkin::kVideoEdit;
    hot.state = kStateHighlight;
    hot.placement = kPlaceTopLeft | kPlaceFixedWidth | kPlaceFixedHeight;
    pane->AddItem(hot);
    PaneItem off = button;
    off.id = 4;
    off.caption = QStringLiteral("Disabled");
    off.imageId = CVelSkin::kRemove;
    off.state = kStateDisabled;
    off.placement = kPlaceTopLeft | kPlaceFixedWidth | kPlaceFixedHeight;
    pane->AddItem(off);

    PaneItem special = item(5, "Special colour text", kPlaceTopLeftLine | kPlaceNatural);
    special.behaviour = kItemSpecialText;
    special.setMargins(10, 0, 10, 0);
    pane->AddItem(special);
    PaneItem link = item(6, "www.movara.example/support", kPlaceTopLeft | kPlaceNatural);
    link.behaviour = kItemSpecialText | kItemUnderline;
    link.setMargins(16, 0, 10, 0);
    pane->AddItem(link);

    PaneItem check = item(7, "Check box", kPlaceTopLeftLine | kPlaceNatural);
    check.behaviour = kItemCheckBox;
    check.state = kStateChecked;
    check.setMargins(10, 0, 10, 0);
    pane->AddItem(check);
    PaneItem check2 = item(8, "Unchecked", kPlaceTopLeft | kPlaceNatural);
    check2.behaviour = kItemCheckBox;
    check2.setMargins(16, 0, 10, 0);
    pane->AddItem(check2);
    PaneItem radio = item(9, "Radio on", kPlaceTopLeft | kPlaceNatural);
    radio.behaviour = kItemRadio;
    radio.state = kStateChecked;
    radio.setMargins(16, 0, 10, 0);
    pane->AddItem(radio);
    PaneItem radio2 = item(10, "Radio off", kPlaceTopLeft | kPlaceNatural);
    radio2.behaviour = kItemRadio;
    radio2.setMargins(16, 0, 10, 0);
    pane->AddItem(radio2);

    PaneItem path = item(11,
                         "/home/user/Videos/holiday/2024/summer at the lake with the whole "
                         "family/a very long file name of a clip.mp4",
                         kPlaceTopLeftLine | kPlaceFixedHeight);
    path.setSize(0, 22);
    path.percentX = 80;
    path.behaviour = kItemFrame;
    path.setMargins(10, 0, 10, 0);
    path.tooltip = QStringLiteral("Trimmed with a path ellipsis");
    pane->AddItem(path);

    PaneItem right = item(12, "Image right, text centred", kPlaceTopLeftLine | kPlaceFixedHeight);
    right.imageId = CVelSkin::kSnapshot;
    right.imageAlign = kAlignImageRight | kAlignImageVCenter;
    right.setSize(0, 26);
    right.percentX = 80;
    right.behaviour = kItemBackground | kItemFrame;
    right.setMargins(10, 0, 10, 0);
    pane->AddItem(right);

    const int tiles[] = {CVelSkin::kBtnPlay, CVelSkin::kBtnPause, CVelSkin::kBtnStop,
                         CVelSkin::kVolumeHigh, CVelSkin::kVideoEffect};
    for (int k = 0; k < 5; ++k) {
        PaneItem tile = item(20 + k, "", kPlaceBottomLeft | kPlaceNatural);
        tile.imageId = tiles[k];
        tile.setMargins(10, 0, 0, 10);
        pane->AddItem(tile);
    }
    PaneItem corner = item(30, "bottom-right", kPlaceBottomRight | kPlaceNatural);
    corner.setMargins(0, 10, 0, 12);
    pane->AddItem(corner);
}

void SkinDemoDialog::BuildTabs(CBaseWnd* pane) {
    for (int scheme = 0; scheme < 3; ++scheme) {
        auto* tabs = new OutlookTabCtrlEx(this, 1040 + scheme);
        QVector<QImage> icons;
        for (int id : {CVelSkin::kVideoEffect, CVelSkin::kSnapshot, CVelSkin::kVideoOriginal})
            if (const QImage* image = Skin()->Image(id))
                icons.push_back(
                    image->scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        tabs->SetImageList(icons);
        tabs->AddItem(QStringLiteral("Effect"), 0);
        tabs->AddItem(QStringLiteral("Watermark"), 1);
        tabs->AddItem(QStringLiteral("Crop"), 2);
        tabs->SetScheme(scheme);
        tabs->SetCurSel(scheme);
        PaneItem holder;
        holder.id = 1 + scheme;
        holder.hosted = tabs;
        holder.placement = kPlaceTopLeftLine | kPlaceFixedHeight;
        holder.setSize(0, OutlookTabCtrl::kStripHeight - 1);
        holder.percentX = 100;
        pane->AddItem(holder);
    }
}

void SkinDemoDialog::OnMenuButton() {
    const PaneItem* button = Caption()->FindItem(CCaptionWnd::kMenuId);
    const QPoint at = Caption()->mapToGlobal(QPoint(button->left, button->bottom));
    const int command = m_menu->TrackPopup(at);
    if (command == 32824)
        accept();
}

intptr_t SkinDemoDialog::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (msg != kMsgPaneNotify)
        std::printf("message %u (%lu, %ld)\n", msg, static_cast<unsigned long>(wParam),
                    static_cast<long>(lParam));
    return CBaseDialog::onMessage(msg, wParam, lParam);
}

void SkinDemoDialog::OpenPart(const QString& part) {
    if (part == QLatin1String("colour")) {
        m_colour->click();
    } else if (part == QLatin1String("menu")) {
        QTimer::singleShot(0, this, [this] { OnMenuButton(); });
    } else if (part == QLatin1String("tip")) {
        // The balloon stays while the cursor rests on its point.
        const QPoint anchor = mapToGlobal(QPoint(width() - 60, height() - 80));
        QCursor::setPos(anchor);
        m_tip->Show(QStringLiteral("Start conversion"), &anchor, 0);
    } else if (part == QLatin1String("hover")) {
        // Rest the cursor on the gallery's "Add File..." button: it lights up, then its balloon.
        const PaneItem* button = m_gallery->FindItem(2);
        QCursor::setPos(m_gallery->mapToGlobal(button->rect().toQRect().center()));
    } else if (part == QLatin1String("combo")) {
        m_profile->showPopup();
    }
}
