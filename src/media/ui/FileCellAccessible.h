// One cell of a file list row: the text the row shows in that column, the column's title as
// its description.
#pragma once

#include <QAccessibleInterface>

class FileRowAccessible;

class FileCellAccessible : public QAccessibleInterface {
public:
    FileCellAccessible(FileRowAccessible* row, int column) : m_row(row), m_column(column) {}

    int Column() const { return m_column; }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override;

private:
    FileRowAccessible* m_row;
    int m_column;
};
