// What assistive technology sees of one item of a skinned pane: a button, check box, radio
// button or label, named by its caption or tooltip, with its state and its press action. The
// item is looked up in its pane on every call, so an item that went away reads as invalid.
#pragma once

#include "LeafAccessible.h"

#include <QAccessibleInterface>
#include <QPointer>

class CBaseWnd;
struct PaneItem;

class PaneItemAccessible : public LeafAccessible, public QAccessibleActionInterface {
public:
    PaneItemAccessible(CBaseWnd* pane, const PaneItem* item);

    // The item, or null when it is no longer in its pane.
    const PaneItem* Item() const;

    bool isValid() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
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
