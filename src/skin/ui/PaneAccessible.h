// What assistive technology sees of a skinned pane: a pane whose children are its items (each a
// PaneItemAccessible), then what a derived pane adds of its own (rows, sliders), then its child
// windows (the real controls it hosts).
#pragma once

#include <QAccessibleWidget>

#include <map>
#include <vector>

class CBaseWnd;
struct PaneItem;

class PaneAccessible : public QAccessibleWidget {
public:
    explicit PaneAccessible(CBaseWnd* pane, QAccessible::Role role = QAccessible::Pane);
    ~PaneAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessible::State state() const override;

    // The index among the children of the pane's item, -1 when it has none.
    int IndexOfItem(const PaneItem* item) const;
    // Tells assistive technology that an item took the focus or changed state.
    static void AnnounceFocus(CBaseWnd* pane, const PaneItem& item);
    static void AnnounceState(CBaseWnd* pane, const PaneItem& item, bool checkedChanged);

protected:
    CBaseWnd* Pane() const;
    // Children a derived pane adds after the items.
    virtual int ExtraCount() const { return 0; }
    virtual QAccessibleInterface* Extra(int index) const { return nullptr; }
    virtual int IndexOfExtra(const QAccessibleInterface* child) const { return -1; }
    // Registers an interface made for a child without an object; it is deleted with the pane's.
    QAccessibleInterface* Keep(const void* key, QAccessibleInterface* made) const;
    QAccessibleInterface* Kept(const void* key) const;
    // Forgets what was kept for keys that are no longer in use.
    void Forget(const void* key) const;

private:
    // The items shown as children: not the holders of real controls, not items the pane hides.
    std::vector<const PaneItem*> ShownItems() const;
    int ItemCount() const;
    void Prune() const;

    mutable std::map<const void*, QAccessible::Id> m_kept;
};
