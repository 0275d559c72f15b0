#include "COptionDlg.h"

#include "CGeneralOptionDlg.h"
#include "CThumbnailDlg.h"
#include "CUpdateSettingDlg.h"

#include "CBaseWnd.h"
#include "CCaptionWnd.h"
#include "OutlookTabCtrlEx.h"
#include "SkinPaint.h"

#include <QPainter>

#include <string_view>

namespace {

constexpr int kSide = 16;
// The skin's colour of control frames.
constexpr int kFrameColorId = 117;

PaneItem button(int id, const char* text, int marginRight) {
    return bottomRightButton(id, text, marginRight, 13);
}

} // namespace

COptionDlg::COptionDlg(VelSettings& settings, QWidget* parent, CBaseSkin* skin, bool offerUpdates)
    : CBaseDialog(kTemplateId, parent, kCaptionClose, skin), m_settings(settings) {
    SetTitle(QStringLiteral("Preferences"));
    setModal(true);
    setFixedSize(kWidth, kHeight);
    if (PanePlacement* caption = FindPane(Caption()))
        caption->inset = 1;

    m_tabs = new OutlookTabCtrlEx(this, kTabCtrlId);
    for (const char* text : {"General", "Snapshot", "Update Setting"})
        if (offerUpdates || std::string_view(text) != "Update Setting")
            m_tabs->AddItem(QString::fromUtf8(text));
    PanePlacement strip =
        PanePlacement::make(m_tabs, kTabCtrlId, kAnchorTop | kAnchorLeft, 0, kTabHeight);
    strip.inset = 1;
    strip.insetY = 0;
    AddPane(strip);

    m_buttons = new CBaseWnd(Skin());
    m_buttons->Create(QStringLiteral("Preferences"), 0, this, kButtonPaneId);
    PanePlacement buttons = PanePlacement::make(m_buttons, kButtonPaneId,
                                                kAnchorBottom | kAnchorLeft, 0, kButtonPaneHeight);
    buttons.inset = 1;
    AddPane(buttons);
    // Right to left: "Cancel" at the edge, then "Confirm", then "Apply".
    m_buttons->AddItem(button(kCancel, "Cancel", kSide));
    m_buttons->AddItem(button(kConfirm, "Confirm", 10));
    SetKeyButtons(m_buttons, kConfirm, kCancel);
    m_buttons->AddItem(button(kApply, "Apply", 10));
    Relayout();

    m_shown = CreatePage(kTabGeneral);
    m_shown->show();
    m_tabs->SetCurSel(kTabGeneral);
}

CBaseSetup* COptionDlg::Page(int tab) const {
    return tab >= 0 && tab < kTabCount ? m_pages[static_cast<size_t>(tab)] : nullptr;
}

int COptionDlg::ShownTab() const {
    for (int tab = 0; tab < kTabCount; ++tab)
        if (m_pages[static_cast<size_t>(tab)] && m_pages[static_cast<size_t>(tab)] == m_shown)
            return tab;
    return -1;
}

QRect COptionDlg::PageRect() const {
    const int top = Caption() ? CBaseDialog::kCaptionHeight : 0;
    return QRect(1, top + kTabHeight, kWidth - 2, kHeight - top - kTabHeight - kButtonPaneHeight);
}

CBaseSetup* COptionDlg::CreatePage(int tab) {
    CBaseSetup*& page = m_pages[static_cast<size_t>(tab)];
    if (page)
        return page;
    switch (tab) {
    case kTabGeneral:
        page = new CGeneralOptionDlg(m_settings, this, Skin());
        break;
    case kTabSnapshot:
        page = new CThumbnailDlg(m_settings, this, Skin());
        break;
    default:
        page = new CUpdateSettingDlg(m_settings, this, Skin());
        break;
    }
    page->setGeometry(PageRect());
    page->hide();
    return page;
}

intptr_t COptionDlg::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (msg == kMsgTabChanged && static_cast<int>(lParam) == kTabCtrlId) {
        ChangeTab(static_cast<int>(static_cast<intptr_t>(wParam)));
        return 0;
    }
    return CBaseDialog::onMessage(msg, wParam, lParam);
}

void COptionDlg::ChangeTab(int index) {
    // The shown page is stored first. A page that refuses its values (the snapshot folder is
    // missing) stays in front, its tab selected, so the person can mend what was said.
    if (m_shown && !m_shown->confirmPage()) {
        m_tabs->SetCurSel(ShownTab());
        return;
    }
    if (index < 0 || index >= kTabCount || Page(index) == m_shown)
        return;
    if (m_shown)
        m_shown->hide();
    m_shown = CreatePage(index);
    m_shown->show();
}

void COptionDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kButtonPaneId || !notify.item) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    switch (notify.item->id) {
    case kCancel:
        reject();
        break;
    case kConfirm:
        if (!m_shown || m_shown->confirmPage())
            accept();
        break;
    case kApply:
        if (m_shown)
            m_shown->applyPage();
        break;
    default:
        break;
    }
}

bool COptionDlg::PaintBackground(QPainter& painter, int fillType) {
    painter.fillRect(rect(), argbColor(DialogColor(0)));
    painter.setPen(argbColor(DialogColor(kFrameColorId)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    return true;
}
