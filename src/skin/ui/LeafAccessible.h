// An accessible part of a window that is no object of its own and has no parts (a pane item, a
// tab, a list cell, a slider handle): what every such leaf answers alike.
#pragma once

#include <QAccessibleInterface>

class LeafAccessible : public QAccessibleInterface {
public:
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}
};
