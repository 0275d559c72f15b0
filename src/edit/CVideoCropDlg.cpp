#include "CVideoCropDlg.h"

#include "CSpinCtrl.h"
#include "CVideoCropWnd.h"
#include "EditMessages.h"

#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "MediaItem.h"
#include "PaneItem.h"

#include <QIntValidator>

#include <algorithm>

namespace {

constexpr int kRow = 22;
constexpr int kLabelBase = 10;
constexpr int kHostBase = 20;
// Steps that would leave less than this between two edges are refused outright; steps that
// leave less than the minimum size move the spin but not the item.
constexpr int kRefuseWidth = 30;
constexpr int kRefuseHeight = 20;

// The no-item picture.
constexpr CropSource kNoItemSource{320, 240, 4.0 / 3.0};

} // namespace

CVideoCropDlg::CVideoCropDlg(MessageTarget* mainWindow, QWidget* parent, CBaseSkin* skin)
    : CVideoEditPage(kTemplateId, mainWindow, parent, skin) {
    m_source.aspect = 1.33;
    m_cropPanel = new CVideoCropWnd(Skin());
    CBaseWnd* panel = AttachPanel(m_cropPanel, QStringLiteral("VideoCrop"), kPaneId);
    panel->AddItem(CheckBox(kKeepAspect, QStringLiteral("Keep Aspect Ratio : "), QString(),
                            QRect(16, 10, 150, kRow)));
    m_aspect = new CVelComboBox(panel);
    m_aspect->addItems(
        {QStringLiteral("Original"), QStringLiteral("4 : 3"), QStringLiteral("16 : 9")});
    panel->AddItem(Hosted(kHostBase, m_aspect, QRect(168, 10, 96, kRow)));
    panel->AddItem(Button(kReset, QStringLiteral("Reset"), QRect(300, 9, 80, 24)));

    static constexpr const char* kLabels[] = {"Left : ", "Top : ", "Right : ", "Bottom : "};
    for (int edge = 0; edge < kEdgeCount; ++edge) {
        const int x = 16 + (edge % 2) * 150;
        const int y = 42 + (edge / 2) * 28;
        panel->AddItem(
            Label(kLabelBase + edge, QString::fromUtf8(kLabels[edge]), QRect(x, y, 56, kRow)));
        auto* edit = new CVelEdit(panel, 1060 + edge);
        edit->setValidator(new QIntValidator(0, 99999, edit));
        auto* spin = new CSpinCtrl(panel, 1070 + edge);
        spin->SetBuddy(edit);
        const Edge which = static_cast<Edge>(edge);
        spin->SetDeltaHandler(
            [this, which](int pos, int delta) { return OnSpinStep(which, pos, delta); });
        connect(edit, &QLineEdit::textEdited, this, [this] { OnEdgeTyped(); });
        m_edits[edge] = edit;
        m_spins[edge] = spin;
        panel->AddItem(Hosted(kHostBase + 1 + 2 * edge, edit, QRect(x + 58, y, 52, kRow)));
        panel->AddItem(
            Hosted(kHostBase + 2 + 2 * edge, spin, QRect(x + 110, y, CSpinCtrl::kWidth, kRow)));
    }
    connect(m_aspect, &QComboBox::activated, this, [this] { OnAspectChosen(); });
    Relayout();
    panel->ArrangeItems();
    ShowNoItem();
}

double CVideoCropDlg::TargetRatio() const {
    const MediaItem* item = Item();
    return item ? cropTargetRatio(item->crop.aspectMode, m_source.aspect) : 0.0;
}

void CVideoCropDlg::ShowEdges(const MediaCrop& crop) {
    m_spins[kLeft]->SetPos(crop.left);
    m_spins[kTop]->SetPos(crop.top);
    m_spins[kRight]->SetPos(crop.right);
    m_spins[kBottom]->SetPos(crop.bottom);
    ShowCropInPanel();
}

void CVideoCropDlg::ShowCropInPanel() {
    const MediaItem* item = Item();
    if (!item || m_source.width <= 0 || m_source.height <= 0) {
        m_cropPanel->SetCropRect(QRectF());
        return;
    }
    const MediaCrop& crop = item->crop;
    const double w = m_source.width, h = m_source.height;
    m_cropPanel->SetCropRect(QRectF(crop.left / w, crop.top / h, (crop.right - crop.left) / w,
                                    (crop.bottom - crop.top) / h));
}

void CVideoCropDlg::ShowEdge(CropEdge edge, const MediaCrop& crop) {
    switch (edge) {
    case CropEdge::Left:
        m_spins[kLeft]->SetPos(crop.left);
        break;
    case CropEdge::Top:
        m_spins[kTop]->SetPos(crop.top);
        break;
    case CropEdge::Right:
        m_spins[kRight]->SetPos(crop.right);
        break;
    case CropEdge::Bottom:
        m_spins[kBottom]->SetPos(crop.bottom);
        break;
    case CropEdge::None:
        break;
    }
    ShowCropInPanel();
}

