#include "CVideoEditPage.h"

#include "CBaseWnd.h"
#include "MediaItem.h"
#include "MessageTarget.h"
#include "PaneItem.h"

CVideoEditPage::CVideoEditPage(int dialogId, MessageTarget* mainWindow, QWidget* parent,
                               CBaseSkin* skin)
    : CBaseSetup(dialogId, parent, skin), m_main(mainWindow) {}

void CVideoEditPage::SetCurrent(MediaItem* item, const StreamList& streams) {
    m_item = item;
    m_streams = item ? streams : StreamList{};
}

const tagVeldesStreamInfo* CVideoEditPage::FirstVideoStream() const {
    for (const tagVeldesStreamInfo& stream : m_streams)
        if (stream.type == VELDES_STREAM_VIDEO)
            return &stream;
    return nullptr;
}

intptr_t CVideoEditPage::NotifyMain(unsigned msg, uintptr_t wParam) {
    if (!m_item || !m_main)
        return 0;
    return sendMessage(m_main, msg, wParam, reinterpret_cast<intptr_t>(m_item));
}

CBaseWnd* CVideoEditPage::AttachPanel(CBaseWnd* panel, const QString& name, int paneId) {
    m_panel = panel ? panel : new CBaseWnd(Skin());
    m_panel->Create(name, 0, this, paneId);
    AddPane(PanePlacement::make(m_panel, paneId, kAnchorTop | kAnchorLeft));
    return m_panel;
}

namespace {

PaneItem fixed(int id, const QString& text, const QRect& rect) {
    PaneItem item;
    item.id = id;
    item.caption = text;
    item.setRect(LayoutRect::fromQRect(rect));
    item.placement = kPlaceFixedRect;
    return item;
}

} // namespace

PaneItem CVideoEditPage::Label(int id, const QString& text, const QRect& rect) {
    PaneItem item = fixed(id, text, rect);
    item.behaviour = kItemNoHover;
    return item;
}

PaneItem CVideoEditPage::CheckBox(int id, const QString& text, const QString& tip,
                                  const QRect& rect) {
    PaneItem item = fixed(id, text, rect);
    item.tooltip = tip;
    item.behaviour = kItemCheckBox;
    item.gap = 4;
    return item;
}

PaneItem CVideoEditPage::Radio(int id, const QString& text, const QString& tip,
                               const QRect& rect) {
    PaneItem item = fixed(id, text, rect);
    item.tooltip = tip;
    item.behaviour = kItemRadio;
    item.gap = 4;
    return item;
}

PaneItem CVideoEditPage::Button(int id, const QString& text, const QRect& rect) {
    PaneItem item = fixed(id, text, rect);
    item.behaviour = kItemFrame | kItemBackground;
    item.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    return item;
}

PaneItem CVideoEditPage::Hosted(int id, QWidget* control, const QRect& rect) {
    PaneItem item = fixed(id, QString(), rect);
    item.hosted = control;
    item.behaviour = kItemNoHover;
    return item;
}

void CVideoEditPage::EnableElement(int id, bool enabled) {
    if (m_panel)
        m_panel->SetItemState(id, enabled ? kStateDisabled : 0, enabled ? 0 : kStateDisabled);
}

void CVideoEditPage::CheckElement(int id, bool checked) {
    if (m_panel)
        m_panel->SetItemState(id, checked ? 0 : kStateChecked, checked ? kStateChecked : 0);
}

bool CVideoEditPage::ElementChecked(int id) const {
    return m_panel && (m_panel->ItemState(id) & kStateChecked) != 0;
}
