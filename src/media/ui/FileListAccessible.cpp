#include "FileListAccessible.h"

#include "CFileListWnd.h"
#include "FileRowAccessible.h"

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
