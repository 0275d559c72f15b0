#include "FileListAccessible.h"

#include "CFileListWnd.h"
#include "FileRowAccessible.h"

#include "MediaItem.h"

FileListAccessible::FileListAccessible(CFileListWnd* list)
    : PaneAccessible(list, QAccessible::Table) {}

CFileListWnd* FileListAccessible::List() const {
    return static_cast<CFileListWnd*>(Pane());
}

QString FileListAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name)
        return QStringLiteral("Media list");
    return PaneAccessible::text(t);
}

void FileListAccessible::AnnounceProgress(CFileListWnd* list) {
    if (!QAccessible::isActive())
        return;
    auto* iface = dynamic_cast<FileListAccessible*>(QAccessible::queryAccessibleInterface(list));
    if (!iface)
        return;
    // With rows in the list the empty-list buttons are hidden: row i is child i.
    for (int i = 0; i < list->Count(); ++i) {
        const MediaItem* item = list->MediaAt(i);
        if (!item->hasState(kItemConverting))
            continue;
        if (QAccessibleInterface* row = iface->child(i)) {
            QAccessibleValueChangeEvent event(row, static_cast<int>(item->progress.load()));
            QAccessible::updateAccessibility(&event);
        }
    }
}

int FileListAccessible::ExtraCount() const {
    return List()->Count();
}

QAccessibleInterface* FileListAccessible::Extra(int index) const {
    const MediaItem* item = List()->MediaAt(index);
    if (!item)
        return nullptr;
    if (QAccessibleInterface* kept = Kept(item))
        return kept;
    return Keep(item, new FileRowAccessible(List(), item));
}

int FileListAccessible::IndexOfExtra(const QAccessibleInterface* child) const {
    auto* row = dynamic_cast<const FileRowAccessible*>(child);
    return row ? List()->IndexOf(row->Item()) : -1;
}
