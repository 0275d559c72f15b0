#include "PaneItemAccessible.h"

#include "CBaseWnd.h"

PaneItemAccessible::PaneItemAccessible(CBaseWnd* pane, const PaneItem* item)
    : m_pane(pane), m_item(item) {}

const PaneItem* PaneItemAccessible::Item() const {
    if (!m_pane)
        return nullptr;
    for (const auto& item : m_pane->Items())
        if (item.get() == m_item)
            return m_item;
    return nullptr;
}

bool PaneItemAccessible::isValid() const {
    return Item() != nullptr;
}

QWindow* PaneItemAccessible::window() const {
    return m_pane ? m_pane->window()->windowHandle() : nullptr;
}

QAccessibleInterface* PaneItemAccessible::parent() const {
    return m_pane ? QAccessible::queryAccessibleInterface(m_pane.data()) : nullptr;
}

QAccessible::Role PaneItemAccessible::RoleOf(const PaneItem& item) {
    if (item.behaviour & kItemCheckBox)
        return QAccessible::CheckBox;
    if (item.behaviour & kItemRadio)
        return QAccessible::RadioButton;
    if (item.behaviour & kItemNoHover)
        return QAccessible::StaticText;
    return QAccessible::Button;
}

QString PaneItemAccessible::NameOf(const PaneItem& item) {
    QString name = item.caption.trimmed();
    name.remove(QLatin1Char('&'));
    if (name.endsWith(QLatin1Char(':')))
        name = name.chopped(1).trimmed();
    return name.isEmpty() ? item.tooltip.trimmed() : name;
}

QString PaneItemAccessible::text(QAccessible::Text t) const {
    const PaneItem* item = Item();
    if (!item)
        return {};
    switch (t) {
    case QAccessible::Name:
        return NameOf(*item);
    case QAccessible::Description:
        return item->tooltip != NameOf(*item) ? item->tooltip : QString();
    default:
        return {};
    }
}

QRect PaneItemAccessible::rect() const {
    const PaneItem* item = Item();
    if (!item)
        return {};
    const QRect local = item->rect().toQRect();
    return QRect(m_pane->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role PaneItemAccessible::role() const {
    const PaneItem* item = Item();
    return item ? RoleOf(*item) : QAccessible::NoRole;
}

QAccessible::State PaneItemAccessible::state() const {
    QAccessible::State s;
    const PaneItem* item = Item();
    if (!item) {
        s.invalid = true;
        return s;
    }
    s.disabled = item->isDisabled();
    s.focusable = m_pane->IsItemFocusable(*item);
    s.focused = m_pane->hasFocus() && m_pane->FocusedItem() == item;
    s.hotTracked = (item->state & kStateHover) != 0;
    s.invisible = !m_pane->isVisible() || item->rect().toQRect().isEmpty();
    if (item->behaviour & (kItemCheckBox | kItemRadio)) {
        s.checkable = true;
        s.checked = item->isChecked();
    }
    return s;
}

void* PaneItemAccessible::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                : nullptr;
}

QStringList PaneItemAccessible::actionNames() const {
    const PaneItem* item = Item();
    if (!item || item->isDisabled() || RoleOf(*item) == QAccessible::StaticText)
        return {};
    if (item->behaviour & (kItemCheckBox | kItemRadio))
        return {toggleAction()};
    return {pressAction()};
}

void PaneItemAccessible::doAction(const QString& actionName) {
    const PaneItem* item = Item();
    if (item && actionNames().contains(actionName))
        m_pane->ActivateItem(item->id);
}

QStringList PaneItemAccessible::keyBindingsForAction(const QString& actionName) const {
    return actionNames().contains(actionName) ? QStringList{QStringLiteral("Space")}
                                              : QStringList{};
}
