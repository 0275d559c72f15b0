// Keyboard use of the file list: the arrows, Home, End and the page keys move the focused row
// (Shift ticks the rows the focus passes), Space ticks the focused row, Enter asks for its
// preview and the Menu key or Shift+F10 opens the context menu below it. While the list is empty
// its two buttons take the keys as any pane's items do.
#include "CFileListWnd.h"

#include "FileListAccessible.h"
#include "FileListGeometry.h"

#include <QKeyEvent>

#include <algorithm>

using namespace filelist;

bool CFileListWnd::IsItemFocusable(const PaneItem& item) const {
    return m_items.empty() && CBaseWnd::IsItemFocusable(item);
}

int CFileListWnd::KeyTarget(int key) const {
    const int page = std::max(1, VisibleRowCount() - 1);
    const int from = std::max(m_focused, 0);
    switch (key) {
    case Qt::Key_Up:
        return from - 1;
    case Qt::Key_Down:
        return m_focused < 0 ? 0 : from + 1;
    case Qt::Key_Home:
        return 0;
    case Qt::Key_End:
        return Count() - 1;
    case Qt::Key_PageUp:
        return from - page;
    case Qt::Key_PageDown:
        return from + page;
    default:
        return -1;
    }
}

void CFileListWnd::keyPressEvent(QKeyEvent* event) {
    if (m_items.empty()) {
        CBaseWnd::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && shift)) {
        OpenContextMenuByKey();
    } else if (key == Qt::Key_Space) {
        ToggleBox(m_focused);
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        NotifyParent(kFileListActivate, nullptr, m_focused);
    } else if (const int target = KeyTarget(key); target != -1 || key == Qt::Key_Up) {
        MoveFocusByKey(std::clamp(target, 0, Count() - 1), shift);
    } else {
        event->ignore();
    }
}

void CFileListWnd::MoveFocusByKey(int index, bool tick) {
    const int from = m_focused;
    if (index != from) {
        SetFocusIndex(index);
        if (!IsLocked() && index < Count())
            NotifyParent(kFileListClick, nullptr, index);
    }
    if (tick && !IsLocked() && from >= 0) {
        bool changed = false;
        for (int i = std::min(from, index); i <= std::max(from, index); ++i) {
            MediaItem* item = MediaAt(i);
            if (item && !item->hasState(kItemNotExist) && !item->hasState(kItemChecked)) {
                item->setFlag(kItemChecked, true);
                changed = true;
            }
        }
        if (changed)
            NotifyParent(kFileListBoxToggled, nullptr, index);
    }
    ScrollIntoView(m_focused);
    RepaintRows();
}

void CFileListWnd::ScrollIntoView(int index) {
    if (index < 0)
        return;
    const int visible = std::max(1, VisibleRowCount());
    if (index < m_first)
        SetFirstRow(index);
    else if (index >= m_first + visible)
        SetFirstRow(clampFirstRow(index - visible + 1, visible, Count()));
}

bool CFileListWnd::ToggleBox(int index) {
    MediaItem* item = MediaAt(index);
    if (!item || item->hasState(kItemNotExist) || IsLocked())
        return false;
    item->setFlag(kItemChecked, !item->hasState(kItemChecked));
    NotifyParent(kFileListBoxToggled, nullptr, index);
    RepaintRows();
    return true;
}

void CFileListWnd::OpenContextMenuByKey() {
    ScrollIntoView(m_focused);
    const int row = m_focused < 0 ? 0 : m_focused - m_first;
    m_menuAt = mapToGlobal(QPoint(kRowTextX, kHeaderHeight + (row + 1) * kRowHeight));
    NotifyParent(kFileListRightClick, nullptr, m_focused);
}

QRect CFileListWnd::FocusedRowRect() const {
    if (m_focused < m_first || m_focused >= m_first + VisibleRowCount() + 1)
        return {};
    return RowRect(m_focused);
}

QRect CFileListWnd::RowRect(int index) const {
    return QRect(0, kHeaderHeight + (index - m_first) * kRowHeight, RowWidth(), kRowHeight);
}

QAccessibleInterface* CFileListWnd::CreateAccessible() {
    return new FileListAccessible(this);
}

void CFileListWnd::OnFocusChanged(bool focused) {
    RepaintRows();
}
