#include "FileRowAccessible.h"

#include "CFileListWnd.h"
#include "FileCellAccessible.h"
#include "FileListGeometry.h"

#include "MediaItem.h"

FileRowAccessible::FileRowAccessible(CFileListWnd* list, const MediaItem* item)
    : m_list(list), m_item(item) {}

FileRowAccessible::~FileRowAccessible() {
    for (QAccessible::Id id : m_cells)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
}

const MediaItem* FileRowAccessible::Item() const {
    return m_list && m_list->IndexOf(m_item) >= 0 ? m_item : nullptr;
}

QString FileRowAccessible::CellText(int column) const {
    const MediaItem* item = Item();
    return item ? CFileListWnd::ColumnText(*item, column) : QString();
}

QRect FileRowAccessible::CellRect(int column) const {
    const QRect row = rect();
    if (row.isEmpty() || column < 0 || column >= kColumns)
        return {};
    const auto spans = m_list ? m_list->ColumnSpans(row.width(), filelist::kRowTextX)
                              : filelist::columnSpans(row.width(), filelist::kRowTextX);
    const auto& span = spans[static_cast<size_t>(column)];
    return QRect(row.left() + span.left, row.top(), span.width, row.height());
}

QWindow* FileRowAccessible::window() const {
    return m_list ? m_list->window()->windowHandle() : nullptr;
}

QAccessibleInterface* FileRowAccessible::parent() const {
    return m_list ? QAccessible::queryAccessibleInterface(m_list.data()) : nullptr;
}

QAccessibleInterface* FileRowAccessible::child(int index) const {
    if (index < 0 || index >= kColumns)
        return nullptr;
    QAccessible::Id& id = m_cells[static_cast<size_t>(index)];
    if (!id)
        id = QAccessible::registerAccessibleInterface(
            new FileCellAccessible(const_cast<FileRowAccessible*>(this), index));
    return QAccessible::accessibleInterface(id);
}

int FileRowAccessible::indexOfChild(const QAccessibleInterface* child) const {
    auto* cell = dynamic_cast<const FileCellAccessible*>(child);
    return cell && cell->parent() == this ? cell->Column() : -1;
}

QAccessibleInterface* FileRowAccessible::childAt(int x, int y) const {
    for (int i = 0; i < kColumns; ++i)
        if (CellRect(i).contains(x, y))
            return child(i);
    return nullptr;
}

QString FileRowAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name)
        return CellText(0);
    if (t == QAccessible::Description) {
        QStringList parts;
        for (int i = 1; i < kColumns; ++i)
            parts << CFileListWnd::ColumnTitle(i) + QStringLiteral(": ") + CellText(i);
        return parts.join(QStringLiteral(", "));
    }
    return {};
}

QRect FileRowAccessible::rect() const {
    const MediaItem* item = Item();
    if (!item)
        return {};
    const QRect local = m_list->RowRect(m_list->IndexOf(item));
    return QRect(m_list->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State FileRowAccessible::state() const {
    QAccessible::State s;
    const MediaItem* item = Item();
    if (!item) {
        s.invalid = true;
        return s;
    }
    const int index = m_list->IndexOf(item);
    s.selectable = true;
    s.focusable = true;
    s.selected = index == m_list->FocusedIndex();
    s.focused = s.selected && m_list->hasFocus();
    s.checkable = true;
    s.checked = item->hasState(kItemChecked);
    s.disabled = item->hasState(kItemNotExist);
    s.offscreen = index < m_list->FirstVisibleRow() ||
                  index >= m_list->FirstVisibleRow() + m_list->VisibleRowCount();
    return s;
}

void* FileRowAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QVariant FileRowAccessible::currentValue() const {
    const MediaItem* item = Item();
    return item ? static_cast<int>(item->progress.load()) : 0;
}

QStringList FileRowAccessible::actionNames() const {
    return {toggleAction()};
}

void FileRowAccessible::doAction(const QString& actionName) {
    if (const MediaItem* item = Item(); item && actionName == toggleAction())
        m_list->ToggleBox(m_list->IndexOf(item));
}

QStringList FileRowAccessible::keyBindingsForAction(const QString& actionName) const {
    return actionName == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList{};
}
