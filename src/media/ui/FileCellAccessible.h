// One cell of a file list row: the text the row shows in that column, the column's title as
// its description.
#pragma once

#include "LeafAccessible.h"

#include <QAccessibleInterface>

class FileRowAccessible;

class FileCellAccessible : public LeafAccessible {
public:
    FileCellAccessible(FileRowAccessible* row, int column) : m_row(row), m_column(column) {}

    int Column() const { return m_column; }

    bool isValid() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override;

private:
    FileRowAccessible* m_row;
    int m_column;
};
