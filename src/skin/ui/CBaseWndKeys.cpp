// Keyboard and assistive technology use of a skinned pane: one of its items holds the item focus,
// Tab and Shift+Tab step through the focusable items and then on to the next window of the dialog,
// the arrows step within the pane, and Space or Enter act on the item as a click on it does.
#include "CBaseWnd.h"

#include "CBaseDialog.h"
#include "FocusOrder.h"
#include "PaneAccessible.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>

#include <algorithm>
#include <utility>

bool CBaseWnd::IsItemFocusable(const PaneItem& item) const {
    return !item.isDisabled() && !item.hosted && !(item.behaviour & kItemNoHover) &&
           !item.rect().toQRect().isEmpty();
}

bool CBaseWnd::AcceptsKeyboardFocus() const {
    for (const auto& item : m_items)
        if (!item->isDisabled() && !item->hosted && !(item->behaviour & kItemNoHover))
            return true;
    return false;
}

void CBaseWnd::UpdateFocusPolicy() {
    const Qt::FocusPolicy policy = AcceptsKeyboardFocus() ? Qt::StrongFocus : Qt::ClickFocus;
    if (focusPolicy() != policy)
        setFocusPolicy(policy);
}

PaneItem* CBaseWnd::FocusedItem() {
    if (m_focusIndex < 0 || m_focusIndex >= static_cast<int>(m_items.size()))
        return nullptr;
    PaneItem* item = m_items[m_focusIndex].get();
    return IsItemFocusable(*item) ? item : nullptr;
}

const PaneItem* CBaseWnd::FocusedItem() const {
    return const_cast<CBaseWnd*>(this)->FocusedItem();
}

void CBaseWnd::SetFocusedItem(int id) {
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->id == id && IsItemFocusable(*m_items[i])) {
            MoveItemFocus(static_cast<int>(i));
            return;
        }
}

void CBaseWnd::FocusItemByKey(int id, Qt::FocusReason reason) {
    int index = -1;
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->id == id && IsItemFocusable(*m_items[i]))
            index = static_cast<int>(i);
    if (index < 0)
        return;
    if (hasFocus()) {
        MoveItemFocus(index);
        return;
    }
    m_focusOnEntry = index;
    setFocus(reason);
    // A window that is not active takes no focus now; the item is the one it will show.
    if (m_focusOnEntry >= 0) {
        m_focusOnEntry = -1;
        MoveItemFocus(index);
    }
}

int CBaseWnd::NextFocusable(int from, bool forward) const {
    std::vector<QRect> rects;
    std::vector<int> indexes;
    for (size_t i = 0; i < m_items.size(); ++i)
        if (static_cast<int>(i) == from || IsItemFocusable(*m_items[i])) {
            rects.push_back(m_items[i]->rect().toQRect());
            indexes.push_back(static_cast<int>(i));
        }
    std::vector<int> order;
    for (int k : focusorder::readingOrder(rects))
        order.push_back(indexes[static_cast<size_t>(k)]);
    if (!forward)
        std::reverse(order.begin(), order.end());
    auto it = order.begin();
    if (from >= 0) {
        it = std::find(order.begin(), order.end(), from);
        if (it != order.end())
            ++it;
    }
    for (; it != order.end(); ++it)
        if (IsItemFocusable(*m_items[static_cast<size_t>(*it)]))
            return *it;
    return -1;
}

void CBaseWnd::MoveItemFocus(int index) {
    if (const PaneItem* old = FocusedItem())
        InvalidateItem(*old);
    m_focusIndex = index;
    if (const PaneItem* now = FocusedItem()) {
        InvalidateItem(*now);
        OnItemFocused(*now);
    }
}

void CBaseWnd::ActivateItem(int id) {
    PaneItem* item = FindItem(id);
    if (!item || item->isDisabled())
        return;
    const QPoint c = item->rect().toQRect().center();
    // The click may close the dialog or rebuild the items: look the item up again after it.
    QPointer<CBaseWnd> self(this);
    m_pressOnItem = true;
    OnClick(item, 0, c.x(), c.y());
    if (!self)
        return;
    m_pressOnItem = false;
    if (PaneItem* still = FindItem(id))
        OnButtonUp(still, 0, c.x(), c.y());
    OnButtonUp(nullptr, 0, c.x(), c.y());
}

void CBaseWnd::keyPressEvent(QKeyEvent* event) {
    PaneItem* focused = FocusedItem();
    const int key = event->key();
    if (focused && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        ActivateItem(focused->id);
        return;
    }
    if (focused &&
        (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down)) {
        const int next = NextFocusable(m_focusIndex, key == Qt::Key_Right || key == Qt::Key_Down);
        if (next >= 0)
            MoveItemFocus(next);
        return;
    }
    // Enter and Escape go on to the dialog: its default and cancel buttons.
    event->ignore();
}

void CBaseWnd::focusInEvent(QFocusEvent* event) {
    // The item a Tab of the dialog's order aims at, else the first or last one.
    const int entry = std::exchange(m_focusOnEntry, -1);
    if (entry >= 0)
        MoveItemFocus(entry);
    else if (event->reason() == Qt::TabFocusReason)
        MoveItemFocus(NextFocusable(-1, true));
    else if (event->reason() == Qt::BacktabFocusReason)
        MoveItemFocus(NextFocusable(-1, false));
    else if (!FocusedItem() && event->reason() != Qt::MouseFocusReason)
        MoveItemFocus(NextFocusable(-1, true));
    else if (const PaneItem* item = FocusedItem())
        InvalidateItem(*item);
    OnFocusChanged(true);
}

void CBaseWnd::focusOutEvent(QFocusEvent* event) {
    if (const PaneItem* item = FocusedItem())
        InvalidateItem(*item);
    OnFocusChanged(false);
}

bool CBaseWnd::focusNextPrevChild(bool next) {
    // A dialog that orders its stops as they are read steps through them itself.
    if (auto* dialog = dynamic_cast<CBaseDialog*>(window()); dialog && dialog->VisualTabOrder())
        return dialog->StepFocus(next);
    if (hasFocus() && m_focusIndex >= 0) {
        if (const int step = NextFocusable(m_focusIndex, next); step >= 0) {
            MoveItemFocus(step);
            return true;
        }
    }
    const bool moved = QWidget::focusNextPrevChild(next);
    // The only stop of its window: wrap around inside the pane.
    if (hasFocus())
        MoveItemFocus(NextFocusable(-1, next));
    return moved;
}

void CBaseWnd::OnItemFocused(const PaneItem& item) {
    PaneAccessible::AnnounceFocus(this, item);
}

void CBaseWnd::OnItemStateChanged(const PaneItem& item, int before) {
    PaneAccessible::AnnounceState(this, item, (before ^ item.state) & kStateChecked);
}

QAccessibleInterface* CBaseWnd::CreateAccessible() {
    return new PaneAccessible(this);
}