void CVideoCropDlg::ShowNoItem() {
    m_source = kNoItemSource;
    m_cropPanel->SetPictureShape(kNoItemSource.aspect);
    m_spins[kLeft]->SetRange(0, 260);
    m_spins[kTop]->SetRange(0, 200);
    m_spins[kRight]->SetRange(60, 320);
    m_spins[kBottom]->SetRange(40, 240);
    ShowEdges({0, 0, 0, 320, 240});
    CheckElement(kKeepAspect, false);
    m_aspect->setCurrentIndex(0);
    m_aspect->setEnabled(false);
}

void CVideoCropDlg::ShowItem(MediaItem* item, const StreamList& streams) {
    SetCurrent(item, streams);
    const tagVeldesStreamInfo* video = FirstVideoStream();
    if (!item || !video) {
        // An item without a picture is shown as none and never changed here.
        SetCurrent(nullptr, {});
        m_cropPanel->SetPictureSource({}, 0);
        ShowNoItem();
        return;
    }
    // The picture the crop applies to: the first one converted. A capture device's path opens
    // as no file, so it shows none.
    m_cropPanel->SetPictureSource(item->sourcePath, std::max<int64_t>(item->clipBegin, 0));
    m_source.width = video->width;
    m_source.height = video->height;
    m_source.aspect = video->height > 0 ? static_cast<double>(video->width) / video->height : 1.33;
    m_cropPanel->SetPictureShape(m_source.aspect);
    const int w = m_source.width, h = m_source.height;
    m_spins[kLeft]->SetRange(0, w > kCropMinWidth ? w - kCropMinWidth : 0);
    m_spins[kTop]->SetRange(0, h > kCropMinHeight ? h - kCropMinHeight : 0);
    m_spins[kRight]->SetRange(kCropMinWidth, w);
    m_spins[kBottom]->SetRange(kCropMinHeight, h);
    MediaCrop& crop = item->crop;
    if (crop.right == 0)
        crop.right = w;
    if (crop.bottom == 0)
        crop.bottom = h;
    ShowEdges(crop);
    const bool keep = crop.aspectMode != -1;
    CheckElement(kKeepAspect, keep);
    m_aspect->setEnabled(keep);
    m_aspect->setCurrentIndex(
        keep && crop.aspectMode >= 0 && crop.aspectMode < m_aspect->count() ? crop.aspectMode : 0);
    m_saved = crop;
}

bool CVideoCropDlg::FitGeneral() {
    MediaItem* item = Item();
    const double target = TargetRatio();
    if (!item || target <= 0.0)
        return false;
    const CropEdge moved = fitCropGeneral(item->crop, target, m_source);
    ShowEdge(moved, item->crop);
    return moved != CropEdge::None;
}

bool CVideoCropDlg::OnSpinStep(Edge edge, int pos, int delta) {
    MediaItem* item = Item();
    MediaCrop edges{0, m_spins[kLeft]->Pos(), m_spins[kTop]->Pos(), m_spins[kRight]->Pos(),
                    m_spins[kBottom]->Pos()};
    if (item)
        edges = item->crop;
    const int v = pos + delta;
    bool refused = false, store = false;
    switch (edge) {
    case kLeft:
        refused = v < 0 || v > edges.right - kRefuseWidth;
        store = v <= edges.right - kCropMinWidth;
        break;
    case kTop:
        refused = v < 0 || v > edges.bottom - kRefuseHeight;
        store = v <= edges.bottom - kCropMinHeight;
        break;
    case kRight:
        refused = v > m_source.width || v <= edges.left + kRefuseWidth;
        store = v >= edges.left + kCropMinWidth;
        break;
    case kBottom:
        refused = v > m_source.height || v < edges.top + kRefuseHeight;
        store = v >= edges.top + kCropMinHeight;
        break;
    default:
        break;
    }
    if (refused)
        return true;
    if (!item || !store)
        return false;
    MediaCrop& crop = item->crop;
    const double target = TargetRatio();
    CropEdge moved = CropEdge::None;
    switch (edge) {
    case kLeft:
        crop.left = v;
        break;
    case kTop:
        crop.top = v;
        break;
    case kRight:
        crop.right = v;
        break;
    case kBottom:
        crop.bottom = v;
        break;
    default:
        break;
    }
    if (target > 0.0) {
        if (edge == kRight)
            moved = fitCropRightEdge(crop, target, m_source);
        else if (edge == kBottom)
            moved = fitCropBottomEdge(crop, target, m_source);
        else
            moved = fitCropGeneral(crop, target, m_source);
    }
    ShowEdge(moved, crop);
    NotifyMain(kMsgCropChanged, 0);
    return false;
}

