// What assistive technology sees of the file list: a table whose rows are the media items (each
// a FileRowAccessible with its five cells, its checked state and its progress as a value), after
// the empty-list buttons while the list is empty.
#pragma once

#include "PaneAccessible.h"

class CFileListWnd;

class FileListAccessible : public PaneAccessible {
public:
    explicit FileListAccessible(CFileListWnd* list);

    QString text(QAccessible::Text t) const override;

    // Tells assistive technology the progress of the rows being converted; nothing while no
    // assistive technology listens.
    static void AnnounceProgress(CFileListWnd* list);

protected:
    int ExtraCount() const override;
    QAccessibleInterface* Extra(int index) const override;
    int IndexOfExtra(const QAccessibleInterface* child) const override;

private:
    CFileListWnd* List() const;
};
