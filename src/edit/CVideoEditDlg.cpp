#include "CVideoEditDlg.h"

#include "CVideoCropDlg.h"
#include "CVideoEffectDlg.h"
#include "CVideoSoundDlg.h"
#include "CWatermarkDlg.h"
#include "EditMessages.h"
#include "MessageTarget.h"

#include "CBaseWnd.h"
#include "CCaptionWnd.h"
#include "OutlookTabCtrlEx.h"
#include "PaneItem.h"
#include "SkinPaint.h"

#include <QPainter>

#include <QResizeEvent>

namespace {

constexpr int kTabTop = 30;
constexpr int kTabBottomGap = 39;
constexpr int kPageTop = 31;
constexpr int kPageBottomGap = 41;
// The skin's colour of control frames: the dialog's edge, so it stands out over the main window.
constexpr int kFrameColorId = 117;

PaneItem bottomButton(int id, const char* text, int marginRight) {
    return bottomRightButton(id, text, marginRight, 7);
}

} // namespace

CVideoEditDlg::CVideoEditDlg(MessageTarget* mainWindow, QWidget* owner, CBaseSkin* skin)
    : CBaseDialog(kTemplateId, owner, kCaptionClose, skin), m_main(mainWindow) {
    SetTitle(QStringLiteral("Video Edit"));
    setWindowTitle(QStringLiteral("Video Edit"));
    setModal(false);
    setFixedSize(kWidth, kHeight);
    if (PanePlacement* caption = FindPane(Caption()))
        caption->inset = 1;

    m_tabs = new OutlookTabCtrlEx(this, kTabControlId);
    QFont tabFont(QStringLiteral("Times New Roman"));
    tabFont.setPointSize(10);
    m_tabs->setFont(tabFont);
    m_tabs->SetVertical(true);
    m_tabs->SetScheme(2);
    m_tabs->AddItem(QStringLiteral("Effects"));
    m_tabs->AddItem(QStringLiteral("Watermark"));
    m_tabs->AddItem(QStringLiteral("Crop"));
    m_tabs->AddItem(QStringLiteral("Sound"));
    m_tabs->SetCurSel(0);

    m_buttons = new CBaseWnd(Skin());
    m_buttons->Create(QStringLiteral("VideoEditButtons"), 0, this, kButtonPaneId);
    // Right to left: Cancel at the edge, Confirm before it.
    m_buttons->AddItem(bottomButton(kCancel, "Cancel", 12));
    m_buttons->AddItem(bottomButton(kConfirm, "Confirm", 8));
    SetKeyButtons(m_buttons, kConfirm, kCancel);
    m_buttons->SetItemState(kConfirm, 0, kStateDisabled);
    PlaceChildren();
    SelectPage(kEffects);
}

void CVideoEditDlg::PlaceChildren() {
    const int w = width(), h = height();
    // One pixel in from the left edge, where the frame is drawn.
    m_tabs->setGeometry(1, kTabTop, kTabWidth - 1, h - kTabTop - kTabBottomGap);
    const QRect pageRect(kTabWidth, kPageTop, w - 1 - kTabWidth, h - kPageTop - kPageBottomGap);
    for (CVideoEditPage* page : m_pages)
        if (page)
            page->setGeometry(pageRect);
    m_buttons->setGeometry(1, h - kTabBottomGap, w - 2, kTabBottomGap - 2);
    m_buttons->ArrangeItems();
}

bool CVideoEditDlg::PaintBackground(QPainter& painter, int fillType) {
    painter.fillRect(rect(), argbColor(DialogColor(0)));
    painter.setPen(argbColor(DialogColor(kFrameColorId)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    return true;
}

void CVideoEditDlg::resizeEvent(QResizeEvent* event) {
    CBaseDialog::resizeEvent(event);
    PlaceChildren();
}

CVideoEditPage* CVideoEditDlg::PageAt(int index) const {
    return index >= 0 && index < kPageCount ? m_pages[static_cast<size_t>(index)] : nullptr;
}

CVideoEditPage* CVideoEditDlg::MakePage(int index) {
    switch (index) {
    case kEffects:
        return new CVideoEffectDlg(m_main, this, Skin());
    case kWatermark:
        return new CWatermarkDlg(m_main, this, Skin());
    case kCrop:
        return new CVideoCropDlg(m_main, this, Skin());
    case kSound:
        return new CVideoSoundDlg(m_main, this, Skin());
    default:
        return nullptr;
    }
}

void CVideoEditDlg::SelectPage(int index) {
    if (index < 0 || index >= kPageCount)
        return;
    m_tabs->SetCurSel(index);
    if (index == m_shown)
        return;
    if (CVideoEditPage* shown = PageAt(m_shown))
        shown->hide();
    m_shown = index;
    AskForSoundFigures(); // before the page shows them: they may be there at once
    CVideoEditPage*& page = m_pages[static_cast<size_t>(index)];
    if (!page) {
        page = MakePage(index);
        page->ShowItem(m_item, m_streams);
    }
    PlaceChildren();
    page->Relayout();
    page->show();
}

void CVideoEditDlg::AskForSoundFigures() {
    // Measuring decodes the item's sound: only for the page that shows the figures.
    if (m_shown == kSound && m_item && m_main && isVisible())
        sendMessage(m_main, kMsgSoundPageShown, 0, reinterpret_cast<intptr_t>(m_item));
}

void CVideoEditDlg::SetItem(MediaItem* item, const StreamList& streams) {
    m_item = item;
    m_streams = item ? streams : StreamList{};
    AskForSoundFigures();
    for (CVideoEditPage* page : m_pages)
        if (page)
            page->ShowItem(m_item, m_streams);
    m_buttons->SetItemState(kConfirm, item ? kStateDisabled : 0, item ? 0 : kStateDisabled);
}

void CVideoEditDlg::Confirm() {
    CVideoEditPage* page = PageAt(m_shown);
    if (!page || page->confirmPage())
        hide();
}

void CVideoEditDlg::Cancel() {
    if (CVideoEditPage* page = PageAt(m_shown))
        page->cancelPage();
    hide();
}

void CVideoEditDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kButtonPaneId || !notify.item) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    if (notify.item->id == kConfirm)
        Confirm();
    else if (notify.item->id == kCancel)
        Cancel();
}

void CVideoEditDlg::OnCloseButton() {
    // The caption's close button leaves the page as "Cancel" does.
    Cancel();
}

void CVideoEditDlg::reject() {
    Cancel();
}

intptr_t CVideoEditDlg::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (msg == kMsgTabChanged && lParam == kTabControlId) {
        SelectPage(static_cast<int>(static_cast<intptr_t>(wParam)));
        return 0;
    }
    return CBaseDialog::onMessage(msg, wParam, lParam);
}