void CVideoCropDlg::OnEdgeTyped() {
    MediaItem* item = Item();
    if (!item)
        return;
    // A number below its edge's range, or a rectangle under the minimum size, is one on its way
    // (more digits to come) and moves nothing; one past the range is held to it. The aspect is
    // fitted on "Confirm", not under the typing hand.
    int32_t edges[kEdgeCount];
    for (int edge = 0; edge < kEdgeCount; ++edge) {
        bool ok = false;
        const int typed = m_edits[edge]->text().trimmed().toInt(&ok);
        const CSpinCtrl* spin = m_spins[edge];
        if (!ok || typed < std::min(spin->Lower(), spin->Upper()))
            return;
        edges[edge] = std::min(typed, std::max(spin->Lower(), spin->Upper()));
    }
    MediaCrop typed = item->crop;
    typed.left = edges[kLeft];
    typed.top = edges[kTop];
    typed.right = edges[kRight];
    typed.bottom = edges[kBottom];
    if (typed == item->crop || typed.right - typed.left < kCropMinWidth ||
        typed.bottom - typed.top < kCropMinHeight)
        return;
    item->crop = typed;
    ShowCropInPanel();
    NotifyMain(kMsgCropChanged, 0);
}

void CVideoCropDlg::OnAspectChosen() {
    MediaItem* item = Item();
    if (!item)
        return;
    item->crop.aspectMode = std::max(0, m_aspect->currentIndex());
    if (FitGeneral())
        NotifyMain(kMsgCropChanged, 0);
}

void CVideoCropDlg::OnKeepAspectClicked() {
    const bool keep = ElementChecked(kKeepAspect);
    m_aspect->setEnabled(keep);
    MediaItem* item = Item();
    if (!item)
        return;
    if (!keep) {
        item->crop.aspectMode = -1;
        return;
    }
    item->crop.aspectMode = std::max(0, m_aspect->currentIndex());
    if (FitGeneral())
        NotifyMain(kMsgCropChanged, 0);
}

void CVideoCropDlg::OnReset() {
    MediaItem* item = Item();
    if (!item) {
        ShowNoItem();
        return;
    }
    MediaCrop& crop = item->crop;
    crop.left = 0;
    crop.top = 0;
    crop.right = m_source.width;
    crop.bottom = m_source.height;
    ShowEdges(crop);
    NotifyMain(kMsgCropChanged, 0);
}

void CVideoCropDlg::OnDragged(const CropArea& area, const CropArea& dragged) {
    MediaCrop mapped;
    if (!mapCropDrag(area, dragged, m_source, &mapped))
        return;
    MediaItem* item = Item();
    if (!item) {
        ShowEdges(mapped);
        return;
    }
    mapped.aspectMode = item->crop.aspectMode;
    item->crop = mapped;
    ShowEdges(mapped);
    FitGeneral();
    NotifyMain(kMsgCropChanged, 0);
}

intptr_t CVideoCropDlg::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (msg == kMsgCropDragged) {
        if (wParam && lParam)
            OnDragged(*reinterpret_cast<const CropArea*>(wParam),
                      *reinterpret_cast<const CropArea*>(lParam));
        return 0;
    }
    return CVideoEditPage::onMessage(msg, wParam, lParam);
}

void CVideoCropDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item)
        return;
    if (notify.item->id == kKeepAspect)
        OnKeepAspectClicked();
    else if (notify.item->id == kReset)
        OnReset();
}

bool CVideoCropDlg::confirmPage() {
    MediaItem* item = Item();
    if (!item)
        return true;
    MediaCrop& crop = item->crop;
    crop.left = m_spins[kLeft]->Pos();
    crop.top = m_spins[kTop]->Pos();
    crop.right = m_spins[kRight]->Pos();
    crop.bottom = m_spins[kBottom]->Pos();
    clampCropToSource(crop, m_source);
    if (ElementChecked(kKeepAspect)) {
        crop.aspectMode = std::max(0, m_aspect->currentIndex());
        const double target = TargetRatio();
        if (target > 0.0)
            fitCropGeneral(crop, target, m_source);
    } else {
        crop.aspectMode = -1;
    }
    ShowEdges(crop);
    NotifyMain(kMsgCropChanged, 1);
    return true;
}

void CVideoCropDlg::cancelPage() {
    MediaItem* item = Item();
    if (!item || item->crop == m_saved)
        return;
    item->crop = m_saved;
    ShowEdges(m_saved);
    NotifyMain(kMsgCropChanged, 0);
}
