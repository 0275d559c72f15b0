#include "PlaySliderAccessible.h"

PlaySliderAccessible::PlaySliderAccessible(CPlayCtrlWnd* pane, CPlayCtrlWnd::Handle handle)
    : m_pane(pane), m_handle(handle) {}

QWindow* PlaySliderAccessible::window() const {
    return m_pane ? m_pane->window()->windowHandle() : nullptr;
}

QAccessibleInterface* PlaySliderAccessible::parent() const {
    return m_pane ? QAccessible::queryAccessibleInterface(m_pane.data()) : nullptr;
}

QString PlaySliderAccessible::text(QAccessible::Text t) const {
    if (t != QAccessible::Name)
        return {};
    return m_handle == CPlayCtrlWnd::kVolumeKnob ? QStringLiteral("Volume")
                                                 : QStringLiteral("Position");
}

QRect PlaySliderAccessible::rect() const {
    if (!m_pane)
        return {};
    const QRect local = m_pane->HandleRect(m_handle);
    return QRect(m_pane->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State PlaySliderAccessible::state() const {
    QAccessible::State s;
    s.invalid = !m_pane;
    s.disabled = !m_pane || !m_pane->IsPlayEnabled() ||
                 (m_handle == CPlayCtrlWnd::kKnob && !m_pane->CurrentItem());
    return s;
}

void* PlaySliderAccessible::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                               : nullptr;
}

QVariant PlaySliderAccessible::currentValue() const {
    return m_pane ? m_pane->HandleValue(m_handle) : 0;
}

void PlaySliderAccessible::setCurrentValue(const QVariant& value) {
    if (m_pane)
        m_pane->SetHandleValue(m_handle, value.toInt());
}

QVariant PlaySliderAccessible::maximumValue() const {
    return m_handle == CPlayCtrlWnd::kVolumeKnob ? 100 : CPlayCtrlWnd::kRangeMax;
}
