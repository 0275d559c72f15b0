#include "PaneAccessible.h"

#include "CBaseWnd.h"
#include "PaneItemAccessible.h"

#include <algorithm>
#include <vector>

PaneAccessible::PaneAccessible(CBaseWnd* pane, QAccessible::Role role)
    : QAccessibleWidget(pane, role) {}

PaneAccessible::~PaneAccessible() {
    for (const auto& [key, id] : m_kept)
        QAccessible::deleteAccessibleInterface(id);
}

CBaseWnd* PaneAccessible::Pane() const {
    return static_cast<CBaseWnd*>(widget());
}

QAccessibleInterface* PaneAccessible::Kept(const void* key) const {
    const auto found = m_kept.find(key);
    return found == m_kept.end() ? nullptr : QAccessible::accessibleInterface(found->second);
}

QAccessibleInterface* PaneAccessible::Keep(const void* key, QAccessibleInterface* made) const {
    m_kept[key] = QAccessible::registerAccessibleInterface(made);
    return made;
}

void PaneAccessible::Forget(const void* key) const {
    const auto found = m_kept.find(key);
    if (found == m_kept.end())
        return;
    QAccessible::deleteAccessibleInterface(found->second);
    m_kept.erase(found);
}

void PaneAccessible::Prune() const {
    // Interfaces of items and rows that left the pane go, so that a new one at the same address
    // never inherits a stale interface.
    std::vector<const void*> gone;
    for (const auto& [key, id] : m_kept) {
        QAccessibleInterface* kept = QAccessible::accessibleInterface(id);
        if (!kept || !kept->isValid())
            gone.push_back(key);
    }
    for (const void* key : gone)
        Forget(key);
}

std::vector<const PaneItem*> PaneAccessible::ShownItems() const {
    std::vector<const PaneItem*> shown;
    for (const auto& item : Pane()->Items())
        if (!item->hosted && Pane()->IsItemShown(*item))
            shown.push_back(item.get());
    return shown;
}

int PaneAccessible::ItemCount() const {
    return static_cast<int>(ShownItems().size());
}

int PaneAccessible::childCount() const {
    return ItemCount() + ExtraCount() + QAccessibleWidget::childCount();
}

QAccessibleInterface* PaneAccessible::child(int index) const {
    if (index < 0)
        return nullptr;
    Prune();
    const std::vector<const PaneItem*> items = ShownItems();
    if (index < static_cast<int>(items.size())) {
        const PaneItem* item = items[static_cast<size_t>(index)];
        if (QAccessibleInterface* kept = Kept(item))
            return kept;
        return Keep(item, new PaneItemAccessible(Pane(), item));
    }
    const int extra = index - ItemCount();
    if (extra >= 0 && extra < ExtraCount())
        return Extra(extra);
    return QAccessibleWidget::child(extra - ExtraCount());
}

int PaneAccessible::IndexOfItem(const PaneItem* item) const {
    const std::vector<const PaneItem*> items = ShownItems();
    const auto found = std::find(items.begin(), items.end(), item);
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

int PaneAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (auto* item = dynamic_cast<const PaneItemAccessible*>(child))
        return IndexOfItem(item->Item());
    if (const int extra = IndexOfExtra(child); extra >= 0)
        return ItemCount() + extra;
    const int widget = QAccessibleWidget::indexOfChild(child);
    return widget < 0 ? -1 : ItemCount() + ExtraCount() + widget;
}

QAccessibleInterface* PaneAccessible::childAt(int x, int y) const {
    for (int i = 0, n = childCount(); i < n; ++i)
        if (QAccessibleInterface* c = child(i); c && c->rect().contains(x, y))
            return c;
    return nullptr;
}

QAccessible::State PaneAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    // A plain pane only groups its items: the keyboard focus belongs to the item it marks.
    if (role() == QAccessible::Pane) {
        s.focusable = false;
        s.focused = false;
    }
    return s;
}

void PaneAccessible::AnnounceFocus(CBaseWnd* pane, const PaneItem& item) {
    if (!QAccessible::isActive())
        return;
    auto* iface = dynamic_cast<PaneAccessible*>(QAccessible::queryAccessibleInterface(pane));
    const int index = iface ? iface->IndexOfItem(&item) : -1;
    if (index < 0)
        return;
    QAccessibleEvent event(pane, QAccessible::Focus);
    event.setChild(index);
    QAccessible::updateAccessibility(&event);
}

void PaneAccessible::AnnounceState(CBaseWnd* pane, const PaneItem& item, bool checkedChanged) {
    if (!QAccessible::isActive())
        return;
    auto* iface = dynamic_cast<PaneAccessible*>(QAccessible::queryAccessibleInterface(pane));
    const int index = iface ? iface->IndexOfItem(&item) : -1;
    if (index < 0)
        return;
    QAccessible::State changed;
    changed.disabled = true;
    changed.checked = checkedChanged;
    QAccessibleStateChangeEvent event(pane, changed);
    event.setChild(index);
    QAccessible::updateAccessibility(&event);
}
