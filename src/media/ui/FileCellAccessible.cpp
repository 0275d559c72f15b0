#include "FileCellAccessible.h"

#include "CFileListWnd.h"
#include "FileRowAccessible.h"

bool FileCellAccessible::isValid() const {
    return m_row->isValid();
}

QWindow* FileCellAccessible::window() const {
    return m_row->window();
}

QAccessibleInterface* FileCellAccessible::parent() const {
    return m_row;
}

QString FileCellAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name)
        return m_row->CellText(m_column);
    if (t == QAccessible::Description)
        return CFileListWnd::ColumnTitle(m_column);
    return {};
}

QRect FileCellAccessible::rect() const {
    return m_row->CellRect(m_column);
}

QAccessible::State FileCellAccessible::state() const {
    QAccessible::State s;
    s.readOnly = true;
    s.invalid = !isValid();
    return s;
}
