// One row of the file list as assistive technology sees it: named by the item's name, checkable,
// selected while focused, its progress (0..10000) as a value, and five cells with the texts the
// row shows. Toggling it ticks the item as Space does.
#pragma once

#include <QAccessibleInterface>
#include <QPointer>

#include <array>

class CFileListWnd;
struct MediaItem;

class FileRowAccessible : public QAccessibleInterface,
                          public QAccessibleValueInterface,
                          public QAccessibleActionInterface {
public:
    static constexpr int kColumns = 5;

    FileRowAccessible(CFileListWnd* list, const MediaItem* item);
    ~FileRowAccessible() override;

    // The item while it is in the list, else null.
    const MediaItem* Item() const;
    CFileListWnd* List() const { return m_list; }
    QString CellText(int column) const;
    QRect CellRect(int column) const;

    bool isValid() const override { return Item() != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override { return kColumns; }
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Row; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 10000; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QPointer<CFileListWnd> m_list;
    const MediaItem* m_item;
    mutable std::array<QAccessible::Id, kColumns> m_cells{};
};
