#include "TabAccessible.h"

#include "OutlookTabCtrl.h"

bool TabAccessible::isValid() const {
    return m_strip && m_index < m_strip->ItemCount();
}

QWindow* TabAccessible::window() const {
    return m_strip ? m_strip->window()->windowHandle() : nullptr;
}

QAccessibleInterface* TabAccessible::parent() const {
    return m_strip ? QAccessible::queryAccessibleInterface(m_strip.data()) : nullptr;
}

QString TabAccessible::text(QAccessible::Text t) const {
    return t == QAccessible::Name && isValid() ? m_strip->ItemText(m_index) : QString();
}

QRect TabAccessible::rect() const {
    if (!isValid())
        return {};
    const QRect local = m_strip->ItemRect(m_index);
    return QRect(m_strip->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State TabAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.selectable = true;
    s.selected = m_strip->GetCurSel() == m_index;
    s.focusable = true;
    s.focused = s.selected && m_strip->hasFocus();
    s.disabled = !m_strip->isEnabled();
    return s;
}

void* TabAccessible::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                : nullptr;
}

QStringList TabAccessible::actionNames() const {
    return {pressAction()};
}

void TabAccessible::doAction(const QString& actionName) {
    if (isValid() && actionName == pressAction())
        m_strip->SelectByUser(m_index);
}
