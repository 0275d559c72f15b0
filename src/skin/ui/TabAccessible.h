// One tab of a tab strip (see TabStripAccessible).
#pragma once

#include "LeafAccessible.h"

#include <QAccessibleInterface>
#include <QPointer>

class OutlookTabCtrl;

class TabAccessible : public LeafAccessible, public QAccessibleActionInterface {
public:
    TabAccessible(OutlookTabCtrl* strip, int index) : m_strip(strip), m_index(index) {}

    int Index() const { return m_index; }

    bool isValid() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<OutlookTabCtrl> m_strip;
    int m_index;
};
