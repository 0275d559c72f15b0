// What assistive technology sees of one item of a skinned pane: a button, check box, radio
// button or label, named by its caption or tooltip, with its state and its press action. The
// item is looked up in its pane on every call, so an item that went away reads as invalid.
#pragma once

#include <QAccessibleInterface>
#include <QPointer>

class CBaseWnd;
struct PaneItem;

class PaneItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PaneItemAccessible(CBaseWnd* pane, const PaneItem* item);

    // The item, or null when it is no longer in its pane.
    const PaneItem* Item() const;

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
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    // The role an item has: check box, radio button, label (drawn without hover) or button.
    static QAccessible::Role RoleOf(const PaneItem& item);
    // Its name: the caption without the trailing colon of a label, else the tooltip.
    static QString NameOf(const PaneItem& item);

private:
    QPointer<CBaseWnd> m_pane;
    const PaneItem* m_item;
};
