#include "TabStripAccessible.h"

#include "OutlookTabCtrl.h"
#include "TabAccessible.h"

TabStripAccessible::TabStripAccessible(OutlookTabCtrl* strip)
    : QAccessibleWidget(strip, QAccessible::PageTabList) {}

TabStripAccessible::~TabStripAccessible() {
    for (QAccessible::Id id : m_tabs)
        QAccessible::deleteAccessibleInterface(id);
}

OutlookTabCtrl* TabStripAccessible::Strip() const {
    return static_cast<OutlookTabCtrl*>(widget());
}

int TabStripAccessible::childCount() const {
    return Strip()->ItemCount();
}

QAccessibleInterface* TabStripAccessible::child(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    while (static_cast<int>(m_tabs.size()) <= index)
        m_tabs.push_back(QAccessible::registerAccessibleInterface(
            new TabAccessible(Strip(), static_cast<int>(m_tabs.size()))));
    return QAccessible::accessibleInterface(m_tabs[static_cast<size_t>(index)]);
}

int TabStripAccessible::indexOfChild(const QAccessibleInterface* child) const {
    auto* tab = dynamic_cast<const TabAccessible*>(child);
    return tab && tab->parent() == this ? tab->Index() : -1;
}

QString TabStripAccessible::text(QAccessible::Text t) const {
    const QString own = QAccessibleWidget::text(t);
    if (t != QAccessible::Name || !own.isEmpty())
        return own;
    // Named after the page that is open.
    return Strip()->ItemText(Strip()->GetCurSel());
}
